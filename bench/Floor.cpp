// The floor: the least Win32 program that shows what the notice shows in kind. One window of
// the same client size and caption, the same 150 x 150 logo blitted at the same place, one
// line of text with DrawTextW, and a message loop.
#include <windows.h>

namespace {

HBITMAP logo;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, logo);
        BitBlt(dc, 794, 17, 150, 150, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        RECT line{21, 17, 400, 42};
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, L"IMPORTANT NOTICE", -1, &line, DT_LEFT | DT_TOP);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    logo = static_cast<HBITMAP>(LoadImageW(instance, L"LOGO", IMAGE_BITMAP, 0, 0, 0));
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(0x00FFFBF0);
    wc.lpszClassName = L"Floor";
    RegisterClassW(&wc);
    RECT r{0, 0, 966, 441};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowW(L"Floor", L"Introducing Tolvan", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              0, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance,
                              nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
