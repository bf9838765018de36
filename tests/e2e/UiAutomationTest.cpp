// The notice as a UI Automation client (Narrator, or NVDA where a window has a provider of its
// own) reads it, from another process: a dialog whose elements are the same seven controls,
// in the same order and boxes, that the MSAA object gives; the link's address and its Invoke.
#include "Harness.h"
#include "Layout.h"
#include "Reader.h"
#include "UiaClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

using namespace e2e;

namespace {

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class UiAutomation : public testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_TRUE(UiaAvailable()) << "uiautomationcore's client functions are missing";
    }
    void TearDown() override { CoUninitialize(); }

    // The window's element, once the window answers with its own provider.
    static void ElementOf(HWND window, UiaElement& element) {
        ASSERT_TRUE(HasUiaProvider(window)) << "the notice has no UI Automation provider";
        ASSERT_EQ(S_OK, UiaElementOfWindow(window, element));
        ASSERT_TRUE(element);
    }

    // The children, first to last.
    static std::vector<UiaElement> ChildrenOf(const UiaElement& parent) {
        std::vector<UiaElement> children;
        for (UiaElement e = parent.Navigate(kToFirstChild); e && children.size() <= 8;) {
            UiaElement next = e.Navigate(kToNext);
            children.push_back(std::move(e));
            e = std::move(next);
        }
        return children;
    }
};

std::string Text(const std::wstring& text) { return Printable(text); }

// The MSAA children of a process's windows whose state changed, as an out-of-context WinEvent
// hook in this process hears of them.
class StateChanges {
public:
    explicit StateChanges(DWORD processId) {
        seen_.clear();
        hook_ = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE, nullptr, Heard,
                                processId, 0, WINEVENT_OUTOFCONTEXT);
        EXPECT_NE(nullptr, hook_);
    }
    ~StateChanges() {
        if (hook_) UnhookWinEvent(hook_);
    }
    StateChanges(const StateChanges&) = delete;
    StateChanges& operator=(const StateChanges&) = delete;

    // Handles this thread's messages, which bring the events, until that many have come for
    // the window's elements.
    bool WaitFor(std::size_t count) const {
        return e2e::WaitFor([&] {
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
            return Elements().size() >= count;
        });
    }
    // The elements' changes, which the program tells of. The system may add one for the client
    // object as a whole (CHILDID_SELF) as the window is enabled or disabled: Wine 10 does.
    std::vector<LONG> Elements() const {
        std::vector<LONG> elements;
        for (LONG child : seen_)
            if (child != CHILDID_SELF) elements.push_back(child);
        return elements;
    }
    bool SystemsOwn() const { return Elements().size() < seen_.size(); }
    void Clear() { seen_.clear(); }

private:
    static void CALLBACK Heard(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
        if (object == OBJID_CLIENT) seen_.push_back(child);
    }

    static std::vector<LONG> seen_;
    HWINEVENTHOOK hook_ = nullptr;
};
std::vector<LONG> StateChanges::seen_;

// The window's elements in reading order, as every client must read them: name, control type
// and AutomationId (the control's name in the form).
const struct {
    std::wstring name;
    long type;
    const wchar_t* automationId;
} kElements[] = {
    {kTitle.text, kTextControlType, L"Label2"}, {L"Tolvan logo", kImageControlType, L"Image1"},
    {kLabel1Text, kTextControlType, L"Label1"}, {kLabel3Text, kTextControlType, L"Label3"},
    {kLabel4Text, kTextControlType, L"Label4"}, {kHost, kHyperlinkControlType, L"LblWebsite"},
    {kLabel5Text, kTextControlType, L"Label5"},
};

// Whether this platform's client reads a property at all.
bool ClientGives(const UiaElement& element, long property) {
    VARIANT probe;
    const bool given = element.Property(property, probe) != E_NOTIMPL;
    VariantClear(&probe);
    return given;
}

} // namespace

