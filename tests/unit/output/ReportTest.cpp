// The printed report: items read from the result file, their places on the page; the print
// dialog's page numbers, and the printer it leaves current.
#include <gtest/gtest.h>

#include "output/PrintDialogValues.h"
#include "output/ReportLayout.h"

using namespace heliotab;
using Items = std::vector<std::string>;

TEST(Report, ItemsAndTheirPlaces) {
    const std::pair<std::string, Items> rows[] = {
        {"a\nb\rc\r\n", {"a", "b", "c"}}, // every line end, the last one optional
        {"a\n\nb", {"a", "", "b"}},
        {"Tipo=HL 2000, serie B\r\n", {"Tipo=HL 2000", "serie B"}}, // a comma ends an item
        {"a,,b,\r\nc", {"a", "", "b", "", "c"}}, // a comma ending a line leaves an item
        {"   x  \r\n\t y\r\n", {"x  ", "y"}},
        {"\"Rossi, Mario\"\r\n", {"Rossi, Mario"}}, // quotes keep the comma
        {"  \"q\"tail,n\r\n", {"q", "n"}},
        {"\"open, no close\r\nnext\r\n", {"open, no close", "next"}},
    };
    for (const auto& [text, items] : rows)
        EXPECT_EQ(ReadReportItems(text), items) << text;
    // The page: header and body in tenths of a millimetre.
    const ReportLayout layout = BuildReportLayout("C:\\26000123.FAR", "05/12/2026 10:30:00",
                                                  "[ProvaFari]\r\nMarca=A,B\r\nEsito=P\r\n");
    const std::string h = "C:\\26000123.FAR - 05/12/2026 10:30:00";
    EXPECT_EQ(layout.header, h);
    // A page ending at 400, where the second line ends: the body goes on on the next.
    EXPECT_EQ(
        PlaceReport(layout, 50, 400),
        (std::vector<ReportPage>{{{700, 100, h}, {150, 300, "[ProvaFari]"}, {150, 350, "Marca=A"}},
                                 {{150, 300, "B"}, {150, 350, "Esito=P"}}}));
    // Nonsense from a printer: every line once, one per page, still going down the page.
    EXPECT_EQ(PlaceReport(BuildReportLayout("t", "d", "x\ny"), 0, 0),
              (std::vector<ReportPage>{{{700, 100, "t - d"}, {150, 300, "x"}}, {{150, 300, "y"}}}));
    EXPECT_EQ(PlaceReport(BuildReportLayout("t", "d", "x\ny"), 0, 2970),
              (std::vector<ReportPage>{{{700, 100, "t - d"}, {150, 300, "x"}, {150, 301, "y"}}}));
}

TEST(PrintDialogValues, PageNumbersPushEachOtherAlong) {
    enum Op { Min, Max, From, To };
    const std::pair<std::vector<std::pair<Op, int16_t>>, std::array<int16_t, 4>> rows[] = {
        // min, from, to, max
        {{{Max, 9}, {Min, 3}}, {3, 3, 3, 9}},
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, 5}}, {0, 4, 5, 5}},
        {{{Min, 5}, {From, 2}}, {2, 2, 5, 5}},
        {{{Min, 5}, {To, 3}}, {3, 3, 3, 5}},
        {{{Max, 8}, {To, 12}}, {0, 0, 12, 12}},
        // Below 1 is stored as 0 and pushes with 0, never with a negative page.
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, -3}}, {0, 0, 0, 0}},
    };
    for (const auto& [sets, want] : rows) {
        PrintDialogValues v;
        for (auto [op, value] : sets)
            op == Min    ? v.SetMin(value)
            : op == Max  ? v.SetMax(value)
            : op == From ? v.SetFromPage(value)
                         : v.SetToPage(value);
        EXPECT_EQ((std::array{v.Min(), v.FromPage(), v.ToPage(), v.Max()}), want);
    }
    PrintDialogValues v;
    v.SetCopies(3);
    EXPECT_EQ(v.Copies(), 3);
    v.SetFlags(kReportDialogFlags); // the printer's settings carry the copies
    EXPECT_EQ(v.Copies(), 1);
}

// OK in the print dialog: the printer chosen there becomes current with its settings; one that
// is not installed leaves the current printer and its settings alone, since those settings are
// private data of one printer's driver.
TEST(PrintDialogValues, TheChosenPrinterKeepsItsOwnSettings) {
    using Block = std::vector<unsigned char>;
    const Block before{1}, chosen{2};
    const Items installed{"PDF2", "Laser", "PDF", "A long printer name cut short", "A long"};
    const struct {
        std::string shown, choice;
        CurrentPrinter after;
    } rows[] = {
        {"PDF", "PDF", {"PDF", chosen}},
        {"", "", {"", chosen}}, // no printer to show: the system's default
        {"PDF", "LASER", {"Laser", chosen}},
        {"Laser", "PDF", {"PDF", chosen}}, // an exact name before one it begins
        {"PDF", "A LONG PRINTER", {"A long printer name cut short", chosen}},
        {"PDF", "A LONG", {"A long", chosen}},
        {"PDF", "GONE", {"Current", before}},
    };
    for (const auto& row : rows) {
        CurrentPrinter current{"Current", before};
        TakePrinterChoice(current, row.shown, row.choice, installed, chosen);
        EXPECT_EQ(std::tie(current.name, current.devMode),
                  std::tie(row.after.name, row.after.devMode))
            << row.choice;
    }
}
