// The Win32 side of the core's platform interfaces (shared/Platform.h) that
// belong to the window shell: clock, timers, message boxes, message pumping.
#pragma once

#include <windows.h>

#include <functional>

#include "shared/Platform.h"

namespace heliotab {

class Win32Clock : public Clock {
public:
    LocalTime Now() override;
};

// SetTimer on one window with a single callback for every id. The callback
// runs on the UI thread from the message loop (and from nested loops:
// message boxes, pumping waits).
class Win32Timers : public Timers {
public:
    explicit Win32Timers(std::function<void(int)> onTimer) : onTimer_(std::move(onTimer)) {}
    ~Win32Timers() override;
    Win32Timers(const Win32Timers&) = delete;
    Win32Timers& operator=(const Win32Timers&) = delete;

    // The window the timers live on; none before it exists or once it is gone,
    // and then starting a timer does nothing.
    void Attach(HWND window);
    void StartTimer(int id, int intervalMs) override;
    void StopTimer(int id) override;

private:
    static void CALLBACK Thunk(HWND window, UINT message, UINT_PTR id, DWORD time);
    std::function<void(int)> onTimer_;
    HWND window_ = nullptr;
};

// MessageBoxA owned by the main window (no owner once it is gone).
class Win32Messages : public Messages {
public:
    void Attach(HWND owner) { owner_ = owner; }
    int ShowMessage(const std::string& text, const std::string& title, int style) override;

private:
    HWND owner_ = nullptr;
};

// Pumping for the UI thread. The program's own loop (Run) and every nested
// pump pass each message through preTranslate first, so a key the main
// window handles for the whole window (Esc) is seen wherever it is pumped.
class Win32Pump : public Pump {
public:
    std::function<bool(MSG&)> preTranslate; // true: the message was consumed

    void DoEvents() override;
    bool WaitUntil(const std::function<bool()>& done, int maxMs) override;

    // Runs until WM_QUIT (also when a nested pump took it) and returns its code.
    int Run();
    bool QuitReceived() const { return quit_; }

private:
    void Dispatch(MSG& msg);
    bool quit_ = false;
    int exitCode_ = 0;
};

} // namespace heliotab
