// WriteTestResult against real files in a scratch folder (natively and under
// Wine): the bytes of the .FAR, the hand-over through the program folder and
// the partial name, what happens to the reservation, every failure path, and
// the report printed at the end whatever the printer does.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "output/OutputTestSupport.h"
#include "output/PrintReport.h"
#include "output/ReportLayout.h"
#include "output/ResultPaths.h"
#include "output/ResultWriter.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testing_output;

namespace {

using Names = std::vector<std::string>;
const std::string kAcc = "26000123.ACC", kAccBytes = "[Accettazione]\r\nTarga=AB123CD\r\n";

// The sample test below as the booking software must receive it.
const std::string kExpected =
    "[ProvaFari]\r\nMarca=TECNOLUX\r\nTipo=HL 2000\r\nNumOmologa=OM/123456\r\nNumSerie=0042\r\n"
    "NumVersioneSoftware=1.07\r\nDataScadenza=05122026\r\nAltezzaAnab=#085\r\nTipoAnab=#2\r\nVertAnabDx=0\r\n"
    "VertAnabSx=1\r\nVertAbbDx=0\r\nVertAbbSx=0\r\nOrizzAnabDx=0\r\nOrizzAnabSx=0\r\nOrizzAbbDx=1\r\nOrizzAbbSx=0\r\n"
    "IllumLuxAnabDx=012345\r\nIllumLuxAnabSx=000013\r\nIllumLuxAbbDx=-000003\r\nIllumLuxAbbSx=1234567\r\n"
    "EsitoIllumLuxAnabDx=P\r\nEsitoIllumLuxAnabSx=P\r\nEsitoIllumLuxAbbDx=N\r\nEsitoIllumLuxAbbSx=P\r\nEsito=N\r\n"
    "CodErrore=\r\nDataMisura=05122026\r\nInizioMisura=103000\r\nFineMisura=103112\r\nOperatore=Rossi Mario\r\n";

// A station over a scratch program folder and exchange directory, with a
// language file whose texts are "T" and their id.
struct Bench {
    Bench() {
        st.programDir = prog;
        st.AccDirectory = acc;
        WriteBytes(prog + kSep + "Language.ini", "[Italiano]\r\n303=Nessuna\r\n601=T601\r\n602=T602\r\n603=T603\r\n"
                   "604=T604\r\n611=T611\r\n612=T612\r\n613=T613\r\n614=T614\r\n615=T615\r\n650=T650\r\n651=T651\r\n652=T652\r\n");
        st.sLanguage = "Italiano";
        st.LanguageIni.SetIniFile(prog + kSep + "Language.ini");
        const char* in[] = {"TECNOLUX", "HL 2000", "OM/123456", "0042", "1.07", "05/12/2026", "85", "2", "0", "1", "0", "0", "0",
                            "0", "1", "0", "12345", "12.5", "-2.5", "1234567", "P", "P", "N", "P", "N", "E99" /* never written */,
                            "05122026", "103000", "103112", "Rossi Mario"};
        for (size_t i = 0; i < kFarResultKeys.size(); ++i) r.*kFarResultKeys[i].field = in[i];
        st.bTestArmed = true;
        for (int i = 0; i < 3; ++i) fx.view.vehicle[i] = "veicolo";
        fx.view.operatorName = "Rossi Mario";
        fx.view.comboText = kAcc;
    }
    void Select(const std::string& name = kAcc) {
        WriteBytes(acc + name, kAccBytes);
        st.SelectedAccFile = name;
        st.ReservationIni.SetIniFile(acc + name);
    }
    // text|title|style of every message shown.
    Names Shown() {
        Names out;
        for (const ShownMessage& m : fx.messages.shown) out.push_back(m.text + "|" + m.title + "|" + std::to_string(m.style));
        return out;
    }
    std::string Far() { return acc + "26000123.FAR"; }
    TempDir tmp;
    FaultyFileSystem files{DefaultFileSystem()};
    FakeStation fx{files};
    AppState& st = fx.state;
    FarResult r;
    std::string prog = tmp.MakeDir("prog"), acc = tmp.MakeDir("DIR_FAR") + kSep;
};

}  // namespace

