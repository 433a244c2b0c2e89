// The printed report: items read from the result file, their places on the
// page, the print dialog's page numbers, and PrintReport at the end of a
// delivered result (the printer answering every way it can).
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "output/OutputTestSupport.h"
#include "output/PrintDialogValues.h"
#include "output/PrintReport.h"
#include "output/ReportLayout.h"
#include "output/ResultWriter.h"
#include "settings/Language.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testing_output;

namespace {

using Items = std::vector<std::string>;

TEST(ReportItems, ReadAsSequentialInputReadsThem) {
    const struct {
        std::string text;
        Items items;
    } cases[] = {
        {"", {}},
        {"[ProvaFari]\r\nMarca=TECNOLUX\r\n", {"[ProvaFari]", "Marca=TECNOLUX"}},
        {"a\r\nb", {"a", "b"}},                        // last line without CR LF
        {"a\nb\rc\r\n", {"a", "b", "c"}},              // every line end
        {"Tipo=HL 2000, serie B\r\n", {"Tipo=HL 2000", "serie B"}},  // a comma ends an item, blanks go
        {"a,,b\r\n", {"a", "", "b"}},
        {"a,\r\nb\r\n", {"a", "", "b"}},               // a comma at the line end leaves an empty item
        {"   x  \r\n\t y\r\n", {"x  ", "y"}},          // leading blanks only
        {"\r\n\r\nz\r\n", {"", "", "z"}},              // empty lines are empty items
        {"\"Rossi, Mario\"\r\n", {"Rossi, Mario"}},    // quotes keep the comma and go
        {"  \"q\"tail,n\r\n", {"q", "n"}},             // after the closing quote up to the comma
        {"\"open, no close\r\nnext\r\n", {"open, no close", "next"}},
        {"Operatore=\"A\"\r\n", {"Operatore=\"A\""}},  // quotes inside an item stay
        {std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadReportItems(c.text), c.items) << c.text;
}

TEST(ReportLayout, HeaderAndBodyInTenthsOfAMillimetre) {
    const ReportLayout layout = BuildReportLayout("C:\\MCTC\\DIR_FAR\\26000123.FAR", "05/12/2026 10:30:00",
                                                  "[ProvaFari]\r\nMarca=A,B\r\nEsito=P\r\n");
    EXPECT_EQ(layout.header, "C:\\MCTC\\DIR_FAR\\26000123.FAR - 05/12/2026 10:30:00");
    EXPECT_EQ(layout.body, (Items{"[ProvaFari]", "Marca=A", "B", "Esito=P"}));

    // An A4 page (2970) with 50 per line: one page.
    const std::vector<ReportPage> one{{{700, 100, layout.header},
                                       {150, 300, "[ProvaFari]"},
                                       {150, 350, "Marca=A"},
                                       {150, 400, "B"},
                                       {150, 450, "Esito=P"}}};
    EXPECT_EQ(PlaceReport(layout, 50, 2970), one);

    // A page that ends at 420: the body goes on from its top on the next page.
    const std::vector<ReportPage> two{
        {{700, 100, layout.header}, {150, 300, "[ProvaFari]"}, {150, 350, "Marca=A"}},
        {{150, 300, "B"}, {150, 350, "Esito=P"}}};
    EXPECT_EQ(PlaceReport(layout, 50, 420), two);

    // Nonsense from a printer still places every line once, one per page.
    for (int pageHeight : {0, -5}) {
        const auto pages = PlaceReport(layout, 0, pageHeight);
        ASSERT_EQ(pages.size(), 4u);
        EXPECT_EQ(pages[0].size(), 2u);
        EXPECT_EQ(pages[3], (ReportPage{{150, 300, "Esito=P"}}));
    }
    EXPECT_EQ(PlaceReport(BuildReportLayout("t", "d", ""), 50, 2970), (std::vector<ReportPage>{{{700, 100, "t - d"}}}));
}

TEST(PrintDialogValues, PageNumbersPushEachOtherAlong) {
    enum Op { Min, Max, From, To };
    const struct {
        std::vector<std::pair<Op, int16_t>> sets;
        int16_t min, from, to, max;
    } cases[] = {
        {{}, 0, 0, 0, 0},
        {{{Min, 3}}, 3, 3, 3, 3},
        {{{Max, 9}, {Min, 3}}, 3, 3, 3, 9},
        {{{Max, 9}, {From, 4}, {To, 6}}, 0, 4, 6, 9},
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, 5}}, 0, 4, 5, 5},
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, 2}}, 0, 2, 2, 2},
        {{{Min, 5}, {From, 2}}, 2, 2, 5, 5},
        {{{From, 7}}, 0, 7, 7, 7},
        {{{Min, 5}, {To, 3}}, 3, 3, 3, 5},
        {{{Max, 8}, {To, 12}}, 0, 0, 12, 12},
        // Below 1 is stored as 0 and pushes with 0, never with a negative page.
        {{{Max, 9}, {From, 4}, {To, 6}, {Max, -3}}, 0, 0, 0, 0},
        {{{Max, 9}, {Min, 4}, {Min, -2}}, 0, 4, 4, 9},
        {{{Max, 9}, {To, 6}, {From, -1}}, 0, 0, 6, 9},
    };
    for (const auto& c : cases) {
        PrintDialogValues v;
        for (auto [op, value] : c.sets) {
            if (op == Min) v.SetMin(value);
            if (op == Max) v.SetMax(value);
            if (op == From) v.SetFromPage(value);
            if (op == To) v.SetToPage(value);
        }
        EXPECT_EQ(v.Min(), c.min);
        EXPECT_EQ(v.FromPage(), c.from);
        EXPECT_EQ(v.ToPage(), c.to);
        EXPECT_EQ(v.Max(), c.max);
    }
    PrintDialogValues v;
    v.SetCopies(-2);
    EXPECT_EQ(v.Copies(), 0);
    v.SetCopies(3);
    EXPECT_EQ(v.Copies(), 3);
    v.SetFlags(kReportDialogFlags);
    EXPECT_EQ(v.Copies(), 1);  // the printer's settings carry the copies
    v.SetFlags(0x0C);
    EXPECT_EQ(v.Copies(), 3);
}

