// One test from start-up to the result file: the poll finds the tester, the
// operator picks a reservation, the tester measures, the .FAR appears with
// exactly the expected bytes and the window goes back to idle.
#include "road/RoadFixture.h"

using namespace heliotab;
using namespace heliotab::testing_road;

namespace {

TEST_F(RoadTest, StartUpPollsPort3UntilTheTesterAnnouncesItself) {
    StartUp();
    EXPECT_EQ(st.iSerialPort, 3);
    EXPECT_EQ(st.AccDirectory, exchange + kSep);
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], "Ricerca del provafari in corso...");
    EXPECT_FALSE(f.view.visible[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboItems, std::vector<std::string>{Lang(303)});
    EXPECT_EQ(f.view.comboIndex, 0);

    // Nothing before the first tick; the port is opened at 1 s, ENQ 0.5 s
    // later; nobody answers: close, 0.5 s, open, 0.5 s, ENQ, one second
    // after the last attempt ended.
    AdvanceTo(999);
    EXPECT_TRUE(f.port.opened.empty());
    AdvanceTo(6000);
    EXPECT_EQ(SentAt(), (Timed{{kENQ, 1500}, {kENQ, 3500}, {kENQ, 5500}}));
    EXPECT_EQ(f.port.opened, (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(f.port.closes, 2);

    Feed(Wire(FixedIdentity(true)));
    EXPECT_EQ(f.view.device, (std::array<std::string, 6>{"LUXOMETRA", "HL-5", "OM1234", "0042", "2.1B", "31/12/2026"}));
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], "Provafari collegato su COM3");
    EXPECT_EQ(f.view.panels[Panel::Stato], "");
    EXPECT_TRUE(f.view.comboEnabled);
    EXPECT_TRUE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.visible[Button::Test]);  // no /TEST

    // Online: no more ENQ, the port stays open.
    AdvanceTo(60 * kSecond);
    EXPECT_EQ(f.port.sent.size(), 3u);
    EXPECT_EQ(f.port.opened.size(), 3u);
    EXPECT_TRUE(f.port.IsOpen());
    EXPECT_TRUE(f.messages.shown.empty());
}

// The three demo vehicles, each with its own tester and layout.
TEST_F(RoadTest, EachVehicleGetsItsResultFile) {
    Results light;
    light.aims = "RRRRARRR";
    light.lux = {"  3.75", "  90.0", " 150.0", "  20.0"};
    light.altezza = " 85";
    Results heavy;
    heavy.aims = "RRRARRRR";
    heavy.lux = {"  95.5", "  4.25", " 120.0", "150.00"};
    heavy.altezza = "120";
    heavy.tipo = "B";
    Separated busId;
    busId.id = {"OPTILUX", "SEP 24", "OM-BUS-99", "0815", "5.2", "01012028"};
    busId.status = "0";
    // Code "1": right lamps only, configuration-1 limits; the left lamp's
    // "I" and the failing left values do not count, the "#" mark does.
    Separated bus = busId;
    bus.status = "2";
    bus.aims = {"R", "I", "R#", "R", "A", "R", "R", "R"};
    bus.lux = {"2.0", "1.5", "7.5", "200"};
    bus.altezza = "95";
    bus.tipo = "C";
    bus.code = "1";
    struct Row {
        std::string identity, acc, vehicle, results;
        int64_t start, end;
        std::string far;
    };
    const Row rows[] = {
        {Wire(FixedIdentity(true)), kLightAcc, "CITRO\xCBN|C3|FX123AB", Wire(FixedResults(true, light)), 15, 62,
         kLuxometra + "#085|#A|R|R|R|R|A|R|R|R|003750|090000|150000|020000|R|R|R|R|A||05122026|103015|103102|ROSSI MARIO"},
        {Wire(FixedIdentity(false, {"FARMATIC", "PF-900 PLUS", "OMOL-2019-0077", "7731", "3.04", "15062027"})),
         kHeavyAcc, "IVECO|EUROCARGO 120E25|EZ456KL", Wire(FixedResults(false, heavy)), 20, 105,
         "FARMATIC|PF-900 PLUS|OMOL-2019-0077|7731|3.04|15062027|#120|#B|R|R|R|A|R|R|R|R|095500|004250|120000|150000|"
         "I|R|R|R|I||05122026|103020|103145|ROSSI MARIO"},
        {Wire(SeparatedFrame(busId)), kBusAcc, "IRISBUS|CROSSWAY 12M|FK789CD", Wire(SeparatedFrame(bus)), 60, 150,
         "OPTILUX|SEP 24|OM-BUS-99|0815|5.2|01012028|#095|#C|R|I|R|R|A|R|R|R|002000|001500|007500|200000|R|I|R|I|#A||"
         "05122026|103100|103230|ROSSI MARIO"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.acc);
        struct Run : RoadTest {
            void TestBody() override {}
        } r;
        r.StartOnline(row.identity);
        r.WriteDemoReservations();
        r.Choose(row.acc);
        EXPECT_EQ(r.f.view.vehicle[0] + "|" + r.f.view.vehicle[1] + "|" + r.f.view.vehicle[2], row.vehicle);
        EXPECT_EQ(r.f.view.operatorName, "ROSSI MARIO");
        EXPECT_EQ(r.f.view.panels[Panel::Stato], r.Lang(338));
        r.Measure(row.start * kSecond, row.results, row.end * kSecond);
        EXPECT_EQ(r.SentAt(), (Timed{{kACK, row.start * kSecond}, {kACK, row.end * kSecond}}));
        const std::string base = row.acc.substr(0, 8);
        EXPECT_EQ(testutil::ReadFile(r.ExchangeFile(base + ".FAR")), FarFile(row.far));
        EXPECT_FALSE(testutil::Exists(r.ExchangeFile(row.acc)));
        for (const char* other : {kLightAcc, kHeavyAcc, kBusAcc})
            if (row.acc != other) EXPECT_TRUE(testutil::Exists(r.ExchangeFile(other)));  // the others stay
        r.ExpectNoLeftovers(base);
        r.ExpectIdleWindow();
        ASSERT_EQ(r.f.messages.shown.size(), 1u);
        EXPECT_EQ(r.f.messages.shown[0].text, r.DoneMessage(base + ".FAR"));
        EXPECT_EQ(r.f.messages.shown[0].title, r.Lang(601));
        EXPECT_EQ(r.f.messages.shown[0].style, kStyleInformation);
        EXPECT_EQ(r.f.messages.shown[0].atMs, r.t0 + row.end * kSecond);
    }
}

