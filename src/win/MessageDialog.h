// A modal message box as a framework's message dialog shows it: owned by the window the user
// is working in, and centred on the screen.
#pragma once

#include <windows.h>

namespace win {

// The window a dialog of this thread belongs to: the active one, else the first shown and
// enabled top-level window of the thread (the main form when another program is in front);
// null when the thread shows none.
HWND DialogOwner();

// Shows the box, centred on its monitor, until the user dismisses it, and returns the button
// chosen. While it is up its owner takes no input; without an owner, no window of the thread
// does.
int ShowMessageDialog(const wchar_t* text, const wchar_t* caption, UINT type);

} // namespace win
