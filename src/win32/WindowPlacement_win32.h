// Where a dialog opens.
#pragma once

#include <windows.h>

namespace heliotab {

// Gives the window this outer size, centred on its owner; centred on the
// screen when it has no owner or the owner is hidden or minimized (a
// minimized window lies near (-32000, -32000): a box centred there would be
// out of sight with its owner disabled behind it).
void CentreOnOwner(HWND window, int width, int height);

} // namespace heliotab
