// The UI Automation providers and the MSAA object called as their clients call them, in the
// process of a small form built from the program's own window classes, reached as a reader
// reaches them (WM_GETOBJECT): what a client in another process cannot reach through Wine 8's
// client (boxes, the link's patterns, hit testing, the state after the window goes), what the
// program tells UI Automation (RecordingUiaCore.h), and what it does when memory runs out
// while a reader asks. The notice itself, read from another process, is UiAutomation.*.
#include "Application.h"
#include "RecordingUiaCore.h"
#include "win/Elements.h"
#include "win/Form.h"
#include "win/UiAutomation.h"
#include "win/UiaInterfaces.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <atomic>
#include <functional>
#include <new>
#include <string>
#include <vector>

using namespace win;
using e2e::RecordedUiaCalls;

// The window classes report an error that escapes a handler through the application; here the
// test fails instead.
void TApplication::ShowException() noexcept { ADD_FAILURE() << "an exception escaped a handler"; }

// Allocations can be made to fail: the allocation `failAfter` from now throws, as it would
// with no memory left. Nothing fails while it is negative.
namespace {
std::atomic<long> failAfter{-1};
} // namespace

void* operator new(std::size_t size) {
    if (failAfter >= 0 && failAfter-- == 0) throw std::bad_alloc();
    if (void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

// A heading, a picture, a link, an address that nothing follows, and a label that lies below
// the client area.
class FixtureForm : public Form {
public:
    FixtureForm() {
        Name = L"FixtureForm";
        WNDCLASSEXW wc{};
        wc.lpszClassName = L"UiaFixtureForm";
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassOnce(wc);
        SetColour(RGB(255, 255, 255));
        Create(L"UiaFixtureForm", L"Fixture dialog", WS_OVERLAPPEDWINDOW, 0, {120, 90, 620, 390},
               nullptr);
        const TLabel::Style style{nullptr, {core::Ink::WindowText, 0}, false, false};
        heading.Create(nullptr, {10, 10, 200, 20}, L"Heading", style);
        picture.Create({300, 10, 50, 50}, nullptr);
        picture.AlternativeText = L"A picture";
        link.Create(nullptr, {10, 100, 120, 20}, L"example.test", style);
        link.LinkAddress = L"http://example.test";
        link.OnClick = [this](TControl&) { ++clicks; };
        address.Create(nullptr, {10, 140, 160, 20}, L"example.test/help", style);
        address.LinkAddress = L"http://example.test/help";
        below.Create(nullptr, {10, 2000, 100, 20}, L"Below", style);
        heading.Name = L"Heading";
        picture.Name = L"Picture";
        link.Name = L"Link";
        address.Name = L"Address";
        below.Name = L"Below";
        for (TControl* control : {static_cast<TControl*>(&heading),
                                  static_cast<TControl*>(&picture), static_cast<TControl*>(&link),
                                  static_cast<TControl*>(&address), static_cast<TControl*>(&below)})
            AddControl(*control);
        ShowWindow(Handle(), SW_SHOWNORMAL);
    }
    ~FixtureForm() override { DestroyHandle(); }

    TLabel heading, link, address, below;
    TImage picture;
    int clicks = 0;
};

// Handles the messages the form has been sent or posted so far.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

template <typename T> T* As(IUnknown* object) {
    T* wanted = nullptr;
    if (object) object->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&wanted));
    return wanted;
}

IRawElementProviderFragment* Go(IRawElementProviderFragment* from, NavigateDirection direction) {
    IRawElementProviderFragment* to = nullptr;
    EXPECT_EQ(S_OK, from->Navigate(direction, &to));
    return to;
}

std::wstring NameOf(IUnknown* element) {
    IRawElementProviderSimple* simple = As<IRawElementProviderSimple>(element);
    VARIANT v;
    VariantInit(&v);
    std::wstring name = L"(failed)";
    if (simple && SUCCEEDED(simple->GetPropertyValue(uia::kNameProperty, &v)) && v.vt == VT_BSTR)
        name = v.bstrVal;
    VariantClear(&v);
    if (simple) simple->Release();
    return name;
}

