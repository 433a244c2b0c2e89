// PrintReport: the result file on paper, after the operator has chosen the
// printer in the print dialog.
#pragma once

#include <string>

#include "shared/Station.h"

namespace heliotab {

// Language ids of the report.
enum : int {
    kIdReportTitle = 650,
    kIdNoPrinterText = 651,
    kIdReportNotPrintedText = 652,
};

// Prints file with title at the start of the header. The result it reports
// on is already delivered, so nothing here is an error of the result: with
// no printer it says so (651), a cancelled dialog prints nothing and says
// nothing, and any other failure (the dialog, reading the file, the print
// job) says that the report was not printed (652). Returns true when printed.
bool PrintReport(Station& s, const std::string& file, const std::string& title);

}  // namespace heliotab