TEST_F(UiAutomation, TheNoticeIsADialogWhoseElementsAreTheControlsAsTheMsaaObjectGivesThem) {
    Notice notice;
    const HWND w = notice.Window();
    UiaElement window;
    ASSERT_NO_FATAL_FAILURE(ElementOf(w, window));
    ComRef<IAccessible> msaa;
    ASSERT_EQ(S_OK, ClientObject(w, msaa));

    EXPECT_EQ(std::wstring(kCaption), window.Name());
    EXPECT_EQ(kWindowControlType, window.ControlType());
    EXPECT_EQ(1, window.Flag(kIsDialogProperty)) << "read as a dialog, as a message box is";
    RECT frame{};
    GetWindowRect(w, &frame);
    // Wine 8's client answers E_NOTIMPL for boxes and the value pattern's properties: there
    // UiaProvider.* shows what the provider gives for them.
    const bool boxes = ClientGives(window, kBoundingRectangleProperty);
    std::printf("Boxes through this platform's client: %s\n", boxes ? "read" : "not given");
    if (boxes) {
        EXPECT_TRUE(frame == window.Box());
    }

    // Tools that drive the program find each control by its name in the form. The window's own
    // id ("Form1" from its provider, UiaProvider.*) is merged with what its host gives, which
    // Wine 8's client lets win with an empty one: shown, not judged here.
    std::printf("The window's AutomationId through this platform's client: \"%s\"\n",
                Text(window.Text(kAutomationIdProperty)).c_str());
    const auto& expected = kElements;
    constexpr long kCount = 7, kLinkId = 6;
    const std::vector<UiaElement> children = ChildrenOf(window);
    ASSERT_EQ(static_cast<std::size_t>(kCount), children.size());
    std::printf("The notice as a UI Automation client reads it:\n  dialog \"%s\" at (%ld,%ld)\n",
                Text(window.Name()).c_str(), frame.left, frame.top);
    std::set<std::vector<long>> runtimeIds;
    for (long id = 1; id <= kCount; ++id) {
        const UiaElement& e = children[static_cast<std::size_t>(id - 1)];
        const auto& want = expected[id - 1];
        SCOPED_TRACE(Text(want.name));
        const std::wstring name = e.Name(), value = e.Value();
        const long type = e.ControlType();
        EXPECT_EQ(want.name, name);
        EXPECT_EQ(Name(msaa.Get(), id), name) << "the MSAA object says otherwise";
        EXPECT_EQ(want.type, type);
        EXPECT_EQ(want.automationId, e.Text(kAutomationIdProperty));
        if (boxes) {
            EXPECT_TRUE(Location(msaa.Get(), id) == e.Box()) << "not the box MSAA gives";
        }
        EXPECT_EQ(1, e.Flag(kIsEnabledProperty));
        EXPECT_EQ(0, e.Flag(kIsOffscreenProperty));
        EXPECT_EQ(0, e.Flag(kHasKeyboardFocusProperty));
        EXPECT_EQ(0, e.Flag(kIsKeyboardFocusableProperty));
        EXPECT_NE(1, e.Flag(kIsDialogProperty)) << "only the window is a dialog";
        if (ClientGives(e, kValueValueProperty)) {
            EXPECT_EQ(id == kLinkId ? std::wstring(kAddress) : L"", value);
        }
        const std::vector<long> runtimeId = e.RuntimeId();
        EXPECT_FALSE(runtimeId.empty());
        runtimeIds.insert(runtimeId);
        // Up to the window, and back through the siblings.
        EXPECT_EQ(std::wstring(kCaption), e.Navigate(kToParent).Name());
        const UiaElement previous = e.Navigate(kToPrevious);
        EXPECT_EQ(id == 1 ? L"" : expected[id - 2].name, previous ? previous.Name() : L"");
        char where[64] = "(box not given)";
        if (boxes) {
            const RECT box = e.Box();
            std::snprintf(where, sizeof(where), "at (%ld,%ld) %ldx%ld", box.left, box.top,
                          box.right - box.left, box.bottom - box.top);
        }
        std::printf("  %ld: %s, control type %ld %s, \"%s\"%s%s\n", id,
                    Text(e.Text(kAutomationIdProperty)).c_str(), type, where, Text(name).c_str(),
                    value.empty() ? "" : ", value ", Text(value).c_str());
    }
    EXPECT_EQ(static_cast<std::size_t>(kCount), runtimeIds.size()) << "runtime ids repeat";
    // The walk ends where the MSAA walk ends: nothing after the last, nothing below any.
    EXPECT_FALSE(children.back().Navigate(kToNext));
    EXPECT_FALSE(children[kLinkId - 1].Navigate(kToFirstChild));
    EXPECT_EQ(std::wstring(kLabel5Text), window.Navigate(kToLastChild).Name());

    EXPECT_EQ(0u, notice.Close());
}

