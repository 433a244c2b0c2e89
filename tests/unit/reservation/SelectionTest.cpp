// The reservation list and choosing from it: the items shown, the pre-checks
// against the fake clock's day, the wait window around the validation with
// the shipped masks, the armed look, rejections and key browsing.
#include <algorithm>

#include "ReservationFixture.h"
#include "reservation/DemoReservations.h"
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "shared/DateText.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;
using Names = std::vector<std::string>;

class Selection : public ReservationFixture {
protected:
    void SetUp() override {
        ReservationFixture::SetUp(), fs.clock.Set(2026, 12, 5, 9, 0, 0);
        for (const DemoReservation& d : BuildDemoReservations(fs.clock.Now()))
            if (d.reason == "valid light vehicle")
                light = d.contents;
    }
    // The items after the placeholder, sorted (the listing order is the directory's).
    Names Items() {
        RebuildReservationList(s);
        EXPECT_EQ(fs.view.comboItems.at(0), Lang(303));
        Names items(fs.view.comboItems.begin() + 1, fs.view.comboItems.end());
        std::sort(items.begin(), items.end());
        return items;
    }
    // The only file in the folder, chosen with the mouse from the idle look.
    void Choose(const std::string& contents, std::string name = "26000001.ACC") {
        std::filesystem::remove_all(acc);
        std::filesystem::create_directory(acc);
        WriteAcc(name, contents), fs.state.bTestArmed = false, fs.state.SelectedAccFile.clear(),
                                  fs.messages.shown.clear();
        fs.view.comboEnabled = fs.view.trayOptionsEnabled = true,
        fs.view.validateWindowShows = fs.pump.doEvents = 0;
        for (auto& [button, on] : fs.view.enabled)
            on = button != Button::Ferma;
        RebuildReservationList(s), Click(1);
    }
    // The combo moved to `index` and reporting the change.
    void Click(int index) { fs.view.SelectComboIndex(index), OnComboClick(s); }
    void ExpectRejected(size_t messages = 1) {
        ASSERT_EQ(fs.messages.shown.size(), messages);
        const fakes::ShownMessage& m = fs.messages.shown.back();
        EXPECT_EQ(m.text + "|" + m.title + "|" + std::to_string(m.style),
                  Lang(372) + "|" + Lang(371) + "|16");
        EXPECT_TRUE(fs.view.comboIndex == 0 && fs.state.SelectedAccFile.empty() &&
                    !fs.state.bTestArmed && !fs.view.validateWindowShown);
        EXPECT_TRUE(fs.view.comboEnabled && fs.view.enabled[Button::Opzioni] &&
                    fs.view.trayOptionsEnabled);
    }
    std::string light;
};

TEST_F(Selection, ListNamesItemsAndYears) {
    fs.view.comboItems = {"stale"};
    EXPECT_EQ(Items(), Names{});
    EXPECT_EQ((fs.state.AccDirectory = root + "/nowhere/", Items()), Names{});
    fs.state.AccDirectory = acc;
    fs.state.ReservationIni.SetIniFile(acc +
                                       "26000009.ACC"); // an armed test's, left alone by a rebuild
    for (const char* name :
         {"26000123.ACC", "26000124.acc", "25000123.ACC", "2600012A.ACC", "260001234.ACC",
          "2600123.ACC", "26+00123.ACC", "26 00123.ACC", "26000125.FAR", "26000126.ACC.bak",
          ".26000127.ACC", "27000001.ACC", "00000001.ACC"})
        WriteAcc(name, Crlf(std::string("[DatiLibrettoVeicolo]\nFabbrica=M\nTipo=T\nTarga=") +
                            name + "\n"));
    std::filesystem::create_directory(acc + "26000128.ACC");
    WriteAcc("26000001.ACC", Crlf("[DatiLibrettoVeicolo]\nTarga=AB123CD\n")),
        WriteAcc("26000002.ACC", Crlf("[Altro]\nFabbrica=FIAT\n"));
    WriteAcc("26000003.ACC", ""), WriteAcc("26000004.ACC", std::string("\0\xFF\x01[", 4));
    // Missing keys keep the separators.
    EXPECT_EQ(Items(), (Names{"  -  - ", "  -  - ", "  -  - ", "  -  - AB123CD",
                              " M - T - 26000123.ACC", " M - T - 26000124.acc"}));
    EXPECT_EQ(fs.state.ReservationIni.IniFile(), acc + "26000009.ACC");
    std::filesystem::remove(acc + "26000124.acc");
    EXPECT_EQ((fs.clock.Set(2026, 12, 31, 23, 59, 59), Items().size()), 5u);
    EXPECT_EQ((fs.clock.Set(2027, 1, 1, 0, 0, 0), Items()), Names{" M - T - 27000001.ACC"});
    EXPECT_EQ((fs.clock.Set(2100, 6, 1), Items()), Names{" M - T - 00000001.ACC"});
}

