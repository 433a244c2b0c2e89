// The printed report: items read from the result file, their places on the
// page, and the print dialog's page numbers.
#include <gtest/gtest.h>

#include "output/PrintDialogValues.h"
#include "output/ReportLayout.h"

using namespace heliotab;
using Items = std::vector<std::string>;

TEST(Report, ItemsAndTheirPlaces) {
    const std::pair<std::string, Items> rows[] = {
        {"", {}},
        {"[ProvaFari]\r\nMarca=TECNOLUX\r\n", {"[ProvaFari]", "Marca=TECNOLUX"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}}, // every line end, the last one optional
        {"Tipo=HL 2000, serie B\r\n",
         {"Tipo=HL 2000", "serie B"}}, // a comma ends an item, blanks go
        {"a,,b\r\n", {"a", "", "b"}},
        {"a,\r\nb\r\n", {"a", "", "b"}},
        {"   x  \r\n\t y\r\n", {"x  ", "y"}},
        {"\r\n\r\nz\r\n", {"", "", "z"}},
        {"\"Rossi, Mario\"\r\n", {"Rossi, Mario"}}, // quotes keep the comma
        {"  \"q\"tail,n\r\n", {"q", "n"}},
        {"\"open, no close\r\nnext\r\n", {"open, no close", "next"}},
        {"Operatore=\"A\"\r\n", {"Operatore=\"A\""}},
        {std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const auto& [text, items] : rows)
        EXPECT_EQ(ReadReportItems(text), items) << text;
    // The page: header and body in tenths of a millimetre.
    const ReportLayout layout =
        BuildReportLayout("C:\\MCTC\\DIR_FAR\\26000123.FAR", "05/12/2026 10:30:00",
                          "[ProvaFari]\r\nMarca=A,B\r\nEsito=P\r\n");
    const std::string h = "C:\\MCTC\\DIR_FAR\\26000123.FAR - 05/12/2026 10:30:00";
    EXPECT_EQ(layout.header, h);
    // An A4 page (2970) with 50 per line: one page; a page ending at 400, where the second line
    // ends: the body goes on on the next.
    EXPECT_EQ(PlaceReport(layout, 50, 2970), (std::vector<ReportPage>{{{700, 100, h},
                                                                       {150, 300, "[ProvaFari]"},
                                                                       {150, 350, "Marca=A"},
                                                                       {150, 400, "B"},
                                                                       {150, 450, "Esito=P"}}}));
    EXPECT_EQ(
        PlaceReport(layout, 50, 400),
        (std::vector<ReportPage>{{{700, 100, h}, {150, 300, "[ProvaFari]"}, {150, 350, "Marca=A"}},
                                 {{150, 300, "B"}, {150, 350, "Esito=P"}}}));
    for (int pageHeight : {0, -5}) // nonsense from a printer: every line once, one per page
        EXPECT_EQ(PlaceReport(layout, 0, pageHeight),
                  (std::vector<ReportPage>{{{700, 100, h}, {150, 300, "[ProvaFari]"}},
                                           {{150, 300, "Marca=A"}},
                                           {{150, 300, "B"}},
                                           {{150, 300, "Esito=P"}}}));
    // A line height of 0 counts as 1: the lines still go down the page.
    EXPECT_EQ(PlaceReport(BuildReportLayout("t", "d", "x\ny"), 0, 2970),
              (std::vector<ReportPage>{{{700, 100, "t - d"}, {150, 300, "x"}, {150, 301, "y"}}}));
}

TEST(PrintDialogValues, PageNumbersPushEachOtherAlong) {
    enum Op { Min, Max, From, To };
    const std::pair<std::vector<std::pair<Op, int16_t>>, std::array<int16_t, 4>> rows[] = {
        // min, from, to, max
        {{}, {0, 0, 0, 0}},
        {{{Min, 3}}, {3, 3, 3, 3}},
        {{{Max, 9}, {Min, 3}}, {3, 3, 3, 9}},
        {{{Max, 9}, {From, 4}, {To, 6}}, {0, 4, 6, 9}},
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, 5}}, {0, 4, 5, 5}},
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, 2}}, {0, 2, 2, 2}},
        {{{Min, 5}, {From, 2}}, {2, 2, 5, 5}},
        {{{From, 7}}, {0, 7, 7, 7}},
        {{{Min, 5}, {To, 3}}, {3, 3, 3, 5}},
        {{{Max, 8}, {To, 12}}, {0, 0, 12, 12}},
        // Below 1 is stored as 0 and pushes with 0, never with a negative page.
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, -3}}, {0, 0, 0, 0}},
        {{{Max, 9}, {Min, 4}, {Min, -2}}, {0, 4, 4, 9}},
        {{{Max, 9}, {To, 6}, {From, -1}}, {0, 0, 6, 9}},
    };
    for (const auto& [sets, want] : rows) {
        PrintDialogValues v;
        for (auto [op, value] : sets)
            op == Min    ? v.SetMin(value)
            : op == Max  ? v.SetMax(value)
            : op == From ? v.SetFromPage(value)
                         : v.SetToPage(value);
        EXPECT_EQ((std::array<int16_t, 4>{v.Min(), v.FromPage(), v.ToPage(), v.Max()}), want);
    }
    PrintDialogValues v;
    EXPECT_EQ((v.SetCopies(-2), v.Copies()), 0);
    EXPECT_EQ((v.SetCopies(3), v.Copies()), 3);
    EXPECT_EQ((v.SetFlags(kReportDialogFlags), v.Copies()),
              1); // the printer's settings carry the copies
    EXPECT_EQ((v.SetFlags(0x0C), v.Copies()), 3);
}
