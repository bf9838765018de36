// The notice's layout as the tests expect it, written down independently of the program:
// the texts, boxes, fonts and colours of its controls, and how a label must look.
#pragma once

#include "Harness.h"

namespace e2e {

extern const wchar_t kLabel1Text[];
extern const wchar_t kLabel3Text[];
extern const wchar_t kLabel4Text[];
extern const wchar_t kLabel5Text[];
extern const wchar_t kFailureText[];

struct LabelCase {
    const wchar_t* text;
    int left, top, width, height; // stored size; auto-size labels take their text's size
    bool autoSize;
    bool wordWrap;
    int fontHeight;
    int weight;
    bool underline;
    bool blue; // otherwise the window text colour
};

// Label1, Label2, Label3, Label4, LblWebsite, Label5.
extern const LabelCase kLabels[6];
inline const LabelCase& kTitle = kLabels[1];
inline const LabelCase& kLink = kLabels[4];

constexpr RECT kImage1{794, 17, 794 + 157, 17 + 164};
constexpr int kLogoSize = 150;

// The label's box in the client area: the stored box, or for auto-size labels the size the
// text measures in its font.
RECT ExpectedBox(const LabelCase& label);

// What the label must show in its box: the background, and the text drawn as stated.
Capture ReferenceLabel(const LabelCase& label);

// The screen point at the centre of a box given in a window's client coordinates.
POINT CentreOnScreen(HWND window, const RECT& clientBox);

} // namespace e2e
