// Painting and mouse handling of the label and picture controls.
#include "Controls.h"

#include "Unique.h"

#include <windowsx.h>

namespace win {

namespace {

constexpr wchar_t kLabelClass[] = L"TLabel";
constexpr wchar_t kImageClass[] = L"TImage";

WNDCLASSEXW ControlClass(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.lpszClassName = name;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    return wc;
}

RECT ToRect(const Box& box) {
    return {box.left, box.top, box.left + box.width, box.top + box.height};
}

} // namespace

void TLabel::Create(HWND parent, const Box& box, const wchar_t* text, const Style& style) {
    RegisterClassOnce(ControlClass(kLabelClass));
    text_ = text;
    style_ = style;
    RECT bounds = ToRect(box);
    if (style_.autoSize) {
        // The box takes the size of the text as this font measures it, not the stored size.
        HDC dc = GetDC(parent);
        {
            SelectScope select(dc, style_.font);
            RECT measured{0, 0, box.width, 0};
            DrawTextW(dc, text_, -1, &measured, DrawFlags() | DT_CALCRECT);
            bounds.right = bounds.left + measured.right;
            bounds.bottom = bounds.top + measured.bottom;
        }
        ReleaseDC(parent, dc);
    }
    Window::Create(kLabelClass, text_, WS_CHILD | WS_VISIBLE, 0, bounds, parent);
}

UINT TLabel::DrawFlags() const {
    return DT_LEFT | DT_TOP | DT_EXPANDTABS | (style_.wordWrap ? DT_WORDBREAK : 0);
}

void TLabel::Paint(HDC dc) const {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, style_.background);
    SelectScope select(dc, style_.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, style_.ink.windowText ? GetSysColor(COLOR_WINDOWTEXT) : style_.ink.rgb);
    DrawTextW(dc, text_, -1, &client, DrawFlags());
}

LRESULT TLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    {
        PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        // Returning TRUE stops the parent's class cursor from replacing ours.
        if (Cursor && LOWORD(lParam) == HTCLIENT) {
            SetCursor(Cursor);
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (OnClick) {
            pressed_ = true;
            SetCapture(Handle());
        }
        return 0;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            ReleaseCapture();
            RECT client{};
            GetClientRect(Handle(), &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (PtInRect(&client, at) && OnClick) OnClick(*this);
        }
        return 0;
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

void TImage::Create(HWND parent, const Box& box, HBITMAP picture, HBRUSH background) {
    RegisterClassOnce(ControlClass(kImageClass));
    picture_ = picture;
    background_ = background;
    Window::Create(kImageClass, L"", WS_CHILD | WS_VISIBLE, 0, ToRect(box), parent);
}

void TImage::Paint(HDC dc) const {
    RECT client{};
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, background_);
    BITMAP info{};
    if (!picture_ || !GetObjectW(picture_, sizeof(info), &info)) return;
    UniqueDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectScope select(source.Get(), picture_);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
}

LRESULT TImage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    {
        PaintScope paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace win
