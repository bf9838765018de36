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

// The colours the notice paints with: its layout's, or the system's where the user needs them.
struct Scheme {
    COLORREF background;
    COLORREF text; // labels in the window text colour
    COLORREF blue; // the blue label
    COLORREF link;
};
Scheme LayoutScheme(); // the layout's background and blue, the system's window text

// What the label must show in its box: the background, and the text drawn as stated.
Capture ReferenceLabel(const LabelCase& label, const Scheme& scheme = LayoutScheme());

// Pixels of a capture of the client area that differ from the logo at its place, and from
// the background in the margin of the logo's box and outside every control.
int LogoDifferences(const Capture& client, COLORREF background);
int StrayPixels(const Capture& client, COLORREF background);

// The screen point at the centre of a box given in a window's client coordinates.
POINT CentreOnScreen(HWND window, const RECT& clientBox);

} // namespace e2e
