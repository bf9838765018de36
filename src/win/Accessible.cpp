// The form's accessible object. oleacc and oleaut32 are loaded the first time a client asks,
// not with the program: most users never run a screen reader, and the notice is up sooner.
// The client area's parent, and everything about the area itself that is not specific to
// this form, come from the system's standard object.
#include "Accessible.h"

#include "DllSearch.h"
#include "Form.h"

#include <oleacc.h>

#include <climits>
#include <new>
#include <vector>

namespace win {

namespace {

// The entry points from the two libraries. Interface ids come from __uuidof, so that no
// library is linked for them (MinGW's liboleacc even defines IID_IAccessible as an import
// stub, not as the GUID).
struct Oleacc {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&::SysAllocString) sysAllocString = nullptr;

    // Loaded once; a failed load is tried again on the next request. Neither library is a
    // KnownDLL, and anything on the desktop may ask (readers, touch keyboards, UI
    // Automation), so both come from the system folder by their full path.
    static const Oleacc* Get() {
        static Oleacc entries;
        if (!entries.sysAllocString) {
            const HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
            const HMODULE oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
            Oleacc found;
            found.lresultFromObject =
                FindEntry<decltype(found.lresultFromObject)>(oleacc, "LresultFromObject");
            found.createStdAccessibleObject = FindEntry<decltype(found.createStdAccessibleObject)>(
                oleacc, "CreateStdAccessibleObject");
            found.sysAllocString =
                FindEntry<decltype(found.sysAllocString)>(oleaut32, "SysAllocString");
            if (!found.lresultFromObject || !found.createStdAccessibleObject ||
                !found.sysAllocString)
                return nullptr;
            entries = found;
        }
        return &entries;
    }
};

long RoleOf(const Description& d) {
    switch (d.role) {
    case Description::Graphic:
        return ROLE_SYSTEM_GRAPHIC;
    case Description::Link:
        return ROLE_SYSTEM_LINK;
    case Description::Text:
        break;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

void SetEmpty(VARIANT* v) { v->vt = VT_EMPTY; }

void SetChild(VARIANT* v, long id) {
    v->vt = VT_I4;
    v->lVal = id;
}

// The gap between two boxes along a direction; negative when `to` is not wholly beyond
// `from` that way.
long GapBeyond(const RECT& from, const RECT& to, long direction) {
    switch (direction) {
    case NAVDIR_UP:
        return from.top - to.bottom;
    case NAVDIR_DOWN:
        return to.top - from.bottom;
    case NAVDIR_LEFT:
        return from.left - to.right;
    default:
        return to.left - from.right;
    }
}

} // namespace

// Children are simple elements, numbered 1 to n in reading order.
class FormAccessibility::Client final : public IAccessible {
public:
    Client(Form& form, const Oleacc& oleacc, IAccessible* standard)
        : form_(&form), children_(form.ReadingOrder()), oleacc_(oleacc), standard_(standard) {}

    void Disconnect() {
        if (!form_) return;
        form_ = nullptr;
        // Clients in other processes lose their proxies now, not at the end of the process.
        CoDisconnectObject(this, 0);
        standard_->Release();
        standard_ = nullptr;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!form_) return RPC_E_DISCONNECTED;
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        if (!form_) return RPC_E_DISCONNECTED;
        *count = Count();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->get_accChild(child, object) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) {
            wchar_t caption[256] = {};
            GetWindowTextW(form_->Handle(), caption, 256);
            return Text(caption, name);
        }
        return Text(Child(id)->Describe().name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accValue(child, value);
        const wchar_t* address = Child(id)->Describe().value;
        return address ? Text(address, value) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return SelfOnly(child, description, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        SetEmpty(role);
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        // A dialog, as the client area of a message box is: readers then read its texts aloud
        // as it comes up, not just its caption.
        SetChild(role, id == CHILDID_SELF ? ROLE_SYSTEM_DIALOG : RoleOf(Child(id)->Describe()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        SetEmpty(state);
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accState(child, state);
        const HWND window = form_->Handle();
        RECT client{}, visible{};
        GetClientRect(window, &client);
        const TControl* control = Child(id);
        long flags = control->Describe().role == Description::Link ? STATE_SYSTEM_LINKED
                                                                   : STATE_SYSTEM_READONLY;
        if (!IsWindowEnabled(window)) flags |= STATE_SYSTEM_UNAVAILABLE; // a modal dialog is up
        if (!IsWindowVisible(window) || IsIconic(window))
            flags |= STATE_SYSTEM_INVISIBLE;
        else if (!IntersectRect(&visible, &client, &control->BoundsRect()))
            flags |= STATE_SYSTEM_OFFSCREEN; // a shrunk window clips it away
        SetChild(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return SelfOnly(child, help, &IAccessible::get_accHelp);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!file || !topic) return E_POINTER;
        *file = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->get_accHelpTopic(file, child, topic)
                                  : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return SelfOnly(child, shortcut, &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        SetEmpty(focus);
        if (!form_) return RPC_E_DISCONNECTED;
        return standard_->get_accFocus(focus); // no control takes the focus
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        SetEmpty(selection);
        return form_ ? DISP_E_MEMBERNOTFOUND : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accDefaultAction(child, action);
        // "Jump" is what Windows calls following a link.
        return Clickable(id) ? Text(L"Jump", action) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->accLocation(left, top, width, height, child);
        const RECT& box = Child(id)->BoundsRect();
        POINT corner{box.left, box.top};
        ClientToScreen(form_->Handle(), &corner);
        *left = corner.x;
        *top = corner.y;
        *width = box.right - box.left;
        *height = box.bottom - box.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        SetEmpty(end);
        long id = 0;
        if (const HRESULT named = Resolve(start, id); FAILED(named)) return named;
        const long count = Count();
        long found = 0;
        if (id == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD)
                found = count > 0 ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD)
                found = count;
            else
                return standard_->accNavigate(direction, start, end); // among the window's parts
        } else if (direction == NAVDIR_NEXT) {
            found = id < count ? id + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS) {
            found = id - 1;
        } else if (direction == NAVDIR_UP || direction == NAVDIR_DOWN || direction == NAVDIR_LEFT ||
                   direction == NAVDIR_RIGHT) {
            found = Nearest(id, direction);
        } else {
            return E_INVALIDARG; // simple elements have no children
        }
        if (found == 0) return S_FALSE;
        SetChild(end, found);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* at) override {
        if (!at) return E_POINTER;
        SetEmpty(at);
        if (!form_) return RPC_E_DISCONNECTED;
        const HWND window = form_->Handle();
        POINT point{x, y};
        ScreenToClient(window, &point);
        RECT client{};
        GetClientRect(window, &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        const TControl* hit = form_->ControlAt(point);
        long id = CHILDID_SELF;
        for (long i = 1; i <= Count(); ++i)
            if (Child(i) == hit) id = i;
        SetChild(at, id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->accDoDefaultAction(child);
        if (!Clickable(id)) return DISP_E_MEMBERNOTFOUND;
        // No more than the mouse can do: while a modal dialog has the window disabled, the
        // link cannot be followed.
        return form_->PostClick(*Child(id)) ? S_OK : E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Client() {
        if (standard_) standard_->Release();
    }

    // The element a call names: CHILDID_SELF or a child's number. Fails once the object is
    // cut off from its form, and for an id that names nothing here.
    HRESULT Resolve(const VARIANT& v, long& id) const {
        if (!form_) return RPC_E_DISCONNECTED;
        if (v.vt != VT_I4 || v.lVal < 0 || v.lVal > Count()) return E_INVALIDARG;
        id = v.lVal;
        return S_OK;
    }
    long Count() const { return static_cast<long>(children_.size()); }
    TControl* Child(long id) const { return children_[static_cast<std::size_t>(id - 1)]; }
    bool Clickable(long id) const { return static_cast<bool>(Child(id)->OnClick); }

    // The child nearest to child `id` that lies wholly beyond it in a direction; 0 for none.
    long Nearest(long id, long direction) const {
        const RECT& from = Child(id)->BoundsRect();
        long best = 0, bestGap = LONG_MAX;
        for (long other = 1; other <= Count(); ++other) {
            const long gap = GapBeyond(from, Child(other)->BoundsRect(), direction);
            if (other != id && gap >= 0 && gap < bestGap) {
                best = other;
                bestGap = gap;
            }
        }
        return best;
    }

    HRESULT Text(const wchar_t* text, BSTR* out) const {
        *out = oleacc_.sysAllocString(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    // A text that only the client area itself has, from the standard object.
    HRESULT SelfOnly(VARIANT child, BSTR* out,
                     HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        if (!out) return E_POINTER;
        *out = nullptr;
        long id = 0;
        if (const HRESULT named = Resolve(child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? (standard_->*get)(child, out) : S_FALSE;
    }

    LONG references_ = 1;
    Form* form_;
    const std::vector<TControl*> children_; // in reading order; the layout is fixed
    const Oleacc& oleacc_;
    IAccessible* standard_;
};

LRESULT FormAccessibility::Answer(Form& form, WPARAM wParam) {
    if (disconnected_) return 0;
    const Oleacc* oleacc = Oleacc::Get();
    if (!oleacc) return 0;
    if (!client_) {
        IAccessible* standard = nullptr;
        if (FAILED(oleacc->createStdAccessibleObject(form.Handle(), OBJID_CLIENT,
                                                     __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&standard))))
            return 0;
        client_ = new (std::nothrow) Client(form, *oleacc, standard);
        if (!client_) {
            standard->Release();
            return 0;
        }
    }
    // A failure comes back as a negative HRESULT.
    const LRESULT answer = oleacc->lresultFromObject(__uuidof(IAccessible), wParam, client_);
    return answer > 0 ? answer : 0;
}

void FormAccessibility::Disconnect() {
    disconnected_ = true;
    if (!client_) return;
    client_->Disconnect();
    client_->Release();
    client_ = nullptr;
}

} // namespace win
