// uiautomationcore as the providers see it in the provider tests: the system's own library,
// with every call by which the program tells UI Automation something recorded. A test then sees
// that the call was made where the platform has it only as a stub (Wine 8: UiaDisconnectProvider,
// the clean-up of UiaReturnRawElementProvider, events), and decides what UiaClientsAreListening
// answers.
#pragma once

#include <windows.h>

#include <uiautomationcore.h>

#include <vector>

namespace e2e {

struct PropertyChange {
    IRawElementProviderSimple* element;
    PROPERTYID property;
    VARIANT before, now;
};

struct UiaCalls {
    bool listening = false; // what UiaClientsAreListening answers
    // Every element a window handed to UiaReturnRawElementProvider, last one last.
    std::vector<IRawElementProviderSimple*> handedOver;
    // The windows whose providers were released with UiaReturnRawElementProvider(hwnd, 0, 0,
    // NULL).
    std::vector<HWND> released;
    std::vector<IRawElementProviderSimple*> disconnected;
    std::vector<PropertyChange> changes;

    void Clear() {
        const bool keep = listening;
        *this = UiaCalls();
        listening = keep;
    }
};

UiaCalls& RecordedUiaCalls(); // on the form's thread only

} // namespace e2e
