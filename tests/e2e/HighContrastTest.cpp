// The notice with a high-contrast colour scheme: where the system's window text would not
// stand out on the layout's light background, every label is painted in the system's colours.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using namespace e2e;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0);
constexpr Scheme kWhiteOnBlack{kBlack, kWhite, kWhite, kYellow};

using Colours = std::initializer_list<std::pair<int, COLORREF>>;
constexpr int kElements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT};

// The system colours of the test process, which programs it starts later take over, for the
// lifetime of the scope.
class SystemColoursScope {
public:
    explicit SystemColoursScope(Colours colours) {
        for (int element : kElements) saved_.push_back({element, GetSysColor(element)});
        Set(colours);
    }
    ~SystemColoursScope() {
        for (const auto& [element, colour] : saved_) SetSysColors(1, &element, &colour);
    }
    SystemColoursScope(const SystemColoursScope&) = delete;
    SystemColoursScope& operator=(const SystemColoursScope&) = delete;

    static void Set(Colours colours) {
        for (const auto& [element, colour] : colours) SetSysColors(1, &element, &colour);
    }

private:
    std::vector<std::pair<int, COLORREF>> saved_;
};

// Changes the system colours inside the running program (SysColorHook.cpp).
class ColoursInside {
public:
    explicit ColoursInside(HWND window) : window_(window) {
        const HMODULE dll = LoadLibraryW(BesideTests(L"sys_color_hook.dll").c_str());
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(GetProcAddress(dll, "SetSysColorHook")));
        hook_ = proc ? SetWindowsHookExW(WH_GETMESSAGE, proc, dll,
                                         GetWindowThreadProcessId(window, nullptr))
                     : nullptr;
    }
    ~ColoursInside() {
        if (hook_) UnhookWindowsHookEx(hook_);
    }
    ColoursInside(const ColoursInside&) = delete;
    ColoursInside& operator=(const ColoursInside&) = delete;

    bool Hooked() const { return hook_ != nullptr; }
    void Set(Colours colours) const {
        static const UINT message = RegisterWindowMessageW(L"tarnwick-test-SetSysColors");
        for (const auto& [element, colour] : colours)
            PostMessageW(window_, message, static_cast<WPARAM>(element),
                         static_cast<LPARAM>(colour));
    }

private:
    HWND window_;
    HHOOK hook_ = nullptr;
};

// Every label shows its text in the scheme's colours, the logo is unchanged, and the rest is
// the scheme's background.
void ExpectPaintedIn(const Capture& shot, const Scheme& scheme) {
    for (const LabelCase& label : kLabels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(label.text)));
        EXPECT_EQ(0, shot.Region(ExpectedBox(label)).Differences(ReferenceLabel(label, scheme)));
    }
    EXPECT_EQ(0, LogoDifferences(shot, scheme.background));
    EXPECT_EQ(0, StrayPixels(shot, scheme.background));
}

} // namespace

TEST(HighContrast, WhiteTextOnBlackPaintsEveryLabelInTheSystemsColours) {
    const SystemColoursScope colours{
        {COLOR_WINDOW, kBlack}, {COLOR_WINDOWTEXT, kWhite}, {COLOR_HOTLIGHT, kYellow}};
    Notice notice;
    const Capture shot = CaptureClient(notice.Window());
    shot.SaveBmp(BesideTests(L"high-contrast.bmp"));
    ExpectPaintedIn(shot, kWhiteOnBlack);
    EXPECT_EQ(0u, notice.Close());
}

TEST(HighContrast, FollowsAChangeOfTheSystemColoursWhileOpen) {
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    ColoursInside inside(w);
    ASSERT_TRUE(inside.Hooked());

    inside.Set({{COLOR_WINDOW, kBlack}, {COLOR_WINDOWTEXT, kWhite}, {COLOR_HOTLIGHT, kYellow}});
    EXPECT_TRUE(WaitFor([&] { return CaptureClient(w).At(2, 2) == kBlack; }));
    ExpectPaintedIn(CaptureClient(w), kWhiteOnBlack);

    // Dark grey text still stands out on the light background: the layout's colours return.
    const COLORREF grey = RGB(0x55, 0x55, 0x55);
    inside.Set({{COLOR_WINDOW, kWhite}, {COLOR_WINDOWTEXT, grey}, {COLOR_HOTLIGHT, kYellow}});
    EXPECT_TRUE(WaitFor([&] { return CaptureClient(w).At(2, 2) == kBackground; }));
    ExpectPaintedIn(CaptureClient(w), {kBackground, grey, kBlue, kBlue});

    // And the defaults give back exactly what was shown before.
    inside.Set({{COLOR_WINDOW, GetSysColor(COLOR_WINDOW)},
                {COLOR_WINDOWTEXT, GetSysColor(COLOR_WINDOWTEXT)},
                {COLOR_HOTLIGHT, GetSysColor(COLOR_HOTLIGHT)}});
    EXPECT_TRUE(WaitFor([&] { return CaptureClient(w) == before; }));
    EXPECT_EQ(0u, notice.Close());
}
