// The printed report as data: what goes where on the page, in tenths of a
// millimetre from the top left corner of the printable area (the units of
// the printer's MM_LOMETRIC mode). The printer side only draws these lines.
//
//   header  70 mm from the left, 10 mm from the top: title, " - ", date and time
//   body    from 30 mm down, 15 mm from the left: the file's items, one per line
#pragma once

#include <string>
#include <vector>

namespace heliotab {

inline constexpr int kReportHeaderLeft = 700;
inline constexpr int kReportHeaderTop = 100;
inline constexpr int kReportBodyLeft = 150;
inline constexpr int kReportBodyTop = 300;
inline constexpr int kReportFontHeight = 35; // 10 points

struct ReportLayout {
    std::string header;
    std::vector<std::string> body; // the items, in file order
};

struct ReportLine {
    int x = 0, y = 0; // top left of the text, 0.1 mm
    std::string text;
    bool operator==(const ReportLine&) const = default;
};
using ReportPage = std::vector<ReportLine>;

// The items of a text file as sequential input reads them: an item ends at a
// comma or at the end of a line (CR LF, CR or LF), its leading blanks are
// dropped, and an item that starts with a double quote runs to the next one,
// commas included, and loses both quotes (what follows the closing quote up
// to the item's end is dropped). An empty line is one empty item.
std::vector<std::string> ReadReportItems(const std::string& text);

// The report of one result file: header "title - dateTime", body its items.
ReportLayout BuildReportLayout(const std::string& title, const std::string& dateTime,
                               const std::string& fileText);

// Lines placed on pages: each body line one lineHeight below the previous.
// A line that would end below pageHeight goes on the next page, from the
// body's top; every page holds at least one line, so nothing is lost
// whatever the printer reports.
std::vector<ReportPage> PlaceReport(const ReportLayout& layout, int lineHeight, int pageHeight);

} // namespace heliotab
