// The program's entry: start-up, the message loop and shutdown. The exit code is always 0.
#include "Application.h"
#include "Tolvan04Main.h"
#include "win/DllSearch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win::LoadLibrariesFromSystemOnly();
    try {
        TApplication application(instance);
        application.Initialize();
        Form1 = application.CreateForm<TForm1>();
        application.Run();
    } catch (...) {
        TApplication::ShowException();
    }
    Form1 = nullptr;
    return 0;
}
