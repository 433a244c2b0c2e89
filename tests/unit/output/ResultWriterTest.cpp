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
const std::string kAcc = "26000123.ACC", kAccBytes = "[Accettazione]\r\nTarga=AB123CD\r\n",
                  kOld = "[ProvaFari]\r\nVecchia=1\r\n";

// The sample test below as the booking software must receive it.
const std::string kExpected =
    "[ProvaFari]\r\nMarca=TECNOLUX\r\nTipo=HL 2000\r\nNumOmologa=OM/123456\r\nNumSerie=0042\r\n"
    "NumVersioneSoftware=1.07\r\nDataScadenza=05122026\r\nAltezzaAnab=#085\r\nTipoAnab=#"
    "2\r\nVertAnabDx=0\r\n"
    "VertAnabSx=1\r\nVertAbbDx=0\r\nVertAbbSx=0\r\nOrizzAnabDx=0\r\nOrizzAnabSx=0\r\nOrizzAbbDx="
    "1\r\nOrizzAbbSx=0\r\n"
    "IllumLuxAnabDx=012345\r\nIllumLuxAnabSx=000013\r\nIllumLuxAbbDx=-000003\r\nIllumLuxAbbSx="
    "1234567\r\n"
    "EsitoIllumLuxAnabDx=P\r\nEsitoIllumLuxAnabSx=P\r\nEsitoIllumLuxAbbDx=N\r\nEsitoIllumLuxAbbSx="
    "P\r\nEsito=N\r\n"
    "CodErrore=\r\nDataMisura=05122026\r\nInizioMisura=103000\r\nFineMisura=103112\r\nOperatore="
    "Rossi Mario\r\n";

// A station over a scratch program folder and exchange directory, with a
// language file whose texts are "T" and their id, and an armed test.
struct Bench {
    Bench() {
        st.programDir = prog, st.AccDirectory = acc;
        WriteFile(prog + kSep + "Language.ini",
                  "[Italiano]\r\n303=Nessuna\r\n601=T601\r\n602=T602\r\n603=T603\r\n"
                  "604=T604\r\n611=T611\r\n612=T612\r\n613=T613\r\n614=T614\r\n615=T615\r\n650="
                  "T650\r\n651=T651\r\n652=T652\r\n");
        st.sLanguage = "Italiano", st.LanguageIni.SetIniFile(prog + kSep + "Language.ini");
        const char* in[] = {"TECNOLUX",  "HL 2000",
                            "OM/123456", "0042",
                            "1.07",      "05/12/2026",
                            "85",        "2",
                            "0",         "1",
                            "0",         "0",
                            "0",         "0",
                            "1",         "0",
                            "12345",     "12.5",
                            "-2.5",      "1234567",
                            "P",         "P",
                            "N",         "P",
                            "N",         "E99" /* never written */,
                            "05122026",  "103000",
                            "103112",    "Rossi Mario"};
        for (size_t i = 0; i < kFarResultKeys.size(); ++i)
            r.*kFarResultKeys[i].field = in[i];
        st.bTestArmed = true, fx.view.vehicle[0] = "veicolo", fx.view.operatorName = "Rossi Mario",
        fx.view.comboText = kAcc;
    }
    void Select(const std::string& name = kAcc) {
        WriteFile(acc + name, kAccBytes), st.SelectedAccFile = name,
                                          st.ReservationIni.SetIniFile(acc + name);
    }
    std::string Far() { return acc + "26000123.FAR"; }
    // Everything the operator and the booking software can see, with the folders as <acc> and
    // <prog>.
    std::string Seen() {
        std::string s = "acc:";
        for (const std::string& n : Entries(acc))
            s += " " + n +
                 (ReadFile(acc + n) == kExpected ? "=new"
                  : ReadFile(acc + n) == kOld    ? "=old"
                                                 : "");
        s += " prog:";
        for (const std::string& n : Entries(prog))
            s += " " + n;
        s += std::string(" armed:") + "01"[st.bTestArmed] + " close:" + "01"[st.bClosePending] +
             " sel:" + st.SelectedAccFile + " ini:" + st.ReservationIni.IniFile() +
             " view:" + fx.view.vehicle[0] + "/" + fx.view.operatorName + "/" + fx.view.comboText;
        for (const ShownMessage& m : fx.messages.shown)
            s += " | " + m.text + "|" + m.title + "|" + std::to_string(m.style);
        for (const auto& [from, to] :
             {std::pair{acc, std::string("<acc>")}, {prog, std::string("<prog>")}})
            for (size_t at; (at = s.find(from)) != std::string::npos;)
                s.replace(at, from.size(), to);
        return s;
    }
    TempDir tmp;
    FaultyFileSystem files{DefaultFileSystem()};
    FakeStation fx{files};
    AppState& st = fx.state;
    FarResult r;
    std::string prog = tmp.MakeDir("prog"), acc = tmp.MakeDir("DIR_FAR") + kSep;
};

