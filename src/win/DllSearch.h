// Where the process may load libraries from.
#pragma once

namespace win {

// From now on, libraries (and what they load in turn) come from the system folder only,
// never from the program's own folder, which is often a downloads folder, nor from the
// current directory.
void LoadLibrariesFromSystemOnly();

} // namespace win
