// heliocheck: the station's checks of reservation files, from the command
// line, for the booking software's developers and for support.
#pragma once

#include <string>
#include <vector>

#include "shared/Platform.h"

namespace heliotab::heliocheck {

enum : int { kExitAccepted = 0, kExitRefused = 1, kExitUsage = 2 };

const char* UsageText();

// Runs heliocheck on its arguments (without the program name). programDir:
// the masks' folder unless --masks names one; now: the day the dates are
// checked against. Writes the report to out and usage errors to err.
int Run(const std::vector<std::string>& args, const std::string& programDir, const LocalTime& now,
        std::string& out, std::string& err);

} // namespace heliotab::heliocheck
