// Loaded into the program under test by a WH_GETMESSAGE hook: makes its library search what it
// is on Windows without SetDefaultDllDirectories (Vista, and Windows 7 without KB2533623),
// where a library loaded by name alone is looked for in the program's own folder first. The
// window the program's next message is for gets the property "tarnwick-test-old-search".
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    OldDllSearchHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && msg->hwnd && !GetPropW(msg->hwnd, L"tarnwick-test-old-search")) {
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS); // the program's folder first
        SetPropW(msg->hwnd, L"tarnwick-test-old-search", reinterpret_cast<HANDLE>(1));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
