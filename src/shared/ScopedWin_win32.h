// Owners of Win32 handles: each closes its handle once, when it goes out of
// scope, with the one function that handle needs. Nothing is closed by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace heliotab {

template <class H, auto Close>
class Scoped {
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
        if (h_ != H{}) Close(h_);
        h_ = h;
    }
    H Release() { return std::exchange(h_, H{}); }

private:
    H h_{};
};

using ScopedDC = Scoped<HDC, DeleteDC>;
using ScopedGlobal = Scoped<HGLOBAL, GlobalFree>;
using ScopedKey = Scoped<HKEY, RegCloseKey>;
using ScopedBitmap = Scoped<HBITMAP, DeleteObject>;
using ScopedFont = Scoped<HFONT, DeleteObject>;

// GlobalLock for as long as the object lives.
template <class T>
class GlobalView {
public:
    explicit GlobalView(HGLOBAL g) : g_(g), p_(g ? static_cast<T*>(GlobalLock(g)) : nullptr) {}
    ~GlobalView() {
        if (p_) GlobalUnlock(g_);
    }
    GlobalView(const GlobalView&) = delete;
    GlobalView& operator=(const GlobalView&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    HGLOBAL g_;
    T* p_;
};

}  // namespace heliotab
