// The two kinds of control the notice is made of: a text label and a picture. They are not
// windows of their own: the form they sit on paints them, passes them the mouse, and
// describes them to assistive technology (Form.h, Accessible.h).
#pragma once

#include "../core/Colours.h"

#include <windows.h>

#include <functional>

namespace win {

struct Box {
    int left, top, width, height;
};

// What a control is painted with: the form's current palette and its background brush.
struct Look {
    const core::Palette& palette;
    HBRUSH background;
};

// What assistive technology is told about a control.
struct Description {
    enum Role { Text, Graphic, Link } role;
    const wchar_t* name;
    const wchar_t* value; // a link's address; null for none
};

class TControl {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl() = default;

    // The control's box in its form's client area.
    const RECT& BoundsRect() const { return bounds_; }
    virtual void Paint(HDC dc, const Look& look) const = 0;
    virtual Description Describe() const = 0;

    std::function<void(TControl& sender)> OnClick;
    HCURSOR Cursor = nullptr; // null: the form's arrow
    // The control's name in its form, by which tools that drive the program find it.
    const wchar_t* Name = L"";

protected:
    RECT bounds_{};
};

class TLabel : public TControl {
public:
    struct Style {
        HFONT font;
        core::Ink ink;
        bool autoSize;
        bool wordWrap;
    };

    // An auto-size label takes the size its text measures on `measure`, a DC of its form.
    void Create(HDC measure, const Box& box, const wchar_t* text, const Style& style);
    void Paint(HDC dc, const Look& look) const override;
    Description Describe() const override;

    // Set on a label that acts as a link: the address it opens.
    const wchar_t* LinkAddress = nullptr;

private:
    UINT DrawFlags() const;

    const wchar_t* text_ = L"";
    Style style_{};
};

class TImage : public TControl {
public:
    // The picture is drawn at its own size at the top-left corner; the rest of the box is
    // background.
    void Create(const Box& box, HBITMAP picture);
    void Paint(HDC dc, const Look& look) const override;
    Description Describe() const override {
        return {Description::Graphic, AlternativeText, nullptr};
    }

    // What the picture shows, in a few words, for those who cannot see it.
    const wchar_t* AlternativeText = L"";

private:
    HBITMAP picture_ = nullptr;
};

} // namespace win
