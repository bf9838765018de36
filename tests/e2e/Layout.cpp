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

Scheme LayoutScheme() { return {kBackground, GetSysColor(COLOR_WINDOWTEXT), kBlue, kBlue}; }

Capture ReferenceLabel(const LabelCase& label, const Scheme& scheme) {
    const RECT box = ExpectedBox(label);
    const RECT area{0, 0, box.right - box.left, box.bottom - box.top};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HBRUSH background = CreateSolidBrush(scheme.background);
    FillRect(memory, &area, background);
    HFONT font = LabelFont(label);
    HGDIOBJ oldFont = SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, &label == &kLink ? scheme.link : label.blue ? scheme.blue : scheme.text);
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

int LogoDifferences(const Capture& client, COLORREF background) {
    HBITMAP logo =
        static_cast<HBITMAP>(LoadImageW(nullptr, BesideTests(L"logo.bmp").c_str(), IMAGE_BITMAP, 0,
                                        0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!logo) return -1;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, logo);
    int differences = 0;
    for (int y = 0; y < kImage1.bottom - kImage1.top; ++y)
        for (int x = 0; x < kImage1.right - kImage1.left; ++x) {
            const bool inLogo = x < kLogoSize && y < kLogoSize;
            differences += client.At(kImage1.left + x, kImage1.top + y) !=
                           (inLogo ? GetPixel(dc, x, y) : background);
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(logo);
    return differences;
}

int StrayPixels(const Capture& client, COLORREF background) {
    std::vector<RECT> boxes{kImage1};
    for (const LabelCase& label : kLabels) boxes.push_back(ExpectedBox(label));
    int stray = 0;
    for (int y = 0; y < client.height; ++y)
        for (int x = 0; x < client.width; ++x) {
            const POINT p{x, y};
            bool inBox = false;
            for (const RECT& r : boxes) inBox = inBox || PtInRect(&r, p);
            stray += !inBox && client.At(x, y) != background;
        }
    return stray;
}

POINT CentreOnScreen(HWND window, const RECT& clientBox) {
    POINT centre{(clientBox.left + clientBox.right) / 2, (clientBox.top + clientBox.bottom) / 2};
    ClientToScreen(window, &centre);
    return centre;
}

} // namespace e2e
