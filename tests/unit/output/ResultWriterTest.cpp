// WriteTestResult against real files in a scratch folder (natively and under
// Wine): the bytes of the .FAR, the hand-over through the program folder and
// the partial name, what happens to the reservation, and every failure path.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "output/OutputTestSupport.h"
#include "output/ResultPaths.h"
#include "output/ResultWriter.h"
#include "settings/Language.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testing_output;

namespace {

const char kReservation[] = "26000123.ACC";
const char kReservationBytes[] = "[Accettazione]\r\nTarga=AB123CD\r\n";

// The sample test below as the booking software must receive it.
const char kExpectedFile[] =
    "[ProvaFari]\r\n"
    "Marca=TECNOLUX\r\n"
    "Tipo=HL 2000\r\n"
    "NumOmologa=OM/123456\r\n"
    "NumSerie=0042\r\n"
    "NumVersioneSoftware=1.07\r\n"
    "DataScadenza=05122026\r\n"
    "AltezzaAnab=#085\r\n"
    "TipoAnab=#2\r\n"
    "VertAnabDx=0\r\n"
    "VertAnabSx=1\r\n"
    "VertAbbDx=0\r\n"
    "VertAbbSx=0\r\n"
    "OrizzAnabDx=0\r\n"
    "OrizzAnabSx=0\r\n"
    "OrizzAbbDx=1\r\n"
    "OrizzAbbSx=0\r\n"
    "IllumLuxAnabDx=012345\r\n"
    "IllumLuxAnabSx=000013\r\n"
    "IllumLuxAbbDx=-000003\r\n"
    "IllumLuxAbbSx=1234567\r\n"
    "EsitoIllumLuxAnabDx=P\r\n"
    "EsitoIllumLuxAnabSx=P\r\n"
    "EsitoIllumLuxAbbDx=N\r\n"
    "EsitoIllumLuxAbbSx=P\r\n"
    "Esito=N\r\n"
    "CodErrore=\r\n"
    "DataMisura=05122026\r\n"
    "InizioMisura=103000\r\n"
    "FineMisura=103112\r\n"
    "Operatore=Rossi Mario\r\n";

void FillSample(FarResult& r) {
    r.Marca = "TECNOLUX";
    r.Tipo = "HL 2000";
    r.NumOmologa = "OM/123456";
    r.NumSerie = "0042";
    r.NumVersioneSoftware = "1.07";
    r.DataScadenza = "05/12/2026";
    r.AltezzaAnab = "85";
    r.TipoAnab = "2";
    r.VertAnabDx = "0", r.VertAnabSx = "1", r.VertAbbDx = "0", r.VertAbbSx = "0";
    r.OrizzAnabDx = "0", r.OrizzAnabSx = "0", r.OrizzAbbDx = "1", r.OrizzAbbSx = "0";
    r.IllumLuxAnabDx = "12345";
    r.IllumLuxAnabSx = "12.5";
    r.IllumLuxAbbDx = "-2.5";
    r.IllumLuxAbbSx = "1234567";
    r.EsitoIllumLuxAnabDx = "P", r.EsitoIllumLuxAnabSx = "P", r.EsitoIllumLuxAbbDx = "N", r.EsitoIllumLuxAbbSx = "P";
    r.Esito = "N";
    r.CodErrore = "E99";  // never written
    r.DataMisura = "05122026";
    r.InizioMisura = "103000";
    r.FineMisura = "103112";
    r.Operatore = "Rossi Mario";
}

class ResultWriterTest : public ::testing::Test {
protected:
    TempDir tmp;
    FaultyFileSystem files{DefaultFileSystem()};
    FakeStation fx{files};
    AppState& st = fx.state;
    FarResult result;
    std::string prog, acc;

