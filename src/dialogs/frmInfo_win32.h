// frmInfo: the about box, modal and owned by the main window.
#pragma once

#include <windows.h>

#include "dialogs/AboutTexts.h"
#include "shared/AppState.h"

namespace heliotab {

// Shows the about box until OK, Enter or Esc.
void ShowAboutBox(HWND owner, AppState& st);

// The version numbers of the running program's version resource
// (major.minor of the file version, the last part as the revision).
ProgramVersion ReadProgramVersion();

} // namespace heliotab
