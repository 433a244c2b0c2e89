// The shell's small Win32 pieces, in process: the identity search and the
// single-instance mutex, the pump and timers through a real message queue,
// the tray click logic, twips and the raised frame, the side logo, paths.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/PlatformAdapters_win32.h"
#include "app/StartupPaths_win32.h"
#include "app/clsSideLogo_win32.h"
#include "app/ctlTrayIcon_win32.h"
#include "app/mdlDraw_win32.h"
#include "app/mdlEnumWindows_win32.h"

namespace heliotab {
namespace {

HWND PlainWindow(const char* cls = "STATIC", const char* text = "") {
    return CreateWindowExA(0, cls, text, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A top-level window of any class and text, owned by a thread of its own
// (another "program"), alive until the object goes.
class ForeignWindow {
public:
    ForeignWindow(const std::string& cls, const std::string& text, bool viaShell = false) {
        thread_ = std::thread([=, this] {
            if (viaShell) {
                window_ = CreateApplicationWindow(GetModuleHandleA(nullptr));
            } else {
                WNDCLASSA wc{};
                wc.lpfnWndProc = DefWindowProcA;
                wc.hInstance = GetModuleHandleA(nullptr);
                wc.lpszClassName = cls.c_str();
                RegisterClassA(&wc);
                window_ = CreateWindowExA(0, cls.c_str(), text.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
            }
            threadId_ = GetCurrentThreadId();
            ready_ = true;
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
            DestroyWindow(window_);
        });
        while (!ready_) Sleep(1);
    }
    ~ForeignWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Handle() const { return window_; }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false};
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
};

TEST(ApplicationIdentity, OnlyTheExactClassAndTitleMatch) {
    EXPECT_TRUE(IsApplicationWindow("ThunderRT6Main", "HELIOTAB"));
    EXPECT_FALSE(IsApplicationWindow("ThunderRT6Main", "HELIOTAB "));
    EXPECT_FALSE(IsApplicationWindow("ThunderRT6Main", "heliotab"));
    EXPECT_FALSE(IsApplicationWindow("ThunderRT6main", "HELIOTAB"));
    EXPECT_FALSE(IsApplicationWindow("ThunderRT6FormDC", "HELIOTAB"));
    EXPECT_FALSE(IsApplicationWindow("ThunderRT6Main", ""));
}

TEST(ApplicationIdentity, FindsAnotherCopysHiddenWindowAndSkipsItsOwn) {
    ASSERT_EQ(FindPreviousInstance(nullptr), nullptr) << "another HELIOTAB runs in this prefix";
    ForeignWindow decoyTitle("ThunderRT6Main", "HELIOTAB2");
    ForeignWindow decoyClass("HELIOTAB_Decoy", "HELIOTAB");
    EXPECT_EQ(FindPreviousInstance(nullptr), nullptr);

    ForeignWindow other("", "", /*viaShell=*/true);
    ASSERT_NE(other.Handle(), nullptr);
    EXPECT_FALSE(IsWindowVisible(other.Handle()));
    EXPECT_EQ(FindPreviousInstance(nullptr), other.Handle());
    // The copy that owns it does not find itself.
    EXPECT_EQ(FindPreviousInstance(other.Handle()), nullptr);

    HWND own = CreateApplicationWindow(GetModuleHandleA(nullptr));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(FindPreviousInstance(own), other.Handle());
    DestroyWindow(own);
}

// Another copy's hold of the mutex, on a thread of its own (a mutex belongs
// to the thread that took it), until End.
class OtherCopy {
public:
    explicit OtherCopy(const std::string& name, int waitMs = 2000) {
        thread_ = std::thread([this, name, waitMs] {
            SingleInstance copy;
            acquired_ = copy.Acquire(name.c_str(), waitMs);
            ready_ = true;
            while (!end_) Sleep(5);
        });
        while (!ready_) Sleep(1);
    }
    ~OtherCopy() { End(); }
    void End() {
        end_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Acquired() const { return acquired_; }

private:
    std::thread thread_;
    std::atomic<bool> ready_{false}, end_{false}, acquired_{false};
};

TEST(SingleInstance, TheSecondCopyEndsAndHandsOver) {
    const std::string name = "Local\\HELIOTAB.Test." + std::to_string(GetCurrentProcessId());
    OtherCopy first(name);
    ASSERT_TRUE(first.Acquired());

    // The mutex is held but no window exists yet: the second copy waits its
    // bounded moment, then ends anyway.
    SingleInstance second;
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(second.Acquire(name.c_str(), 300));
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, 250u);
    EXPECT_LT(took, 3000u);

    // With the first copy's window there it ends at once.
    ForeignWindow app("", "", /*viaShell=*/true);
    SingleInstance third;
    start = GetTickCount64();
    EXPECT_FALSE(third.Acquire(name.c_str(), 2000));
    EXPECT_LT(GetTickCount64() - start, 1000u);
}

TEST(SingleInstance, ACopyThatEndsDuringTheWaitLetsTheNextOneRun) {
    // The first copy is closing: its window is gone, its mutex not yet free.
    const std::string name = "Local\\HELIOTAB.Test.Closing." + std::to_string(GetCurrentProcessId());
    OtherCopy first(name);
    ASSERT_TRUE(first.Acquired());
    std::thread ending([&first] {
        Sleep(300);
        first.End();
    });
    SingleInstance next;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(next.Acquire(name.c_str(), 10000));
    EXPECT_LT(GetTickCount64() - start, 5000u) << "runs as soon as the mutex is free";
    ending.join();
    // It holds the mutex now: a further copy finds it taken.
    OtherCopy later(name, 100);
    EXPECT_FALSE(later.Acquired());
}

TEST(SingleInstance, AWindowWithoutTheMutexStillCounts) {
    ForeignWindow app("", "", /*viaShell=*/true);
    const std::string name = "Local\\HELIOTAB.Test.Fresh." + std::to_string(GetCurrentProcessId());
    SingleInstance copy;
    EXPECT_FALSE(copy.Acquire(name.c_str(), 100));
}

TEST(Pump, WaitUntilRunsItsFullTimeWhenTheConditionNeverHolds) {
    Win32Pump pump;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(pump.WaitUntil([] { return false; }, 200));
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, 180u);
    EXPECT_LT(took, 1500u);
}

TEST(Pump, WaitUntilEndsAsSoonAsAMessageMakesTheConditionTrue) {
    Win32Pump pump;
    HWND w = PlainWindow();
    bool flag = false;
    SetPropA(w, "flag", &flag);
    // The flag is set by a timer message dispatched inside the wait.
    SetTimer(w, 7, 50, [](HWND h, UINT, UINT_PTR id, DWORD) {
        KillTimer(h, id);
        *static_cast<bool*>(GetPropA(h, "flag")) = true;
    });
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(pump.WaitUntil([&] { return flag; }, 5000));
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_TRUE(pump.WaitUntil([] { return true; }, 0));
    DestroyWindow(w);
}

TEST(Pump, ThePreTranslateFilterSeesAndMayConsumeEachMessage) {
    Win32Pump pump;
    HWND w = PlainWindow();
    int filtered = 0;
    pump.preTranslate = [&](MSG& m) {
        if (m.message != WM_APP + 9) return false;
        ++filtered;
        return true;
    };
    PostMessageA(w, WM_APP + 9, 0, 0);
    PostMessageA(w, WM_APP + 9, 0, 0);
    pump.DoEvents();
    EXPECT_EQ(filtered, 2);
    DestroyWindow(w);
}

TEST(Pump, AQuitTakenByANestedPumpEndsTheMainLoop) {
    std::thread t([] {
        Win32Pump pump;
        PostQuitMessage(5);
        pump.DoEvents();
        EXPECT_TRUE(pump.QuitReceived());
        // The wait gives up at once once the program is ending.
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(pump.WaitUntil([] { return false; }, 2000));
        EXPECT_LT(GetTickCount64() - start, 500u);
        EXPECT_EQ(pump.Run(), 5);
    });
    t.join();
}

TEST(Timers, FireThroughTheMessageLoopWithTheirIdAndStopWhenTold) {
    Win32Pump pump;
    HWND w = PlainWindow();
    std::vector<int> fired;
    Win32Timers* self = nullptr;
    Win32Timers timers([&](int id) {
        fired.push_back(id);
        self->StopTimer(id);  // one-shot, as the core uses them
    });
    self = &timers;
    timers.Attach(w);
    timers.StartTimer(1, 30);
    timers.StartTimer(4, 60);
    EXPECT_TRUE(pump.WaitUntil([&] { return fired.size() >= 2; }, 3000));
    pump.WaitUntil([] { return false; }, 200);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0], 1);
    EXPECT_EQ(fired[1], 4);

