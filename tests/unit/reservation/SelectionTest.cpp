// Choosing a reservation: pre-checks against the fake clock's day, the wait
// window around the validation, the armed state, rejections and key browsing.
#include "ReservationFixture.h"
#include "reservation/DemoReservations.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class Selection : public ReservationFixture {
protected:
    void SetUp() override {
        ReservationFixture::SetUp();
        InstallShippedMasks();
        fs.clock.Set(2026, 12, 5, 9, 0, 0);
        demos = BuildDemoReservations(fs.clock.Now());
    }
    const DemoReservation& Demo(const std::string& reason) {
        for (const auto& d : demos)
            if (d.reason == reason) return d;
        ADD_FAILURE() << reason;
        return demos.front();
    }
    // Lists the folder and clicks the item of that file, as a mouse choice does.
    void Choose(const std::string& file) {
        RebuildReservationList(s);
        for (size_t i = 1; i < fs.station.picker.AccFiles.size(); ++i)
            if (fs.station.picker.AccFiles[i] == file) {
                fs.view.SelectComboIndex(static_cast<int>(i));
                OnComboClick(s);
                return;
            }
        ADD_FAILURE() << file << " not listed";
    }
    void ExpectRejected() {
        ASSERT_FALSE(fs.messages.shown.empty());
        const fakes::ShownMessage& m = fs.messages.shown.back();
        EXPECT_EQ(m.text, Lang(372));
        EXPECT_EQ(m.title, Lang(371));
        EXPECT_EQ(m.style, 16);
        EXPECT_EQ(fs.view.comboIndex, 0);
        EXPECT_FALSE(fs.state.bTestArmed);
        EXPECT_TRUE(fs.view.comboEnabled);
        EXPECT_TRUE(fs.view.enabled[Button::Opzioni]);
        EXPECT_TRUE(fs.view.trayOptionsEnabled);
        EXPECT_EQ(fs.state.SelectedAccFile, "");
        EXPECT_FALSE(fs.view.validateWindowShown);
        EXPECT_FALSE(fs.station.picker.validating);
    }
    // Back to the idle look, as StopTest leaves it.
    void ResetIdle() {
        fs.state.bTestArmed = false;
        fs.state.SelectedAccFile.clear();
        fs.view.comboEnabled = true;
        fs.view.trayOptionsEnabled = true;
        for (auto& [button, on] : fs.view.enabled) on = button != Button::Ferma;
        fs.messages.shown.clear();
    }
    // The light demo with one key line changed.
    std::string LightWith(const std::string& from, const std::string& to) {
        return Replace(Demo("valid light vehicle").contents, from, to);
    }
    std::vector<DemoReservation> demos;
};

}  // namespace

TEST_F(Selection, ValidReservationArmsTheTestInOrder) {
    fs.view.enabled[Button::Ferma] = false;
    const DemoReservation& d = Demo("valid light vehicle");
    WriteAcc(d.fileName, d.contents);
    Choose(d.fileName);

    EXPECT_TRUE(fs.messages.shown.empty());
    EXPECT_EQ(fs.view.validateWindowShows, 1);
    EXPECT_EQ(fs.view.validateTitle, Lang(701));
    EXPECT_EQ(fs.view.validateText, Lang(702));
    EXPECT_FALSE(fs.view.validateWindowShown);
    EXPECT_EQ(fs.pump.doEvents, 2);  // after showing and after hiding the wait window

    EXPECT_EQ(fs.view.panels[Panel::Stato], Lang(338));
    EXPECT_FALSE(fs.view.enabled[Button::Test]);
    EXPECT_FALSE(fs.view.enabled[Button::Opzioni]);
    EXPECT_FALSE(fs.view.trayOptionsEnabled);
    EXPECT_FALSE(fs.view.comboEnabled);
    EXPECT_TRUE(fs.view.enabled[Button::Ferma]);
    EXPECT_EQ(fs.state.SelectedAccFile, d.fileName);
    EXPECT_EQ(fs.state.ReservationIni.IniFile(), fs.state.AccDirectory + d.fileName);
    EXPECT_EQ(fs.view.vehicle[0], "CITRO\xCBN");
    EXPECT_EQ(fs.view.vehicle[1], "C3");
    EXPECT_EQ(fs.view.vehicle[2], "FX123AB");
    EXPECT_EQ(fs.view.operatorName, "ROSSI MARIO");
    EXPECT_TRUE(fs.state.bTestArmed);
    EXPECT_FALSE(fs.station.picker.validating);
    EXPECT_TRUE(std::filesystem::exists(NativePath(fs.state.AccDirectory + d.fileName)));
}

