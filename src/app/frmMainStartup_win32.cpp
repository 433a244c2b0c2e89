// frmMain: the window's own start-up steps (logo, tray icon, captions, placement).
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

namespace heliotab {

using namespace main_design;

// --- start-up steps ---------------------------------------------------------

void frmMain::ConfigureSideLogo() {
    logo.SetDrawingObject(logo_);
    logo.SetStartColor(0x892E2E);
    logo.SetEndColor(0xFFFFFF);
}

void frmMain::ShowTrayIcon() {
    HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_HELIOTAB),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    tiMain.SetIcon(icon);
    tiMain.ShowIcon();
}

void frmMain::ApplyLanguage() {
    AppState& st = S().state;
    ApplyTags(st, hwnd_, "", kControlTags, tooltip_);
    for (const ButtonDef& b : kButtons) {
        const TagTexts texts = TagTextsFor(st, b.tag);
        if (texts.tooltip)
            toolbarTips_[b.command] = *texts.tooltip;
        if (texts.caption) {
            TBBUTTONINFOA info{};
            info.cbSize = sizeof info;
            info.dwMask = TBIF_TEXT;
            info.pszText = const_cast<char*>(texts.caption->c_str());
            SendMessageA(toolbar_, TB_SETBUTTONINFOA, b.command, reinterpret_cast<LPARAM>(&info));
        }
    }
    for (const PanelDef& p : kPanels) {
        const TagTexts texts = TagTextsFor(st, p.tag);
        if (texts.tooltip)
            SendMessageA(status_, SB_SETTIPTEXTA, p.index,
                         reinterpret_cast<LPARAM>(texts.tooltip->c_str()));
        if (texts.caption)
            SendMessageA(status_, SB_SETTEXTA, p.index,
                         reinterpret_cast<LPARAM>(texts.caption->c_str()));
    }
    RelabelTray();
    LayoutPanel();
    InvalidateRect(logo_, nullptr, FALSE);
}

void frmMain::RelabelTray() {
    AppState& st = S().state;
    const std::pair<int, const char*> items[] = {{IDM_TRAY_VISUALIZZA, "151"},
                                                 {IDM_TRAY_OPZIONI, "154"},
                                                 {IDM_TRAY_INFO, "152"},
                                                 {IDM_TRAY_CHIUDI, "153"}};
    for (auto [id, key] : items) {
        const std::string text = LangValue(st, key);
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_STRING;
        mi.dwTypeData = const_cast<char*>(text.c_str());
        SetMenuItemInfoA(trayMenu_.Get(), id, FALSE, &mi);
    }
    tiMain.SetTipText(TrayTipText(st));
}

void frmMain::CentreOnScreen() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::ShowNow(Pump& pump) {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    pump.DoEvents();
}

void frmMain::ApplyMaximizedLayout() {
    if (unloaded_)
        return;
    // The window loses its title bar and gets a taskbar button; the content
    // and its status bar keep their designed arrangement, centred in the
    // larger window (WM_SIZE places them).
    RECT rc;
    GetClientRect(hwnd_, &rc);
    h0_ = rc.bottom - rc.top + 4;
    GetWindowRect(status_, &statusRect_);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&statusRect_), 2);
    SetWindowLongA(hwnd_, GWL_EXSTYLE, GetWindowLongA(hwnd_, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) & ~(WS_CAPTION | WS_SYSMENU));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(hwnd_, &rc);
    w0_ = rc.right - rc.left;
    // The status bar no longer clings to the window's bottom edge.
    SetWindowLongA(status_, GWL_STYLE,
                   GetWindowLongA(status_, GWL_STYLE) | CCS_NOPARENTALIGN | CCS_NORESIZE);
    maximizedLayout_ = true;
    ShowWindow(hwnd_, SW_HIDE); // the taskbar notices the new style on the next show
    ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

} // namespace heliotab
