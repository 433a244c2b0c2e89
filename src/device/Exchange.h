// InterrogaFAR: the meaning of the tester's frames.
#pragma once

#include "shared/Station.h"

namespace heliotab {

// Handles s.state.sRxFrame (STX .. checksum, no ETX) and empties it.
void InterrogaFAR(Station& s);

}  // namespace heliotab
