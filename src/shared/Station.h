// Everything one handler of the main window may touch: the program-wide
// state, the platform services and the tester link. The Win32 shell builds one at start-up;
// the unit tests build one from fakes.
#pragma once

#include "shared/AppState.h"
#include "shared/Platform.h"
#include "shared/ReservationPicker.h"

namespace heliotab {

class TesterLink; // the main window's link to the tester (src/device)
class Journal;    // the station's journal (src/journal)

struct Station {
    AppState& state;
    MainView& view;
    Messages& messages;
    Clock& clock;
    Timers& timers;
    Pump& pump;
    SerialPort& port;
    FileSystem& files;
    ReportPrinter& printer;
    TesterLink& link;
    Journal& journal;
    ReservationPicker picker{}; // the main window's list and selection; lives with the station
};

} // namespace heliotab
