// Measuring and painting of the label and picture controls.
#include "Controls.h"

#include "Unique.h"

#include <algorithm>

namespace win {

namespace {

RECT ToRect(const Box& box) {
    return {box.left, box.top, box.left + box.width, box.top + box.height};
}

} // namespace

void TLabel::Create(HDC measure, const Box& box, const wchar_t* text, const Style& style) {
    text_ = text;
    style_ = style;
    bounds_ = ToRect(box);
    if (style_.autoSize && measure) {
        // The box takes the size of the text as this font measures it, not the stored size.
        SelectScope select(measure, style_.font);
        RECT measured{0, 0, box.width, 0};
        DrawTextW(measure, text_, -1, &measured, DrawFlags() | DT_CALCRECT);
        bounds_.right = bounds_.left + measured.right;
        bounds_.bottom = bounds_.top + measured.bottom;
    }
}

// Without DT_NOCLIP, text beyond the box is clipped.
UINT TLabel::DrawFlags() const {
    return DT_LEFT | DT_TOP | DT_EXPANDTABS | (style_.wordWrap ? DT_WORDBREAK : 0);
}

void TLabel::Paint(HDC dc, const Look& look) const {
    RECT box = bounds_;
    FillRect(dc, &box, look.background);
    SelectScope select(dc, style_.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.palette.Text(style_.ink));
    DrawTextW(dc, text_, -1, &box, DrawFlags());
}

Description TLabel::Describe() const {
    return {LinkAddress ? Description::Link : Description::Text, text_, LinkAddress};
}

void TImage::Create(const Box& box, HBITMAP picture) {
    bounds_ = ToRect(box);
    picture_ = picture;
}

void TImage::Paint(HDC dc, const Look& look) const {
    FillRect(dc, &bounds_, look.background);
    BITMAP info{};
    if (!picture_ || !GetObjectW(picture_, sizeof(info), &info)) return;
    UniqueDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectScope select(source.Get(), picture_);
    // The box clips the picture as it would a window.
    BitBlt(dc, bounds_.left, bounds_.top, std::min<int>(info.bmWidth, bounds_.right - bounds_.left),
           std::min<int>(info.bmHeight, bounds_.bottom - bounds_.top), source.Get(), 0, 0, SRCCOPY);
}

} // namespace win
