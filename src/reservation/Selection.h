// Choosing a reservation in cboRevisione: pre-checks, validation, arming.
#pragma once

#include <string_view>

#include "reservation/Refusal.h"
#include "shared/Station.h"

namespace heliotab {

// Click on the combo (a new item selected by mouse or keyboard).
void OnComboClick(Station& s);
// KeyDown: returns the key code to pass on to the combo box.
int OnComboKeyDown(Station& s, int virtualKey);
// KeyUp (any key).
void OnComboKeyUp(Station& s);

// The checks of the selection before the masks are applied: protocol
// identification, acceptance, inspection and booking dates against today,
// then the vehicle class. Returns the class, or -1 to reject; why, when
// given, is then set to the first failed check (its file left empty).
int ReservationPreCheck(std::string_view contents, const LocalTime& today, Refusal* why = nullptr);

} // namespace heliotab
