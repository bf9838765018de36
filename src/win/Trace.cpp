// The start-up trace of a TARNWICK_TRACE build.
#include "Trace.h"

#ifdef TARNWICK_TRACE

#include <windows.h>

#include <psapi.h>

#include <cstdio>

namespace win::trace {

namespace {

struct Entry {
    const char* what;
    double ms;
    double workingSetMiB;
};
Entry entries[32];
int count = 0;

double MsSinceCreation() {
    FILETIME created{}, unused{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

} // namespace

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
}

void Mark(const char* what) {
    if (count < 32) entries[count++] = {what, MsSinceCreation(), WorkingSetMiB()};
}

void Write() {
    wchar_t path[MAX_PATH + 32];
    const DWORD length = GetTempPathW(MAX_PATH, path);
    if (!length || length > MAX_PATH) return;
    lstrcatW(path, L"tarnwick-trace.txt");
    FILE* out = _wfopen(path, L"a");
    if (!out) return;
    for (int i = 0; i < count; ++i)
        std::fprintf(out, "%s%s=%.3f/%.3f", i ? "\t" : "", entries[i].what, entries[i].ms,
                     entries[i].workingSetMiB);
    std::fprintf(out, "\n");
    std::fclose(out);
}

} // namespace win::trace

#endif