    void SetUp() override {
        prog = tmp.MakeDir("prog");
        acc = tmp.MakeDir("DIR_FAR") + kSep;
        st.programDir = prog;
        st.AccDirectory = acc;
        // Distinct texts per id once the language file is read; the checks
        // below compare with the look-up itself.
        WriteBytes(prog + kSep + "Language.ini",
                   "[Italiano]\r\n303=Nessuna\r\n601=T601\r\n602=T602\r\n603=T603\r\n604=T604\r\n"
                   "611=T611\r\n612=T612\r\n613=T613\r\n614=T614\r\n615=T615\r\n");
        st.sLanguage = "Italiano";
        st.LanguageIni.SetIniFile(prog + kSep + "Language.ini");
        FillSample(result);
        st.bTestArmed = true;
        for (int i = 0; i < 3; ++i) fx.view.vehicle[i] = "veicolo " + std::to_string(i);
        fx.view.operatorName = "Rossi Mario";
        fx.view.comboText = kReservation;
    }

    void SelectReservation() {
        WriteBytes(acc + kReservation, kReservationBytes);
        st.SelectedAccFile = kReservation;
        st.ReservationIni.SetIniFile(acc + kReservation);
    }

    std::string Lang(int id) { return GetLangString(st, id); }

    void ExpectMessage(size_t index, const std::string& text, int titleId, int style) {
        ASSERT_LT(index, fx.messages.shown.size());
        const ShownMessage& m = fx.messages.shown[index];
        EXPECT_EQ(m.text, text);
        EXPECT_EQ(m.title, Lang(titleId));
        EXPECT_EQ(m.style, style);
    }

    // Nothing changed but the message: the result can be written again.
    void ExpectNothingDelivered(const std::vector<std::string>& accBefore) {
        EXPECT_EQ(Entries(acc), accBefore);
        EXPECT_EQ(Entries(prog), std::vector<std::string>{"Language.ini"});
        EXPECT_TRUE(st.bTestArmed);
        EXPECT_FALSE(st.bClosePending);
        EXPECT_EQ(fx.view.vehicle[0], "veicolo 0");
        EXPECT_EQ(fx.view.operatorName, "Rossi Mario");
        EXPECT_EQ(fx.view.comboText, kReservation);
    }
};

TEST_F(ResultWriterTest, ReservationIsAnsweredByItsFarFile) {
    SelectReservation();
    // The box is modal and serial input runs while it is open: by then the
    // result must be in place and the window idle.
    bool checkedWhileOpen = false;
    fx.messages.whileOpen = [&] {
        checkedWhileOpen = true;
        EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
        EXPECT_FALSE(st.bTestArmed);
        EXPECT_TRUE(st.SelectedAccFile.empty());
        EXPECT_EQ(fx.view.operatorName, "");
        // The report, printed after this message, reads the program folder's copy.
        EXPECT_EQ(Entries(prog), (std::vector<std::string>{"26000123.TMP", "Language.ini"}));
    };

    EXPECT_TRUE(WriteTestResult(fx.station, result));

    EXPECT_TRUE(checkedWhileOpen);
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});  // .ACC and .FA$ gone
    EXPECT_EQ(Entries(prog), std::vector<std::string>{"Language.ini"});  // no .TMP left
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_FALSE(st.bClosePending);
    EXPECT_TRUE(st.SelectedAccFile.empty());
    EXPECT_EQ(st.ReservationIni.IniFile(), prog + "\\26000123.TMP");
    ASSERT_EQ(fx.messages.shown.size(), 1u);
    ExpectMessage(0, Lang(602) + " '" + acc + "26000123.FAR'", 601, kStyleInformation);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fx.view.vehicle[i], "");
    EXPECT_EQ(fx.view.operatorName, "");
    EXPECT_EQ(fx.view.comboText, Lang(303));
    // The hand-over order: program folder, partial name, rename, then the reservation.
    const std::vector<std::string> expectedCalls{
        "WriteNew " + prog + "\\26000123.TMP",   "CopyAndFlush " + acc + "26000123.FA$",
        "Replace " + acc + "26000123.FAR",       "Delete " + acc + kReservation,
        "Delete " + prog + "\\26000123.TMP",
    };
    EXPECT_EQ(files.calls, expectedCalls);
}

