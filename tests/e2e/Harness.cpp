// Process, window, pixel and input helpers for the end-to-end tests.
#include "Harness.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace e2e {

std::wstring BesideTests(const std::wstring& name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

DWORD Deadline(DWORD nativeMs) {
    static const int scale = [] {
        const char* value = std::getenv("TARNWICK_DEADLINE_SCALE");
        const int parsed = value ? std::atoi(value) : 1;
        return parsed > 0 ? parsed : 1;
    }();
    return nativeMs * static_cast<DWORD>(scale);
}

std::wstring ProgramUnderTest() {
    wchar_t name[MAX_PATH] = L"tarnwick.exe";
    GetEnvironmentVariableW(L"TARNWICK_UNDER_TEST", name, MAX_PATH);
    return BesideTests(name);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

Notice::Notice(const LaunchOptions& options) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (options.useShowWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = options.showWindow;
    }
    const std::wstring exe = options.exe.empty() ? ProgramUnderTest() : options.exe;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!options.arguments.empty()) commandLine += L" " + options.arguments;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_))
        throw std::runtime_error("tarnwick.exe did not start: error " +
                                 std::to_string(GetLastError()));
    WaitFor([&] { return (window_ = FindTopLevel(options.caption)) != nullptr; }, Deadline(30000));
    // The window exists before it is shown and painted; a capture waits for the paint.
    WaitFor([this] { return window_ && IsWindowVisible(window_); });
}

Notice::~Notice() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid) search->found.push_back(hwnd);
    return TRUE;
}

} // namespace

std::vector<HWND> Notice::TopLevelWindows() const {
    WindowSearch search{process_.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Notice::FindTopLevel(const wchar_t* caption) const {
    for (HWND hwnd : TopLevelWindows())
        if (WindowText(hwnd) == caption) return hwnd;
    return nullptr;
}

std::vector<HWND> Notice::Shown(const wchar_t* caption) const {
    std::vector<HWND> shown;
    for (HWND hwnd : TopLevelWindows())
        if (IsWindowVisible(hwnd) && WindowText(hwnd) == caption) shown.push_back(hwnd);
    return shown;
}

HWND Notice::WaitForOneShown(const wchar_t* caption) const {
    std::vector<HWND> shown;
    WaitFor([&] { return !(shown = Shown(caption)).empty(); });
    return shown.size() == 1 ? shown[0] : nullptr;
}

DWORD Notice::Close() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForExit();
}

DWORD Notice::WaitForExit(DWORD timeoutMs) {
    WaitForSingleObject(process_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void Capture::SaveBmp(const std::wstring& path) const {
    BITMAPINFOHEADER info{sizeof(info), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bgra(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        bgra[i] = (GetRValue(pixels[i]) << 16) | (GetGValue(pixels[i]) << 8) | GetBValue(pixels[i]);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(bgra.size() * 4);
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, &file, sizeof(file), &written, nullptr);
    WriteFile(out, &info, sizeof(info), &written, nullptr);
    WriteFile(out, bgra.data(), static_cast<DWORD>(bgra.size() * 4), &written, nullptr);
    CloseHandle(out);
}

Capture Capture::LoadBmp(const std::wstring& path) {
    Capture capture;
    std::ifstream in(path.c_str(), std::ios::binary);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    in.read(reinterpret_cast<char*>(&file), sizeof(file));
    in.read(reinterpret_cast<char*>(&info), sizeof(info));
    if (!in || file.bfType != 0x4D42 || info.biBitCount != 32 || info.biHeight >= 0) return capture;
    std::vector<DWORD> bgra(static_cast<std::size_t>(info.biWidth) * -info.biHeight);
    in.read(reinterpret_cast<char*>(bgra.data()), static_cast<std::streamsize>(bgra.size() * 4));
    if (!in) return capture;
    capture.width = info.biWidth;
    capture.height = -info.biHeight;
    for (DWORD p : bgra) capture.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return capture;
}

MONITORINFO MonitorOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor;
}

RECT ClientRectOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

Capture SettledCapture(const std::function<Capture()>& capture) {
    Capture last = capture(), next;
    WaitFor([&] {
        next = capture();
        const bool settled = next == last;
        last = std::move(next);
        return settled;
    });
    return last;
}

Capture CaptureClient(HWND window) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return SettledCapture([&] { return CaptureScreen(ClientRectOnScreen(window)); });
}

Capture CaptureOwnClient(HWND window) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return SettledCapture([&] {
        RECT client{};
        GetClientRect(window, &client);
        HDC own = GetDC(window);
        Capture capture = CaptureDc(own, client);
        ReleaseDC(window, own);
        return capture;
    });
}

Capture CaptureDc(HDC source, const RECT& r) {
    Capture capture;
    capture.width = r.right - r.left;
    capture.height = r.bottom - r.top;
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), capture.width, -capture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, capture.width, capture.height, source, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const DWORD*>(bits);
    capture.pixels.resize(static_cast<std::size_t>(capture.width) * capture.height);
    for (std::size_t i = 0; i < capture.pixels.size(); ++i)
        capture.pixels[i] = RGB((bgra[i] >> 16) & 0xFF, (bgra[i] >> 8) & 0xFF, bgra[i] & 0xFF);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    return capture;
}

Capture CaptureScreen(const RECT& r) {
    HDC screen = GetDC(nullptr);
    Capture capture = CaptureDc(screen, r);
    ReleaseDC(nullptr, screen);
    return capture;
}

