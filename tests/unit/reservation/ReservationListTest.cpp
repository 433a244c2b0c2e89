// The combo's list: the placeholder, the name rules, the year prefix from the
// clock, the item texts and AccFiles.
#include <algorithm>

#include "ReservationFixture.h"
#include "reservation/ReservationList.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;

namespace {

std::string Vehicle(const char* make, const char* model, const char* plate) {
    return Crlf(std::string("[DatiLibrettoVeicolo]\nFabbrica=") + make + "\nTipo=" + model + "\nTarga=" + plate + "\n");
}

class List : public ReservationFixture {
protected:
    // Items 1..n sorted together with AccFiles, since the listing order is the directory's.
    std::vector<std::pair<std::string, std::string>> Entries() {
        std::vector<std::pair<std::string, std::string>> e;
        for (size_t i = 1; i < fs.station.picker.AccFiles.size(); ++i) e.emplace_back(fs.station.picker.AccFiles[i], fs.view.comboItems.at(i));
        std::sort(e.begin(), e.end());
        return e;
    }
};

}  // namespace

TEST_F(List, EmptyDirectoryGivesThePlaceholderOnly) {
    fs.view.comboItems = {"stale"};
    fs.station.picker.AccFiles = {"", "old.ACC"};
    RebuildReservationList(s);
    EXPECT_EQ(fs.view.comboItems, std::vector<std::string>{Lang(303)});
    EXPECT_EQ(fs.station.picker.AccFiles, std::vector<std::string>{""});
}

TEST_F(List, MissingDirectoryGivesThePlaceholderOnly) {
    fs.state.AccDirectory = root + "/nowhere/";
    RebuildReservationList(s);
    EXPECT_EQ(fs.view.comboItems, std::vector<std::string>{Lang(303)});
    EXPECT_EQ(fs.station.picker.AccFiles, std::vector<std::string>{""});
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(List, NameRulesAndItemTexts) {
    WriteAcc("26000123.ACC", Vehicle("FIAT", "TOPOLINO C", "MX431NY"));
    WriteAcc("26000124.acc", Vehicle("LANCIA", "YPSILON", "GH512TT"));
    WriteAcc("25000123.ACC", Vehicle("OLD", "YEAR", "X"));      // last year's
    WriteAcc("2600012A.ACC", Vehicle("NOT", "A NUMBER", "X"));
    WriteAcc("260001234.ACC", Vehicle("NINE", "CHARS", "X"));
    WriteAcc("2600123.ACC", Vehicle("SEVEN", "CHARS", "X"));
    WriteAcc("26+00123.ACC", Vehicle("SIGN", "", "X"));
    WriteAcc("26 00123.ACC", Vehicle("BLANK", "", "X"));
    WriteAcc("26000125.FAR", Vehicle("RESULT", "", "X"));
    WriteAcc("26000126.ACC.bak", Vehicle("BACKUP", "", "X"));
    WriteAcc(".26000127.ACC", Vehicle("HIDDEN", "", "X"));
    std::filesystem::create_directory(NativePath(fs.state.AccDirectory + "26000128.ACC"));

    RebuildReservationList(s);
    ASSERT_EQ(fs.view.comboItems.size(), 3u);
    EXPECT_EQ(fs.view.comboItems[0], Lang(303));
    ASSERT_EQ(fs.station.picker.AccFiles.size(), 3u);
    EXPECT_EQ(fs.station.picker.AccFiles[0], "");
    const auto e = Entries();
    EXPECT_EQ(e[0], std::make_pair(std::string("26000123.ACC"), std::string(" FIAT - TOPOLINO C - MX431NY")));
    EXPECT_EQ(e[1], std::make_pair(std::string("26000124.acc"), std::string(" LANCIA - YPSILON - GH512TT")));
}

TEST_F(List, MissingKeysKeepTheSeparators) {
    WriteAcc("26000001.ACC", Crlf("[DatiLibrettoVeicolo]\nTarga=AB123CD\n"));
    WriteAcc("26000002.ACC", Crlf("[Altro]\nFabbrica=FIAT\n"));
    WriteAcc("26000003.ACC", "");
    WriteAcc("26000004.ACC", std::string("\0\xFF\x01[", 4));
    RebuildReservationList(s);
    const auto e = Entries();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].second, " " " - " " - AB123CD");
    EXPECT_EQ(e[1].second, " " " - " " - ");
    EXPECT_EQ(e[2].second, " " " - " " - ");
    EXPECT_EQ(e[3].second, " " " - " " - ");
}

TEST_F(List, YearPrefixFollowsTheClock) {
    WriteAcc("26000123.ACC", Vehicle("A", "B", "C"));
    WriteAcc("27000001.ACC", Vehicle("D", "E", "F"));
    fs.clock.Set(2026, 12, 31, 23, 59, 59);
    RebuildReservationList(s);
    EXPECT_EQ(fs.station.picker.AccFiles, (std::vector<std::string>{"", "26000123.ACC"}));
    fs.clock.Set(2027, 1, 1, 0, 0, 0);
    RebuildReservationList(s);
    EXPECT_EQ(fs.station.picker.AccFiles, (std::vector<std::string>{"", "27000001.ACC"}));
    fs.clock.Set(2100, 6, 1);  // "00"
    WriteAcc("00000001.ACC", Vehicle("G", "H", "I"));
    RebuildReservationList(s);
    EXPECT_EQ(fs.station.picker.AccFiles, (std::vector<std::string>{"", "00000001.ACC"}));
}

TEST_F(List, RebuildTwiceAndAfterARemoval) {
    WriteAcc("26000001.ACC", Vehicle("A", "B", "C"));
    WriteAcc("26000002.ACC", Vehicle("D", "E", "F"));
    RebuildReservationList(s);
    const auto first = fs.view.comboItems;
    const auto firstFiles = fs.station.picker.AccFiles;
    RebuildReservationList(s);
    EXPECT_EQ(fs.view.comboItems, first);
    EXPECT_EQ(fs.station.picker.AccFiles, firstFiles);
    std::filesystem::remove(NativePath(fs.state.AccDirectory + "26000001.ACC"));
    RebuildReservationList(s);
    EXPECT_EQ(fs.station.picker.AccFiles, (std::vector<std::string>{"", "26000002.ACC"}));
    EXPECT_EQ(fs.view.comboItems, (std::vector<std::string>{Lang(303), " D - E - F"}));
}

TEST_F(List, RebuildLeavesTheArmedReservationAlone) {
    fs.state.ReservationIni.SetIniFile(fs.state.AccDirectory + "26000009.ACC");
    WriteAcc("26000001.ACC", Vehicle("A", "B", "C"));
    RebuildReservationList(s);
    EXPECT_EQ(fs.state.ReservationIni.IniFile(), fs.state.AccDirectory + "26000009.ACC");
}
