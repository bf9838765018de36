// The program as it is shipped and started from a downloads folder.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>

using namespace e2e;

namespace {

std::wstring FreshFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

std::wstring ReadUtf16(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

// Fakes of the libraries that are not KnownDLLs and that a program might load by name.
constexpr const wchar_t* kPlanted[] = {L"version", L"comctl32", L"oleacc", L"oleaut32",
                                       L"uiautomationcore"};

// While it lives, Wine prefers DLLs found on disk to its own for these programs, as Windows
// always does for DLLs that are not KnownDLLs.
class PreferNativeDlls {
public:
    PreferNativeDlls(std::initializer_list<const wchar_t*> programs) : programs_(programs) {
        const wchar_t order[] = L"native,builtin";
        for (const wchar_t* program : programs_) {
            HKEY overrides = nullptr;
            RegCreateKeyExW(HKEY_CURRENT_USER, (Key(program) + L"\\DllOverrides").c_str(), 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &overrides, nullptr);
            for (const wchar_t* dll : kPlanted)
                RegSetValueExW(overrides, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                               sizeof(order));
            RegCloseKey(overrides);
        }
    }
    ~PreferNativeDlls() {
        for (const wchar_t* program : programs_)
            RegDeleteTreeW(HKEY_CURRENT_USER, Key(program).c_str());
    }
    PreferNativeDlls(const PreferNativeDlls&) = delete;
    PreferNativeDlls& operator=(const PreferNativeDlls&) = delete;

private:
    static std::wstring Key(const wchar_t* program) {
        return std::wstring(L"Software\\Wine\\AppDefaults\\") + program;
    }
    std::vector<const wchar_t*> programs_;
};

} // namespace

// Under Wine the system's own user32.dll imports version.dll (Windows' does not), so a fake
// version.dll beside any program that uses user32 is loaded by Wine before the program's first
// instruction. The program itself is therefore run with the other fakes only; all are shown
// to be found by a program that asks for them by name, and the executable's imports are
// checked as a file (test_executable.py).
TEST(Planting, FakeLibrariesBesideTheProgramAreNeverLoaded) {
    const std::wstring folder = FreshFolder(L"tarnwick-downloads");
    const std::wstring log = folder + L"loaded.log";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"TARNWICK_PLANT_LOG", log.c_str());
    const PreferNativeDlls native{L"tarnwick.exe", L"plant_probe.exe"};
    ASSERT_TRUE(CopyFileW(ProgramUnderTest().c_str(), (folder + L"tarnwick.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(BesideTests(L"plant_probe.exe").c_str(),
                          (folder + L"plant_probe.exe").c_str(), FALSE));
    const auto plant = [&](const std::wstring& dll, bool planted) {
        const std::wstring at = folder + dll;
        if (planted)
            CopyFileW(BesideTests(L"planted\\" + dll).c_str(), at.c_str(), FALSE);
        else
            DeleteFileW(at.c_str());
    };

    // With all planted, a program that loads the libraries by name gets every fake.
    for (const wchar_t* dll : kPlanted) plant(std::wstring(dll) + L".dll", true);
    ASSERT_EQ(0, RunAndWait(folder + L"plant_probe.exe"));
    const std::wstring probed = ReadUtf16(log);
    for (const wchar_t* dll : kPlanted)
        ASSERT_NE(std::wstring::npos, probed.find(folder + dll + L".dll"))
            << "the set-up plants nothing: " << testing::PrintToString(std::wstring(dll));
    DeleteFileW(log.c_str());
    plant(L"version.dll", false);

    // The program starts, shows the error dialog for a failed launch, then has the shell open
    // the address; a screen reader reads the whole notice and follows the link: no fake is
    // ever loaded. Then again with the search of older Windows, where a library loaded by
    // name alone is looked for in the program's folder first.
    const std::wstring browserLog = folder + L"browser.log";
    SetEnvironmentVariableW(L"TARNWICK_BROWSER_LOG", browserLog.c_str());
    for (const bool olderWindows : {false, true}) {
        SCOPED_TRACE(olderWindows ? "without SetDefaultDllDirectories" : "as shipped");
        DeleteFileW(browserLog.c_str());
        SetMissingHttpHandler();
        LaunchOptions options;
        options.exe = folder + L"tarnwick.exe";
        Notice notice(options);
        const HWND w = notice.Window();
        ASSERT_NE(nullptr, w);
        HHOOK hook = nullptr;
        if (olderWindows) {
            const HMODULE dll = LoadLibraryExW(BesideTests(L"old_dll_search_hook.dll").c_str(),
                                               nullptr, DONT_RESOLVE_DLL_REFERENCES);
            const auto proc = reinterpret_cast<HOOKPROC>(
                reinterpret_cast<void (*)()>(GetProcAddress(dll, "OldDllSearchHook")));
            ASSERT_NE(nullptr, proc);
            hook =
                SetWindowsHookExW(WH_GETMESSAGE, proc, dll, GetWindowThreadProcessId(w, nullptr));
            ASSERT_NE(nullptr, hook);
            PostMessageW(w, WM_NULL, 0, 0);
            ASSERT_TRUE(WaitFor([&] { return GetPropW(w, L"tarnwick-test-old-search"); }));
        }
        Click(CentreOnScreen(w, ExpectedBox(kLink)));
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = notice.FindTopLevel(L"Error")) != nullptr; }));
        SetForegroundWindow(dialog);
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

        SetHttpHandler(L"\"" + BesideTests(L"stand_in_browser.exe") + L"\" \"%1\"");
        const auto opened = [&] {
            const bool done = WaitFor(
                [&] { return GetFileAttributesW(browserLog.c_str()) != INVALID_FILE_ATTRIBUTES; });
            DeleteFileW(browserLog.c_str());
            return done;
        };
        Click(CentreOnScreen(w, ExpectedBox(kLink)));
        EXPECT_TRUE(opened()) << "the shell did not open the address";

        // A screen reader reads the notice, through MSAA and UI Automation, and follows its
        // link, from a process of its own.
        EXPECT_EQ(0, RunReader(w));
        EXPECT_TRUE(opened()) << "the reader's action did not open the address";
        if (hook) UnhookWindowsHookEx(hook);
        EXPECT_EQ(0u, notice.Close());
        EXPECT_EQ(L"", ReadUtf16(log)) << "loaded from the program's folder";
    }
}
