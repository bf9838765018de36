// What assistive technology is told about a form, whichever way a client asks: through its
// Microsoft Active Accessibility object (Accessible.cpp) or through UI Automation
// (UiAutomation.cpp). Both read this one description, so they cannot disagree.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace win {

class Form;
class TControl;

// Element 0 is the form itself; 1 to Count() are its controls in reading order.
//
// Made on the form's thread, read on any: UI Automation calls in on threads of its own. So it
// reads only the fixed layout and window state that is had without a message to the form's
// thread, which may be waiting for SharedElements' lock meanwhile.
class Elements {
public:
    static constexpr long kSelf = 0;
    enum class Role { Dialog, Text, Graphic, Link };
    enum class Direction { Up, Down, Left, Right };
    struct State {
        bool unavailable; // a modal dialog has the window disabled
        bool invisible;   // the window is hidden or minimised
        bool offscreen;   // a shrunk window clips the control away
    };

    explicit Elements(Form& form);

    HWND Window() const;
    long Count() const { return static_cast<long>(children_.size()); }
    bool Exists(long id) const { return id >= kSelf && id <= Count(); }

    Role RoleOf(long id) const;
    const wchar_t* Name(long id) const;         // the form's is its caption
    const wchar_t* Value(long id) const;        // a link's address; null for none
    bool HasAction(long id) const;              // whether a click on it does anything
    const wchar_t* AutomationId(long id) const; // its name in the form, the same in every build
    RECT ScreenBox(long id) const;              // the form's is its client area
    State StateOf(long id) const;

    // Navigation among the controls; 0 where there is none.
    long Next(long id) const { return id < Count() ? id + 1 : 0; }
    long Previous(long id) const { return id > 1 ? id - 1 : 0; }
    long Nearest(long id, Direction direction) const; // wholly beyond it that way
    // The control at a point on the screen, kSelf between controls, -1 outside the client area.
    long At(POINT screen) const;

    // Does what a click on the control does, once the caller has returned. Nothing is done
    // while the form takes no input (a modal dialog is up).
    enum class Action { Done, NotEnabled, Failed };
    Action DoAction(long id) const;

private:
    const TControl& Child(long id) const { return *children_[static_cast<std::size_t>(id - 1)]; }

    Form& form_;
    std::wstring caption_;
    std::vector<TControl*> children_; // the layout is fixed
};

// The elements as every client's objects hold them: counted, and cut off from the form for all
// of them at once when its window goes.
class SharedElements {
public:
    // One reference; null when out of memory. Nothing is thrown.
    static SharedElements* Create(Form& form) noexcept;

    void AddRef() { InterlockedIncrement(&references_); }
    void Release();
    // Later calls find no elements. On the form's thread, before the window is destroyed.
    void CutOff();

    // The elements while the object lives: it holds the lock, so the form cannot go meanwhile.
    // Empty once cut off.
    class Access {
    public:
        explicit Access(SharedElements& shared);
        ~Access();
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;
        explicit operator bool() const { return elements_ != nullptr; }
        const Elements* operator->() const { return elements_; }
        const Elements& operator*() const { return *elements_; }

    private:
        SharedElements& shared_;
        const Elements* elements_;
    };

private:
    explicit SharedElements(Form& form);
    ~SharedElements();

    LONG references_ = 1;
    CRITICAL_SECTION lock_;
    std::unique_ptr<Elements> elements_;
};

} // namespace win
