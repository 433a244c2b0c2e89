// The system's printers for the report: the print dialog (clsCommonDialog)
// owned by the main window, and the job that draws a ReportLayout on the
// current printer, which stays current for the program's later reports.
#pragma once

#include <windows.h>

#include "output/clsCommonDialog_win32.h"
#include "shared/Platform.h"

namespace heliotab {

class Win32ReportPrinter : public ReportPrinter {
public:
    void Attach(HWND owner) { owner_ = owner; }

    bool PrinterInstalled() override;
    PrintChoice ShowPrinter() override;
    std::string DateTimeText() override;
    bool Print(const std::string& jobTitle, const ReportLayout& layout) override;

private:
    HWND owner_ = nullptr;
    CurrentPrinter current_;
};

} // namespace heliotab
