// What a screen reader is told about a form: its client area as an accessible object (Microsoft
// Active Accessibility) with one simple child per control, made on the first request.
#pragma once

#include <windows.h>

namespace win {

class Form;

class FormAccessibility {
public:
    FormAccessibility() = default;
    FormAccessibility(const FormAccessibility&) = delete;
    FormAccessibility& operator=(const FormAccessibility&) = delete;
    ~FormAccessibility() { Disconnect(); }

    // The answer to WM_GETOBJECT for OBJID_CLIENT; 0 when it cannot be given, and the
    // system's standard object should answer instead.
    LRESULT Answer(Form& form, WPARAM wParam);

    // Cuts the object off from its form: later calls from clients fail, and no new object is
    // made. Call it when the window is destroyed.
    void Disconnect();

    class Client;

private:
    Client* client_ = nullptr;
    bool disconnected_ = false;
};

} // namespace win
