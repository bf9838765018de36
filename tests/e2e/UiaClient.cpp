// The client calls, each one as a reader makes it.
#include "UiaClient.h"

#include <oleacc.h>

#include <cstdio>

namespace e2e {

namespace {

// The structures the client functions take (uiautomationcoreapi.h).
struct UiaCondition {
    int conditionType; // 0: true for every element
};
struct UiaCacheRequest {
    UiaCondition* viewCondition;
    int scope; // 1: the element itself
    long* properties;
    int propertyCount;
    long* patterns;
    int patternCount;
    int elementMode; // 1: full
};

struct Client {
    HRESULT(WINAPI* nodeFromHandle)(HWND, void**) = nullptr;
    BOOL(WINAPI* nodeRelease)(void*) = nullptr;
    HRESULT(WINAPI* getPropertyValue)(void*, long, VARIANT*) = nullptr;
    HRESULT(WINAPI* navigate)
    (void*, int, UiaCondition*, UiaCacheRequest*, SAFEARRAY**, BSTR*) = nullptr;
    HRESULT(WINAPI* nodeFromVariant)(VARIANT*, void**) = nullptr;
    HRESULT(WINAPI* getRuntimeId)(void*, SAFEARRAY**) = nullptr;

    static const Client& Get() {
        static const Client client = [] {
            Client c;
            const HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
            if (!core) return c;
            const auto find = [core](auto& entry, const char* name) {
                entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
                    reinterpret_cast<void (*)()>(GetProcAddress(core, name)));
            };
            find(c.nodeFromHandle, "UiaNodeFromHandle");
            find(c.nodeRelease, "UiaNodeRelease");
            find(c.getPropertyValue, "UiaGetPropertyValue");
            find(c.navigate, "UiaNavigate");
            find(c.nodeFromVariant, "UiaHUiaNodeFromVariant");
            find(c.getRuntimeId, "UiaGetRuntimeId");
            return c;
        }();
        return client;
    }
};

// The element a navigation or hit test handed back in its cache: the first cell.
UiaElement FromCache(SAFEARRAY* data) {
    UiaElement element;
    if (!data) return element;
    LONG at[2] = {0, 0};
    VARIANT cell;
    VariantInit(&cell);
    void* node = nullptr;
    const UINT dims = SafeArrayGetDim(data);
    if (SUCCEEDED(SafeArrayGetElement(data, dims == 2 ? at : at + 1, &cell)) &&
        SUCCEEDED(Client::Get().nodeFromVariant(&cell, &node)))
        element = UiaElement(node);
    else
        VariantClear(&cell);
    SafeArrayDestroy(data);
    return element;
}

UiaCacheRequest ElementOnly(UiaCondition& all) { return {&all, 1, nullptr, 0, nullptr, 0, 1}; }

} // namespace

bool UiaAvailable() {
    const Client& c = Client::Get();
    return c.nodeFromHandle && c.nodeRelease && c.getPropertyValue && c.navigate &&
           c.nodeFromVariant && c.getRuntimeId;
}

bool HasUiaProvider(HWND window) {
    // What UiaHasServerSideProvider asks (Wine 8 has it only as a stub): does the window
    // answer UI Automation's WM_GETOBJECT itself.
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(kUiaRootObjectId),
                               SMTO_ABORTIFHUNG, 5000, &answer) &&
           answer != 0;
}

UiaElement& UiaElement::operator=(UiaElement&& other) noexcept {
    if (this != &other) {
        this->~UiaElement();
        node_ = other.node_;
        other.node_ = nullptr;
    }
    return *this;
}

UiaElement::~UiaElement() {
    if (node_) Client::Get().nodeRelease(node_);
    node_ = nullptr;
}

