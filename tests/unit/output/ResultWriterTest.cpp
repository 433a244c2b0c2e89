// WriteTestResult against real files in a scratch folder (natively and under Wine): the bytes
// of the .FAR, the hand-over through the program folder and the partial name, the reservation,
// every failure path, the report printed whatever the printer does, and the window's look
// while the operator reads the outcome.
#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"
#include "output/ResultPaths.h"
#include "output/ResultWriter.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testing_output;

namespace {

const std::string kAcc = "26000123.ACC", kFar = "26000123.FAR", kOld = "[ProvaFari]\r\nX=1\r\n";

// The sample test below as the booking software must receive it.
const std::string kExpected =
    "[ProvaFari]\r\nMarca=TECNO, LUX\r\nTipo=HL 2000\r\nNumOmologa=OM/123456\r\nNumSerie=0042\r\n"
    "NumVersioneSoftware=1.07\r\nDataScadenza=05122026\r\nAltezzaAnab=#085\r\nTipoAnab=#2\r\n"
    "VertAnabDx=0\r\nVertAnabSx=1\r\nVertAbbDx=0\r\nVertAbbSx=0\r\nOrizzAnabDx=0\r\n"
    "OrizzAnabSx=0\r\nOrizzAbbDx=1\r\nOrizzAbbSx=0\r\nIllumLuxAnabDx=012345\r\n"
    "IllumLuxAnabSx=000013\r\nIllumLuxAbbDx=-000003\r\nIllumLuxAbbSx=1234567\r\n"
    "EsitoIllumLuxAnabDx=P\r\nEsitoIllumLuxAnabSx=P\r\nEsitoIllumLuxAbbDx=N\r\n"
    "EsitoIllumLuxAbbSx=P\r\nEsito=N\r\nCodErrore=\r\nDataMisura=05122026\r\n"
    "InizioMisura=103000\r\nFineMisura=103112\r\nOperatore=Rossi Mario\r\n";

const Box kDone{602, 601, kStyleInformation, " '26000123.FAR'"};

// A station over a scratch program folder and exchange directory, with an armed test and its
// vehicle on show.
struct Bench {
    Bench() {
        st.programDir = prog;
        st.AccDirectory = acc;
        st.LanguageIni.SetIniFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
        const char* in[] = {
            "TECNO, LUX", "HL 2000", "OM/123456", "0042",    "1.07",   "05/12/2026", "85", "2",
            "0",          "1",       "0",         "0",       "0",      "0",          "1",  "0",
            "12345",      "12.5",    "-2.5",      "1234567", "P",      "P",          "N",  "P",
            "N",          "E99",     "05122026",  "103000",  "103112", "Rossi Mario"};
        for (size_t i = 0; i < kFarResultKeys.size(); ++i)
            r.*kFarResultKeys[i].field = in[i];
        st.bTestArmed = true;
        fx.view.vehicle[0] = "veicolo";
        fx.view.enabled[Button::Ferma] = false;
    }
    void Select(const std::string& name = kAcc) {
        WriteFile(acc + name, "[Accettazione]\r\n");
        st.SelectedAccFile = name;
        st.ReservationIni.SetIniFile(acc + name);
    }
    std::vector<Box> Shown() {
        return Boxes(st, fx.messages, {601, 602, 603, 604, 611, 612, 613, 614, 615, 650, 651, 652},
                     acc);
    }
    TempDir tmp;
    FaultyFileSystem files{DefaultFileSystem()};
    FakeStation fx{files};
    AppState& st = fx.state;
    FakeMainView& view = fx.view;
    FarResult r;
    std::string prog = tmp.MakeDir("prog"), acc = tmp.MakeDir("DIR_FAR") + kSep;
};

using Arrange = std::function<void(Bench&)>;
const Arrange kSelect = [](Bench& b) { b.Select(); };

} // namespace

