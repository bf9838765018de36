// Puts the mouse pointer over the places whose cursor test_cursor.py reads from the X server:
// reference windows of its own with the system hand and arrow cursors, then the notice's
// link, its background and a plain label. After each move it prints the place's name and
// waits for a line on standard input.
#include "Harness.h"
#include "Layout.h"

#include <cstdio>
#include <iostream>
#include <string>

using namespace e2e;

namespace {

HWND ReferenceWindow(const wchar_t* className, LPCWSTR cursor, int x) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(WS_EX_TOPMOST, className, L"", WS_POPUP | WS_VISIBLE, x, 0, 100, 100,
                             nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(w);
    return w;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

void Report(const char* place, POINT at) {
    // Leave the spot and come back, so that the window under the pointer sets its cursor.
    SetCursorPos(at.x + 30, at.y + 30);
    PumpFor(100);
    SetCursorPos(at.x, at.y);
    PumpFor(400);
    std::printf("%s\n", place);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}

} // namespace

int main() {
    HWND hand = ReferenceWindow(L"HandReference", IDC_HAND, 1000);
    HWND arrow = ReferenceWindow(L"ArrowReference", IDC_ARROW, 1150);
    Report("hand", CentreOnScreen(hand));
    Report("arrow", CentreOnScreen(arrow));
    DestroyWindow(hand);
    DestroyWindow(arrow);
    PumpFor(200);

    Notice notice;
    const HWND w = notice.Window();
    SetForegroundWindow(w);
    const RECT client = ClientRectOnScreen(w);
    Report("link", CentreOnScreen(w, ExpectedBox(kLink)));
    Report("background", {client.left + 500, client.top + 320});
    Report("label", CentreOnScreen(w, ExpectedBox(kTitle)));
    return notice.Close() == 0 ? 0 : 1;
}
