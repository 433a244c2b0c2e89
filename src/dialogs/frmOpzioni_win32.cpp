// frmOpzioni as a Win32 dialog: its controls, change tracking, dragging,
// and the port scan wired to the dialog's own timer and serial port. What
// loading and confirming do is portable (dialogs/frmOpzioni.cpp).
#include "dialogs/frmOpzioni_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "device/PortScan.h"
#include "device/SerialPort_win32.h"
#include "dialogs/frmOpzioni.h"
#include "dialogs/mdlRegAccess_win32.h"
#include "res/resource.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "win32/ApplyLanguage_win32.h"
#include "win32/DialogParts_win32.h"
#include "win32/PlatformAdapters_win32.h"
#include "win32/ProgramPath_win32.h"
#include "win32/ScopedWin_win32.h"
#include "win32/WindowPlacement_win32.h"
#include "win32/clsSideLogo_win32.h"
#include "win32/mdlDraw_win32.h"

namespace heliotab {

namespace {

// Designed client area, pixels at 96 dpi.
constexpr int kWidth = 460, kHeight = 356, kLogoW = 40, kStripH = 30;

constexpr int kChecks[] = {IDC_OPZ_CHK_AOT, IDC_OPZ_CHK_AUTOAVVIO, IDC_OPZ_CHK_CHIUDI,
                           IDC_OPZ_CHK_ESCCHIUDI, IDC_OPZ_CHK_STAMPAREPORT};

constexpr TagEntry kTags[] = {
    {IDC_OPZ_LBL_CAPTION, "401"},          {IDC_OPZ_FRA_OPZIONI, "402"},
    {IDC_OPZ_CHK_AOT, "403,421"},          {IDC_OPZ_CHK_AUTOAVVIO, "404,422"},
    {IDC_OPZ_CHK_CHIUDI, "426,427"},       {IDC_OPZ_CHK_ESCCHIUDI, "428,429"},
    {IDC_OPZ_CHK_STAMPAREPORT, "430,431"}, {IDC_OPZ_FRA_LANGUAGE, "440"},
    {IDC_OPZ_CBO_LANGUAGE, ",441"},        {IDC_OPZ_FRA_SERIALE, "408"},
    {IDC_OPZ_CMD_SCANSIONE, "407,425"},    {IDC_OPZ_CMD_CONFERMA, "405,423"},
    {IDC_OPZ_CMD_ANNULLA, "406,424"},
};

// Everything the dialog holds while it is open.
class OptionsDialog : public ScanView {
public:
    OptionsDialog(Station& s, const std::function<void()>& apply) : s_(s), apply_(apply) {}

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool confirmed = false;

