// The parts of UI Automation's provider interface that MinGW-w64's headers lack: the link's two
// pattern interfaces, and the ids and errors as uiautomationclient.h and uiautomationcoreapi.h
// number them (MinGW's copies lack the control types and do not compile as C++).
#pragma once

#include <windows.h>

#include <uiautomationcore.h>

// The link's two patterns. MinGW's uiautomationcore.h declares neither.
#ifndef __IInvokeProvider_INTERFACE_DEFINED__
#define __IInvokeProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("54fcb24b-e18e-47a2-b4d3-eccbe77599a2")
IInvokeProvider : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IInvokeProvider, 0x54fcb24b, 0xe18e, 0x47a2, 0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75,
                0x99, 0xa2)
#endif
#endif

#ifndef __IValueProvider_INTERFACE_DEFINED__
#define __IValueProvider_INTERFACE_DEFINED__
MIDL_INTERFACE("c7935180-6fb3-4201-b174-7df73adbf64a")
IValueProvider : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR val) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR * pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL * pRetVal) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IValueProvider, 0xc7935180, 0x6fb3, 0x4201, 0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb,
                0xf6, 0x4a)
#endif
#endif

namespace win::uia {

constexpr PATTERNID kInvokePattern = 10000;
constexpr PATTERNID kValuePattern = 10002;
constexpr PROPERTYID kControlTypeProperty = 30003;
constexpr PROPERTYID kNameProperty = 30005;
constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
constexpr PROPERTYID kIsEnabledProperty = 30010;
constexpr PROPERTYID kAutomationIdProperty = 30011;
constexpr PROPERTYID kIsOffscreenProperty = 30022;
constexpr PROPERTYID kValueProperty = 30045;
constexpr PROPERTYID kValueIsReadOnlyProperty = 30046;
constexpr PROPERTYID kIsDialogProperty = 30174;
constexpr long kHyperlinkControlType = 50005;
constexpr long kImageControlType = 50006;
constexpr long kTextControlType = 50020;
constexpr long kWindowControlType = 50032;
constexpr int kAppendRuntimeId = 3;
constexpr HRESULT kElementNotEnabled = static_cast<HRESULT>(0x80040200);
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);

} // namespace win::uia
