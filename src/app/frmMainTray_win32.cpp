// frmMain: the tray icon's events and its menu.
#include "app/frmMain_win32.h"

#include <commctrl.h>

#include <tuple>

#include "win32/ApplyLanguage_win32.h"
#include "app/frmMain.h"
#include "app/frmMainDesign_win32.h"
#include "win32/mdlDraw_win32.h"
#include "device/SerialPort_win32.h"
#include "res/resource.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"

namespace heliotab {

using namespace main_design;

// --- tray ---------------------------------------------------------------------

void frmMain::OnTrayNotify(UINT trayMessage) {
    const ctlTrayIcon::Mouse m = tiMain.OnNotify(trayMessage);
    if (m.event == ctlTrayIcon::Event::Click && m.button == 2)
        ShowTrayMenu();
    else if (m.event == ctlTrayIcon::Event::DblClick && m.button == 1)
        OnTrayVisualizza();
}

void frmMain::ShowTrayMenu() {
    if (unloaded_)
        return;
    POINT pt;
    GetCursorPos(&pt);
    // Foreground first, or the menu would not close when clicking elsewhere.
    SetForegroundWindow(hwnd_);
    SetMenuDefaultItem(trayMenu_.Get(), IDM_TRAY_VISUALIZZA, FALSE);
    TrackPopupMenu(trayMenu_.Get(), TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, pt.x, pt.y,
                   0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void frmMain::OnTrayVisualizza() {
    if (unloaded_)
        return;
    // "Normal" for the maximized layout is its maximized state: restoring it
    // to the designed size would leave a window without a title bar.
    ShowWindow(hwnd_, maximizedLayout_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    SetAlwaysOnTop(hwnd_, true);
    if (!S().state.bAlwaysOnTop)
        SetAlwaysOnTop(hwnd_, false);
}

void frmMain::OnTrayOpzioni() {
    if (unloaded_ || !showOptionsDialog)
        return;
    Station& s = S();
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_INFO, MF_BYCOMMAND | MF_GRAYED);
    OptionsDialogOpening(s);

    showOptionsDialog(hwnd_);

    if (unloaded_)
        return; // the program was closed while the dialog was open
    OptionsDialogClosed(s);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_INFO, MF_BYCOMMAND | MF_ENABLED);
}

void frmMain::OnTrayInfo() {
    if (unloaded_ || !showAboutBox)
        return;
    Station& s = S();
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_INFO, MF_BYCOMMAND | MF_GRAYED);
    InfoBoxOpening(s);

    showAboutBox(hwnd_);

    if (unloaded_)
        return;
    InfoBoxClosed(s);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_OPZIONI, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_INFO, MF_BYCOMMAND | MF_ENABLED);
}

void frmMain::OnTrayChiudi() {
    // StopTest when armed, then the main window's QueryUnload and Unload.
    GuardedClose([this] { CloseMainWindow(S()); });
}

} // namespace heliotab