// The reservation is answered by its .FAR and deleted last: a failure there
// only warns (before a close after the test); one already taken back is no fault.
TEST(ResultWriter, ReservationIsAnsweredByItsFarFile) {
    const std::tuple<bool, FileStatus, bool> rows[] = {{false, FileStatus::Ok, true}, {true, FileStatus::Ok, true},
        {false, FileStatus::Access, true}, {true, FileStatus::Other, true}, {false, FileStatus::Ok, false}};
    for (const auto& [close, deleteStatus, present] : rows) {
        Bench b;
        b.st.bCloseAfterTest = close;
        b.Select();
        if (!present) std::filesystem::remove(b.acc + kAcc);
        if (deleteStatus != FileStatus::Ok) b.files.failOp = "Delete", b.files.failSuffix = ".ACC", b.files.failStatus = deleteStatus;
        // The box is modal and serial input runs while it is open: by then the result must be
        // in place, the window idle, the report's copy still there, no close asked for.
        int openChecks = 0;
        b.fx.messages.whileOpen = [&] {
            ++openChecks;
            EXPECT_EQ(Entries(b.acc), (deleteStatus == FileStatus::Ok ? Names{"26000123.FAR"} : Names{kAcc, "26000123.FAR"}));
            EXPECT_TRUE(!b.st.bTestArmed && b.st.SelectedAccFile.empty() && b.fx.view.operatorName.empty() && !b.st.bClosePending);
            if (!close) EXPECT_EQ(Entries(b.prog), (Names{"26000123.TMP", "Language.ini"}));
        };
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(ReadBytes(b.Far()), kExpected);
        EXPECT_EQ(Entries(b.prog), Names{"Language.ini"});  // no .TMP left
        EXPECT_EQ(b.st.bClosePending, close);
        EXPECT_TRUE(!b.st.bTestArmed && b.st.SelectedAccFile.empty());
        EXPECT_EQ(b.st.ReservationIni.IniFile(), b.prog + "\\26000123.TMP");
        Names want;
        if (!close) want.push_back("T602 '" + b.Far() + "'|T601|64");
        if (deleteStatus != FileStatus::Ok) want.push_back("T614 '" + b.acc + kAcc + "'|T615|48");
        EXPECT_EQ(b.Shown(), want);
        EXPECT_EQ(openChecks, want.empty() ? 0 : 1);  // the first box
        EXPECT_EQ(b.fx.view.vehicle, (std::array<std::string, 3>{}));
        EXPECT_EQ(b.fx.view.operatorName + "|" + b.fx.view.comboText, "|Nessuna");
        if (deleteStatus != FileStatus::Ok || !present) continue;
        EXPECT_EQ(Entries(b.acc), Names{"26000123.FAR"});  // .ACC and .FA$ gone
        // The hand-over order: program folder, partial name, rename, then the reservation.
        EXPECT_EQ(b.files.calls, (Names{"WriteNew " + b.prog + "\\26000123.TMP", "CopyAndFlush " + b.acc + "26000123.FA$",
                                        "Replace " + b.Far(), "Delete " + b.acc + kAcc, "Delete " + b.prog + "\\26000123.TMP"}));
    }
}

