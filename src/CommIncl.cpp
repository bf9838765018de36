// The program launcher and its failure dialog.
#include "CommIncl.h"

#include "core/Texts.h"
#include "win/DllSearch.h"
#include "win/MessageDialog.h"

#include <shellapi.h>

namespace {

// The shell and the libraries it pulls in are loaded on the first launch, not with the
// program: the notice is up sooner and uses less memory, and most users never click.
using ShellExecuteProc = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// Kept once found; a load that failed is tried again on the next launch, so that one failure
// changes nothing for the next.
ShellExecuteProc LoadShellExecute() {
    static ShellExecuteProc entry = nullptr;
    if (!entry) {
        entry = win::FindEntry<ShellExecuteProc>(win::LoadSystemLibrary(L"shell32.dll"),
                                                 "ShellExecuteW");
    }
    return entry;
}

} // namespace

bool LaunchProgram(HWND owner, const std::wstring& fileName, const std::wstring& parameters,
                   const std::wstring& directory, WORD showCommand) noexcept {
    // c_str() of an empty string is "", never null, which is what the shell must be given.
    const ShellExecuteProc shellExecute = LoadShellExecute();
    const auto result = shellExecute ? reinterpret_cast<INT_PTR>(shellExecute(
                                           owner, nullptr, fileName.c_str(), parameters.c_str(),
                                           directory.c_str(), showCommand))
                                     : 0;
    if (result > 32) return true;
    try {
        // Owned by the window the user worked in, not by `owner`, which is only the shell's.
        win::ShowMessageDialog(core::LaunchFailureMessage(fileName, directory).c_str(), L"Error",
                               MB_OK | MB_ICONERROR);
    } catch (...) {
        // Only the sentence can fail, for want of memory; the launch has failed all the same.
    }
    return false;
}
