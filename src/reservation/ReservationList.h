// cboRevisione's list: the current year's reservations in the exchange directory.
#pragma once

#include "shared/Station.h"

namespace heliotab {

// Rebuilds the combo (placeholder 303 and one item per file) and the picker's AccFiles.
void RebuildReservationList(Station& s);

} // namespace heliotab
