// farsim: plays the headlight tester on a serial line (see README.md).
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "farsim/Driver.h"
#include "farsim/Log.h"
#include "farsim/Options.h"
#include "farsim/SerialPort.h"
#include "farsim/Simulator.h"

using namespace heliotab::farsim;

namespace {

// A signal handler can only reach a flag of static storage.
volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) {
    g_stop = 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<Options> opt = ParseOptions(args, error);
    if (!opt) {
        std::fprintf(stderr, "farsim: %s\n\n%s", error.c_str(), UsageText());
        return kExitUsage;
    }
    if (opt->help) {
        std::fputs(UsageText(), stdout);
        return kExitDone;
    }
    if (!opt->scenarioPath.empty()) {
        std::ifstream in(opt->scenarioPath, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "farsim: cannot read %s\n", opt->scenarioPath.c_str());
            return kExitUsage;
        }
        std::ostringstream text;
        text << in.rdbuf();
        auto steps = ParseScenario(text.str(), error);
        if (!steps) {
            std::fprintf(stderr, "farsim: %s: %s\n", opt->scenarioPath.c_str(), error.c_str());
            return kExitUsage;
        }
        opt->sim.scenario = std::move(*steps);
    }

    LogWriter log;
    if (!opt->logPath.empty() && !log.OpenFile(opt->logPath)) {
        std::fprintf(stderr, "farsim: cannot create %s\n", opt->logPath.c_str());
        return kExitUsage;
    }
    log.AlsoToStderr(opt->logStderr);

    std::unique_ptr<SerialPort> port = opt->ptyLink.empty() ? OpenSerialDevice(opt->device, error)
                                                            : CreatePtyLink(opt->ptyLink, error);
    if (!port) {
        std::fprintf(stderr, "farsim: %s\n", error.c_str());
        return kExitUsage;
    }
    // Tests wait for this line before they start the program on the other end.
    std::printf("%s\n", port->Name().c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    RunLimits limits;
    limits.timeLimitMs = opt->timeoutS * 1000.0;
    limits.goalPending = opt->sim.scenario.has_value() || opt->sim.exitAfterTests > 0;
    limits.logStats = opt->stats;
    Simulator sim(opt->sim);
    const int code = RunOnLine(sim, *port, log, limits, g_stop);
    if (opt->stats)
        std::printf("%s\n", log.Stats().Summary().c_str());
    return code;
}
