// The form's UI Automation providers: one element per entry of Elements, the form's own (0)
// being the root of the fragment hosted in its window. They are called on UI Automation's
// threads, not the form's (COM threading hangs clients under Wine), so every call reads the
// elements under their lock and fails once they are cut off.
#include "UiAutomation.h"

#include "Elements.h"
#include "OleAutomation.h"
#include "UiaCore.h"
#include "UiaInterfaces.h"

#include <memory>
#include <new>
#include <vector>

namespace win {

using namespace uia;

namespace {

long ControlTypeOf(Elements::Role role) {
    switch (role) {
    case Elements::Role::Dialog:
        return kWindowControlType; // a dialog is a window with IsDialog
    case Elements::Role::Graphic:
        return kImageControlType;
    case Elements::Role::Link:
        return kHyperlinkControlType;
    case Elements::Role::Text:
        break;
    }
    return kTextControlType;
}

void SetBool(VARIANT* v, bool value) {
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// The patterns an element has, from the one description: the link's click and its address.
struct Patterns {
    bool invoke; // a click on it does something
    bool value;  // it has a value to read
};

} // namespace

class Element;

// The elements of one form, alive as long as a client holds any of them.
class FormAutomation::Tree {
public:
    static Tree* Create(SharedElements& elements, const UiaCore& core, const OleAutomation& ole);

    ULONG AddRef() { return InterlockedIncrement(&references_); }
    ULONG Release() {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return left;
    }

    SharedElements& Shared() const { return elements_; }
    const UiaCore& Core() const { return core_; }
    const OleAutomation& Ole() const { return ole_; }
    HWND Window() const { return window_; }
    Element* At(long id) const; // null for no element
    Element* Root() const { return At(Elements::kSelf); }

    void Disconnect();
    // Tells listening clients that every element became enabled or disabled.
    void RaiseEnabledChanged(bool enabled);

private:
    Tree(SharedElements& elements, const UiaCore& core, const OleAutomation& ole, HWND window)
        : elements_(elements), core_(core), ole_(ole), window_(window) {
        elements_.AddRef();
    }
    ~Tree() { elements_.Release(); }

