// The reader's calls, each one as a reader makes it.
#include "Reader.h"

namespace e2e {

long Number(HRESULT hr, const VARIANT& v) { return SUCCEEDED(hr) && v.vt == VT_I4 ? v.lVal : -1; }

HRESULT ClientObject(HWND window, ComRef<IAccessible>& client) {
    return AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                      __uuidof(IAccessible),
                                      reinterpret_cast<void**>(client.Put()));
}

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

std::wstring Value(IAccessible* object, long id) {
    BSTR value = nullptr;
    return SUCCEEDED(object->get_accValue(Child(id), &value)) ? Take(value) : L"";
}

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

long Navigate(IAccessible* object, long from, long direction) {
    VARIANT end;
    VariantInit(&end);
    const HRESULT hr = object->accNavigate(direction, Child(from), &end);
    if (hr == S_FALSE) return end.vt == VT_EMPTY ? 0 : -1;
    return Number(hr, end);
}

bool ReadTree(IAccessible* client) {
    long count = 0;
    if (FAILED(client->get_accChildCount(&count))) return false;
    bool read = true;
    for (long id = CHILDID_SELF; id <= count; ++id) {
        long left = 0, top = 0, width = 0, height = 0;
        BSTR name = nullptr, value = nullptr;
        read &= SUCCEEDED(client->get_accName(Child(id), &name));
        Take(name);
        client->get_accValue(Child(id), &value); // only the link has one
        Take(value);
        read &= Role(client, id) >= 0 && State(client, id) >= 0;
        read &= SUCCEEDED(client->accLocation(&left, &top, &width, &height, Child(id)));
    }
    return read;
}

std::vector<std::wstring> Speak(IAccessible* focus) {
    std::vector<std::wstring> spoken{Name(focus, CHILDID_SELF)};
    const long role = Role(focus, CHILDID_SELF);
    if (role != ROLE_SYSTEM_CLIENT) {
        wchar_t roleName[64] = {};
        GetRoleTextW(static_cast<DWORD>(role), roleName, 64);
        spoken.push_back(roleName);
    }
    if (role != ROLE_SYSTEM_DIALOG && role != ROLE_SYSTEM_ALERT) return spoken;

    BSTR description = nullptr;
    if (SUCCEEDED(focus->get_accDescription(Child(CHILDID_SELF), &description)) && description &&
        SysStringLen(description) > 0) {
        spoken.push_back(Take(description));
        return spoken;
    }
    Take(description);
    long count = 0;
    focus->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    long got = 0;
    if (count == 0 || FAILED(AccessibleChildren(focus, 0, count, children.data(), &got)))
        return spoken;
    for (long i = 0; i < got; ++i) {
        VARIANT& child = children[static_cast<std::size_t>(i)];
        if (child.vt == VT_I4) {
            const long id = child.lVal, state = State(focus, id), childRole = Role(focus, id);
            const bool shown =
                state >= 0 && !(state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE));
            if (shown && (childRole == ROLE_SYSTEM_STATICTEXT || childRole == ROLE_SYSTEM_LINK)) {
                spoken.push_back(Name(focus, id));
                if (const std::wstring value = Value(focus, id); !value.empty())
                    spoken.push_back(value);
            }
        }
        VariantClear(&child);
    }
    return spoken;
}

std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c == L'\r' ? std::string("\\r") : std::string(1, static_cast<char>(c));
    return out;
}

} // namespace e2e
