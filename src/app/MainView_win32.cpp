// frmMain as the core's MainView: the controls the handlers read and change.
#include "app/frmMain_win32.h"

#include <commctrl.h>

#include "res/resource.h"
#include "win32/WindowPlacement_win32.h"

namespace heliotab {

namespace {

int CommandOf(Button button) {
    switch (button) {
    case Button::Test:
        return IDC_MAIN_TB_TEST;
    case Button::Ferma:
        return IDC_MAIN_TB_FERMA;
    case Button::Opzioni:
        return IDC_MAIN_TB_OPZIONI;
    case Button::Info:
        return IDC_MAIN_TB_INFO;
    case Button::Esci:
        return IDC_MAIN_TB_ESCI;
    }
    return 0;
}

std::string TextOf(HWND control) {
    if (!control)
        return {};
    const int n = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

LRESULT CALLBACK ValidateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE)
        return 0; // it goes away when the validation is over
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

void frmMain::SetPanelText(Panel panel, const std::string& text) {
    const int index = panel == Panel::Stato ? 0 : 1;
    SendMessageA(status_, SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text.c_str()));
}

void frmMain::EnableButton(Button button, bool enabled) {
    SendMessageA(toolbar_, TB_ENABLEBUTTON, CommandOf(button),
                 MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void frmMain::ShowButton(Button button, bool visible) {
    SendMessageA(toolbar_, TB_HIDEBUTTON, CommandOf(button), MAKELPARAM(visible ? FALSE : TRUE, 0));
}

void frmMain::EnableTrayOptions(bool enabled) {
    EnableMenuItem(trayMenu_.Get(), IDM_TRAY_OPZIONI,
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void frmMain::EnableCombo(bool enabled) {
    // A disabled control keeps no focus: give it to the window, so keys (Esc) still arrive.
    if (!enabled && GetFocus() == combo_)
        SetFocus(hwnd_);
    EnableWindow(combo_, enabled ? TRUE : FALSE);
}

void frmMain::FocusCombo() {
    if (IsWindowEnabled(combo_))
        SetFocus(combo_);
}

void frmMain::ClearCombo() {
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
}

void frmMain::AddComboItem(const std::string& text) {
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// CB_SETCURSEL sends no CBN_SELCHANGE: selecting by code never loads a reservation.
void frmMain::SelectComboIndex(int index) {
    SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int frmMain::ComboIndex() {
    return static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0));
}

void frmMain::SetComboText(const std::string& text) {
    // A drop-down list shows only its items: the text selects the item that has it.
    const LRESULT i = SendMessageA(combo_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(text.c_str()));
    if (i != CB_ERR)
        SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void frmMain::SetVehicleLabel(int index, const std::string& text) {
    if (index >= 0 && index < 3)
        SetWindowTextA(vehicle_[index], text.c_str());
}

void frmMain::SetOperatorLabel(const std::string& text) {
    SetWindowTextA(operator_, text.c_str());
}

std::string frmMain::OperatorLabel() {
    return TextOf(operator_);
}

void frmMain::SetDeviceLabel(int index, const std::string& text) {
    if (index >= 0 && index < 6)
        SetWindowTextA(device_[index], text.c_str());
}

std::string frmMain::DeviceLabel(int index) {
    return index >= 0 && index < 6 ? TextOf(device_[index]) : std::string();
}

void frmMain::ShowValidateWindow(const std::string& title, const std::string& text) {
    HideValidateWindow();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ValidateProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kValidateWindowClass;
    RegisterClassExA(&wc);

    // frmACCValidate: a small modeless window centred over the main window.
    const DWORD style = WS_POPUP | WS_CAPTION;
    RECT r{0, 0, Px(360), Px(70)};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    validate_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kValidateWindowClass, title.c_str(), style, 0,
                                0, 0, 0, hwnd_, nullptr, instance_, nullptr);
    if (!validate_)
        return;
    CentreOnOwner(validate_, r.right - r.left, r.bottom - r.top);
    HWND label =
        CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                        Px(10), Px(12), Px(340), Px(46), validate_, nullptr, instance_, nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    ShowWindow(validate_, SW_SHOW);
    UpdateWindow(validate_);
}

void frmMain::HideValidateWindow() {
    if (validate_ && IsWindow(validate_))
        DestroyWindow(validate_);
    validate_ = nullptr;
}

void frmMain::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    tiMain.HideIcon();
    HideValidateWindow();
    KillTimer(hwnd_, kClockTimerId);
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    DestroyWindow(hwnd_);
    // The hidden application window goes with the program.
    if (owner)
        DestroyWindow(owner);
    PostQuitMessage(0);
}

} // namespace heliotab
