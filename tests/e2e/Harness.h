// Drives the real tarnwick.exe from outside, as a user and the shell would: starts it with a
// chosen show state and command line, finds its windows, reads their pixels and texts, and
// clicks with the real mouse.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

constexpr wchar_t kCaption[] = L"Introducing Tolvan";
constexpr wchar_t kAddress[] = L"http://www.tolvan.example";
constexpr wchar_t kHost[] = L"www.tolvan.example";
constexpr COLORREF kBackground = RGB(240, 251, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Beside the test program: tarnwick.exe, the stand-in browser and the logo.
std::wstring BesideTests(const std::wstring& name);
// The program under test: tarnwick.exe beside the tests, or the build that
// TARNWICK_UNDER_TEST names there (a signed copy, or the x86-64 build).
std::wstring ProgramUnderTest();

// A deadline for something the program does, scaled to how programs run here: under
// emulation everything takes several times longer (TARNWICK_DEADLINE_SCALE).
DWORD Deadline(DWORD nativeMs);

// Polls until the condition holds or the deadline has passed.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = Deadline(10000));

// Starts a program and waits for its exit code; -1 if it did not start, STILL_ACTIVE if it
// did not end in time.
int RunAndWait(const std::wstring& exe, const std::wstring& arguments = L"",
               DWORD timeoutMs = Deadline(30000));

// A screen reader in a process of its own reads the window and follows its link
// (ScreenReader.cpp), or with `followOnly` just follows it; 0 when all of it succeeded.
int RunReader(HWND window, bool followOnly = false);

struct LaunchOptions {
    bool useShowWindow = false;
    WORD showWindow = SW_SHOWDEFAULT;
    std::wstring arguments; // appended after the quoted program path
    std::wstring exe;       // another copy of the program to start; empty: the one under test
    const wchar_t* caption = kCaption; // the caption of its main window
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
    // Waits until a window of that caption is shown, and gives it if it is the only one;
    // null if none came, or more than one.
    HWND WaitForOneShown(const wchar_t* caption) const;

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
    Capture Region(const RECT& r) const;         // r must lie inside
    int Differences(const Capture& other) const; // pixels that differ; any size change counts
    void SaveBmp(const std::wstring& path) const;
    static Capture LoadBmp(const std::wstring& path); // one that SaveBmp wrote; empty if none
};

// What the screen shows in a rectangle, and of a window's client area: the window is brought
// to the front and repainted, and the capture is taken once two in a row agree.
Capture CaptureScreen(const RECT& r);
Capture CaptureDc(HDC source, const RECT& r);
Capture CaptureClient(HWND window);
// What the window itself holds in its client area, read through its own DC: what it drew,
// wherever the platform shows it.
Capture CaptureOwnClient(HWND window);
// Captures until two in a row agree, or the deadline passes (then the last one).
Capture SettledCapture(const std::function<Capture()>& capture);

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
// The texts of a message box: its message (the non-empty static texts) and its buttons.
struct DialogTexts {
    std::vector<std::wstring> texts, buttons;
};
DialogTexts ReadDialog(HWND dialog);
// The screen point of the close box in a window's caption, as the window itself says.
POINT CloseBoxOf(HWND window);

// A top-level window of another program, a corner of the desktop away from the notice, as a
// user's desktop has one. It lives on a thread of its own that answers its messages.
class OtherProgram {
public:
    OtherProgram();
    ~OtherProgram();
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    HWND Window() const { return window_; }
    // Brings it to the front; false if it did not come.
    bool Activate() const;

private:
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

// The file names of the images mapped into a process (the program and the libraries it has
// loaded), in lower case; empty if they cannot be read.
std::vector<std::wstring> LoadedModules(DWORD processId);

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
    // The lines once every stand-in browser started so far has ended, so that each launch
    // has logged its address.
    std::vector<std::string> SettledLines() const;

private:
    std::wstring path_;
};

} // namespace e2e
