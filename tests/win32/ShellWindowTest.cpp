// frmMain as a real window in this process, over fakes for everything but
// the controls and the language file: labelling from the Tags, the view the
// core changes, commands that the operator could not give, Esc and close.
// Each test runs on a thread of its own, so a quit message it leaves behind
// dies with its queue.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "app/ApplyLanguage_win32.h"
#include "app/PlatformAdapters_win32.h"
#include "app/frmMain_win32.h"
#include "app/mdlDraw_win32.h"
#include "app/mdlEnumWindows_win32.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "res/resource.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab {
namespace {

using fakes::FakeClock;
using fakes::FakeMessages;
using fakes::FakeSerialPort;
using fakes::FakeReportPrinter;
using fakes::FakeTimers;

std::string TempLanguageFile(const std::string& body) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "heliotab_shell_" + std::to_string(GetCurrentThreadId()) + ".ini";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
    return path;
}

const char* kLanguage =
    "[Italiano]\r\n"
    "101=Stazione Prova Fari\r\n"
    "151=Vis\\nualizza\r\n"
    "152=Info\r\n"
    "153=Chiudi\r\n"
    "154=Opzioni\r\n"
    "302=Revisione in Corso:\r\n"
    "304=Prenotazioni in attesa\r\n"
    "305=Dati Veicolo\r\n"
    "306=Marca:\r\n"
    "307=Modello:\r\n"
    "308=Targa:\r\n"
    "309=Dati Apparecchiatura\r\n"
    "310=Marca FAR:\r\n"
    "311=Modello FAR:\r\n"
    "312=Omologazione:\r\n"
    "313=Numero di\\nSerie:\r\n"
    "314=Versione Software:\r\n"
    "316=Dati Operatore\r\n"
    "317=Cognome e Nome:\r\n"
    "321=Prova dimostrativa\r\n"
    "322=Apri le opzioni\r\n"
    "323=Informazioni\r\n"
    "324=Esci dal programma\r\n"
    "325=Ferma la prova\r\n"
    "337=Prova interrotta\r\n"
    "338=Prova pronta\r\n"
    "340=Stato della prova\r\n"
    "341=Stato della porta\r\n"
    "363=Ferma\r\n"
    "364=Interrompere?\r\n";

// A main window with its station, built as start-up builds it.
struct Rig {
    AppState state;
    FakeClock clock;
    FakeTimers timers{clock};
    FakeMessages messages{clock};
    FakeSerialPort port{clock};
    Win32Pump pump;
    frmMain view;
    FakeReportPrinter printer;
    TesterLink link{state};
    Station station{state, view, messages, clock, timers, pump, port, DefaultFileSystem(), printer, link};
    HWND app = nullptr;
    std::string languageFile;

