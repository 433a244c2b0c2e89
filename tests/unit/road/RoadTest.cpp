// Whole tests through the portable core: start-up with the shipped
// Language.ini and masks, the poll finding the tester, the operator's
// choice, the tester's frames as the line delivers them on virtual time;
// then the wire, the exchange folder's files byte for byte, the messages
// and the window.
#include <set>

#include "device/LinkFixture.h"
#include "reservation/DemoReservations.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "settings/LanguageIds.h"

namespace heliotab::testing_link {
namespace {

using testutil::kSep;

// The result files the rows expect, byte for byte.
const std::string kLight =
    "[ProvaFari]\r\nMarca=LUXOMETRA\r\nTipo=HL-5\r\nNumOmologa=OM1234\r\n"
    "NumSerie=0042\r\nNumVersioneSoftware=2.1B\r\nDataScadenza=31122026\r\n"
    "AltezzaAnab=#085\r\nTipoAnab=#A\r\nVertAnabDx=R\r\nVertAnabSx=R\r\n"
    "VertAbbDx=R\r\nVertAbbSx=R\r\nOrizzAnabDx=A\r\nOrizzAnabSx=R\r\nOrizzAbbDx=R\r\n"
    "OrizzAbbSx=R\r\nIllumLuxAnabDx=003750\r\nIllumLuxAnabSx=090000\r\n"
    "IllumLuxAbbDx=150000\r\nIllumLuxAbbSx=020000\r\nEsitoIllumLuxAnabDx=R\r\n"
    "EsitoIllumLuxAnabSx=R\r\nEsitoIllumLuxAbbDx=R\r\nEsitoIllumLuxAbbSx=R\r\n"
    "Esito=A\r\nCodErrore=\r\nDataMisura=05122026\r\nInizioMisura=103015\r\n"
    "FineMisura=103102\r\nOperatore=ROSSI MARIO\r\n";
const std::string kBus =
    "[ProvaFari]\r\nMarca=OPTILUX\r\nTipo=SEP 24\r\nNumOmologa=OM-BUS-99\r\n"
    "NumSerie=0815\r\nNumVersioneSoftware=5.2\r\nDataScadenza=01012028\r\n"
    "AltezzaAnab=#095\r\nTipoAnab=#C\r\nVertAnabDx=R\r\nVertAnabSx=I\r\n"
    "VertAbbDx=R\r\nVertAbbSx=R\r\nOrizzAnabDx=A\r\nOrizzAnabSx=R\r\nOrizzAbbDx=R\r\n"
    "OrizzAbbSx=R\r\nIllumLuxAnabDx=002000\r\nIllumLuxAnabSx=001500\r\n"
    "IllumLuxAbbDx=007500\r\nIllumLuxAbbSx=200000\r\nEsitoIllumLuxAnabDx=R\r\n"
    "EsitoIllumLuxAnabSx=I\r\nEsitoIllumLuxAbbDx=R\r\nEsitoIllumLuxAbbSx=I\r\n"
    "Esito=#A\r\nCodErrore=\r\nDataMisura=05122026\r\nInizioMisura=103100\r\n"
    "FineMisura=103230\r\nOperatore=ROSSI MARIO\r\n";
const std::string kLightRepeated =
    "[ProvaFari]\r\nMarca=LUXOMETRA\r\nTipo=HL-5\r\nNumOmologa=OM1234\r\n"
    "NumSerie=0042\r\nNumVersioneSoftware=2.1B\r\nDataScadenza=31122026\r\n"
    "AltezzaAnab=#085\r\nTipoAnab=#A\r\nVertAnabDx=R\r\nVertAnabSx=R\r\n"
    "VertAbbDx=R\r\nVertAbbSx=R\r\nOrizzAnabDx=A\r\nOrizzAnabSx=R\r\nOrizzAbbDx=R\r\n"
    "OrizzAbbSx=R\r\nIllumLuxAnabDx=003750\r\nIllumLuxAnabSx=090000\r\n"
    "IllumLuxAbbDx=150000\r\nIllumLuxAbbSx=020000\r\nEsitoIllumLuxAnabDx=R\r\n"
    "EsitoIllumLuxAnabSx=R\r\nEsitoIllumLuxAbbDx=R\r\nEsitoIllumLuxAbbSx=R\r\n"
    "Esito=A\r\nCodErrore=\r\nDataMisura=05122026\r\nInizioMisura=103110\r\n"
    "FineMisura=103135\r\nOperatore=ROSSI MARIO\r\n";

struct Road;
// Something that happens at a second of the test.
struct At {
    int second;
    std::function<void(Road&)> act;
};

struct Road : Link {
    Road(const std::string& settingsLines, const std::string& accSeparator) {
        for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            testutil::WriteFile(
                folder.File(name),
                testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR "/data/") + name));
        settings = "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=3\r\n" + settingsLines +
                   "[Percorsi]\r\nFiles .ACC=" + exchange + accSeparator + "\r\n";
        testutil::WriteFile(folder.File("HELIOTAB.ini"), settings);
        const StartupSwitches sw = ParseCommandLine(st, "");
        StartupLoadSettings(s);
        StartupInitialState(s, sw);
        StartupDeviceSearch(s);
        for (const DemoReservation& r : BuildDemoReservations(f.clock.Now()))
            if (r.fileName < "26000200")
                testutil::WriteFile(exchange + kSep + r.fileName, r.contents);
    }
    void Run(const At& step) {
        f.timers.Advance(t0 + step.second * 1000 - f.clock.Ms());
        step.act(*this);
    }
    std::set<std::string> Files(const std::string& dir) const {
        std::set<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(dir))
            names.insert(e.path().filename().string());
        return names;
    }
    // A message box's text, the exchange directory shown as X, and the second it came.
    std::vector<std::pair<std::string, int64_t>> Messages() const {
        std::vector<std::pair<std::string, int64_t>> out;
        for (const ShownMessage& m : f.messages.shown) {
            std::string text = m.text;
            if (const size_t at = text.find(exchange); at != std::string::npos)
                text.replace(at, exchange.size(), "X");
            out.push_back({text, (m.atMs - t0) / 1000});
        }
        return out;
    }

    std::string exchange = folder.MakeDir("DIR_FAR"), settings;
};

