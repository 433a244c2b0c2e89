// Owners of Win32 handles: each closes its handle once, when it goes out of
// scope, with the one function that handle needs. Nothing is closed by hand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace heliotab {

template <class H, auto Close> class Scoped {
public:
    Scoped() = default;
    explicit Scoped(H h) : h_(h) {}
    ~Scoped() { Reset(); }
    Scoped(Scoped&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    Scoped& operator=(Scoped&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = std::exchange(o.h_, H{});
        }
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }
    void Reset(H h = H{}) {
        if (h_ != H{})
            Close(h_);
        h_ = h;
    }
    H Release() { return std::exchange(h_, H{}); }

private:
    H h_{};
};

using ScopedDC = Scoped<HDC, DeleteDC>; // CreateCompatibleDC, CreateDC, PrintDlg's DC
using ScopedGlobal = Scoped<HGLOBAL, GlobalFree>;
using ScopedKey = Scoped<HKEY, RegCloseKey>;
using ScopedBitmap = Scoped<HBITMAP, DeleteObject>;
using ScopedFont = Scoped<HFONT, DeleteObject>;
using ScopedBrush = Scoped<HBRUSH, DeleteObject>;
using ScopedPen = Scoped<HPEN, DeleteObject>;
using ScopedIcon = Scoped<HICON, DestroyIcon>;
using ScopedImageList = Scoped<HIMAGELIST, ImageList_Destroy>;
using ScopedMenu = Scoped<HMENU, DestroyMenu>;
using ScopedHandle = Scoped<HANDLE, CloseHandle>; // processes, threads, mutexes, files

// CreateFile and FindFirstFile fail with INVALID_HANDLE_VALUE, not null: these
// turn that into an empty owner, so `if (file)` means "opened".
inline ScopedHandle OwnFile(HANDLE h) {
    return ScopedHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// Closes now, for a caller that must know whether the close (the last flush
// of a written file) succeeded; an empty owner counts as closed.
inline bool CloseNow(ScopedHandle& h) {
    return !h || CloseHandle(h.Release()) != 0;
}

class ScopedFind {
public:
    explicit ScopedFind(HANDLE h) : h_(h) {}
    ~ScopedFind() {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// A window's (or, with no window, the screen's) DC from GetDC, given back with
// ReleaseDC to the same window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// SelectObject for as long as the object lives; the DC gets its previous
// object back before the selected one can be deleted.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A mutex this process owns: released, then closed.
class OwnedMutex {
public:
    OwnedMutex() = default;
    explicit OwnedMutex(ScopedHandle mutex) : mutex_(std::move(mutex)) {}
    ~OwnedMutex() {
        if (mutex_)
            ReleaseMutex(mutex_.Get());
    }
    OwnedMutex(OwnedMutex&& o) noexcept = default;
    OwnedMutex& operator=(OwnedMutex&& o) noexcept {
        if (this != &o) {
            if (mutex_)
                ReleaseMutex(mutex_.Get());
            mutex_ = std::move(o.mutex_);
        }
        return *this;
    }
    explicit operator bool() const { return bool(mutex_); }

private:
    ScopedHandle mutex_;
};

// GlobalLock for as long as the object lives.
template <class T> class GlobalView {
public:
    explicit GlobalView(HGLOBAL g) : g_(g), p_(g ? static_cast<T*>(GlobalLock(g)) : nullptr) {}
    ~GlobalView() {
        if (p_)
            GlobalUnlock(g_);
    }
    GlobalView(const GlobalView&) = delete;
    GlobalView& operator=(const GlobalView&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    HGLOBAL g_;
    T* p_;
};

} // namespace heliotab
