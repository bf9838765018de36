// The notice as a screen reader reads it, from another process through Microsoft Active
// Accessibility: its controls in reading order, what each is, where it is, and the link's
// default action.
#include "Harness.h"
#include "Layout.h"
#include "Reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

using namespace e2e;

namespace {

RECT OnScreen(HWND window, RECT clientBox) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&clientBox), 2);
    return clientBox;
}

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// The windows that came to the front, as an out-of-context event hook in this process hears of
// them: the way a screen reader learns that a window has opened.
class ForegroundEvents {
public:
    ForegroundEvents() {
        thread_ = std::thread([this] {
            const HWINEVENTHOOK hook =
                SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnEvent,
                                0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
            threadId_ = GetCurrentThreadId();
            // Out-of-context events come to the hooking thread as messages.
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            if (hook) UnhookWinEvent(hook);
        });
        WaitFor([this] { return threadId_.load() != 0; });
    }
    ~ForegroundEvents() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    ForegroundEvents(const ForegroundEvents&) = delete;
    ForegroundEvents& operator=(const ForegroundEvents&) = delete;

    bool Heard(HWND window) const {
        std::lock_guard<std::mutex> lock(lock_);
        for (HWND w : windows_)
            if (w == window) return true;
        return false;
    }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
        std::lock_guard<std::mutex> lock(lock_);
        windows_.push_back(window);
    }

    static std::mutex lock_;
    static std::vector<HWND> windows_;
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
};

std::mutex ForegroundEvents::lock_;
std::vector<HWND> ForegroundEvents::windows_;

class Accessibility : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    // The client object of the notice window, as a screen reader gets it.
    static void ClientOf(HWND window, ComRef<IAccessible>& client) {
        ASSERT_EQ(S_OK, ClientObject(window, client));
        ASSERT_NE(nullptr, client.Get());
    }
};

// Child ids in reading order: top to bottom, then left to right.
enum { kLabel2Id = 1, kImage1Id, kLabel1Id, kLabel3Id, kLabel4Id, kLinkId, kLabel5Id, kCount = 7 };

} // namespace

