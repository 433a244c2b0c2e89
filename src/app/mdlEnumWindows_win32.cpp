#include "app/mdlEnumWindows_win32.h"

#include "settings/Language.h"

#include <utility>

namespace heliotab {

bool IsApplicationWindow(const std::string& className, const std::string& windowText) {
    return className == kAppWindowClass && windowText == kAppTitle;
}

namespace {

struct SearchState {
    HWND own = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK EnumWindowsProc(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<SearchState*>(param);
    if (window == search->own)
        return TRUE;
    char buffer[256];
    int n = GetClassNameA(window, buffer, sizeof buffer);
    std::string className(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    if (className != kAppWindowClass)
        return TRUE;
    n = GetWindowTextA(window, buffer, sizeof buffer);
    std::string text(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    if (!IsApplicationWindow(className, text))
        return TRUE;
    search->found = window;
    return FALSE;
}

constexpr const char* kMainWindowProp = "HELIOTAB.MainWindow";

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        // Another copy (or the task switcher) activated us: show the main window instead.
        HWND main = static_cast<HWND>(GetPropA(window, kMainWindowProp));
        if (main && IsWindow(main) && IsWindowVisible(main)) {
            if (IsIconic(main))
                ShowWindow(main, SW_RESTORE);
            SetForegroundWindow(main);
        }
        return 0;
    }
    if (message == WM_DESTROY)
        RemovePropA(window, kMainWindowProp);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

HWND FindPreviousInstance(HWND ownWindow) {
    SearchState search;
    search.own = ownWindow;
    EnumWindows(&EnumWindowsProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CreateApplicationWindow(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &AppWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kAppWindowClass;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    RegisterClassExA(&wc); // fails harmlessly when already registered
    // Top-level (not message-only), so EnumWindows of another copy sees it; never shown.
    return CreateWindowExA(0, kAppWindowClass, kAppTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           instance, nullptr);
}

void SetApplicationMainWindow(HWND appWindow, HWND mainWindow) {
    if (appWindow)
        SetPropA(appWindow, kMainWindowProp, mainWindow);
}

namespace {

// Waits up to ms for the single-instance mutex; true when this copy owns it
// now. A copy that ends frees it (a crashed one leaves it abandoned: ours too).
bool WaitForMutex(ScopedHandle& mutex, const char* name, DWORD ms) {
    if (!mutex) {
        // No handle at all (access denied): ask again after the pause.
        Sleep(ms);
        mutex.Reset(CreateMutexA(nullptr, TRUE, name));
        if (!mutex)
            return false;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return true;
        ms = 0;
    }
    const DWORD r = WaitForSingleObject(mutex.Get(), ms);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

} // namespace

bool SingleInstance::Acquire(const char* mutexName, int waitMs) {
    ScopedHandle mutex(CreateMutexA(nullptr, TRUE, mutexName));
    const DWORD error = GetLastError();
    // Denied access also means the name exists; any other failure leaves
    // only the window search to decide.
    bool owned = mutex ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
    HWND previous = FindPreviousInstance(nullptr);
    // The holder of the mutex may be starting (its window comes in a moment)
    // or ending (its window is gone and the mutex soon free): wait for
    // whichever comes first, for a bounded time.
    const ULONGLONG start = GetTickCount64();
    while (!previous && !owned && GetTickCount64() - start < static_cast<ULONGLONG>(waitMs)) {
        owned = WaitForMutex(mutex, mutexName, 50);
        previous = FindPreviousInstance(nullptr);
    }
    if (!previous && owned) {
        mutex_ = OwnedMutex(std::move(mutex));
        return true;
    }
    if (owned && mutex)
        ReleaseMutex(mutex.Get());
    // Hand over to the other copy; one that kept the mutex all along without
    // showing its window is left alone, and this copy ends all the same.
    if (previous)
        SetForegroundWindow(previous);
    return false;
}

} // namespace heliotab
