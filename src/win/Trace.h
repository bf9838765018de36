// Time stamps of the start-up, to find where its time goes. Only a build configured with
// -DTARNWICK_TRACE=ON records them (scripts/trace.sh); in every other build the calls compile
// to nothing.
#pragma once

namespace win::trace {

#ifdef TARNWICK_TRACE
// Notes the time, in ms since the process was created, and the working set.
void Mark(const char* what);
// Appends the marks of this run as one line to %TEMP%\tarnwick-trace.txt.
void Write();
#else
inline void Mark(const char*) {}
inline void Write() {}
#endif

} // namespace win::trace
