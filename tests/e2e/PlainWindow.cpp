// A plain window that screen readers' load on the notice is compared with: the notice's caption
// and client size, nothing drawn, and the system's standard object handed to every reader that
// asks, through the same marshalling as the notice's own object.
#include <windows.h>

#include <oleacc.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETOBJECT:
        if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
            IAccessible* standard = nullptr;
            if (SUCCEEDED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                    reinterpret_cast<void**>(&standard)))) {
                const LRESULT answer = LresultFromObject(__uuidof(IAccessible), wParam, standard);
                standard->Release();
                if (answer > 0) return answer;
            }
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    CoInitialize(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"PlainWindow";
    RegisterClassW(&windowClass);
    RECT frame{0, 0, 966, 441};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const HWND window = CreateWindowW(
        L"PlainWindow", L"Introducing Tolvan", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    CoUninitialize();
    return 0;
}
