// The real notice program under test: its window, its controls, what it shows on screen, its
// link, its error dialog, its show states and its exit code.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

using namespace e2e;

namespace {

constexpr LONG kNowhere = LONG_MIN;
constexpr LONG kNear = 8; // pixels a platform may show a window off its reported place

// Where the screen shows a label of the window, against where the window says its client area
// is: the offset, within a few pixels, at which the screen matches the label drawn as laid
// out; x is kNowhere if it matches at none.
POINT WhereOnScreen(HWND window, const LabelCase& label) {
    const RECT client = ClientRectOnScreen(window), box = ExpectedBox(label);
    const Capture reference = ReferenceLabel(label);
    for (LONG dy = -kNear; dy <= kNear; ++dy)
        for (LONG dx = -kNear; dx <= kNear; ++dx) {
            RECT at = box;
            OffsetRect(&at, client.left + dx, client.top + dy);
            if (CaptureScreen(at).Differences(reference) == 0) return {dx, dy};
        }
    return {kNowhere, kNowhere};
}

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

// Whether a capture of the caption's start shows it drawn as the active window's: its last
// column, beyond the icon, is the caption's own background.
bool ShowsActiveCaption(const Capture& capture) {
    bool active = false;
    for (int y = 0; y < capture.height; ++y) {
        const COLORREF pixel = capture.At(capture.width - 1, y);
        if (pixel == GetSysColor(COLOR_INACTIVECAPTION)) return false;
        active = active || pixel == GetSysColor(COLOR_ACTIVECAPTION);
    }
    return active;
}

// What the screen shows of a window's caption bar, left of the caption text: its icon, once
// the window is in front and its caption is painted so. A loaded machine may paint it well
// after the window came to the front, and two captures of the caption as it was before agree
// as well as two of it after.
Capture CaptionIcon(HWND window) {
    SetForegroundWindow(window);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; }));
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    RECT outer{};
    GetWindowRect(window, &outer);
    const RECT client = ClientRectOnScreen(window);
    const int height = client.top - outer.top;
    const RECT icon{outer.left, outer.top, outer.left + height + 4, client.top};
    Capture settled;
    EXPECT_TRUE(WaitFor([&] {
        settled = SettledCapture([&] { return CaptureScreen(icon); });
        return ShowsActiveCaption(settled);
    })) << "the caption was not painted as the active window's";
    return settled;
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
    // On a thread of its own that answers its messages, as the notice's own thread does.
    std::atomic<HWND> made{nullptr};
    std::atomic<bool> captured{false};
    std::thread owner([&] {
        const HWND w = CreateWindowExW(WS_EX_APPWINDOW, className.c_str(), kCaption,
                                       WS_OVERLAPPEDWINDOW, at.left, at.top, at.right - at.left,
                                       at.bottom - at.top, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(w, SW_SHOWNORMAL);
        made = w;
        while (!captured) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        }
        DestroyWindow(w);
    });
    WaitFor([&] { return made != nullptr; });
    const Capture capture = made ? CaptionIcon(made) : Capture{};
    captured = true;
    owner.join();
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

// How the user follows the link: the mouse, or a screen reader's default action from a
// process of its own (ScreenReader.cpp), which makes no more calls than following takes.
enum class Trigger { Mouse, Reader };

// Where the program under test runs under qemu's emulation, a reader's calls into it crash it
// now and then; the test script then runs the reader's rows on a native build
// (TARNWICK_READERS_ELSEWHERE), and here they are left out.
std::vector<Trigger> Triggers() {
    if (GetEnvironmentVariableW(L"TARNWICK_READERS_ELSEWHERE", nullptr, 0)) {
        std::printf("the reader's rows run on another build of the program here\n");
        return {Trigger::Mouse};
    }
    return {Trigger::Mouse, Trigger::Reader};
}

const char* Describe(Trigger trigger) { return trigger == Trigger::Mouse ? "mouse" : "reader"; }

void FollowLink(Trigger trigger, HWND notice) {
    if (trigger == Trigger::Mouse) {
        Click(CentreOnScreen(notice, ExpectedBox(kLink)));
    } else {
        EXPECT_EQ(0, RunReader(notice, true)) << "the reader could not find the link or act";
    }
}

