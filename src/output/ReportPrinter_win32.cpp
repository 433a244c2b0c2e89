#include "output/ReportPrinter_win32.h"

#include <cstdlib>

#include "output/ReportLayout.h"
#include "win32/ScopedWin_win32.h"

namespace heliotab {

bool Win32ReportPrinter::PrinterInstalled() {
    return !InstalledPrinters().empty();
}

PrintChoice Win32ReportPrinter::ShowPrinter() {
    clsCommonDialog dialog;
    dialog.Parent = owner_ && IsWindow(owner_) ? owner_ : nullptr;
    dialog.values.SetFlags(kReportDialogFlags);
    dialog.values.SetCopies(1);
    if (dialog.ShowPrinter(current_))
        return PrintChoice::Confirmed;
    return dialog.ExtendedError == 0 ? PrintChoice::Cancelled : PrintChoice::Failed;
}

std::string Win32ReportPrinter::DateTimeText() {
    char date[128] = "", time[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
}

bool Win32ReportPrinter::Print(const std::string& jobTitle, const ReportLayout& layout) {
    const std::string name = CurrentPrinterName(current_);
    if (name.empty())
        return false;
    const auto* settings = current_.devMode.empty()
                               ? nullptr
                               : reinterpret_cast<const DEVMODEA*>(current_.devMode.data());
    ScopedFont font; // outlives the DC it is selected into
    ScopedDC dc(CreateDCA("WINSPOOL", name.c_str(), nullptr, settings));
    if (!dc)
        return false;

    // Tenths of a millimetre from the printable area's top left, y upwards:
    // a line at y millimetre-tenths down is drawn at -y.
    SetMapMode(dc.Get(), MM_LOMETRIC);
    // The printer's own face at 10 points: default sizes differ wildly between
    // drivers (24 points on some), and at those a header of an ordinary result
    // path, date and time runs off the page from 70 mm.
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc.Get(), sizeof face, face);
    font.Reset(CreateFontA(-kReportFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH, face));
    if (font)
        SelectObject(dc.Get(), font.Get());
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(dc.Get(), &tm))
        return false;
    POINT pageEnd{0, GetDeviceCaps(dc.Get(), VERTRES)};
    DPtoLP(dc.Get(), &pageEnd, 1);
    const auto pages = PlaceReport(layout, tm.tmHeight + tm.tmExternalLeading, std::abs(pageEnd.y));

    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = jobTitle.c_str();
    if (StartDocA(dc.Get(), &doc) <= 0)
        return false;
    for (const ReportPage& page : pages) {
        bool ok = StartPage(dc.Get()) > 0;
        for (const ReportLine& line : page)
            ok = ok && TextOutA(dc.Get(), line.x, -line.y, line.text.data(),
                                static_cast<int>(line.text.size()));
        if (!ok || EndPage(dc.Get()) <= 0) {
            AbortDoc(dc.Get());
            return false;
        }
    }
    return EndDoc(dc.Get()) > 0;
}

} // namespace heliotab