TEST_F(Selection, HeavyAndBusUseTheirMaskSections) {
    for (const char* reason : {"valid heavy vehicle", "valid bus"}) {
        ResetIdle();
        const DemoReservation& d = Demo(reason);
        WriteAcc(d.fileName, d.contents);
        Choose(d.fileName);
        EXPECT_TRUE(fs.state.bTestArmed) << reason;
        EXPECT_EQ(fs.state.SelectedAccFile, d.fileName);
    }
    EXPECT_EQ(fs.view.vehicle[0], "IRISBUS");
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Selection, EveryInvalidDemoIsRejectedWithOneMessage) {
    for (const DemoReservation& d : demos) {
        if (d.stage == DemoStage::Valid) continue;
        fs.messages.shown.clear();
        WriteAcc(d.fileName, d.contents);
        Choose(d.fileName);
        ASSERT_EQ(fs.messages.shown.size(), 1u) << d.reason;
        ExpectRejected();
        EXPECT_EQ(fs.view.validateWindowShows > 0, d.stage == DemoStage::Mask) << d.reason;
        fs.view.validateWindowShows = 0;
    }
}

TEST_F(Selection, AcceptanceAndInspectionDates) {
    struct Case {
        const char* from;
        const char* to;
        bool accepted;
    } cases[] = {
        {"DataAccettazione=05122026", "DataAccettazione=04122026", false},  // yesterday
        {"DataAccettazione=05122026", "DataAccettazione=06122026", false},
        {"DataAccettazione=05122026", "DataAccettazione=5122026", false},
        {"DataControlli=05122026", "DataControlli=", true},
        {"DataControlli=05122026", "DataControlli=06122026", false},     // tomorrow
        {"DataControlli=05122026", "DataControlli=04122026", false},
        {"DataPrenotazione=29112026", "DataPrenotazione=06122026", false},  // tomorrow
        {"DataPrenotazione=29112026", "DataPrenotazione=05122026", true},
        {"DataPrenotazione=29112026", "DataPrenotazione=05122025", true},   // last year
        {"DataPrenotazione=29112026", "DataPrenotazione=31122025", true},
        {"DataPrenotazione=29112026", "DataPrenotazione=01012027", false},
        {"DataPrenotazione=29112026", "DataPrenotazione=2911202", false},
        {"DataPrenotazione=29112026", "DataPrenotazione=2911202x", false},
        {"DataPrenotazione=29112026", "DataPrenotazione=+1112026", false},
        {"Versione=100", "Versione=100 ", false},  // the reader trims it, the mask does not: both reject
        {"Data=02111999", "Data=02111998", false},
        {"TipoVeicolo=LEGGERO", "TipoVeicolo=leggero", false},
        {"TipoVeicolo=LEGGERO", "TipoVeicolo=AUTOBUS", false},
    };
    for (const Case& c : cases) {
        ResetIdle();
        WriteAcc("26000001.ACC", LightWith(c.from, c.to));
        Choose("26000001.ACC");
        if (c.accepted) {
            EXPECT_TRUE(fs.state.bTestArmed) << c.to;
            EXPECT_TRUE(fs.messages.shown.empty()) << c.to;
        } else {
            SCOPED_TRACE(c.to);
            ExpectRejected();
        }
    }
}

