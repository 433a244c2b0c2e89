// ValidateReservation: a reservation file against Accettazione.msk and its vehicle mask.
#pragma once

#include <string>
#include <vector>

#include "reservation/Refusal.h"
#include "shared/Station.h"

namespace heliotab {

// vehicleClass: 0 light, 1 heavy, 2 bus. True when every check passed.
// refusals, when given, receives every failed check of the run in order.
bool ValidateReservation(Station& s, const std::string& filePath, int vehicleClass,
                         std::vector<Refusal>* refusals = nullptr);

// The same without a station: the masks are read from st.programDir and the
// messages are in st's language.
bool ValidateReservation(AppState& st, FileSystem& files, Messages& messages,
                         const std::string& filePath, int vehicleClass,
                         std::vector<Refusal>* refusals = nullptr);

} // namespace heliotab