    // ScanView
    void SetPortLabel(const std::string& text) override {
        HWND label = GetDlgItem(dlg_, IDC_OPZ_LBL_COMPORT);
        SendMessageA(label, WM_SETREDRAW, FALSE, 0); // repainted by the loop (see EnableLater)
        SetWindowTextA(label, text.c_str());
        SendMessageA(label, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(label, nullptr, TRUE);
    }
    void EnableScanControls(bool enabled) override {
        for (int id : kChecks)
            EnableLater(id, enabled);
        for (int id : {IDC_OPZ_CBO_LANGUAGE, IDC_OPZ_CMD_SCANSIONE, IDC_OPZ_CMD_ANNULLA})
            EnableLater(id, enabled);
        busy_ = !enabled;
        SetCursor(LoadCursorA(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
    }
    bool ConfirmEnabled() { return IsWindowEnabled(GetDlgItem(dlg_, IDC_OPZ_CMD_CONFERMA)); }
    void EnableConfirm(bool enabled) override { EnableLater(IDC_OPZ_CMD_CONFERMA, enabled); }

private:
    // Carries out what the scan asks, on comDummy, the timer and the controls.
    void RunScan(const ScanActions& actions) {
        ScanSide side{s_.state, *scan_, *comDummy_, *timers_, *this};
        CarryOutScan(side, actions);
    }
    // Enables or disables a control and leaves its repaint to the message
    // loop: a control that repaints itself at once (as some do on
    // WM_ENABLE) would keep the dialog's thread busy for every one of them.
    void EnableLater(int id, bool enabled) {
        if (id == IDC_OPZ_CHK_AUTOAVVIO && autostartUnknown_)
            enabled = false;
        HWND c = GetDlgItem(dlg_, id);
        if (!c || (IsWindowEnabled(c) != FALSE) == enabled)
            return;
        SendMessageA(c, WM_SETREDRAW, FALSE, 0);
        EnableWindow(c, enabled);
        SendMessageA(c, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(c, nullptr, TRUE);
    }
    static LRESULT CALLBACK CheckProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND Add(const char* cls, DWORD style, int id, int x, int y, int w, int h) {
        return AddControl(dlg_, font_.Get(), cls, style, id, x, y, w, h);
    }
    void OnInit(HWND dlg);
    void OnCommand(int id, int code);
    void Confirm();
    void Close(INT_PTR result);
    void DrawLogo(const DRAWITEMSTRUCT& dis);

    Station& s_;
    std::function<void()> apply_;
    HWND dlg_ = nullptr;
    HWND tooltip_ = nullptr;
    ScopedFont font_;
    ScopedBitmap caption_;
    clsSideLogo logo_;
    RegistryAutostart autostart_;
    std::string autostartPath_;
    std::vector<std::string> languages_;
    std::unique_ptr<Win32SerialPort> comDummy_;
    std::unique_ptr<Win32Timers> timers_;
    std::unique_ptr<PortScan> scan_;
    CaptionDrag drag_;
    bool busy_ = false;
    bool autostartUnknown_ = false;
};

void OptionsDialog::OnInit(HWND dlg) {
    dlg_ = dlg;
    AppState& st = s_.state;
    font_ = MessageFont();

    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dlg, GWL_EXSTYLE)));
    CentreOnOwner(dlg, r.right - r.left, r.bottom - r.top);

    // The caption strip: image and title over the area that drags the dialog
    // (statics without SS_NOTIFY let the mouse through to it).
    // The image is scaled to the strip's height, its proportions kept.
    caption_.Reset(static_cast<HBITMAP>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CAPTION), IMAGE_BITMAP, 0, 0, 0)));
    BITMAP bm{};
    int imgW = 24;
    if (caption_ && GetObjectA(caption_.Get(), sizeof bm, &bm) && bm.bmHeight > 0)
        imgW = std::min(MulDiv(bm.bmWidth, kStripH - 6, bm.bmHeight), kWidth / 2);
    HWND img = Add("STATIC", SS_BITMAP | SS_REALSIZECONTROL, IDC_OPZ_IMG_CAPTION, kLogoW + 4, 3,
                   imgW, kStripH - 6);
    SendMessageA(img, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(caption_.Get()));
    SetWindowPos(img, nullptr, 0, 0, imgW, kStripH - 6, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Add("STATIC", SS_LEFT | SS_CENTERIMAGE, IDC_OPZ_LBL_CAPTION, kLogoW + imgW + 14, 3,
        kWidth - kLogoW - imgW - 20, kStripH - 6);
    HWND mover = Add("STATIC", SS_NOTIFY | SS_ETCHEDFRAME, IDC_OPZ_LBL_FORMMOVE, kLogoW, 0,
                     kWidth - kLogoW, kStripH);
    drag_.Attach(mover);
    Add("STATIC", SS_OWNERDRAW, IDC_OPZ_LOGO, 0, 0, kLogoW, kHeight);

    const int x0 = kLogoW + 12, right = kWidth - 12;
    Add("BUTTON", BS_GROUPBOX, IDC_OPZ_FRA_OPZIONI, x0, kStripH + 6, right - x0, 156);
    for (int i = 0; i < 5; ++i) {
        HWND chk = Add("BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, kChecks[i], x0 + 12,
                       kStripH + 28 + 26 * i, right - x0 - 24, 22);
        SetWindowSubclass(chk, &CheckProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    const int y1 = kStripH + 170;
    Add("BUTTON", BS_GROUPBOX, IDC_OPZ_FRA_LANGUAGE, x0, y1, 190, 64);
    Add("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IDC_OPZ_CBO_LANGUAGE, x0 + 12,
        y1 + 24, 166, 200);
    Add("BUTTON", BS_GROUPBOX, IDC_OPZ_FRA_SERIALE, x0 + 200, y1, right - x0 - 200, 110);
    Add("STATIC", SS_LEFT, IDC_OPZ_LBL_COMPORT, x0 + 212, y1 + 22, right - x0 - 224, 20);
    Add("BUTTON", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, IDC_OPZ_CMD_SCANSIONE, x0 + 212,
        y1 + 48, right - x0 - 224, 48);
    Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDC_OPZ_CMD_CONFERMA, right - 204, kHeight - 42, 96,
        30);
    Add("BUTTON", BS_PUSHBUTTON | WS_TABSTOP, IDC_OPZ_CMD_ANNULLA, right - 100, kHeight - 42, 96,
        30);
    // Frames below the controls they hold, or those would be clipped away.
    for (int id :
         {IDC_OPZ_FRA_OPZIONI, IDC_OPZ_FRA_LANGUAGE, IDC_OPZ_FRA_SERIALE, IDC_OPZ_LBL_FORMMOVE})
        SetWindowPos(GetDlgItem(dlg, id), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dlg,
                               nullptr, GetModuleHandleA(nullptr), nullptr);

    comDummy_ = std::make_unique<Win32SerialPort>(dlg, kMsgScanData, kMsgScanDisconnect);
    // Each port is tried once: its reader may finish closing it on its own
    // while the dialog goes on (no ~100 ms wait on the dialog's thread).
    comDummy_->SetCloseInBackground(true);
    timers_ = std::make_unique<Win32Timers>([this](int id) {
        if (scan_)
            RunScan(scan_->OnTimer(id));
    });
    timers_->Attach(dlg);
    scan_ = std::make_unique<PortScan>();

    // Loading, in order.
    autostartPath_ = AutostartPath(st.programDir, ProgramBaseName());
    const OptionsLoad load = LoadOptions(s_, autostart_, autostartPath_);
    const OptionsChoice& c = load.choice;
    const bool ticks[] = {c.chkAOT, c.chkAutoAvvio.value_or(false), c.chkChiudi, c.chkEscChiudi,
                          c.chkStampaReport};
    for (int i = 0; i < 5; ++i)
        CheckDlgButton(dlg, kChecks[i], ticks[i] ? BST_CHECKED : BST_UNCHECKED);
    // An entry that cannot be read shows neither state and cannot be changed.
    autostartUnknown_ = !c.chkAutoAvvio.has_value();
    if (autostartUnknown_) {
        SendDlgItemMessageA(dlg, IDC_OPZ_CHK_AUTOAVVIO, BM_SETSTYLE, BS_3STATE, FALSE);
        CheckDlgButton(dlg, IDC_OPZ_CHK_AUTOAVVIO, BST_INDETERMINATE);
        EnableWindow(GetDlgItem(dlg, IDC_OPZ_CHK_AUTOAVVIO), FALSE);
    }
    SetDlgItemTextA(dlg, IDC_OPZ_LBL_COMPORT, load.portLabel.c_str());
    languages_ = c.languages;
    HWND combo = GetDlgItem(dlg, IDC_OPZ_CBO_LANGUAGE);
    for (const std::string& name : languages_)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(c.languageIndex), 0);
    logo_.SetDrawingObject(GetDlgItem(dlg, IDC_OPZ_LOGO));
    logo_.SetStartColor(RGB(153, 0, 0));
    logo_.SetEndColor(RGB(255, 255, 255));
    ApplyTags(st, dlg, "", kTags, tooltip_);
    SetWindowTextA(dlg, GetLangString(st, kTextOptionsCaption).c_str());
    SetAlwaysOnTop(dlg, st.bAlwaysOnTop);
    EnableConfirm(false);
}

LRESULT CALLBACK OptionsDialog::CheckProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR ref) {
    // Only a mouse button released over a check box counts as a change; the
    // keyboard alone does not.
    const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == WM_LBUTTONUP) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&rc, pt))
            reinterpret_cast<OptionsDialog*>(ref)->EnableConfirm(true);
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &CheckProc, 1);
    }
    return r;
}

