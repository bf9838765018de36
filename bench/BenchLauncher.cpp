// Measures tarnwick.exe (or another program that shows the whole notice) against the floor
// program, as whole processes, interleaved in alternating order:
//   bench_launcher TARNWICK FLOOR PAIRS [NAME]     NAME: what to call the first, in the report
// For each run: the time from CreateProcessW until the window is on screen and painted
// (judged from its pixels), the private memory then (what Wine reports as PagefileUsage: the
// process's anonymous resident memory) and the peak working set, and the time from WM_CLOSE
// until the process has ended with exit code 0. Prints medians, and the ratio tarnwick/floor
// per pair as median with its spread: the middle half of the pairs lies between the
// quartiles, and a change smaller than that spread needs more pairs to be told from noise.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBackground = RGB(240, 251, 255);
constexpr wchar_t kCaption[] = L"Introducing Tolvan";

// Client boxes that must show text: tarnwick's six labels; the floor draws only the first.
const RECT kTextBoxes[] = {{21, 17, 120, 40},  {21, 59, 120, 75},   {21, 189, 120, 205},
                           {21, 256, 120, 272}, {113, 286, 200, 302}, {21, 354, 120, 370}};
constexpr RECT kLogo{794 + 60, 17 + 60, 794 + 90, 17 + 90};
constexpr RECT kBackgroundSpot{400, 420, 420, 430};

struct Run {
    double readyMs = 0, privateMiB = 0, peakMiB = 0, closeMs = 0;
    bool ok = false;
};

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Found {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* f = reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t text[64] = {};
    if (owner == f->pid && IsWindowVisible(hwnd) && GetWindowTextW(hwnd, text, 64) &&
        lstrcmpW(text, kCaption) == 0) {
        f->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD pid) {
    Found found{pid, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// Copies only the checked region of the screen: copying whole windows would slow the
// program being measured.
template <typename Test> bool Region(HWND window, const RECT& box, Test test) {
    POINT origin{box.left, box.top};
    ClientToScreen(window, &origin);
    const int w = box.right - box.left, h = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    bool result = false;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < w * h && !result; ++i) {
        const DWORD p = pixels[i];
        result = test(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

bool Painted(HWND window, int textBoxes) {
    const auto notBackground = [](COLORREF c) { return c != kBackground; };
    if (Region(window, kBackgroundSpot, notBackground)) return false;
    if (!Region(window, kLogo, notBackground)) return false;
    for (int i = 0; i < textBoxes; ++i)
        if (!Region(window, kTextBoxes[i], notBackground)) return false;
    return true;
}

Run Measure(const std::wstring& exe, int textBoxes) {
    Run run;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return run;
    HWND window = nullptr;
    while (Now() - start < 30000) {
        if (!window) window = FindWindowOf(process.dwProcessId);
        if (window && Painted(window, textBoxes)) break;
        Sleep(1);
    }
    run.readyMs = Now() - start;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory));
    run.privateMiB = static_cast<double>(memory.PagefileUsage) / (1024.0 * 1024.0);
    run.peakMiB = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
    const double closing = Now();
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    run.closeMs = Now() - closing;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    run.ok = window && ended && code == 0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

// The value below which a fraction q of the values lie, interpolated between neighbours.
double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(at);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (at - static_cast<double>(below)) * (values[above] - values[below]);
}

double Median(const std::vector<double>& values) { return Quantile(values, 0.5); }

void Report(const char* name, const char* figure, const char* unit, const std::vector<Run>& a,
            const std::vector<Run>& b, double Run::*field) {
    std::vector<double> va, vb, ratio;
    for (std::size_t i = 0; i < a.size(); ++i) {
        va.push_back(a[i].*field);
        vb.push_back(b[i].*field);
        ratio.push_back(b[i].*field > 0 ? a[i].*field / (b[i].*field) : 0);
    }
    std::printf("%-16s ratio %.3f (quartiles %.3f-%.3f, min %.3f, max %.3f)   %s %.2f %s, "
                "floor %.2f %s, difference %+.2f %s\n",
                figure, Median(ratio), Quantile(ratio, 0.25), Quantile(ratio, 0.75),
                *std::min_element(ratio.begin(), ratio.end()),
                *std::max_element(ratio.begin(), ratio.end()), name, Median(va), unit, Median(vb),
                unit, Median(va) - Median(vb), unit);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_launcher TARNWICK FLOOR PAIRS [NAME]\n");
        return 2;
    }
    const std::wstring tarnwick = argv[1], floor = argv[2];
    const int pairs = _wtoi(argv[3]);
    char name[64] = "tarnwick";
    if (argc > 4)
        WideCharToMultiByte(CP_UTF8, 0, argv[4], -1, name, sizeof(name), nullptr, nullptr);
    Measure(tarnwick, 6); // warm-up: the first start of each loads the caches
    Measure(floor, 1);
    std::vector<Run> a, b;
    bool ok = true;
    for (int i = 0; i < pairs; ++i) {
        // A B, B A, A B, ...: whichever runs first in a pair starts right after the other's
        // shutdown, so the order alternates to cancel that out.
        if (i % 2 == 0) {
            a.push_back(Measure(tarnwick, 6));
            b.push_back(Measure(floor, 1));
        } else {
            b.push_back(Measure(floor, 1));
            a.push_back(Measure(tarnwick, 6));
        }
        ok = ok && a.back().ok && b.back().ok;
    }
    std::printf("%d interleaved pairs, medians\n", pairs);
    Report(name, "time to ready", "ms", a, b, &Run::readyMs);
    Report(name, "private memory", "MiB", a, b, &Run::privateMiB);
    Report(name, "peak working set", "MiB", a, b, &Run::peakMiB);
    Report(name, "shutdown", "ms", a, b, &Run::closeMs);
    if (!ok) std::printf("FAILED: a run did not show its window or did not end with exit code 0\n");
    return ok ? 0 : 1;
}
