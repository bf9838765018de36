// The real notice program under test: its window, its controls, what it shows on screen, its
// link, its error dialog, its show states and its exit code.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace e2e;

namespace {

std::string Describe(const RECT& r) {
    std::ostringstream out;
    out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return out.str();
}

const std::string kAddressUtf8 = "http://www.tolvan.example";

} // namespace

TEST(NoticeWindow, IsASizeableUnownedAppWindowOfTheGivenClientSizeCentredOnItsWorkArea) {
    Notice notice;
    const HWND w = notice.Window();
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(L"TForm1", ClassName(w));
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    for (LONG bit : {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX})
        EXPECT_EQ(bit, style & bit) << std::hex << bit;
    EXPECT_EQ(0, style & (WS_VSCROLL | WS_HSCROLL));
    EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(nullptr, GetWindow(w, GW_OWNER));
    EXPECT_EQ(nullptr, GetMenu(w));

    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(966, client.right);
    EXPECT_EQ(441, client.bottom);

    RECT outer{};
    GetWindowRect(w, &outer);
    const MONITORINFO monitor = MonitorOf(w);
    const RECT& work = monitor.rcWork;
    EXPECT_EQ(work.left + ((work.right - work.left) - (outer.right - outer.left)) / 2, outer.left);
    EXPECT_EQ(work.top + ((work.bottom - work.top) - (outer.bottom - outer.top)) / 2, outer.top);
    EXPECT_EQ(0u, notice.Close());
}

TEST(NoticeWindow, HiddenApplicationWindowNeverShowsAndHasNoCaption) {
    Notice notice;
    std::vector<HWND> others;
    for (HWND hwnd : notice.TopLevelWindows())
        if (hwnd != notice.Window() && ClassName(hwnd) == L"TApplication") others.push_back(hwnd);
    ASSERT_EQ(1u, others.size());
    const HWND app = others[0];
    EXPECT_FALSE(IsWindowVisible(app));
    EXPECT_TRUE(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongW(app, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(L"", WindowText(app));
    // The notice is the only window the process shows.
    for (HWND hwnd : notice.TopLevelWindows()) {
        if (hwnd == notice.Window()) continue;
        EXPECT_FALSE(IsWindowVisible(hwnd)) << testing::PrintToString(ClassName(hwnd));
    }
    EXPECT_EQ(0u, notice.Close());
}

TEST(NoticeWindow, LabelsShowExactlyTheirTextsInTheirFontsColoursAndBoxes) {
    Notice notice;
    const HWND w = notice.Window();
    // The controls are drawn by the window: there is no child window to take the focus.
    EXPECT_TRUE(Children(w).empty());
    const Capture shot = CaptureClient(w);
    for (const LabelCase& label : kLabels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(label.text)));
        const RECT box = ExpectedBox(label);
        EXPECT_EQ(0, shot.Region(box).Differences(ReferenceLabel(label)))
            << "pixels in " << Describe(box) << " that differ from the text drawn as laid out";
    }
    EXPECT_EQ(0u, notice.Close());
}

TEST(NoticeWindow, ScreenShowsBackgroundLogoLinkAndText) {
    Notice notice;
    const HWND w = notice.Window();
    const Capture shot = CaptureClient(w);
    shot.SaveBmp(BesideTests(L"notice.bmp"));
    ASSERT_EQ(966, shot.width);
    ASSERT_EQ(441, shot.height);

    EXPECT_EQ(0, StrayPixels(shot, kBackground))
        << "pixels outside every control that are not the background";
    // The logo at its own size at the box's corner; 7 columns right and 14 rows below are
    // background.
    EXPECT_EQ(0, LogoDifferences(shot, kBackground));

    // Every label shows text; blue labels in blue, the others in the window text colour.
    const COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
    for (const LabelCase& label : kLabels) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(label.text)));
        const RECT r = ExpectedBox(label);
        const bool blue = label.blue;
        int inked = 0, wrongInk = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = shot.At(x, y);
                if (c == (blue ? kBlue : windowText)) ++inked;
                if (c == (blue ? windowText : kBlue)) ++wrongInk;
            }
        EXPECT_GT(inked, 20);
        EXPECT_EQ(0, wrongInk);
    }

    // The link is underlined: one row across the whole text is solid blue.
    const RECT link = ExpectedBox(kLink);
    bool underlined = false;
    for (int y = link.top; y < link.bottom && !underlined; ++y) {
        int run = 0;
        for (int x = link.left; x < link.right; ++x) run += shot.At(x, y) == kBlue;
        underlined = run >= (link.right - link.left) - 2;
    }
    EXPECT_TRUE(underlined);
    EXPECT_EQ(0u, notice.Close());
}

