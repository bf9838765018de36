// A small program made of the notice's own application object and window classes, whose form
// lets an exception escape a handler when it is sent kRaiseMessage: what the shipped program
// never does, so that the tests can see how the application reports it. With "--after-loop" the
// exception comes once the form has closed and the message loop has ended.
#include "Application.h"
#include "win/Form.h"

#include <stdexcept>
#include <string>

namespace {

constexpr wchar_t kRaiseMessage[] = L"TarnwickTestRaise";

class ProbeForm : public win::Form {
public:
    explicit ProbeForm(TApplication&) : raise_(RegisterWindowMessageW(kRaiseMessage)) {
        WNDCLASSEXW wc{};
        wc.lpszClassName = L"ExceptionProbeForm";
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassOnce(wc);
        SetColour(RGB(255, 255, 255));
        Create(L"ExceptionProbeForm", L"Exception probe", WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
               {300, 200, 700, 450}, nullptr);
    }
    ~ProbeForm() override { DestroyHandle(); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == raise_) throw std::runtime_error("Injected failure");
        if (message == WM_DESTROY) PostQuitMessage(0);
        return Form::HandleMessage(message, wParam, lParam);
    }

private:
    const UINT raise_;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const bool afterLoop = std::wstring(commandLine).find(L"--after-loop") != std::wstring::npos;
    try {
        TApplication application(instance);
        application.Initialize();
        application.CreateForm<ProbeForm>();
        application.Run();
        if (afterLoop) throw std::runtime_error("Injected failure after the loop");
    } catch (...) {
        TApplication::ShowException();
    }
    return 0;
}