// Every demo on four days, chosen with the mouse: armed, or rejected with one
// message (after the wait window when the masks refuse it). Each is booked six
// days before, but one tomorrow, and is of the class it is listed under.
TEST_F(Selection, DemosAgainstTheShippedMasks) {
    for (const auto& [day, tomorrow, booked] :
         std::vector<std::tuple<LocalTime, std::string, std::string>>{
             {{2026, 3, 1}, "02032026", "23022026"},
             {{2024, 2, 29}, "01032024", "23022024"},
             {{2027, 1, 1}, "02012027", "26122026"},
             {{2024, 3, 1}, "02032024", "24022024"}}) {
        fs.clock.Set(day.year, day.month, day.day, 9);
        for (const DemoReservation& d : BuildDemoReservations(day)) {
            SCOPED_TRACE(d.reason);
            EXPECT_NE(d.contents.find("\r\nDataPrenotazione=" +
                                      (d.reason == "booked for tomorrow" ? tomorrow : booked) +
                                      "\r\n"),
                      std::string::npos);
            EXPECT_EQ(d.contents.find("\r\nTipoVeicolo=PESANTE\r\n") != std::string::npos,
                      d.vehicleClass > 0);
            if (std::string c = d.contents;
                d.reason == "vehicle type in lower case") // spoilt in that one way only
                EXPECT_TRUE((Choose(c.replace(c.find("=leggero"), 8, "=LEGGERO"), d.fileName),
                             fs.state.bTestArmed));
            EXPECT_EQ(d.fileName.substr(0, 2) + "|" + std::to_string(d.fileName.size()),
                      FormatYy(day) + "|12");
            EXPECT_EQ(ReservationPreCheck(d.contents, day),
                      d.stage == DemoStage::PreCheck ? -1 : d.vehicleClass);
            Choose(d.contents, d.fileName);
            EXPECT_EQ(fs.view.validateWindowShows, d.stage == DemoStage::PreCheck ? 0 : 1);
            if (d.stage != DemoStage::Valid) {
                ExpectRejected();
                continue;
            }
            EXPECT_TRUE(fs.messages.shown.empty() && fs.state.bTestArmed &&
                        fs.view.enabled[Button::Ferma]);
            EXPECT_FALSE(fs.view.validateWindowShown || fs.view.enabled[Button::Test] ||
                         fs.view.enabled[Button::Opzioni] || fs.view.trayOptionsEnabled ||
                         fs.view.comboEnabled);
            // The wait window pumped after showing and after hiding; the reservation untouched.
            EXPECT_EQ(fs.view.validateTitle + "|" + fs.view.validateText + "|" +
                          fs.view.panels[Panel::Stato] + "|" + std::to_string(fs.pump.doEvents),
                      Lang(701) + "|" + Lang(702) + "|" + Lang(338) + "|2");
            EXPECT_EQ(fs.state.ReservationIni.IniFile() + "|" + fs.state.SelectedAccFile + "|" +
                          ReadFile(acc + d.fileName),
                      acc + d.fileName + "|" + d.fileName + "|" + d.contents);
            if (d.reason == "valid light vehicle")
                EXPECT_EQ(fs.view.vehicle[0] + fs.view.vehicle[1] + fs.view.vehicle[2] +
                              fs.view.operatorName,
                          "CITRO\xCBNC3FX123ABROSSI MARIO");
        }
    }
    EXPECT_EQ(ReservationPreCheck("", fs.clock.Now()), -1);
}

