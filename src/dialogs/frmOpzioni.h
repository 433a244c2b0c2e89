// frmOpzioni's behaviour, free of window code: what the dialog shows when it
// opens, and what confirming changes. The Win32 dialog
// (frmOpzioni_win32.cpp) owns the controls and calls these.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/PortScan.h"
#include "settings/LanguageIds.h"
#include "shared/Station.h"

namespace heliotab {

// Language ids of the dialog's own texts and of its failure messages.
namespace options_text {
enum : int {
    kLogoCaption = kTextOptionsLogo,
    kPortLabel = kTextOptionsPortLabel,
    kNoPort = kTextOptionsNoPort,
    kSaveFailedTitle = kTextOptionsSaveFailedTitle,
    kSettingsNotSaved = kTextOptionsSettingsNotSaved,
    kAutostartNotSaved = kTextOptionsAutostartNotSaved,
    kAutostartUnknown = kTextOptionsAutostartUnknown,
};
} // namespace options_text

// Fixed texts of the missing language file (they cannot come from it).
inline constexpr const char* kLanguageMissingText =
    "Language file not found. Program cannot continue.";
inline constexpr const char* kLanguageMissingTitle = "Critical file is missing";

// A registry value as read: there (its text), not there (no key or no
// value), or unreadable (no right to read it, or another failure).
struct RegValue {
    enum class State { Found, Missing, Unreadable };
    State state = State::Missing;
    std::string text;
};

// The registry of a 64-bit Windows has two views: a 32-bit program's
// entries land in the 32-bit one, and start the program all the same.
enum class RegView { Bits64, Bits32 };

// The program's autostart registration (mdlRegAccess on Windows).
class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    virtual RegValue Read(RegView view) = 0;
    virtual bool Write(const std::string& text) = 0; // in the 64-bit view
    virtual bool Delete(RegView view) = 0;           // true when gone, or never there
};

// The autostart text of the running program: its folder, "\", the
// executable's name and ".exe" (a drive root gives two backslashes).
std::string AutostartPath(const std::string& programDir, const std::string& exeName);

// Whether a language section's name may be offered: the settings file must
// give it back exactly as written (no blanks or quotes lost at its ends, no
// control characters).
bool LanguageNameWritable(const std::string& name);

// The dialog's controls as loading leaves them, and as the operator sets them.
struct OptionsChoice {
    bool chkAOT = false;
    // Ticked when either view holds this program's path; empty when that
    // cannot be known: the box is then disabled and the entry left alone.
    std::optional<bool> chkAutoAvvio = false;
    bool chkChiudi = false;
    bool chkEscChiudi = false;
    bool chkStampaReport = false;
    std::vector<std::string> languages; // cboLanguage, in file order
    int languageIndex = -1;             // selected entry, -1 none
};

struct OptionsLoad {
    OptionsChoice choice;
    std::string portLabel; // lblComPort
};

// Loading steps 2 to 6. Tells the operator when the autostart entry cannot
// be read, and when the language file has no section. Writes nothing.
OptionsLoad LoadOptions(Station& s, AutostartEntry& autostart, const std::string& autostartPath);

// Confirming, steps 1 to 8: settings in memory and in HELIOTAB.ini,
// "Porta Seriale" only when the scan found a port, the status panels, the
// autostart entry where it differs from the box (written in the 64-bit
// view, deleted from both), then applyToMainWindow (topmost state and captions of
// the main window) and the reservation list back to its placeholder. What
// could not be saved is told to the operator; what was applied stays.
void ConfirmOptions(Station& s, const OptionsChoice& choice, int iScanPort,
                    AutostartEntry& autostart, const std::string& autostartPath,
                    const std::function<void()>& applyToMainWindow);

// The dialog's controls as the port scan sets them.
class ScanView {
public:
    virtual ~ScanView() = default;
    virtual void SetPortLabel(const std::string& text) = 0; // lblComPort
    // cmdScansione, cmdAnnulla, the five check boxes, cboLanguage and the
    // hourglass pointer (shown while disabled).
    virtual void EnableScanControls(bool enabled) = 0;
    virtual void EnableConfirm(bool enabled) = 0; // cmdConferma
};

// What the scan works with: itself (an opened port goes back to it), the
// dialog's own port (comDummy) and timer, its controls.
struct ScanSide {
    AppState& state;
    PortScan& scan;
    SerialPort& port;
    Timers& timers;
    ScanView& view;
};

// Carries out the scan's actions in order, texts looked up by their ids.
void CarryOutScan(ScanSide& side, const ScanActions& actions);

} // namespace heliotab
