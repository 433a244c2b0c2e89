// The main window's behaviour, free of window code: start-up, the toolbar
// commands, the timers, the stop question and the close path. The Win32
// shell (frmMain_win32.cpp) owns the controls and calls these handlers.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "device/LinkAction.h"
#include "shared/Station.h"

namespace heliotab {

// Single-instance check result and switches are the shell's; this runs the
// start-up steps that are not window code, in order, up to the device
// search. Returns whether the MAXIMIZED switch was given.
struct StartupSwitches {
    bool test = false;
    bool maximized = false;
    std::string redeliver; // /REDELIVER N: the result number
};
StartupSwitches ParseCommandLine(AppState& st, const std::string& commandLine);

// Steps 3-8: flags, stores, settings, language, exchange directory.
void StartupLoadSettings(Station& s);
// The journal opened in the program folder, its START line, and the archive
// pruned to its retention.
void StartupJournal(Station& s);
// Steps 11-13, 15: reservation list, initial toolbar state, the TEST switch.
void StartupInitialState(Station& s, const StartupSwitches& sw);
// Steps 21-22: flags and the device search.
void StartupDeviceSearch(Station& s);

// A click or key on the reservation list (handler: OnComboClick or
// OnComboKeyDown), journalled: the reservation chosen and whether it armed.
void ChooseReservation(Station& s, const std::function<void()>& handler);

void OnToolbarButton(Station& s, Button button); // Test, Ferma (Opzioni, Info: shell)
bool StopTest(Station& s);
void CloseMainWindow(Station& s);
// Esc: returns true when the key was consumed.
bool OnKeyPressEsc(Station& s);
// Returns false to cancel the close.
bool QueryUnload(Station& s);

// The one timer callback: ids 1 and 2, and the link's own.
void TimerProc(Station& s, int timerId);

// The serial line's events: each complete frame goes to the link's
// InterrogaFAR; after every event the close timer starts when a close is
// pending.
void OnSerialBytes(Station& s, std::string_view bytes);
void OnSerialDisconnect(Station& s);
// The options dialog takes the port while it is open; the search starts
// again when it has closed. The about box only pauses the search.
void OptionsDialogOpening(Station& s);
void OptionsDialogClosed(Station& s);
void InfoBoxOpening(Station& s);
void InfoBoxClosed(Station& s);

// Carries out what the link asks, in order; a message's answer and an
// opened port go back to the link, a finished result to WriteTestResult.
void CarryOut(Station& s, const LinkActions& actions);

} // namespace heliotab
