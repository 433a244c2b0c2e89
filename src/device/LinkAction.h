// What the tester link asks of its owner, the main window, in order: the
// link decides, the main window carries out (the port, the controls, the
// message boxes, the timers, the result file).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shared/FarResult.h"
#include "shared/Platform.h"

namespace heliotab {

// The controls the link enables and disables.
enum class LinkControl { Test, Ferma, Opzioni, Combo, TrayOptions };

// What the owner tells the link once a message box has been answered.
enum class LinkReply { None, BadFramesRead, RetryOpen };

struct LinkAction {
    enum class Kind {
        Send,     // number: a control character, sent while the port is open
        OpenPort, // number: the port; the owner answers with PortOpened()
        ClosePort,
        StartTimer,       // number: timer id, ms
        StopTimer,        // number: timer id
        SetPanel,         // panel, text
        SetDeviceLabel,   // number: lblDatiApp index, text
        SetVehicleLabel,  // number: lblDatiVeicolo index, text
        SetOperatorLabel, // text
        SetComboText,     // text
        Enable,           // control, on
        FocusCombo,
        ShowMessage, // text, title, number: style; reply: what the answer goes back as
        Deliver,     // result: a finished test for the result file
    };
    Kind kind = Kind::Send;
    int number = 0;
    int ms = 0;
    Panel panel = Panel::Stato;
    LinkControl control = LinkControl::Test;
    bool on = false;
    std::string text, title;
    LinkReply reply = LinkReply::None;
    std::shared_ptr<const FarResult> result;
};

using LinkActions = std::vector<LinkAction>;

} // namespace heliotab
