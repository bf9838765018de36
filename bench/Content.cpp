// The floor with what the notice must show and do besides, written as plainly as the floor:
// the application icon, the three Tahoma fonts and all six texts, a COM apartment for the
// thread, a hidden tool window beside the main one, and the window centred before it is
// shown. Measured against the floor, it tells what the notice's content costs, apart from
// how tarnwick.exe is built.
#include <windows.h>

#include <objbase.h>

namespace {

HBITMAP logo;
HFONT fonts[3];

struct Text {
    RECT box;
    int font;
    COLORREF ink;
    UINT flags;
    const wchar_t* text;
};

const Text kTexts[] = {
    {{21, 59, 775, 172},
     0,
     0,
     0,
     L"The Caldresse has been discontinued.\r\rA new product, called \"Tolvan Dunmerrow\" has "
     L"been written to take its place.\r\rYou can move to this new product and migrate your "
     L"Caldresse data to it without any data loss."},
    {{21, 17, 239, 42}, 1, 0, 0, L"IMPORTANT NOTICE"},
    {{21, 189, 295, 208}, 0, 0x00FF0000, 0, L"Tolvan is a subscription-based software. "},
    {{21, 256, 793, 275},
     0,
     0,
     0,
     L"Please visit the Tolvan website to see more information on what has changed, and to "
     L"review subscription costs."},
    {{113, 286, 276, 305}, 2, 0x00FF0000, 0, L"www.tolvan.example"},
    {{21, 354, 908, 411},
     0,
     0,
     DT_WORDBREAK,
     L"If you want help migrating to the new Tolvan software, please go to the Tolvan website "
     L"and click on the Download and Installation menu item. The first paragraph covers "
     L"support for the installation of Tolvan."},
};

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
        SetBkMode(dc, TRANSPARENT);
        for (const Text& t : kTexts) {
            RECT box = t.box;
            SelectObject(dc, fonts[t.font]);
            SetTextColor(dc, t.ink);
            DrawTextW(dc, t.text, -1, &box, DT_LEFT | DT_TOP | t.flags);
        }
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
    const HRESULT com = CoInitialize(nullptr);
    fonts[0] =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    fonts[1] = CreateFontW(-21, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    fonts[2] =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 1, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    logo = static_cast<HBITMAP>(LoadImageW(instance, L"LOGO", IMAGE_BITMAP, 0, 0, 0));
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(0x00FFFBF0);
    wc.lpszClassName = L"Content";
    RegisterClassW(&wc);
    HWND hidden = CreateWindowExW(WS_EX_TOOLWINDOW, L"Content", L"", WS_POPUP | WS_CAPTION, 0, 0, 0,
                                  0, nullptr, nullptr, instance, nullptr);
    RECT r{0, 0, 966, 441};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HWND hwnd = CreateWindowW(L"Content", L"Introducing Tolvan", WS_OVERLAPPEDWINDOW, 0, 0, width,
                              height, nullptr, nullptr, instance, nullptr);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(hidden);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