    LONG references_ = 1;
    SharedElements& elements_;
    const UiaCore& core_;
    const OleAutomation& ole_;
    const HWND window_;
    std::vector<std::unique_ptr<Element>> all_;
};

// One element. Its references are its tree's.
class Element final : public IRawElementProviderSimple,
                      public IRawElementProviderFragment,
                      public IRawElementProviderFragmentRoot,
                      public IInvokeProvider,
                      public IValueProvider {
public:
    using Tree = FormAutomation::Tree;

    Element(Tree& tree, long id, Patterns patterns) : tree_(tree), id_(id), patterns_(patterns) {}

    IRawElementProviderSimple* Simple() { return static_cast<IRawElementProviderSimple*>(this); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IRawElementProviderSimple))
            *object = Simple();
        else if (riid == __uuidof(IRawElementProviderFragment))
            *object = static_cast<IRawElementProviderFragment*>(this);
        else if (riid == __uuidof(IRawElementProviderFragmentRoot) && id_ == Elements::kSelf)
            *object = static_cast<IRawElementProviderFragmentRoot*>(this);
        else if (riid == __uuidof(IInvokeProvider) && patterns_.invoke)
            *object = static_cast<IInvokeProvider*>(this);
        else if (riid == __uuidof(IValueProvider) && patterns_.value)
            *object = static_cast<IValueProvider*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return tree_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return tree_.Release(); }

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
        if (!options) return E_POINTER;
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) override {
        if (!provider) return E_POINTER;
        *provider = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        if (patterns_.invoke && pattern == kInvokePattern)
            *provider = static_cast<IInvokeProvider*>(this);
        else if (patterns_.value && pattern == kValuePattern)
            *provider = static_cast<IValueProvider*>(this);
        if (*provider) AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override {
        if (!value) return E_POINTER;
        value->vt = VT_EMPTY; // not given here: UI Automation takes the host's or its default
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        const bool self = id_ == Elements::kSelf;
        switch (property) {
        case kControlTypeProperty:
            value->vt = VT_I4;
            value->lVal = ControlTypeOf(e->RoleOf(id_));
            break;
        case kNameProperty:
            return Text(e->Name(id_), value);
        case kAutomationIdProperty:
            return Text(e->AutomationId(id_), value);
        case kIsDialogProperty:
            SetBool(value, e->RoleOf(id_) == Elements::Role::Dialog);
            break;
        case kIsEnabledProperty:
            SetBool(value, !e->StateOf(id_).unavailable);
            break;
        case kIsOffscreenProperty: {
            const Elements::State state = e->StateOf(id_);
            SetBool(value, state.invisible || state.offscreen);
            break;
        }
        // The value pattern's properties too, for clients that ask for them as properties.
        case kValueProperty:
            if (patterns_.value) return Text(e->Value(id_), value);
            break;
        case kValueIsReadOnlyProperty:
            if (patterns_.value) SetBool(value, true);
            break;
        case kHasKeyboardFocusProperty:
        case kIsKeyboardFocusableProperty:
            if (!self) SetBool(value, false); // no control takes the focus; the window's own
            break;                            // comes from its host
        default:
            break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_HostRawElementProvider(IRawElementProviderSimple** host) override {
        if (!host) return E_POINTER;
        *host = nullptr;
        if (!Access(tree_.Shared())) return kElementNotAvailable;
        // The window itself (its handle, process, focus) is described by UI Automation. Not
        // under the lock: nothing that may talk to the form's thread is.
        return id_ == Elements::kSelf ? tree_.Core().hostProviderFromHwnd(tree_.Window(), host)
                                      : S_OK;
    }

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                       IRawElementProviderFragment** found) override {
        if (!found) return E_POINTER;
        *found = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        long to = -1;
        if (id_ == Elements::kSelf) {
            // The window's parent and siblings are UI Automation's, from its host.
            if (direction == NavigateDirection_FirstChild)
                to = e->Count() > 0 ? 1 : -1;
            else if (direction == NavigateDirection_LastChild)
                to = e->Count() > 0 ? e->Count() : -1;
        } else if (direction == NavigateDirection_Parent) {
            to = Elements::kSelf;
        } else if (direction == NavigateDirection_NextSibling) {
            to = e->Next(id_);
        } else if (direction == NavigateDirection_PreviousSibling) {
            to = e->Previous(id_);
        }
        if (to < 0 || (to == Elements::kSelf && direction != NavigateDirection_Parent)) return S_OK;
        return Fragment(to, found);
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) override {
        if (!id) return E_POINTER;
        *id = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        if (id_ == Elements::kSelf) return S_OK; // the host's, for the window
        const OleAutomation& ole = tree_.Ole();
        SAFEARRAY* made = ole.safeArrayCreateVector(VT_I4, 0, 2);
        if (!made) return E_OUTOFMEMORY;
        LONG at = 0;
        LONG part = kAppendRuntimeId;
        ole.safeArrayPutElement(made, &at, &part);
        at = 1;
        part = id_;
        ole.safeArrayPutElement(made, &at, &part);
        *id = made;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* box) override {
        if (!box) return E_POINTER;
        *box = UiaRect{};
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        RECT r{};
        if (id_ == Elements::kSelf)
            GetWindowRect(e->Window(), &r); // the window's, frame and all, as its host says
        else
            r = e->ScreenBox(id_);
        box->left = r.left;
        box->top = r.top;
        box->width = r.right - r.left;
        box->height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) override {
        if (!roots) return E_POINTER;
        *roots = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFocus() override {
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        // The window takes the focus through its host; no control can.
        return id_ == Elements::kSelf ? S_OK : kInvalidOperation;
    }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) override {
        if (!root) return E_POINTER;
        *root = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        *root = static_cast<IRawElementProviderFragmentRoot*>(tree_.Root());
        (*root)->AddRef();
        return S_OK;
    }

    // IRawElementProviderFragmentRoot
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                       IRawElementProviderFragment** at) override {
        if (!at) return E_POINTER;
        *at = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        const long id = e->At({static_cast<LONG>(x), static_cast<LONG>(y)});
        return id < 0 ? S_OK : Fragment(id, at);
    }
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** focus) override {
        if (!focus) return E_POINTER;
        *focus = nullptr; // no control takes the focus
        const Access e(tree_.Shared());
        return e ? S_OK : kElementNotAvailable;
    }

    // IInvokeProvider: what a click does, returning at once.
    HRESULT STDMETHODCALLTYPE Invoke() override {
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        switch (e->DoAction(id_)) {
        case Elements::Action::Done:
            return S_OK;
        case Elements::Action::NotEnabled:
            // No more than the mouse can do: not while a modal dialog has the window disabled.
            return kElementNotEnabled;
        case Elements::Action::Failed:
            break;
        }
        return E_FAIL;
    }

    // IValueProvider: the link's address, read only.
    HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR) override {
        const Access e(tree_.Shared());
        return e ? kInvalidOperation : kElementNotAvailable;
    }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        const Access e(tree_.Shared());
        if (!e) return kElementNotAvailable;
        const wchar_t* address = e->Value(id_);
        *value = tree_.Ole().sysAllocString(address ? address : L"");
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* readOnly) override {
        if (!readOnly) return E_POINTER;
        *readOnly = TRUE;
        const Access e(tree_.Shared());
        return e ? S_OK : kElementNotAvailable;
    }