TEST_F(ResultWriterTest, WithoutReservationTheResultIsTestFar) {
    WriteBytes(acc + "26000999.ACC", kReservationBytes);  // someone else's, untouched
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(ReadBytes(acc + "Test.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), (std::vector<std::string>{"26000999.ACC", "Test.FAR"}));
    EXPECT_EQ(ReadBytes(acc + "26000999.ACC"), kReservationBytes);
    EXPECT_EQ(Entries(prog), std::vector<std::string>{"Language.ini"});
    EXPECT_EQ(st.ReservationIni.IniFile(), prog + "\\Test.TMP");
    ExpectMessage(0, Lang(602) + " '" + acc + "Test.FAR'", 601, kStyleInformation);
    EXPECT_FALSE(st.bTestArmed);
}

TEST_F(ResultWriterTest, AnOlderResultIsReplacedWhole) {
    SelectReservation();
    WriteBytes(acc + "26000123.FAR", "[ProvaFari]\r\nVecchia=1\r\n[Altro]\r\nx=y\r\n");
    // Leftovers of an attempt that was cut short.
    WriteBytes(acc + "26000123.FA$", "[ProvaFari]\r\nMarca=");
    WriteBytes(prog + kSep + "26000123.TMP", "junk");
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
    EXPECT_EQ(Entries(prog), std::vector<std::string>{"Language.ini"});
}

TEST_F(ResultWriterTest, ProgramFolderEndingInSeparatorGetsNoSecondOne) {
    st.programDir = prog + kSep;
    SelectReservation();
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(st.ReservationIni.IniFile(), prog + kSep + "26000123.TMP");
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
}

TEST(ResultPaths, NamesFollowTheReservation) {
    AppState st;
    st.AccDirectory = "C:\\MCTC\\DIR_FAR\\";
    st.programDir = "C:\\";  // a drive root
    ResultPaths p = ComputeResultPaths(st);
    EXPECT_EQ(p.reservation, "");
    EXPECT_EQ(p.result, "C:\\MCTC\\DIR_FAR\\Test.FAR");
    EXPECT_EQ(p.partial, "C:\\MCTC\\DIR_FAR\\Test.FA$");
    EXPECT_EQ(p.temp, "C:\\Test.TMP");
    st.AccDirectory = "C:\\MCTC\\DIR_FAR";  // the same folder without its final "\"
    EXPECT_EQ(ComputeResultPaths(st).partial, "C:\\MCTC\\DIR_FAR\\Test.FA$");

    st.programDir = "C:\\Programmi\\HELIOTAB";
    st.SelectedAccFile = "26000123.ACC";
    st.ReservationIni.SetIniFile("C:\\MCTC\\DIR_FAR\\26000123.ACC");
    p = ComputeResultPaths(st);
    EXPECT_EQ(p.reservation, "C:\\MCTC\\DIR_FAR\\26000123.ACC");
    EXPECT_EQ(p.result, "C:\\MCTC\\DIR_FAR\\26000123.FAR");
    EXPECT_EQ(p.partial, "C:\\MCTC\\DIR_FAR\\26000123.FA$");
    EXPECT_EQ(p.temp, "C:\\Programmi\\HELIOTAB\\26000123.TMP");

    // Only the file name's last dot counts.
    st.ReservationIni.SetIniFile("C:\\MC.TC\\26000123");
    p = ComputeResultPaths(st);
    EXPECT_EQ(p.result, "C:\\MC.TC\\26000123.FAR");
    EXPECT_EQ(p.temp, "C:\\Programmi\\HELIOTAB\\26000123.TMP");
    st.ReservationIni.SetIniFile("C:\\X\\a.b.ACC");
    p = ComputeResultPaths(st);
    EXPECT_EQ(p.result, "C:\\X\\a.b.FAR");
    EXPECT_EQ(p.temp, "C:\\Programmi\\HELIOTAB\\a.b.TMP");
}

TEST_F(ResultWriterTest, CloseAfterTestSetsClosePendingAndShowsNothing) {
    st.bCloseAfterTest = true;
    SelectReservation();
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_TRUE(st.bClosePending);
    EXPECT_TRUE(fx.messages.shown.empty());
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
    EXPECT_FALSE(st.bTestArmed);
}

TEST_F(ResultWriterTest, ValuesCannotAddLinesKeysOrSections) {
    SelectReservation();
    result.Operatore = "Rossi\r\n[X]\r\nk=v";
    result.Marca = "TECNO\nLUX";
    result.TipoAnab = "\r\n[Y]";
    result.Esito = std::string("N\0[Z]", 5);
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    std::string expected = kExpectedFile;
    auto swap = [&](const std::string& from, const std::string& to) {
        const size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    swap("Operatore=Rossi Mario\r\n", "Operatore=Rossi  [X]  k=v\r\n");
    swap("Marca=TECNOLUX\r\n", "Marca=TECNO LUX\r\n");
    swap("TipoAnab=#2\r\n", "TipoAnab=#  [Y]\r\n");
    swap("Esito=N\r\n", "Esito=N [Z]\r\n");
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), expected);
}

// --- Failure paths: each one keeps the reservation and the armed test. ---

struct FailureCase {
    FsOp op;
    FileStatus status;
    int textId, titleId;
    bool withResultPath;
};

class ResultWriterFailure : public ResultWriterTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ResultWriterFailure, ReportsKeepsReservationAndStaysArmed) {
    const FailureCase c = GetParam();
    st.bCloseAfterTest = true;  // a failure is shown even so, and nothing closes
    SelectReservation();
    files.FailAlways(c.op, c.status);
    const std::vector<std::string> accBefore = Entries(acc);