HRESULT UiaElement::Property(long id, VARIANT& value) const {
    VariantInit(&value);
    if (!node_) return E_HANDLE;
    const HRESULT hr = Client::Get().getPropertyValue(node_, id, &value);
    // "Not supported" comes back as a reserved object: no value.
    if (SUCCEEDED(hr) && value.vt == VT_UNKNOWN) VariantClear(&value);
    return hr;
}

std::wstring UiaElement::Name() const { return Text(kNameProperty); }

std::wstring UiaElement::Text(long property) const {
    VARIANT v;
    if (FAILED(Property(property, v)) || v.vt != VT_BSTR) {
        VariantClear(&v);
        return L"(failed)";
    }
    std::wstring text(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    return text;
}

std::wstring UiaElement::Value() const {
    VARIANT v;
    std::wstring value;
    if (SUCCEEDED(Property(kValueValueProperty, v)) && v.vt == VT_BSTR)
        value.assign(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    return value;
}

long UiaElement::ControlType() const {
    VARIANT v;
    const long type = SUCCEEDED(Property(kControlTypeProperty, v)) && v.vt == VT_I4 ? v.lVal : -1;
    VariantClear(&v);
    return type;
}

int UiaElement::Flag(long property) const {
    VARIANT v;
    const int flag = SUCCEEDED(Property(property, v)) && v.vt == VT_BOOL ? (v.boolVal ? 1 : 0) : -1;
    VariantClear(&v);
    return flag;
}

RECT UiaElement::Box() const {
    VARIANT v;
    RECT box{};
    if (SUCCEEDED(Property(kBoundingRectangleProperty, v)) && v.vt == (VT_ARRAY | VT_R8)) {
        double* edges = nullptr;
        if (v.parray->rgsabound[0].cElements == 4 &&
            SUCCEEDED(SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&edges)))) {
            box = {static_cast<LONG>(edges[0]), static_cast<LONG>(edges[1]),
                   static_cast<LONG>(edges[0] + edges[2]), static_cast<LONG>(edges[1] + edges[3])};
            SafeArrayUnaccessData(v.parray);
        }
    }
    VariantClear(&v);
    return box;
}

std::vector<long> UiaElement::RuntimeId() const {
    std::vector<long> id;
    SAFEARRAY* parts = nullptr;
    if (!node_ || !Client::Get().getRuntimeId ||
        FAILED(Client::Get().getRuntimeId(node_, &parts)) || !parts)
        return id;
    LONG* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(parts, reinterpret_cast<void**>(&data)))) {
        id.assign(data, data + parts->rgsabound[0].cElements);
        SafeArrayUnaccessData(parts);
    }
    SafeArrayDestroy(parts);
    return id;
}

UiaElement UiaElement::Navigate(UiaDirection direction, HRESULT* result) const {
    UiaCondition all{0};
    UiaCacheRequest request = ElementOnly(all);
    SAFEARRAY* data = nullptr;
    BSTR structure = nullptr;
    const HRESULT hr =
        node_ ? Client::Get().navigate(node_, direction, &all, &request, &data, &structure)
              : E_HANDLE;
    SysFreeString(structure);
    if (result) *result = hr;
    return SUCCEEDED(hr) ? FromCache(data) : UiaElement();
}