    Rig() {
        languageFile = TempLanguageFile(kLanguage);
        state.LanguageIni.SetIniFile(languageFile);
        state.sLanguage = "Italiano";
        app = CreateApplicationWindow(GetModuleHandleA(nullptr));
        view.Create(GetModuleHandleA(nullptr), app);
        view.Attach(station);
        pump.preTranslate = [this](MSG& m) { return view.PreTranslate(m); };
    }
    ~Rig() {
        if (!view.Unloaded()) view.Unload();
        DeleteFileA(languageFile.c_str());
    }
    HWND Control(int id) const { return FindControl(view.Handle(), id); }
    std::string Text(int id) const {
        char buf[256] = "";
        GetWindowTextA(Control(id), buf, sizeof buf);
        return buf;
    }
    std::string PanelText(int index) const {
        char buf[256] = "";
        SendMessageA(Control(IDC_MAIN_STATUSBAR), SB_GETTEXTA, index, reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    std::string PanelTip(int index) const {
        char buf[256] = "";
        SendMessageA(Control(IDC_MAIN_STATUSBAR), SB_GETTIPTEXTA, MAKEWPARAM(index, sizeof buf),
                     reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    std::string ToolbarTip(int command) const {
        NMTTDISPINFOA di{};
        di.hdr.hwndFrom = nullptr;
        di.hdr.idFrom = command;
        di.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(view.Handle(), WM_NOTIFY, command, reinterpret_cast<LPARAM>(&di));
        return di.lpszText ? di.lpszText : "";
    }
    std::string MenuText(int id) const {
        char buf[256] = "";
        GetMenuStringA(view.TrayMenu(), id, buf, sizeof buf, MF_BYCOMMAND);
        return buf;
    }
    LRESULT ButtonState(int command) const {
        return SendMessageA(Control(IDC_MAIN_TOOLBAR), TB_GETSTATE, command, 0);
    }
};

void OnOwnThread(const std::function<void()>& body) {
    std::thread t(body);
    t.join();
}

TEST(ShellWindow, IsOwnedByTheHiddenApplicationWindow) {
    OnOwnThread([] {
        Rig rig;
        ASSERT_NE(rig.view.Handle(), nullptr);
        EXPECT_EQ(GetWindow(rig.view.Handle(), GW_OWNER), rig.app);
        char cls[64], text[64];
        GetClassNameA(rig.view.Handle(), cls, sizeof cls);
        GetWindowTextA(rig.view.Handle(), text, sizeof text);
        EXPECT_STREQ(cls, "HELIOTAB_frmMain");
        EXPECT_STREQ(text, "HELIOTAB");
        // Another copy finds this one by its hidden window, not by the main one.
        EXPECT_EQ(FindPreviousInstance(nullptr), rig.app);
        for (int id : {IDC_MAIN_LOGO, IDC_MAIN_REBAR, IDC_MAIN_TOOLBAR, IDC_MAIN_PANEL_REVISIONE,
                       IDC_MAIN_LBL_REVISIONE, IDC_MAIN_CBO_REVISIONE, IDC_MAIN_FRA_VEHICLE, IDC_MAIN_DATI_VEICOLO_2,
                       IDC_MAIN_FRA_OPERATOR, IDC_MAIN_DATI_OPERATORE, IDC_MAIN_FRA_FAR, IDC_MAIN_DATI_APP_5,
                       IDC_MAIN_STATUSBAR})
            EXPECT_NE(rig.Control(id), nullptr) << id;
    });
}

TEST(ShellWindow, ApplyLanguageLabelsControlsFromTheirTags) {
    OnOwnThread([] {
        Rig rig;
        rig.view.ApplyLanguage();
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_REVISIONE), "Revisione in Corso:");
        EXPECT_EQ(rig.Text(IDC_MAIN_FRA_VEHICLE), "Dati Veicolo");
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_AUTO_TARGA), "Targa:");
        EXPECT_EQ(rig.Text(IDC_MAIN_FRA_FAR), "Dati Apparecchiatura");
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_MARCA), "Marca FAR:");
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_NSERIE), "Numero di\r\nSerie:");  // captions get CR LF
        EXPECT_EQ(rig.Text(IDC_MAIN_FRA_OPERATOR), "Dati Operatore");
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_NOME_OPERATORE), "Cognome e Nome:");
        // An id missing from the section shows the placeholder on exactly that control.
        EXPECT_EQ(rig.Text(IDC_MAIN_LBL_APP_SCADENZA), "No resource!");
        // ",304": the combo keeps its (empty) caption; only its tooltip is set.
        EXPECT_EQ(rig.Text(IDC_MAIN_CBO_REVISIONE), "");

        EXPECT_EQ(rig.ToolbarTip(IDC_MAIN_TB_TEST), "Prova dimostrativa");
        EXPECT_EQ(rig.ToolbarTip(IDC_MAIN_TB_FERMA), "Ferma la prova");
        EXPECT_EQ(rig.ToolbarTip(IDC_MAIN_TB_OPZIONI), "Apri le opzioni");
        EXPECT_EQ(rig.ToolbarTip(IDC_MAIN_TB_INFO), "Informazioni");
        EXPECT_EQ(rig.ToolbarTip(IDC_MAIN_TB_ESCI), "Esci dal programma");

        EXPECT_EQ(rig.PanelTip(0), "Stato della prova");
        EXPECT_EQ(rig.PanelTip(1), "Stato della porta");
        EXPECT_EQ(rig.PanelText(0), "");  // tooltip-only Tags leave the texts alone

        // Tray: plain values (no CR LF) and the tip "101 (HELIOTAB)".
        EXPECT_EQ(rig.MenuText(IDM_TRAY_VISUALIZZA), "Vis\\nualizza");
        EXPECT_EQ(rig.MenuText(IDM_TRAY_OPZIONI), "Opzioni");
        EXPECT_EQ(rig.MenuText(IDM_TRAY_INFO), "Info");
        EXPECT_EQ(rig.MenuText(IDM_TRAY_CHIUDI), "Chiudi");
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Stazione Prova Fari (HELIOTAB)");
        EXPECT_EQ(static_cast<UINT>(GetMenuDefaultItem(rig.view.TrayMenu(), FALSE, 0)),
                  static_cast<UINT>(IDM_TRAY_VISUALIZZA));
    });
}