TEST_F(Selection, PreCheckDatesKeysAndFilesThatGo) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"DataAccettazione=05122026", "04122026", 0},
        {"DataAccettazione=05122026", "06122026", 0},
        {"DataAccettazione=05122026", "5122026", 0},
        {"DataControlli=05122026", "", 1},
        {"DataControlli=05122026", "06122026", 0},
        {"DataControlli=05122026", "04122026", 0},
        {"DataPrenotazione=29112026", "06122026", 0},
        {"DataPrenotazione=29112026", "05122026", 1},
        {"DataPrenotazione=29112026", "05122025", 1},
        {"DataPrenotazione=29112026", "31122025", 1},
        {"DataPrenotazione=29112026", "01012027", 0},
        {"DataPrenotazione=29112026", "2911202", 0},
        {"DataPrenotazione=29112026", "2911202x", 0},
        {"DataPrenotazione=29112026", "+1112026", 0},
        {"Data=02111999", "02111998", 0},
        {"Versione=100", "100 ", 0}, // the reader trims it, the mask does not: both reject
        {"TipoVeicolo=LEGGERO", "leggero", 0},
        {"TipoVeicolo=LEGGERO", "AUTOBUS", 0},
    };
    for (const auto& [from, value, accepted] : rows) {
        const std::string line = from;
        SCOPED_TRACE(line + " -> " + value);
        Choose(Edit(light, line, line.substr(0, line.find('=') + 1) + value));
        if (accepted)
            EXPECT_TRUE(fs.state.bTestArmed && fs.messages.shown.empty());
        else
            ExpectRejected();
    }
    // A mask message is followed by the rejection.
    const std::string mask = root + "/Veicoli_Leggeri.msk";
    WriteFile(mask, Edit(ReadFile(mask), "Targa=N,S,8,5,[A-Z],[0-9]", "Targa=Q")), Choose(light),
        ExpectRejected(2);
    EXPECT_EQ(fs.messages.shown[0].title + "|" + fs.messages.shown[0].text,
              Lang(605) + "|" + Lang(606) + " \"Veicoli_Leggeri.msk\" " + Lang(607) +
                  " \"Targa\" " + Lang(608) + " [DatiLibrettoVeicolo].");
    // Nothing to load, or a file that goes.
    Choose(light), fs.state.bTestArmed = false;
    for (int index : {0, -1, 7})
        Click(index);
    EXPECT_TRUE(fs.view.validateWindowShows == 1 && !fs.state.bTestArmed);
    // Gone before the choice: rejected; gone during the wait: a reading failure, then rejected.
    for (bool duringTheWait : {false, true}) {
        Choose(""), WriteAcc("26000001.ACC", light), fs.messages.shown.clear();
        if (!duringTheWait)
            std::filesystem::remove(acc + "26000001.ACC");
        fs.pump.onDoEvents = [&] { std::filesystem::remove(acc + "26000001.ACC"); };
        Click(1), fs.pump.onDoEvents = nullptr, ExpectRejected(duringTheWait ? 2 : 1);
        if (duringTheWait)
            EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
    }
}

// F5/F6 and the arrows only move the highlight until released; Enter and F7 load.
TEST_F(Selection, KeysBrowseAndLoad) {
    const std::tuple<int, int, bool> keys[] = {
        {116, 38, true}, {38, 38, true},  {117, 40, true}, {40, 40, true},  {65, 65, false},
        {9, 9, false},   {27, 27, false}, {33, 33, false}, {34, 34, false}, {119, 119, false}};
    for (const auto& [key, passed, browses] : keys) {
        SCOPED_TRACE(key);
        Choose(""); // a rejected choice leaves the idle look
        WriteAcc("26000001.ACC", light);
        EXPECT_EQ(OnComboKeyDown(s, key), passed);
        Click(1);
        EXPECT_EQ(fs.state.bTestArmed, !browses);
        OnComboKeyUp(s), OnComboClick(s);
        EXPECT_TRUE(fs.state.bTestArmed && fs.view.validateWindowShows == 1); // one load only
    }
    Choose(""); // Enter and F7 on the placeholder: passed on as Enter, nothing loaded
    fs.view.SelectComboIndex(0);
    EXPECT_EQ(OnComboKeyDown(s, 13) + OnComboKeyDown(s, 118), 26);
    EXPECT_EQ(fs.view.validateWindowShows, 0);

    // Down three times, then Enter: only the third is loaded.
    for (char i = '1'; i <= '4'; ++i)
        WriteAcc(std::string("2600000") + i + ".ACC",
                 Edit(light, "FX123AB", "FX12" + std::string(3, 'A' + i - '1')));
    RebuildReservationList(s), fs.view.SelectComboIndex(0);
    for (int step = 1; step <= 3; ++step) {
        EXPECT_EQ(OnComboKeyDown(s, step == 2 ? 117 : 40), 40);
        Click(fs.view.ComboIndex() + 1), OnComboKeyUp(s);
    }
    EXPECT_EQ(fs.view.validateWindowShows, 0);
    EXPECT_EQ(OnComboKeyDown(s, 13) * 10 + fs.view.validateWindowShows, 131);
    EXPECT_EQ(fs.view.comboItems[3], " CITRO\xCBN - C3 - " + fs.view.vehicle[2]);
    EXPECT_EQ(fs.state.SelectedAccFile,
              std::string("2600000") + char('1' + fs.view.vehicle[2][4] - 'A') + ".ACC");
    OnComboClick(s); // the change reported after Enter finds the test armed
    EXPECT_EQ(fs.view.validateWindowShows, 1);

    // A choice arriving while the wait window is up starts no second load.
    fs.state.bTestArmed = false, fs.view.validateWindowShows = 0;
    int shownInside = -1;
    fs.pump.onDoEvents = [&] {
        fs.pump.onDoEvents = nullptr, Click(2), shownInside = fs.view.validateWindowShows;
    };
    Click(1);
    EXPECT_TRUE(fs.state.bTestArmed && fs.view.validateWindowShows == 1 && shownInside == 1);
}
