// What a screen reader is told about a form, made on the first request: its client area as an
// accessible object (Microsoft Active Accessibility) with one simple child per control, and
// the window as a UI Automation dialog with one element per control (UiAutomation.h). Both
// come from one description of the form (Elements.h).
#pragma once

#include "UiAutomation.h"

#include <windows.h>

namespace win {

class Form;
class SharedElements;

class FormAccessibility {
public:
    FormAccessibility() = default;
    FormAccessibility(const FormAccessibility&) = delete;
    FormAccessibility& operator=(const FormAccessibility&) = delete;
    ~FormAccessibility() { Disconnect(); }

    // The answer to WM_GETOBJECT for OBJID_CLIENT or for UI Automation's UiaRootObjectId; 0
    // when it cannot be given, and the system should answer instead.
    LRESULT Answer(Form& form, WPARAM wParam, LPARAM objectId) noexcept;

    // Tells the readers that have asked so far that the controls became available or
    // unavailable with the window. Call it when the window is enabled or disabled.
    void EnabledChanged(bool enabled);

    // Cuts every client off from the form at once: later calls from clients fail, and no new
    // object is made. Call it when the window is destroyed.
    void Disconnect();

    class Client;

private:
    LRESULT Give(Form& form, WPARAM wParam, LPARAM objectId);
    SharedElements* Shared(Form& form);

    SharedElements* elements_ = nullptr;
    Client* client_ = nullptr;
    FormAutomation automation_;
    bool disconnected_ = false;
};

} // namespace win