// Narrator reads through the client object (CUIAutomation), not the flat functions: the same
// window and seven elements, in the same order, with the same names, types, ids and boxes.
TEST_F(UiAutomation, TheClientObjectNarratorUsesReadsTheSameNotice) {
    const UiaClientObject client;
    if (!client) GTEST_SKIP() << "this platform has no UI Automation client object (Wine 8)";
    Notice notice;
    const HWND w = notice.Window();
    ComRef<IAccessible> msaa;
    ASSERT_EQ(S_OK, ClientObject(w, msaa));
    std::vector<UiaClientObject::Element> read;
    ASSERT_EQ(S_OK, client.Read(w, read));
    ASSERT_EQ(8u, read.size()) << "the window and its seven elements";

    const UiaClientObject::Element& window = read[0];
    EXPECT_EQ(std::wstring(kCaption), window.name);
    EXPECT_EQ(kWindowControlType, window.controlType);
    RECT frame{};
    GetWindowRect(w, &frame);
    EXPECT_TRUE(frame == window.box);
    // IsDialog is a property of Windows 10 on: judged where the client object reads it.
    std::printf("Through this platform's client object: the window's IsDialog 0x%08lx %d, "
                "AutomationId \"%s\"\n",
                static_cast<unsigned long>(window.isDialogRead), window.isDialog,
                Text(window.automationId).c_str());
    if (SUCCEEDED(window.isDialogRead)) {
        EXPECT_EQ(1, window.isDialog);
    }
    const auto& expected = kElements;
    for (long id = 1; id <= 7; ++id) {
        const UiaClientObject::Element& e = read[static_cast<std::size_t>(id)];
        SCOPED_TRACE(Text(expected[id - 1].name));
        EXPECT_EQ(expected[id - 1].name, e.name);
        EXPECT_EQ(expected[id - 1].type, e.controlType);
        EXPECT_EQ(expected[id - 1].automationId, e.automationId);
        EXPECT_TRUE(Location(msaa.Get(), id) == e.box) << "not the box MSAA gives";
        if (SUCCEEDED(e.isDialogRead)) {
            EXPECT_EQ(0, e.isDialog);
        }
    }
    EXPECT_EQ(0u, notice.Close());
}

// Most users never run a screen reader: the program loads oleacc and uiautomationcore only
// once a client of each asks.
TEST_F(UiAutomation, EachClientsLibraryIsLoadedOnlyOnceSuchAClientAsks) {
    Notice notice;
    const HWND w = notice.Window();
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == w; }));
    const auto loaded = [&](const wchar_t* name) {
        const std::vector<std::wstring> modules = LoadedModules(notice.ProcessId());
        EXPECT_FALSE(modules.empty()) << "the program's modules cannot be read";
        return std::find(modules.begin(), modules.end(), name) != modules.end();
    };
    EXPECT_FALSE(loaded(L"oleacc.dll"));
    EXPECT_FALSE(loaded(L"uiautomationcore.dll"));

    ComRef<IAccessible> msaa;
    ASSERT_EQ(S_OK, ClientObject(w, msaa));
    EXPECT_TRUE(loaded(L"oleacc.dll"));
    EXPECT_FALSE(loaded(L"uiautomationcore.dll")) << "loaded for an MSAA client";
    UiaElement window;
    ASSERT_NO_FATAL_FAILURE(ElementOf(w, window));
    EXPECT_TRUE(loaded(L"uiautomationcore.dll"));
    EXPECT_EQ(0u, notice.Close());
}

// What a reader that reads the window through UI Automation says as it opens, by the same
// dialog-text rule: word for word what it says through MSAA.
TEST_F(UiAutomation, AsTheNoticeOpensAReaderSaysTheSameThroughUiAutomationAsThroughMsaa) {
    Notice notice;
    const HWND w = notice.Window();
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == w; }));
    UiaElement window;
    ASSERT_NO_FATAL_FAILURE(ElementOf(w, window));
    ComRef<IAccessible> msaa;
    ASSERT_EQ(S_OK, ClientObject(w, msaa));

    const std::vector<std::wstring> throughUia = SpeakUia(window), throughMsaa = Speak(msaa.Get());
    std::printf("What a reader says, through UI Automation | through MSAA:\n");
    for (std::size_t i = 0; i < std::max(throughUia.size(), throughMsaa.size()); ++i)
        std::printf("  \"%s\" | \"%s\"\n", i < throughUia.size() ? Text(throughUia[i]).c_str() : "",
                    i < throughMsaa.size() ? Text(throughMsaa[i]).c_str() : "");
    std::vector<std::wstring> expected{kCaption,    L"dialog",   kTitle.text,
                                       kLabel1Text, kLabel3Text, kLabel4Text,
                                       kHost,       kAddress,    kLabel5Text};
    EXPECT_EQ(expected, throughMsaa);
    // Where the client cannot read the link's value (Wine 8), the reader says all but that.
    const UiaElement link = window.Navigate(kToLastChild).Navigate(kToPrevious);
    if (!ClientGives(link, kValueValueProperty)) {
        std::printf("The link's value through this platform's client: not given\n");
        expected.erase(expected.begin() + 7);
    }
    EXPECT_EQ(expected, throughUia);
    EXPECT_TRUE(ReadUiaTree(window));
    EXPECT_EQ(0u, notice.Close());
}

