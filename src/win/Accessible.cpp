// The form's accessible object. oleacc and oleaut32 are loaded the first time a client asks,
// not with the program: most users never run a screen reader, and the notice is up sooner.
// The client area's parent, and everything about the area itself that is not specific to
// this form, come from the system's standard object.
#include "Accessible.h"

#include "DllSearch.h"
#include "Elements.h"
#include "Form.h"
#include "OleAutomation.h"

#include <oleacc.h>

#include <new>

namespace win {

namespace {

// The entry points of oleacc. Interface ids come from __uuidof, so that no library is linked
// for them (MinGW's liboleacc even defines IID_IAccessible as an import stub, not as the GUID).
struct Oleacc {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;

    // Loaded once; a failed load is tried again on the next request. oleacc is not a KnownDLL,
    // and anything on the desktop may ask (readers, touch keyboards, UI Automation), so it
    // comes from the system folder by its full path.
    static const Oleacc* Get() {
        static Oleacc entries;
        if (!entries.lresultFromObject) {
            const HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
            Oleacc found;
            found.lresultFromObject =
                FindEntry<decltype(found.lresultFromObject)>(oleacc, "LresultFromObject");
            found.createStdAccessibleObject = FindEntry<decltype(found.createStdAccessibleObject)>(
                oleacc, "CreateStdAccessibleObject");
            if (!found.lresultFromObject || !found.createStdAccessibleObject) return nullptr;
            entries = found;
        }
        return &entries;
    }
};

long RoleOf(Elements::Role role) {
    switch (role) {
    case Elements::Role::Dialog:
        return ROLE_SYSTEM_DIALOG;
    case Elements::Role::Graphic:
        return ROLE_SYSTEM_GRAPHIC;
    case Elements::Role::Link:
        return ROLE_SYSTEM_LINK;
    case Elements::Role::Text:
        break;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

void SetEmpty(VARIANT* v) { v->vt = VT_EMPTY; }

void SetChild(VARIANT* v, long id) {
    v->vt = VT_I4;
    v->lVal = id;
}

} // namespace

// Children are simple elements, numbered 1 to n in reading order, as Elements numbers them.
class FormAccessibility::Client final : public IAccessible {
public:
    Client(SharedElements& elements, const OleAutomation& ole, IAccessible* standard)
        : elements_(elements), ole_(ole), standard_(standard) {
        elements_.AddRef();
    }

    void Disconnect() {
        if (!standard_) return;
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
        if (!parent) return E_POINTER;
        *parent = nullptr;
        const Access e(elements_);
        return e ? standard_->get_accParent(parent) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        const Access e(elements_);
        if (!e) return RPC_E_DISCONNECTED;
        *count = e->Count();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->get_accChild(child, object) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        return Text(e->Name(id), name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accValue(child, value);
        const wchar_t* address = e->Value(id);
        return address ? Text(address, value) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return SelfOnly(child, description, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        SetEmpty(role);
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        SetChild(role, RoleOf(e->RoleOf(id)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        SetEmpty(state);
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accState(child, state);
        const Elements::State now = e->StateOf(id);
        long flags =
            e->RoleOf(id) == Elements::Role::Link ? STATE_SYSTEM_LINKED : STATE_SYSTEM_READONLY;
        if (now.unavailable) flags |= STATE_SYSTEM_UNAVAILABLE;
        if (now.invisible) flags |= STATE_SYSTEM_INVISIBLE;
        if (now.offscreen) flags |= STATE_SYSTEM_OFFSCREEN;
        SetChild(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return SelfOnly(child, help, &IAccessible::get_accHelp);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!file || !topic) return E_POINTER;
        *file = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->get_accHelpTopic(file, child, topic)
                                  : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return SelfOnly(child, shortcut, &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        SetEmpty(focus);
        const Access e(elements_);
        return e ? standard_->get_accFocus(focus) : RPC_E_DISCONNECTED; // no control takes it
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        SetEmpty(selection);
        const Access e(elements_);
        return e ? DISP_E_MEMBERNOTFOUND : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->get_accDefaultAction(child, action);
        // "Jump" is what Windows calls following a link.
        return e->HasAction(id) ? Text(L"Jump", action) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? standard_->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        const RECT box = e->ScreenBox(id);
        *left = box.left;
        *top = box.top;
        *width = box.right - box.left;
        *height = box.bottom - box.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        SetEmpty(end);
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, start, id); FAILED(named)) return named;
        long found = 0;
        if (id == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD)
                found = e->Count() > 0 ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD)
                found = e->Count();
            else
                return standard_->accNavigate(direction, start, end); // among the window's parts
        } else if (direction == NAVDIR_NEXT) {
            found = e->Next(id);
        } else if (direction == NAVDIR_PREVIOUS) {
            found = e->Previous(id);
        } else if (direction == NAVDIR_UP) {
            found = e->Nearest(id, Elements::Direction::Up);
        } else if (direction == NAVDIR_DOWN) {
            found = e->Nearest(id, Elements::Direction::Down);
        } else if (direction == NAVDIR_LEFT) {
            found = e->Nearest(id, Elements::Direction::Left);
        } else if (direction == NAVDIR_RIGHT) {
            found = e->Nearest(id, Elements::Direction::Right);
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
        const Access e(elements_);
        if (!e) return RPC_E_DISCONNECTED;
        const long id = e->At({x, y});
        if (id < 0) return S_FALSE;
        SetChild(at, id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        if (id == CHILDID_SELF) return standard_->accDoDefaultAction(child);
        if (!e->HasAction(id)) return DISP_E_MEMBERNOTFOUND;
        switch (e->DoAction(id)) {
        case Elements::Action::Done:
            return S_OK;
        case Elements::Action::NotEnabled:
            // No more than the mouse can do: while a modal dialog has the window disabled,
            // the link cannot be followed.
            return E_ACCESSDENIED;
        case Elements::Action::Failed:
            break;
        }
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    using Access = SharedElements::Access;

    ~Client() {
        if (standard_) standard_->Release();
        elements_.Release();
    }

    // The element a call names: CHILDID_SELF or a child's number. Fails once the object is
    // cut off from its form, and for an id that names nothing here.
    static HRESULT Resolve(const Access& e, const VARIANT& v, long& id) {
        if (!e) return RPC_E_DISCONNECTED;
        if (v.vt != VT_I4 || !e->Exists(v.lVal)) return E_INVALIDARG;
        id = v.lVal;
        return S_OK;
    }

    HRESULT Text(const wchar_t* text, BSTR* out) const {
        *out = ole_.sysAllocString(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    // A text that only the client area itself has, from the standard object.
    HRESULT SelfOnly(VARIANT child, BSTR* out,
                     HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Access e(elements_);
        long id = 0;
        if (const HRESULT named = Resolve(e, child, id); FAILED(named)) return named;
        return id == CHILDID_SELF ? (standard_->*get)(child, out) : S_FALSE;
    }

    LONG references_ = 1;
    SharedElements& elements_;
    const OleAutomation& ole_;
    IAccessible* standard_; // null once disconnected
};

SharedElements* FormAccessibility::Shared(Form& form) {
    if (!elements_) elements_ = SharedElements::Create(form);
    return elements_;
}

LRESULT FormAccessibility::Answer(Form& form, WPARAM wParam, LPARAM objectId) noexcept {
    // The request comes from a reader's SendMessage: a failure must not raise the error
    // report, which would hold the reader until the user dismissed a box it cannot read.
    try {
        return Give(form, wParam, objectId);
    } catch (...) {
        return 0;
    }
}

LRESULT FormAccessibility::Give(Form& form, WPARAM wParam, LPARAM objectId) {
    if (disconnected_) return 0;
    // The 64-bit Wine passes the object id zero-extended: compare its low 32 bits.
    const DWORD id = static_cast<DWORD>(objectId);
    if (id == static_cast<DWORD>(kUiaRootObjectId)) {
        SharedElements* elements = Shared(form);
        return elements ? automation_.Answer(*elements, wParam, objectId) : 0;
    }
    if (id != static_cast<DWORD>(OBJID_CLIENT)) return 0;

    const Oleacc* oleacc = Oleacc::Get();
    const OleAutomation* ole = OleAutomation::Get();
    if (!oleacc || !ole) return 0;
    if (!client_) {
        SharedElements* elements = Shared(form);
        IAccessible* standard = nullptr;
        if (!elements || FAILED(oleacc->createStdAccessibleObject(
                             form.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                             reinterpret_cast<void**>(&standard))))
            return 0;
        client_ = new (std::nothrow) Client(*elements, *ole, standard);
        if (!client_) {
            standard->Release();
            return 0;
        }
    }
    // A failure comes back as a negative HRESULT.
    const LRESULT answer = oleacc->lresultFromObject(__uuidof(IAccessible), wParam, client_);
    return answer > 0 ? answer : 0;
}

void FormAccessibility::EnabledChanged(bool enabled) {
    // Only readers that have asked keep anything to update.
    if (disconnected_ || !elements_) return;
    HWND window = nullptr;
    long count = 0;
    {
        const SharedElements::Access e(*elements_);
        if (!e) return;
        window = e->Window();
        count = e->Count();
    }
    for (long id = 1; id <= count; ++id)
        NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, id);
    automation_.EnabledChanged(enabled);
}

void FormAccessibility::Disconnect() {
    if (disconnected_) return;
    disconnected_ = true;
    // First the elements, so that no call from any thread reaches the form from now on.
    if (elements_) elements_->CutOff();
    if (client_) {
        client_->Disconnect();
        client_->Release();
        client_ = nullptr;
    }
    automation_.Disconnect();
    if (elements_) elements_->Release();
    elements_ = nullptr;
}

} // namespace win
