// Whole tests through the portable core: start-up with the shipped
// Language.ini and masks, the poll finding the tester, the operator's
// choice, the tester's frames as the line delivers them on virtual time;
// then the wire, the exchange folder's files byte for byte, the messages
// and the window.
#include <gtest/gtest.h>

#include <set>

#include "app/frmMain.h"
#include "device/ControlBytes.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "reservation/DemoReservations.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testframes;
using testutil::kSep;

namespace {

// A result file from its thirty values in key order, '|' between them.
std::string FarFile(const std::string& values) {
    std::string out = "[ProvaFari]\r\n",
                keys =
                    "Marca|Tipo|NumOmologa|NumSerie|NumVersioneSoftware|DataScadenza|AltezzaAnab|"
                    "TipoAnab|VertAnabDx|"
                    "VertAnabSx|VertAbbDx|VertAbbSx|OrizzAnabDx|OrizzAnabSx|OrizzAbbDx|OrizzAbbSx|"
                    "IllumLuxAnabDx|IllumLuxAnabSx|IllumLuxAbbDx|IllumLuxAbbSx|"
                    "EsitoIllumLuxAnabDx|EsitoIllumLuxAnabSx|EsitoIllumLuxAbbDx|EsitoIllumLuxAbbSx|"
                    "Esito|CodErrore|DataMisura|InizioMisura|FineMisura|Operatore|";
    for (size_t k = 0, v = 0; k < keys.size();
         k = keys.find('|', k) + 1, v = values.find('|', v) + 1)
        out += keys.substr(k, keys.find('|', k) - k) + "=" +
               values.substr(v, values.find('|', v) - v) + "\r\n";
    return out;
}

// steps: at second s, "@plate" the operator picks it,
// "box" the steps after the next one happen while the message it brings is
// open, else bytes from the tester. wire: what was sent after the three
// ENQs of the start-up (the identity comes at 6 s).
struct Row {
    const char* what;
    std::string settings, identity; // settings: extra [Impostazioni] lines
    std::vector<std::pair<int, std::string>> steps;
    std::string wire, far, farValues, files, messages, window;
    std::string accSeparator =
        "\\"; // "Files .ACC" ends with it, or not, or with the other separator
};

struct Road {
    explicit Road(const Row& row) {
        for (const char* name :
             {"Language.ini", "Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            testutil::WriteFile(
                program.File(name),
                testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
        settings = "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=3\r\n" + row.settings +
                   "[Percorsi]\r\nFiles .ACC=" + exchange + row.accSeparator + "\r\n";
        testutil::WriteFile(program.File("HELIOTAB.ini"), settings);
        f.state.programDir = program.Path();
        f.timers.onTimer = [this](int id) { TimerProc(f.station, id); };
        const StartupSwitches sw = ParseCommandLine(f.state, "");
        StartupLoadSettings(f.station);
        StartupInitialState(f.station, sw);
        StartupDeviceSearch(f.station);
        for (const DemoReservation& r : BuildDemoReservations(f.clock.Now()))
            if (r.fileName < "26000200")
                testutil::WriteFile(exchange + kSep + r.fileName, r.contents);
    }
    void Step(const std::string& what) {
        if (what[0] != '@')
            return OnSerialBytes(f.station, what);
        RebuildReservationList(
            f.station); // drops the list down and picks the vehicle, as the operator does
        for (size_t i = 1; i < f.view.comboItems.size(); ++i)
            if (f.view.comboItems[i].ends_with(what.substr(1)))
                f.view.SelectComboIndex(int(i));
        OnComboClick(f.station);
    }
    void At(int64_t s) { f.timers.Advance(t0 + s * 1000 - f.clock.Ms()); }
    std::string Wire() const {
        std::string out;
        char at[32];
        for (const SentByte& b : f.port.sent)
            out += std::map<int, std::string>{{kEOT, "EOT"},
                                              {kENQ, "ENQ"},
                                              {kACK, "ACK"},
                                              {kNAK, "NAK"},
                                              {kCAN, "CAN"}}[b.byte] +
                   (snprintf(at, sizeof at, "@%g ", (b.atMs - t0) / 1000.0), at);
        return out;
    }
    std::string Files(const std::string& folder) const {
        std::set<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(folder))
            names.insert(e.path().filename().string());
        std::string out;
        for (auto& n : names)
            out += n + " ";
        return out;
    }
    std::string Id(const std::string& text) {
        return TextId(f.state, text, {303, 332, 336, 338, 380, 382, 383, 384, 601, 602});
    }
    std::string Messages() {
        std::string out;
        for (auto& m : f.messages.shown) {
            std::string text = Id(m.text);
            if (const size_t at = text.find(exchange); at != std::string::npos)
                text.replace(at, exchange.size(), "X");
            out += text + "|" + Id(m.title) + "|" + std::to_string(m.style) + "@" +
                   std::to_string((m.atMs - t0) / 1000) + " ";
        }
        return out;
    }
    // Armed, the vehicle, operator, Ferma and combo enabled, panels, unloaded.
    std::string Window() {
        auto& v = f.view;
        return std::string(f.state.bTestArmed ? "armed " : "idle ") + v.vehicle[0] + "|" +
               v.vehicle[2] + "|" + v.operatorName + " " + (v.enabled[Button::Ferma] ? "F" : "-") +
               (v.comboEnabled ? "c " : "- ") + Id(v.comboText) + " " + Id(v.panels[Panel::Stato]) +
               " " + Id(v.panels[Panel::PortaCOM]) + (v.unloaded ? " unloaded" : "");
    }

    testutil::TempDir program;
    std::string exchange = program.MakeDir("DIR_FAR"), settings;
    FakeStation f{DefaultFileSystem()};
    int64_t t0 = f.clock.Ms();
};

std::string Light(const std::string& lux3 = "  20.0") {
    return Wire(FixedResults(true, {"RRRRARRR", {"  3.75", "  90.0", " 150.0", lux3}, " 85"}));
}
// Code 1: the left lamps do not count, the mark does.
std::string Bus(const std::string& status, const std::string& code) {
    return Wire(SeparatedFrame({{"OPTILUX", "SEP 24", "OM-BUS-99", "0815", "5.2", "01012028"},
                                status,
                                {"R", "I", "R#", "R", "A", "R", "R", "R"},
                                {"2.0", "1.5", "7.5", "200"},
                                "95",
                                "C",
                                code}));
}

TEST(Road, WholeTestsEndInTheirFilesWireAndWindow) {
    const std::string lux = "LUXOMETRA|HL-5|OM1234|0042|2.1B|31122026|",
                      start = Wire(FixedStatus('1'));
    const std::string light =
        lux + "#085|#A|R|R|R|R|A|R|R|R|003750|090000|150000|020000|R|R|R|R|A||05122026|";
    const std::string bus =
        "OPTILUX|SEP "
        "24|OM-BUS-99|0815|5.2|01012028|#095|#C|R|I|R|R|A|R|R|R|002000|001500|007500|200000|";
    const std::string busId = Bus("0", "1"), lightFiles = "26000101.FAR 26000102.ACC 26000103.ACC ",
                      id = Wire(FixedIdentity(true));
    const std::string idle = "idle || -c #303 #336 #3323", done = "|#601|64@";
    const std::string busFiles = "26000101.ACC 26000102.ACC 26000103.FAR ";
    const std::vector<Row> rows{
        {"light vehicle",
         "",
         id,
         {{10, "@FX123AB"}, {15, start}, {62, Light()}},
         "ACK@15 ACK@62 ",
         "26000101.FAR",
         light + "103015|103102|ROSSI MARIO",
         lightFiles,
         "#602 'X\\26000101.FAR'" + done + "62 ",
         idle},
        {"bus, separated frames",
         "",
         busId,
         {{10, "@FK789CD"}, {60, start}, {150, Bus("2", "1")}},
         "ACK@60 ACK@150 ",
         "26000103.FAR",
         bus + "R|I|R|I|#A||05122026|103100|103230|ROSSI MARIO",
         busFiles,
         "#602 'X\\26000103.FAR'" + done + "150 ",
         idle,
         ""},
        {"unknown configuration refused, then repeated",
         "",
         busId,
         {{10, "@FK789CD"}, {60, start}, {150, Bus("2", "7")}, {200, start}, {260, Bus("2", "3")}},
         "ACK@60 ACK@150 ACK@200 ACK@260 ",
         "26000103.FAR",
         bus + "R|I|R|I|A||05122026|103320|103420|ROSSI MARIO",
         busFiles,
         "#383|#380|48@150 #602 'X\\26000103.FAR'" + done + "260 ",
         idle},
        {"a repeat while the refusal is still open is delivered",
         "",
         id,
         {{10, "@FX123AB"},
          {15, start},
          {62, "box"},
          {62, Light("      ")},
          {70, start},
          {95, Light()}},
         "ACK@15 ACK@62 ACK@70 ACK@95 ",
         "26000101.FAR",
         light + "103110|103135|ROSSI MARIO",
         lightFiles,
         "#382|#380|48@62 #602 'X/26000101.FAR'" + done + "95 ",
         idle,
         "/"},
        {"close after the test: EOT, unloaded",
         "Chiudi dopo test=1\r\n",
         id,
         {{10, "@FX123AB"}, {15, start}, {62, Light()}},
         "ACK@15 ACK@62 EOT@62.1 ",
         "26000101.FAR",
         light + "103015|103102|ROSSI MARIO",
         lightFiles,
         "",
         idle + " unloaded"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + " " + row.accSeparator);
        Road r(row);
        r.At(6);
        r.Step(row.identity);
        std::function<void(size_t)> run = [&](size_t i) {
            for (; i < row.steps.size(); ++i) {
                if (row.steps[i].second == "box")
                    r.f.messages.whileOpen = [&run, i] { run(i + 2); };
                r.At(row.steps[i + (row.steps[i].second == "box")].first);
                r.Step(row.steps[i + (row.steps[i].second == "box")].second);
                if (row.steps[i].second == "box")
                    return;
            }
        };
        run(0);
        r.At(row.steps.back().first + 1);
        EXPECT_EQ(r.Wire(), "ENQ@1.5 ENQ@3.5 ENQ@5.5 " + row.wire);
        EXPECT_EQ(testutil::ReadFile(r.exchange + kSep + row.far), FarFile(row.farValues));
        EXPECT_EQ(r.Files(r.exchange), row.files);
        EXPECT_EQ(r.Files(r.program.Path()), "Accettazione.msk DIR_FAR HELIOTAB.ini Language.ini "
                                             "Veicoli_Leggeri.msk Veicoli_Pesanti.msk ");
        EXPECT_EQ(testutil::ReadFile(r.program.File("HELIOTAB.ini")), r.settings);
        EXPECT_EQ(r.Messages(), row.messages);
        EXPECT_EQ(r.Window(), row.window);
    }
}

} // namespace