void OptionsDialog::DrawLogo(const DRAWITEMSTRUCT& dis) {
    logo_.Caption = GetLangString(s_.state, options_text::kLogoCaption);
    logo_.Paint(dis.hDC, dis.rcItem.right - dis.rcItem.left, dis.rcItem.bottom - dis.rcItem.top);
}

void OptionsDialog::OnCommand(int id, int code) {
    switch (id) {
    case IDC_OPZ_CMD_SCANSIONE:
        if (code == BN_CLICKED && !busy_)
            RunScan(scan_->Start(ConfirmEnabled()));
        return;
    case IDC_OPZ_CMD_CONFERMA:
        if (code == BN_CLICKED && !busy_ && ConfirmEnabled())
            Confirm();
        return;
    case IDC_OPZ_CMD_ANNULLA:
    case IDCANCEL: // also Esc; not while a scan runs (its button is disabled)
        if (!busy_)
            Close(IDCANCEL);
        return;
    case IDC_OPZ_CBO_LANGUAGE:
        if (code == CBN_SELCHANGE) {
            const auto i = static_cast<size_t>(SendDlgItemMessageA(dlg_, id, CB_GETCURSEL, 0, 0));
            if (i < languages_.size() && languages_[i] != s_.state.sLanguage)
                EnableConfirm(true);
        }
        return;
    default:
        return;
    }
}

