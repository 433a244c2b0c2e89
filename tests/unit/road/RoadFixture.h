// The road of one test through the whole portable core: a program folder
// holding the shipped Language.ini and masks plus a HELIOTAB.ini, an
// exchange directory, the start-up handlers, TimerProc on virtual time and
// the tester's frames fed in as the serial line delivers them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

namespace heliotab::testing_road {

using namespace heliotab::fakes;
using namespace heliotab::testframes;
using testutil::kSep;

// Demo reservations as BuildDemoReservations numbers them.
inline constexpr const char* kLightAcc = "26000101.ACC";
inline constexpr const char* kHeavyAcc = "26000102.ACC";
inline constexpr const char* kBusAcc = "26000103.ACC";

// Virtual time starts at 2026-12-05 10:30:00.000 (FakeClock's default).
inline constexpr int64_t kSecond = 1000;

// A result file from its thirty values in key order, '|' between them.
inline std::string FarFile(const std::string& values) {
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
// The default tester's identity as the result file holds it.
inline const std::string kLuxometra = "LUXOMETRA|HL-5|OM1234|0042|2.1B|31122026|";

class RoadTest : public ::testing::Test {
public:
    RoadTest() {
        exchange = program.MakeDir("DIR_FAR");
        filesAcc = exchange + kSep;
        for (const char* name : {"Language.ini", "Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            testutil::WriteFile(program.File(name),
                                testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
        st.programDir = program.Path();
        f.timers.onTimer = [this](int id) { TimerProc(s, id); };
        t0 = f.clock.Ms();
    }

    // HELIOTAB.ini as the options dialog leaves it, with extra lines for
    // [Impostazioni].
    void WriteSettings(const std::string& extraImpostazioni = "") {
        testutil::WriteFile(program.File("HELIOTAB.ini"),
                            "[Impostazioni]\r\nLingua=Italiano\r\nPorta Seriale=3\r\n" + extraImpostazioni +
                                "[Percorsi]\r\nFiles .ACC=" + filesAcc + "\r\n");
    }

    // The start-up sequence's portable steps, in order.
    void StartUp(const std::string& commandLine = "", const std::string& extraImpostazioni = "") {
        WriteSettings(extraImpostazioni);
        switches = ParseCommandLine(st, commandLine);
        StartupLoadSettings(s);
        StartupInitialState(s, switches);
        StartupDeviceSearch(s);
    }

    // Virtual time forward to t0 + ms.
    void AdvanceTo(int64_t ms) {
        ASSERT_GE(t0 + ms, f.clock.Ms());
        f.timers.Advance(t0 + ms - f.clock.Ms());
    }

    void Feed(const std::string& bytes) { OnSerialBytes(s, bytes); }

    // Start-up, the first ENQ at 1.5 s, the identity frame at 6 s.
    void StartOnline(const std::string& identityWire, const std::string& commandLine = "",
                     const std::string& extraImpostazioni = "") {
        StartUp(commandLine, extraImpostazioni);
        AdvanceTo(6 * kSecond);
        ASSERT_FALSE(f.port.sent.empty());
        Feed(identityWire);
        ASSERT_TRUE(st.bDeviceOnline);
        f.port.sent.clear();
    }

    void WriteDemoReservations() {
        for (const DemoReservation& r : BuildDemoReservations(f.clock.Now()))
            testutil::WriteFile(ExchangeFile(r.fileName), r.contents);
    }

    // Drops the list down and picks the reservation, as the operator does.
    void Choose(const std::string& accName) {
        RebuildReservationList(s);
        int index = -1;
        for (size_t i = 1; i < s.picker.AccFiles.size(); ++i)
            if (s.picker.AccFiles[i] == accName) index = static_cast<int>(i);
        ASSERT_GT(index, 0) << accName << " is not listed";
        f.view.SelectComboIndex(index);
        OnComboClick(s);
        ASSERT_TRUE(st.bTestArmed);
        ASSERT_EQ(st.SelectedAccFile, accName);
    }

    // The tester measures: status "1" at startMs, results at endMs. Returns
    // the bytes sent meanwhile.
    std::string Measure(int64_t startMs, const std::string& resultsWire, int64_t endMs) {
        f.port.sent.clear();
        AdvanceTo(startMs);
        Feed(Wire(FixedStatus('1')));
        AdvanceTo(endMs);
        Feed(resultsWire);
        return f.port.SentBytes();
    }

    // "Files .ACC" with its trailing separator, followed by the name: also
    // the path the program shows.
    std::string ExchangeFile(const std::string& name) const { return exchange + kSep + name; }
    // The bytes sent to the tester with their time since t0.
    using Timed = std::vector<std::pair<int, int64_t>>;
    Timed SentAt() const {
        Timed out;
        for (const SentByte& b : f.port.sent) out.emplace_back(b.byte, b.atMs - t0);
        return out;
    }

    std::string Lang(int id) { return GetLangString(st, id); }
    std::string DoneMessage(const std::string& farName) { return Lang(602) + " '" + ExchangeFile(farName) + "'"; }

    // Nothing half-written anywhere: no .TMP in the program folder, no .FA$
    // in the exchange directory.
    void ExpectNoLeftovers(const std::string& base) {
        EXPECT_FALSE(testutil::Exists(program.File(base + ".TMP")));
        EXPECT_FALSE(testutil::Exists(ExchangeFile(base + ".FA$")));
    }

    // The idle look after a delivered result.
    void ExpectIdleWindow() {
        EXPECT_FALSE(st.bTestArmed);
        EXPECT_EQ(st.SelectedAccFile, "");
        EXPECT_EQ(f.view.vehicle[0], "");
        EXPECT_EQ(f.view.vehicle[1], "");
        EXPECT_EQ(f.view.vehicle[2], "");
        EXPECT_EQ(f.view.operatorName, "");
        EXPECT_EQ(f.view.comboText, Lang(303));
        EXPECT_TRUE(f.view.comboEnabled);
        EXPECT_TRUE(f.view.enabled[Button::Test]);
        EXPECT_FALSE(f.view.enabled[Button::Ferma]);
        EXPECT_TRUE(f.view.enabled[Button::Opzioni]);
        EXPECT_TRUE(f.view.trayOptionsEnabled);
        EXPECT_EQ(f.view.panels[Panel::Stato], Lang(336));
    }

    testutil::TempDir program;
    std::string exchange;
    std::string filesAcc;  // "Files .ACC" as the settings file holds it
    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
    StartupSwitches switches;
    int64_t t0 = 0;
};

}  // namespace heliotab::testing_road
