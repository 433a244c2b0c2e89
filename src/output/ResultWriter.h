// WriteTestResult: the finished test as the reservation's .FAR file.
#pragma once

#include "shared/Station.h"

namespace heliotab {

// Returns true when the result file was delivered.
bool WriteTestResult(Station& s);

}  // namespace heliotab