TEST(ResultWriter, TestFarOlderResultsAndLeftovers) {
    Bench b;
    WriteBytes(b.acc + "26000999.ACC", kAccBytes);  // someone else's, untouched
    EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
    EXPECT_EQ(ReadBytes(b.acc + "Test.FAR"), kExpected);
    EXPECT_EQ(Entries(b.acc), (Names{"26000999.ACC", "Test.FAR"}));
    EXPECT_EQ(ReadBytes(b.acc + "26000999.ACC"), kAccBytes);
    EXPECT_EQ(b.st.ReservationIni.IniFile(), b.prog + "\\Test.TMP");
    EXPECT_EQ(b.Shown(), Names{"T602 '" + b.acc + "Test.FAR'|T601|64"});

    // An older result and the leftovers of a cut attempt are replaced whole; a
    // program folder ending in its separator gets no second one.
    Bench c;
    c.st.programDir = c.prog + kSep;
    c.Select();
    WriteBytes(c.Far(), "[ProvaFari]\r\nVecchia=1\r\n[Altro]\r\nx=y\r\n");
    WriteBytes(c.acc + "26000123.FA$", "[ProvaFari]\r\nMarca=");
    WriteBytes(c.prog + kSep + "26000123.TMP", "junk");
    EXPECT_TRUE(WriteTestResult(c.fx.station, c.r));
    EXPECT_EQ(ReadBytes(c.Far()), kExpected);
    EXPECT_EQ(Entries(c.acc), Names{"26000123.FAR"});
    EXPECT_EQ(Entries(c.prog), Names{"Language.ini"});
    EXPECT_EQ(c.st.ReservationIni.IniFile(), c.prog + kSep + "26000123.TMP");

    // A reservation named like its own result is not deleted after it was replaced.
    Bench d;
    d.Select("26000123.FAR");
    EXPECT_TRUE(WriteTestResult(d.fx.station, d.r));
    EXPECT_EQ(ReadBytes(d.Far()), kExpected);
    EXPECT_TRUE(d.st.SelectedAccFile.empty());
}

TEST(ResultWriter, ValuesCannotAddLinesKeysOrSections) {
    Bench b;
    b.Select();
    b.r.Operatore = "Rossi\r\n[X]\r\nk=v", b.r.Marca = "TECNO\nLUX", b.r.TipoAnab = "\r\n[Y]";
    b.r.Esito = std::string("N\0[Z]", 5);
    EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
    std::string want = kExpected;
    for (const auto& [from, to] : {std::pair{"Operatore=Rossi Mario\r\n", "Operatore=Rossi  [X]  k=v\r\n"},
                                   {"Marca=TECNOLUX\r\n", "Marca=TECNO LUX\r\n"}, {"TipoAnab=#2\r\n", "TipoAnab=#  [Y]\r\n"},
                                   {"Esito=N\r\n", "Esito=N [Z]\r\n"}})
        want.replace(want.find(from), std::string(from).size(), to);
    EXPECT_EQ(ReadBytes(b.Far()), want);
}

TEST(ResultPaths, NamesFollowTheReservation) {
    AppState st;
    st.AccDirectory = "C:\\MCTC\\DIR_FAR";  // with or without its final "\"
    st.programDir = "C:\\";                 // a drive root
    auto Paths = [&] {
        const ResultPaths p = ComputeResultPaths(st);
        return p.reservation + "|" + p.result + "|" + p.partial + "|" + p.temp;
    };
    EXPECT_EQ(Paths(), "|C:\\MCTC\\DIR_FAR\\Test.FAR|C:\\MCTC\\DIR_FAR\\Test.FA$|C:\\Test.TMP");
    st.programDir = "C:\\Programmi\\HELIOTAB";
    st.SelectedAccFile = "26000123.ACC";
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\MCTC\\DIR_FAR\\26000123.ACC", "|C:\\MCTC\\DIR_FAR\\26000123.FAR|C:\\MCTC\\DIR_FAR\\26000123.FA$|C:\\Programmi\\HELIOTAB\\26000123.TMP"},
        {"C:\\MC.TC\\26000123", "|C:\\MC.TC\\26000123.FAR|C:\\MC.TC\\26000123.FA$|C:\\Programmi\\HELIOTAB\\26000123.TMP"},
        {"C:\\X\\a.b.ACC", "|C:\\X\\a.b.FAR|C:\\X\\a.b.FA$|C:\\Programmi\\HELIOTAB\\a.b.TMP"},  // the last dot counts
    };
    for (const auto& [reservation, want] : rows) {
        st.ReservationIni.SetIniFile(reservation);
        EXPECT_EQ(Paths(), reservation + std::string(want));
    }
}