namespace {

// The client object's class and interfaces, and the places of the methods called in their
// tables (after IUnknown's three).
const CLSID kClientObjectClass = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
const IID kAutomationInterface = {
    0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
const IID kInvokePatternInterface = {
    0xfb377fbe, 0x8ea6, 0x46d5, {0x9c, 0x73, 0x64, 0x99, 0x64, 0x2d, 0x30, 0x59}};
enum Slot {
    kElementFromHandle = 6,    // IUIAutomation
    kCreateTrueCondition = 21, // IUIAutomation
    kFindAll = 6,              // IUIAutomationElement
    kGetCurrentPropertyValueEx = 11,
    kGetCurrentPattern = 16,
    kArrayLength = 3, // IUIAutomationElementArray
    kArrayElement = 4,
    kInvoke = 3, // IUIAutomationInvokePattern
};
constexpr int kTreeScopeChildren = 2;

template <typename... Args> HRESULT Call(IUnknown* object, int slot, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    return reinterpret_cast<Method>((*reinterpret_cast<void***>(object))[slot])(object, args...);
}

// Releases what a call handed out.
struct Held {
    IUnknown* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (p) p->Release();
    }
    IUnknown** Put() { return &p; }
};

// As GetCurrentPropertyValue, which Wine 10 has only as a stub.
HRESULT PropertyOf(IUnknown* element, long property, VARIANT& value) {
    VariantInit(&value);
    return Call(element, kGetCurrentPropertyValueEx, static_cast<int>(property), FALSE, &value);
}

HRESULT ReadElement(IUnknown* element, UiaClientObject::Element& read) {
    VARIANT v;
    HRESULT hr = PropertyOf(element, kNameProperty, v);
    if (SUCCEEDED(hr) && v.vt == VT_BSTR) read.name.assign(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    if (FAILED(hr)) return hr;
    hr = PropertyOf(element, kAutomationIdProperty, v);
    if (SUCCEEDED(hr) && v.vt == VT_BSTR)
        read.automationId.assign(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    if (FAILED(hr)) return hr;
    hr = PropertyOf(element, kControlTypeProperty, v);
    if (SUCCEEDED(hr) && v.vt == VT_I4) read.controlType = v.lVal;
    VariantClear(&v);
    if (FAILED(hr)) return hr;
    // A box is (left, top, width, height) in screen coordinates.
    hr = PropertyOf(element, kBoundingRectangleProperty, v);
    if (SUCCEEDED(hr) && v.vt == (VT_ARRAY | VT_R8) && v.parray->rgsabound[0].cElements == 4) {
        const double* at = static_cast<const double*>(v.parray->pvData);
        read.box = {static_cast<LONG>(at[0]), static_cast<LONG>(at[1]),
                    static_cast<LONG>(at[0] + at[2]), static_cast<LONG>(at[1] + at[3])};
    }
    VariantClear(&v);
    if (FAILED(hr)) return hr;
    read.isDialogRead = PropertyOf(element, kIsDialogProperty, v);
    if (SUCCEEDED(read.isDialogRead) && v.vt == VT_BOOL) read.isDialog = v.boolVal ? 1 : 0;
    VariantClear(&v);
    return S_OK;
}

} // namespace

UiaClientObject::UiaClientObject() {
    if (FAILED(CoCreateInstance(kClientObjectClass, nullptr, CLSCTX_INPROC_SERVER,
                                kAutomationInterface, reinterpret_cast<void**>(&automation_))))
        automation_ = nullptr;
}

UiaClientObject::~UiaClientObject() {
    if (automation_) automation_->Release();
}

HRESULT UiaClientObject::Children(HWND window, IUnknown** windowElement,
                                  IUnknown** children) const {
    if (!automation_) return REGDB_E_CLASSNOTREG;
    HRESULT hr = Call(automation_, kElementFromHandle, window, windowElement);
    if (FAILED(hr) || !*windowElement) return FAILED(hr) ? hr : E_POINTER;
    Held all;
    hr = Call(automation_, kCreateTrueCondition, all.Put());
    if (FAILED(hr)) return hr;
    hr = Call(*windowElement, kFindAll, kTreeScopeChildren, all.p, children);
    return SUCCEEDED(hr) && !*children ? E_POINTER : hr;
}

HRESULT UiaClientObject::Read(HWND window, std::vector<Element>& elements) const {
    elements.clear();
    Held root, children;
    HRESULT hr = Children(window, root.Put(), children.Put());
    if (FAILED(hr)) return hr;
    elements.emplace_back();
    if (FAILED(hr = ReadElement(root.p, elements.back()))) return hr;
    int count = 0;
    if (FAILED(hr = Call(children.p, kArrayLength, &count))) return hr;
    for (int i = 0; i < count; ++i) {
        Held child;
        if (FAILED(hr = Call(children.p, kArrayElement, i, child.Put()))) return hr;
        elements.emplace_back();
        if (!child.p || FAILED(hr = ReadElement(child.p, elements.back())))
            return child.p ? hr : E_POINTER;
    }
    return S_OK;
}

HRESULT UiaClientObject::InvokePattern(HWND window, std::size_t index, IUnknown** pattern) const {
    *pattern = nullptr;
    Held root, children, child, found;
    HRESULT hr = Children(window, root.Put(), children.Put());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = Call(children.p, kArrayElement, static_cast<int>(index), child.Put())))
        return hr;
    if (!child.p) return E_POINTER;
    hr = Call(child.p, kGetCurrentPattern, static_cast<int>(kInvokePatternId), found.Put());
    if (FAILED(hr) || !found.p) return hr;
    return found.p->QueryInterface(kInvokePatternInterface, reinterpret_cast<void**>(pattern));
}