// Delivered: the result in place, the reservation deleted (a failure there only warns, one
// taken back is no fault), the report printed whatever the printer does, and the window idle
// once the operator has read the outcome.
TEST(ResultWriter, DeliversPrintsThenShowsTheWindowIdle) {
    enum class P { NotAsked, Prints, NoPrinter, Cancel, DialogFails, JobFails, FileGone };
    const Box kept{614, 615, kStyleExclamation, " '26000123.ACC'"},
        noPrinter{651, 650, kStyleExclamation}, notPrinted{652, 650, kStyleExclamation};
    const auto locked = [](Bench& b) {
        b.Select();
        b.files.failSuffix = ".ACC";
        b.files.failStatus = FileStatus::Access;
    };
    const struct {
        Arrange setup;
        P printer;
        bool close;
        Names acc;
        std::vector<Box> boxes;
    } rows[] = {
        {kSelect, P::NotAsked, false, {kFar}, {kDone}},
        {kSelect, P::NotAsked, true, {kFar}, {}},
        {[](Bench& b) {
             b.Select();
             std::filesystem::remove(b.acc + kAcc);
         },
         P::Cancel,
         false,
         {kFar},
         {kDone}},
        {locked, P::NoPrinter, false, {kAcc, kFar}, {kDone, noPrinter, kept}},
        // An older result and a cut attempt's files are replaced; a program folder ending in its
        // separator gets no second one.
        {[](Bench& b) {
             b.Select();
             WriteFile(b.acc + kFar, kOld + "[Altro]\r\n");
             WriteFile(b.acc + "26000123.FA$", kOld);
             WriteFile(b.prog + kSep + "26000123.TMP", kOld);
             b.st.programDir += kSep;
         },
         P::Prints,
         false,
         {kFar},
         {kDone}},
        {[](Bench& b) { WriteFile(b.acc + "26000999.ACC", ""); },
         P::NotAsked,
         false,
         {"26000999.ACC", "Test.FAR"},
         {{602, 601, kStyleInformation, " 'Test.FAR'"}}},
        {[](Bench& b) { b.Select(kFar); }, P::Prints, true, {kFar}, {}},
        {[](Bench& b) { b.Select("26000123"); }, P::NotAsked, true, {kFar}, {}},
        {kSelect, P::DialogFails, true, {kFar}, {notPrinted}},
        {kSelect, P::JobFails, false, {kFar}, {kDone, notPrinted}},
        {kSelect, P::FileGone, true, {kFar}, {notPrinted}},
    };
    for (const auto& row : rows) {
        Bench b;
        b.st.bCloseAfterTest = row.close;
        b.st.bPrintReport = row.printer != P::NotAsked;
        row.setup(b);
        FakeReportPrinter& fp = b.fx.printer;
        fp.installed = row.printer != P::NoPrinter;
        fp.choice = row.printer == P::Cancel        ? PrintChoice::Cancelled
                    : row.printer == P::DialogFails ? PrintChoice::Failed
                                                    : PrintChoice::Confirmed;
        fp.printFails = row.printer == P::JobFails;
        // The boxes and the print dialog are modal and serial input goes on meanwhile: by then
        // the result is in place, the test disarmed and the list open, the vehicle still on show,
        // and nothing asks to close under them.
        std::vector<std::string> vehicleWhileOpen;
        const auto whileOpen = [&] {
            vehicleWhileOpen.push_back(b.view.vehicle[0]);
            EXPECT_EQ(Entries(b.acc), row.acc);
            EXPECT_FALSE(b.st.bTestArmed || b.st.bClosePending);
            EXPECT_TRUE(b.view.comboEnabled && b.view.enabled[Button::Test]);
            if (row.printer == P::FileGone)
                std::filesystem::remove(b.prog + kSep + "26000123.TMP");
        };
        b.fx.messages.whileOpen = fp.whileOpen = whileOpen;
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(Entries(b.acc), row.acc);
        EXPECT_EQ(ReadFile(b.acc + row.acc.back()), kExpected);
        EXPECT_EQ(Entries(b.prog), Names{});
        EXPECT_EQ(b.Shown(), row.boxes);
        const size_t shown = row.boxes.size() > 0, dialogs = fp.installed && b.st.bPrintReport;
        EXPECT_EQ(vehicleWhileOpen, Names(shown + dialogs, "veicolo"));
        EXPECT_EQ(b.st.bClosePending, row.close);
        EXPECT_EQ(b.st.SelectedAccFile, "");
        EXPECT_EQ(std::tie(b.view.vehicle[0], b.view.operatorName, b.view.comboText),
                  std::tuple("", "", GetLangString(b.st, 303)));
        ASSERT_EQ(fp.printed.size(), size_t{row.printer == P::Prints});
        if (fp.printed.empty())
            continue;
        // The report is the delivered file: the section, thirty keys, one more line for the comma.
        const ReportLayout& report = fp.printed[0].layout;
        EXPECT_EQ(fp.printed[0].title, b.acc + kFar);
        EXPECT_EQ(report.header, b.acc + kFar + " - 05/12/2026 10:30:00");
        EXPECT_EQ(report.body.size(), 32u);
        EXPECT_EQ(report.body[2], "LUX");
    }
}

