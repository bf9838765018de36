// Run by the test script, not with the other tests: on virtual screens of other sizes and on
// two monitors (TARNWICK_SCREEN names the case), and in prefixes set to other dpi (TARNWICK_DPI).
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace e2e;

namespace {

std::string Setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

TEST(Screen, PlacementOnSmallScreensAndOnTwoMonitors) {
    const std::string screen = Setting("TARNWICK_SCREEN");
    ASSERT_FALSE(screen.empty()) << "set TARNWICK_SCREEN to 800x600, 640x400 or dual";
    Notice notice;
    const HWND w = notice.Window();
    ASSERT_NE(nullptr, w);
    RECT outer{};
    GetWindowRect(w, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    const MONITORINFO monitor = MonitorOf(w);
    const RECT& work = monitor.rcWork;
    const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    std::printf("screen %s: %d monitor(s), work area (%ld,%ld)-(%ld,%ld), window at (%ld,%ld) "
                "size %dx%d\n",
                screen.c_str(), GetSystemMetrics(SM_CMONITORS), work.left, work.top, work.right,
                work.bottom, outer.left, outer.top, width, height);

    if (screen == "800x600") {
        ASSERT_EQ(800, GetSystemMetrics(SM_CXSCREEN));
        ASSERT_EQ(600, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(desktopLeft, outer.left) << "wider than the screen: clamped to its left edge";
        EXPECT_EQ(work.top + (work.bottom - work.top - height) / 2, outer.top) << "centred";
    } else if (screen == "640x400") {
        ASSERT_EQ(640, GetSystemMetrics(SM_CXSCREEN));
        ASSERT_EQ(400, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(desktopLeft, outer.left);
        EXPECT_EQ(desktopTop, outer.top) << "taller than the screen: clamped to its top edge";
    } else if (screen == "dual") {
        ASSERT_EQ(2, GetSystemMetrics(SM_CMONITORS));
        ASSERT_GT(GetSystemMetrics(SM_CXVIRTUALSCREEN),
                  monitor.rcMonitor.right - monitor.rcMonitor.left);
        // Centred on the work area of its own monitor, not on the desktop the two make.
        EXPECT_EQ(work.left + (work.right - work.left - width) / 2, outer.left);
        EXPECT_EQ(work.top + (work.bottom - work.top - height) / 2, outer.top);
        RECT inside{};
        IntersectRect(&inside, &outer, &monitor.rcMonitor);
        EXPECT_TRUE(EqualRect(&inside, &outer)) << "the window reaches onto the other monitor";
    } else {
        FAIL() << "unknown screen " << screen;
    }
    EXPECT_EQ(0u, notice.Close());
}

// The program scales nothing itself: at any dpi its client area shows, pixel for pixel, the
// layout as the tests draw it for themselves: every label in its font at its place, the logo
// at its own size, and background everywhere else.
TEST(HighDpi, TheLayoutIsTheSameAsAt96Dpi) {
    const int dpi = std::atoi(Setting("TARNWICK_DPI").c_str());
    ASSERT_GT(dpi, 96) << "set TARNWICK_DPI to the prefix's setting";
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(dpi, GetDeviceCaps(screen, LOGPIXELSY)) << "the prefix is not set to this dpi";
    ReleaseDC(nullptr, screen);

    Notice notice;
    RECT client{};
    GetClientRect(notice.Window(), &client);
    EXPECT_EQ(966, client.right);
    EXPECT_EQ(441, client.bottom);
    const Capture shot = CaptureClient(notice.Window());
    shot.SaveBmp(BesideTests(L"notice-" + std::to_wstring(dpi) + L"dpi.bmp"));
    for (const LabelCase& label : kLabels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(label.text)));
        EXPECT_EQ(0, shot.Region(ExpectedBox(label)).Differences(ReferenceLabel(label)));
    }
    EXPECT_EQ(0, LogoDifferences(shot, kBackground));
    EXPECT_EQ(0, StrayPixels(shot, kBackground));
    EXPECT_EQ(0u, notice.Close());
}