TEST_F(Accessibility, ClientObjectListsEveryControlInReadingOrderWithWhatAndWhereItIs) {
    Notice notice;
    const HWND w = notice.Window();
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(w, client));

    EXPECT_EQ(std::wstring(kCaption), Name(client.Get(), CHILDID_SELF));
    EXPECT_EQ(ROLE_SYSTEM_DIALOG, Role(client.Get(), CHILDID_SELF));
    EXPECT_TRUE(OnScreen(w, {0, 0, 966, 441}) == Location(client.Get(), CHILDID_SELF));
    ComRef<IDispatch> parent;
    EXPECT_EQ(S_OK, client->get_accParent(parent.Put()));
    EXPECT_NE(nullptr, parent.Get()) << "the window object, from the standard object";

    const struct {
        long id;
        std::wstring name;
        long role, state;
        RECT box;
    } expected[] = {
        {kLabel2Id, kLabels[1].text, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY,
         ExpectedBox(kLabels[1])},
        {kImage1Id, L"Tolvan logo", ROLE_SYSTEM_GRAPHIC, STATE_SYSTEM_READONLY, kImage1},
        {kLabel1Id, kLabel1Text, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY,
         ExpectedBox(kLabels[0])},
        {kLabel3Id, kLabel3Text, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY,
         ExpectedBox(kLabels[2])},
        {kLabel4Id, kLabel4Text, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY,
         ExpectedBox(kLabels[3])},
        {kLinkId, kHost, ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED, ExpectedBox(kLink)},
        {kLabel5Id, kLabel5Text, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY,
         ExpectedBox(kLabels[5])},
    };

    long count = 0;
    ASSERT_EQ(S_OK, client->get_accChildCount(&count));
    ASSERT_EQ(kCount, count);
    VARIANT children[kCount + 1];
    long got = 0;
    ASSERT_TRUE(SUCCEEDED(AccessibleChildren(client.Get(), 0, kCount + 1, children, &got)));
    ASSERT_EQ(kCount, got);

    std::printf("The notice as a screen reader reads it:\n  dialog \"%s\"\n",
                Printable(Name(client.Get(), CHILDID_SELF)).c_str());
    for (const auto& e : expected) {
        SCOPED_TRACE(testing::PrintToString(e.name));
        const long id = e.id;
        EXPECT_EQ(VT_I4, children[id - 1].vt);
        EXPECT_EQ(id, children[id - 1].lVal) << "AccessibleChildren gives the same order";
        ComRef<IDispatch> object;
        EXPECT_EQ(S_FALSE, client->get_accChild(Child(id), object.Put())) << "a simple child";
        EXPECT_EQ(nullptr, object.Get());

        EXPECT_EQ(e.name, Name(client.Get(), id));
        EXPECT_EQ(e.role, Role(client.Get(), id));
        EXPECT_EQ(e.state, State(client.Get(), id));
        const RECT box = OnScreen(w, e.box);
        EXPECT_TRUE(box == Location(client.Get(), id)) << "the box it is drawn in, on screen";

        // Hit testing at its centre finds it, and reading order runs through it.
        VARIANT hit;
        VariantInit(&hit);
        EXPECT_EQ(id, Number(client->accHitTest((box.left + box.right) / 2,
                                                (box.top + box.bottom) / 2, &hit),
                             hit));
        EXPECT_EQ(id == kCount ? 0 : id + 1, Navigate(client.Get(), id, NAVDIR_NEXT));
        EXPECT_EQ(id - 1, Navigate(client.Get(), id, NAVDIR_PREVIOUS));

        BSTR value = nullptr, action = nullptr;
        const HRESULT valueResult = client->get_accValue(Child(id), &value);
        const HRESULT actionResult = client->get_accDefaultAction(Child(id), &action);
        const std::wstring valueText = Take(value), actionText = Take(action);
        if (id == kLinkId) {
            EXPECT_EQ(std::wstring(kAddress), valueText);
            EXPECT_EQ(L"Jump", actionText);
        } else {
            EXPECT_EQ(DISP_E_MEMBERNOTFOUND, valueResult);
            EXPECT_EQ(DISP_E_MEMBERNOTFOUND, actionResult);
        }
        std::printf("  %ld: role %ld, state 0x%lx, at (%ld,%ld) %ldx%ld, \"%s\"%s%s%s%s\n", id,
                    Role(client.Get(), id), State(client.Get(), id), box.left, box.top,
                    box.right - box.left, box.bottom - box.top, Printable(e.name).c_str(),
                    valueText.empty() ? "" : ", value ", Printable(valueText).c_str(),
                    actionText.empty() ? "" : ", default action ", Printable(actionText).c_str());
    }
    EXPECT_EQ(kLabel2Id, Navigate(client.Get(), CHILDID_SELF, NAVDIR_FIRSTCHILD));
    EXPECT_EQ(kLabel5Id, Navigate(client.Get(), CHILDID_SELF, NAVDIR_LASTCHILD));
    // Arrow-key directions: the heading's right neighbour is the logo; below the link lies
    // the last paragraph.
    EXPECT_EQ(kImage1Id, Navigate(client.Get(), kLabel2Id, NAVDIR_RIGHT));
    EXPECT_EQ(kLabel5Id, Navigate(client.Get(), kLinkId, NAVDIR_DOWN));
    EXPECT_EQ(0, Navigate(client.Get(), kLabel5Id, NAVDIR_DOWN));
    // Ids that name nothing.
    BSTR name = nullptr;
    EXPECT_EQ(E_INVALIDARG, client->get_accName(Child(kCount + 1), &name));
    EXPECT_EQ(E_INVALIDARG, client->get_accName(Child(-1), &name));
    EXPECT_EQ(0u, notice.Close());
}

// What a screen reader says as the notice opens: it takes the client object of the window
// that came to the front as its focus, and reads a dialog's texts with its caption.
TEST_F(Accessibility, AsTheNoticeOpensAReaderSpeaksItsCaptionAndEveryTextInReadingOrder) {
    ForegroundEvents events;
    Notice notice;
    const HWND w = notice.Window();
    const bool heard = WaitFor([&] { return events.Heard(w); }, 2000);
    std::printf("EVENT_SYSTEM_FOREGROUND for the notice, to an out-of-context hook: %s\n",
                heard ? "delivered" : "not delivered");
    // Where the event does not come, a reader finds the foreground window for itself.
    EXPECT_TRUE(heard || WaitFor([&] { return GetForegroundWindow() == w; }));
    ComRef<IAccessible> focus;
    ASSERT_NO_FATAL_FAILURE(ClientOf(w, focus));

    const std::vector<std::wstring> spoken = Speak(focus.Get());
    std::printf("What a screen reader says:\n");
    for (const std::wstring& said : spoken) std::printf("  \"%s\"\n", Printable(said).c_str());
    const std::vector<std::wstring> expected{kCaption,    L"dialog",   kTitle.text,
                                             kLabel1Text, kLabel3Text, kLabel4Text,
                                             kHost,       kAddress,    kLabel5Text};
    EXPECT_EQ(expected, spoken) << "the logo is not spoken; the link says its host and address";

    // Reading on ("say all"): from the first child to the last and back, and then no further.
    const auto walk = [&](long from, long direction) {
        std::vector<long> visited;
        long id = Navigate(focus.Get(), CHILDID_SELF, from);
        for (; id > 0 && visited.size() <= kCount; id = Navigate(focus.Get(), id, direction))
            visited.push_back(id);
        visited.push_back(id); // how it ended: 0 for the end, -1 for an error
        return visited;
    };
    EXPECT_EQ((std::vector<long>{1, 2, 3, 4, 5, 6, 7, 0}), walk(NAVDIR_FIRSTCHILD, NAVDIR_NEXT));
    EXPECT_EQ((std::vector<long>{7, 6, 5, 4, 3, 2, 1, 0}), walk(NAVDIR_LASTCHILD, NAVDIR_PREVIOUS));
    EXPECT_EQ(0u, notice.Close());
}

