// One test from start-up to the result file: the poll finds the tester, the
// operator picks a reservation, the tester measures, the .FAR appears with
// exactly the expected bytes and the window goes back to idle.
#include "road/RoadFixture.h"

using namespace heliotab;
using namespace heliotab::testing_road;

namespace {

const Identity kHeavyTester{"FARMATIC", "PF-900 PLUS", "OMOL-2019-0077", "7731", "3.04", "15062027"};
const Identity kBusTester{"OPTILUX", "SEP 24", "OM-BUS-99", "0815", "5.2", "01012028"};

TEST_F(RoadTest, StartUpPollsPort3UntilTheTesterAnnouncesItself) {
    StartUp();
    EXPECT_EQ(st.iSerialPort, 3);
    EXPECT_EQ(st.AccDirectory, exchange + kSep);
    EXPECT_EQ(st.sLanguage, "Italiano");
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], "Ricerca del provafari in corso...");
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(331));
    EXPECT_FALSE(f.view.visible[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboItems, std::vector<std::string>{Lang(303)});
    EXPECT_EQ(f.view.comboIndex, 0);
    EXPECT_TRUE(st.bDeviceSearch);

    // Nothing before the first tick; the port is opened at 1 s, ENQ 0.5 s later.
    AdvanceTo(999);
    EXPECT_TRUE(f.port.opened.empty());
    AdvanceTo(1499);
    EXPECT_EQ(f.port.opened, std::vector<int>{3});
    EXPECT_TRUE(f.port.sent.empty());
    AdvanceTo(1500);
    EXPECT_EQ(SentAt(), (Timed{{kENQ, 1500}}));

    // Nobody answers: close, 0.5 s, open, 0.5 s, ENQ, one second after the last attempt ended.
    AdvanceTo(6000);
    EXPECT_EQ(SentAt(), (Timed{{kENQ, 1500}, {kENQ, 3500}, {kENQ, 5500}}));
    EXPECT_EQ(f.port.opened, (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(f.port.closes, 2);

    Feed(Wire(FixedIdentity(true)));
    EXPECT_TRUE(st.bDeviceOnline);
    EXPECT_FALSE(st.bDeviceSearch);
    EXPECT_EQ(f.view.device[0], "LUXOMETRA");
    EXPECT_EQ(f.view.device[1], "HL-5");
    EXPECT_EQ(f.view.device[2], "OM1234");
    EXPECT_EQ(f.view.device[3], "0042");
    EXPECT_EQ(f.view.device[4], "2.1B");
    EXPECT_EQ(f.view.device[5], "31/12/2026");
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
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    EXPECT_TRUE(f.messages.shown.empty());
}

TEST_F(RoadTest, LightVehicleShortFixedLayout) {
    StartOnline(Wire(FixedIdentity(true)));
    WriteDemoReservations();
    RebuildReservationList(s);
    ASSERT_EQ(st.AccFiles.size(), BuildDemoReservations(f.clock.Now()).size() + 1);
    bool listed = false;
    for (const std::string& item : f.view.comboItems) listed |= item == " CITRO\xCBN - C3 - FX123AB";
    EXPECT_TRUE(listed);

    Choose(kLightAcc);
    EXPECT_EQ(f.view.vehicle[0], "CITRO\xCBN");
    EXPECT_EQ(f.view.vehicle[1], "C3");
    EXPECT_EQ(f.view.vehicle[2], "FX123AB");
    EXPECT_EQ(f.view.operatorName, "ROSSI MARIO");
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(338));
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_TRUE(f.view.enabled[Button::Ferma]);
    EXPECT_TRUE(f.messages.shown.empty());

    Results r;
    r.aims = "RRRRARRR";
    r.lux = {"  3.75", "  90.0", " 150.0", "  20.0"};
    r.altezza = " 85";
    r.tipo = "A";
    const std::string wire = Wire(FixedResults(true, r));
    ASSERT_EQ(wire.size(), 95u);
    Measure(15 * kSecond, wire, 62 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 15000}, {kACK, 62000}}));

    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000101.FAR")),
              "[ProvaFari]\r\n"
              "Marca=LUXOMETRA\r\n"
              "Tipo=HL-5\r\n"
              "NumOmologa=OM1234\r\n"
              "NumSerie=0042\r\n"
              "NumVersioneSoftware=2.1B\r\n"
              "DataScadenza=31122026\r\n"
              "AltezzaAnab=#085\r\n"
              "TipoAnab=#A\r\n"
              "VertAnabDx=R\r\n"
              "VertAnabSx=R\r\n"
              "VertAbbDx=R\r\n"
              "VertAbbSx=R\r\n"
              "OrizzAnabDx=A\r\n"
              "OrizzAnabSx=R\r\n"
              "OrizzAbbDx=R\r\n"
              "OrizzAbbSx=R\r\n"
              "IllumLuxAnabDx=003750\r\n"
              "IllumLuxAnabSx=090000\r\n"
              "IllumLuxAbbDx=150000\r\n"
              "IllumLuxAbbSx=020000\r\n"
              "EsitoIllumLuxAnabDx=R\r\n"
              "EsitoIllumLuxAnabSx=R\r\n"
              "EsitoIllumLuxAbbDx=R\r\n"
              "EsitoIllumLuxAbbSx=R\r\n"
              "Esito=A\r\n"
              "CodErrore=\r\n"
              "DataMisura=05122026\r\n"
              "InizioMisura=103015\r\n"
              "FineMisura=103102\r\n"
              "Operatore=ROSSI MARIO\r\n");
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kLightAcc)));
    EXPECT_TRUE(testutil::Exists(ExchangeFile(kHeavyAcc)));
    ExpectNoLeftovers("26000101");
    ExpectIdleWindow();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, DoneMessage("26000101.FAR"));
    EXPECT_EQ(f.messages.shown[0].title, Lang(601));
    EXPECT_EQ(f.messages.shown[0].style, kStyleInformation);
    EXPECT_EQ(f.messages.shown[0].atMs, t0 + 62000);
}