// Each failure keeps the reservation and the armed test; once the fault is
// gone the repeated measurement delivers to the same name.
TEST(ResultWriter, FailuresKeepEverything) {
    const std::string far = "'<acc>26000123.FAR'";
    const struct Row {
        const char* op;
        const char* suffix;
        FileStatus status;
        std::string msg;
        const char* setup = "";  // "stale": an old .FA$ is there; "ro": a read-only older .FAR; "noprog"
    } rows[] = {
        {"WriteNew", "", FileStatus::Other, "T604|T603"}, {"WriteNew", "", FileStatus::Access, "T604|T603"},
        {"WriteNew", "", FileStatus::NotFound, "T604|T603"}, {"CopyAndFlush", "", FileStatus::Other, "T613 " + far + "|T603"},
        {"CopyAndFlush", "", FileStatus::NotFound, "T613 " + far + "|T603"},
        {"CopyAndFlush", "", FileStatus::Access, "T612|T611"}, {"Replace", "", FileStatus::Other, "T613 " + far + "|T603"},
        {"Replace", "", FileStatus::NotFound, "T613 " + far + "|T603"}, {"Replace", "", FileStatus::Access, "T612|T611"},
        {"Delete", ".FA$", FileStatus::Access, "T612|T611", "stale"}, {"", "", FileStatus::Ok, "T612|T611", "ro"},
        {"", "", FileStatus::Ok, "T604|T603", "noprog"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.op) + row.suffix + row.setup + " " + row.msg);
        Bench b;
        b.st.bCloseAfterTest = true;  // a failure is shown even so, and nothing closes
        b.Select();
        b.files.failOp = row.op, b.files.failSuffix = row.suffix, b.files.failStatus = row.status;
        const std::string setup = row.setup, old = "[ProvaFari]\r\nVecchia=1\r\n";
        if (setup == "stale") WriteBytes(b.acc + "26000123.FA$", old);
        if (setup == "ro") WriteBytes(b.Far(), old), SetReadOnly(b.Far(), true);
        if (setup == "noprog") b.st.programDir = b.tmp.Path() + kSep + "gone";
        const Names before = Entries(b.acc);
        EXPECT_FALSE(WriteTestResult(b.fx.station, b.r));
        std::string msg = row.msg;
        if (msg.find("<acc>") != std::string::npos) msg.replace(msg.find("<acc>"), 5, b.acc);
        EXPECT_EQ(b.Shown(), Names{msg + "|16"});
        EXPECT_EQ(Entries(b.acc), before);
        if (setup != "noprog") EXPECT_EQ(Entries(b.prog), Names{"Language.ini"});
        if (setup == "ro") EXPECT_EQ(ReadBytes(b.Far()), old);
        EXPECT_EQ(ReadBytes(b.acc + kAcc), kAccBytes);
        EXPECT_TRUE(b.st.bTestArmed && !b.st.bClosePending);
        EXPECT_EQ(b.st.SelectedAccFile, kAcc);
        EXPECT_EQ(b.st.ReservationIni.IniFile(), b.acc + kAcc);
        EXPECT_EQ(b.fx.view.vehicle[0] + b.fx.view.operatorName + b.fx.view.comboText, "veicoloRossi Mario" + kAcc);

        b.files.failOp.clear();
        if (setup == "ro") SetReadOnly(b.Far(), false);
        b.st.programDir = b.prog;
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(ReadBytes(b.Far()), kExpected);
        EXPECT_EQ(Entries(b.acc), Names{"26000123.FAR"});
        EXPECT_TRUE(b.st.bClosePending);
    }
    Bench b;  // a missing exchange directory is reported, nothing delivered
    b.st.AccDirectory = b.tmp.Path() + kSep + "gone" + kSep;
    EXPECT_FALSE(WriteTestResult(b.fx.station, b.r));
    EXPECT_EQ(b.Shown(), Names{"T613 '" + b.st.AccDirectory + "Test.FAR'|T603|16"});
    EXPECT_EQ(Entries(b.prog), Names{"Language.ini"});
    EXPECT_TRUE(b.st.bTestArmed);
}