// What the screen shows of a window's caption bar, left of the caption text.
Capture CaptionIcon(HWND window) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(300);
    RECT outer{};
    GetWindowRect(window, &outer);
    const RECT client = ClientRectOnScreen(window);
    const int height = client.top - outer.top;
    return CaptureScreen({outer.left, outer.top, outer.left + height + 4, client.top});
}

// A window of the notice's frame and caption at the same place, with the given class icon.
Capture ReferenceCaptionIcon(const RECT& at, HICON icon) {
    static int count = 0;
    const std::wstring className = L"ReferenceFrame" + std::to_wstring(++count);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = icon;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className.c_str();
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(WS_EX_APPWINDOW, className.c_str(), kCaption, WS_OVERLAPPEDWINDOW,
                             at.left, at.top, at.right - at.left, at.bottom - at.top, nullptr,
                             nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    const DWORD start = GetTickCount();
    for (MSG msg; GetTickCount() - start < 500; Sleep(10))
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    const Capture capture = CaptionIcon(w);
    DestroyWindow(w);
    return capture;
}

TEST(NoticeWindow, CaptionShowsTheApplicationIconFromTheExecutable) {
    RECT at{};
    Capture shown;
    {
        Notice notice;
        GetWindowRect(notice.Window(), &at);
        shown = CaptionIcon(notice.Window());
        shown.SaveBmp(BesideTests(L"caption.bmp"));
        EXPECT_EQ(0u, notice.Close());
    }
    HMODULE exe = LoadLibraryExW(BesideTests(L"tarnwick.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(nullptr, exe);
    HICON mainIcon = LoadIconW(exe, L"MAINICON");
    ASSERT_NE(nullptr, mainIcon);
    EXPECT_TRUE(ReferenceCaptionIcon(at, mainIcon) == shown);
    // The comparison sees the icon: the system's default icon gives another picture.
    EXPECT_FALSE(ReferenceCaptionIcon(at, LoadIconW(nullptr, IDI_APPLICATION)) == shown);
    FreeLibrary(exe);
}

TEST(Link, EachClickAsksTheShellToOpenTheAddressOnce) {
    BrowserLog log;
    Notice notice;
    const POINT link = CentreOnScreen(notice.Window(), ExpectedBox(kLink));
    Click(link);
    ASSERT_TRUE(WaitFor([&] { return log.Lines().size() == 1; }));
    Click(link);
    ASSERT_TRUE(WaitFor([&] { return log.Lines().size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{kAddressUtf8, kAddressUtf8}), log.Lines());
    // The window stays open and unchanged.
    EXPECT_TRUE(IsWindowVisible(notice.Window()));
    EXPECT_EQ(0u, notice.Close());
}

TEST(Link, APressDraggedOffTheLinkOrOutsideItOpensNothing) {
    BrowserLog log;
    Notice notice;
    const HWND w = notice.Window();
    const POINT link = CentreOnScreen(w, ExpectedBox(kLink));
    // Press on the link, release on the background beside it.
    MoveMouse(link);
    MouseButton(true);
    MoveMouse({link.x, link.y + 40});
    MouseButton(false);
    // A click on the other labels and on the logo.
    for (const LabelCase& label : kLabels)
        if (&label != &kLink) Click(CentreOnScreen(w, ExpectedBox(label)));
    Click(CentreOnScreen(w, kImage1));
    // Press elsewhere, release on the link.
    MoveMouse({link.x, link.y + 40});
    MouseButton(true);
    MoveMouse(link);
    MouseButton(false);
    Sleep(1500);
    EXPECT_TRUE(log.Lines().empty());
    // The link still works afterwards.
    Click(link);
    EXPECT_TRUE(WaitFor([&] { return log.Lines().size() == 1; }));
    EXPECT_EQ(0u, notice.Close());
}

TEST(LaunchFailure, ShowsTheErrorDialogEachTimeAndLeavesTheWindowAsItWas) {
    BrowserLog log;
    SetMissingHttpHandler();
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    const POINT link = CentreOnScreen(w, ExpectedBox(kLink));

    for (WORD dismissKey : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        SCOPED_TRACE(dismissKey == VK_RETURN ? "Enter" : "Escape");
        Click(link);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = notice.FindTopLevel(L"Error")) != nullptr &&
                                         IsWindowVisible(dialog); }));
        Sleep(300);
        std::vector<std::wstring> texts, buttons;
        for (HWND c : Children(dialog)) {
            if (ClassName(c) == L"Button") buttons.push_back(WindowText(c));
            else if (!WindowText(c).empty()) texts.push_back(WindowText(c));
        }
        EXPECT_EQ(std::vector<std::wstring>{kFailureText}, texts);
        EXPECT_EQ(std::vector<std::wstring>{L"OK"}, buttons);

        RECT r{};
        GetWindowRect(dialog, &r);
        CaptureScreen(r).SaveBmp(BesideTests(L"error-dialog.bmp"));
        const MONITORINFO monitor = MonitorOf(dialog);
        const RECT& screen = monitor.rcMonitor;
        EXPECT_NEAR((screen.left + screen.right) / 2, (r.left + r.right) / 2, 1);
        EXPECT_NEAR((screen.top + screen.bottom) / 2, (r.top + r.bottom) / 2, 1);
        EXPECT_FALSE(IsWindowEnabled(w)) << "the notice window must take no input";

        SetForegroundWindow(dialog);
        PressKey(dismissKey);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
        EXPECT_TRUE(IsWindowEnabled(w));
    }
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(CaptureClient(w) == before);
    EXPECT_EQ(0u, notice.Close());
}

