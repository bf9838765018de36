// The expected layout, and reference drawings of the labels made in the test's own process.
#include "Layout.h"

namespace e2e {

const wchar_t kLabel1Text[] =
    L"The Caldresse has been discontinued.\r\r"
    L"A new product, called \"Tolvan Dunmerrow\" has been written to take its place.\r\r"
    L"You can move to this new product and migrate your Caldresse data to it without any data "
    L"loss.";
const wchar_t kLabel3Text[] = L"Tolvan is a subscription-based software. ";
const wchar_t kLabel4Text[] = L"Please visit the Tolvan website to see more information on "
                              L"what has changed, and to review subscription costs.";
const wchar_t kLabel5Text[] =
    L"If you want help migrating to the new Tolvan software, please go to the Tolvan website and "
    L"click on the Download and Installation menu item. The first paragraph covers support for "
    L"the installation of Tolvan.";
const wchar_t kFailureText[] = L"Program http://www.tolvan.example in directory  was not "
                               L"successfully launched. Please contact support.";

const LabelCase kLabels[6] = {
    {kLabel1Text, 21, 59, 754, 113, false, false, -16, FW_NORMAL, false, false},
    {L"IMPORTANT NOTICE", 21, 17, 218, 25, true, false, -21, FW_BOLD, false, false},
    {kLabel3Text, 21, 189, 274, 19, true, false, -16, FW_NORMAL, false, true},
    {kLabel4Text, 21, 256, 772, 19, true, false, -16, FW_NORMAL, false, false},
    {kHost, 113, 286, 163, 19, true, false, -16, FW_NORMAL, true, true},
    {kLabel5Text, 21, 354, 887, 57, false, true, -16, FW_NORMAL, false, false},
};

namespace {

HFONT LabelFont(const LabelCase& label) {
    return CreateFontW(label.fontHeight, 0, 0, 0, label.weight, FALSE, label.underline, FALSE,
                       DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
}

UINT DrawFlags(const LabelCase& label) {
    return DT_LEFT | DT_TOP | DT_EXPANDTABS | (label.wordWrap ? DT_WORDBREAK : 0);
}

} // namespace

RECT ExpectedBox(const LabelCase& label) {
    RECT box{label.left, label.top, label.left + label.width, label.top + label.height};
    if (!label.autoSize) return box;
    HFONT font = LabelFont(label);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT measured{0, 0, label.width, 0};
    DrawTextW(dc, label.text, -1, &measured, DT_CALCRECT | DrawFlags(label));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    box.right = box.left + measured.right;
    box.bottom = box.top + measured.bottom;
    return box;
}

Capture ReferenceLabel(const LabelCase& label) {
    const RECT box = ExpectedBox(label);
    const RECT area{0, 0, box.right - box.left, box.bottom - box.top};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HBRUSH background = CreateSolidBrush(kBackground);
    FillRect(memory, &area, background);
    HFONT font = LabelFont(label);
    HGDIOBJ oldFont = SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, label.blue ? kBlue : GetSysColor(COLOR_WINDOWTEXT));
    RECT text = area;
    DrawTextW(memory, label.text, -1, &text, DrawFlags(label));
    const Capture capture = CaptureDc(memory, area);
    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    DeleteObject(font);
    DeleteObject(background);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

POINT CentreOnScreen(HWND window, const RECT& clientBox) {
    POINT centre{(clientBox.left + clientBox.right) / 2, (clientBox.top + clientBox.bottom) / 2};
    ClientToScreen(window, &centre);
    return centre;
}

} // namespace e2e
