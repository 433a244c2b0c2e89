// The main window's two looks. Armed: the test can only be stopped. Idle:
// the list, the demonstration test and the options are open again.
#pragma once

#include "shared/Station.h"

namespace heliotab {

void ShowArmedLook(Station& s);
void EnableIdleControls(Station& s);

} // namespace heliotab
