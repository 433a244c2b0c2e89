// Program-wide state: the settings in memory, the stores, the flags and the
// accepted reservation.
// One instance lives as long as the program; tests make their own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "profile/clsIniFiles.h"

namespace heliotab {

struct AppState {
    // Where the program lives: the folder of heliotab.exe (no trailing '\'
    // unless it is a drive root) and the command line after the program name.
    std::string programDir;
    std::string commandLine;

    // Settings in memory (read once at start-up).
    std::string sLanguage = "Italiano";
    bool bAlwaysOnTop = false;
    bool bCloseAfterTest = false;
    bool bCloseWithEsc = true;
    bool bPrintReport = false;
    int iSerialPort = 0; // 16-bit in the settings file; 0 = none
    std::string AccDirectory;

    clsIniFiles SettingsIni;
    clsIniFiles LanguageIni;
    std::vector<std::string> CommandSwitches;

    // Flags.
    bool bTestArmed = false;
    bool bClosePending = false;
    bool bQuitQuery = false;
    bool bDeviceOnline = false;
    bool bDeviceSearch = false;

    // The accepted reservation.
    std::string SelectedAccFile;
    clsIniFiles ReservationIni;
};

} // namespace heliotab
