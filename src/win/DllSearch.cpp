// Keeps the program from loading libraries from its own folder or the current directory.
#include "DllSearch.h"

#include <windows.h>

namespace win {

void LoadLibrariesFromSystemOnly() {
    SetDllDirectoryW(L""); // takes the current directory out of the search
    // SetDefaultDllDirectories is missing on Vista, and on Windows 7 without KB2533623.
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void (*)()>(
            kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace win
