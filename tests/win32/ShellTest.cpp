// The shell's Win32 pieces in process: the single-instance search, the pump
// and timers on a real message queue, the tray click, the side logo, paths,
// and frmMain as a real window over fakes for everything but the controls and
// the language file (on a thread of its own: a quit left behind dies with it).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/ApplyLanguage_win32.h"
#include "app/PlatformAdapters_win32.h"
#include "app/StartupPaths_win32.h"
#include "app/clsSideLogo_win32.h"
#include "app/frmMain_win32.h"
#include "app/mdlDraw_win32.h"
#include "app/mdlEnumWindows_win32.h"
#include "fakes/Fakes.h"
#include "res/resource.h"
#include "shared/FileSystems.h"

namespace heliotab {
namespace {

HWND Titled(HWND w, const char* text) { return SetWindowTextA(w, text), w; }
HWND AppWindow() { return CreateApplicationWindow(GetModuleHandleA(nullptr)); }
ULONGLONG Since(ULONGLONG t0) { return GetTickCount64() - t0; }

// Another copy's hold of the mutex: a mutex belongs to the thread that took it.
struct OtherCopy {
    explicit OtherCopy(const std::string& name, int waitMs = 2000)
        : t([=, this] { SingleInstance c; got = c.Acquire(name.c_str(), waitMs); ready = true; while (!end) Sleep(5); }) {
        for (MSG m; !ready; Sleep(1)) PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // answers its search meanwhile
    }
    ~OtherCopy() { End(); }
    void End() { end = true; if (t.joinable()) t.join(); }
    std::atomic<bool> ready{false}, end{false}, got{false};
    std::thread t;
};

TEST(SingleInstance, OnlyAnotherCopysWindowCountsAndAHolderOfTheMutexIsWaitedFor) {
    const std::string name = "Local\\HELIOTAB.Test." + std::to_string(GetCurrentProcessId());
    HWND decoys[] = {Titled(AppWindow(), "HELIOTAB "), Titled(AppWindow(), "heliotab"),
                     CreateWindowExA(0, "STATIC", "HELIOTAB", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    EXPECT_EQ(FindPreviousInstance(nullptr), nullptr);
    OtherCopy first(name);
    ASSERT_TRUE(first.got);
    ULONGLONG t0 = GetTickCount64();
    EXPECT_FALSE(SingleInstance().Acquire(name.c_str(), 300));  // no window yet: a bounded wait, then end anyway
    EXPECT_GE(Since(t0), 250u);
    HWND other = AppWindow();
    EXPECT_EQ(FindPreviousInstance(nullptr), other);
    EXPECT_EQ(FindPreviousInstance(other), nullptr);  // a copy does not find itself
    t0 = GetTickCount64();
    EXPECT_FALSE(SingleInstance().Acquire(name.c_str(), 2000));  // with the window there: at once
    EXPECT_LT(Since(t0), 1000u);
    EXPECT_FALSE(SingleInstance().Acquire((name + ".fresh").c_str(), 100));  // a window without the mutex counts too
    DestroyWindow(other);
    // The holder is closing (window gone, mutex not yet free): the next copy runs once it is free.
    std::thread ending([&] { Sleep(300); first.End(); });
    t0 = GetTickCount64();
    SingleInstance next;
    EXPECT_TRUE(next.Acquire(name.c_str(), 10000));
    EXPECT_LT(Since(t0), 5000u);
    ending.join();
    EXPECT_FALSE(OtherCopy(name, 100).got);
    for (HWND d : decoys) DestroyWindow(d);
}

TEST(SmallPieces, TrayClicksTheTipRecordPaths) {
    using E = ctlTrayIcon::Event;
    const UINT LD = WM_LBUTTONDOWN, LU = WM_LBUTTONUP, RD = WM_RBUTTONDOWN, RU = WM_RBUTTONUP, MV = WM_MOUSEMOVE;
    const struct { std::vector<UINT> in; E event; int button; } clicks[] = {
        {{LD, LU}, E::Click, 1}, {{RD, RU}, E::Click, 2}, {{LD, MV, LU}, E::None, 0}, {{RD, MV, RU}, E::None, 0},
        {{LD, RU}, E::None, 0}, {{LD, LU, WM_LBUTTONDBLCLK}, E::DblClick, 1}, {{WM_RBUTTONDBLCLK}, E::DblClick, 2}};
    ctlTrayIcon tray;
    for (const auto& c : clicks) {
        ctlTrayIcon::Mouse last;
        for (UINT m : c.in) last = tray.OnNotify(m);
        EXPECT_EQ(last.event == E::None ? 0 : last.button, c.button) << c.in.size() << " " << c.in.back();
        EXPECT_EQ(last.event, c.event) << c.in.size() << " " << c.in.back();
    }
    EXPECT_EQ(ctlTrayIcon::RecordTip(std::string(64, 'b')), std::string(63, 'b'));
    EXPECT_EQ(TwipsToPixels(100, 0), 100);  // never divides by zero
    for (auto [path, folder] : {std::pair{"C:\\HT\\heliotab.exe", "C:\\HT"}, {"C:\\heliotab.exe", "C:\\"},
                                {"\\\\server\\share\\heliotab.exe", "\\\\server\\share"}})
        EXPECT_EQ(FolderOf(path), folder);
    for (auto [line, args] : {std::pair{"\"C:\\Program Files\\heliotab.exe\"  /TEST /MAXIMIZED", "/TEST /MAXIMIZED"},
                              {"\"C:\\a b\\heliotab.exe\"", ""}, {"heliotab.exe\t/TEST/MAXIMIZED ", "/TEST/MAXIMIZED "}})
        EXPECT_EQ(CommandLineArguments(line), args);
}

TEST(SideLogo, GradientFromTheBottomUpAndTheCaptionWrittenUpward) {
    EXPECT_EQ(std::vector<int>({clsSideLogo::BandHeight(600), clsSideLogo::BandHeight(254), clsSideLogo::BandHeight(0)}),
              std::vector<int>({2, 1, 1}));
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 48, 300);
    SelectObject(dc, bitmap);
    clsSideLogo logo;
    logo.SetStartColor(0x892E2E);
    logo.SetEndColor(0xFFFFFF);
    logo.Caption = "HELIOTAB";
    logo.Paint(dc, 48, 300);
    int text = 0, below = 0;  // white text in the dark lower part, none below its start
    for (int x = 0; x < 48; ++x) {
        for (int y = 200; y < 290; ++y) text += GetPixel(dc, x, y) == RGB(255, 255, 255);
        for (int y = 294; y < 300; ++y) below += GetPixel(dc, x, y) == RGB(255, 255, 255);
    }
    EXPECT_EQ(std::vector<int>({text > 20, below, GetRValue(GetPixel(dc, 0, 0)) >= 250, GetRValue(GetPixel(dc, 47, 150)) > 46}),
              std::vector<int>({1, 0, 1, 1}));
    EXPECT_EQ(GetPixel(dc, 0, 298), RGB(46, 46, 137));  // the two lowest bands share the start colour
    EXPECT_EQ(GetPixel(dc, 0, 150), GetPixel(dc, 47, 150));  // even across each row
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

// A main window with its station, built as start-up builds it.
struct Rig {
    fakes::FakeStation f{DefaultFileSystem()};
    Win32Pump pump;
    frmMain view;
    Station station{f.state, view, f.messages, f.clock, f.timers, pump, f.port, DefaultFileSystem(), f.printer, f.link};
    HWND app = AppWindow();
    char file[MAX_PATH] = "";

    Rig() {
        GetTempPathA(MAX_PATH, file);
        std::strcat(file, "heliotab_shell.ini");
        WritePrivateProfileSectionA("Italiano", "101=Stazione\0" "151=Vis\\nualizza\0" "302=Revisione:\0" "313=Numero di\\nSerie:\0"
            "321=Prova dimostrativa\0" "338=Prova pronta\0" "341=Stato della porta\0", file);
        WritePrivateProfileSectionA("English", "101=Station\0" "153=Close\0", file);
        f.state.LanguageIni.SetIniFile(file);
        f.state.sLanguage = "Italiano";
        view.Create(GetModuleHandleA(nullptr), app);
        view.Attach(station);
    }
    ~Rig() {
        if (!view.Unloaded()) view.Unload();
        DeleteFileA(file);
    }
    HWND Control(int id) const { return FindControl(view.Handle(), id); }
    std::string Text(int id) const { return Ask(Control(id), WM_GETTEXT, 256); }
    std::string Ask(HWND to, UINT message, WPARAM w) const {
        char buf[256] = "";
        SendMessageA(to, message, w, reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    std::string Menu(int id) const {
        char buf[256] = "";
        GetMenuStringA(view.TrayMenu(), id, buf, sizeof buf, MF_BYCOMMAND);
        return buf;
    }
    void Command(int id) const { SendMessageA(view.Handle(), WM_COMMAND, id, 0); }
};

void OnOwnThread(void (*body)()) { std::thread(body).join(); }

TEST(ShellWindow, LabelsAndTipsFromTheTagsTheTrayFollowsALanguageChange) {
    OnOwnThread([] {
        Rig rig;
        rig.view.ApplyLanguage();
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_REVISIONE), "Revisione:");
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_NSERIE), "Numero di\r\nSerie:");  // captions get CR LF
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_SCADENZA), "No resource!");     // on exactly the control whose id is missing
        EXPECT_EQ(rig.Text(IDC_MAIN_CBO_REVISIONE), "");                    // ",304": only the tooltip
        NMTTDISPINFOA tip{{nullptr, IDC_MAIN_TB_TEST, static_cast<UINT>(TTN_GETDISPINFOA)}};
        SendMessageA(rig.view.Handle(), WM_NOTIFY, IDC_MAIN_TB_TEST, reinterpret_cast<LPARAM>(&tip));
        EXPECT_STREQ(tip.lpszText, "Prova dimostrativa");
        HWND bar = rig.Control(IDC_MAIN_STATUSBAR);
        EXPECT_EQ(rig.Ask(bar, SB_GETTIPTEXTA, MAKEWPARAM(1, 256)), "Stato della porta");
        EXPECT_EQ(rig.Ask(bar, SB_GETTEXTA, 1), "");  // tooltip-only Tags leave the texts alone
        EXPECT_EQ(rig.Menu(IDM_TRAY_VISUALIZZA), "Vis\\nualizza");  // menus get plain values
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Stazione (HELIOTAB)");
        EXPECT_EQ(GetMenuDefaultItem(rig.view.TrayMenu(), FALSE, 0), static_cast<UINT>(IDM_TRAY_VISUALIZZA));
        rig.f.state.sLanguage = "English";
        RelabelTray(rig.view.Handle());
        EXPECT_EQ(rig.Menu(IDM_TRAY_CHIUDI), "Close");
        EXPECT_EQ(rig.Menu(IDM_TRAY_VISUALIZZA), "No resource!");
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Station (HELIOTAB)");
    });
}