void OptionsDialog::Confirm() {
    OptionsChoice c;
    c.chkAOT = IsDlgButtonChecked(dlg_, IDC_OPZ_CHK_AOT) == BST_CHECKED;
    if (!autostartUnknown_)
        c.chkAutoAvvio = IsDlgButtonChecked(dlg_, IDC_OPZ_CHK_AUTOAVVIO) == BST_CHECKED;
    else
        c.chkAutoAvvio = std::nullopt;
    c.chkChiudi = IsDlgButtonChecked(dlg_, IDC_OPZ_CHK_CHIUDI) == BST_CHECKED;
    c.chkEscChiudi = IsDlgButtonChecked(dlg_, IDC_OPZ_CHK_ESCCHIUDI) == BST_CHECKED;
    c.chkStampaReport = IsDlgButtonChecked(dlg_, IDC_OPZ_CHK_STAMPAREPORT) == BST_CHECKED;
    c.languages = languages_;
    c.languageIndex =
        static_cast<int>(SendDlgItemMessageA(dlg_, IDC_OPZ_CBO_LANGUAGE, CB_GETCURSEL, 0, 0));
    confirmed = true;
    // Out of sight first: a message about what could not be saved belongs
    // to the main window, and the dialog must not be confirmed twice.
    ShowWindow(dlg_, SW_HIDE);
    ConfirmOptions(s_, c, scan_->iScanPort, autostart_, autostartPath_, apply_);
    Close(IDOK);
}

void OptionsDialog::Close(INT_PTR result) {
    // Closing during a scan (system menu, Alt+F4) ends it and closes the port.
    if (scan_)
        RunScan(scan_->Abort());
    if (comDummy_)
        comDummy_->Close();
    EndDialog(dlg_, result);
}

INT_PTR CALLBACK OptionsDialog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        reinterpret_cast<OptionsDialog*>(lParam)->OnInit(hwnd);
        return TRUE;
    }
    auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return FALSE;
    switch (msg) {
    case WM_COMMAND:
        self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        self->Close(IDCANCEL);
        return TRUE;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID != IDC_OPZ_LOGO)
            return FALSE;
        self->DrawLogo(*dis);
        return TRUE;
    }
    case WM_SETCURSOR:
        if (!self->busy_)
            return FALSE;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case kMsgScanData: {
        // Only the port on trial now: a port tried before has been closed.
        const std::string bytes = self->comDummy_ ? self->comDummy_->TakeReceived(wParam) : "";
        if (self->scan_ && !bytes.empty())
            self->RunScan(self->scan_->OnBytes(bytes));
        return TRUE;
    }
    case kMsgScanDisconnect:
        return TRUE; // a port without a device just does not answer
    case WM_DESTROY:
        if (self->scan_ && self->comDummy_ && self->timers_)
            self->RunScan(self->scan_->Abort());
        if (self->comDummy_)
            self->comDummy_->Close();
        if (self->timers_)
            self->timers_->Attach(nullptr);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

bool ShowOptionsDialog(HWND owner, Station& s, const std::function<void()>& applyToMainWindow) {
    OptionsDialog dialog(s, applyToMainWindow);
    ShowEmptyDialog(owner, WS_POPUP | WS_DLGFRAME | WS_SYSMENU | DS_MODALFRAME, WS_EX_CONTROLPARENT,
                    &OptionsDialog::Proc, reinterpret_cast<LPARAM>(&dialog));
    return dialog.confirmed;
}

} // namespace heliotab
