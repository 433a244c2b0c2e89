#include "win32/PlatformAdapters_win32.h"

namespace heliotab {

namespace {
// The timer object of a window travels as a window property, so the one
// callback can find it without any global.
constexpr const char* kTimersProp = "HELIOTAB.Timers";
} // namespace

Win32Timers::~Win32Timers() {
    Attach(nullptr);
}

void Win32Timers::Attach(HWND window) {
    if (window_ && IsWindow(window_))
        RemovePropA(window_, kTimersProp);
    window_ = window;
    if (window_)
        SetPropA(window_, kTimersProp, this);
}

void Win32Timers::StartTimer(int id, int intervalMs) {
    // The window may be gone (program closing): the timer would die with it
    // anyway, so nothing is started rather than a window re-created.
    if (!window_ || !IsWindow(window_))
        return;
    SetTimer(window_, static_cast<UINT_PTR>(id), intervalMs < 1 ? 1 : static_cast<UINT>(intervalMs),
             &Thunk);
}

void Win32Timers::StopTimer(int id) {
    if (window_ && IsWindow(window_))
        KillTimer(window_, static_cast<UINT_PTR>(id));
}

void CALLBACK Win32Timers::Thunk(HWND window, UINT, UINT_PTR id, DWORD) {
    auto* self = static_cast<Win32Timers*>(GetPropA(window, kTimersProp));
    if (self && self->onTimer_)
        self->onTimer_(static_cast<int>(id));
}

} // namespace heliotab
