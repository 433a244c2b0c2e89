// heliotab.exe: single instance, the main window and the start-up sequence,
// then the message loop until the main window is unloaded.
#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <string>

#include "win32/PlatformAdapters_win32.h"
#include "app/StartupPaths_win32.h"
#include "app/frmMain.h"
#include "app/frmMain_win32.h"
#include "win32/mdlDraw_win32.h"
#include "app/mdlEnumWindows_win32.h"
#include "device/SerialPort_win32.h"
#include "device/TesterLink.h"
#include "dialogs/frmInfo_win32.h"
#include "dialogs/frmOpzioni_win32.h"
#include "journal/Journal.h"
#include "journal/Redeliver.h"
#include "output/ReportPrinter_win32.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "shared/FileSystems.h"

namespace heliotab {

namespace {

// Everything that lives as long as the program, in construction order.
struct Program {
    AppState state;
    frmMain view;
    Win32Messages messages;
    Win32Clock clock;
    Win32Pump pump;
    Win32Timers timers;
    TesterLink link{state};
    Win32ReportPrinter printer;
    Journal journal{DefaultFileSystem(), clock};
    Station* station = nullptr;

    Program() : timers([this](int id) { heliotab::TimerProc(*station, id); }) {}
};

// /REDELIVER N: an archived result sent again, and nothing else: no window,
// no port. It runs beside a running station, which it leaves alone.
// Returns the exit code, or -1 when the switch is not given.
int RedeliverOnly() {
    AppState state;
    state.programDir = ProgramFolder();
    const StartupSwitches sw = ParseCommandLine(state, CommandLineArguments(GetCommandLineA()));
    if (sw.redeliver.empty())
        return -1;
    BindProgramStores(state);
    LoadSettings(state);
    Win32Clock clock;
    Win32Messages messages;
    Journal journal(DefaultFileSystem(), clock);
    journal.Open(state.programDir);
    return RunRedeliver(state, DefaultFileSystem(), journal, messages, sw.redeliver);
}

int RunProgram(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_STANDARD_CLASSES |
                                             ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    Program p;
    p.state.programDir = ProgramFolder();
    const std::string commandLine = CommandLineArguments(GetCommandLineA());
    p.state.commandLine = commandLine;

    HWND appWindow = CreateApplicationWindow(instance);
    if (!appWindow || !p.view.Create(instance, appWindow))
        return 1;
    SetApplicationMainWindow(appWindow, p.view.Handle());

    Win32SerialPort port(p.view.Handle(), kMsgSerialData, kMsgSerialDisconnect);
    const StartupSwitches sw = ParseCommandLine(p.state, commandLine);
    Station station{p.state,   p.view, p.messages, p.clock,
                    p.timers,  p.pump, port,       DefaultFileSystem(),
                    p.printer, p.link, p.journal};
    p.station = &station;
    p.view.Attach(station);
    p.view.serialPort = &port;
    p.messages.Attach(p.view.Handle());
    p.printer.Attach(p.view.Handle());
    p.timers.Attach(p.view.Handle());
    p.pump.preTranslate = [&p](MSG& msg) { return p.view.PreTranslate(msg); };
    p.view.showAboutBox = [&p](HWND owner) { ShowAboutBox(owner, p.state); };
    p.view.showOptionsDialog = [&p, &station](HWND owner) {
        ShowOptionsDialog(owner, station, [&p] {
            SetAlwaysOnTop(p.view.Handle(), p.state.bAlwaysOnTop);
            p.view.ApplyLanguage();
        });
    };

    // Start-up, in order.
    StartupLoadSettings(station);
    StartupJournal(station);
    p.view.ConfigureSideLogo();
    p.view.ShowTrayIcon();
    StartupInitialState(station, sw);
    p.view.ApplyLanguage();
    p.view.CentreOnScreen();
    p.view.ShowNow(p.pump);
    if (!p.view.Unloaded()) {
        if (sw.maximized)
            p.view.ApplyMaximizedLayout();
        SetAlwaysOnTop(p.view.Handle(), p.state.bAlwaysOnTop);
        StartupDeviceSearch(station);
    }

    const int code = p.pump.Run();
    p.timers.Attach(nullptr);
    port.Close();
    return code;
}

} // namespace

} // namespace heliotab

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        if (const int code = heliotab::RedeliverOnly(); code >= 0)
            return code;
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), heliotab::kAppTitle, MB_ICONSTOP);
        return 1;
    }
    // A second copy hands over to the first before it creates a window or reads a file.
    heliotab::SingleInstance single;
    if (!single.Acquire(heliotab::kSingleInstanceMutex))
        return 0;
    try {
        return heliotab::RunProgram(instance);
    } catch (const std::exception& e) {
        MessageBoxA(nullptr, e.what(), heliotab::kAppTitle, MB_ICONSTOP);
        return 1;
    }
}
