// Painting of a form's controls, the mouse on them, and the colours they are painted with.
#include "Form.h"

#include <windowsx.h>

#include <algorithm>

namespace win {

namespace {

// Posted to the form by PostClick; wParam is the control's place in controls_.
constexpr UINT kClickMessage = WM_APP + 1;

core::SystemColours CurrentSystemColours() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof(highContrast);
    const bool on =
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(highContrast), &highContrast, 0) &&
        (highContrast.dwFlags & HCF_HIGHCONTRASTON);
    return {on, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
            GetSysColor(COLOR_HOTLIGHT)};
}

} // namespace

std::vector<TControl*> Form::ReadingOrder() const {
    std::vector<TControl*> order = controls_;
    std::sort(order.begin(), order.end(), [](const TControl* a, const TControl* b) {
        const RECT &ra = a->BoundsRect(), &rb = b->BoundsRect();
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    return order;
}

TControl* Form::ControlAt(POINT client) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if (PtInRect(&(*it)->BoundsRect(), client)) return *it;
    return nullptr;
}

Form::Click Form::PostClick(const TControl& control) {
    if (!IsWindowEnabled(Handle())) return Click::WindowDisabled;
    const auto at = std::find(controls_.begin(), controls_.end(), &control);
    return at != controls_.end() && PostMessageW(Handle(), kClickMessage,
                                                 static_cast<WPARAM>(at - controls_.begin()), 0)
               ? Click::Posted
               : Click::NotPosted;
}

void Form::SetColour(COLORREF colour) {
    colour_ = colour;
    ChoosePalette();
}

void Form::ChoosePalette() {
    const core::Palette chosen = core::ChoosePalette(colour_, CurrentSystemColours());
    if (background_ && chosen == palette_) return;
    palette_ = chosen;
    background_ = UniqueBrush(CreateSolidBrush(palette_.background));
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void Form::Paint() {
    PaintScope paint(Handle());
    const Look look{palette_, background_.Get()};
    RECT overlap{};
    for (const TControl* control : controls_)
        if (IntersectRect(&overlap, &control->BoundsRect(), &paint.Area()))
            control->Paint(paint.Dc(), look);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(Handle(), &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, background_.Get());
        return 1;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // A theme or colour change, high contrast among them, while the window is open.
        ChoosePalette();
        break;
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
    case kClickMessage:
        // A click posted just before a modal dialog disabled the window is dropped with it.
        if (IsWindowEnabled(Handle()) && wParam < controls_.size() && controls_[wParam]->OnClick)
            controls_[wParam]->OnClick(*controls_[wParam]);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = accessibility_.Answer(*this, wParam, lParam)) return answer;
        break;
    case WM_ENABLE:
        // A modal dialog came or went: readers that keep what they read must hear of it.
        accessibility_.EnabledChanged(wParam != FALSE);
        break;
    case WM_DESTROY:
        accessibility_.Disconnect();
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

} // namespace win