// The idle look after a delivery.
std::string Done(bool close, char sep = '\\', const std::string& name = "26000123") {
    return std::string("armed:0 close:") + "01"[close] + " sel: ini:<prog>" + sep + name +
           ".TMP view://Nessuna";
}

} // namespace

// Delivered: the result in place, the window idle; the reservation deleted last, a
// failure there only warns (before a close after the test), one taken back is no fault.
TEST(ResultWriter, NamesDeliveryValuesAndTheReservationAfterwards) {
    const std::string told = " | T602 '<acc>26000123.FAR'|T601|64",
                      warned = " | T614 '<acc>26000123.ACC'|T615|48";
    const std::tuple<const char*, std::string> rows[] = {
        {"", "acc: 26000123.FAR=new prog: Language.ini " + Done(false) + told},
        {"close", "acc: 26000123.FAR=new prog: Language.ini " + Done(true)},
        {"gone", "acc: 26000123.FAR=new prog: Language.ini " + Done(false) + told},
        {"locked",
         "acc: 26000123.ACC 26000123.FAR=new prog: Language.ini " + Done(false) + told + warned},
        {"close locked",
         "acc: 26000123.ACC 26000123.FAR=new prog: Language.ini " + Done(true) + warned},
        // An older result and a cut attempt's files are replaced; a program folder ending in its
        // separator gets no second one.
        {"leftovers", "acc: 26000123.FAR=new prog: Language.ini " + Done(false, kSep) + told},
        {"unbooked", "acc: 26000999.ACC Test.FAR=new prog: Language.ini " +
                         Done(false, '\\', "Test") + " | T602 '<acc>Test.FAR'|T601|64"},
        {"named like its result", "acc: 26000123.FAR=new prog: Language.ini " + Done(false) + told},
    };
    for (const auto& [how, want] : rows) {
        const std::string setup = how;
        Bench b;
        b.st.bCloseAfterTest = setup.find("close") == 0;
        if (setup == "unbooked")
            WriteFile(b.acc + "26000999.ACC", kAccBytes); // someone else's, untouched
        else
            b.Select(setup == "named like its result" ? "26000123.FAR" : kAcc);
        if (setup == "gone")
            std::filesystem::remove(b.acc + kAcc);
        if (setup.find("locked") != std::string::npos)
            b.files.failOp = "Delete", b.files.failSuffix = ".ACC",
            b.files.failStatus = FileStatus::Access;
        if (setup == "leftovers") {
            WriteFile(b.Far(), kOld + "[Altro]\r\nx=y\r\n"),
                WriteFile(b.acc + "26000123.FA$", "[ProvaFari]\r\nMarca=");
            WriteFile(b.prog + kSep + "26000123.TMP", "junk"),
                b.st.programDir = b.prog + kSep; // no second separator
        }
        // The box is modal and serial input runs while it is open: by then the result is in place,
        // the window idle, the report's copy there and no close asked for.
        std::string whileOpen;
        b.fx.messages.whileOpen = [&] { whileOpen = b.Seen(); };
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(b.Seen(), want) << setup;
        if (setup == "unbooked" || setup.find("close") == 0)
            continue;
        std::string open = want.substr(0, want.find(" | ")) + told;
        open.replace(open.find("prog: "), 6, "prog: 26000123.TMP ");
        EXPECT_EQ(whileOpen, open) << setup;
        if (setup.empty()) // the hand-over order: program folder, partial name, rename, then the
                           // reservation
            EXPECT_EQ(b.files.calls,
                      (Names{"WriteNew " + b.prog + "\\26000123.TMP",
                             "CopyAndFlush " + b.acc + "26000123.FA$", "Replace " + b.Far(),
                             "Delete " + b.acc + kAcc, "Delete " + b.prog + "\\26000123.TMP"}));
    }
    // Values cannot add lines, keys or sections.
    Bench b;
    b.r.Operatore = "Rossi\r\n[X]\r\nk=v", b.r.Marca = "TECNO\nLUX", b.r.TipoAnab = "\r\n[Y]",
    b.r.Esito = std::string("N\0[Z]", 5);
    EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
    std::string want = kExpected;
    for (const auto& [from, to] :
         {std::pair{"Operatore=Rossi Mario\r\n", "Operatore=Rossi  [X]  k=v\r\n"},
          {"Marca=TECNOLUX\r\n", "Marca=TECNO LUX\r\n"},
          {"TipoAnab=#2\r\n", "TipoAnab=#  [Y]\r\n"},
          {"Esito=N\r\n", "Esito=N [Z]\r\n"}})
        want.replace(want.find(from), std::string(from).size(), to);
    EXPECT_EQ(ReadFile(b.acc + "Test.FAR"), want);
    // The names follow the reservation; only the file name's last dot counts.
    AppState st;
    st.AccDirectory = "C:\\MCTC\\DIR_FAR"; // with or without its final "\"
    st.programDir = "C:\\";                // a drive root
    auto Paths = [&] {
        const ResultPaths p = ComputeResultPaths(st);
        return p.reservation + "|" + p.result + "|" + p.partial + "|" + p.temp;
    };
    EXPECT_EQ(Paths(), "|C:\\MCTC\\DIR_FAR\\Test.FAR|C:\\MCTC\\DIR_FAR\\Test.FA$|C:\\Test.TMP");
    st.programDir = "C:\\P", st.SelectedAccFile = "26000123.ACC";
    const std::pair<const char*, const char*> names[] = {
        // only the file name's last dot counts
        {"C:\\M\\26000123.ACC", "|C:\\M\\26000123.FAR|C:\\M\\26000123.FA$|C:\\P\\26000123.TMP"},
        {"C:\\M.C\\26000123", "|C:\\M.C\\26000123.FAR|C:\\M.C\\26000123.FA$|C:\\P\\26000123.TMP"},
        {"C:\\X\\a.b.ACC", "|C:\\X\\a.b.FAR|C:\\X\\a.b.FA$|C:\\P\\a.b.TMP"},
    };
    for (const auto& [reservation, want] : names) {
        st.ReservationIni.SetIniFile(reservation);
        EXPECT_EQ(Paths(), reservation + std::string(want));
    }
}

