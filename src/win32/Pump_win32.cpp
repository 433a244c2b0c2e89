#include "win32/PlatformAdapters_win32.h"

#include <algorithm>

namespace heliotab {

void Win32Pump::Dispatch(MSG& msg) {
    if (preTranslate && preTranslate(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void Win32Pump::DoEvents() {
    MSG msg;
    while (!quit_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Remembered, not re-posted: Run() ends as soon as control gets back to it.
            quit_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
            break;
        }
        Dispatch(msg);
    }
}

bool Win32Pump::WaitUntil(const std::function<bool()>& done, int maxMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (done())
            return true;
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (quit_ || elapsed >= static_cast<ULONGLONG>(std::max(maxMs, 0)))
            return done();
        // Wake for messages, and at least every 10 ms: the condition may
        // depend on something that posts no message (bytes leaving the port).
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(10, maxMs - elapsed));
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        DoEvents();
    }
}

int Win32Pump::Run() {
    MSG msg;
    while (!quit_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit_ = true;
            if (got == 0)
                exitCode_ = static_cast<int>(msg.wParam);
            break;
        }
        Dispatch(msg);
    }
    return exitCode_;
}

} // namespace heliotab
