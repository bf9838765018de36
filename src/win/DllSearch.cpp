// Keeps the program from loading libraries from its own folder or the current directory.
#include "DllSearch.h"

#include <cwchar>

namespace win {

void LoadLibrariesFromSystemOnly() {
    SetDllDirectoryW(L""); // takes the current directory out of the search
    // SetDefaultDllDirectories is missing on Vista, and on Windows 7 without KB2533623.
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    const auto setDefault = FindEntry<SetDefaultDllDirectoriesProc>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // Where SetDefaultDllDirectories is missing, a load by name alone searches the program's
    // folder first, and only KnownDLLs are safe from a planted copy there. With a full path,
    // and the altered search order, what the library loads in turn also comes from its folder.
    wchar_t path[MAX_PATH];
    const std::size_t folder = GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t length = std::wcslen(name);
    if (folder == 0 || folder + 1 + length >= MAX_PATH) return nullptr;
    path[folder] = L'\\';
    std::wmemcpy(path + folder + 1, name, length + 1);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace win