TEST(ShellWindow, RelabelTrayFollowsAChangeOfLanguage) {
    OnOwnThread([] {
        Rig rig;
        rig.view.ApplyLanguage();
        FILE* f = std::fopen(rig.languageFile.c_str(), "ab");
        std::fputs("[English]\r\n101=Headlight Station\r\n153=Close\r\n", f);
        std::fclose(f);
        rig.state.sLanguage = "English";
        RelabelTray(rig.view.Handle());
        EXPECT_EQ(rig.MenuText(IDM_TRAY_CHIUDI), "Close");
        EXPECT_EQ(rig.MenuText(IDM_TRAY_INFO), "No resource!");
        EXPECT_EQ(rig.view.TrayIcon().TipText(), "Headlight Station (HELIOTAB)");
    });
}

TEST(ShellWindow, TheViewChangesTheControls) {
    OnOwnThread([] {
        Rig rig;
        MainView& v = rig.view;
        v.SetPanelText(Panel::Stato, "armed");
        v.SetPanelText(Panel::PortaCOM, "COM3");
        EXPECT_EQ(rig.PanelText(0), "armed");
        EXPECT_EQ(rig.PanelText(1), "COM3");

        v.EnableButton(Button::Ferma, false);
        EXPECT_FALSE(rig.ButtonState(IDC_MAIN_TB_FERMA) & TBSTATE_ENABLED);
        v.EnableButton(Button::Ferma, true);
        EXPECT_TRUE(rig.ButtonState(IDC_MAIN_TB_FERMA) & TBSTATE_ENABLED);
        v.ShowButton(Button::Test, false);
        EXPECT_TRUE(rig.ButtonState(IDC_MAIN_TB_TEST) & TBSTATE_HIDDEN);
        v.ShowButton(Button::Test, true);
        EXPECT_FALSE(rig.ButtonState(IDC_MAIN_TB_TEST) & TBSTATE_HIDDEN);

        v.EnableTrayOptions(false);
        EXPECT_TRUE(GetMenuState(rig.view.TrayMenu(), IDM_TRAY_OPZIONI, MF_BYCOMMAND) & MF_GRAYED);
        v.EnableTrayOptions(true);
        EXPECT_FALSE(GetMenuState(rig.view.TrayMenu(), IDM_TRAY_OPZIONI, MF_BYCOMMAND) & MF_GRAYED);

        v.ClearCombo();
        v.AddComboItem("<scegliere>");
        v.AddComboItem(" FIAT - TOPOLINO C - MX431NY");
        v.AddComboItem(" IVECO - DAILY - AB123CD");
        EXPECT_EQ(v.ComboIndex(), -1);
        v.SelectComboIndex(2);
        EXPECT_EQ(v.ComboIndex(), 2);
        v.SetComboText("<scegliere>");
        EXPECT_EQ(v.ComboIndex(), 0);
        v.SetComboText("not an item");
        EXPECT_EQ(v.ComboIndex(), 0);
        v.EnableCombo(false);
        EXPECT_FALSE(IsWindowEnabled(rig.Control(IDC_MAIN_CBO_REVISIONE)));

        v.SetVehicleLabel(2, "MX431NY");
        EXPECT_EQ(rig.Text(IDC_MAIN_DATI_VEICOLO_2), "MX431NY");
        v.SetOperatorLabel("ROSSI & FIGLI");
        EXPECT_EQ(v.OperatorLabel(), "ROSSI & FIGLI");
        v.SetDeviceLabel(4, "1.2A");
        EXPECT_EQ(v.DeviceLabel(4), "1.2A");
        EXPECT_EQ(rig.Text(IDC_MAIN_DATI_APP_4), "1.2A");
        v.SetVehicleLabel(7, "ignored");  // out of range: nothing happens
        EXPECT_EQ(v.DeviceLabel(9), "");

        v.ShowValidateWindow("Attendere", "Validazione...");
        HWND wait = FindWindowA("HELIOTAB_frmACCValidate", "Attendere");
        ASSERT_NE(wait, nullptr);
        EXPECT_TRUE(IsWindowVisible(wait));
        EXPECT_EQ(GetWindow(wait, GW_OWNER), rig.view.Handle());
        v.HideValidateWindow();
        EXPECT_FALSE(IsWindow(wait));
    });
}

