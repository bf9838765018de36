// The notice window's layout data and its one event handler. The look is declared here as
// fixed data, in pixels at 96 dpi, and used unchanged at any screen resolution.
#include "Tolvan04Main.h"

#include "Application.h"
#include "CommIncl.h"
#include "win/Placement.h"
#include "win/Trace.h"

#include <stdexcept>

TForm1* Form1 = nullptr;

namespace {

// The maker's website: the link's text and the address it opens. Change both together.
constexpr wchar_t kWebsiteHost[] = L"www.tolvan.example";
constexpr wchar_t kWebsiteAddress[] = L"http://www.tolvan.example";

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kCaption[] = L"Introducing Tolvan";
constexpr int kClientWidth = 966;
constexpr int kClientHeight = 441;
constexpr COLORREF kBackground = 0x00FFFBF0;
constexpr COLORREF kBlue = 0x00FF0000;

struct FontLayout {
    const wchar_t* face;
    int height;
    int weight;
    bool underline;
};

enum FontId { kWindowFont, kHeadingFont, kLinkFont, kFontCount };

constexpr FontLayout kFonts[kFontCount] = {
    {L"Tahoma", -16, FW_NORMAL, false}, // the window's font, for labels that set none
    {L"Tahoma", -21, FW_BOLD, false},
    {L"Tahoma", -16, FW_NORMAL, true},
};

struct LabelLayout {
    win::Box box;
    FontId font;
    core::Ink ink;
    bool autoSize;
    bool wordWrap;
    const wchar_t* text;
};

constexpr core::Ink kWindowTextInk{core::Ink::WindowText, 0};
constexpr core::Ink kBlueInk{core::Ink::Fixed, kBlue};
constexpr core::Ink kLinkInk{core::Ink::Link, kBlue};

constexpr LabelLayout kLabel1{{21, 59, 754, 113}, kWindowFont, kWindowTextInk, false, false,
                              L"The Caldresse has been discontinued.\r\r"
                              L"A new product, called \"Tolvan Dunmerrow\" has been written to "
                              L"take its place.\r\r"
                              L"You can move to this new product and migrate your Caldresse data "
                              L"to it without any data loss."};
constexpr LabelLayout kLabel2{{21, 17, 218, 25}, kHeadingFont, kWindowTextInk, true, false,
                              L"IMPORTANT NOTICE"};
constexpr LabelLayout kLabel3{{21, 189, 274, 19}, kWindowFont, kBlueInk, true, false,
                              L"Tolvan is a subscription-based software. "};
constexpr win::Box kImage1{794, 17, 157, 164};
constexpr wchar_t kLogoText[] = L"Tolvan logo"; // for screen readers
constexpr LabelLayout kLabel4{{21, 256, 772, 19}, kWindowFont, kWindowTextInk, true, false,
                              L"Please visit the Tolvan website to see more information on what "
                              L"has changed, and to review subscription costs."};
constexpr LabelLayout kLblWebsite{{113, 286, 163, 19}, kLinkFont, kLinkInk, true, false,
                                  kWebsiteHost};
constexpr LabelLayout kLabel5{{21, 354, 887, 57}, kWindowFont, kWindowTextInk, false, true,
                              L"If you want help migrating to the new Tolvan software, please go "
                              L"to the Tolvan website and click on the Download and Installation "
                              L"menu item. The first paragraph covers support for the installation "
                              L"of Tolvan."};

win::UniqueFont CreateLayoutFont(const FontLayout& layout) {
    LOGFONTW font{};
    font.lfHeight = layout.height;
    font.lfWeight = layout.weight;
    font.lfUnderline = layout.underline;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, layout.face, LF_FACESIZE);
    return win::UniqueFont(CreateFontIndirectW(&font));
}

} // namespace

TForm1::TForm1(TApplication& application)
    : applicationWindow_(application.Handle()),
      logo_(static_cast<HBITMAP>(LoadImageW(application.Instance(), L"LOGO", IMAGE_BITMAP, 0, 0,
                                            LR_CREATEDIBSECTION))) {
    for (int id = 0; id < kFontCount; ++id) fonts_[id] = CreateLayoutFont(kFonts[id]);

    WNDCLASSEXW wc{};
    wc.lpszClassName = kFormClass;
    wc.hIcon = application.Icon();
    wc.hIconSm = application.SmallIcon();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassOnce(wc);
    SetColour(kBackground);
    Name = L"Form1";

    constexpr DWORD style = WS_OVERLAPPEDWINDOW;
    // The taskbar button is this window's own: no owner, and WS_EX_APPWINDOW.
    constexpr DWORD exStyle = WS_EX_APPWINDOW;
    RECT bounds{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    win::trace::Mark("registered");
    Create(kFormClass, kCaption, style, exStyle, bounds, nullptr);
    if (!Handle()) throw std::runtime_error("The notice window could not be created");
    win::trace::Mark("created");

    // Created, and stacked, in declaration order; auto-size labels measure their texts on
    // the window's own DC.
    const win::ClientDc measure(Handle());
    // Each control is named as its member is: tools that drive the program find it by that.
    const auto addLabel = [&](win::TLabel& label, const wchar_t* name, const LabelLayout& layout) {
        label.Create(measure.Get(), layout.box, layout.text,
                     {fonts_[layout.font].Get(), layout.ink, layout.autoSize, layout.wordWrap});
        label.Name = name;
        AddControl(label);
    };
    addLabel(Label1, L"Label1", kLabel1);
    addLabel(Label2, L"Label2", kLabel2);
    addLabel(Label3, L"Label3", kLabel3);
    Image1.Create(kImage1, logo_.Get());
    Image1.Name = L"Image1";
    AddControl(Image1);
    addLabel(Label4, L"Label4", kLabel4);
    addLabel(LblWebsite, L"LblWebsite", kLblWebsite);
    addLabel(Label5, L"Label5", kLabel5);

    Image1.AlternativeText = kLogoText;
    LblWebsite.LinkAddress = kWebsiteAddress;
    LblWebsite.Cursor = LoadCursorW(nullptr, IDC_HAND);
    LblWebsite.OnClick = [this](win::TControl& sender) { LblWebsiteClick(sender); };

    win::trace::Mark("measured");
    win::CentreOnMonitor(Handle(), win::CentreIn::WorkArea);
}

// The window goes before the fonts, brush and logo that it paints with.
TForm1::~TForm1() { DestroyHandle(); }

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // This is the main window: closing it ends the application, with exit code 0.
    if (message == WM_DESTROY) PostQuitMessage(0);
    return Form::HandleMessage(message, wParam, lParam);
}

void TForm1::LblWebsiteClick(win::TControl& /*Sender*/) {
    // The shell gets the hidden application window as owner, not this one.
    LaunchProgram(applicationWindow_, kWebsiteAddress, L"", L"", SW_SHOW);
}
