// Painting of a form's controls and the mouse on them.
#include "Form.h"

#include "Unique.h"

#include <windowsx.h>

namespace win {

TControl* Form::ControlAt(POINT client) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if (PtInRect(&(*it)->BoundsRect(), client)) return *it;
    return nullptr;
}

void Form::Paint() {
    PaintScope paint(Handle());
    RECT overlap{};
    for (const TControl* control : controls_)
        if (IntersectRect(&overlap, &control->BoundsRect(), &paint.Area()))
            control->Paint(paint.Dc());
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT at{};
            GetCursorPos(&at);
            ScreenToClient(Handle(), &at);
            const TControl* control = ControlAt(at);
            if (control && control->Cursor) {
                SetCursor(control->Cursor);
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN: {
        TControl* control = ControlAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (control && control->OnClick) {
            pressed_ = control;
            SetCapture(Handle());
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (TControl* control = pressed_) {
            pressed_ = nullptr;
            ReleaseCapture();
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (PtInRect(&control->BoundsRect(), at) && control->OnClick)
                control->OnClick(*control);
        }
        return 0;
    case WM_CAPTURECHANGED:
        // The press is lost with the capture: a release now is no click.
        pressed_ = nullptr;
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace win
