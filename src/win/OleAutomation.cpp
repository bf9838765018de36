#include "OleAutomation.h"

#include "DllSearch.h"

namespace win {

const OleAutomation* OleAutomation::Get() {
    static OleAutomation entries;
    if (!entries.sysAllocString) {
        // Not a KnownDLL: by its full path in the system folder.
        const HMODULE oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
        OleAutomation found;
        found.sysAllocString =
            FindEntry<decltype(found.sysAllocString)>(oleaut32, "SysAllocString");
        found.safeArrayCreateVector =
            FindEntry<decltype(found.safeArrayCreateVector)>(oleaut32, "SafeArrayCreateVector");
        found.safeArrayPutElement =
            FindEntry<decltype(found.safeArrayPutElement)>(oleaut32, "SafeArrayPutElement");
        if (!found.sysAllocString || !found.safeArrayCreateVector || !found.safeArrayPutElement)
            return nullptr;
        entries = found;
    }
    return &entries;
}

} // namespace win