    // A stopped timer never fires; starting one again replaces it.
    fired.clear();
    timers.StartTimer(2, 50);
    timers.StopTimer(2);
    timers.StartTimer(3, 5000);
    timers.StartTimer(3, 30);
    EXPECT_TRUE(pump.WaitUntil([&] { return !fired.empty(); }, 1000));
    EXPECT_EQ(fired, std::vector<int>{3});

    // Once the window is gone, starting a timer does nothing (and does not crash).
    DestroyWindow(w);
    timers.StartTimer(1, 10);
    pump.WaitUntil([] { return false; }, 100);
    EXPECT_EQ(fired, std::vector<int>{3});
}

TEST(TrayIcon, AClickIsAButtonUpRightAfterItsButtonDown) {
    ctlTrayIcon tray;
    using E = ctlTrayIcon::Event;
    auto feed = [&](std::initializer_list<UINT> messages) {
        ctlTrayIcon::Mouse last;
        for (UINT m : messages) last = tray.OnNotify(m);
        return last;
    };
    auto left = feed({WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(left.event, E::Click);
    EXPECT_EQ(left.button, 1);
    auto right = feed({WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_EQ(right.event, E::Click);
    EXPECT_EQ(right.button, 2);
    // Pressing, moving and releasing is no click.
    EXPECT_EQ(feed({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}).event, E::None);
    EXPECT_EQ(feed({WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONUP}).event, E::None);
    EXPECT_EQ(feed({WM_LBUTTONDOWN, WM_RBUTTONUP}).event, E::None);
    auto dbl = feed({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
    EXPECT_EQ(dbl.event, E::DblClick);
    EXPECT_EQ(dbl.button, 1);
    EXPECT_EQ(feed({WM_RBUTTONDBLCLK}).button, 2);
    EXPECT_EQ(feed({WM_MOUSEMOVE}).event, E::None);
}

TEST(TrayIcon, TheTipIsCutTo63Characters) {
    EXPECT_EQ(ctlTrayIcon::RecordTip(std::string(63, 'a')), std::string(63, 'a'));
    EXPECT_EQ(ctlTrayIcon::RecordTip(std::string(64, 'b')), std::string(63, 'b'));
    EXPECT_EQ(ctlTrayIcon::RecordTip("Stazione (HELIOTAB)"), "Stazione (HELIOTAB)");
    ctlTrayIcon tray;
    tray.SetTipText(std::string(70, 'c'));
    EXPECT_EQ(tray.TipText().size(), 70u);  // kept as set; only the record is cut
}

TEST(Draw, TwipsBecomePixelsByWholeDivision) {
    EXPECT_EQ(TwipsToPixels(1440, 15), 96);
    EXPECT_EQ(TwipsToPixels(720, 15), 48);
    EXPECT_EQ(TwipsToPixels(29, 15), 1);
    EXPECT_EQ(TwipsToPixels(14, 15), 0);
    EXPECT_EQ(TwipsToPixels(100, 0), 100);  // never divides by zero
}

struct Bitmap {
    Bitmap(int w, int h) : w(w), h(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bmp);
        for (int i = 0; i < w * h; ++i) bits[i] = 0x00ABCDEF;
    }
    ~Bitmap() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits[y * w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int w, h;
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    uint32_t* bits = nullptr;
};

TEST(Draw, DrawBorderFramesTheRectangleInPixels) {
    if (TwipsPerPixelX() != 15 || TwipsPerPixelY() != 15) GTEST_SKIP() << "display is not 96 dpi";
    Bitmap b(120, 70);
    const COLORREF untouched = b.At(110, 60);
    DrawBorder(b.dc, 0, 0, 1440, 720);  // 0, 0, 96, 48 pixels
    EXPECT_NE(b.At(0, 0), untouched);
    EXPECT_NE(b.At(95, 47), untouched);  // the last pixel inside the rectangle
    EXPECT_NE(b.At(95, 20), untouched);
    EXPECT_EQ(b.At(96, 20), untouched);  // nothing beyond it
    EXPECT_EQ(b.At(20, 48), untouched);
    EXPECT_EQ(b.At(40, 20), untouched);  // the inside stays as it was
    // Raised: light top-left, dark bottom-right.
    EXPECT_EQ(b.At(0, 20), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(b.At(95, 20), GetSysColor(COLOR_3DDKSHADOW));
}

TEST(SideLogo, BandHeightFollowsThePictureHeight) {
    EXPECT_EQ(clsSideLogo::BandHeight(600), 2);
    EXPECT_EQ(clsSideLogo::BandHeight(200), 1);
    EXPECT_EQ(clsSideLogo::BandHeight(254), 1);
    EXPECT_EQ(clsSideLogo::BandHeight(510), 2);
    EXPECT_EQ(clsSideLogo::BandHeight(0), 1);
}

TEST(SideLogo, GradientRunsFromTheStartColourAtTheBottomToTheEndColourAtTheTop) {
    clsSideLogo logo;
    logo.SetStartColor(0x892E2E);
    logo.SetEndColor(0xFFFFFF);
    Bitmap b(48, 300);
    logo.Paint(b.dc, 48, 300);
    EXPECT_EQ(b.At(10, 299), RGB(46, 46, 137));
    EXPECT_EQ(b.At(10, 298), RGB(46, 46, 137));  // the two lowest bands share the start colour
    const COLORREF top = b.At(10, 0);
    EXPECT_GE(GetRValue(top), 250);
    EXPECT_GE(GetBValue(top), 250);
    // Lighter going up, the same across each row (no caption).
    int previous = -1;
    for (int y = 299; y >= 0; y -= 30) {
        EXPECT_EQ(b.At(0, y), b.At(47, y));
        const int red = GetRValue(b.At(0, y));
        EXPECT_GE(red, previous);
        previous = red;
    }
}

TEST(SideLogo, ASystemEndColourIsResolved) {
    clsSideLogo logo;
    logo.SetStartColor(0);
    EXPECT_EQ(logo.EndColor(), 0x8000000Fu);
    Bitmap b(20, 100);
    logo.Paint(b.dc, 20, 100);
    // The top row (the 99th band above the start) is 98/100 of the way to
    // the current button face colour.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_NEAR(GetRValue(b.At(5, 0)), GetRValue(face) * 0.98, 1.0);
    EXPECT_NEAR(GetGValue(b.At(5, 0)), GetGValue(face) * 0.98, 1.0);
    EXPECT_NEAR(GetBValue(b.At(5, 0)), GetBValue(face) * 0.98, 1.0);
}

TEST(SideLogo, TheCaptionIsWrittenUpwardFromTheBottom) {
    clsSideLogo logo;
    logo.SetStartColor(0x892E2E);
    logo.SetEndColor(0xFFFFFF);
    logo.Caption = "HELIOTAB";
    Bitmap b(48, 300);
    logo.Paint(b.dc, 48, 300);
    int white = 0;  // text pixels in the dark lower part
    for (int y = 200; y < 290; ++y)
        for (int x = 0; x < 48; ++x)
            if (b.At(x, y) == RGB(255, 255, 255)) ++white;
    EXPECT_GT(white, 20);
    int whiteBelow = 0;  // nothing below its start point
    for (int y = 294; y < 300; ++y)
        for (int x = 0; x < 48; ++x)
            if (b.At(x, y) == RGB(255, 255, 255)) ++whiteBelow;
    EXPECT_EQ(whiteBelow, 0);
}

TEST(StartupPaths, TheProgramFolderHasNoTrailingBackslashUnlessARoot) {
    EXPECT_EQ(FolderOf("C:\\Programmi\\HELIOTAB\\heliotab.exe"), "C:\\Programmi\\HELIOTAB");
    EXPECT_EQ(FolderOf("C:\\heliotab.exe"), "C:\\");
    EXPECT_EQ(FolderOf("\\\\server\\share\\heliotab.exe"), "\\\\server\\share");
    const std::string mine = ProgramFolder();
    ASSERT_FALSE(mine.empty());
    EXPECT_TRUE(mine.back() != '\\' || mine.size() == 3);
}

TEST(StartupPaths, ArgumentsFollowTheProgramName) {
    EXPECT_EQ(CommandLineArguments("\"C:\\Program Files\\heliotab.exe\"  /TEST /MAXIMIZED"), "/TEST /MAXIMIZED");
    EXPECT_EQ(CommandLineArguments("heliotab.exe /test"), "/test");
    EXPECT_EQ(CommandLineArguments("heliotab.exe"), "");
    EXPECT_EQ(CommandLineArguments("\"C:\\a b\\heliotab.exe\""), "");
    EXPECT_EQ(CommandLineArguments("heliotab.exe\t/TEST/MAXIMIZED "), "/TEST/MAXIMIZED ");
}

}  // namespace
}  // namespace heliotab