// The hand-over order: program folder, partial name, rename, then the reservation.
TEST(ResultWriter, HandOverOrder) {
    Bench b;
    b.Select();
    EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
    const std::string tmp = b.prog + "\\26000123.TMP";
    EXPECT_EQ(b.files.calls, (Names{tmp, b.acc + "26000123.FA$", b.acc + kFar, b.acc + kAcc, tmp}));
}

TEST(ResultPaths, FollowTheReservationsLastDot) {
    AppState st;
    st.AccDirectory = "C:\\MCTC\\DIR_FAR"; // with or without its final "\"
    st.programDir = "C:\\";                // a drive root
    auto paths = [&] {
        const ResultPaths p = ComputeResultPaths(st);
        return Names{p.reservation, p.result, p.partial, p.temp};
    };
    EXPECT_EQ(paths(), (Names{"", "C:\\MCTC\\DIR_FAR\\Test.FAR", "C:\\MCTC\\DIR_FAR\\Test.FA$",
                              "C:\\Test.TMP"}));
    st.programDir = "C:\\P";
    st.SelectedAccFile = "26000123.ACC";
    const std::pair<std::string, Names> rows[] = {
        {"C:\\M\\26000123.ACC",
         {"C:\\M\\26000123.FAR", "C:\\M\\26000123.FA$", "C:\\P\\26000123.TMP"}},
        {"C:\\M.C\\26000123",
         {"C:\\M.C\\26000123.FAR", "C:\\M.C\\26000123.FA$", "C:\\P\\26000123.TMP"}},
        {"C:\\X\\a.b.ACC", {"C:\\X\\a.b.FAR", "C:\\X\\a.b.FA$", "C:\\P\\a.b.TMP"}},
        {"26000123.ACC", {"26000123.FAR", "26000123.FA$", "C:\\P\\26000123.TMP"}},
    };
    for (const auto& [reservation, names] : rows) {
        st.ReservationIni.SetIniFile(reservation);
        Names want = names;
        want.insert(want.begin(), reservation);
        EXPECT_EQ(paths(), want);
    }
}

// Each failure keeps the reservation, its binding and the armed test (its look back before the
// box), and says why; once the fault is gone the repeated measurement delivers.
TEST(ResultWriter, FailuresKeepEverything) {
    using enum FileStatus;
    const Box unwritten{604, 603, kStyleStop}, access{612, 611, kStyleStop},
        failed{613, 603, kStyleStop, " '26000123.FAR'"};
    const struct {
        const char* suffix;
        FileStatus status;
        Names acc;
        Box box;
        std::string stalePartial = "";
    } rows[] = {
        {".TMP", Other, {kAcc}, unwritten},
        {".FA$", Access, {kAcc}, access},
        {".FAR", Other, {kAcc}, failed},
        {".FA$", Access, {kAcc, "26000123.FA$"}, access, kOld},
    };
    for (const auto& row : rows) {
        Bench b;
        b.Select();
        b.st.bCloseAfterTest = true; // a failure is shown even so, and nothing closes
        b.files.failSuffix = row.suffix;
        b.files.failStatus = row.status;
        if (!row.stalePartial.empty())
            WriteFile(b.acc + "26000123.FA$", row.stalePartial);
        bool stoppable = false;
        b.fx.messages.whileOpen = [&] {
            stoppable = b.view.enabled[Button::Ferma] && !b.view.enabled[Button::Test];
        };
        EXPECT_FALSE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(Entries(b.acc), row.acc);
        EXPECT_EQ(b.Shown(), std::vector{row.box});
        EXPECT_TRUE(stoppable);
        EXPECT_EQ(Entries(b.prog), Names{});
        EXPECT_EQ(std::tie(b.st.SelectedAccFile, b.view.vehicle[0]), std::tuple(kAcc, "veicolo"));
        EXPECT_EQ(b.st.ReservationIni.IniFile(), b.acc + kAcc);
        b.files.failSuffix = "none";
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(ReadFile(b.acc + kFar), kExpected);
        EXPECT_FALSE(b.st.bTestArmed);
    }
}
