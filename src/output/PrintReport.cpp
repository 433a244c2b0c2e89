#include "output/PrintReport.h"

#include "journal/Journal.h"
#include "output/ReportLayout.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"

namespace heliotab {

bool PrintReport(Station& s, const std::string& file, const std::string& title) {
    AppState& st = s.state;
    if (!s.printer.PrinterInstalled()) {
        s.journal.Add("NOT PRINTED", title + " no printer installed");
        s.messages.ShowMessage(GetLangString(st, kTextNoPrinterText),
                               GetLangString(st, kTextReportTitle), kStyleExclamation);
        return false;
    }
    const PrintChoice choice = s.printer.ShowPrinter();
    if (choice == PrintChoice::Cancelled) {
        s.journal.Add("NOT PRINTED", title + " print dialog cancelled");
        return false;
    }
    std::string text;
    if (choice == PrintChoice::Confirmed && s.files.ReadAll(file, text) == FileStatus::Ok &&
        s.printer.Print(title, BuildReportLayout(title, s.printer.DateTimeText(), text))) {
        s.journal.Add("PRINTED", title);
        return true;
    }
    s.journal.Add("NOT PRINTED", title + (choice == PrintChoice::Failed ? " print dialog failed"
                                                                        : " print job failed"));
    s.messages.ShowMessage(GetLangString(st, kTextReportNotPrintedText),
                           GetLangString(st, kTextReportTitle), kStyleExclamation);
    return false;
}

} // namespace heliotab