TEST_F(RoadTest, HeavyVehicleLongFixedLayout) {
    StartOnline(Wire(FixedIdentity(false, kHeavyTester)));
    EXPECT_EQ(f.view.device[1], "PF-900 PLUS");
    EXPECT_EQ(f.view.device[5], "15/06/2027");
    WriteDemoReservations();
    Choose(kHeavyAcc);
    EXPECT_EQ(f.view.vehicle[0], "IVECO");
    EXPECT_EQ(f.view.vehicle[1], "EUROCARGO 120E25");
    EXPECT_EQ(f.view.vehicle[2], "EZ456KL");

    Results r;
    r.aims = "RRRARRRR";
    r.lux = {"  95.5", "  4.25", " 120.0", "150.00"};
    r.altezza = "120";
    r.tipo = "B";
    const std::string wire = Wire(FixedResults(false, r));
    ASSERT_EQ(wire.size(), 117u);
    Measure(20 * kSecond, wire, 105 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 20000}, {kACK, 105000}}));

    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000102.FAR")),
              "[ProvaFari]\r\n"
              "Marca=FARMATIC\r\n"
              "Tipo=PF-900 PLUS\r\n"
              "NumOmologa=OMOL-2019-0077\r\n"
              "NumSerie=7731\r\n"
              "NumVersioneSoftware=3.04\r\n"
              "DataScadenza=15062027\r\n"
              "AltezzaAnab=#120\r\n"
              "TipoAnab=#B\r\n"
              "VertAnabDx=R\r\n"
              "VertAnabSx=R\r\n"
              "VertAbbDx=R\r\n"
              "VertAbbSx=A\r\n"
              "OrizzAnabDx=R\r\n"
              "OrizzAnabSx=R\r\n"
              "OrizzAbbDx=R\r\n"
              "OrizzAbbSx=R\r\n"
              "IllumLuxAnabDx=095500\r\n"
              "IllumLuxAnabSx=004250\r\n"
              "IllumLuxAbbDx=120000\r\n"
              "IllumLuxAbbSx=150000\r\n"
              "EsitoIllumLuxAnabDx=I\r\n"
              "EsitoIllumLuxAnabSx=R\r\n"
              "EsitoIllumLuxAbbDx=R\r\n"
              "EsitoIllumLuxAbbSx=R\r\n"
              "Esito=I\r\n"
              "CodErrore=\r\n"
              "DataMisura=05122026\r\n"
              "InizioMisura=103020\r\n"
              "FineMisura=103145\r\n"
              "Operatore=ROSSI MARIO\r\n");
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kHeavyAcc)));
    EXPECT_TRUE(testutil::Exists(ExchangeFile(kLightAcc)));
    ExpectNoLeftovers("26000102");
    ExpectIdleWindow();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, DoneMessage("26000102.FAR"));
}