    EXPECT_FALSE(WriteTestResult(fx.station, result));

    ASSERT_EQ(fx.messages.shown.size(), 1u);
    const std::string text = Lang(c.textId) + (c.withResultPath ? " '" + acc + "26000123.FAR'" : "");
    ExpectMessage(0, text, c.titleId, kStyleStop);
    ExpectNothingDelivered(accBefore);
    EXPECT_EQ(ReadBytes(acc + kReservation), kReservationBytes);
    EXPECT_EQ(st.SelectedAccFile, kReservation);
    EXPECT_EQ(st.ReservationIni.IniFile(), acc + kReservation);

    // Once the fault is gone, the repeated measurement delivers to the same name.
    files.Heal();
    fx.messages.shown.clear();
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
    EXPECT_TRUE(st.bClosePending);
}

INSTANTIATE_TEST_SUITE_P(
    AllSteps, ResultWriterFailure,
    ::testing::Values(FailureCase{FsOp::WriteNew, FileStatus::Other, 604, 603, false},
                      FailureCase{FsOp::WriteNew, FileStatus::Access, 604, 603, false},
                      FailureCase{FsOp::WriteNew, FileStatus::NotFound, 604, 603, false},
                      FailureCase{FsOp::CopyAndFlush, FileStatus::Other, 613, 603, true},
                      FailureCase{FsOp::CopyAndFlush, FileStatus::NotFound, 613, 603, true},
                      FailureCase{FsOp::CopyAndFlush, FileStatus::Access, 612, 611, false},
                      FailureCase{FsOp::Replace, FileStatus::Other, 613, 603, true},
                      FailureCase{FsOp::Replace, FileStatus::NotFound, 613, 603, true},
                      FailureCase{FsOp::Replace, FileStatus::Access, 612, 611, false}));

TEST_F(ResultWriterTest, StalePartialThatCannotBeRemovedStopsTheHandOver) {
    SelectReservation();
    WriteBytes(acc + "26000123.FA$", "[ProvaFari]\r\n");
    files.FailAlways(FsOp::Delete, FileStatus::Access, ".FA$");
    EXPECT_FALSE(WriteTestResult(fx.station, result));
    ExpectMessage(0, Lang(612), 611, kStyleStop);
    EXPECT_FALSE(Exists(acc + "26000123.FAR"));
    EXPECT_TRUE(st.bTestArmed);
    EXPECT_EQ(ReadBytes(acc + kReservation), kReservationBytes);
}