// The report at the end of a delivered result, the printer answering every way it can.
TEST(PrintReport, TheResultIsDeliveredWhateverThePrinterDoes) {
    enum class P { Prints, NoPrinter, Cancel, DialogFails, JobFails, FileGone, NotAsked };
    const std::tuple<P, bool, int> rows[] = {
        {P::Prints, false, 0}, {P::Prints, true, 0}, {P::NoPrinter, false, 651}, {P::NoPrinter, true, 651},
        {P::Cancel, false, 0}, {P::Cancel, true, 0}, {P::DialogFails, true, 652}, {P::JobFails, false, 652},
        {P::JobFails, true, 652}, {P::FileGone, false, 652}, {P::NotAsked, false, 0},
    };
    for (const auto& [printer, close, messageId] : rows) {
        SCOPED_TRACE(static_cast<int>(printer) * 10 + close);
        Bench b;
        b.Select();
        b.r.Marca = "TECNO, LUX";
        b.st.bCloseAfterTest = close;
        b.st.bPrintReport = printer != P::NotAsked;
        FakeReportPrinter& fp = b.fx.printer;
        fp.installed = printer != P::NoPrinter;
        fp.choice = printer == P::Cancel ? PrintChoice::Cancelled : printer == P::DialogFails ? PrintChoice::Failed : fp.choice;
        fp.printFails = printer == P::JobFails;
        const std::string temp = b.prog + kSep + "26000123.TMP";
        bool sawDelivery = false;
        fp.whileOpen = [&] {  // modal: the result is in place, nothing asks to close under it
            sawDelivery = Exists(b.Far()) && !Exists(b.acc + kAcc) && Exists(temp) && !b.st.bTestArmed && !b.st.bClosePending;
            if (printer == P::FileGone) std::filesystem::remove(temp);
        };
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(fp.dialogs, printer == P::NoPrinter || printer == P::NotAsked ? 0 : 1);
        EXPECT_EQ(sawDelivery, fp.dialogs == 1);
        EXPECT_EQ(Entries(b.acc), Names{"26000123.FAR"});
        EXPECT_EQ(Entries(b.prog), Names{"Language.ini"});
        EXPECT_EQ(b.st.bClosePending, close);
        Names want;  // the operator reads 602 first; the report's message follows it
        if (!close) want.push_back("T602 '" + b.Far() + "'|T601|64");
        if (messageId) want.push_back("T" + std::to_string(messageId) + "|T650|48");
        EXPECT_EQ(b.Shown(), want);
        ASSERT_EQ(fp.printed.size(), printer == P::Prints ? 1u : 0u);
        if (printer != P::Prints) continue;
        // The report is the delivered file: the section, thirty keys, one more line for the comma.
        EXPECT_EQ(fp.printed[0].title, b.Far());
        const ReportLayout& report = fp.printed[0].layout;
        EXPECT_EQ(report.header, b.Far() + " - 05/12/2026 10:30:00");
        ASSERT_EQ(report.body.size(), 32u);
        EXPECT_EQ(report.body[1] + "|" + report.body[2] + "|" + report.body[31], "Marca=TECNO|LUX|Operatore=Rossi Mario");
        EXPECT_EQ(ReadReportItems(ReadBytes(b.Far())), report.body);
    }
}
