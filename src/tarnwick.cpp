// The program's entry: start-up, the message loop and shutdown. The exit code is always 0.
#include "Application.h"
#include "Tolvan04Main.h"
#include "win/DllSearch.h"
#include "win/Trace.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win::trace::Mark("main");
    win::LoadLibrariesFromSystemOnly();
    try {
        TApplication application(instance);
        win::trace::Mark("application");
        application.Initialize();
        win::trace::Mark("com");
        Form1 = application.CreateForm<TForm1>();
        win::trace::Mark("form");
        application.Run();
    } catch (...) {
        TApplication::ShowException();
    }
    Form1 = nullptr;
    win::trace::Write();
    return 0;
}
