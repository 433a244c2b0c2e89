// clsCommonDialog: the system's print dialog, pre-filled from the program's
// current printer, which becomes the printer chosen there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "output/PrintDialogValues.h"

namespace heliotab {

// Installed printers' names, in the system's order.
std::vector<std::string> InstalledPrinters();
// The printer the current one stands for: its name, or the default printer's.
std::string CurrentPrinterName(const CurrentPrinter& current);

class clsCommonDialog {
public:
    PrintDialogValues values; // Min, Max, FromPage, ToPage, Copies, Flags
    HWND Parent = nullptr;    // owner of the dialog; none by default
    DWORD ExtendedError = 0;  // CommDlgExtendedError of the last dialog not ended with OK

    // Shows the dialog. On OK the chosen printer and its settings become
    // current and the returned numbers are kept; true. Cancelled or failed:
    // false, with ExtendedError 0 for a plain cancel.
    bool ShowPrinter(CurrentPrinter& current);
};

} // namespace heliotab