TEST(ShellWindow, CommandsOfHiddenOrDisabledButtonsAreIgnored) {
    OnOwnThread([] {
        Rig rig;
        for (bool shown : {false, true}) {
            rig.view.ShowButton(Button::Test, shown);
            rig.view.EnableButton(Button::Test, !shown);
            rig.Command(IDC_MAIN_TB_TEST);
            EXPECT_FALSE(rig.f.state.bTestArmed) << shown;
        }
        rig.view.EnableButton(Button::Test, true);
        rig.Command(IDC_MAIN_TB_TEST);
        EXPECT_EQ(rig.Ask(rig.Control(IDC_MAIN_STATUSBAR), SB_GETTEXTA, 0), "Prova pronta");
    });
}

// Closes this thread's open message box from inside its modal loop.
void CALLBACK AnswerOpenBox(HWND, UINT, UINT_PTR timer, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM) -> BOOL {
        char cls[16] = "";
        GetClassNameA(w, cls, sizeof cls);
        return std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(w) || !PostMessageA(w, WM_COMMAND, IDOK, 0);
    }, 0);
    KillTimer(nullptr, timer);
}

TEST(ShellWindow, AfterAMessageTheKeysGoToAnOpenListElseToTheWindowWhereEscCloses) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        ShowWindow(main, SW_SHOW);
        SetActiveWindow(main);
        Win32Messages boxes;
        boxes.Attach(main);
        for (bool open : {true, false}) {  // a disabled list would swallow Esc
            rig.view.EnableCombo(open);
            rig.view.FocusCombo();
            SetTimer(nullptr, 0, 300, &AnswerOpenBox);
            boxes.ShowMessage("text", "title", kStyleInformation);
            EXPECT_EQ(GetFocus(), open ? rig.Control(IDC_MAIN_CBO_REVISIONE) : main) << open;
        }
        MSG esc{rig.Control(IDC_MAIN_CBO_REVISIONE), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}}, other = esc;
        other.wParam = 'A';
        rig.f.state.bCloseWithEsc = false;
        EXPECT_FALSE(rig.view.PreTranslate(esc));
        rig.f.state.bCloseWithEsc = true;
        EXPECT_FALSE(rig.view.PreTranslate(other));
        EXPECT_TRUE(IsWindow(main));
        EXPECT_TRUE(rig.view.PreTranslate(esc));
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(rig.app));  // the hidden window goes with it
        rig.pump.DoEvents();
        EXPECT_TRUE(rig.pump.QuitReceived());
    });
}

