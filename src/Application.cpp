// Start-up, message loop and shutdown of the application object.
#include "Application.h"

#include "core/Texts.h"
#include "win/MessageDialog.h"
#include "win/Trace.h"

#include <objbase.h>

#include <exception>
#include <string>

namespace {

constexpr wchar_t kApplicationClass[] = L"TApplication";

// The show state the launching process asked for, SW_SHOWDEFAULT when it asked for none.
WORD StartupShowState() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring Widen(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

} // namespace

TApplication::TApplication(HINSTANCE instance)
    : instance_(instance), icon_(LoadIconW(instance, L"MAINICON")),
      // The caption's size of the same icon, made once, as the system would make it for
      // every class registered without one.
      smallIcon_(
          static_cast<HICON>(CopyImage(icon_, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE))) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance_;
    wc.hIcon = icon_;
    wc.hIconSm = smallIcon_;
    wc.lpszClassName = kApplicationClass;
    RegisterClassExW(&wc);
    // The main form owns the taskbar button, so this window is a tool window with an empty
    // caption: it never gets a button or a task-switcher entry, and it is never shown.
    handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationClass, L"",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                              nullptr, nullptr, instance_, nullptr);
}

TApplication::~TApplication() {
    mainForm_.reset();
    if (handle_) DestroyWindow(handle_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize() { comInitialized_ = SUCCEEDED(CoInitialize(nullptr)); }

void TApplication::Run() {
    if (!mainForm_) return;
    const HWND main = mainForm_->Handle();
    switch (StartupShowState()) {
    case SW_SHOWMAXIMIZED:
        ShowWindow(main, SW_SHOWMAXIMIZED);
        break;
    case SW_SHOWMINNOACTIVE:
        ShowWindow(main, SW_SHOWMINNOACTIVE);
        break;
    default:
        ShowWindow(main, SW_SHOWNORMAL);
        // Windows may apply the launcher's show state to the first ShowWindow of a process
        // instead of the one asked for; every other state means a normal, visible window.
        if (!IsWindowVisible(main) || IsIconic(main) || IsZoomed(main))
            ShowWindow(main, SW_SHOWNORMAL);
        break;
    }
    win::trace::Mark("shown");
    UpdateWindow(main);
    win::trace::Mark("painted");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::ShowException() noexcept {
    try {
        std::wstring message;
        try {
            throw;
        } catch (const EAbort&) {
            return;
        } catch (const std::exception& error) {
            message = Widen(error.what());
        } catch (...) {
            // Not one of ours: reported without a message.
        }
        const std::wstring title = core::ApplicationTitle(ExecutablePath());
        // Owned by the window the user works in, as the "Error" dialog is; task-modal only
        // where no window is shown (start-up failed, or the loop has ended).
        win::ShowMessageDialog(core::ErrorReportText(message).c_str(), title.c_str(),
                               MB_OK | MB_ICONERROR);
    } catch (...) {
        // No memory left to report it: the loop goes on, as it would after the report.
    }
}
