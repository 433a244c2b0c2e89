// Choosing a reservation in cboRevisione: pre-checks, validation, arming.
#pragma once

#include "shared/Station.h"

namespace heliotab {

// Click on the combo (a new item selected by mouse or keyboard).
void OnComboClick(Station& s);
// KeyDown: returns the key code to pass on to the combo box.
int OnComboKeyDown(Station& s, int virtualKey);
// KeyUp (any key).
void OnComboKeyUp(Station& s);

}  // namespace heliotab