TEST_F(Selection, PreCheckClassesAndTheClockDay) {
    const LocalTime today = fs.clock.Now();
    EXPECT_EQ(ReservationPreCheck(Demo("valid light vehicle").contents, today), 0);
    EXPECT_EQ(ReservationPreCheck(Demo("valid heavy vehicle").contents, today), 1);
    EXPECT_EQ(ReservationPreCheck(Demo("valid bus").contents, today), 2);
    EXPECT_EQ(ReservationPreCheck(Demo("heavy vehicle with Vis_CtrlSupplBus").contents, today), 1);
    EXPECT_EQ(ReservationPreCheck(Demo("bus without Vis_CtrlSupplBus").contents, today), 2);
    LocalTime tomorrow = today;
    tomorrow.day += 1;
    EXPECT_EQ(ReservationPreCheck(Demo("valid light vehicle").contents, tomorrow), -1);
    EXPECT_EQ(ReservationPreCheck("", today), -1);
}

TEST_F(Selection, PlaceholderAndOutOfRangeDoNothing) {
    const DemoReservation& d = Demo("valid light vehicle");
    WriteAcc(d.fileName, d.contents);
    RebuildReservationList(s);
    fs.view.SelectComboIndex(0);
    OnComboClick(s);
    fs.view.SelectComboIndex(-1);
    OnComboClick(s);
    fs.view.SelectComboIndex(7);
    OnComboClick(s);
    EXPECT_TRUE(fs.messages.shown.empty());
    EXPECT_EQ(fs.view.validateWindowShows, 0);
    EXPECT_FALSE(fs.state.bTestArmed);
}

TEST_F(Selection, VanishedFileIsRejected) {
    const DemoReservation& d = Demo("valid light vehicle");
    WriteAcc(d.fileName, d.contents);
    RebuildReservationList(s);
    std::filesystem::remove(NativePath(fs.state.AccDirectory + d.fileName));
    fs.view.SelectComboIndex(1);
    OnComboClick(s);
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    ExpectRejected();
}

TEST_F(Selection, FileVanishingDuringTheWaitIsAReadingFailureThenRejected) {
    const DemoReservation& d = Demo("valid light vehicle");
    WriteAcc(d.fileName, d.contents);
    RebuildReservationList(s);
    fs.pump.onDoEvents = [&] {
        fs.pump.onDoEvents = nullptr;
        std::filesystem::remove(NativePath(fs.state.AccDirectory + d.fileName));
    };
    fs.view.SelectComboIndex(1);
    OnComboClick(s);
    ASSERT_EQ(fs.messages.shown.size(), 2u);
    EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
    ExpectRejected();
}

TEST_F(Selection, MaskMessageIsFollowedByTheRejection) {
    WriteMask("Veicoli_Leggeri.msk", "[DatiLibrettoVeicolo]\nTipoVeicolo=N,S,7,7,LEGGERO\nTarga=Q\n");
    WriteAcc("26000001.ACC", Crlf("[IdentificazioneProtocollo]\nVersione=100\nData=02111999\n[Prenotazione]\n"
                                  "DataAccettazione=05122026\nDataPrenotazione=01122026\n"
                                  "[DatiLibrettoVeicolo]\nTipoVeicolo=LEGGERO\nTarga=AB123CD\n"));
    WriteMask("Accettazione.msk",
              "[IdentificazioneProtocollo]\nVersione=N,S,3,3,100\nData=N,D,8,8\n[Prenotazione]\n"
              "DataAccettazione=N,D,8,8\nDataPrenotazione=N,D,8,8\n");
    Choose("26000001.ACC");
    ASSERT_EQ(fs.messages.shown.size(), 2u);
    EXPECT_EQ(fs.messages.shown[0].title, Lang(605));
    EXPECT_EQ(fs.messages.shown[0].text,
              Lang(606) + " \"Veicoli_Leggeri.msk\" " + Lang(607) + " \"Targa\" " + Lang(608) + " [DatiLibrettoVeicolo].");
    ExpectRejected();
}