// --- PrintReport at the end of WriteTestResult --------------------------------

enum class Printer { Prints, NoPrinter, Cancel, DialogFails, JobFails, FileGone };

struct ReportCase {
    Printer printer;
    bool closeAfterTest;
    int messageId;  // 0: none from the report
};

class PrintedResult : public ::testing::TestWithParam<ReportCase> {
protected:
    TempDir tmp;
    FileSystem& files = DefaultFileSystem();
    FakeStation fx{files};
    AppState& st = fx.state;
    FarResult result;
    std::string prog, acc;

    void SetUp() override {
        prog = tmp.MakeDir("prog");
        acc = tmp.MakeDir("DIR_FAR") + kSep;
        st.programDir = prog;
        st.AccDirectory = acc;
        WriteBytes(prog + kSep + "Language.ini",
                   "[Italiano]\r\n303=Nessuna\r\n601=T601\r\n602=T602\r\n650=T650\r\n651=T651\r\n652=T652\r\n");
        st.LanguageIni.SetIniFile(prog + kSep + "Language.ini");
        WriteBytes(acc + "26000123.ACC", "[Accettazione]\r\n");
        st.SelectedAccFile = "26000123.ACC";
        st.ReservationIni.SetIniFile(acc + "26000123.ACC");
        st.bTestArmed = true;
        st.bPrintReport = true;
        result.Marca = "TECNO, LUX";
        result.Operatore = "Rossi Mario";
    }
};