Capture Capture::Region(const RECT& r) const {
    Capture part;
    part.width = r.right - r.left;
    part.height = r.bottom - r.top;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) part.pixels.push_back(At(x, y));
    return part;
}

int Capture::Differences(const Capture& other) const {
    if (width != other.width || height != other.height) return width * height + 1;
    int count = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) count += pixels[i] != other.pixels[i];
    return count;
}

POINT CentreOnScreen(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

std::wstring WindowText(HWND window) {
    const int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = static_cast<int>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

void MoveMouse(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    Sleep(100);
}

void MouseButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
    Sleep(100);
}

void Click(POINT screen) {
    MoveMouse(screen);
    MouseButton(true);
    MouseButton(false);
}

void PressKey(WORD virtualKey) {
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = virtualKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(100);
}

void Dismiss(HWND dialog) {
    SetForegroundWindow(dialog);
    PressKey(VK_RETURN);
}

DialogTexts ReadDialog(HWND dialog) {
    DialogTexts read;
    for (HWND c : Children(dialog)) {
        if (ClassName(c) == L"Button")
            read.buttons.push_back(WindowText(c));
        else if (!WindowText(c).empty())
            read.texts.push_back(WindowText(c));
    }
    return read;
}

POINT CloseBoxOf(HWND window) {
    RECT outer{};
    GetWindowRect(window, &outer);
    const RECT client = ClientRectOnScreen(window);
    // Along the middle of the caption bar, from the right, the first point the window itself
    // calls its close box.
    const int y = (outer.top + client.top) / 2;
    for (int x = outer.right - 1; x > outer.left; --x) {
        DWORD_PTR hit = HTNOWHERE;
        SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000,
                            &hit);
        if (hit == HTCLOSE) return {x - 3, y};
    }
    return {-1, -1};
}

namespace {

LRESULT CALLBACK OtherProgramProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0; // it is the user's, not the test's, to close
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

OtherProgram::OtherProgram() {
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OtherProgramProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = L"AnotherProgram";
        RegisterClassW(&wc);
        // The bottom left corner of the desktop, clear of the notice in its centre.
        const int height = 120;
        const HWND window =
            CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Another program",
                            WS_OVERLAPPEDWINDOW, 0, GetSystemMetrics(SM_CYSCREEN) - height, 150,
                            height, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        window_ = window;
        threadId_ = GetCurrentThreadId();
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, before it is known
        SetEvent(ready);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(window);
    });
    WaitForSingleObject(ready, Deadline(10000));
    CloseHandle(ready);
}

OtherProgram::~OtherProgram() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

bool OtherProgram::Activate() const {
    SetForegroundWindow(window_);
    return WaitFor([this] { return GetForegroundWindow() == window_; });
}

int RunAndWait(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int RunReader(HWND window, bool followOnly) {
    return RunAndWait(BesideTests(L"screen_reader.exe"),
                      std::to_wstring(reinterpret_cast<INT_PTR>(window)) +
                          (followOnly ? L" follow" : L""));
}

void SetHttpHandler(const std::wstring& command) {
    HKEY key = nullptr;
    // Wine reads the classes from HKLM only; it does not merge in the per-user ones.
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\http\\shell\\open\\command", 0,
                    nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void SetMissingHttpHandler() {
    SetHttpHandler(L"\"C:\\no such folder\\missing-browser.exe\" \"%1\"");
}

BrowserLog::BrowserLog() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + L"tarnwick-browser.log";
    DeleteFileW(path_.c_str());
    SetEnvironmentVariableW(L"TARNWICK_BROWSER_LOG", path_.c_str());
    SetHttpHandler(L"\"" + BesideTests(L"stand_in_browser.exe") + L"\" \"%1\"");
}

BrowserLog::~BrowserLog() { DeleteFileW(path_.c_str()); }

namespace {

bool BrowserRunning() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !running;
         more = Process32NextW(snapshot, &entry))
        running = lstrcmpiW(entry.szExeFile, L"stand_in_browser.exe") == 0;
    CloseHandle(snapshot);
    return running;
}

} // namespace

std::vector<std::wstring> LoadedModules(DWORD processId) {
    std::vector<std::wstring> names;
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return names;
    // The images mapped into the process's memory, whatever the two programs' kinds: the
    // loader's own lists are read differently by a 64-bit reader of a 32-bit program (the WoW64
    // arrangement), and Wine 8's old WoW64 gives such a reader nothing through them, by PSAPI
    // or Toolhelp (seen under qemu); its memory map it reads as any other.
    MEMORY_BASIC_INFORMATION region{};
    const void* last = nullptr;
    for (const char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof(region)) != 0;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.Type != MEM_IMAGE || region.AllocationBase == last) continue;
        last = region.AllocationBase;
        wchar_t path[MAX_PATH] = {};
        if (!GetMappedFileNameW(process, region.AllocationBase, path, MAX_PATH)) continue;
        std::wstring name(path);
        name = name.substr(name.find_last_of(L"\\/") + 1);
        for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
        names.push_back(name);
    }
    CloseHandle(process);
    return names;
}

std::vector<std::string> BrowserLog::SettledLines() const {
    WaitFor([] { return !BrowserRunning(); });
    return Lines();
}

std::vector<std::string> BrowserLog::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(path_.c_str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

} // namespace e2e
