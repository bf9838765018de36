// The two kinds of control the notice is made of: a text label and a picture. Both are real
// child windows (so their texts are readable from outside) that never take the focus.
#pragma once

#include "Window.h"

#include <functional>

namespace win {

struct Box {
    int left, top, width, height;
};

// A colour as the layout states it: a fixed 0x00BBGGRR value or the system's window text.
struct Ink {
    bool windowText;
    COLORREF rgb;
};
inline constexpr Ink kWindowTextInk{true, 0};

class TLabel : public Window {
public:
    struct Style {
        HFONT font;
        Ink ink;
        HBRUSH background;
        bool autoSize;
        bool wordWrap;
    };

    void Create(HWND parent, const Box& box, const wchar_t* text, const Style& style);

    std::function<void(TLabel& sender)> OnClick;
    HCURSOR Cursor = nullptr; // null: the class's arrow

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    UINT DrawFlags() const;
    void Paint(HDC dc) const;

    const wchar_t* text_ = L"";
    Style style_{};
    bool pressed_ = false;
};

class TImage : public Window {
public:
    // The picture is drawn at its own size at the top-left corner; the rest of the box is
    // background.
    void Create(HWND parent, const Box& box, HBITMAP picture, HBRUSH background);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc) const;

    HBITMAP picture_ = nullptr;
    HBRUSH background_ = nullptr;
};

} // namespace win
