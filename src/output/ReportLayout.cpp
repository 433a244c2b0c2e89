#include "output/ReportLayout.h"

namespace heliotab {

std::vector<std::string> ReadReportItems(const std::string& text) {
    std::vector<std::string> items;
    size_t i = 0;
    const size_t n = text.size();
    auto atLineEnd = [&](size_t k) { return k >= n || text[k] == '\r' || text[k] == '\n'; };
    auto skipLineEnd = [&](size_t& k) {
        if (k < n && text[k] == '\r')
            ++k;
        if (k < n && text[k] == '\n')
            ++k;
    };
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::string item;
        if (i < n && text[i] == '"') {
            ++i;
            while (!atLineEnd(i) && text[i] != '"')
                item.push_back(text[i++]);
            while (!atLineEnd(i) && text[i] != ',')
                ++i; // after the closing quote
        } else {
            while (!atLineEnd(i) && text[i] != ',')
                item.push_back(text[i++]);
        }
        items.push_back(item);
        if (i < n && text[i] == ',') {
            ++i;
            // A comma that ends a line leaves one empty item behind it.
            if (atLineEnd(i)) {
                items.emplace_back();
                skipLineEnd(i);
            }
        } else {
            skipLineEnd(i);
        }
    }
    return items;
}

ReportLayout BuildReportLayout(const std::string& title, const std::string& dateTime,
                               const std::string& fileText) {
    return {title + " - " + dateTime, ReadReportItems(fileText)};
}

std::vector<ReportPage> PlaceReport(const ReportLayout& layout, int lineHeight, int pageHeight) {
    if (lineHeight < 1)
        lineHeight = 1;
    std::vector<ReportPage> pages(1);
    pages[0].push_back({kReportHeaderLeft, kReportHeaderTop, layout.header});
    int y = kReportBodyTop;
    bool bodyOnPage = false;
    for (const std::string& item : layout.body) {
        if (bodyOnPage && y + lineHeight > pageHeight) {
            pages.emplace_back();
            y = kReportBodyTop;
        }
        pages.back().push_back({kReportBodyLeft, y, item});
        bodyOnPage = true;
        y += lineHeight;
    }
    return pages;
}

} // namespace heliotab