// Each failure keeps the reservation and the armed test (its look back before the box), and says
// why; once the fault is gone the repeated measurement delivers to the same name.
TEST(ResultWriter, FailuresKeepEverything) {
    using enum FileStatus;
    const std::string kept = " armed:1 close:0 sel:26000123.ACC ini:<acc>26000123.ACC "
                             "view:veicolo/Rossi Mario/26000123.ACC | ";
    const std::string failed = "T613 '<acc>26000123.FAR'|T603|16", access = "T612|T611|16",
                      unwritten = "T604|T603|16";
    const std::tuple<const char*, const char*, FileStatus, std::string> rows[] = {
        {"WriteNew", "", Other, unwritten},
        {"WriteNew", "", Access, unwritten},
        {"WriteNew", "", NotFound, unwritten},
        {"CopyAndFlush", "", Other, failed},
        {"CopyAndFlush", "", NotFound, failed},
        {"CopyAndFlush", "", Access, access},
        {"Replace", "", Other, failed},
        {"Replace", "", NotFound, failed},
        {"Replace", "", Access, access},
        {"read-only", "", Ok, access},
        {"no program folder", "", Ok, unwritten},
        {"Delete", ".FA$", Access, access}, // a stale .FA$ that stays
    };
    for (const auto& [op, suffix, status, msg] : rows) {
        const std::string setup = op;
        Bench b;
        b.st.bCloseAfterTest = true; // a failure is shown even so, and nothing closes
        b.Select(), b.files.failOp = op, b.files.failSuffix = suffix, b.files.failStatus = status,
                    b.fx.view.enabled[Button::Ferma] = false;
        std::string look;
        b.fx.messages.whileOpen = [&] {
            auto& v = b.fx.view;
            look = std::string() + "01"[v.enabled[Button::Ferma]] + "01"[v.enabled[Button::Test]] +
                   "01"[v.enabled[Button::Opzioni]] + "01"[v.trayOptionsEnabled] +
                   "01"[v.comboEnabled];
        };
        if (setup == "Delete")
            WriteFile(b.acc + "26000123.FA$", kOld);
        if (setup == "read-only")
            WriteFile(b.Far(), kOld), SetReadOnly(b.Far(), true);
        if (setup == "no program folder")
            b.st.programDir = b.tmp.Path() + kSep + "gone";
        EXPECT_FALSE(WriteTestResult(b.fx.station, b.r));
        const std::string acc = setup == "Delete"      ? "26000123.FA$=old "
                                : setup == "read-only" ? "26000123.FAR=old "
                                                       : "";
        EXPECT_EQ(b.Seen() + " " + look,
                  "acc: 26000123.ACC " + acc + "prog: Language.ini" + kept + msg + " 10000")
            << setup << static_cast<int>(status);
        if (setup == "read-only")
            SetReadOnly(b.Far(), false);
        b.files.failOp.clear(), b.st.programDir = b.prog, b.fx.messages.shown.clear();
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        EXPECT_EQ(b.Seen(), "acc: 26000123.FAR=new prog: Language.ini " + Done(true));
    }
    Bench b; // a missing exchange directory is reported, nothing delivered
    b.st.AccDirectory = b.tmp.Path() + kSep + "gone" + kSep;
    EXPECT_FALSE(WriteTestResult(b.fx.station, b.r));
    EXPECT_EQ(b.Seen(), "acc: prog: Language.ini armed:1 close:0 sel: ini: view:veicolo/Rossi "
                        "Mario/26000123.ACC | T613 '" +
                            b.st.AccDirectory + "Test.FAR'|T603|16");
}

