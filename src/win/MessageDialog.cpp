// The owner of a message dialog, and the hook that centres the box when it first comes up.
#include "MessageDialog.h"

#include "Placement.h"

namespace win {

namespace {

BOOL CALLBACK TakeFirstShownWindow(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The box places itself; a CBT hook moves it before it is first activated. Only the box: the
// owner is activated again under the same hook when the box goes, and must stay where it is.
struct Centring {
    bool done = false;
};
Centring* current = nullptr; // the box being shown on this, the only UI thread

bool IsDialogBox(HWND window) {
    wchar_t name[8] = {};
    return GetClassNameW(window, name, 8) && lstrcmpW(name, L"#32770") == 0;
}

LRESULT CALLBACK CentreDialogHook(int code, WPARAM wParam, LPARAM lParam) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && current && !current->done && IsDialogBox(window)) {
        current->done = true;
        CentreOnMonitor(window, CentreIn::Monitor);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

HWND DialogOwner() {
    const HWND active = GetActiveWindow();
    if (active && IsWindowVisible(active) && IsWindowEnabled(active)) return active;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeFirstShownWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

int ShowMessageDialog(const wchar_t* text, const wchar_t* caption, UINT type) {
    const HWND owner = DialogOwner();
    Centring centring;
    Centring* const outer = current;
    current = &centring;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, CentreDialogHook, nullptr, GetCurrentThreadId());
    // An owned box disables its owner and enables it again before the box goes, so activation
    // returns to the owner and not to another program. A box without an owner can only be
    // task-modal: it disables every window of the thread.
    const int result =
        MessageBoxW(owner, text, caption, type | (owner ? MB_APPLMODAL : MB_TASKMODAL));
    if (hook) UnhookWindowsHookEx(hook);
    current = outer;
    return result;
}

} // namespace win