TEST(ShellWindow, TheMaximizedLayoutCentresTheContentInARaisedFrame) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        ShowWindow(main, SW_SHOW);
        auto where = [&](int id) { RECT r{}; GetWindowRect(rig.Control(id), &r); MapWindowPoints(nullptr, main, (POINT*)&r, 2); return r; };
        RECT client, outer, frame{}, big, logo = where(IDC_MAIN_LOGO), bar = where(IDC_MAIN_STATUSBAR);
        GetClientRect(main, &client);
        GetWindowRect(main, &outer);
        ASSERT_EQ(bar.bottom, client.bottom) << "the status bar ends the designed client area";
        rig.view.ApplyMaximizedLayout();
        rig.pump.DoEvents();
        ASSERT_TRUE(IsZoomed(main) && !(GetWindowLongA(main, GWL_STYLE) & WS_CAPTION));
        GetClientRect(main, &big);
        // W0: the client width without the title bar, before maximizing; H0: the designed client height + 4.
        AdjustWindowRectEx(&frame, GetWindowLongA(main, GWL_STYLE) & ~WS_MAXIMIZE, FALSE, GetWindowLongA(main, GWL_EXSTYLE));
        const int w0 = (outer.right - outer.left) - (frame.right - frame.left), h0 = client.bottom + 4;
        const int dx = (big.right - w0) / 2, dy = (big.bottom - h0) / 2;
        for (auto [id, d] : {std::pair{IDC_MAIN_LOGO, logo}, {IDC_MAIN_STATUSBAR, bar}}) {
            const RECT r = where(id);
            EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
                      std::vector<LONG>({d.left + dx, d.top + dy, d.right + dx, d.bottom + dy})) << id;
        }
        // The raised frame's edges: dx - 120, dy - 120, W0 + dx + 30, H0 + dy + 30 twips.
        if (TwipsPerPixelX() != 15 || TwipsPerPixelY() != 15) return;
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(main);
        const int x = dx + w0 / 2, bottom = h0 + dy + 1;
        EXPECT_EQ(std::vector<COLORREF>({GetPixel(dc, dx - 8, dy + 20), GetPixel(dc, x, dy - 8), GetPixel(dc, x, bottom)}),
                  std::vector<COLORREF>({GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)}));
        EXPECT_NE(GetPixel(dc, x, bottom + 1), GetSysColor(COLOR_3DDKSHADOW)) << "nothing below it";
        ReleaseDC(main, dc);
    });
}

}  // namespace
}  // namespace heliotab