TEST_F(Selection, KeyTranslation) {
    EXPECT_EQ(OnComboKeyDown(s, 116), 38);
    EXPECT_TRUE(fs.station.picker.bArrowKeyDown);
    OnComboKeyUp(s);
    EXPECT_FALSE(fs.station.picker.bArrowKeyDown);
    EXPECT_EQ(OnComboKeyDown(s, 38), 38);
    EXPECT_TRUE(fs.station.picker.bArrowKeyDown);
    OnComboKeyUp(s);
    EXPECT_EQ(OnComboKeyDown(s, 117), 40);
    EXPECT_TRUE(fs.station.picker.bArrowKeyDown);
    OnComboKeyUp(s);
    EXPECT_EQ(OnComboKeyDown(s, 40), 40);
    EXPECT_TRUE(fs.station.picker.bArrowKeyDown);
    OnComboKeyUp(s);
    for (int other : {65, 9, 27, 33, 34, 119}) {
        EXPECT_EQ(OnComboKeyDown(s, other), other);
        EXPECT_FALSE(fs.station.picker.bArrowKeyDown);
    }
    // Enter and F7 on the placeholder: passed on as Enter, nothing loaded.
    fs.view.SelectComboIndex(0);
    EXPECT_EQ(OnComboKeyDown(s, 13), 13);
    EXPECT_EQ(OnComboKeyDown(s, 118), 13);
    EXPECT_EQ(fs.view.validateWindowShows, 0);
}

TEST_F(Selection, BrowsingDownThreeTimesThenEnterLoadsOnlyTheThird) {
    const DemoReservation& d = Demo("valid light vehicle");
    for (const char* name : {"26000001.ACC", "26000002.ACC", "26000003.ACC", "26000004.ACC"}) WriteAcc(name, d.contents);
    RebuildReservationList(s);
    fs.view.SelectComboIndex(0);
    for (int step = 1; step <= 3; ++step) {
        const int key = OnComboKeyDown(s, step == 2 ? 117 : 40);  // F6 moves down too
        EXPECT_EQ(key, 40);
        fs.view.SelectComboIndex(fs.view.ComboIndex() + 1);  // the combo moves the highlight
        OnComboClick(s);                                      // and reports the change
        OnComboKeyUp(s);
        EXPECT_EQ(fs.view.validateWindowShows, 0);
    }
    EXPECT_EQ(OnComboKeyDown(s, 13), 13);
    EXPECT_EQ(fs.view.validateWindowShows, 1);
    EXPECT_TRUE(fs.state.bTestArmed);
    EXPECT_EQ(fs.state.SelectedAccFile, fs.station.picker.AccFiles[3]);
    // The change the combo reports after Enter finds the test armed: no second load.
    OnComboClick(s);
    EXPECT_EQ(fs.view.validateWindowShows, 1);
}

TEST_F(Selection, NoSecondLoadWhileOneRuns) {
    const DemoReservation& d = Demo("valid light vehicle");
    WriteAcc("26000001.ACC", d.contents);
    WriteAcc("26000002.ACC", d.contents);
    RebuildReservationList(s);
    int nestedShows = -1;
    fs.pump.onDoEvents = [&] {
        fs.pump.onDoEvents = nullptr;
        EXPECT_TRUE(fs.station.picker.validating);
        fs.view.SelectComboIndex(2);  // another choice arrives while the wait window is up
        OnComboClick(s);
        nestedShows = fs.view.validateWindowShows;
        fs.view.SelectComboIndex(1);
    };
    fs.view.SelectComboIndex(1);
    OnComboClick(s);
    EXPECT_EQ(nestedShows, 1);
    EXPECT_EQ(fs.view.validateWindowShows, 1);
    EXPECT_EQ(fs.state.SelectedAccFile, fs.station.picker.AccFiles[1]);
    EXPECT_FALSE(fs.station.picker.validating);
}
