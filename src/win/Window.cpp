// Message dispatch to Window objects. C++ exceptions must never unwind through user32's
// frames, so whatever a handler lets escape ends here and goes to the error report.
#include "Window.h"

#include "../Application.h"

namespace win {

Window::~Window() { DestroyHandle(); }

void Window::DestroyHandle() {
    if (handle_) DestroyWindow(handle_); // WM_NCDESTROY clears handle_
}

void Window::RegisterClassOnce(WNDCLASSEXW wc) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    if (!wc.hInstance) wc.hInstance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    if (!GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing)) RegisterClassExW(&wc);
}

void Window::Create(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                    const RECT& bounds, HWND parent) {
    CreateWindowExW(exStyle, className, text, style, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr,
                    GetModuleHandleW(nullptr), this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        TApplication::ShowException();
        return 0;
    }
}

} // namespace win
