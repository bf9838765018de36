// The application object: COM for the main thread, the hidden application window, the
// application icon, the main form and the message loop.
#pragma once

#include "win/Window.h"

#include <memory>
#include <stdexcept>
#include <utility>

// An error that ends an action quietly: the default error report drops it.
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

class TApplication {
public:
    explicit TApplication(HINSTANCE instance);
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;
    ~TApplication();

    // Makes the main thread a single-threaded COM apartment.
    void Initialize();

    // Creates the program's one form, which becomes the main form; the application owns it
    // until shutdown.
    template <typename Form> Form* CreateForm() {
        auto form = std::make_unique<Form>(*this);
        Form* created = form.get();
        mainForm_ = std::move(form);
        return created;
    }

    // Shows the main form as the launching process asked and runs the message loop until
    // the main form is closed.
    void Run();

    // The default error report for an error that escaped an event handler. Call it from a
    // catch block.
    static void ShowException() noexcept;

    HWND Handle() const { return handle_; }
    HICON Icon() const { return icon_; }
    HICON SmallIcon() const { return smallIcon_; }
    HINSTANCE Instance() const { return instance_; }

private:
    HINSTANCE instance_;
    HICON icon_;
    HICON smallIcon_;
    HWND handle_ = nullptr;
    bool comInitialized_ = false;
    std::unique_ptr<win::Window> mainForm_;
};
