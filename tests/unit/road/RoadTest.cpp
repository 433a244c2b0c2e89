// Whole tests through the portable core: start-up with the shipped
// Language.ini and masks, the poll finding the tester, the operator's
// choice, the tester's frames as the line delivers them on virtual time;
// then the wire, the exchange folder's files byte for byte, the messages
// and the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
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
    static const char* const kKeys[] = {
        "Marca", "Tipo", "NumOmologa", "NumSerie", "NumVersioneSoftware", "DataScadenza", "AltezzaAnab", "TipoAnab",
        "VertAnabDx", "VertAnabSx", "VertAbbDx", "VertAbbSx", "OrizzAnabDx", "OrizzAnabSx", "OrizzAbbDx", "OrizzAbbSx",
        "IllumLuxAnabDx", "IllumLuxAnabSx", "IllumLuxAbbDx", "IllumLuxAbbSx", "EsitoIllumLuxAnabDx",
        "EsitoIllumLuxAnabSx", "EsitoIllumLuxAbbDx", "EsitoIllumLuxAbbSx", "Esito", "CodErrore", "DataMisura",
        "InizioMisura", "FineMisura", "Operatore"};
    std::string out = "[ProvaFari]\r\n";
    size_t from = 0;
    for (const char* key : kKeys) {
        const size_t bar = std::min(values.find('|', from), values.size());
        out += std::string(key) + "=" + values.substr(from, bar - from) + "\r\n";
        from = bar + 1;
    }
    return out;
}

struct Step {
    int64_t atS;       // seconds after start-up
    std::string what;  // "@plate": the operator picks it; "demo": the Test button; else bytes from the tester
};

struct Row {
    const char* what;
    std::string commandLine, settings, identity;  // extra [Impostazioni] lines; identity frame at 6 s
    std::vector<Step> steps;
    std::string wire;                                       // e.g. "ENQ@1.5 ACK@15"
    std::vector<std::pair<std::string, std::string>> fars;  // result files: name, values
    std::string files;                                      // the exchange folder at the end
    std::string messages, window;
    std::string accSeparator = "\\";                        // "Files .ACC" ends with it
};

