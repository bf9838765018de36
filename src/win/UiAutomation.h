// A form as UI Automation clients (Narrator among them) see it: the window is a dialog whose
// elements are its controls, from the same description as its MSAA object (Elements.h).
// uiautomationcore is loaded the first time a client asks.
#pragma once

#include <windows.h>

struct IRawElementProviderSimple;

namespace win {

class SharedElements;

// The object id with which UI Automation asks a window for its provider in WM_GETOBJECT.
constexpr long kUiaRootObjectId = -25;

class FormAutomation {
public:
    FormAutomation() = default;
    FormAutomation(const FormAutomation&) = delete;
    FormAutomation& operator=(const FormAutomation&) = delete;
    ~FormAutomation() { Disconnect(); }

    // The answer to WM_GETOBJECT for kUiaRootObjectId; 0 when it cannot be given (no
    // uiautomationcore, as on Vista without its update), and the system should answer.
    LRESULT Answer(SharedElements& elements, WPARAM wParam, LPARAM objectId);

    // The window's element, made on the first request and owned here (Answer hands it to UI
    // Automation); null when uiautomationcore is missing.
    IRawElementProviderSimple* Root(SharedElements& elements);

    // Tells listening clients that the elements became enabled or disabled; nothing when no
    // client has asked for the window's element.
    void EnabledChanged(bool enabled);

    // Clients lose every element now; the elements must be cut off first. Call it when the
    // window is destroyed.
    void Disconnect();

    class Tree;

private:
    Tree* tree_ = nullptr;
};

} // namespace win
