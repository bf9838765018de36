// Gathers the monitor and desktop bounds for the centring arithmetic in the core.
#include "Placement.h"

#include "../core/Placement.h"

namespace win {

namespace {

core::Rect ToCore(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

} // namespace

void CentreOnMonitor(HWND window, CentreIn area) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    RECT outer{};
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowRect(window, &outer))
        return;
    const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const core::Rect desktop{desktopLeft, desktopTop,
                             desktopLeft + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             desktopTop + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const core::Point at = core::CentredPosition(
        ToCore(area == CentreIn::WorkArea ? monitor.rcWork : monitor.rcMonitor),
        outer.right - outer.left, outer.bottom - outer.top, desktop);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace win
