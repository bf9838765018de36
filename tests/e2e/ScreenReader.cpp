// A screen reader in a process of its own: reads the window whose handle is on the command line
// as a reader does (the whole tree, then what it says as the window opens), through MSAA and,
// where the window answers UI Automation itself, through UI Automation too, as NVDA then does;
// and follows the link by its MSAA default action. Tests run it where a reader must be a
// process of its own.
//   screen_reader.exe WINDOW         exit code 0 when everything was read and the link followed
//   screen_reader.exe WINDOW follow  only finds the link and follows it, as a reader's command
//                                    to follow the link under its cursor does
#include "Reader.h"
#include "UiaClient.h"

#include <cstdio>
#include <cwchar>
#include <thread>

using namespace e2e;

namespace {

// Reads the window through UI Automation, from the multithreaded apartment as UI Automation
// clients are to call: from this single-threaded one, a call that needs this thread to
// answer the program waits on it, and under Wine 8 the reader and the program then wait for
// each other for ever (seen with one core busy). False if it could not be read.
bool ReadThroughUiAutomation(HWND window) {
    bool read = false;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            UiaElement element;
            if (SUCCEEDED(UiaElementOfWindow(window, element)) && ReadUiaTree(element)) {
                read = true;
                for (const std::wstring& said : SpeakUia(element))
                    std::printf("said through UI Automation: \"%s\"\n", Printable(said).c_str());
            }
        }
        CoUninitialize();
    }).join();
    return read;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 && !(argc == 3 && std::wcscmp(argv[2], L"follow") == 0)) return 2;
    const bool readFirst = argc == 2;
    const HWND window =
        reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(argv[1], nullptr, 10)));
    CoInitialize(nullptr);
    int failures = 0;
    {
        ComRef<IAccessible> client;
        if (FAILED(ClientObject(window, client)) || (readFirst && !ReadTree(client.Get()))) {
            std::printf("the tree could not be read\n");
            ++failures;
        } else {
            long link = 0, count = 0;
            client->get_accChildCount(&count);
            for (long id = 1; id <= count; ++id)
                if (Role(client.Get(), id) == ROLE_SYSTEM_LINK) link = id;
            if (readFirst)
                for (const std::wstring& said : Speak(client.Get()))
                    std::printf("said: \"%s\"\n", Printable(said).c_str());
            if (readFirst && HasUiaProvider(window) && !ReadThroughUiAutomation(window)) {
                std::printf("the tree could not be read through UI Automation\n");
                ++failures;
            }
            const HRESULT followed = link ? client->accDoDefaultAction(Child(link)) : E_FAIL;
            std::printf("the link's default action: 0x%08lx\n",
                        static_cast<unsigned long>(followed));
            failures += FAILED(followed);
        }
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
