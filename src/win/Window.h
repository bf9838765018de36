// The base of every window of the program: it keeps `this` with the handle and forwards
// messages to one virtual member, so that subclasses handle only what they need.
#pragma once

#include <windows.h>

namespace win {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return handle_; }

protected:
    // Registers the class on first use; the class's window procedure is always ours.
    static void RegisterClassOnce(WNDCLASSEXW wc);
    void Create(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                const RECT& bounds, HWND parent);

    void DestroyHandle();

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
};

} // namespace win
