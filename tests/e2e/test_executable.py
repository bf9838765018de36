#!/usr/bin/python3
"""The shipped tarnwick.exe as a file: its PE header, imports and resources, read back from
the built executable (never from the sources)."""
import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

EXE = None
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll",
              "advapi32.dll", "msvcrt.dll"}
RT_ICON, RT_BITMAP, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 14, 16, 24


def resources(pe, type_id):
    """{name or id: [data of each language]} for one resource type."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != type_id:
            continue
        for named in entry.directory.entries:
            key = str(named.name) if named.name is not None else named.id
            for language in named.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                found.setdefault(key, []).append(pe.get_data(rva, size))
    return found


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(EXE)

    def test_is_a_32_bit_gui_program_importing_only_known_system_dlls(self):
        self.assertEqual(0x10B, self.pe.OPTIONAL_HEADER.Magic)  # PE32
        self.assertEqual(0x14C, self.pe.FILE_HEADER.Machine)  # i386
        self.assertEqual(2, self.pe.OPTIONAL_HEADER.Subsystem)  # Windows GUI
        self.assertEqual(6, self.pe.OPTIONAL_HEADER.MajorOperatingSystemVersion)
        imports = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(imports, KNOWN_DLLS)
        # Exactly these: shell32 is loaded from the system folder on the first click, oleacc
        # and oleaut32 when a screen reader first asks for the window's contents.
        self.assertEqual({"gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "user32.dll"},
                         imports)

    def test_is_hardened(self):
        header = self.pe.OPTIONAL_HEADER
        flags = header.DllCharacteristics
        for name, bit in [("DYNAMIC_BASE", 0x0040), ("NX_COMPAT", 0x0100), ("NO_SEH", 0x0400),
                          ("TERMINAL_SERVER_AWARE", 0x8000)]:
            self.assertTrue(flags & bit, name)
        # Relocatable for real: a base relocation table that is not empty.
        relocations = header.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertGreater(relocations.Size, 0)
        self.assertFalse(self.pe.FILE_HEADER.Characteristics & 0x0001, "relocations stripped")
        for section in self.pe.sections:
            writable = section.Characteristics & 0x80000000
            executable = section.Characteristics & 0x20000000
            self.assertFalse(writable and executable, section.Name)
        # The stack protector's failure handler is linked only when code was instrumented.
        message = "stack buffer overrun detected".encode("utf-16-le")
        self.assertIn(message, bytes(self.pe.__data__))

    def test_holds_no_time_stamp_or_build_path(self):
        self.assertEqual(0, self.pe.FILE_HEADER.TimeDateStamp)
        data = bytes(self.pe.__data__)
        for path in {"/work/", "/tmp/", "/home/", "/root/", os.path.dirname(os.path.abspath(EXE))}:
            self.assertNotIn(path.encode(), data)

    def test_version_block(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual(
            (0x00060000, 0, 0x00060000, 0, 0x3F, 0, 0x4, 0x1, 0, 0, 0),
            (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS,
             fixed.ProductVersionLS, fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS,
             fixed.FileType, fixed.FileSubtype, fixed.FileDateMS, fixed.FileDateLS))
        tables = [table for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo"
                  for table in info.StringTable]
        self.assertEqual([b"040904E4"], [table.LangID.upper() for table in tables])
        entries = [(k.decode(), v.decode()) for k, v in tables[0].entries.items()]
        self.assertEqual(["CompanyName", "FileDescription", "FileVersion", "LegalCopyright",
                          "ProgramID", "ProductName", "ProductVersion"], [k for k, _ in entries])
        values = dict(entries)
        self.assertEqual("Quenvale, Inc.", values["CompanyName"])
        self.assertEqual("tarnwick", values["FileDescription"])
        self.assertEqual("6.0.0.0", values["FileVersion"])
        self.assertEqual("tarnwick", values["ProductName"])
        self.assertEqual("6.0", values["ProductVersion"])
        self.assertTrue(values["LegalCopyright"] and values["ProgramID"])
        translations = [var.entry for info in self.pe.FileInfo[0] if info.Key == b"VarFileInfo"
                        for var in info.Var]
        self.assertEqual([{b"Translation": "0x0409 0x04e4"}], translations)

    def test_manifest(self):
        manifests = resources(self.pe, RT_MANIFEST)
        self.assertEqual([1], list(manifests))
        self.assertEqual(1, len(manifests[1]))
        text = manifests[1][0].decode("utf-8")
        self.assertRegex(text, r'^<\?xml version="1.0" encoding="UTF-8" standalone="yes"\?>')
        self.assertIn('xmlns:asmv3="urn:schemas-microsoft-com:asm.v3"', text)
        for absent in ("dpiAware", "dpiAwareness", "Common-Controls", "dependency"):
            self.assertNotIn(absent.lower(), text.lower())

        v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        compat = "{urn:schemas-microsoft-com:compatibility.v1}"
        root = ET.fromstring(manifests[1][0])
        self.assertEqual(v1 + "assembly", root.tag)
        self.assertEqual("1.0", root.get("manifestVersion"))
        level = root.find(f"{v3}trustInfo/{v3}security/{v3}requestedPrivileges/"
                          f"{v3}requestedExecutionLevel")
        self.assertEqual({"level": "asInvoker", "uiAccess": "false"}, level.attrib)
        self.assertEqual(
            ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"],
            [os.get("Id") for os in root.findall(f"{compat}compatibility/{compat}application/"
                                                 f"{compat}supportedOS")])

    def test_application_icon_is_one_32x32_image_with_256_colours(self):
        groups = resources(self.pe, RT_GROUP_ICON)
        self.assertEqual(["MAINICON"], list(groups))
        group = groups["MAINICON"][0]
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((0, 1, 1), (reserved, kind, count))
        width, height, colours, _, planes, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
        self.assertEqual((32, 32, 0, 1, 8, 1), (width, height, colours, planes, bits, icon_id))
        image = resources(self.pe, RT_ICON)[1][0]
        size, w, h, planes, bits, compression, _, _, _, used = struct.unpack_from("<IiiHHIIiiI", image)
        self.assertEqual((40, 32, 64, 1, 8, 0), (size, w, h, planes, bits, compression))
        self.assertIn(used, (0, 256))  # 0 also means the full 256-entry palette
        palette, pixels, mask = 256 * 4, 32 * 32, 32 * 4
        self.assertEqual(40 + palette + pixels + mask, len(image))

    def test_logo_bitmap(self):
        logo = resources(self.pe, RT_BITMAP)["LOGO"][0]
        size, w, h, planes, bits, compression, _, xppm, yppm, used = struct.unpack_from("<IiiHHIIiiI", logo)
        # A positive height is a bottom-up bitmap.
        self.assertEqual((40, 150, 150, 1, 24, 0, 3780, 3780, 0),
                         (size, w, h, planes, bits, compression, xppm, yppm, used))
        self.assertEqual(40 + 150 * 452, len(logo))  # rows of 450 bytes padded to 452


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