// Closes this thread's open message box from inside its modal loop.
static void CALLBACK AnswerOpenBox(HWND, UINT, UINT_PTR timer, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
            char cls[16] = "";
            GetClassNameA(w, cls, sizeof cls);
            if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(w)) return TRUE;
            PostMessageA(w, WM_COMMAND, IDOK, 0);
            return FALSE;
        },
        0);
    KillTimer(nullptr, timer);
}

TEST(ShellWindow, TheListHasTheKeysAgainWhenAMessageCloses) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle(), combo = rig.Control(IDC_MAIN_CBO_REVISIONE);
        ShowWindow(main, SW_SHOW);
        SetActiveWindow(main);
        Win32Messages boxes;
        boxes.Attach(main);
        for (bool open : {true, false}) {
            rig.view.EnableCombo(open);
            rig.view.FocusCombo();
            SetTimer(nullptr, 0, 300, &AnswerOpenBox);
            boxes.ShowMessage("text", "title", kStyleInformation);
            // An open list takes the keys again; a disabled one leaves them
            // with the window, so Esc still arrives.
            EXPECT_EQ(GetFocus(), open ? combo : main) << open;
        }
    });
}

TEST(ShellWindow, CommandsOfHiddenOrDisabledButtonsAreIgnored) {
    OnOwnThread([] {
        Rig rig;
        rig.view.ApplyLanguage();
        HWND main = rig.view.Handle();
        rig.view.ShowButton(Button::Test, false);
        SendMessageA(main, WM_COMMAND, IDC_MAIN_TB_TEST, 0);
        EXPECT_FALSE(rig.state.bTestArmed);

        rig.view.ShowButton(Button::Test, true);
        rig.view.EnableButton(Button::Test, false);
        SendMessageA(main, WM_COMMAND, IDC_MAIN_TB_TEST, 0);
        EXPECT_FALSE(rig.state.bTestArmed);

        rig.view.EnableButton(Button::Test, true);
        SendMessageA(main, WM_COMMAND, IDC_MAIN_TB_TEST, 0);
        EXPECT_TRUE(rig.state.bTestArmed);
        EXPECT_EQ(rig.Text(IDC_MAIN_DATI_VEICOLO_0), "FIAT");
        EXPECT_EQ(rig.PanelText(0), "Prova pronta");
        EXPECT_TRUE(rig.ButtonState(IDC_MAIN_TB_FERMA) & TBSTATE_ENABLED);
        // The toolbar's own parent (the band) passes commands on as well.
        rig.messages.answers.push_back(kAnswerYes);
        SendMessageA(rig.Control(IDC_MAIN_REBAR), WM_COMMAND, IDC_MAIN_TB_FERMA, 0);
        EXPECT_FALSE(rig.state.bTestArmed);
        EXPECT_EQ(rig.PanelText(0), "Prova interrotta");
    });
}

TEST(ShellWindow, EscClosesOnlyWhenTheSettingSaysSo) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        MSG esc{};
        esc.hwnd = rig.Control(IDC_MAIN_CBO_REVISIONE);
        esc.message = WM_KEYDOWN;
        esc.wParam = VK_ESCAPE;
        rig.state.bCloseWithEsc = false;
        EXPECT_FALSE(rig.view.PreTranslate(esc));
        EXPECT_TRUE(IsWindow(main));

        MSG other = esc;
        other.wParam = 'A';
        rig.state.bCloseWithEsc = true;
        EXPECT_FALSE(rig.view.PreTranslate(other));
        EXPECT_TRUE(IsWindow(main));

        EXPECT_TRUE(rig.view.PreTranslate(esc));
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(rig.app));  // the hidden window goes with it
        EXPECT_TRUE(rig.state.bQuitQuery);
        rig.pump.DoEvents();
        EXPECT_TRUE(rig.pump.QuitReceived());
    });
}

