// What the tester link and the port scan ask of their owners, as small
// typed values: the state machines decide, the window carries out (the
// port, the controls, the message boxes, the timers, the result file). Texts
// travel as language ids; the window looks them up.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

#include "shared/FarResult.h"
#include "shared/Platform.h"

namespace heliotab {

// The controls the link enables and disables.
enum class LinkControl { Test, Ferma, Opzioni, Combo, TrayOptions };

// What the owner tells the link once a message box has been answered.
enum class LinkReply { None, BadFramesRead, RetryOpen };

// A control byte, sent while the port is open.
struct Send {
    uint8_t byte = 0;
    bool operator==(const Send&) const = default;
};
// The owner opens the port and answers with PortOpened().
struct OpenPort {
    int port = 0;
    bool operator==(const OpenPort&) const = default;
};
struct ClosePort {
    bool operator==(const ClosePort&) const = default;
};
struct StartTimer {
    int id = 0;
    int ms = 0;
    bool operator==(const StartTimer&) const = default;
};
struct StopTimer {
    int id = 0;
    bool operator==(const StopTimer&) const = default;
};
// A status panel: the text of textId (none when 0) followed by argument.
struct SetPanel {
    Panel panel = Panel::Stato;
    int textId = 0;
    std::string argument;
    bool operator==(const SetPanel&) const = default;
};
// The identity labels lblDatiApp(0..5), as received (expiry date in its picture).
struct ShowIdentity {
    std::array<std::string, 6> labels;
    bool operator==(const ShowIdentity&) const = default;
};
// The vehicle and operator labels emptied.
struct ClearVehicle {
    bool operator==(const ClearVehicle&) const = default;
};
struct SetComboText {
    int textId = 0;
    bool operator==(const SetComboText&) const = default;
};
struct Enable {
    LinkControl control = LinkControl::Test;
    bool on = false;
    bool operator==(const Enable&) const = default;
};
struct FocusCombo {
    bool operator==(const FocusCombo&) const = default;
};
// A message box; reply says what its answer goes back to the link as.
struct ShowMessage {
    int textId = 0;
    int titleId = 0;
    int style = 0;
    LinkReply reply = LinkReply::None;
    bool operator==(const ShowMessage&) const = default;
};
// A finished test for the result file.
struct Deliver {
    FarResult result;
    bool operator==(const Deliver&) const = default;
};

using LinkAction =
    std::variant<Send, OpenPort, ClosePort, StartTimer, StopTimer, SetPanel, ShowIdentity,
                 ClearVehicle, SetComboText, Enable, FocusCombo, ShowMessage, Deliver>;
using LinkActions = std::vector<LinkAction>;

// The port scan's: the port label (textId, then argument), the dialog's
// controls while a scan runs, and the confirm button.
struct SetPortLabel {
    int textId = 0;
    std::string argument;
    bool operator==(const SetPortLabel&) const = default;
};
struct EnableScanControls {
    bool on = false;
    bool operator==(const EnableScanControls&) const = default;
};
struct EnableConfirm {
    bool on = false;
    bool operator==(const EnableConfirm&) const = default;
};

using ScanAction = std::variant<Send, OpenPort, ClosePort, StartTimer, StopTimer, SetPortLabel,
                                EnableScanControls, EnableConfirm>;
using ScanActions = std::vector<ScanAction>;

// Readable forms, for test failures.
std::ostream& operator<<(std::ostream& os, const Send& a);
std::ostream& operator<<(std::ostream& os, const OpenPort& a);
std::ostream& operator<<(std::ostream& os, const ClosePort& a);
std::ostream& operator<<(std::ostream& os, const StartTimer& a);
std::ostream& operator<<(std::ostream& os, const StopTimer& a);
std::ostream& operator<<(std::ostream& os, const SetPanel& a);
std::ostream& operator<<(std::ostream& os, const ShowIdentity& a);
std::ostream& operator<<(std::ostream& os, const ClearVehicle& a);
std::ostream& operator<<(std::ostream& os, const SetComboText& a);
std::ostream& operator<<(std::ostream& os, const Enable& a);
std::ostream& operator<<(std::ostream& os, const FocusCombo& a);
std::ostream& operator<<(std::ostream& os, const ShowMessage& a);
std::ostream& operator<<(std::ostream& os, const Deliver& a);
std::ostream& operator<<(std::ostream& os, const SetPortLabel& a);
std::ostream& operator<<(std::ostream& os, const EnableScanControls& a);
std::ostream& operator<<(std::ostream& os, const EnableConfirm& a);
std::ostream& operator<<(std::ostream& os, const LinkAction& a);
std::ostream& operator<<(std::ostream& os, const ScanAction& a);

} // namespace heliotab
