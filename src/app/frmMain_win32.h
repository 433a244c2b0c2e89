// frmMain as a Win32 window: the controls, their layout, the tray icon and
// the dispatch of window events to the portable handlers (app/frmMain.h and
// the subsystems). It is also the core's MainView over those controls.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win32/clsSideLogo_win32.h"
#include "app/ctlTrayIcon_win32.h"
#include "win32/ScopedWin_win32.h"
#include "shared/Station.h"

namespace heliotab {

class Win32SerialPort;

inline constexpr const char* kMainWindowClass = "HELIOTAB_frmMain";
inline constexpr const char* kPanelClass = "HELIOTAB_Panel";
inline constexpr const char* kValidateWindowClass = "HELIOTAB_frmACCValidate";

// Messages of the main window (WM_APP + 4 is RelabelTray's).
inline constexpr UINT kMsgTray = WM_APP + 1;             // lParam: the tray mouse message
inline constexpr UINT kMsgSerialData = WM_APP + 2;       // wParam: the open's generation
inline constexpr UINT kMsgSerialDisconnect = WM_APP + 3; // wParam: the open's generation

class frmMain : public MainView {
public:
    frmMain() = default;
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Creates the window (hidden) and its controls, owned by owner.
    bool Create(HINSTANCE instance, HWND owner);
    void Attach(Station& station) { station_ = &station; }
    HWND Handle() const { return hwnd_; }
    bool Unloaded() const { return unloaded_; }
    HMENU TrayMenu() const { return trayMenu_.Get(); }
    const ctlTrayIcon& TrayIcon() const { return tiMain; }

    // Start-up steps that are window code.
    void ConfigureSideLogo();
    void ShowTrayIcon();
    void ApplyLanguage();
    void CentreOnScreen();
    void ShowNow(Pump& pump);
    void ApplyMaximizedLayout();

    // Message-loop filter: Esc anywhere in the window. True: consumed.
    bool PreTranslate(MSG& msg);

    // The dialogs opened from the toolbar and the tray; until they are set
    // the two commands do nothing.
    std::function<void(HWND owner)> showOptionsDialog;
    std::function<void(HWND owner)> showAboutBox;

    // The port whose reader posts kMsgSerialData and kMsgSerialDisconnect here.
    Win32SerialPort* serialPort = nullptr;

    void OnTrayVisualizza();
    void OnTrayOpzioni();
    void OnTrayInfo();
    void OnTrayChiudi();

    // MainView
    void SetPanelText(Panel panel, const std::string& text) override;
    void EnableButton(Button button, bool enabled) override;
    void ShowButton(Button button, bool visible) override;
    void EnableTrayOptions(bool enabled) override;
    void EnableCombo(bool enabled) override;
    void FocusCombo() override;
    void ClearCombo() override;
    void AddComboItem(const std::string& text) override;
    void SelectComboIndex(int index) override;
    int ComboIndex() override;
    void SetComboText(const std::string& text) override;
    void SetVehicleLabel(int index, const std::string& text) override;
    void SetOperatorLabel(const std::string& text) override;
    std::string OperatorLabel() override;
    void SetDeviceLabel(int index, const std::string& text) override;
    std::string DeviceLabel(int index) override;
    void ShowValidateWindow(const std::string& title, const std::string& text) override;
    void HideValidateWindow() override;
    void Unload() override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR ref);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    int Px(int designPixels) const;
    HWND AddControl(DWORD exStyle, const char* cls, DWORD style, int id, int x, int y, int w, int h,
                    HWND parent = nullptr);
    void CreateControls();
    void CreateToolbar();
    void CreateFrames();
    void CreateTrayMenu();
    void LayoutPanel();
    void LayoutContent();
    void LayoutStatusBar();
    void CentreMaximizedLayout();
    void UpdateClockPanels();
    void RelabelTray();

    void OnCommand(int id, int code, HWND from);
    LRESULT OnNotify(NMHDR* hdr);
    void OnTrayNotify(UINT trayMessage);
    void ShowTrayMenu();
    void OnPaint();
    void DrawLogo(const DRAWITEMSTRUCT& dis);
    void DrawValue(const DRAWITEMSTRUCT& dis);
    bool CommandAvailable(int commandId) const;
    // Runs a close path once at a time (Esc, Esci, tray, system close).
    void GuardedClose(const std::function<void()>& close);

    Station& S() { return *station_; }

    // The date and time panels' own timer, apart from the core's ids 1-4.
    static constexpr UINT_PTR kClockTimerId = 100;

    Station* station_ = nullptr;
    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND logo_ = nullptr, rebar_ = nullptr, toolbar_ = nullptr, panel_ = nullptr;
    HWND lblRevisione_ = nullptr, combo_ = nullptr, status_ = nullptr, tooltip_ = nullptr;
    HWND validate_ = nullptr;
    HWND vehicle_[3] = {}, operator_ = nullptr, device_[6] = {};
    ScopedMenu trayMenu_;
    ScopedFont font_, boldFont_;
    ScopedImageList images_, hotImages_;
    ScopedBrush valueBrush_;
    UINT taskbarCreated_ = 0;
    int dpi_ = 96;

    clsSideLogo logo;
    ctlTrayIcon tiMain;

    // Designed client area of the content (without the status bar).
    int designW_ = 0, designH_ = 0, rebarH_ = 0, statusH_ = 0;
    // The maximized layout: the designed client size W0 x H0 (H0 with the
    // status bar and 4 pixels more), the shift of the content and the status
    // bar's designed place, all in pixels.
    int w0_ = 0, h0_ = 0, dx_ = 0, dy_ = 0;
    RECT statusRect_{};
    bool maximizedLayout_ = false;
    struct Placed {
        HWND hwnd;
        RECT rect;
    };
    std::vector<Placed> placed_;

    std::map<int, std::string> toolbarTips_;
    std::wstring wideTip_;
    std::string clockDate_, clockTime_;
    bool unloaded_ = false;
    bool closing_ = false;
};

} // namespace heliotab