TEST(Link, EachClickOrReaderActionAsksTheShellToOpenTheAddressOnce) {
    for (Trigger trigger : Triggers()) {
        SCOPED_TRACE(Describe(trigger));
        BrowserLog log;
        Notice notice;
        FollowLink(trigger, notice.Window());
        ASSERT_TRUE(WaitFor([&] { return log.Lines().size() == 1; }));
        FollowLink(trigger, notice.Window());
        ASSERT_TRUE(WaitFor([&] { return log.Lines().size() == 2; }));
        EXPECT_EQ((std::vector<std::string>{kAddressUtf8, kAddressUtf8}), log.SettledLines());
        // The window stays open and unchanged.
        EXPECT_TRUE(IsWindowVisible(notice.Window()));
        EXPECT_EQ(0u, notice.Close());
    }
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
    // A click on the link, handled after all of the above: once its launch has logged and
    // every browser started has ended, any launch the others made would show too.
    Click(link);
    ASSERT_TRUE(WaitFor([&] { return !log.Lines().empty(); }));
    EXPECT_EQ(std::vector<std::string>{kAddressUtf8}, log.SettledLines())
        << "a press or click off the link opened the address";
    EXPECT_EQ(0u, notice.Close());
}

// A failed launch, on a desktop where another program's window is open and in front until the
// notice is clicked: the "Error" dialog belongs to the notice, and when it closes the notice is
// in front again, where it was, as it was. A reader acts while the other program stays in
// front, as a reader's command can.
TEST(LaunchFailure, TheErrorDialogBelongsToTheNoticeWhichIsInFrontAgainAsItWasWhenItCloses) {
    enum class Dismissal { Enter, Escape, ClickOk, CloseBox };
    const struct {
        const char* name;
        Trigger trigger;
        Dismissal dismissal;
        bool moveFirst; // the user moved the notice away from the centre
    } rows[] = {
        {"Enter", Trigger::Mouse, Dismissal::Enter, false},
        {"Escape", Trigger::Mouse, Dismissal::Escape, false},
        {"a click on OK", Trigger::Mouse, Dismissal::ClickOk, true},
        {"the close box", Trigger::Mouse, Dismissal::CloseBox, false},
        {"Enter", Trigger::Reader, Dismissal::Enter, false},
        {"Escape", Trigger::Reader, Dismissal::Escape, true},
        {"a click on OK", Trigger::Reader, Dismissal::ClickOk, false},
        {"the close box", Trigger::Reader, Dismissal::CloseBox, false},
    };
    BrowserLog log;
    SetMissingHttpHandler();
    OtherProgram other;
    ASSERT_NE(nullptr, other.Window());
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    const std::vector<Trigger> triggers = Triggers();
    for (const auto& row : rows) {
        if (std::find(triggers.begin(), triggers.end(), row.trigger) == triggers.end()) continue;
        SCOPED_TRACE(testing::Message() << Describe(row.trigger) << ", dismissed with " << row.name
                                        << (row.moveFirst ? ", the notice moved first" : ""));
        if (row.moveFirst) {
            RECT r{};
            GetWindowRect(w, &r);
            SetWindowPos(w, nullptr, r.left - 40, r.top - 30, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ASSERT_TRUE(WaitFor([&] {
                RECT now{};
                GetWindowRect(w, &now);
                return now.left == r.left - 40 && now.top == r.top - 30;
            }));
        }
        RECT placed{};
        GetWindowRect(w, &placed);
        ASSERT_TRUE(other.Activate()) << "the other program's window did not come to the front";

        FollowLink(row.trigger, w);
        const HWND dialog = notice.WaitForOneShown(L"Error");
        ASSERT_NE(nullptr, dialog) << "not exactly one Error dialog";
        EXPECT_EQ(w, GetWindow(dialog, GW_OWNER)) << "the dialog is not the notice's";
        EXPECT_FALSE(IsWindowEnabled(w)) << "the notice window must take no input";
        const DialogTexts read = ReadDialog(dialog);
        EXPECT_EQ(std::vector<std::wstring>{kFailureText}, read.texts);
        EXPECT_EQ(std::vector<std::wstring>{L"OK"}, read.buttons);
        RECT r{};
        GetWindowRect(dialog, &r);
        const RECT& screen = MonitorOf(dialog).rcMonitor;
        EXPECT_NEAR((screen.left + screen.right) / 2, (r.left + r.right) / 2, 1);
        EXPECT_NEAR((screen.top + screen.bottom) / 2, (r.top + r.bottom) / 2, 1);
        if (row.dismissal == Dismissal::ClickOk && row.trigger == Trigger::Mouse) {
            SetForegroundWindow(dialog);
            CaptureScreen(r).SaveBmp(BesideTests(L"error-dialog.bmp"));
        }

        switch (row.dismissal) {
        case Dismissal::Enter:
        case Dismissal::Escape:
            SetForegroundWindow(dialog);
            PressKey(row.dismissal == Dismissal::Enter ? VK_RETURN : VK_ESCAPE);
            break;
        case Dismissal::ClickOk:
            Click(CentreOnScreen(FindWindowExW(dialog, nullptr, L"Button", nullptr)));
            break;
        case Dismissal::CloseBox: {
            const POINT close = CloseBoxOf(dialog);
            ASSERT_GE(close.x, 0) << "no close box in the caption";
            Click(close);
            break;
        }
        }
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the dialog did not close";
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == w; }, Deadline(3000)))
            << "the notice is not in front; the foreground window is "
            << testing::PrintToString(WindowText(GetForegroundWindow()));
        EXPECT_TRUE(IsWindowEnabled(w));
        RECT after{};
        GetWindowRect(w, &after);
        EXPECT_TRUE(EqualRect(&placed, &after))
            << "the notice moved from " << Describe(placed) << " to " << Describe(after);
        EXPECT_EQ(0, CaptureClient(w).Differences(before));
    }
    EXPECT_TRUE(log.SettledLines().empty());
    EXPECT_EQ(0u, notice.Close());
}

