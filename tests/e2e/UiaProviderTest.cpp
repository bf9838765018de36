// The UI Automation providers called as UI Automation calls them, in the process of a small form
// built from the program's own window classes: what a client in another process cannot reach
// through Wine 8's client (boxes, the link's patterns, hit testing, the state after the window
// goes). The notice itself, read from another process, is UiAutomation.*.
#include "Application.h"
#include "win/Elements.h"
#include "win/Form.h"
#include "win/UiAutomation.h"
#include "win/UiaInterfaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace win;

// The window classes report an error that escapes a handler through the application; here the
// test fails instead.
void TApplication::ShowException() noexcept { ADD_FAILURE() << "an exception escaped a handler"; }

namespace {

// A heading, a picture, a link, and a label that lies below the client area.
class FixtureForm : public Form {
public:
    FixtureForm() {
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
        below.Create(nullptr, {10, 2000, 100, 20}, L"Below", style);
        for (TControl* control :
             {static_cast<TControl*>(&heading), static_cast<TControl*>(&picture),
              static_cast<TControl*>(&link), static_cast<TControl*>(&below)})
            AddControl(*control);
        ShowWindow(Handle(), SW_SHOWNORMAL);
    }
    ~FixtureForm() override { DestroyHandle(); }

    TLabel heading, link, below;
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

class UiaProvider : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        shared_ = SharedElements::Create(form_);
        ASSERT_NE(nullptr, shared_);
        IRawElementProviderSimple* root = automation_.Root(*shared_);
        ASSERT_NE(nullptr, root) << "uiautomationcore could not be loaded";
        root_ = As<IRawElementProviderFragment>(root);
        ASSERT_NE(nullptr, root_);
        // The fixture's elements in reading order: heading, picture, link, the one below.
        for (IRawElementProviderFragment* e = Go(root_, NavigateDirection_FirstChild); e;
             e = Go(e, NavigateDirection_NextSibling))
            children_.push_back(e);
        ASSERT_EQ(4u, children_.size());
        link_ = children_[2];
    }
    void TearDown() override {
        for (IRawElementProviderFragment* e : children_) e->Release();
        if (root_) root_->Release();
        CutOff();
        if (shared_) shared_->Release();
        CoUninitialize();
    }
    void CutOff() {
        if (shared_) shared_->CutOff();
        automation_.Disconnect();
    }

    FixtureForm form_;
    SharedElements* shared_ = nullptr;
    FormAutomation automation_;
    IRawElementProviderFragment* root_ = nullptr;
    std::vector<IRawElementProviderFragment*> children_;
    IRawElementProviderFragment* link_ = nullptr;
};

} // namespace

TEST_F(UiaProvider, EveryElementSaysWhatAndWhereItIsAndHowToReachTheOthers) {
    const HWND w = form_.Handle();
    EXPECT_EQ(L"Fixture dialog", NameOf(root_));
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
        std::wstring name;
        long type;
        RECT box; // in the client area
        int offscreen;
    } expected[] = {
        {L"Heading", uia::kTextControlType, {10, 10, 210, 30}, 0},
        {L"A picture", uia::kImageControlType, {300, 10, 350, 60}, 0},
        {L"example.test", uia::kHyperlinkControlType, {10, 100, 130, 120}, 0},
        {L"Below", uia::kTextControlType, {10, 2000, 110, 2020}, 1},
    };
    for (std::size_t i = 0; i < children_.size(); ++i) {
        IRawElementProviderFragment* e = children_[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].name, NameOf(e));
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

TEST_F(UiaProvider, TheLinkIsInvokedAsAClickIsAndRefusedWhileTheFormIsDisabled) {
    IRawElementProviderSimple* link = As<IRawElementProviderSimple>(link_);
    IRawElementProviderSimple* heading = As<IRawElementProviderSimple>(children_[0]);
    IUnknown* none = nullptr;
    EXPECT_EQ(S_OK, heading->GetPatternProvider(uia::kInvokePattern, &none));
    EXPECT_EQ(nullptr, none) << "a text has no action";
    EXPECT_EQ(nullptr, As<IInvokeProvider>(heading));
    heading->Release();

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

TEST_F(UiaProvider, OnceTheWindowGoesEveryHeldElementFailsAndNothingReachesTheForm) {
    IRawElementProviderSimple* link = As<IRawElementProviderSimple>(link_);
    IUnknown* pattern = nullptr;
    ASSERT_EQ(S_OK, link->GetPatternProvider(uia::kInvokePattern, &pattern));
    IInvokeProvider* invoke = As<IInvokeProvider>(pattern);
    pattern->Release();
    ASSERT_NE(nullptr, invoke);
    CutOff(); // as the form does when its window is destroyed

    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(uia::kElementNotAvailable, link->GetPropertyValue(uia::kNameProperty, &v));
    EXPECT_EQ(VT_EMPTY, v.vt);
    IRawElementProviderFragment* to = nullptr;
    EXPECT_EQ(uia::kElementNotAvailable, link_->Navigate(NavigateDirection_Parent, &to));
    EXPECT_EQ(nullptr, to);
    UiaRect box{};
    EXPECT_EQ(uia::kElementNotAvailable, root_->get_BoundingRectangle(&box));
    EXPECT_EQ(uia::kElementNotAvailable, invoke->Invoke());
    Pump();
    EXPECT_EQ(0, form_.clicks);
    invoke->Release();
    link->Release();
}
