// Runs the simulator on a real line with the real clock.
#pragma once

#include <csignal>

#include "farsim/Log.h"
#include "farsim/SerialPort.h"
#include "farsim/Simulator.h"

namespace heliotab::farsim {

// Exit codes of the program.
constexpr int kExitDone = 0;
constexpr int kExitExpectFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTimeLimit = 3;

struct RunLimits {
    double timeLimitMs = 0; // 0: none
    // Whether reaching the time limit means the work was left unfinished.
    bool goalPending = false;
    bool logStats = false; // end the log with the ETX -> ACK summary
};

// Feeds the line's bytes and the clock to the simulator and carries out its
// effects until it finishes, `stop` is set (a signal) or the limit is reached.
// Returns the exit code.
int RunOnLine(Simulator& sim, SerialPort& port, LogWriter& log, const RunLimits& limits,
              const volatile std::sig_atomic_t& stop);

} // namespace heliotab::farsim