TEST_F(ResultWriterTest, ReadOnlyOlderResultIsAnAccessErrorAndStaysAsItWas) {
    SelectReservation();
    const std::string old = "[ProvaFari]\r\nVecchia=1\r\n";
    WriteBytes(acc + "26000123.FAR", old);
    SetReadOnly(acc + "26000123.FAR", true);
    const std::vector<std::string> accBefore = Entries(acc);

    EXPECT_FALSE(WriteTestResult(fx.station, result));

    ASSERT_EQ(fx.messages.shown.size(), 1u);
    ExpectMessage(0, Lang(612), 611, kStyleStop);
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), old);
    ExpectNothingDelivered(accBefore);
    EXPECT_EQ(ReadBytes(acc + kReservation), kReservationBytes);
    EXPECT_EQ(st.SelectedAccFile, kReservation);
    SetReadOnly(acc + "26000123.FAR", false);
}

TEST_F(ResultWriterTest, MissingProgramFolderIsAWriteFailure) {
    st.programDir = tmp.Path() + kSep + "gone";
    SelectReservation();
    EXPECT_FALSE(WriteTestResult(fx.station, result));
    ExpectMessage(0, Lang(604), 603, kStyleStop);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{kReservation});
    EXPECT_TRUE(st.bTestArmed);
}

TEST_F(ResultWriterTest, MissingExchangeDirectoryIsReportedNotDelivered) {
    st.AccDirectory = tmp.Path() + kSep + "gone" + kSep;
    EXPECT_FALSE(WriteTestResult(fx.station, result));
    ExpectMessage(0, Lang(613) + " '" + st.AccDirectory + "Test.FAR'", 603, kStyleStop);
    EXPECT_EQ(Entries(prog), std::vector<std::string>{"Language.ini"});
    EXPECT_TRUE(st.bTestArmed);
}

TEST_F(ResultWriterTest, ReservationThatCannotBeDeletedIsReportedAfterDelivery) {
    SelectReservation();
    files.FailAlways(FsOp::Delete, FileStatus::Access, ".ACC");
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_TRUE(st.SelectedAccFile.empty());
    ASSERT_EQ(fx.messages.shown.size(), 2u);
    ExpectMessage(0, Lang(602) + " '" + acc + "26000123.FAR'", 601, kStyleInformation);
    ExpectMessage(1, Lang(614) + " '" + acc + kReservation + "'", 615, kStyleExclamation);
}

TEST_F(ResultWriterTest, WarningComesBeforeTheCloseAfterTest) {
    st.bCloseAfterTest = true;
    SelectReservation();
    files.FailAlways(FsOp::Delete, FileStatus::Other, ".ACC");
    bool pendingWhileOpen = true;
    fx.messages.whileOpen = [&] { pendingWhileOpen = st.bClosePending; };
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    ASSERT_EQ(fx.messages.shown.size(), 1u);
    ExpectMessage(0, Lang(614) + " '" + acc + kReservation + "'", 615, kStyleExclamation);
    EXPECT_FALSE(pendingWhileOpen);
    EXPECT_TRUE(st.bClosePending);
}

TEST_F(ResultWriterTest, ReservationAlreadyTakenBackIsNoFault) {
    SelectReservation();
    std::filesystem::remove(acc + kReservation);
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    ASSERT_EQ(fx.messages.shown.size(), 1u);
    EXPECT_EQ(fx.messages.shown[0].style, kStyleInformation);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
}

}  // namespace

namespace {

// A reservation named like its own result must not be deleted after the
// result has replaced it.
TEST_F(ResultWriterTest, ReservationWithTheResultsNameIsNotDeletedAfterwards) {
    WriteBytes(acc + "26000123.FAR", kReservationBytes);
    st.SelectedAccFile = "26000123.FAR";
    st.ReservationIni.SetIniFile(acc + "26000123.FAR");
    EXPECT_TRUE(WriteTestResult(fx.station, result));
    EXPECT_EQ(ReadBytes(acc + "26000123.FAR"), kExpectedFile);
    EXPECT_EQ(Entries(acc), std::vector<std::string>{"26000123.FAR"});
    EXPECT_TRUE(st.SelectedAccFile.empty());
}

}  // namespace