VARIANT PropertyOf(IUnknown* element, PROPERTYID property) {
    VARIANT v;
    VariantInit(&v);
    IRawElementProviderSimple* simple = As<IRawElementProviderSimple>(element);
    if (simple) {
        simple->GetPropertyValue(property, &v);
        simple->Release();
    }
    return v;
}

long Int(IUnknown* element, PROPERTYID property) {
    const VARIANT v = PropertyOf(element, property);
    return v.vt == VT_I4 ? v.lVal : -1;
}

int Flag(IUnknown* element, PROPERTYID property) {
    const VARIANT v = PropertyOf(element, property);
    return v.vt == VT_BOOL ? (v.boolVal ? 1 : 0) : -1;
}

RECT BoxOf(IRawElementProviderFragment* element) {
    UiaRect box{};
    EXPECT_EQ(S_OK, element->get_BoundingRectangle(&box));
    return {static_cast<LONG>(box.left), static_cast<LONG>(box.top),
            static_cast<LONG>(box.left + box.width), static_cast<LONG>(box.top + box.height)};
}

RECT OnScreen(HWND window, RECT box) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// The window's element as the form hands it to UI Automation for WM_GETOBJECT.
IRawElementProviderFragment* RootOf(HWND window) {
    const std::size_t before = RecordedUiaCalls().handedOver.size();
    SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(kUiaRootObjectId));
    const auto& handed = RecordedUiaCalls().handedOver;
    return handed.size() > before ? As<IRawElementProviderFragment>(handed.back()) : nullptr;
}

class UiaProvider : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        RecordedUiaCalls().Clear();
        root_ = RootOf(form_.Handle());
        ASSERT_NE(nullptr, root_) << "the form handed no element over";
        // The fixture's elements in reading order: heading, picture, link, address, the one
        // below.
        for (IRawElementProviderFragment* e = Go(root_, NavigateDirection_FirstChild); e;
             e = Go(e, NavigateDirection_NextSibling))
            children_.push_back(e);
        ASSERT_EQ(5u, children_.size());
        link_ = children_[2];
    }
    void TearDown() override {
        for (IRawElementProviderFragment* e : children_) e->Release();
        if (root_) root_->Release();
        RecordedUiaCalls().listening = false;
        if (form_.Handle()) DestroyWindow(form_.Handle());
        CoUninitialize();
    }

    FixtureForm form_;
    IRawElementProviderFragment* root_ = nullptr;
    std::vector<IRawElementProviderFragment*> children_;
    IRawElementProviderFragment* link_ = nullptr;
};

std::wstring AutomationIdOf(IUnknown* element) {
    VARIANT v = PropertyOf(element, uia::kAutomationIdProperty);
    const std::wstring id = v.vt == VT_BSTR ? v.bstrVal : L"(none)";
    VariantClear(&v);
    return id;
}

} // namespace