// An exception that escapes a handler (which the program's own handlers never let happen) is
// reported as the "Error" dialog is shown: owned by the window the user works in, also while
// another program is in front, and that window is in front again once it is dismissed. Only
// where no window is left, after the message loop, the box has no owner. In a small program of
// the notice's own classes (ExceptionProbe.cpp).
TEST(ErrorReport, TheReportBelongsToTheWindowTheUserWorksInAsTheErrorDialogDoes) {
    const UINT raise = RegisterWindowMessageW(L"TarnwickTestRaise");
    const wchar_t kProbeCaption[] = L"Exception probe";
    const wchar_t kTitle[] = L"exception_probe"; // the application title of exception_probe.exe
    OtherProgram other;
    const struct {
        const char* name;
        bool otherInFront, afterLoop;
    } rows[] = {
        {"the form in front", false, false},
        {"another program in front", true, false},
        {"after the message loop", false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LaunchOptions options;
        options.exe = BesideTests(L"exception_probe.exe");
        options.caption = kProbeCaption;
        if (row.afterLoop) options.arguments = L"--after-loop";
        Notice probe(options);
        const HWND w = probe.Window();
        ASSERT_NE(nullptr, w);
        if (row.otherInFront) {
            ASSERT_TRUE(other.Activate()) << "the other program's window did not come to the front";
        } else {
            SetForegroundWindow(w);
            ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == w; }));
        }
        if (row.afterLoop)
            PostMessageW(w, WM_CLOSE, 0, 0);
        else
            PostMessageW(w, raise, 0, 0);
        const HWND box = probe.WaitForOneShown(kTitle);
        ASSERT_NE(nullptr, box) << "not exactly one report";
        const DialogTexts read = ReadDialog(box);
        EXPECT_EQ(std::vector<std::wstring>{row.afterLoop ? L"Injected failure after the loop."
                                                          : L"Injected failure."},
                  read.texts);
        EXPECT_EQ(std::vector<std::wstring>{L"OK"}, read.buttons);
        if (row.afterLoop) {
            EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER)) << "no window is left to own it";
            Dismiss(box);
            EXPECT_EQ(0u, probe.WaitForExit());
            continue;
        }
        EXPECT_EQ(w, GetWindow(box, GW_OWNER)) << "the report is not the form's";
        EXPECT_FALSE(IsWindowEnabled(w));
        Dismiss(box);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "the report did not close";
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(w) && GetForegroundWindow() == w; }))
            << "the form is not in front; the foreground window is "
            << testing::PrintToString(WindowText(GetForegroundWindow()));
        // The loop went on after the report: the form still answers and closes as ever.
        EXPECT_EQ(0u, probe.Close());
    }
}