TEST(ShellWindow, CloseWithAnArmedTestAsksAndNoKeepsTheWindow) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        rig.view.EnableButton(Button::Test, true);
        SendMessageA(main, WM_COMMAND, IDC_MAIN_TB_TEST, 0);
        ASSERT_TRUE(rig.state.bTestArmed);

        rig.messages.answers.push_back(kAnswerNo);
        SendMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(main));
        EXPECT_TRUE(rig.state.bTestArmed);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].style, kStyleQuestion);

        rig.messages.answers.push_back(kAnswerYes);
        SendMessageA(main, WM_COMMAND, IDM_TRAY_CHIUDI, 0);
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(rig.state.bTestArmed);
        EXPECT_EQ(rig.messages.shown.size(), 2u);
    });
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(ShellWindow, TheMaximizedLayoutCentresTheContentWithItsStatusBarInARaisedFrame) {
    OnOwnThread([] {
        Rig rig;
        HWND main = rig.view.Handle();
        ShowWindow(main, SW_SHOW);
        RECT client, outer, frame{0, 0, 0, 0};
        GetClientRect(main, &client);
        GetWindowRect(main, &outer);
        const int ids[] = {IDC_MAIN_LOGO, IDC_MAIN_REBAR, IDC_MAIN_FRA_FAR, IDC_MAIN_STATUSBAR};
        RECT designed[4];
        for (int i = 0; i < 4; ++i) designed[i] = ChildRect(main, rig.Control(ids[i]));
        ASSERT_EQ(designed[3].bottom, client.bottom) << "the status bar ends the designed client area";

        rig.view.ApplyMaximizedLayout();
        rig.pump.DoEvents();
        ASSERT_TRUE(IsZoomed(main));
        EXPECT_FALSE(GetWindowLongA(main, GWL_STYLE) & WS_CAPTION);
        RECT big;
        GetClientRect(main, &big);
        // W0: the client width once the title bar is gone, measured before
        // maximizing. H0: the whole designed client height, status bar
        // included, plus 4 pixels.
        AdjustWindowRectEx(&frame, GetWindowLongA(main, GWL_STYLE) & ~WS_MAXIMIZE, FALSE,
                           GetWindowLongA(main, GWL_EXSTYLE));
        const int w0 = (outer.right - outer.left) - (frame.right - frame.left), h0 = client.bottom + 4;
        const int dx = (big.right - w0) / 2, dy = (big.bottom - h0) / 2;
        ASSERT_GT(dy, 0);
        for (int i = 0; i < 4; ++i) {
            const RECT r = ChildRect(main, rig.Control(ids[i]));
            EXPECT_EQ(r.left, designed[i].left + dx) << ids[i];
            EXPECT_EQ(r.top, designed[i].top + dy) << ids[i];
            EXPECT_EQ(r.right - r.left, designed[i].right - designed[i].left) << ids[i];
            EXPECT_EQ(r.bottom - r.top, designed[i].bottom - designed[i].top) << ids[i];
        }

        // The raised frame: edges dx - 120, dy - 120, W0 + dx + 30 and
        // H0 + dy + 30 twips, so its last row lies just below the status bar.
        if (TwipsPerPixelX() != 15 || TwipsPerPixelY() != 15) return;
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(main);
        const int x = dx + w0 / 2, bottom = h0 + dy + 1;
        EXPECT_EQ(GetPixel(dc, dx - 8, dy + 20), GetSysColor(COLOR_3DLIGHT)) << "left edge";
        EXPECT_EQ(GetPixel(dc, x, dy - 8), GetSysColor(COLOR_3DLIGHT)) << "top edge";
        EXPECT_EQ(GetPixel(dc, x, bottom), GetSysColor(COLOR_3DDKSHADOW)) << "bottom edge";
        EXPECT_NE(GetPixel(dc, x, bottom + 1), GetSysColor(COLOR_3DDKSHADOW)) << "nothing below it";
        ReleaseDC(main, dc);
    });
}

TEST(ShellWindow, ComboNotificationsSentToItsPanelReachTheMainWindow) {
    OnOwnThread([] {
        Rig rig;
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        rig.state.AccDirectory = std::string(dir) + "heliotab_shell_empty_" + std::to_string(GetCurrentThreadId()) + "\\";
        CreateDirectoryA(rig.state.AccDirectory.c_str(), nullptr);
        HWND combo = rig.Control(IDC_MAIN_CBO_REVISIONE);
        rig.view.AddComboItem("stale");
        rig.view.AddComboItem("stale too");
        // Opening the list rebuilds it: only the placeholder is left for an empty directory.
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(IDC_MAIN_CBO_REVISIONE, CBN_DROPDOWN),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 1);
        RemoveDirectoryA(rig.state.AccDirectory.c_str());
    });
}

}  // namespace
}  // namespace heliotab