TEST_F(UiaProvider, EveryElementSaysWhatAndWhereItIsAndHowToReachTheOthers) {
    const HWND w = form_.Handle();
    EXPECT_EQ(L"Fixture dialog", NameOf(root_));
    EXPECT_EQ(L"FixtureForm", AutomationIdOf(root_));
    EXPECT_EQ(uia::kWindowControlType, Int(root_, uia::kControlTypeProperty));
    EXPECT_EQ(1, Flag(root_, uia::kIsDialogProperty));
    RECT frame{};
    GetWindowRect(w, &frame);
    EXPECT_TRUE(Same(frame, BoxOf(root_)));
    IRawElementProviderSimple* host = nullptr;
    IRawElementProviderSimple* rootSimple = As<IRawElementProviderSimple>(root_);
    EXPECT_EQ(S_OK, rootSimple->get_HostRawElementProvider(&host));
    EXPECT_NE(nullptr, host) << "the window's own properties come from its host";
    if (host) host->Release();
    rootSimple->Release();

    const struct {
        std::wstring name, automationId;
        long type;
        RECT box; // in the client area
        int offscreen;
    } expected[] = {
        {L"Heading", L"Heading", uia::kTextControlType, {10, 10, 210, 30}, 0},
        {L"A picture", L"Picture", uia::kImageControlType, {300, 10, 350, 60}, 0},
        {L"example.test", L"Link", uia::kHyperlinkControlType, {10, 100, 130, 120}, 0},
        {L"example.test/help", L"Address", uia::kHyperlinkControlType, {10, 140, 170, 160}, 0},
        {L"Below", L"Below", uia::kTextControlType, {10, 2000, 110, 2020}, 1},
    };
    for (std::size_t i = 0; i < children_.size(); ++i) {
        IRawElementProviderFragment* e = children_[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].name, NameOf(e));
        EXPECT_EQ(expected[i].automationId, AutomationIdOf(e));
        EXPECT_EQ(expected[i].type, Int(e, uia::kControlTypeProperty));
        EXPECT_TRUE(Same(OnScreen(w, expected[i].box), BoxOf(e)));
        EXPECT_EQ(expected[i].offscreen, Flag(e, uia::kIsOffscreenProperty));
        EXPECT_EQ(1, Flag(e, uia::kIsEnabledProperty));
        EXPECT_EQ(0, Flag(e, uia::kIsKeyboardFocusableProperty));
        EXPECT_EQ(0, Flag(e, uia::kHasKeyboardFocusProperty));
        EXPECT_EQ(0, Flag(e, uia::kIsDialogProperty));

        SAFEARRAY* id = nullptr;
        ASSERT_EQ(S_OK, e->GetRuntimeId(&id));
        ASSERT_NE(nullptr, id);
        LONG* parts = nullptr;
        ASSERT_EQ(S_OK, SafeArrayAccessData(id, reinterpret_cast<void**>(&parts)));
        EXPECT_EQ(2u, id->rgsabound[0].cElements);
        EXPECT_EQ(uia::kAppendRuntimeId, parts[0]) << "unique only with the window's id before it";
        EXPECT_EQ(static_cast<LONG>(i + 1), parts[1]);
        SafeArrayUnaccessData(id);
        SafeArrayDestroy(id);

        IRawElementProviderFragment* parent = Go(e, NavigateDirection_Parent);
        EXPECT_EQ(L"Fixture dialog", NameOf(parent));
        if (parent) parent->Release();
        IRawElementProviderFragment* previous = Go(e, NavigateDirection_PreviousSibling);
        EXPECT_EQ(i == 0 ? L"(failed)" : expected[i - 1].name, NameOf(previous));
        if (previous) previous->Release();
        EXPECT_EQ(nullptr, Go(e, NavigateDirection_FirstChild));
        IRawElementProviderFragmentRoot* root = nullptr;
        EXPECT_EQ(S_OK, e->get_FragmentRoot(&root));
        EXPECT_EQ(L"Fixture dialog", NameOf(root));
        if (root) root->Release();
    }
    IRawElementProviderFragment* last = Go(root_, NavigateDirection_LastChild);
    EXPECT_EQ(L"Below", NameOf(last));
    if (last) last->Release();
    // The window's parent and siblings are UI Automation's own business.
    EXPECT_EQ(nullptr, Go(root_, NavigateDirection_Parent));
    EXPECT_EQ(nullptr, Go(root_, NavigateDirection_NextSibling));

    // Hit testing: the control the mouse would reach, the window between controls, and nothing
    // outside.
    IRawElementProviderFragmentRoot* root = As<IRawElementProviderFragmentRoot>(root_);
    ASSERT_NE(nullptr, root);
    const auto at = [&](POINT client) {
        ClientToScreen(w, &client);
        IRawElementProviderFragment* found = nullptr;
        EXPECT_EQ(S_OK, root->ElementProviderFromPoint(client.x, client.y, &found));
        const std::wstring name = found ? NameOf(found) : L"(none)";
        if (found) found->Release();
        return name;
    };
    EXPECT_EQ(L"example.test", at({70, 110}));
    EXPECT_EQ(L"A picture", at({320, 30}));
    EXPECT_EQ(L"Fixture dialog", at({250, 200}));
    EXPECT_EQ(L"(none)", at({-5, -5}));
    IRawElementProviderFragment* focus = reinterpret_cast<IRawElementProviderFragment*>(1);
    EXPECT_EQ(S_OK, root->GetFocus(&focus));
    EXPECT_EQ(nullptr, focus) << "no control takes the focus";
    root->Release();
}

