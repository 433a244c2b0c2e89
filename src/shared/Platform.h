// The small interfaces through which the portable core reaches the world.
// Each has a Win32 implementation (src/*/..._win32.cpp) and a fake for the
// unit tests (tests/unit/fakes). The core never includes <windows.h>.
//
// All texts are 8-bit strings in the Windows ANSI code page (1252), exactly
// as they stand in the INI files and on the serial line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace heliotab {

// Local wall-clock time of the workstation.
struct LocalTime {
    int year = 2000; // four digits
    int month = 1;   // 1-12
    int day = 1;     // 1-31
    int hour = 0;    // 0-23
    int minute = 0;
    int second = 0;
    int millisecond = 0; // 0-999
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

// Timer ids on the main window. 1 and 2 are the two application timers;
// the others carry the link's own short waits, so that no handler ever
// sits in a nested wait while the tester talks to us.
enum TimerId : int {
    kTimerPoll = 1,     // device connection poll, 1000 ms
    kTimerClose = 2,    // deferred close after a test, 100 ms
    kTimerNakDelay = 3, // the 0.5 s before a NAK
    kTimerPollStep = 4, // the two 0.5 s steps of PollDevice
    kTimerJournal = 5,  // the journal's write after serial events, 200 ms
};

// One-shot or periodic, the core always stops a timer in its handler before
// doing anything else, so a platform timer that repeats is fine.
class Timers {
public:
    virtual ~Timers() = default;
    virtual void StartTimer(int id, int intervalMs) = 0; // replaces a running one
    virtual void StopTimer(int id) = 0;
};

// Message-box styles and answers, as MessageBoxA knows them.
enum : int {
    kStyleStop = 16,
    kStyleQuestion = 36, // question icon, Yes and No
    kStyleExclamation = 48,
    kStyleInformation = 64,
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// Modal message box owned by the main window. While it is open the platform
// keeps dispatching serial input and timers, so callers show a message only
// when their own state is complete.
class Messages {
public:
    virtual ~Messages() = default;
    virtual int ShowMessage(const std::string& text, const std::string& title, int style) = 0;
};

// Lets pending window messages run. Used where the program must stay
// responsive inside one handler (the output drain on close).
class Pump {
public:
    virtual ~Pump() = default;
    virtual void DoEvents() = 0;
    // Waits up to maxMs while pumping; returns early (true) once done() holds.
    virtual bool WaitUntil(const std::function<bool()>& done, int maxMs) = 0;
};

// The tester's serial line: 9600 8N1, no flow control, 1024/512 buffers.
// Received bytes reach the core through Station's receive entry point on the
// UI thread; this interface is only the sending and control side.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool Open(int portNumber) = 0; // COM1 is 1; false when it cannot be opened
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Send(uint8_t byte) = 0;
    virtual int OutBufferCount() = 0; // bytes not yet sent
};

enum class FileStatus {
    Ok,
    NotFound, // file or path does not exist
    Access,   // exists but cannot be accessed as asked (read-only, a folder, in use)
    Other,    // disk full and anything else
};

// File services of the exchange directory and the program folder.
// Paths are Windows paths as the program builds them ("C:\MCTC\DIR_FAR\x.ACC");
// the native implementation maps '\' to '/'.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Bare names of the ordinary files matching dir + pattern ("26*.ACC"),
    // in listing order; hidden and system files are left out; a missing
    // directory gives an empty list.
    virtual std::vector<std::string> ListFiles(const std::string& directory,
                                               const std::string& pattern) = 0;
    virtual bool FileExists(const std::string& path) = 0; // an ordinary file, not a folder
    virtual FileStatus ReadAll(const std::string& path, std::string& contents) = 0;
    virtual FileStatus Delete(const std::string& path) = 0;
    // Creates path (or truncates an existing one), writes bytes and flushes
    // them to disk; a failed write leaves no file behind.
    virtual FileStatus WriteNew(const std::string& path, const std::string& bytes) = 0;
    // Copies src to dst (a new file, replacing none) and flushes it to disk.
    virtual FileStatus CopyAndFlush(const std::string& src, const std::string& dst) = 0;
    // Renames src onto dst, replacing dst, atomically where the platform allows.
    virtual FileStatus Replace(const std::string& src, const std::string& dst) = 0;
    // Adds bytes at the end of path, creating it when missing. Not flushed:
    // the journal is written often and must never wait for the disk.
    virtual FileStatus Append(const std::string& path, const std::string& bytes) = 0;
    // The archive's folders: one level created (Ok when it is there already),
    // the bare names of the subfolders of directory, an empty folder removed.
    virtual FileStatus CreateFolder(const std::string& path) = 0;
    virtual std::vector<std::string> ListFolders(const std::string& directory) = 0;
    virtual FileStatus RemoveFolder(const std::string& path) = 0;
};

// How the print dialog was answered.
enum class PrintChoice {
    Confirmed, // OK: the chosen printer is now the current one
    Cancelled, // the operator closed it
    Failed,    // it could not be shown (no usable printer, out of memory)
};

struct ReportLayout;

// The system's printers as the report needs them. The current printer is
// program-wide: the one chosen in the last confirmed dialog, at first the
// system's default printer.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;
    virtual bool PrinterInstalled() = 0;
    // The print dialog, modal and owned by the main window.
    virtual PrintChoice ShowPrinter() = 0;
    // Now, as the system writes it: short date, a blank, long time.
    virtual std::string DateTimeText() = 0;
    // One print job on the current printer; false when it could not be printed.
    virtual bool Print(const std::string& jobTitle, const ReportLayout& layout) = 0;
};

// Keys of the toolbar buttons and status-bar panels.
enum class Button { Test, Ferma, Opzioni, Info, Esci };
enum class Panel { Stato, PortaCOM };

// The main window's controls that the core reads and changes.
class MainView {
public:
    virtual ~MainView() = default;

    virtual void SetPanelText(Panel panel, const std::string& text) = 0;
    virtual void EnableButton(Button button, bool enabled) = 0;
    virtual void ShowButton(Button button, bool visible) = 0;
    virtual void EnableTrayOptions(bool enabled) = 0; // mnuTrayOpzioni

    // cboRevisione. Selecting an index by code does not raise the click.
    virtual void EnableCombo(bool enabled) = 0;
    virtual void FocusCombo() = 0;
    virtual void ClearCombo() = 0;
    virtual void AddComboItem(const std::string& text) = 0;
    virtual void SelectComboIndex(int index) = 0;
    virtual int ComboIndex() = 0;
    virtual void SetComboText(const std::string& text) = 0;

    // lblDatiVeicolo(0..2), lblDatiOperatore, lblDatiApp(0..5).
    virtual void SetVehicleLabel(int index, const std::string& text) = 0;
    virtual void SetOperatorLabel(const std::string& text) = 0;
    virtual std::string OperatorLabel() = 0;
    virtual void SetDeviceLabel(int index, const std::string& text) = 0;
    virtual std::string DeviceLabel(int index) = 0;

    // frmACCValidate, the wait window around a validation.
    virtual void ShowValidateWindow(const std::string& title, const std::string& text) = 0;
    virtual void HideValidateWindow() = 0;

    // Destroys the main window after QueryUnload has agreed; the program ends.
    virtual void Unload() = 0;
};

} // namespace heliotab
