// The shell's Win32 pieces that no e2e test sees, in process: the single-instance waits and
// frmMain as a real window over fakes for all but its controls and the language file (each on a
// thread of its own, so that a quit left behind dies with its queue).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/StartupPaths_win32.h"
#include "app/frmMain_win32.h"
#include "app/mdlEnumWindows_win32.h"
#include "dialogs/frmInfo_win32.h"
#include "dialogs/frmOpzioni.h"
#include "fakes/Fakes.h"
#include "res/resource.h"
#include "shared/FileSystems.h"
#include "win32/PlatformAdapters_win32.h"

namespace heliotab {
namespace {

HWND Titled(HWND w, const char* text) {
    SetWindowTextA(w, text);
    return w;
}
HWND AppWindow() {
    return CreateApplicationWindow(GetModuleHandleA(nullptr));
}
ULONGLONG Since(ULONGLONG t0) {
    return GetTickCount64() - t0;
}

// Another copy's hold of the mutex: a mutex belongs to the thread that took it.
struct OtherCopy {
    explicit OtherCopy(const std::string& name, int waitMs = 2000)
        : t([=, this] {
              SingleInstance c;
              got = c.Acquire(name.c_str(), waitMs);
              ready = true;
              while (!end)
                  Sleep(5);
          }) {
        for (MSG m; !ready; Sleep(1))
            PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE); // answers its search meanwhile
    }
    ~OtherCopy() { End(); }
    void End() {
        if (end = true; t.joinable())
            t.join();
    }
    std::atomic<bool> ready{false}, end{false}, got{false};
    std::thread t;
};

TEST(SingleInstance, OnlyAnotherCopysWindowCountsAndAHolderOfTheMutexIsWaitedFor) {
    const std::string name = "Local\\HELIOTAB.Test." + std::to_string(GetCurrentProcessId());
    HWND decoys[] = {Titled(AppWindow(), "HELIOTAB "), Titled(AppWindow(), "heliotab"),
                     CreateWindowExA(0, "STATIC", "HELIOTAB", WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, nullptr, nullptr)};
    EXPECT_EQ(FindPreviousInstance(nullptr), nullptr);
    OtherCopy first(name);
    ASSERT_TRUE(first.got);
    ULONGLONG t0 = GetTickCount64();
    EXPECT_FALSE(SingleInstance().Acquire(name.c_str(), 300) ||
                 Since(t0) < 250); // no window yet: a bounded wait, then end
    HWND other = AppWindow();
    EXPECT_EQ(FindPreviousInstance(nullptr), other);
    EXPECT_EQ(FindPreviousInstance(other), nullptr); // a copy does not find itself
    t0 = GetTickCount64();
    EXPECT_FALSE(SingleInstance().Acquire(name.c_str(), 2000) ||
                 Since(t0) > 1000); // with the window there: at once
    EXPECT_FALSE(SingleInstance().Acquire((name + ".fresh").c_str(),
                                          100)); // a window without the mutex counts too
    DestroyWindow(other);
    // The holder is closing (window gone, mutex not yet free): the next copy runs once it is free.
    std::thread ending([&] {
        Sleep(300);
        first.End();
    });
    t0 = GetTickCount64();
    SingleInstance next;
    EXPECT_TRUE(next.Acquire(name.c_str(), 10000) && Since(t0) < 5000);
    ending.join();
    EXPECT_FALSE(OtherCopy(name, 100).got);
    for (HWND d : decoys)
        DestroyWindow(d);
}

// A main window with its station, built as start-up builds it.
struct Rig {
    fakes::FakeStation f{DefaultFileSystem()};
    Win32Pump pump;
    frmMain view;
    Station station{f.state,   view,   f.messages, f.clock,
                    f.timers,  pump,   f.port,     DefaultFileSystem(),
                    f.printer, f.link, f.journal};
    HWND app = AppWindow();

    Rig() {
        view.Create(GetModuleHandleA(nullptr), app);
        view.Attach(station);
    }
    ~Rig() { view.Unload(); }
};

// The about box opened from the tray of a minimized window lies on the screen.
TEST(ShellWindow, AboutBoxOfAMinimizedWindowIsOnTheScreen) {
    std::thread([] {
        Rig rig;
        static RECT box;
        box = RECT{};
        rig.view.showAboutBox = [&rig](HWND owner) { ShowAboutBox(owner, rig.f.state); };
        ShowWindow(rig.view.Handle(), SW_SHOWMINIMIZED);
        SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) {
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND w, LPARAM) {
                    char cls[16] = "";
                    if (GetClassNameA(w, cls, sizeof cls) && !std::strcmp(cls, "#32770")) {
                        GetWindowRect(w, &box);
                        EndDialog(w, IDOK);
                    }
                    return TRUE;
                },
                0);
        });
        SendMessageA(rig.view.Handle(), WM_COMMAND, IDM_TRAY_INFO, 0);
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, on{};
        EXPECT_TRUE(IntersectRect(&on, &box, &screen) && EqualRect(&on, &box))
            << box.left << "," << box.top;
    }).join();
}

} // namespace
} // namespace heliotab