// Which element offers which pattern comes from what it does: a click that does something
// (Invoke) and a value to read (Value), as the MSAA object's default action and value do.
TEST_F(UiaProvider, AnElementOffersAPatternOnlyForWhatItDoes) {
    const struct {
        std::size_t child;
        bool invoke, value;
    } rows[] = {{0, false, false}, {2, true, true}, {3, false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(NameOf(children_[row.child]));
        IRawElementProviderSimple* e = As<IRawElementProviderSimple>(children_[row.child]);
        for (const PATTERNID pattern : {uia::kInvokePattern, uia::kValuePattern}) {
            IUnknown* provider = nullptr;
            EXPECT_EQ(S_OK, e->GetPatternProvider(pattern, &provider));
            EXPECT_EQ(pattern == uia::kInvokePattern ? row.invoke : row.value, provider != nullptr)
                << "pattern " << pattern;
            if (provider) provider->Release();
        }
        IInvokeProvider* invoke = As<IInvokeProvider>(e);
        EXPECT_EQ(row.invoke, invoke != nullptr);
        if (invoke) invoke->Release();
        IValueProvider* value = As<IValueProvider>(e);
        EXPECT_EQ(row.value, value != nullptr);
        if (value) value->Release();
        e->Release();
    }
}

TEST_F(UiaProvider, TheLinkIsInvokedAsAClickIsAndRefusedWhileTheFormIsDisabled) {
    IRawElementProviderSimple* link = As<IRawElementProviderSimple>(link_);
    IUnknown* pattern = nullptr;

    ASSERT_EQ(S_OK, link->GetPatternProvider(uia::kValuePattern, &pattern));
    IValueProvider* value = As<IValueProvider>(pattern);
    ASSERT_NE(nullptr, value);
    pattern->Release();
    BSTR address = nullptr;
    EXPECT_EQ(S_OK, value->get_Value(&address));
    EXPECT_EQ(std::wstring(L"http://example.test"), address ? address : L"");
    SysFreeString(address);
    BOOL readOnly = FALSE;
    EXPECT_EQ(S_OK, value->get_IsReadOnly(&readOnly));
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(uia::kInvalidOperation, value->SetValue(L"http://elsewhere.test"));
    VARIANT asProperty = PropertyOf(link, uia::kValueProperty);
    EXPECT_EQ(VT_BSTR, asProperty.vt);
    if (asProperty.vt == VT_BSTR) {
        EXPECT_EQ(std::wstring(L"http://example.test"), asProperty.bstrVal);
    }
    VariantClear(&asProperty);
    value->Release();

    ASSERT_EQ(S_OK, link->GetPatternProvider(uia::kInvokePattern, &pattern));
    IInvokeProvider* invoke = As<IInvokeProvider>(pattern);
    ASSERT_NE(nullptr, invoke);
    pattern->Release();
    // The click comes once the caller has returned, as a posted message.
    EXPECT_EQ(S_OK, invoke->Invoke());
    EXPECT_EQ(0, form_.clicks);
    Pump();
    EXPECT_EQ(1, form_.clicks);

    // While a modal dialog has the form disabled: refused, and the elements say why.
    EnableWindow(form_.Handle(), FALSE);
    EXPECT_EQ(uia::kElementNotEnabled, invoke->Invoke());
    EXPECT_EQ(0, Flag(link, uia::kIsEnabledProperty));
    EXPECT_EQ(0, Flag(root_, uia::kIsEnabledProperty));
    EnableWindow(form_.Handle(), TRUE);
    // Anything the refused call had posted would come before this one's click.
    EXPECT_EQ(S_OK, invoke->Invoke());
    Pump();
    EXPECT_EQ(2, form_.clicks);
    invoke->Release();
    link->Release();
}

// What every client holds when the window is destroyed: each element of the tree, the link's
// patterns and the MSAA object. From then on every call that needs the form fails as UI
// Automation and MSAA say it must, nothing reaches the form, and UI Automation was told.
TEST_F(UiaProvider, OnceTheWindowIsDestroyedEveryHeldElementFailsAndClientsAreCutOff) {
    const HWND w = form_.Handle();
    IRawElementProviderSimple* link = As<IRawElementProviderSimple>(link_);
    IUnknown* pattern = nullptr;
    ASSERT_EQ(S_OK, link->GetPatternProvider(uia::kInvokePattern, &pattern));
    IInvokeProvider* invoke = As<IInvokeProvider>(pattern);
    pattern->Release();
    ASSERT_EQ(S_OK, link->GetPatternProvider(uia::kValuePattern, &pattern));
    IValueProvider* value = As<IValueProvider>(pattern);
    pattern->Release();
    ASSERT_NE(nullptr, invoke);
    ASSERT_NE(nullptr, value);
    IAccessible* msaa = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(w, OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&msaa)));
    long count = 0;
    ASSERT_EQ(S_OK, msaa->get_accChildCount(&count));
    ASSERT_EQ(5, count) << "not the form's own object";
    std::vector<IRawElementProviderFragment*> all{root_};
    all.insert(all.end(), children_.begin(), children_.end());
    RecordedUiaCalls().Clear();

    ASSERT_TRUE(DestroyWindow(w));

    // UI Automation lets go of every element at once, and of what it holds for the window.
    EXPECT_EQ(all.size(), RecordedUiaCalls().disconnected.size()) << "UiaDisconnectProvider";
    for (IRawElementProviderFragment* e : all) {
        IRawElementProviderSimple* simple = As<IRawElementProviderSimple>(e);
        const auto& gone = RecordedUiaCalls().disconnected;
        EXPECT_TRUE(std::find(gone.begin(), gone.end(), simple) != gone.end())
            << "not disconnected: " << NameOf(e);
        if (simple) simple->Release();
    }
    EXPECT_EQ(std::vector<HWND>{w}, RecordedUiaCalls().released)
        << "UiaReturnRawElementProvider(hwnd, 0, 0, NULL)";

    // Each provider method on each element it applies to: what it answers now.
    const HRESULT gone = uia::kElementNotAvailable;
    using Call = std::function<HRESULT(IRawElementProviderFragment*)>;
    const struct {
        const char* method;
        HRESULT expected;
        Call call;
    } uiaRows[] = {
        {"get_ProviderOptions", S_OK,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderSimple* s = As<IRawElementProviderSimple>(e);
             ProviderOptions options{};
             const HRESULT hr = s->get_ProviderOptions(&options);
             s->Release();
             return hr;
         }},
        {"GetPatternProvider", gone,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderSimple* s = As<IRawElementProviderSimple>(e);
             IUnknown* p = nullptr;
             const HRESULT hr = s->GetPatternProvider(uia::kInvokePattern, &p);
             if (p) p->Release();
             s->Release();
             return hr;
         }},
        {"GetPropertyValue", gone,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderSimple* s = As<IRawElementProviderSimple>(e);
             VARIANT v;
             VariantInit(&v);
             const HRESULT hr = s->GetPropertyValue(uia::kNameProperty, &v);
             VariantClear(&v);
             s->Release();
             return hr;
         }},
        {"get_HostRawElementProvider", gone,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderSimple* s = As<IRawElementProviderSimple>(e);
             IRawElementProviderSimple* host = nullptr;
             const HRESULT hr = s->get_HostRawElementProvider(&host);
             if (host) host->Release();
             s->Release();
             return hr;
         }},
        {"Navigate", gone,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderFragment* to = nullptr;
             const HRESULT hr = e->Navigate(NavigateDirection_Parent, &to);
             if (to) to->Release();
             return hr;
         }},
        {"GetRuntimeId", gone,
         [](IRawElementProviderFragment* e) {
             SAFEARRAY* id = nullptr;
             const HRESULT hr = e->GetRuntimeId(&id);
             if (id) SafeArrayDestroy(id);
             return hr;
         }},
        {"get_BoundingRectangle", gone,
         [](IRawElementProviderFragment* e) {
             UiaRect box{};
             return e->get_BoundingRectangle(&box);
         }},
        {"GetEmbeddedFragmentRoots", S_OK,
         [](IRawElementProviderFragment* e) {
             SAFEARRAY* roots = nullptr;
             return e->GetEmbeddedFragmentRoots(&roots);
         }},
        {"SetFocus", gone, [](IRawElementProviderFragment* e) { return e->SetFocus(); }},
        {"get_FragmentRoot", gone,
         [](IRawElementProviderFragment* e) {
             IRawElementProviderFragmentRoot* root = nullptr;
             const HRESULT hr = e->get_FragmentRoot(&root);
             if (root) root->Release();
             return hr;
         }},
    };
    for (IRawElementProviderFragment* e : all)
        for (const auto& row : uiaRows)
            EXPECT_EQ(row.expected, row.call(e)) << row.method << " on element " << (&e - &all[0]);
    IRawElementProviderFragmentRoot* root = As<IRawElementProviderFragmentRoot>(root_);
    ASSERT_NE(nullptr, root);
    const POINT inside{200, 200}; // where the link was
    IRawElementProviderFragment* found = nullptr;
    EXPECT_EQ(gone, root->ElementProviderFromPoint(inside.x, inside.y, &found))
        << "ElementProviderFromPoint";
    EXPECT_EQ(nullptr, found);
    EXPECT_EQ(gone, root->GetFocus(&found)) << "GetFocus";
    root->Release();
    EXPECT_EQ(gone, invoke->Invoke()) << "Invoke";
    EXPECT_EQ(gone, value->SetValue(L"http://elsewhere.test")) << "SetValue";
    BSTR text = nullptr;
    EXPECT_EQ(gone, value->get_Value(&text)) << "get_Value";
    EXPECT_EQ(nullptr, text);
    BOOL readOnly = FALSE;
    EXPECT_EQ(gone, value->get_IsReadOnly(&readOnly)) << "get_IsReadOnly";

    // The MSAA object: every method, for the client area itself and for a child.
    for (const long id : {static_cast<long>(CHILDID_SELF), 3L}) {
        SCOPED_TRACE(testing::Message() << "MSAA child " << id);
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = id;
        VARIANT out;
        VariantInit(&out);
        BSTR s = nullptr;
        IDispatch* object = nullptr;
        long a = 0, b = 0, c = 0, d = 0;
        const HRESULT off = RPC_E_DISCONNECTED;
        EXPECT_EQ(off, msaa->get_accParent(&object));
        EXPECT_EQ(off, msaa->get_accChildCount(&a));
        EXPECT_EQ(off, msaa->get_accChild(child, &object));
        EXPECT_EQ(off, msaa->get_accName(child, &s));
        EXPECT_EQ(off, msaa->get_accValue(child, &s));
        EXPECT_EQ(off, msaa->get_accDescription(child, &s));
        EXPECT_EQ(off, msaa->get_accRole(child, &out));
        EXPECT_EQ(off, msaa->get_accState(child, &out));
        EXPECT_EQ(off, msaa->get_accHelp(child, &s));
        EXPECT_EQ(off, msaa->get_accHelpTopic(&s, child, &a));
        EXPECT_EQ(off, msaa->get_accKeyboardShortcut(child, &s));
        EXPECT_EQ(off, msaa->get_accFocus(&out));
        EXPECT_EQ(off, msaa->get_accSelection(&out));
        EXPECT_EQ(off, msaa->get_accDefaultAction(child, &s));
        EXPECT_EQ(off, msaa->accSelect(SELFLAG_TAKEFOCUS, child));
        EXPECT_EQ(off, msaa->accLocation(&a, &b, &c, &d, child));
        EXPECT_EQ(off, msaa->accNavigate(id == CHILDID_SELF ? NAVDIR_FIRSTCHILD : NAVDIR_NEXT,
                                         child, &out));
        EXPECT_EQ(off, msaa->accHitTest(inside.x, inside.y, &out));
        EXPECT_EQ(off, msaa->accDoDefaultAction(child));
    }
    msaa->Release();
    Pump();
    EXPECT_EQ(0, form_.clicks) << "a call after the window went reached the form";
    invoke->Release();
    value->Release();
    link->Release();
}

