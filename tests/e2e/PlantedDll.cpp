// A stand-in for a DLL planted beside the program (built as version.dll, comctl32.dll, oleacc.dll,
// oleaut32.dll and uiautomationcore.dll): when anything loads it, it records its own path in
// %TARNWICK_PLANT_LOG%.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t log[MAX_PATH], path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"TARNWICK_PLANT_LOG", log, MAX_PATH)) return TRUE;
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, path, length * sizeof(wchar_t), &written, nullptr);
        WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
