// The provider tests' uiautomationcore: the system's, each call recorded before it is passed on.
#include "RecordingUiaCore.h"

#include "win/DllSearch.h"
#include "win/UiaCore.h"

namespace e2e {

UiaCalls& RecordedUiaCalls() {
    static UiaCalls calls;
    return calls;
}

} // namespace e2e

namespace {

win::UiaCore systemCore;

LRESULT WINAPI ReturnRawElementProvider(HWND window, WPARAM wParam, LPARAM objectId,
                                        IRawElementProviderSimple* element) {
    if (element)
        e2e::RecordedUiaCalls().handedOver.push_back(element);
    else if (!wParam && !objectId)
        e2e::RecordedUiaCalls().released.push_back(window);
    return systemCore.returnRawElementProvider(window, wParam, objectId, element);
}

HRESULT WINAPI DisconnectProvider(IRawElementProviderSimple* element) {
    e2e::RecordedUiaCalls().disconnected.push_back(element);
    return systemCore.disconnectProvider ? systemCore.disconnectProvider(element) : S_OK;
}

BOOL WINAPI ClientsAreListening() { return e2e::RecordedUiaCalls().listening; }

HRESULT WINAPI RaisePropertyChangedEvent(IRawElementProviderSimple* element, PROPERTYID property,
                                         VARIANT before, VARIANT now) {
    e2e::RecordedUiaCalls().changes.push_back({element, property, before, now});
    return systemCore.raisePropertyChangedEvent
               ? systemCore.raisePropertyChangedEvent(element, property, before, now)
               : S_OK;
}

} // namespace

namespace win {

const UiaCore* UiaCore::Get() {
    static UiaCore recording;
    if (!recording.returnRawElementProvider) {
        const HMODULE core = LoadSystemLibrary(L"uiautomationcore.dll");
        systemCore.returnRawElementProvider =
            FindEntry<decltype(systemCore.returnRawElementProvider)>(core,
                                                                     "UiaReturnRawElementProvider");
        systemCore.hostProviderFromHwnd =
            FindEntry<decltype(systemCore.hostProviderFromHwnd)>(core, "UiaHostProviderFromHwnd");
        systemCore.disconnectProvider =
            FindEntry<decltype(systemCore.disconnectProvider)>(core, "UiaDisconnectProvider");
        systemCore.raisePropertyChangedEvent =
            FindEntry<decltype(systemCore.raisePropertyChangedEvent)>(
                core, "UiaRaiseAutomationPropertyChangedEvent");
        if (!systemCore.returnRawElementProvider || !systemCore.hostProviderFromHwnd)
            return nullptr;
        recording.returnRawElementProvider = ReturnRawElementProvider;
        recording.hostProviderFromHwnd = systemCore.hostProviderFromHwnd;
        recording.disconnectProvider = DisconnectProvider;
        recording.clientsAreListening = ClientsAreListening;
        recording.raisePropertyChangedEvent = RaisePropertyChangedEvent;
    }
    return &recording;
}

} // namespace win
