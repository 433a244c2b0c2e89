// ctlTrayIcon: the program's icon in the notification area (Shell_NotifyIconA,
// icon id 1, the first record layout). The notifications arrive at the
// owning window as callbackMessage with the tray mouse message in lParam;
// the window hands them to OnNotify, which turns them into clicks.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace heliotab {

class ctlTrayIcon {
public:
    ctlTrayIcon() = default;
    ~ctlTrayIcon();
    ctlTrayIcon(const ctlTrayIcon&) = delete;
    ctlTrayIcon& operator=(const ctlTrayIcon&) = delete;

    void Attach(HWND window, UINT callbackMessage);

    HICON Icon() const { return icon_; }
    void SetIcon(HICON icon);
    const std::string& TipText() const { return sTipText_; }
    void SetTipText(const std::string& text);

    // The tip as the record carries it: at most 63 characters.
    static std::string RecordTip(const std::string& text);

    void ShowIcon();
    void HideIcon();
    bool Shown() const { return shown_; }

    enum class Event { None, Click, DblClick };
    struct Mouse {
        Event event = Event::None;
        int button = 0; // 1 left, 2 right
    };
    // A tray mouse message (WM_LBUTTONDOWN ...): a click is a button-up right
    // after its button-down, so pressing, moving and releasing is no click.
    Mouse OnNotify(UINT trayMessage);

private:
    NOTIFYICONDATAA Record(UINT flags) const;
    HWND window_ = nullptr;
    UINT callbackMessage_ = 0;
    HICON icon_ = nullptr;
    std::string sTipText_;
    UINT previous_ = 0;
    UINT current_ = 0;
    bool shown_ = false;
};

} // namespace heliotab
