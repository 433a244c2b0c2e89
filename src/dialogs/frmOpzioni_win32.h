// frmOpzioni, the options dialog: modal, owned by the main window.
#pragma once

#include <windows.h>

#include <functional>

#include "shared/Station.h"

namespace heliotab {

// Messages of the dialog's own serial port (the scan's comDummy).
inline constexpr UINT kMsgScanData = WM_APP + 2;
inline constexpr UINT kMsgScanDisconnect = WM_APP + 3;

// Shows the dialog until it is confirmed or cancelled; true when confirmed.
// applyToMainWindow brings the main window's topmost state and captions up
// to date (confirming, steps 6 and 7).
bool ShowOptionsDialog(HWND owner, Station& s, const std::function<void()>& applyToMainWindow);

} // namespace heliotab
