#include "app/ctlTrayIcon_win32.h"

#include <shellapi.h>

#include <cstring>

namespace heliotab {

ctlTrayIcon::~ctlTrayIcon() {
    HideIcon();
}

void ctlTrayIcon::Attach(HWND window, UINT callbackMessage) {
    window_ = window;
    callbackMessage_ = callbackMessage;
}

NOTIFYICONDATAA ctlTrayIcon::Record(UINT flags) const {
    NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = window_;
    nid.uID = 1;
    nid.uFlags = flags;
    if (flags & NIF_MESSAGE)
        nid.uCallbackMessage = callbackMessage_;
    if (flags & NIF_ICON)
        nid.hIcon = icon_;
    if (flags & NIF_TIP) {
        const std::string tip = RecordTip(sTipText_);
        std::memcpy(nid.szTip, tip.data(), tip.size());
        nid.szTip[tip.size()] = '\0';
    }
    return nid;
}

std::string ctlTrayIcon::RecordTip(const std::string& text) {
    // The first record layout holds 64 characters: 63 and the NUL.
    return text.substr(0, 63);
}

void ctlTrayIcon::SetIcon(HICON icon) {
    icon_ = icon;
    NOTIFYICONDATAA nid = Record(NIF_ICON);
    if (shown_)
        Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void ctlTrayIcon::SetTipText(const std::string& text) {
    sTipText_ = text;
    NOTIFYICONDATAA nid = Record(NIF_TIP);
    if (shown_)
        Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void ctlTrayIcon::ShowIcon() {
    if (!window_)
        return;
    NOTIFYICONDATAA nid = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    Shell_NotifyIconA(NIM_ADD, &nid); // the result is not looked at
    shown_ = true;
}

void ctlTrayIcon::HideIcon() {
    if (!shown_)
        return;
    NOTIFYICONDATAA nid = Record(0);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    shown_ = false;
}

ctlTrayIcon::Mouse ctlTrayIcon::OnNotify(UINT trayMessage) {
    previous_ = current_;
    current_ = trayMessage;
    switch (trayMessage) {
    case WM_LBUTTONUP:
        if (previous_ == WM_LBUTTONDOWN)
            return {Event::Click, 1};
        break;
    case WM_LBUTTONDBLCLK:
        return {Event::DblClick, 1};
    case WM_RBUTTONUP:
        if (previous_ == WM_RBUTTONDOWN)
            return {Event::Click, 2};
        break;
    case WM_RBUTTONDBLCLK:
        return {Event::DblClick, 2};
    default:
        break;
    }
    return {};
}

} // namespace heliotab
