// The real program under load: repeated failures, hostile messages
// from another process, and the end of the session. Each is a bounded loop.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <dde.h>
#include <psapi.h>

#include <cstdio>
#include <random>

using namespace e2e;

namespace {

// A press and release on a client point, posted as the mouse would send them.
void PostClick(HWND window, POINT client) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

POINT LinkCentre() {
    const RECT link = ExpectedBox(kLink);
    return {(link.left + link.right) / 2, (link.top + link.bottom) / 2};
}

bool Responsive(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

struct Figures {
    DWORD gdiObjects = 0, userObjects = 0;
    double residentMiB = 0;
};

Figures Measure(DWORD pid) {
    Figures figures;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return figures;
    figures.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    figures.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, &memory, sizeof(memory));
    figures.residentMiB = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
    CloseHandle(process);
    return figures;
}

// Clicks the link and dismisses the "Error" dialog that the failed launch opens.
void FailOnce(Notice& notice) {
    PostClick(notice.Window(), LinkCentre());
    const HWND dialog = notice.WaitForOneShown(L"Error");
    ASSERT_NE(nullptr, dialog) << "not exactly one Error dialog";
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

} // namespace

TEST(RepeatedFailure, TwoHundredFailedLaunchesLeaveTheProcessAsItWas) {
    SetMissingHttpHandler();
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);
    for (int i = 0; i < 10; ++i) ASSERT_NO_FATAL_FAILURE(FailOnce(notice));
    const Figures start = Measure(notice.ProcessId());
    for (int i = 10; i < 200; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NO_FATAL_FAILURE(FailOnce(notice));
    }
    EXPECT_TRUE(Responsive(w));
    const Figures end = Measure(notice.ProcessId());
    std::printf("after 10 failed launches: %lu GDI, %lu USER objects, %.2f MiB resident\n"
                "after 200 failed launches: %lu GDI, %lu USER objects, %.2f MiB resident\n",
                start.gdiObjects, start.userObjects, start.residentMiB, end.gdiObjects,
                end.userObjects, end.residentMiB);
    // A window with fonts, a brush and a bitmap has GDI objects; a count of none means the
    // system does not report them for another process (Wine), and then they are not judged.
    if (start.gdiObjects == 0 || start.userObjects == 0) {
        std::printf("GDI and USER object counts: not reported for another process here, so "
                    "not judged; resident memory is\n");
    } else {
        EXPECT_LE(end.gdiObjects, start.gdiObjects + 2);
        EXPECT_LE(end.userObjects, start.userObjects + 2);
    }
    EXPECT_LT(end.residentMiB - start.residentMiB, 0.25) << "resident memory grows";
    EXPECT_EQ(0, CaptureClient(w).Differences(before));
    EXPECT_EQ(0u, notice.Close());
}

