// A top-level window with windowless controls on it. It paints them in stacking order, shows
// the cursor of the control under the pointer, and turns a left press and release on the same
// control into that control's click.
#pragma once

#include "Controls.h"
#include "Window.h"

#include <vector>

namespace win {

class Form : public Window {
protected:
    // Controls added later lie above those added earlier.
    void AddControl(TControl& control) { controls_.push_back(&control); }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TControl* ControlAt(POINT client) const;
    void Paint();

    std::vector<TControl*> controls_;
    TControl* pressed_ = nullptr; // the clickable control the left button went down on
};

} // namespace win
