// Where the process may load libraries from.
#pragma once

#include <windows.h>

namespace win {

// From now on, libraries (and what they load in turn) come from the system folder only,
// never from the program's own folder, which is often a downloads folder, nor from the
// current directory.
void LoadLibrariesFromSystemOnly();

// Loads a library of Windows on demand, by its full path in the system folder; null if it
// cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A library's entry point as the type it has; null if the library or the entry is missing.
template <typename Proc> Proc FindEntry(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
               : nullptr;
}

} // namespace win