private:
    using Access = SharedElements::Access;

    HRESULT Fragment(long id, IRawElementProviderFragment** out) const {
        Element* element = tree_.At(id);
        if (!element) return S_OK;
        *out = static_cast<IRawElementProviderFragment*>(element);
        element->AddRef();
        return S_OK;
    }

    HRESULT Text(const wchar_t* text, VARIANT* value) const {
        value->bstrVal = tree_.Ole().sysAllocString(text);
        if (!value->bstrVal) return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        return S_OK;
    }

    Tree& tree_;
    const long id_;
    const Patterns patterns_;
};

FormAutomation::Tree* FormAutomation::Tree::Create(SharedElements& elements, const UiaCore& core,
                                                   const OleAutomation& ole) {
    const SharedElements::Access e(elements);
    if (!e) return nullptr;
    Tree* tree = new (std::nothrow) Tree(elements, core, ole, e->Window());
    if (!tree) return nullptr;
    try {
        tree->all_.reserve(static_cast<std::size_t>(e->Count()) + 1);
        for (long id = Elements::kSelf; id <= e->Count(); ++id) {
            const Patterns patterns{e->HasAction(id), e->Value(id) != nullptr};
            tree->all_.emplace_back(new Element(*tree, id, patterns));
        }
    } catch (...) {
        // Out of memory: no tree, and the system answers the client instead.
        tree->Release();
        return nullptr;
    }
    return tree;
}

Element* FormAutomation::Tree::At(long id) const {
    return id >= 0 && id < static_cast<long>(all_.size()) ? all_[static_cast<std::size_t>(id)].get()
                                                          : nullptr;
}

void FormAutomation::Tree::Disconnect() {
    // Clients in other processes lose their elements now, not when they let go of them.
    if (core_.disconnectProvider)
        for (const auto& element : all_) core_.disconnectProvider(element->Simple());
    // Frees what UI Automation holds for the window.
    core_.returnRawElementProvider(window_, 0, 0, nullptr);
}

void FormAutomation::Tree::RaiseEnabledChanged(bool enabled) {
    if (!core_.clientsAreListening || !core_.raisePropertyChangedEvent ||
        !core_.clientsAreListening())
        return;
    VARIANT before, now;
    SetBool(&before, !enabled);
    SetBool(&now, enabled);
    for (const auto& element : all_)
        core_.raisePropertyChangedEvent(element->Simple(), kIsEnabledProperty, before, now);
}

IRawElementProviderSimple* FormAutomation::Root(SharedElements& elements) {
    const UiaCore* core = UiaCore::Get();
    const OleAutomation* ole = OleAutomation::Get();
    if (!tree_ && core && ole) tree_ = Tree::Create(elements, *core, *ole);
    return tree_ ? tree_->Root()->Simple() : nullptr;
}

LRESULT FormAutomation::Answer(SharedElements& elements, WPARAM wParam, LPARAM objectId) {
    IRawElementProviderSimple* root = Root(elements);
    return root ? tree_->Core().returnRawElementProvider(tree_->Window(), wParam, objectId, root)
                : 0;
}

void FormAutomation::EnabledChanged(bool enabled) {
    if (tree_) tree_->RaiseEnabledChanged(enabled);
}

void FormAutomation::Disconnect() {
    if (!tree_) return;
    tree_->Disconnect();
    tree_->Release();
    tree_ = nullptr;
}

} // namespace win
