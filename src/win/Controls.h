// The two kinds of control the notice is made of: a text label and a picture. They are not
// windows of their own: the form they sit on paints them and passes them the mouse (Form.h).
#pragma once

#include <windows.h>

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

class TControl {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl() = default;

    // The control's box in its form's client area.
    const RECT& BoundsRect() const { return bounds_; }
    virtual void Paint(HDC dc) const = 0;

    std::function<void(TControl& sender)> OnClick;
    HCURSOR Cursor = nullptr; // null: the form's arrow

protected:
    RECT bounds_{};
};

class TLabel : public TControl {
public:
    struct Style {
        HFONT font;
        Ink ink;
        HBRUSH background;
        bool autoSize;
        bool wordWrap;
    };

    // An auto-size label takes the size its text measures on `measure`, a DC of its form.
    void Create(HDC measure, const Box& box, const wchar_t* text, const Style& style);
    void Paint(HDC dc) const override;

private:
    UINT DrawFlags() const;

    const wchar_t* text_ = L"";
    Style style_{};
};

class TImage : public TControl {
public:
    // The picture is drawn at its own size at the top-left corner; the rest of the box is
    // background.
    void Create(const Box& box, HBITMAP picture, HBRUSH background);
    void Paint(HDC dc) const override;

private:
    HBITMAP picture_ = nullptr;
    HBRUSH background_ = nullptr;
};

} // namespace win