TEST(HostileMessages, TenThousandRandomMessagesFromAnotherProcess) {
    BrowserLog log;
    Notice notice;
    const HWND w = notice.Window();
    const Capture before = CaptureClient(w);

    std::mt19937 random(20261210);
    const auto draw = [&](unsigned low, unsigned high) {
        return std::uniform_int_distribution<unsigned>(low, high)(random);
    };
    // Parameters: often small (keys, commands, flags, coordinates), else any 32-bit value.
    const auto parameter = [&]() -> unsigned {
        return draw(0, 3) ? draw(0, 0xFFFF) : draw(0, 0xFFFFFFFFu);
    };
    int posted = 0, refused = 0, sent = 0;
    for (int i = 0; i < 10000; ++i) {
        const unsigned range = draw(0, 9);
        const UINT message = range < 6   ? draw(0, WM_USER - 1)
                             : range < 8 ? draw(WM_USER, 0x7FFF)
                                         : draw(0xC000, 0xFFFF);
        const WPARAM wParam = parameter();
        const LPARAM lParam = static_cast<LPARAM>(parameter());
        // Left out: whatever means "close" or "destroy", and the DDE messages. Wine turns the
        // lParam of a posted DDE message into a copy of the sender's global memory; a random one
        // arriving while the system menu is open hangs Wine's own menu loop, in any program
        // with a system menu (seen with the floor program too).
        if (message == WM_CLOSE || message == WM_DESTROY || message == WM_NCDESTROY ||
            message == WM_QUIT || message == WM_QUERYENDSESSION || message == WM_ENDSESSION ||
            (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) ||
            (message >= WM_DDE_FIRST && message <= WM_DDE_LAST)) {
            --i;
            continue;
        }
        // The system refuses to post messages that carry pointers; the rest arrive.
        if (PostMessageW(w, message, wParam, lParam))
            ++posted;
        else
            ++refused;
        // Messages of the application's own ranges are also sent, and waited for.
        if (message >= WM_USER) {
            DWORD_PTR result = 0;
            sent += SendMessageTimeoutW(w, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000,
                                        &result) != 0;
        }
        if (i % 500 == 499) {
            ASSERT_TRUE(Responsive(w)) << "after message " << i;
        }
    }
    std::printf("10000 random messages: %d posted, %d refused by the system, %d also sent\n",
                posted, refused, sent);
    ASSERT_EQ(STILL_ACTIVE, notice.WaitForExit(0)) << "the program ended";
    ASSERT_TRUE(Responsive(w));
    // The messages may have opened the system menu, as a right click on the taskbar button
    // does; a click on the background closes it, as it would for a user.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui);
    std::printf("modes left open by the messages: %s%s%s\n",
                gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE) ? "menu "
                                                                                      : "",
                gui.flags & GUI_INMOVESIZE ? "move/size " : "", gui.hwndCapture ? "capture" : "");
    const RECT client = ClientRectOnScreen(w);
    Click({client.left + 500, client.top + 330});

    // Afterwards the window shows exactly what it showed, and the link works.
    ShowWindow(w, SW_RESTORE);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(w) && !IsZoomed(w); }));
    EXPECT_EQ(0, CaptureClient(w).Differences(before));
    Click(CentreOnScreen(w, ExpectedBox(kLink)));
    EXPECT_TRUE(WaitFor([&] { return log.Lines().size() == 1; }));
    EXPECT_EQ(0u, notice.Close());
}

TEST(SessionEnd, EveryWindowAgreesAtOnceAlsoWithTheErrorDialogOpen) {
    for (bool dialogOpen : {false, true}) {
        SCOPED_TRACE(dialogOpen ? "error dialog open" : "notice only");
        SetMissingHttpHandler();
        Notice notice;
        HWND dialog = nullptr;
        if (dialogOpen) {
            PostClick(notice.Window(), LinkCentre());
            dialog = notice.WaitForOneShown(L"Error");
            ASSERT_NE(nullptr, dialog) << "not exactly one Error dialog";
        }
        // The session asks every top-level window, then tells each that it goes on (another
        // program refused) or that it ends.
        for (const auto& step : {std::make_pair(WM_QUERYENDSESSION, WPARAM(0)),
                                 std::make_pair(WM_ENDSESSION, WPARAM(FALSE)),
                                 std::make_pair(WM_QUERYENDSESSION, WPARAM(0)),
                                 std::make_pair(WM_ENDSESSION, WPARAM(TRUE))}) {
            for (HWND window : notice.TopLevelWindows()) {
                DWORD_PTR result = 0;
                ASSERT_TRUE(SendMessageTimeoutW(window, step.first, step.second, ENDSESSION_LOGOFF,
                                                SMTO_ABORTIFHUNG, 5000, &result))
                    << "no answer to " << std::hex << step.first;
                if (step.first == WM_QUERYENDSESSION) {
                    EXPECT_TRUE(result) << "refuses to end";
                }
            }
        }
        // Until the system ends it, the program goes on as before.
        EXPECT_TRUE(Responsive(notice.Window()));
        if (dialog) {
            EXPECT_TRUE(IsWindow(dialog));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
        }
        EXPECT_EQ(0u, notice.Close());
    }
}