TEST_P(PrintedResult, TheResultIsDeliveredWhateverThePrinterDoes) {
    const ReportCase c = GetParam();
    st.bCloseAfterTest = c.closeAfterTest;
    FakeReportPrinter& printer = fx.printer;
    printer.installed = c.printer != Printer::NoPrinter;
    if (c.printer == Printer::Cancel) printer.choice = PrintChoice::Cancelled;
    if (c.printer == Printer::DialogFails) printer.choice = PrintChoice::Failed;
    printer.printFails = c.printer == Printer::JobFails;
    const std::string temp = prog + kSep + "26000123.TMP";
    bool dialogSawDelivery = false;
    printer.whileOpen = [&] {
        // The dialog is modal: by then the result is in place and nothing
        // asks the program to close under it.
        dialogSawDelivery = Exists(acc + "26000123.FAR") && !Exists(acc + "26000123.ACC") && Exists(temp) &&
                            !st.bTestArmed && !st.bClosePending;
        if (c.printer == Printer::FileGone) std::filesystem::remove(temp);
    };

    EXPECT_TRUE(WriteTestResult(fx.station, result));

    EXPECT_EQ(printer.dialogs, c.printer == Printer::NoPrinter ? 0 : 1);
    if (printer.dialogs) EXPECT_TRUE(dialogSawDelivery);
    const std::string result = acc + "26000123.FAR";
    EXPECT_EQ(Entries(acc), Items{"26000123.FAR"});
    EXPECT_EQ(Entries(prog), Items{"Language.ini"});
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_EQ(st.bClosePending, c.closeAfterTest);
    EXPECT_EQ(fx.view.comboText, "Nessuna");

    std::vector<std::pair<std::string, int>> expected;  // text, style
    // The operator reads 602 first; the report follows it.
    if (!c.closeAfterTest) expected.push_back({"T602 '" + result + "'", kStyleInformation});
    if (c.messageId) expected.push_back({"T" + std::to_string(c.messageId), kStyleExclamation});
    ASSERT_EQ(fx.messages.shown.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fx.messages.shown[i].text, expected[i].first);
        EXPECT_EQ(fx.messages.shown[i].style, expected[i].second);
        EXPECT_EQ(fx.messages.shown[i].title, expected[i].second == kStyleInformation ? "T601" : "T650");
    }

    if (c.printer != Printer::Prints) {
        EXPECT_TRUE(printer.printed.empty());
        return;
    }
    // The report is the delivered file: the section, thirty keys, and one
    // more line for the comma in the make.
    ASSERT_EQ(printer.printed.size(), 1u);
    EXPECT_EQ(printer.printed[0].title, result);
    const ReportLayout& report = printer.printed[0].layout;
    EXPECT_EQ(report.header, result + " - 05/12/2026 10:30:00");
    ASSERT_EQ(report.body.size(), 32u);
    EXPECT_EQ(report.body[0], "[ProvaFari]");
    EXPECT_EQ(report.body[1], "Marca=TECNO");
    EXPECT_EQ(report.body[2], "LUX");
    EXPECT_EQ(report.body[3], "Tipo=");
    EXPECT_EQ(report.body[31], "Operatore=Rossi Mario");
    EXPECT_EQ(ReadReportItems(ReadBytes(result)), report.body);
}

INSTANTIATE_TEST_SUITE_P(
    Printers, PrintedResult,
    ::testing::Values(ReportCase{Printer::Prints, false, 0}, ReportCase{Printer::Prints, true, 0},
                      ReportCase{Printer::NoPrinter, false, 651}, ReportCase{Printer::NoPrinter, true, 651},
                      ReportCase{Printer::Cancel, false, 0}, ReportCase{Printer::Cancel, true, 0},
                      ReportCase{Printer::DialogFails, true, 652}, ReportCase{Printer::JobFails, false, 652},
                      ReportCase{Printer::JobFails, true, 652}, ReportCase{Printer::FileGone, false, 652}));

TEST(PrintReport, NotAskedForNothingIsPrinted) {
    TempDir tmp;
    FakeStation fx{DefaultFileSystem()};
    fx.state.programDir = tmp.MakeDir("prog");
    fx.state.AccDirectory = tmp.MakeDir("acc") + kSep;
    fx.state.bTestArmed = true;
    EXPECT_TRUE(WriteTestResult(fx.station, FarResult{}));
    EXPECT_EQ(fx.printer.dialogs, 0);
    EXPECT_TRUE(Exists(fx.state.AccDirectory + "Test.FAR"));
}

}  // namespace
