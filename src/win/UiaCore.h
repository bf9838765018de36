// uiautomationcore's entry points that the providers call. The library is loaded the first
// time a UI Automation client asks, never with the program, and it is not imported: its
// functions are looked up.
#pragma once

#include <windows.h>

#include <uiautomationcore.h>

namespace win {

struct UiaCore {
    LRESULT(WINAPI* returnRawElementProvider)
    (HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
    HRESULT(WINAPI* hostProviderFromHwnd)(HWND, IRawElementProviderSimple**) = nullptr;
    // Windows 8 on; null before.
    HRESULT(WINAPI* disconnectProvider)(IRawElementProviderSimple*) = nullptr;
    BOOL(WINAPI* clientsAreListening)() = nullptr;
    HRESULT(WINAPI* raisePropertyChangedEvent)
    (IRawElementProviderSimple*, PROPERTYID, VARIANT, VARIANT) = nullptr;

    // Loaded once, from the system folder by its full path; null while it cannot be (a failed
    // load is tried again on the next request).
    static const UiaCore* Get();
};

} // namespace win