TEST(Startup, ShowStateFromTheLauncher) {
    const struct {
        const char* name;
        bool useShowWindow;
        WORD state;
        bool maximised, minimised;
    } cases[] = {
        {"no show state", false, 0, false, false},
        {"SW_SHOWMAXIMIZED", true, SW_SHOWMAXIMIZED, true, false},
        {"SW_SHOWMINNOACTIVE", true, SW_SHOWMINNOACTIVE, false, true},
        {"SW_HIDE", true, SW_HIDE, false, false},
        {"SW_SHOWNORMAL", true, SW_SHOWNORMAL, false, false},
        {"SW_SHOWMINIMIZED", true, SW_SHOWMINIMIZED, false, false},
        {"SW_MINIMIZE", true, SW_MINIMIZE, false, false},
        {"SW_SHOWDEFAULT", true, SW_SHOWDEFAULT, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Notice notice({c.useShowWindow, c.state, L"", {}});
        const HWND w = notice.Window();
        ASSERT_NE(nullptr, w);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(c.maximised, IsZoomed(w) != FALSE);
        EXPECT_EQ(c.minimised, IsIconic(w) != FALSE);
        if (c.maximised) {
            // The controls keep their places; the extra area is background.
            const Capture shot = CaptureClient(w);
            EXPECT_EQ(0, shot.Region(ExpectedBox(kTitle)).Differences(ReferenceLabel(kTitle)));
            EXPECT_EQ(kBackground, shot.At(shot.width - 1, shot.height - 1));
        }
        if (c.minimised) {
            ShowWindow(w, SW_RESTORE);
            EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }));
            RECT client{};
            GetClientRect(w, &client);
            EXPECT_EQ(966, client.right);
        }
        EXPECT_EQ(0u, notice.Close());
    }
}

TEST(Startup, CommandLineArgumentsChangeNothing) {
    const wchar_t* argumentLists[] = {
        L"/?",
        L"--help -x --maximized",
        L"\"C:\\some file.txt\" \"\" \"\"\"",
        L"\x00e9t\x00e9 \x65e5\x672c",
        L"http://example.invalid/ %PATH% ^& | >nul",
    };
    for (const wchar_t* arguments : argumentLists) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
        Notice notice({false, 0, arguments, {}});
        ASSERT_NE(nullptr, notice.Window());
        RECT client{};
        GetClientRect(notice.Window(), &client);
        EXPECT_EQ(966, client.right);
        EXPECT_EQ(0, CaptureClient(notice.Window())
                         .Region(ExpectedBox(kTitle))
                         .Differences(ReferenceLabel(kTitle)));
        EXPECT_EQ(0u, notice.Close());
    }
}

TEST(Keyboard, TabEnterAndEscapeDoNothing) {
    BrowserLog log;
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    SetForegroundWindow(w);
    for (WORD key : {WORD(VK_TAB), WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_SPACE)}) PressKey(key);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(CaptureClient(w) == before);
    EXPECT_EQ(0u, notice.Close());
}
