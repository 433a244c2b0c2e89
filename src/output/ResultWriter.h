// WriteTestResult: the finished test as the reservation's .FAR file.
#pragma once

#include "shared/FarResult.h"
#include "shared/Station.h"

namespace heliotab {

// Returns true when the result file was delivered. Before any message the
// main window's controls show the outcome: idle, or the test armed again
// (stoppable) when the result could not be delivered. A delivered test's
// vehicle and operator stay on show until the messages and the report are
// done.
bool WriteTestResult(Station& s, const FarResult& result);

} // namespace heliotab
