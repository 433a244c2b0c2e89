// Application identity: every running copy owns a hidden top-level window of
// class "ThunderRT6Main" titled "HELIOTAB", the owner of its main window; a
// second copy finds the first by that window and hands over to it.
#pragma once

#include <windows.h>

#include "win32/ScopedWin_win32.h"

#include <string>

namespace heliotab {

inline constexpr const char* kAppWindowClass = "ThunderRT6Main";

// The test of FindPreviousInstance's callback: class and text exactly.
bool IsApplicationWindow(const std::string& className, const std::string& windowText);

// The hidden application window of another copy, or nullptr. ownWindow (this
// copy's hidden window, or nullptr before it exists) is skipped.
HWND FindPreviousInstance(HWND ownWindow);

// Creates this copy's hidden application window. When it is activated (the
// second copy's SetForegroundWindow) it passes the activation on to the
// main window set with SetApplicationMainWindow.
HWND CreateApplicationWindow(HINSTANCE instance);
void SetApplicationMainWindow(HWND appWindow, HWND mainWindow);

// The named mutex that closes the race of two copies started together,
// taken before the window search.
class SingleInstance {
public:
    SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this copy may run: it got the mutex and no other copy's
    // window exists. A copy holding the mutex without a window is waited
    // for, at most waitMs: when its window appears it is brought to the
    // foreground and this copy must end without creating a window or
    // touching a file; when it frees the mutex (it has ended) this copy runs.
    bool Acquire(const char* mutexName, int waitMs = 2000);

private:
    OwnedMutex mutex_;
};

inline constexpr const char* kSingleInstanceMutex = "Local\\HELIOTAB.SingleInstance";

} // namespace heliotab