// The operator picks the reservation of this plate from the list.
At Pick(int second, const std::string& plate) {
    return {second, [plate](Road& r) {
                RebuildReservationList(r.s);
                for (size_t i = 1; i < r.f.view.comboItems.size(); ++i)
                    if (r.f.view.comboItems[i].ends_with(plate))
                        r.f.view.SelectComboIndex(int(i));
                OnComboClick(r.s);
            }};
}
// The tester sends these bytes.
At Tester(int second, const std::string& bytes) {
    return {second, [bytes](Road& r) { OnSerialBytes(r.s, bytes); }};
}

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

struct Row {
    const char* what;
    std::string settings, accSeparator;
    std::vector<At> steps;
    std::vector<Sent> wire; // after the three ENQs of the search
    std::string farName, far;
    std::vector<std::pair<std::string, int64_t>> messages;
    bool unloaded;
};

TEST(Road, WholeTestsEndInTheirFilesWireAndWindow) {
    const std::string start = Wire(FixedStatus('1'));
    const std::string bus3 = Lang(kTextDoneText, " 'X\\26000103.FAR'");
    // The repeat is measured while the refusal of the first one is still open.
    const At repeatUnderTheRefusal{62, [&](Road& r) {
                                       r.f.messages.whileOpen = [&r, &start] {
                                           r.Run(Tester(70, start));
                                           r.Run(Tester(95, Light()));
                                       };
                                       r.Run(Tester(62, Light("      ")));
                                   }};
    const At light = Tester(6, Wire(FixedIdentity(true))), bus = Tester(6, Bus("0", "1"));
    const Row rows[] = {
        {"bus, separated frames",
         "",
         "",
         {bus, Pick(10, "FK789CD"), Tester(60, start), Tester(150, Bus("2", "1"))},
         {{kACK, 60000}, {kACK, 150000}},
         "26000103.FAR",
         kBus,
         {{bus3, 150}},
         false},
        {"a repeat while the refusal is still open is delivered",
         "",
         "/",
         {light, Pick(10, "FX123AB"), Tester(15, start), repeatUnderTheRefusal},
         {{kACK, 15000}, {kACK, 62000}, {kACK, 70000}, {kACK, 95000}},
         "26000101.FAR",
         kLightRepeated,
         {{Lang(kTextBadResultsNumber), 62}, {Lang(kTextDoneText, " 'X/26000101.FAR'"), 95}},
         false},
        {"light vehicle, close after the test: EOT, unloaded",
         "Chiudi dopo test=1\r\n",
         "\\",
         {light, Pick(10, "FX123AB"), Tester(15, start), Tester(62, Light())},
         {{kACK, 15000}, {kACK, 62000}, {kEOT, 62100}},
         "26000101.FAR",
         kLight,
         {},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Road r(row.settings, row.accSeparator);
        for (const At& step : row.steps)
            r.Run(step);
        r.Run({row.steps.back().second + 1, [](Road&) {}});
        std::vector<Sent> wire{{kENQ, 1500}, {kENQ, 3500}, {kENQ, 5500}};
        wire.insert(wire.end(), row.wire.begin(), row.wire.end());
        EXPECT_EQ(r.OnWire(), wire);
        EXPECT_EQ(testutil::ReadFile(r.exchange + kSep + row.farName), row.far);
        std::set<std::string> files{"26000101.ACC", "26000102.ACC", "26000103.ACC"};
        files.erase(row.farName.substr(0, 8) + ".ACC");
        files.insert(row.farName);
        EXPECT_EQ(r.Files(r.exchange), files);
        EXPECT_EQ(testutil::ReadFile(r.folder.File("HELIOTAB.ini")), r.settings);
        EXPECT_EQ(r.Messages(), row.messages);
        EXPECT_FALSE(r.f.state.bTestArmed);
        EXPECT_EQ(r.f.view.comboText, Lang(kTextSelectReservation));
        EXPECT_EQ(r.f.view.unloaded, row.unloaded);
    }
}

} // namespace
} // namespace heliotab::testing_link