namespace {

std::vector<LONG> stateChanges; // the MSAA children whose state changed, in turn

void CALLBACK RecordStateChange(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) stateChanges.push_back(child);
}

// Handles messages until that many state changes have come, or the deadline passes.
bool WaitForEvents(std::size_t count) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (stateChanges.size() >= count) return true;
        if (GetTickCount() - start > 5000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

int FlagOf(const VARIANT& v) { return v.vt == VT_BOOL ? (v.boolVal ? 1 : 0) : -1; }

} // namespace

// Readers that keep what they have read hear when the form is disabled and enabled again (a
// modal dialog comes and goes): a state change per control for MSAA, and IsEnabled on every
// element for UI Automation while a client listens. Nothing before a client has asked.
TEST(ReaderEvents, EnablingAndDisablingTheFormIsAnnouncedOnceAReaderHasAsked) {
    CoInitialize(nullptr);
    RecordedUiaCalls().Clear();
    std::vector<LONG>& changed = stateChanges;
    changed.clear();
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE, nullptr,
                        RecordStateChange, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(nullptr, hook);
    {
        FixtureForm form;
        const HWND w = form.Handle();
        const auto toggle = [&](bool enabled) {
            changed.clear();
            RecordedUiaCalls().changes.clear();
            EnableWindow(w, enabled ? TRUE : FALSE);
            Pump();
        };
        RecordedUiaCalls().listening = true;
        toggle(false);
        toggle(true);
        EXPECT_TRUE(changed.empty()) << "an event before any reader asked";
        EXPECT_TRUE(RecordedUiaCalls().changes.empty()) << "an event before any client asked";

        IRawElementProviderFragment* root = RootOf(w);
        ASSERT_NE(nullptr, root);
        const struct {
            bool listening, enabled;
        } rows[] = {{true, false}, {true, true}, {false, false}, {false, true}};
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << (row.enabled ? "enabled" : "disabled")
                                            << (row.listening ? ", a client listening" : ""));
            RecordedUiaCalls().listening = row.listening;
            toggle(row.enabled);
            EXPECT_TRUE(WaitForEvents(5)) << "state changes seen: " << changed.size();
            EXPECT_EQ((std::vector<LONG>{1, 2, 3, 4, 5}), changed);
            const auto& changes = RecordedUiaCalls().changes;
            EXPECT_EQ(row.listening ? 6u : 0u, changes.size()) << "IsEnabled, window and controls";
            for (const e2e::PropertyChange& change : changes) {
                EXPECT_EQ(uia::kIsEnabledProperty, change.property);
                EXPECT_EQ(row.enabled ? 0 : 1, FlagOf(change.before));
                EXPECT_EQ(row.enabled ? 1 : 0, FlagOf(change.now));
            }
        }
        root->Release();
    }
    UnhookWinEvent(hook);
    RecordedUiaCalls().listening = false;
    CoUninitialize();
}

