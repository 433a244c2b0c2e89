// The simulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "farsim/Simulator.h"

namespace heliotab::farsim {

struct Options {
    SimConfig sim;
    std::string device;       // --device PATH or the one free argument
    std::string ptyLink;      // --pty-link PATH
    std::string scenarioPath; // --scenario FILE (loaded by main)
    std::string logPath;      // --log FILE
    bool logStderr = false;
    bool stats = false;
    int timeoutS = 0; // 0: no limit
    bool help = false;
};

// Parses the arguments after the program name. On error returns nullopt
// with `error` naming the offending argument.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
const char* UsageText();

} // namespace heliotab::farsim
