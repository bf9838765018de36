// Loaded into the program under test by a WH_GETMESSAGE hook, so that a test can change the
// system colours inside it: Wine keeps them per process, and a change made elsewhere never
// reaches a running program. The test posts the registered message with a COLOR_ index and
// the new colour.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    SetSysColorHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT message = RegisterWindowMessageW(L"tarnwick-test-SetSysColors");
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == message) {
        const int element = static_cast<int>(msg->wParam);
        const COLORREF colour = static_cast<COLORREF>(msg->lParam);
        SetSysColors(1, &element, &colour);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
