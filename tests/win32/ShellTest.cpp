// The shell's Win32 pieces that no e2e test sees, in process: the single-
// instance waits, the tray click, paths, and frmMain as a real window over
// fakes for all but its controls and the language file (each on a thread of
// its own, so that a quit left behind dies with its queue). Pump and timers:
// the e2e tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/ApplyLanguage_win32.h"
#include "app/PlatformAdapters_win32.h"
#include "app/StartupPaths_win32.h"
#include "app/frmMain_win32.h"
#include "app/mdlEnumWindows_win32.h"
#include "fakes/Fakes.h"
#include "res/resource.h"
#include "shared/FileSystems.h"

namespace heliotab {
namespace {

HWND Titled(HWND w, const char* text) {
    return SetWindowTextA(w, text), w;
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

TEST(SmallPieces, TrayClicksTheTipRecordPaths) {
    using E = ctlTrayIcon::Event;
    const UINT LD = WM_LBUTTONDOWN, LU = WM_LBUTTONUP, RD = WM_RBUTTONDOWN, RU = WM_RBUTTONUP,
               MV = WM_MOUSEMOVE;
    const struct {
        std::vector<UINT> in;
        E event;
        int button;
    } clicks[] = {{{LD, LU}, E::Click, 1},
                  {{RD, RU}, E::Click, 2},
                  {{LD, MV, LU}, E::None, 0},
                  {{RD, MV, RU}, E::None, 0},
                  {{LD, RU}, E::None, 0},
                  {{LD, LU, WM_LBUTTONDBLCLK}, E::DblClick, 1},
                  {{WM_RBUTTONDBLCLK}, E::DblClick, 2}};
    ctlTrayIcon tray;
    for (const auto& c : clicks) {
        ctlTrayIcon::Mouse last;
        for (UINT m : c.in)
            last = tray.OnNotify(m);
        EXPECT_EQ(std::pair(last.event, last.event == E::None ? 0 : last.button),
                  std::pair(c.event, c.button))
            << c.in.size();
    }
    EXPECT_EQ(ctlTrayIcon::RecordTip(std::string(64, 'b')), std::string(63, 'b'));
    for (auto [path, folder] : {std::pair{"C:\\HT\\heliotab.exe", "C:\\HT"},
                                {"C:\\heliotab.exe", "C:\\"},
                                {"\\\\server\\share\\heliotab.exe", "\\\\server\\share"}})
        EXPECT_EQ(FolderOf(path), folder);
    EXPECT_EQ(CommandLineArguments("\"C:\\Program Files\\heliotab.exe\"\t /TEST/MAXIMIZED "),
              "/TEST/MAXIMIZED ");
}

// A main window with its station, built as start-up builds it.
struct Rig {
    fakes::FakeStation f{DefaultFileSystem()};
    Win32Pump pump;
    frmMain view;
    Station station{f.state, view,   f.messages,          f.clock,   f.timers,
                    pump,    f.port, DefaultFileSystem(), f.printer, f.link};
    HWND app = AppWindow();
    char file[MAX_PATH] = "";

    Rig() {
        lstrcatA(file + GetTempPathA(MAX_PATH, file), "heliotab_shell.ini");
        WritePrivateProfileSectionA("Italiano",
                                    "101=Stazione\0"
                                    "151=Vis\\nualizza\0"
                                    "302=Revisione:\0"
                                    "313=Numero di\\nSerie:\0"
                                    "321=Prova dimostrativa\0"
                                    "341=Stato della porta\0",
                                    file);
        WritePrivateProfileSectionA("English",
                                    "101=Station\0"
                                    "153=Close\0"
                                    "338=Test ready\0",
                                    file);
        f.state.LanguageIni.SetIniFile(file), f.state.sLanguage = "Italiano";
        view.Create(GetModuleHandleA(nullptr), app), view.Attach(station);
    }
    ~Rig() {
        if (!view.Unloaded())
            view.Unload();
        DeleteFileA(file);
    }
    HWND Control(int id) const { return FindControl(view.Handle(), id); }
    std::string Text(int id) const { return Ask(Control(id), WM_GETTEXT, 256); }
    std::string Ask(HWND to, UINT message, WPARAM w) const {
        char buf[256] = "";
        return SendMessageA(to, message, w, (LPARAM)buf), buf;
    }
    std::string Menu(int id) const {
        char buf[256] = "";
        return GetMenuStringA(view.TrayMenu(), id, buf, sizeof buf, MF_BYCOMMAND), buf;
    }
    void Command(int id) const { SendMessageA(view.Handle(), WM_COMMAND, id, 0); }
};

TEST(ShellWindow, TagsTrayLanguageCommandsOfHiddenOrDisabledButtonsAndEsc) {
    std::thread([] {
        Rig rig;
        rig.view.ApplyLanguage();
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_NSERIE),
                  "Numero di\r\nSerie:");                // captions get CR LF (texts: e2e)
        EXPECT_EQ(rig.Text(IDC_MAIN_CBO_REVISIONE), ""); // ",304": only the tooltip
        NMTTDISPINFOA tip{{nullptr, IDC_MAIN_TB_TEST, static_cast<UINT>(TTN_GETDISPINFOA)}};
        SendMessageA(rig.view.Handle(), WM_NOTIFY, IDC_MAIN_TB_TEST,
                     reinterpret_cast<LPARAM>(&tip));
        EXPECT_STREQ(tip.lpszText, "Prova dimostrativa");
        EXPECT_EQ(rig.Ask(rig.Control(IDC_MAIN_STATUSBAR), SB_GETTIPTEXTA, MAKEWPARAM(1, 256)),
                  "Stato della porta");
        EXPECT_EQ(rig.Ask(rig.Control(IDC_MAIN_STATUSBAR), SB_GETTEXTA, 1),
                  ""); // tooltip-only Tags leave the texts alone
        EXPECT_EQ(rig.Menu(IDM_TRAY_VISUALIZZA), "Vis\\nualizza"); // menus get plain values
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Stazione (HELIOTAB)");
        rig.f.state.sLanguage = "English", RelabelTray(rig.view.Handle());
        EXPECT_EQ(rig.Menu(IDM_TRAY_CHIUDI), "Close");
        EXPECT_EQ(rig.Menu(IDM_TRAY_VISUALIZZA), "No resource!");
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Station (HELIOTAB)");
        // Commands of hidden or disabled buttons are ignored; Esc closes only when the setting says
        // so.
        for (bool shown : {false, true}) {
            rig.view.ShowButton(Button::Test, shown), rig.view.EnableButton(Button::Test, !shown),
                rig.Command(IDC_MAIN_TB_TEST);
            EXPECT_FALSE(rig.f.state.bTestArmed) << shown;
        }
        rig.view.EnableButton(Button::Test, true), rig.Command(IDC_MAIN_TB_TEST);
        EXPECT_EQ(rig.Ask(rig.Control(IDC_MAIN_STATUSBAR), SB_GETTEXTA, 0), "Test ready");
        HWND main = rig.view.Handle();
        rig.Command(IDC_MAIN_TB_FERMA); // (the fake answers yes)
        MSG esc{rig.Control(IDC_MAIN_CBO_REVISIONE), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}},
            other{esc.hwnd, WM_KEYDOWN, 'A', 0, 0, {}};
        rig.f.state.bCloseWithEsc = false;
        EXPECT_FALSE(rig.view.PreTranslate(esc));
        rig.f.state.bCloseWithEsc = true;
        EXPECT_FALSE(rig.view.PreTranslate(other));
        EXPECT_TRUE(IsWindow(main));
        EXPECT_TRUE(rig.view.PreTranslate(esc));
        EXPECT_FALSE(IsWindow(main) || IsWindow(rig.app)); // the hidden window goes with it
        rig.pump.DoEvents();
        EXPECT_TRUE(rig.pump.QuitReceived());
    }).join();
}