// The report at the end of a delivered result, the printer answering every way it can.
TEST(PrintReport, TheResultIsDeliveredWhateverThePrinterDoes) {
    enum class P { Prints, NoPrinter, Cancel, DialogFails, JobFails, FileGone, NotAsked };
    const std::tuple<P, bool, int> rows[] = {
        {P::Prints, false, 0},       {P::Prints, true, 0},      {P::NoPrinter, false, 651},
        {P::NoPrinter, true, 651},   {P::Cancel, false, 0},     {P::Cancel, true, 0},
        {P::DialogFails, true, 652}, {P::JobFails, false, 652}, {P::JobFails, true, 652},
        {P::FileGone, false, 652},   {P::NotAsked, false, 0},
    };
    for (const auto& [printer, close, messageId] : rows) {
        SCOPED_TRACE(static_cast<int>(printer) * 10 + close);
        Bench b;
        b.Select(), b.r.Marca = "TECNO, LUX", b.st.bCloseAfterTest = close,
                    b.st.bPrintReport = printer != P::NotAsked;
        FakeReportPrinter& fp = b.fx.printer;
        fp.installed = printer != P::NoPrinter;
        fp.choice = printer == P::Cancel        ? PrintChoice::Cancelled
                    : printer == P::DialogFails ? PrintChoice::Failed
                                                : fp.choice;
        fp.printFails = printer == P::JobFails;
        std::string whileOpen;
        fp.whileOpen = [&] { // modal: the result is in place, nothing asks to close under it
            whileOpen = b.Seen();
            if (printer == P::FileGone)
                std::filesystem::remove(b.prog + kSep + "26000123.TMP");
        };
        EXPECT_TRUE(WriteTestResult(b.fx.station, b.r));
        std::string msgs = close ? "" : " | T602 '<acc>26000123.FAR'|T601|64";
        EXPECT_EQ(whileOpen, fp.dialogs ? "acc: 26000123.FAR prog: 26000123.TMP Language.ini " +
                                              Done(false) + msgs
                                        : "");
        if (messageId)
            msgs += " | T" + std::to_string(messageId) +
                    "|T650|48"; // after the 602 the operator reads first
        EXPECT_EQ(b.Seen(), "acc: 26000123.FAR prog: Language.ini " + Done(close) + msgs);
        ASSERT_EQ(std::pair(fp.dialogs, fp.printed.size()),
                  std::pair(printer == P::NoPrinter || printer == P::NotAsked ? 0 : 1,
                            size_t{printer == P::Prints}));
        if (printer != P::Prints)
            continue;
        // The report is the delivered file: the section, thirty keys, one more line for the comma.
        const ReportLayout& report = fp.printed[0].layout;
        EXPECT_EQ(fp.printed[0].title + "|" + report.header,
                  b.Far() + "|" + b.Far() + " - 05/12/2026 10:30:00");
        ASSERT_EQ(report.body.size(), 32u);
        EXPECT_EQ(report.body[1] + "|" + report.body[2] + "|" + report.body[31],
                  "Marca=TECNO|LUX|Operatore=Rossi Mario");
        EXPECT_EQ(ReadReportItems(ReadFile(b.Far())), report.body);
    }
}
