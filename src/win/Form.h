// A top-level window with windowless controls on it. It paints them in stacking order with
// its palette, shows the cursor of the control under the pointer, turns a left press and
// release on the same control into that control's click, and answers screen readers for them.
#pragma once

#include "Accessible.h"
#include "Controls.h"
#include "Unique.h"
#include "Window.h"

#include <vector>

namespace win {

class Form : public Window {
public:
    // The controls in the order a reader takes them: top to bottom, then left to right.
    std::vector<TControl*> ReadingOrder() const;
    // The topmost control under a client point, or null.
    TControl* ControlAt(POINT client) const;
    // Clicks a control as the mouse would, once the caller has returned: for assistive
    // technology, whose call comes from another process and must not wait for the click.
    // No click while the window is disabled, as it takes no mouse input then.
    enum class Click { Posted, WindowDisabled, NotPosted };
    Click PostClick(const TControl& control);

    // The form's name, by which tools that drive the program find it.
    const wchar_t* Name = L"";

protected:
    // The background colour of the layout; the system's colours replace it where the user
    // needs them (core/Colours.h).
    void SetColour(COLORREF colour);

    // Controls added later lie above those added earlier.
    void AddControl(TControl& control) { controls_.push_back(&control); }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ChoosePalette();
    void Paint();

    std::vector<TControl*> controls_;
    TControl* pressed_ = nullptr; // the clickable control the left button went down on
    COLORREF colour_ = 0;
    core::Palette palette_{};
    UniqueBrush background_;
    FormAccessibility accessibility_;
};

} // namespace win
