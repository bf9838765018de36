// A screen reader's side of Microsoft Active Accessibility, from another process: the calls a
// reader makes on an accessible object, and what it says when a dialog comes up.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace e2e {

// One reference to a COM object.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Put() {
        Reset();
        return &p_;
    }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// The client object of a window, as a reader asks for it; S_OK or the failure.
HRESULT ClientObject(HWND window, ComRef<IAccessible>& client);

VARIANT Child(long id);
long Number(HRESULT hr, const VARIANT& v);        // the VT_I4 an answer holds, -1 for none
std::wstring Take(BSTR text);                     // frees it
std::wstring Name(IAccessible* object, long id);  // "(failed)" on a failure
std::wstring Value(IAccessible* object, long id); // empty if none
long Role(IAccessible* object, long id);          // -1 on a failure
long State(IAccessible* object, long id);         // -1 on a failure
RECT Location(IAccessible* object, long id);      // empty on a failure
// The id accNavigate reaches, 0 for none, -1 on an error.
long Navigate(IAccessible* object, long from, long direction);

// Everything a reader asks of each element, once: name, role, state, box and value. False if
// any call failed.
bool ReadTree(IAccessible* client);

// What a reader says when the object gets the focus as its window comes to the front: its
// name, the name of its role unless it is a plain client area, and for a dialog or an alert
// the dialog's text: its description if it has one, or else the name and value of each
// child that is text or a link and is neither invisible nor unavailable.
std::vector<std::wstring> Speak(IAccessible* focus);

// ASCII for the log, line breaks shown.
std::string Printable(const std::wstring& text);

} // namespace e2e
