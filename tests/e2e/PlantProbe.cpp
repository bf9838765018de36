// Loads version.dll, comctl32.dll, oleacc.dll, oleaut32.dll and uiautomationcore.dll by name, as any program might: the
// planting test runs it from the planted folder to show that its fakes are found there when nothing
// prevents it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    LoadLibraryW(L"version.dll");
    LoadLibraryW(L"comctl32.dll");
    LoadLibraryW(L"oleacc.dll");
    LoadLibraryW(L"oleaut32.dll");
    LoadLibraryW(L"uiautomationcore.dll");
    return 0;
}
