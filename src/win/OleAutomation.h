// Strings and arrays in the forms COM clients take (BSTR, SAFEARRAY), from oleaut32. It is
// loaded the first time assistive technology asks, not with the program.
#pragma once

#include <windows.h>

#include <oleauto.h>

namespace win {

struct OleAutomation {
    decltype(&::SysAllocString) sysAllocString = nullptr;
    decltype(&::SafeArrayCreateVector) safeArrayCreateVector = nullptr;
    decltype(&::SafeArrayPutElement) safeArrayPutElement = nullptr;

    // Null while oleaut32 cannot be loaded; a failed load is tried again on the next call.
    // First called on the form's thread, before any other thread can use what it returns.
    static const OleAutomation* Get();
};

} // namespace win