TEST_F(Accessibility, ObjectFromPointFindsTheLinkAndTheLogo) {
    Notice notice;
    const HWND w = notice.Window();
    const struct {
        RECT box;
        std::wstring name;
        long role;
    } points[] = {
        {ExpectedBox(kLink), kHost, ROLE_SYSTEM_LINK},
        {kImage1, L"Tolvan logo", ROLE_SYSTEM_GRAPHIC},
        {ExpectedBox(kTitle), kTitle.text, ROLE_SYSTEM_STATICTEXT},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(testing::PrintToString(p.name));
        ComRef<IAccessible> found;
        VARIANT child;
        VariantInit(&child);
        ASSERT_EQ(S_OK, AccessibleObjectFromPoint(CentreOnScreen(w, p.box), found.Put(), &child));
        ASSERT_EQ(VT_I4, child.vt);
        EXPECT_EQ(p.name, Name(found.Get(), child.lVal));
        EXPECT_EQ(p.role, Role(found.Get(), child.lVal));
    }
    EXPECT_EQ(0u, notice.Close());
}

// Following the link by its default action, from a reader of its own process, is a column of
// Link.EachClickOrReaderActionAsksTheShellToOpenTheAddressOnce, and its failure one of
// LaunchFailure; here the elements that have no action.
TEST_F(Accessibility, DefaultActionOnALabelOrTheLogoStartsNothing) {
    BrowserLog log;
    Notice notice;
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(notice.Window(), client));

    for (long id : {long(kLabel2Id), long(kImage1Id), long(kLabel1Id), long(kLabel3Id),
                    long(kLabel4Id), long(kLabel5Id)})
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, client->accDoDefaultAction(Child(id))) << id;
    // The link's action comes after them: once its launch has logged and every browser
    // started has ended, a launch by any of them would show too.
    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(kLinkId)));
    ASSERT_TRUE(WaitFor([&] { return !log.Lines().empty(); }));
    EXPECT_EQ(std::vector<std::string>{"http://www.tolvan.example"}, log.SettledLines())
        << "a label or the logo started a launch";
    EXPECT_TRUE(IsWindowVisible(notice.Window()));
    EXPECT_EQ(0u, notice.Close());
}

// While the "Error" dialog is up, the notice takes no mouse input; a reader cannot follow the
// link either, and hears that its elements are unavailable. Once it is dismissed, it can.
TEST_F(Accessibility, WhileTheErrorDialogIsUpTheLinkCannotBeFollowed) {
    SetMissingHttpHandler();
    Notice notice;
    const HWND w = notice.Window();
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(w, client));

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(0, State(client.Get(), kLinkId) & STATE_SYSTEM_UNAVAILABLE);
        EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(kLinkId)));
        ASSERT_TRUE(WaitFor([&] { return !notice.Shown(L"Error").empty(); }));
        EXPECT_FALSE(IsWindowEnabled(w));
        EXPECT_EQ(STATE_SYSTEM_UNAVAILABLE,
                  State(client.Get(), kLinkId) & STATE_SYSTEM_UNAVAILABLE);
        EXPECT_EQ(STATE_SYSTEM_UNAVAILABLE,
                  State(client.Get(), kLabel1Id) & STATE_SYSTEM_UNAVAILABLE);
        // A second action while the dialog is up. (Two readers at once, whose second action
        // may come before the first click is handled: ReaderLoad.)
        const HRESULT refused = client->accDoDefaultAction(Child(kLinkId));
        std::printf("round %d: the action while the dialog is up: 0x%08lx\n", round,
                    static_cast<unsigned long>(refused));
        EXPECT_TRUE(FAILED(refused));
        // A call into the program's apartment comes to it as a message posted after anything
        // the refused action could have posted: once it is answered, that was handled too.
        long count = 0;
        EXPECT_EQ(S_OK, client->get_accChildCount(&count));
        const std::vector<HWND> shown = notice.Shown(L"Error");
        ASSERT_EQ(1u, shown.size()) << "one launch, one dialog";
        Dismiss(shown[0]);
        ASSERT_TRUE(WaitFor([&] { return notice.Shown(L"Error").empty() && IsWindowEnabled(w); }));
    }
    EXPECT_EQ(0u, notice.Close());
}

TEST_F(Accessibility, AReferenceKeptAfterTheWindowClosesFailsCleanly) {
    Notice notice;
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(notice.Window(), client));
    long count = 0;
    ASSERT_EQ(S_OK, client->get_accChildCount(&count));
    EXPECT_EQ(0u, notice.Close());
    EXPECT_TRUE(FAILED(client->get_accChildCount(&count)));
    EXPECT_TRUE(FAILED(client->accDoDefaultAction(Child(kLinkId))));
}
