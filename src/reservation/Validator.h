// ValidateReservation: a reservation file against Accettazione.msk and its vehicle mask.
#pragma once

#include <string>

#include "shared/Station.h"

namespace heliotab {

// vehicleClass: 0 light, 1 heavy, 2 bus. True when every check passed.
bool ValidateReservation(Station& s, const std::string& filePath, int vehicleClass);

} // namespace heliotab