struct Road {
    explicit Road(const Row& row) {
        for (const char* name : {"Language.ini", "Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            testutil::WriteFile(program.File(name), testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
        settings = "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=3\r\n" + row.settings +
                   "[Percorsi]\r\nFiles .ACC=" + exchange + row.accSeparator + "\r\n";
        testutil::WriteFile(program.File("HELIOTAB.ini"), settings);
        f.state.programDir = program.Path();
        f.timers.onTimer = [this](int id) { TimerProc(f.station, id); };
        const StartupSwitches sw = ParseCommandLine(f.state, row.commandLine);
        StartupLoadSettings(f.station);
        StartupInitialState(f.station, sw);
        StartupDeviceSearch(f.station);
        for (const DemoReservation& r : BuildDemoReservations(f.clock.Now()))
            if (r.fileName < "26000200") testutil::WriteFile(exchange + kSep + r.fileName, r.contents);
    }
    void At(int64_t s) { f.timers.Advance(t0 + s * 1000 - f.clock.Ms()); }
    void Choose(const std::string& plate) {
        RebuildReservationList(f.station);
        const auto& items = f.view.comboItems;
        for (size_t i = 1; i < items.size(); ++i)
            if (items[i].size() >= plate.size() && items[i].compare(items[i].size() - plate.size(), plate.size(), plate) == 0)
                f.view.SelectComboIndex(static_cast<int>(i));
        OnComboClick(f.station);
    }
    std::string Wire() const {
        std::string out;
        for (const SentByte& b : f.port.sent) {
            const char* names[] = {"?", "?", "?", "?", "EOT", "ENQ", "ACK"};
            char at[32];
            snprintf(at, sizeof at, "@%g ", (b.atMs - t0) / 1000.0);
            out += (b.byte <= kACK ? names[b.byte] : b.byte == kNAK ? "NAK" : "CAN") + std::string(at);
        }
        return out;
    }
    std::string Files(const std::string& folder) const {
        std::set<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
        std::string out;
        for (auto& n : names) out += n + " ";
        return out;
    }
    std::string Lang(int id) { return GetLangString(f.state, id); }
    std::string Id(const std::string& text) {
        int best = 0;  // the longest that fits
        for (int id : {303, 331, 332, 334, 336, 338, 380, 382, 383, 384, 601, 602})
            if (text.rfind(Lang(id), 0) == 0 && (!best || Lang(id).size() > Lang(best).size())) best = id;
        return best ? "#" + std::to_string(best) + text.substr(Lang(best).size()) : text;
    }
    std::string Messages() {
        std::string out;
        for (auto& m : f.messages.shown) {
            std::string text = Id(m.text);
            if (const size_t at = text.find(exchange); at != std::string::npos) text.replace(at, exchange.size(), "X");
            out += text + "|" + Id(m.title) + "|" + std::to_string(m.style) + "@" + std::to_string((m.atMs - t0) / 1000) + " ";
        }
        return out;
    }
    // Armed, the vehicle, operator, Ferma and combo enabled, panels, unloaded.
    std::string Window() {
        auto& v = f.view;
        return std::string(f.state.bTestArmed ? "armed " : "idle ") + v.vehicle[0] + "|" + v.vehicle[2] + "|" +
               v.operatorName + " " + (v.enabled[Button::Ferma] ? "F" : "-") + (v.comboEnabled ? "c" : "-") + " " +
               Id(v.comboText) + " " + Id(v.panels[Panel::Stato]) + " " + Id(v.panels[Panel::PortaCOM]) +
               (v.unloaded ? " unloaded" : "");
    }

    testutil::TempDir program;
    std::string exchange = program.MakeDir("DIR_FAR"), settings;
    FakeStation f{DefaultFileSystem()};
    int64_t t0 = f.clock.Ms();
};

const std::string kLuxometra = "LUXOMETRA|HL-5|OM1234|0042|2.1B|31122026|";
const std::string kAllAcc = "26000101.ACC 26000102.ACC 26000103.ACC ";
const std::string kStart = "ENQ@1.5 ENQ@3.5 ENQ@5.5 ";
const std::string kIdle = "idle || -c #303 #336 #3323";

Results Light() {
    Results r;
    r.aims = "RRRRARRR";
    r.lux = {"  3.75", "  90.0", " 150.0", "  20.0"};
    r.altezza = " 85";
    return r;
}
Results Heavy() {
    Results r;
    r.aims = "RRRARRRR";
    r.lux = {"  95.5", "  4.25", " 120.0", "150.00"};
    r.altezza = "120";
    r.tipo = "B";
    return r;
}
Results Unreadable() {
    Results r = Light();
    r.lux[3] = "      ";
    return r;
}
Separated Bus(const std::string& status, const std::string& code) {
    Separated s;
    s.id = {"OPTILUX", "SEP 24", "OM-BUS-99", "0815", "5.2", "01012028"};
    s.status = status;
    s.aims = {"R", "I", "R#", "R", "A", "R", "R", "R"};  // code 1: the left lamps do not count, the mark does
    s.lux = {"2.0", "1.5", "7.5", "200"};
    s.altezza = "95";
    s.tipo = "C";
    s.code = code;
    return s;
}
Identity Version(const std::string& v) {
    Identity id;
    id.versione = v;
    return id;
}

const std::string kStatus1 = Wire(FixedStatus('1'));
const std::string kLightFar = "#085|#A|R|R|R|R|A|R|R|R|003750|090000|150000|020000|R|R|R|R|A||05122026|";

TEST(Road, WholeTestsEndInTheirFilesWireAndWindow) {
    const std::vector<Row> rows{
        {"light vehicle", "", "", Wire(FixedIdentity(true)),
         {{10, "@FX123AB"}, {15, kStatus1}, {62, Wire(FixedResults(true, Light()))}},
         kStart + "ACK@15 ACK@62 ", {{"26000101.FAR", kLuxometra + kLightFar + "103015|103102|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "#602 'X\\26000101.FAR'|#601|64@62 ", kIdle},
        {"heavy vehicle, long frames", "", "",
         Wire(FixedIdentity(false, {"FARMATIC", "PF-900 PLUS", "OMOL-2019-0077", "7731", "3.04", "15062027"})),
         {{10, "@EZ456KL"}, {20, kStatus1}, {105, Wire(FixedResults(false, Heavy()))}},
         kStart + "ACK@20 ACK@105 ",
         {{"26000102.FAR", "FARMATIC|PF-900 PLUS|OMOL-2019-0077|7731|3.04|15062027|#120|#B|R|R|R|A|R|R|R|R|095500|"
                           "004250|120000|150000|I|R|R|R|I||05122026|103020|103145|ROSSI MARIO"}},
         "26000101.ACC 26000102.FAR 26000103.ACC ", "#602 'X\\26000102.FAR'|#601|64@105 ", kIdle},
        {"bus, separated frames", "", "", Wire(SeparatedFrame(Bus("0", "1"))),
         {{10, "@FK789CD"}, {60, kStatus1}, {150, Wire(SeparatedFrame(Bus("2", "1")))}},
         kStart + "ACK@60 ACK@150 ",
         {{"26000103.FAR", "OPTILUX|SEP 24|OM-BUS-99|0815|5.2|01012028|#095|#C|R|I|R|R|A|R|R|R|002000|001500|007500|"
                           "200000|R|I|R|I|#A||05122026|103100|103230|ROSSI MARIO"}},
         "26000101.ACC 26000102.ACC 26000103.FAR ", "#602 'X\\26000103.FAR'|#601|64@150 ", kIdle},
        {"demonstration without a reservation", "/TEST", "", Wire(FixedIdentity(true)),
         {{8, "demo"}, {10, kStatus1}, {40, Wire(FixedResults(true))}}, kStart + "ACK@10 ACK@40 ",
         {{"Test.FAR", kLuxometra + "#085|#A|R|R|R|R|R|R|R|R|012500|013000|040000|041000|R|R|R|R|R||05122026|103010|"
                                    "103040|DEMO OPERATOR"}},
         kAllAcc + "Test.FAR ", "#602 'X\\Test.FAR'|#601|64@40 ", kIdle},
        {"unknown configuration refused, then repeated", "", "", Wire(SeparatedFrame(Bus("0", "1"))),
         {{10, "@FK789CD"}, {60, kStatus1}, {150, Wire(SeparatedFrame(Bus("2", "7")))}, {200, kStatus1},
          {260, Wire(SeparatedFrame(Bus("2", "3")))}},
         kStart + "ACK@60 ACK@150 ACK@200 ACK@260 ",
         {{"26000103.FAR", "OPTILUX|SEP 24|OM-BUS-99|0815|5.2|01012028|#095|#C|R|I|R|R|A|R|R|R|002000|001500|007500|"
                           "200000|R|I|R|I|A||05122026|103320|103420|ROSSI MARIO"}},
         "26000101.ACC 26000102.ACC 26000103.FAR ", "#383|#380|48@150 #602 'X\\26000103.FAR'|#601|64@260 ", kIdle},
        {"refused: no file, the test stays armed", "", "", Wire(SeparatedFrame(Bus("0", "1"))),
         {{10, "@FK789CD"}, {60, kStatus1}, {150, Wire(SeparatedFrame(Bus("2", "7")))}}, kStart + "ACK@60 ACK@150 ",
         {}, kAllAcc, "#383|#380|48@150 ", "armed IRISBUS|FK789CD|ROSSI MARIO F-  IRISBUS - CROSSWAY 12M - FK789CD #384 #3323"},
        {"a repeat while the refusal is still open is delivered", "", "", Wire(FixedIdentity(true)),
         {{10, "@FX123AB"}, {15, kStatus1}, {62, "box"}, {62, Wire(FixedResults(true, Unreadable()))}, {70, kStatus1},
          {95, Wire(FixedResults(true, Light()))}},
         kStart + "ACK@15 ACK@62 ACK@70 ACK@95 ", {{"26000101.FAR", kLuxometra + kLightFar + "103110|103135|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "#382|#380|48@62 #602 'X\\26000101.FAR'|#601|64@95 ", kIdle},
        {"the first vehicle's repeated results never reach the next", "", "", Wire(FixedIdentity(true)),
         {{10, "@FX123AB"}, {15, kStatus1}, {62, Wire(FixedResults(true, Light()))}, {70, "@EZ456KL"},
          {75, Wire(FixedResults(true, Light()))}},
         kStart + "ACK@15 ACK@62 ", {{"26000101.FAR", kLuxometra + kLightFar + "103015|103102|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "#602 'X\\26000101.FAR'|#601|64@62 ",
         "armed IVECO|EZ456KL|ROSSI MARIO F-  IVECO - EUROCARGO 120E25 - EZ456KL #338 #3323"},
        {"sign-off drops the armed reservation until the tester is back", "", "", Wire(FixedIdentity(true)),
         {{10, "@FX123AB"}, {20, Wire(FixedStatus('3'))}, {25, Wire(FixedIdentity(true))}, {26, "@FX123AB"},
          {30, kStatus1}, {45, Wire(FixedResults(true, Light()))}},
         kStart + "ENQ@22 ENQ@24 ENQ@26 ACK@30 ACK@45 ",
         {{"26000101.FAR", kLuxometra + kLightFar + "103030|103045|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "#602 'X\\26000101.FAR'|#601|64@45 ", kIdle},
        {"close after the test: EOT to a letter version", "", "Chiudi dopo test=1\r\n", Wire(FixedIdentity(true)),
         {{10, "@FX123AB"}, {15, kStatus1}, {62, Wire(FixedResults(true, Light()))}},
         kStart + "ACK@15 ACK@62 EOT@62.1 ", {{"26000101.FAR", kLuxometra + kLightFar + "103015|103102|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "", kIdle + " unloaded"},
        {"close after the test: no EOT to a digit version", "", "Chiudi dopo test=1\r\n",
         Wire(FixedIdentity(true, Version("2.10"))),
         {{10, "@FX123AB"}, {15, kStatus1}, {62, Wire(FixedResults(true, Light()))}}, kStart + "ACK@15 ACK@62 ",
         {{"26000101.FAR", "LUXOMETRA|HL-5|OM1234|0042|2.10|31122026|" + kLightFar + "103015|103102|ROSSI MARIO"}},
         "26000101.FAR 26000102.ACC 26000103.ACC ", "", kIdle + " unloaded"},
    };
    std::vector<Row> all = rows;
    for (const char* separator : {"", "/"}) {  // "Files .ACC" is a folder with or without its separator
        Row r = rows[0];
        r.accSeparator = separator;
        r.messages = "#602 'X" + std::string(*separator ? separator : "\\") + "26000101.FAR'|#601|64@62 ";
        all.push_back(r);
    }
    for (const Row& row : all) {
        SCOPED_TRACE(std::string(row.what) + " " + row.accSeparator);
        Road r(row);
        r.At(6);
        OnSerialBytes(r.f.station, row.identity);
        auto one = [&](const Step& step) {
            r.At(step.atS);
            if (step.what[0] == '@') r.Choose(step.what.substr(1));
            else if (step.what == "demo") OnToolbarButton(r.f.station, Button::Test);
            else OnSerialBytes(r.f.station, step.what);
        };
        // "box": the steps after the next one happen while the message it brings is open.
        std::function<void(size_t)> run = [&](size_t i) {
            for (; i < row.steps.size(); ++i) {
                if (row.steps[i].what != "box") { one(row.steps[i]); continue; }
                r.f.messages.whileOpen = [&run, i] { run(i + 2); };
                one(row.steps[i + 1]);
                return;
            }
        };
        run(0);
        r.At(row.steps.back().atS + 1);
        EXPECT_EQ(r.Wire(), row.wire);
        for (auto& [name, values] : row.fars) EXPECT_EQ(testutil::ReadFile(r.exchange + kSep + name), FarFile(values));
        EXPECT_EQ(r.Files(r.exchange), row.files);
        EXPECT_EQ(r.Files(r.program.Path()), "Accettazione.msk DIR_FAR HELIOTAB.ini Language.ini Veicoli_Leggeri.msk "
                                             "Veicoli_Pesanti.msk ");
        EXPECT_EQ(testutil::ReadFile(r.program.File("HELIOTAB.ini")), r.settings);
        EXPECT_EQ(r.Messages(), row.messages);
        EXPECT_EQ(r.Window(), row.window);
    }
}

}  // namespace
