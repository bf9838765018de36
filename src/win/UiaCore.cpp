// Loading uiautomationcore on demand.
#include "UiaCore.h"

#include "DllSearch.h"

namespace win {

const UiaCore* UiaCore::Get() {
    static UiaCore entries;
    if (!entries.returnRawElementProvider) {
        const HMODULE core = LoadSystemLibrary(L"uiautomationcore.dll");
        UiaCore found;
        found.returnRawElementProvider = FindEntry<decltype(found.returnRawElementProvider)>(
            core, "UiaReturnRawElementProvider");
        found.hostProviderFromHwnd =
            FindEntry<decltype(found.hostProviderFromHwnd)>(core, "UiaHostProviderFromHwnd");
        found.disconnectProvider =
            FindEntry<decltype(found.disconnectProvider)>(core, "UiaDisconnectProvider");
        found.clientsAreListening =
            FindEntry<decltype(found.clientsAreListening)>(core, "UiaClientsAreListening");
        found.raisePropertyChangedEvent = FindEntry<decltype(found.raisePropertyChangedEvent)>(
            core, "UiaRaiseAutomationPropertyChangedEvent");
        if (!found.returnRawElementProvider || !found.hostProviderFromHwnd) return nullptr;
        entries = found;
    }
    return &entries;
}

} // namespace win