// Memory that runs out while a reader asks (any allocation of the answer, in turn) gives the
// system's answer instead: no error report, which would hold the reader until the user
// dismissed a box. Asked again with memory, the form answers.
TEST(ReaderCalls, AnAllocationFailingWhileAReaderAsksGivesTheSystemsAnswerAndNoReport) {
    CoInitialize(nullptr);
    for (const LPARAM objectId :
         {static_cast<LPARAM>(OBJID_CLIENT), static_cast<LPARAM>(kUiaRootObjectId)}) {
        long failed = 0;
        for (long allocation = 0;; ++allocation) {
            SCOPED_TRACE(testing::Message()
                         << "object " << objectId << ", allocation " << allocation);
            FixtureForm form;
            failAfter = allocation;
            const LRESULT answer = SendMessageW(form.Handle(), WM_GETOBJECT, 0, objectId);
            const bool injected = failAfter < 0;
            failAfter = -1;
            const LRESULT again = SendMessageW(form.Handle(), WM_GETOBJECT, 0, objectId);
            EXPECT_NE(0, again) << "no answer once memory is back";
            for (const LRESULT given : {answer, again})
                if (given && objectId == OBJID_CLIENT) {
                    IAccessible* object = nullptr;
                    if (SUCCEEDED(ObjectFromLresult(given, __uuidof(IAccessible), 0,
                                                    reinterpret_cast<void**>(&object))))
                        object->Release();
                }
            if (!injected) {
                EXPECT_NE(0, answer);
                break;
            }
            ++failed;
            EXPECT_EQ(0, answer) << "an answer made without the memory it needs";
            DestroyWindow(form.Handle());
        }
        std::printf("object %ld: each of %ld allocations failed in turn, each answered by the "
                    "system\n",
                    static_cast<long>(objectId), failed);
        EXPECT_GT(failed, 0) << "no allocation was made to fail";
    }
    CoUninitialize();
}