RECT ChildRect(HWND parent, int id) {
    RECT r{};
    return GetWindowRect(FindControl(parent, id), &r),
           MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2), r;
}

TEST(ShellWindow, KeysGoBackToAnOpenListAfterAMessageAndMaximizedCentresTheDesign) {
    std::thread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        ShowWindow(main, SW_SHOW), SetActiveWindow(main);
        Win32Messages boxes;
        boxes.Attach(main);
        for (bool open :
             {true,
              false}) { // a disabled list leaves the keys with the window, so Esc still arrives
            rig.view.EnableCombo(open), rig.view.FocusCombo();
            SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) { // OK on the message box
                EnumThreadWindows(
                    GetCurrentThreadId(),
                    [](HWND w, LPARAM) -> BOOL {
                        char cls[16] = "";
                        return GetClassNameA(w, cls, sizeof cls),
                               std::strcmp(cls, "#32770") || !IsWindowVisible(w) ||
                                   !PostMessageA(w, WM_COMMAND, IDOK, 0);
                    },
                    0);
            });
            boxes.ShowMessage("text", "title", kStyleInformation);
            EXPECT_EQ(GetFocus(), open ? rig.Control(IDC_MAIN_CBO_REVISIONE) : main) << open;
        }
        RECT client, outer, frame{0, 0, 0, 0}, big, designed[4];
        const int ids[] = {IDC_MAIN_LOGO, IDC_MAIN_REBAR, IDC_MAIN_FRA_FAR, IDC_MAIN_STATUSBAR};
        GetClientRect(main, &client), GetWindowRect(main, &outer);
        for (int i = 0; i < 4; ++i)
            designed[i] = ChildRect(main, ids[i]);
        rig.view.ApplyMaximizedLayout(), rig.pump.DoEvents();
        ASSERT_TRUE(IsZoomed(main) && !(GetWindowLongA(main, GWL_STYLE) & WS_CAPTION));
        GetClientRect(main, &big),
            AdjustWindowRectEx(&frame, GetWindowLongA(main, GWL_STYLE) & ~WS_MAXIMIZE, FALSE,
                               GetWindowLongA(main, GWL_EXSTYLE));
        // Centred: the design's client area without a title bar, status bar included, plus 4
        // pixels.
        const int dx = (big.right - (outer.right - outer.left) + (frame.right - frame.left)) / 2;
        const int dy = (big.bottom - client.bottom - 4) / 2;
        for (int i = 0; i < 4; ++i) {
            const RECT r = ChildRect(main, ids[i]), d = designed[i];
            EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
                      std::vector<LONG>({d.left + dx, d.top + dy, d.right + dx, d.bottom + dy}))
                << ids[i];
        }
    }).join();
}

} // namespace
} // namespace heliotab
