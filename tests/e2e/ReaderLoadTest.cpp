// Screen readers poll: they read the whole window again and again, and ask for a fresh object
// many times, several readers at once. The notice must keep answering, keep its memory and
// look the same. Wine's own marshalling keeps some memory for every fresh object, whatever
// the window, so that figure is judged against a plain window under the same load.
#include "Harness.h"
#include "Reader.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using namespace e2e;

namespace {

constexpr int kReaders = 4;
constexpr int kRequests = 2000; // of each kind, over all readers

// The process's private memory. Wine reports the process's anonymous resident memory here;
// it gives no private bytes or object counts for another process.
double PrivateMiB(DWORD processId) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, &memory, sizeof(memory));
    CloseHandle(process);
    return static_cast<double>(memory.PagefileUsage) / (1024.0 * 1024.0);
}

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double before = 0, afterReads = 0, afterFresh = 0; // MiB
    double longestAnswerMs = 0;
    bool everyCallAnswered = true;
};

// Runs `read` on every reader at once, each a thread with a COM apartment of its own, while
// this thread keeps sending the window a message and times its answers.
void UnderLoad(HWND window, const std::function<bool()>& read, Figures& figures) {
    std::atomic<int> running{kReaders};
    std::atomic<bool> failed{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < kReaders; ++i)
        readers.emplace_back([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (!read()) failed = true;
            CoUninitialize();
            --running;
        });
    while (running > 0) {
        const double sent = Now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result))
            figures.everyCallAnswered = false;
        figures.longestAnswerMs = std::max(figures.longestAnswerMs, Now() - sent);
        Sleep(5);
    }
    for (std::thread& reader : readers) reader.join();
    if (failed) figures.everyCallAnswered = false;
}

Figures Load(const Notice& target) {
    const HWND window = target.Window();
    const Capture look = CaptureClient(window);
    Figures figures;
    {
        // The first request loads the libraries and makes the object: not the figure sought.
        ComRef<IAccessible> client;
        EXPECT_EQ(S_OK, ClientObject(window, client));
        EXPECT_TRUE(client.Get() && ReadTree(client.Get()));
    }
    figures.before = PrivateMiB(target.ProcessId());
    UnderLoad(window, [&] {
        ComRef<IAccessible> client;
        if (FAILED(ClientObject(window, client))) return false;
        for (int i = 0; i < kRequests / kReaders; ++i)
            if (!ReadTree(client.Get())) return false;
        return true;
    }, figures);
    figures.afterReads = PrivateMiB(target.ProcessId());
    UnderLoad(window, [&] {
        for (int i = 0; i < kRequests / kReaders; ++i) {
            ComRef<IAccessible> client;
            if (FAILED(ClientObject(window, client)) ||
                Name(client.Get(), CHILDID_SELF) == L"(failed)")
                return false;
        }
        return true;
    }, figures);
    figures.afterFresh = PrivateMiB(target.ProcessId());
    EXPECT_EQ(0, look.Differences(CaptureClient(window))) << "it looks different after the load";
    return figures;
}

void Print(const char* what, const Figures& f) {
    std::printf("%-12s private memory %.2f MiB, after %d reads through one object %+.2f MiB, "
                "after %d fresh objects %+.2f MiB; longest answer to a message %.1f ms\n",
                what, f.before, kRequests, f.afterReads - f.before, kRequests,
                f.afterFresh - f.afterReads, f.longestAnswerMs);
}

} // namespace

TEST(ReaderLoad, ManyReadersAtOnceNeitherGrowTheNoticeNorHoldItUp) {
    CoInitialize(nullptr);
    Figures notice, plain;
    {
        Notice program;
        notice = Load(program);
        EXPECT_EQ(0u, program.Close());
    }
    {
        // The plain window: a window of the same size and caption, without an object of its
        // own (the benchmark's floor).
        wchar_t name[MAX_PATH] = L"floor.exe";
        GetEnvironmentVariableW(L"TARNWICK_PLAIN_WINDOW", name, MAX_PATH);
        LaunchOptions options;
        options.exe = BesideTests(name);
        Notice window(options);
        plain = Load(window);
        EXPECT_EQ(0u, window.Close());
    }
    CoUninitialize();
    Print("tarnwick", notice);
    Print("plain window", plain);

    EXPECT_TRUE(notice.everyCallAnswered) << "a call failed, or a message went unanswered for 10 s";
    EXPECT_LT(notice.afterReads - notice.before, 0.25) << "reading through one object grows";
    const double plainFresh = plain.afterFresh - plain.afterReads;
    EXPECT_LT(notice.afterFresh - notice.afterReads, std::max(plainFresh * 1.25, plainFresh + 0.5))
        << "fresh objects keep more than they do for a plain window";
}
