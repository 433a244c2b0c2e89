// InterrogaFAR: the meaning of the tester's frames.
#pragma once

#include <string>

#include "shared/Station.h"

namespace heliotab {

// Handles s.state.sRxFrame (STX .. checksum, no ETX) and empties it.
void InterrogaFAR(Station& s);

// The tester has gone (it signed off, or its line dropped): the window and
// the flags go back to searching and timer 1 restarts.
void ResetToSearching(Station& s);

// The identity label's form of an expiry date ("00/00/0000" picture):
// 05122026 gives 05/12/2026; text that is not a whole number stays as it is.
std::string ExpiryDatePicture(const std::string& text);

}  // namespace heliotab
