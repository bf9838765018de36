// Linked into MinGW builds only. GCC's static C++ runtime ends a program in std::terminate
// through its "verbose" handler, which writes the demangled type of the exception to stderr.
// A windowed program has no stderr, and the demangler and printf behind that handler are a
// fifth of the executable. libstdc++ lets a program define the handler itself; this one ends
// the process as the verbose one does once it has printed. The program catches every
// exception it throws, so this runs only if the runtime itself gives up.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

} // namespace __gnu_cxx
