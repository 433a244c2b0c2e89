// The reservation list and choosing from it: the items shown, the pre-checks
// against the fake clock's day, the validation with the shipped masks behind
// the wait window, arming, rejections and browsing with the keys.
#include <gmock/gmock.h>

#include <algorithm>
#include <ostream>

#include "ReservationFixture.h"
#include "reservation/DemoReservations.h"
#include "reservation/Reservation.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"

namespace heliotab::testing_reservation {
namespace {

using Names = std::vector<std::string>;
using ::testing::ElementsAre;

// What a choice leaves behind.
struct Outcome {
    bool armed;
    std::string selectedFile;
    int comboIndex;
    int waitWindows;
    std::vector<Shown> messages;
    bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Outcome& c) {
    return o << (c.armed ? "armed " : "idle ") << c.selectedFile << " item " << c.comboIndex << ", "
             << c.waitWindows << " wait windows, messages " << ::testing::PrintToString(c.messages);
}

enum Key : int { kEnter = 13, kUp = 38, kDown = 40, kF5 = 116, kF6 = 117, kF7 = 118 };

class Selection : public ReservationFixture {
protected:
    void SetUp() override {
        ReservationFixture::SetUp();
        fs.clock.Set(2026, 12, 5, 9);
        light = BuildDemoReservations(fs.clock.Now()).front().contents;
    }
    // The items after the placeholder, sorted (the listing order is the directory's).
    Names Items() {
        RebuildReservationList(s);
        EXPECT_EQ(fs.view.comboItems.at(0), Lang(303));
        Names items(fs.view.comboItems.begin() + 1, fs.view.comboItems.end());
        std::sort(items.begin(), items.end());
        return items;
    }
    // The only file in the exchange directory, listed, from the idle state.
    void Offer(const std::string& contents, const std::string& name = "26000001.ACC") {
        std::filesystem::remove_all(acc);
        std::filesystem::create_directory(acc);
        WriteFile(acc + name, contents);
        fs.state.bTestArmed = false;
        fs.state.SelectedAccFile.clear();
        fs.messages.shown.clear();
        fs.view.validateWindowShows = 0;
        RebuildReservationList(s);
    }
    Outcome Choose(const std::string& contents, const std::string& name = "26000001.ACC") {
        Offer(contents, name);
        Click(1);
        return Now();
    }
    void Click(int index) {
        fs.view.SelectComboIndex(index);
        OnComboClick(s);
    }
    Outcome Now() {
        return {fs.state.bTestArmed, fs.state.SelectedAccFile, fs.view.comboIndex,
                fs.view.validateWindowShows, Messages()};
    }
    Outcome Armed(const std::string& name = "26000001.ACC") { return {true, name, 1, 1, {}}; }
    Outcome Rejected(int waitWindows, std::vector<Shown> before = {}) {
        before.push_back(Stop(371, 372));
        return {false, "", 0, waitWindows, before};
    }
    std::string light;
};

TEST_F(Selection, ListsThisYearsReservationFiles) {
    EXPECT_EQ(Items(), Names{});
    for (const char* name : {"26000123.ACC", "26999999.acc", "2600012A.ACC", "260001234.ACC",
                             "2600123.ACC", "26.00123.ACC", "27000001.ACC"})
        WriteFile(acc + name, "[DatiLibrettoVeicolo]\r\nFabbrica=M\r\nTipo=T\r\nTarga=" +
                                  std::string(name) + "\r\n");
    WriteFile(acc + "26000001.ACC", "[DatiLibrettoVeicolo]\r\nTarga=AB123CD\r\n");
    EXPECT_EQ(Items(), (Names{"  -  - AB123CD", " M - T - 26000123.ACC", " M - T - 26999999.acc"}));
    EXPECT_EQ(s.picker.AccFiles.size(), 4u); // the placeholder and three files
    EXPECT_FALSE(IsReservationFileName("26000001.FAR", "26"));
    EXPECT_FALSE(IsReservationFileName("25000001.ACC", "26"));
    fs.clock.Set(2027, 1, 1, 0, 0, 0);
    EXPECT_EQ(Items(), Names{" M - T - 27000001.ACC"});
}

// The pre-check's class on the valid light demo with one line changed (today 05122026).
TEST_F(Selection, PreCheckDatesAndKeys) {
    struct Row {
        const char* line;
        const char* changedTo;
        int vehicleClass; // -1: rejected
    };
    const Row rows[] = {
        {"Data=02111999", "Data=02111998", -1},
        {"DataControlli=05122026", "DataControlli=", 0},
        {"DataPrenotazione=29112026", "DataPrenotazione=05122026", 0},
        {"DataPrenotazione=29112026", "DataPrenotazione=31122025", 0},
        {"DataPrenotazione=29112026", "DataPrenotazione=01012027", -1},
        {"DataPrenotazione=29112026", "DataPrenotazione=2911202", -1},
        {"DataPrenotazione=29112026", "DataPrenotazione=2911202x", -1},
        {"DescrizioneVeicolo=AUTOVETTURA", "DescrizioneVeicolo=AUTOBUS", 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ReservationPreCheck(Edit(light, r.line, r.changedTo), fs.clock.Now()),
                  r.vehicleClass)
            << r.changedTo;
    EXPECT_EQ(ReservationPreCheck("", fs.clock.Now()), -1);
}

// Every demo on four days: armed, or rejected (after the wait window when the
// masks refuse it). Each is booked six days before, but one tomorrow.
TEST_F(Selection, DemosAgainstTheShippedMasks) {
    struct Day {
        LocalTime today;
        std::string booked, tomorrow;
    };
    const Day days[] = {
        {{2026, 3, 1}, "23022026", "02032026"}, {{2024, 2, 29}, "23022024", "01032024"},
        {{2026, 2, 3}, "28012026", "04022026"}, {{2027, 1, 1}, "26122026", "02012027"},
        {{2024, 3, 1}, "24022024", "02032024"}, {{2026, 12, 31}, "25122026", "01012027"},
        {{2000, 3, 1}, "24022000", "02032000"}, {{2100, 3, 1}, "23022100", "02032100"}};
    for (const Day& day : days) {
        fs.clock.Set(day.today.year, day.today.month, day.today.day, 9);
        for (const DemoReservation& d : BuildDemoReservations(day.today)) {
            SCOPED_TRACE(d.reason);
            const std::string booked =
                d.reason == "booked for tomorrow" ? day.tomorrow : day.booked;
            EXPECT_NE(d.contents.find("\r\nDataPrenotazione=" + booked + "\r\n"),
                      std::string::npos);
            EXPECT_EQ(d.contents.find("\r\nTipoVeicolo=PESANTE\r\n") != std::string::npos,
                      d.vehicleClass > 0);
            EXPECT_EQ(ReservationPreCheck(d.contents, day.today),
                      d.stage == DemoStage::PreCheck ? -1 : d.vehicleClass);
            const Outcome want = d.stage == DemoStage::Valid  ? Armed(d.fileName)
                                 : d.stage == DemoStage::Mask ? Rejected(1)
                                                              : Rejected(0);
            EXPECT_EQ(Choose(d.contents, d.fileName), want);
            EXPECT_EQ(ReadFile(acc + d.fileName), d.contents);
        }
    }
}

TEST_F(Selection, ArmsWithTheReservationsLabels) {
    EXPECT_EQ(Choose(light), Armed());
    EXPECT_EQ(fs.state.ReservationIni.IniFile(), acc + "26000001.ACC");
    EXPECT_THAT(fs.view.vehicle, ElementsAre("CITRO\xCBN", "C3", "FX123AB"));
    EXPECT_EQ(fs.view.operatorName, "ROSSI MARIO");
    EXPECT_EQ(fs.pump.doEvents, 2); // after showing the wait window and after hiding it
    EXPECT_FALSE(fs.view.validateWindowShown);
    Click(1); // armed: no second load
    EXPECT_EQ(Now(), Armed());
}

TEST_F(Selection, NothingToLoadOrAFileThatGoes) {
    for (int index : {0, -1, 2}) {
        Offer(light);
        Click(index);
        EXPECT_EQ(Now(), (Outcome{false, "", index, 0, {}}));
    }
    Offer(light);
    std::filesystem::remove(acc + "26000001.ACC");
    Click(1);
    EXPECT_EQ(Now(), Rejected(0));
    Offer(light);
    fs.pump.onDoEvents = [&] { std::filesystem::remove(acc + "26000001.ACC"); };
    Click(1);
    EXPECT_EQ(Now(), Rejected(1, {Stop(609, 610)}));
}

// F5/F6 and the arrows only move the highlight until released; Enter and F7 load.
TEST_F(Selection, KeysBrowseAndLoad) {
    struct Row {
        int key;
        int passedOn;
        bool browses;
    };
    const Row rows[] = {{kF5, kUp, true},
                        {kUp, kUp, true},
                        {kF6, kDown, true},
                        {kDown, kDown, true},
                        {37, 37, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        Offer(light);
        EXPECT_EQ(OnComboKeyDown(s, r.key), r.passedOn);
        Click(1);
        EXPECT_EQ(fs.state.bTestArmed, !r.browses);
        OnComboKeyUp(s);
        OnComboClick(s);
        EXPECT_EQ(Now(), Armed());
    }
    for (int key : {kEnter, kF7}) {
        Offer(light);
        fs.view.SelectComboIndex(0);
        EXPECT_EQ(OnComboKeyDown(s, key), kEnter); // on the placeholder: nothing loaded
        EXPECT_EQ(OnComboKeyDown(s, kDown), kDown);
        Click(1);
        OnComboKeyUp(s);
        EXPECT_EQ(fs.view.validateWindowShows, 0);
        EXPECT_EQ(OnComboKeyDown(s, key), kEnter);
        EXPECT_EQ(Now(), Armed());
    }
}

// A choice arriving while the wait window is up starts no second load.
TEST_F(Selection, OneLoadAtATime) {
    Offer(light);
    Outcome inside{};
    fs.pump.onDoEvents = [&] {
        fs.pump.onDoEvents = nullptr;
        Click(1);
        inside = Now();
    };
    Click(1);
    EXPECT_EQ(inside, (Outcome{false, "", 1, 1, {}}));
    EXPECT_EQ(Now(), Armed());
}

} // namespace
} // namespace heliotab::testing_reservation