TEST_F(RoadTest, BusSeparatedLayoutWithConfigurationCode) {
    Separated identity;
    identity.id = kBusTester;
    identity.status = "0";
    StartOnline(Wire(SeparatedFrame(identity)));
    EXPECT_EQ(f.view.device[0], "OPTILUX");
    EXPECT_EQ(f.view.device[5], "01/01/2028");
    WriteDemoReservations();
    Choose(kBusAcc);
    EXPECT_EQ(f.view.vehicle[0], "IRISBUS");
    EXPECT_EQ(f.view.vehicle[2], "FK789CD");

    // Code "1": right lamps only, configuration-1 limits; the left lamp's
    // "I" and the failing left values do not count, the "#" mark does.
    Separated r;
    r.id = kBusTester;
    r.aims = {"R", "I", "R#", "R", "A", "R", "R", "R"};
    r.lux = {"2.0", "1.5", "7.5", "200"};
    r.altezza = "95";
    r.tipo = "C";
    r.code = "1";
    Measure(60 * kSecond, Wire(SeparatedFrame(r)), 150 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 60000}, {kACK, 150000}}));

    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000103.FAR")),
              "[ProvaFari]\r\n"
              "Marca=OPTILUX\r\n"
              "Tipo=SEP 24\r\n"
              "NumOmologa=OM-BUS-99\r\n"
              "NumSerie=0815\r\n"
              "NumVersioneSoftware=5.2\r\n"
              "DataScadenza=01012028\r\n"
              "AltezzaAnab=#095\r\n"
              "TipoAnab=#C\r\n"
              "VertAnabDx=R\r\n"
              "VertAnabSx=I\r\n"
              "VertAbbDx=R\r\n"
              "VertAbbSx=R\r\n"
              "OrizzAnabDx=A\r\n"
              "OrizzAnabSx=R\r\n"
              "OrizzAbbDx=R\r\n"
              "OrizzAbbSx=R\r\n"
              "IllumLuxAnabDx=002000\r\n"
              "IllumLuxAnabSx=001500\r\n"
              "IllumLuxAbbDx=007500\r\n"
              "IllumLuxAbbSx=200000\r\n"
              "EsitoIllumLuxAnabDx=R\r\n"
              "EsitoIllumLuxAnabSx=I\r\n"
              "EsitoIllumLuxAbbDx=R\r\n"
              "EsitoIllumLuxAbbSx=I\r\n"
              "Esito=#A\r\n"
              "CodErrore=\r\n"
              "DataMisura=05122026\r\n"
              "InizioMisura=103100\r\n"
              "FineMisura=103230\r\n"
              "Operatore=ROSSI MARIO\r\n");
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kBusAcc)));
    ExpectNoLeftovers("26000103");
    ExpectIdleWindow();
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, DoneMessage("26000103.FAR"));
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
              "[ProvaFari]\r\n"
              "Marca=LUXOMETRA\r\n"
              "Tipo=HL-5\r\n"
              "NumOmologa=OM1234\r\n"
              "NumSerie=0042\r\n"
              "NumVersioneSoftware=2.1B\r\n"
              "DataScadenza=31122026\r\n"
              "AltezzaAnab=#085\r\n"
              "TipoAnab=#A\r\n"
              "VertAnabDx=R\r\n"
              "VertAnabSx=R\r\n"
              "VertAbbDx=R\r\n"
              "VertAbbSx=R\r\n"
              "OrizzAnabDx=R\r\n"
              "OrizzAnabSx=R\r\n"
              "OrizzAbbDx=R\r\n"
              "OrizzAbbSx=R\r\n"
              "IllumLuxAnabDx=012500\r\n"
              "IllumLuxAnabSx=013000\r\n"
              "IllumLuxAbbDx=040000\r\n"
              "IllumLuxAbbSx=041000\r\n"
              "EsitoIllumLuxAnabDx=R\r\n"
              "EsitoIllumLuxAnabSx=R\r\n"
              "EsitoIllumLuxAbbDx=R\r\n"
              "EsitoIllumLuxAbbSx=R\r\n"
              "Esito=R\r\n"
              "CodErrore=\r\n"
              "DataMisura=05122026\r\n"
              "InizioMisura=103010\r\n"
              "FineMisura=103040\r\n"
              "Operatore=DEMO OPERATOR\r\n");
    ExpectNoLeftovers("Test");
    ExpectIdleWindow();
    // No reservation was answered, so none is gone.
    RebuildReservationList(s);
    EXPECT_EQ(st.AccFiles.size(), demos + 1);
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
