// Linked into MinGW builds only, from a library of its own, so that it is part of the program
// only when the compiler's stack protector has instrumented some function.
//
// GCC's stack protector compares a canary against __stack_chk_guard when a function returns
// and calls __stack_chk_fail when they differ. MinGW takes both from libssp, which seeds the
// canary with CryptGenRandom: that loads a cryptographic provider and two libraries into every
// start of the program, a tenth of its start-up time. The canary only has to be unpredictable
// to an attacker, so it is seeded as the Visual C++ runtime seeds its /GS cookie: from the
// time, the ids of the process and thread, the tick count and the performance counter.
#include <windows.h>

#include <cstdint>

extern "C" {

// Nonzero until seeded, so that a function protected before that still has a canary.
std::uintptr_t __stack_chk_guard = static_cast<std::uintptr_t>(0xBB40E64Eu);

// The stack is no longer to be trusted: end at once, with the status Windows uses for it.
[[noreturn]] void __stack_chk_fail() {
    OutputDebugStringW(L"tarnwick: stack buffer overrun detected; the process ends.\n");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    for (;;) {
    }
}

} // extern "C"

namespace {

// Runs with the first static constructors, from the C runtime before wWinMain, so no protected
// frame is live when the canary changes; it is itself left unprotected for the same reason.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uint64_t seed =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    seed ^= static_cast<std::uint64_t>(GetCurrentProcessId()) << 16;
    seed ^= static_cast<std::uint64_t>(GetCurrentThreadId()) << 40;
    seed ^= GetTickCount();
    seed ^= static_cast<std::uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ull;
    seed ^= reinterpret_cast<std::uintptr_t>(&seed); // where the stack is, under ASLR
    auto guard = static_cast<std::uintptr_t>(seed ^ (seed >> 32));
    // Never zero, and never the value it had before.
    if (guard == 0 || guard == 0xBB40E64Eu) guard = 0xBB40E64Fu;
    __stack_chk_guard = guard;
}

} // namespace
