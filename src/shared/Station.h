// Everything one handler of the main window may touch: the program-wide
// state and the platform services. The Win32 shell builds one at start-up;
// the unit tests build one from fakes.
#pragma once

#include "shared/AppState.h"
#include "shared/Platform.h"

namespace heliotab {

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
};

}  // namespace heliotab
