// Moves a top-level window to the centre of the monitor it is on.
#pragma once

#include <windows.h>

namespace win {

enum class CentreIn { WorkArea, Monitor };

void CentreOnMonitor(HWND window, CentreIn area);

} // namespace win
