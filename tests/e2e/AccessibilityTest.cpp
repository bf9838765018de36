// The notice as a screen reader reads it, from another process through Microsoft Active
// Accessibility: its controls in reading order, what each is, where it is, and the link's
// default action.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstdio>

using namespace e2e;

namespace {

// One reference to a COM object.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Put() { return &p_; }

private:
    T* p_ = nullptr;
};

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Take(BSTR text) {
    std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return taken;
}

std::wstring Name(IAccessible* object, long id) {
    BSTR name = nullptr;
    return SUCCEEDED(object->get_accName(Child(id), &name)) ? Take(name) : L"(failed)";
}

long Number(HRESULT hr, const VARIANT& v) { return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1; }

long Role(IAccessible* object, long id) {
    VARIANT role;
    VariantInit(&role);
    return Number(object->get_accRole(Child(id), &role), role);
}

long State(IAccessible* object, long id) {
    VARIANT state;
    VariantInit(&state);
    return Number(object->get_accState(Child(id), &state), state);
}

RECT Location(IAccessible* object, long id) {
    long left = 0, top = 0, width = 0, height = 0;
    if (FAILED(object->accLocation(&left, &top, &width, &height, Child(id)))) return {};
    return {left, top, left + width, top + height};
}

// The id accNavigate reaches, 0 for none, -1 on an error.
long Navigate(IAccessible* object, long from, long direction) {
    VARIANT end;
    VariantInit(&end);
    const HRESULT hr = object->accNavigate(direction, Child(from), &end);
    if (hr == S_FALSE) return end.vt == VT_EMPTY ? 0 : -1;
    return Number(hr, end);
}

RECT OnScreen(HWND window, RECT clientBox) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&clientBox), 2);
    return clientBox;
}

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// ASCII for the log, line breaks shown.
std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c == L'\r' ? std::string("\\r") : std::string(1, static_cast<char>(c));
    return out;
}

class Accessibility : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    // The client object of the notice window, as a screen reader gets it.
    static void ClientOf(HWND window, ComRef<IAccessible>& client) {
        ASSERT_EQ(S_OK, AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                                   __uuidof(IAccessible),
                                                   reinterpret_cast<void**>(client.Put())));
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
    EXPECT_EQ(ROLE_SYSTEM_CLIENT, Role(client.Get(), CHILDID_SELF));
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

    std::printf("The notice as a screen reader reads it:\n  client \"%s\"\n",
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

TEST_F(Accessibility, DefaultActionOnTheLinkOpensTheAddressOnceAndOnALabelNothing) {
    BrowserLog log;
    Notice notice;
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(notice.Window(), client));

    for (long id : {long(kLabel2Id), long(kImage1Id), long(kLabel1Id), long(kLabel5Id)})
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, client->accDoDefaultAction(Child(id))) << id;
    Sleep(1000);
    EXPECT_TRUE(log.Lines().empty()) << "a label started a launch";

    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(kLinkId)));
    ASSERT_TRUE(WaitFor([&] { return log.Lines().size() == 1; }));
    Sleep(1000);
    EXPECT_EQ(std::vector<std::string>{"http://www.tolvan.example"}, log.Lines());
    EXPECT_TRUE(IsWindowVisible(notice.Window()));
    EXPECT_EQ(0u, notice.Close());
}

TEST_F(Accessibility, DefaultActionOnTheLinkReportsAFailedLaunchInTheErrorDialog) {
    BrowserLog log;
    SetMissingHttpHandler();
    Notice notice;
    ComRef<IAccessible> client;
    ASSERT_NO_FATAL_FAILURE(ClientOf(notice.Window(), client));

    // The call returns at once: the launch, and its modal dialog, come after it.
    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(kLinkId)));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        return (dialog = notice.FindTopLevel(L"Error")) != nullptr && IsWindowVisible(dialog);
    }));
    std::vector<std::wstring> texts;
    for (HWND c : Children(dialog))
        if (ClassName(c) != L"Button" && !WindowText(c).empty()) texts.push_back(WindowText(c));
    EXPECT_EQ(std::vector<std::wstring>{kFailureText}, texts);
    SetForegroundWindow(dialog);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    EXPECT_TRUE(log.Lines().empty());
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