// While the "Error" dialog has the notice disabled, its elements say so, and the link cannot
// be invoked; once it is dismissed, they are enabled again and the link opens the address.
TEST_F(UiAutomation, WhileTheErrorDialogIsUpTheElementsAreDisabledAndTheLinkCannotBeInvoked) {
    BrowserLog log;
    SetMissingHttpHandler();
    Notice notice;
    const HWND w = notice.Window();
    UiaElement window;
    ASSERT_NO_FATAL_FAILURE(ElementOf(w, window));
    const std::vector<UiaElement> children = ChildrenOf(window);
    ASSERT_EQ(7u, children.size());
    const UiaElement& link = children[5];
    ASSERT_EQ(kHyperlinkControlType, link.ControlType());
    // The pattern, where the platform's client gives one: tried, not assumed.
    ComRef<IUnknown> invoke;
    LinkInvokePattern(w, invoke.Put());
    const bool invokes = invoke.Get() != nullptr;
    std::printf("The link's Invoke through this platform's client: %s\n",
                invokes ? "called" : "not available");

    // Readers that keep what they read are told of the change, in another process. The
    // program tells of each of its elements; the system may add the window's own (Wine 10
    // does, for the client object as a whole).
    StateChanges changes(notice.ProcessId());
    Click(CentreOnScreen(w, ExpectedBox(kLink)));
    const HWND dialog = notice.WaitForOneShown(L"Error");
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(changes.WaitFor(7)) << "MSAA state changes seen: " << changes.Elements().size();
    EXPECT_EQ((std::vector<LONG>{1, 2, 3, 4, 5, 6, 7}), changes.Elements()) << "as the dialog came";
    std::printf("This platform's own state change for the client object as the dialog came: %s\n",
                changes.SystemsOwn() ? "sent" : "not sent");
    changes.Clear();
    EXPECT_EQ(0, link.Flag(kIsEnabledProperty));
    EXPECT_EQ(0, children[2].Flag(kIsEnabledProperty));
    EXPECT_EQ(0, window.Flag(kIsEnabledProperty));
    if (invokes) {
        EXPECT_EQ(kUiaElementNotEnabled, UiaClientObject::Invoke(invoke.Get()));
    }
    Dismiss(dialog);
    ASSERT_TRUE(WaitFor([&] { return notice.Shown(L"Error").empty() && IsWindowEnabled(w); }));
    EXPECT_EQ(1, link.Flag(kIsEnabledProperty));
    EXPECT_TRUE(changes.WaitFor(7)) << "MSAA state changes seen: " << changes.Elements().size();
    EXPECT_EQ((std::vector<LONG>{1, 2, 3, 4, 5, 6, 7}), changes.Elements()) << "as the dialog went";

    if (invokes) {
        SetHttpHandler(L"\"" + BesideTests(L"stand_in_browser.exe") + L"\" \"%1\"");
        EXPECT_EQ(S_OK, UiaClientObject::Invoke(invoke.Get()));
        ASSERT_TRUE(WaitFor([&] { return !log.Lines().empty(); }));
        EXPECT_EQ(std::vector<std::string>{"http://www.tolvan.example"}, log.SettledLines());
        EXPECT_TRUE(notice.Shown(L"Error").empty()) << "the refused Invoke started a launch";
    }
    EXPECT_EQ(0u, notice.Close());
}

// A client that holds elements past the window's end gets errors, and the program exits as
// it always does.
TEST_F(UiAutomation, AnElementHeldPastCloseFailsCleanly) {
    Notice notice;
    UiaElement window;
    ASSERT_NO_FATAL_FAILURE(ElementOf(notice.Window(), window));
    UiaElement link = window.Navigate(kToLastChild).Navigate(kToPrevious);
    ASSERT_EQ(std::wstring(kHost), link.Name());
    ComRef<IUnknown> invoke;
    LinkInvokePattern(notice.Window(), invoke.Put());
    EXPECT_EQ(0u, notice.Close());

    VARIANT v;
    EXPECT_TRUE(FAILED(link.Property(kNameProperty, v)));
    VariantClear(&v);
    EXPECT_TRUE(FAILED(window.Property(kIsDialogProperty, v)));
    VariantClear(&v);
    HRESULT navigated = S_OK;
    EXPECT_FALSE(link.Navigate(kToParent, &navigated));
    std::printf("Navigating from an element held past close: 0x%08lx\n",
                static_cast<unsigned long>(navigated));
    if (invoke.Get()) {
        EXPECT_TRUE(FAILED(UiaClientObject::Invoke(invoke.Get())));
    }
}
