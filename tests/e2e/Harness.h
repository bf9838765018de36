// Drives the real tarnwick.exe from outside, as a user and the shell would: starts it with a
// chosen show state and command line, finds its windows, reads their pixels and texts, and
// clicks with the real mouse.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

constexpr wchar_t kCaption[] = L"Introducing Tolvan";
constexpr wchar_t kAddress[] = L"http://www.tolvan.example";
constexpr wchar_t kHost[] = L"www.tolvan.example";
constexpr COLORREF kBackground = RGB(240, 251, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Beside the test program: tarnwick.exe, the stand-in browser and the logo.
std::wstring BesideTests(const std::wstring& name);

// Polls until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

struct LaunchOptions {
    bool useShowWindow = false;
    WORD showWindow = SW_SHOWDEFAULT;
    std::wstring arguments; // appended after the quoted program path
    std::wstring exe;       // another copy of the program to start; empty: the one under test
};

class Notice {
public:
    explicit Notice(const LaunchOptions& options = {});
    ~Notice(); // ends the process if a test left it running
    Notice(const Notice&) = delete;
    Notice& operator=(const Notice&) = delete;

    HWND Window() const { return window_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    std::vector<HWND> TopLevelWindows() const; // of this process, shown or not
    HWND FindTopLevel(const wchar_t* caption) const;
    std::vector<HWND> Shown(const wchar_t* caption) const; // its visible windows of that caption

    // Asks the window to close and returns the exit code (STILL_ACTIVE on a hang).
    DWORD Close();
    DWORD WaitForExit(DWORD timeoutMs = 10000);

private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[y * width + x]; }
    bool operator==(const Capture& other) const {
        return width == other.width && height == other.height && pixels == other.pixels;
    }
    Capture Region(const RECT& r) const; // r must lie inside
    int Differences(const Capture& other) const; // pixels that differ; any size change counts
    void SaveBmp(const std::wstring& path) const;
    static Capture LoadBmp(const std::wstring& path); // one that SaveBmp wrote; empty if none
};

// What the screen shows in a rectangle, and of a window's client area (the window is brought
// to the front first).
Capture CaptureScreen(const RECT& r);
Capture CaptureDc(HDC source, const RECT& r);
Capture CaptureClient(HWND window);

RECT ClientRectOnScreen(HWND window);
MONITORINFO MonitorOf(HWND window); // the monitor the window is on
POINT CentreOnScreen(HWND window);
std::vector<HWND> Children(HWND parent);
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

void MoveMouse(POINT screen);
void MouseButton(bool down);
void Click(POINT screen);
void PressKey(WORD virtualKey);
void Dismiss(HWND dialog); // brings it to the front and presses Enter

// The shell's command for http addresses in the test prefix.
void SetHttpHandler(const std::wstring& command);
// An http handler that cannot start: every launch of the website fails.
void SetMissingHttpHandler();

// Registers the stand-in browser as the http handler; it logs the addresses it was asked to
// open. Create it before the notice starts, which inherits the log's name.
class BrowserLog {
public:
    BrowserLog();
    ~BrowserLog();
    BrowserLog(const BrowserLog&) = delete;
    BrowserLog& operator=(const BrowserLog&) = delete;

    std::vector<std::string> Lines() const;

private:
    std::wstring path_;
};

} // namespace e2e
