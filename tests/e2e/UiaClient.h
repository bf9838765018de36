// UI Automation's client side, as a reader in another process uses it: the element of a window,
// its properties, navigation, and the link's patterns. uiautomationcore's client functions are
// looked up at run time (MinGW-w64 declares none of them and has no import library).
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

namespace e2e {

// Navigation directions and a few ids, as uiautomationcore.h and uiautomationclient.h number
// them.
enum UiaDirection {
    kToParent = 0,
    kToNext = 1,
    kToPrevious = 2,
    kToFirstChild = 3,
    kToLastChild = 4
};
enum UiaId : long {
    kInvokePatternId = 10000,
    kValuePatternId = 10002,
    kRuntimeIdProperty = 30000,
    kBoundingRectangleProperty = 30001,
    kControlTypeProperty = 30003,
    kLocalizedControlTypeProperty = 30004,
    kNameProperty = 30005,
    kHasKeyboardFocusProperty = 30008,
    kIsKeyboardFocusableProperty = 30009,
    kIsEnabledProperty = 30010,
    kAutomationIdProperty = 30011,
    kIsOffscreenProperty = 30022,
    kValueValueProperty = 30045,
    kIsDialogProperty = 30174,
    kHyperlinkControlType = 50005,
    kImageControlType = 50006,
    kTextControlType = 50020,
    kWindowControlType = 50032,
};
constexpr HRESULT kUiaElementNotEnabled = static_cast<HRESULT>(0x80040200);
constexpr long kUiaRootObjectId = -25; // WM_GETOBJECT's object id for UI Automation

// True where uiautomationcore and the client functions for elements and properties are there.
bool UiaAvailable();
// Whether the window answers UI Automation with a provider of its own: the test a reader
// makes to choose UI Automation over MSAA for it.
bool HasUiaProvider(HWND window);

// One element a client holds (an HUIANODE), released with the object.
class UiaElement {
public:
    UiaElement() = default;
    explicit UiaElement(void* node) : node_(node) {}
    UiaElement(UiaElement&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
    UiaElement& operator=(UiaElement&& other) noexcept;
    UiaElement(const UiaElement&) = delete;
    UiaElement& operator=(const UiaElement&) = delete;
    ~UiaElement();

    explicit operator bool() const { return node_ != nullptr; }
    void* Node() const { return node_; }

    // The element's value of a property: VT_EMPTY when it has none, and the call's failure.
    HRESULT Property(long id, VARIANT& value) const;
    std::wstring Name() const;              // "(failed)" on a failure
    std::wstring Text(long property) const; // a text property; "(failed)" on a failure
    std::wstring Value() const;             // the value pattern's value; empty for none
    long ControlType() const;               // -1 on a failure
    int Flag(long property) const;          // 1 true, 0 false, -1 not given or failed
    RECT Box() const;                       // empty on a failure
    std::vector<long> RuntimeId() const;
    // The element that way; empty for none. `result` gets the call's outcome.
    UiaElement Navigate(UiaDirection direction, HRESULT* result = nullptr) const;

private:
    void* node_ = nullptr;
};

// The client object that Narrator and other readers use (CUIAutomation, with IUIAutomation and
// its elements), where the platform has it: Windows 7 on and Wine 10 do, Wine 8 does not.
// MinGW-w64 declares none of its interfaces, so its methods are called by their places in
// the interfaces' tables, as uiautomationclient.h orders them.
class UiaClientObject {
public:
    UiaClientObject(); // empty where the class is not there
    UiaClientObject(const UiaClientObject&) = delete;
    UiaClientObject& operator=(const UiaClientObject&) = delete;
    ~UiaClientObject();
    explicit operator bool() const { return automation_ != nullptr; }

    struct Element {
        std::wstring name, automationId;
        long controlType = -1;
        RECT box{};
        HRESULT isDialogRead = E_FAIL; // the client's answer for IsDialog
        int isDialog = -1;             // 1 true, 0 false, -1 not read
    };
    // The window's element, then its children as FindAll(TreeScope_Children) lists them; the
    // first failing call's result, or S_OK.
    HRESULT Read(HWND window, std::vector<Element>& elements) const;
    // The invoke pattern of the window's child at `index` of that list, held by the caller:
    // the client's answer, and a null pattern where it offers none for the element.
    HRESULT InvokePattern(HWND window, std::size_t index, IUnknown** pattern) const;
    // The pattern's Invoke: S_OK, or the provider's failure.
    static HRESULT Invoke(IUnknown* pattern);

private:
    HRESULT Children(HWND window, IUnknown** windowElement, IUnknown** children) const;
    IUnknown* automation_ = nullptr;
};

// The link's invoke pattern, as a reader gets it: through the client object, where the
// platform's client gives one (Wine 8 has no client object, Wine 10's gives no pattern, and
// Wine's flat pattern functions are stubs that end the caller). Null where there is none.
void LinkInvokePattern(HWND window, IUnknown** pattern);

// The window's element, as a client gets it from the window handle.
HRESULT UiaElementOfWindow(HWND window, UiaElement& element);

// Every element's properties and boxes read once, as a reader reads a tree; false if any
// call failed.
bool ReadUiaTree(const UiaElement& window);

// What a reader says of the element that gets the focus as its window comes to the front,
// by the same rule as Speak in Reader.h: its name, "dialog" for a dialog, and then the
// dialog's text: the name and value of each child that is text or a link and is enabled and
// on the screen.
std::vector<std::wstring> SpeakUia(const UiaElement& focus);

} // namespace e2e
