// A stand-in for the default browser: the test prefix registers it for http addresses, and
// it appends the address it was given, one line each, to the file named by
// TARNWICK_BROWSER_LOG.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TARNWICK_BROWSER_LOG", logPath, MAX_PATH)) return 1;
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return 1;
    std::string line;
    for (int i = 1; i < count; ++i) {
        char utf8[4096] = {};
        WideCharToMultiByte(CP_UTF8, 0, args[i], -1, utf8, sizeof(utf8), nullptr, nullptr);
        line += (i > 1 ? " " : "") + std::string(utf8);
    }
    line += "\n";
    LocalFree(args);
    HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    return 0;
}