TEST_F(RoadTest, DemonstrationTestWithoutReservationWritesTestFar) {
    StartOnline(Wire(FixedIdentity(true)), "/TEST");
    EXPECT_TRUE(f.view.visible[Button::Test]);
    EXPECT_TRUE(f.view.enabled[Button::Test]);
    WriteDemoReservations();
    const size_t demos = BuildDemoReservations(f.clock.Now()).size();

    OnToolbarButton(s, Button::Test);
    ASSERT_TRUE(st.bTestArmed);
    Measure(10 * kSecond, Wire(FixedResults(true)), 40 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 10000}, {kACK, 40000}}));
    EXPECT_EQ(testutil::ReadFile(ExchangeFile("Test.FAR")),
              FarFile(kLuxometra + "#085|#A|R|R|R|R|R|R|R|R|012500|013000|040000|041000|R|R|R|R|R||05122026|103010|"
                                   "103040|DEMO OPERATOR"));
    ExpectNoLeftovers("Test");
    ExpectIdleWindow();
    // No reservation was answered, so none is gone.
    RebuildReservationList(s);
    EXPECT_EQ(s.picker.AccFiles.size(), demos + 1);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, DoneMessage("Test.FAR"));
}

}  // namespace

// "Files .ACC" names the exchange folder with or without its final
// separator: the list, the selection, the result and the delete all find the
// same files, and the settings file is left as it was.
class ExchangeFolderSetting : public RoadTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExchangeFolderSetting, IsAFolderEverywhere) {
    filesAcc = exchange + GetParam();
    StartOnline(Wire(FixedIdentity(true)));
    const std::string settings = testutil::ReadFile(program.File("HELIOTAB.ini"));
    EXPECT_EQ(st.AccDirectory, filesAcc);
    WriteDemoReservations();
    Choose(kLightAcc);
    EXPECT_EQ(f.view.vehicle[0], "CITRO\xCBN");
    Measure(15 * kSecond, Wire(FixedResults(true)), 62 * kSecond);
    EXPECT_TRUE(testutil::Exists(ExchangeFile("26000101.FAR")));
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kLightAcc)));
    ExpectNoLeftovers("26000101");
    ASSERT_EQ(f.messages.shown.size(), 1u);
    const std::string shownPath = exchange + (*GetParam() ? GetParam() : "\\") + "26000101.FAR";
    EXPECT_EQ(f.messages.shown[0].text, Lang(602) + " '" + shownPath + "'");
    EXPECT_EQ(testutil::ReadFile(program.File("HELIOTAB.ini")), settings);
}

INSTANTIATE_TEST_SUITE_P(FinalSeparator, ExchangeFolderSetting, ::testing::Values("", "\\", "/"));