// Any start-up request: every show state the launcher may ask for, or none, each with other
// command lines. Only SW_SHOWMAXIMIZED and SW_SHOWMINNOACTIVE change how the window comes up;
// no command line changes anything.
TEST(Startup, AnyShowStateAndCommandLine) {
    std::wstring longLine;
    while (longLine.size() < 32000) longLine += L"\"quoted argument\" /switch:value ";
    longLine.resize(32000);
    const std::wstring commandLines[] = {
        L"",
        L"/?",
        longLine,
        L"--help -x --maximized",
        L"\x00e9t\x00e9 \x65e5\x672c\x8a9e \x0645\x0631\x062d\x0628\x0627 \xd83d\xde00",
        L"\"C:\\some file.txt\" \"\" \"\"\"",
        L"\"\"\" \"\\\"\" \" \"\"a\"\"b\" '\"' \\\\\"",
        L"http://example.invalid/ %PATH% ^& | >nul",
        L"\x00e9t\x00e9 \x65e5\x672c",
    };
    constexpr int kStates = 13; // none, then 0 to 11 with STARTF_USESHOWWINDOW
    constexpr int kRounds = 3;  // each state with three command lines
    for (int i = 0; i < kStates * kRounds; ++i) {
        const bool useShowWindow = i % kStates != 0;
        const WORD state = static_cast<WORD>(i % kStates - 1);
        const std::wstring& arguments =
            commandLines[(i + i / kStates) % (sizeof(commandLines) / sizeof(commandLines[0]))];
        const WORD asked = useShowWindow ? state : WORD(SW_SHOWDEFAULT);
        const bool maximised = asked == SW_SHOWMAXIMIZED, minimised = asked == SW_SHOWMINNOACTIVE;
        SCOPED_TRACE(testing::Message()
                     << "start " << i << ", show state "
                     << (useShowWindow ? std::to_string(state) : "none") << ", command line "
                     << (arguments.size() > 80
                             ? "of " + std::to_string(arguments.size()) + " characters"
                             : testing::PrintToString(arguments)));
        Notice notice({useShowWindow, state, arguments, {}});
        const HWND w = notice.Window();
        ASSERT_NE(nullptr, w);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(maximised, IsZoomed(w) != FALSE);
        EXPECT_EQ(minimised, IsIconic(w) != FALSE);
        if (minimised) {
            // Only the taskbar button shows; restoring it shows the notice.
            ShowWindow(w, SW_RESTORE);
            EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }));
        }
        RECT client{};
        GetClientRect(w, &client);
        if (!maximised) {
            EXPECT_EQ(966, client.right);
            EXPECT_EQ(441, client.bottom);
        }
        // The controls keep their places, and any extra area is background. A maximised window
        // is judged by what it drew in its client area, whatever frame the platform draws:
        // Wine 10 shows a maximised window off its reported position.
        const Capture shot = maximised ? CaptureOwnClient(w) : CaptureClient(w);
        EXPECT_EQ(0, shot.Region(ExpectedBox(kTitle)).Differences(ReferenceLabel(kTitle)));
        if (!maximised) {
            EXPECT_EQ(kBackground, shot.At(shot.width - 1, shot.height - 1));
        } else {
            // Right of and below the layout, but for the edge a window shown off its place
            // may have off the screen.
            int others = 0;
            for (int y = 0; y < shot.height - kNear; ++y)
                for (int x = y < 441 ? 966 : 0; x < shot.width - kNear; ++x)
                    others += shot.At(x, y) != kBackground;
            EXPECT_EQ(0, others) << "pixels beyond the layout that are not background";
            const POINT off = WhereOnScreen(w, kTitle);
            EXPECT_NE(kNowhere, off.x) << "the title is not on the screen near its place";
            if (off.x != 0 || off.y != 0)
                std::printf("This platform shows the maximised window (%+ld,%+ld) off its "
                            "reported position\n",
                            off.x, off.y);
        }
        EXPECT_EQ(0u, notice.Close());
    }
}

TEST(Keyboard, TabEnterEscapeAndSpaceDoNothing) {
    BrowserLog log;
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == w; }))
        << "the keys would go elsewhere";
    for (WORD key : {WORD(VK_TAB), WORD(VK_RETURN), WORD(VK_ESCAPE), WORD(VK_SPACE)}) PressKey(key);
    EXPECT_EQ(0, SettledCapture([&] {
                     return CaptureScreen(ClientRectOnScreen(w));
                 }).Differences(before));
    // Alt+F4, which must close it, comes after the keys: once it has, they were handled.
    INPUT altF4[4]{};
    for (INPUT& input : altF4) input.type = INPUT_KEYBOARD;
    altF4[0].ki.wVk = altF4[3].ki.wVk = VK_MENU;
    altF4[1].ki.wVk = altF4[2].ki.wVk = VK_F4;
    altF4[2].ki.dwFlags = altF4[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, altF4, sizeof(INPUT));
    EXPECT_EQ(0u, notice.WaitForExit(Deadline(10000))) << "Alt+F4 did not reach the notice";
    EXPECT_TRUE(log.SettledLines().empty()) << "a key opened the website";
}
