// Move-only owners for GDI handles and scope guards for painting and selection, so that no
// handler releases a handle by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

template <typename Handle, typename Deleter>
class Unique {
public:
    Unique() = default;
    explicit Unique(Handle h) : handle_(h) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~Unique() { Reset(); }

    void Reset(Handle h = nullptr) {
        if (handle_) Deleter{}(handle_);
        handle_ = h;
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

struct GdiObjectDeleter {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DcDeleter {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct WindowDeleter {
    void operator()(HWND h) const { DestroyWindow(h); }
};

using UniqueFont = Unique<HFONT, GdiObjectDeleter>;
using UniqueBrush = Unique<HBRUSH, GdiObjectDeleter>;
using UniqueBitmap = Unique<HBITMAP, GdiObjectDeleter>;
using UniqueDc = Unique<HDC, DcDeleter>;
using UniqueWindow = Unique<HWND, WindowDeleter>;

// Selects an object into a DC for the lifetime of the scope.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// GetDC/ReleaseDC: a window's client-area DC for the lifetime of the scope.
class ClientDc {
public:
    explicit ClientDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ClientDc(const ClientDc&) = delete;
    ClientDc& operator=(const ClientDc&) = delete;
    ~ClientDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { BeginPaint(window_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &ps_); }
    HDC Dc() const { return ps_.hdc; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
};

} // namespace win
