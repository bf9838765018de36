// The client calls, each one as a reader makes it.
#include "UiaClient.h"

#include <oleacc.h>

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
    HRESULT(WINAPI* getPatternProvider)(void*, long, void**) = nullptr;
    BOOL(WINAPI* patternRelease)(void*) = nullptr;
    HRESULT(WINAPI* invoke)(void*) = nullptr;
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
            find(c.getPatternProvider, "UiaGetPatternProvider");
            find(c.patternRelease, "UiaPatternRelease");
            find(c.invoke, "InvokePattern_Invoke");
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

bool UiaPatternsAvailable() {
    // Wine 8 exports the pattern functions as stubs that end the process; where the client
    // object is registered (Windows 7 on), they are implemented.
    static const bool available = [] {
        const CLSID clientObject = {
            0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
        IUnknown* client = nullptr;
        const HRESULT made =
            CoCreateInstance(clientObject, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                             reinterpret_cast<void**>(&client));
        if (client) client->Release();
        return SUCCEEDED(made) && Client::Get().getPatternProvider && Client::Get().invoke &&
               Client::Get().patternRelease;
    }();
    return available;
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

HRESULT UiaElement::Invoke() const {
    if (!node_) return E_HANDLE;
    if (!UiaPatternsAvailable()) return E_NOTIMPL;
    void* pattern = nullptr;
    HRESULT hr = Client::Get().getPatternProvider(node_, kInvokePatternId, &pattern);
    if (FAILED(hr)) return hr;
    if (!pattern) return E_NOINTERFACE;
    hr = Client::Get().invoke(pattern);
    Client::Get().patternRelease(pattern);
    return hr;
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
