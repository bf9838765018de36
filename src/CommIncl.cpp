// The program launcher and its failure dialog.
#include "CommIncl.h"

#include "core/Texts.h"
#include "win/DllSearch.h"
#include "win/Placement.h"

#include <shellapi.h>

namespace {

// The message box places itself on its own; a CBT hook moves it to the centre of the screen
// just before it is first activated.
LRESULT CALLBACK CentreDialogHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        win::CentreOnMonitor(reinterpret_cast<HWND>(wParam), win::CentreIn::Monitor);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

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

void ShowErrorDialog(const std::wstring& text) {
    HHOOK hook = SetWindowsHookExW(WH_CBT, CentreDialogHook, nullptr, GetCurrentThreadId());
    // No owner and MB_TASKMODAL: every window of the thread is disabled while the box is open.
    MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    if (hook) UnhookWindowsHookEx(hook);
}

} // namespace

bool LaunchProgram(HWND owner, const std::wstring& fileName, const std::wstring& parameters,
                   const std::wstring& directory, WORD showCommand) noexcept {
    // c_str() of an empty string is "", never null, which is what the shell must be given.
    const ShellExecuteProc shellExecute = LoadShellExecute();
    const auto result = shellExecute ? reinterpret_cast<INT_PTR>(shellExecute(
        owner, nullptr, fileName.c_str(), parameters.c_str(), directory.c_str(), showCommand)) : 0;
    if (result > 32) return true;
    try {
        ShowErrorDialog(core::LaunchFailureMessage(fileName, directory));
    } catch (...) {
        // Only the sentence can fail, for want of memory; the launch has failed all the same.
    }
    return false;
}
