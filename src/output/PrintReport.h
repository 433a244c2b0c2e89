// PrintReport: the result file on paper, after the operator has chosen the
// printer in the print dialog.
#pragma once

#include <string>

#include "shared/Station.h"

namespace heliotab {

// Prints file with title at the start of the header. The result it reports
// on is already delivered, so nothing here is an error of the result: with
// no printer it says so (kTextNoPrinterText), a cancelled dialog prints nothing and says
// nothing, and any other failure (the dialog, reading the file, the print
// job) says that the report was not printed (kTextReportNotPrintedText). Returns true when printed.
bool PrintReport(Station& s, const std::string& file, const std::string& title);

} // namespace heliotab