HRESULT UiaClientObject::Invoke(IUnknown* pattern) { return Call(pattern, kInvoke); }

void LinkInvokePattern(HWND window, IUnknown** pattern) {
    const UiaClientObject client;
    const HRESULT found = client.InvokePattern(window, 5, pattern); // in reading order
    if (!*pattern)
        std::printf("The link's invoke pattern through this platform's client object: none "
                    "(0x%08lx)\n",
                    static_cast<unsigned long>(found));
}

HRESULT UiaElementOfWindow(HWND window, UiaElement& element) {
    void* node = nullptr;
    const HRESULT hr =
        Client::Get().nodeFromHandle ? Client::Get().nodeFromHandle(window, &node) : E_NOTIMPL;
    element = UiaElement(SUCCEEDED(hr) ? node : nullptr);
    return hr;
}

bool ReadUiaTree(const UiaElement& window) {
    bool read = window.Name() != L"(failed)";
    for (UiaElement e = window.Navigate(kToFirstChild); e; e = e.Navigate(kToNext)) {
        read &= e.Name() != L"(failed)" && e.ControlType() >= 0;
        read &= e.Flag(kIsEnabledProperty) >= 0 && e.Flag(kIsOffscreenProperty) >= 0;
        // Where the client gives boxes at all (Wine 8's does not), each has one.
        VARIANT box;
        const HRESULT boxed = e.Property(kBoundingRectangleProperty, box);
        if (boxed != E_NOTIMPL) read &= SUCCEEDED(boxed) && box.vt == (VT_ARRAY | VT_R8);
        VariantClear(&box);
        e.Value(); // only the link has one
    }
    return read;
}

std::vector<std::wstring> SpeakUia(const UiaElement& focus) {
    std::vector<std::wstring> spoken{focus.Name()};
    if (focus.Flag(kIsDialogProperty) != 1) {
        VARIANT type;
        if (SUCCEEDED(focus.Property(kLocalizedControlTypeProperty, type)) && type.vt == VT_BSTR)
            spoken.emplace_back(type.bstrVal, SysStringLen(type.bstrVal));
        VariantClear(&type);
        return spoken;
    }
    wchar_t roleName[64] = {};
    GetRoleTextW(ROLE_SYSTEM_DIALOG, roleName, 64);
    spoken.push_back(roleName);
    for (UiaElement e = focus.Navigate(kToFirstChild); e; e = e.Navigate(kToNext)) {
        const long type = e.ControlType();
        const bool shown = e.Flag(kIsEnabledProperty) != 0 && e.Flag(kIsOffscreenProperty) != 1;
        if (shown && (type == kTextControlType || type == kHyperlinkControlType)) {
            spoken.push_back(e.Name());
            if (const std::wstring value = e.Value(); !value.empty()) spoken.push_back(value);
        }
    }
    return spoken;
}

} // namespace e2e
