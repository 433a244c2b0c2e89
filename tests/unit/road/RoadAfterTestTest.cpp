// The road's other endings: closing after the test, results the program
// refuses, and the next vehicle after a finished one.
#include "road/RoadFixture.h"

using namespace heliotab;
using namespace heliotab::testing_road;

namespace {

const std::string kLightFarName = "26000101.FAR";

// The light vehicle's results of the close-after-test runs.
Results PlainResults() {
    Results r;
    r.lux = {"  10.0", "  10.0", "  30.0", "  30.0"};
    return r;
}

class CloseAfterTestTest : public RoadTest {
public:
    // Online with the tester's version, the light vehicle armed and measured.
    void RunLightTestClosing(const std::string& version) {
        Identity id;
        id.versione = version;
        StartOnline(Wire(FixedIdentity(true, id)), "", "Chiudi dopo test=1\r\n");
        ASSERT_TRUE(st.bCloseAfterTest);
        WriteDemoReservations();
        Choose(kLightAcc);
        Measure(15 * kSecond, Wire(FixedResults(true, PlainResults())), 62 * kSecond);
    }
    // Close timer, unload, and nothing more afterwards.
    void ExpectClosedAt(int64_t ms) {
        EXPECT_TRUE(st.bClosePending);
        ASSERT_TRUE(f.timers.IsRunning(kTimerClose));
        EXPECT_EQ(f.timers.DueAt(kTimerClose), t0 + ms);
        AdvanceTo(ms - 1);
        EXPECT_FALSE(f.view.unloaded);
        EXPECT_TRUE(f.port.IsOpen());
        AdvanceTo(ms);
        EXPECT_TRUE(f.view.unloaded);
        EXPECT_FALSE(f.port.IsOpen());
        EXPECT_TRUE(st.bQuitQuery);
        EXPECT_FALSE(f.timers.IsRunning(kTimerClose));
        EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    }
};

// No message; timer 2 unloads 0.1 s after the result, and the tester gets
// EOT when its version ends in a letter (either case).
TEST_F(CloseAfterTestTest, Timer2UnloadsAndOnlyALetterVersionGetsEot) {
    for (const std::string version : {"2.1B", "2.1b", "2.10"}) {
        SCOPED_TRACE(version);
        struct Run : CloseAfterTestTest {
            void TestBody() override {}
        } r;
        r.RunLightTestClosing(version);
        EXPECT_TRUE(testutil::Exists(r.ExchangeFile(kLightFarName)));
        EXPECT_FALSE(testutil::Exists(r.ExchangeFile(kLightAcc)));
        r.ExpectNoLeftovers("26000101");
        r.ExpectClosedAt(62100);
        Timed wire{{kACK, 15000}, {kACK, 62000}};
        if (version != "2.10") wire.push_back({kEOT, 62100});
        EXPECT_EQ(r.SentAt(), wire);
        EXPECT_TRUE(r.f.messages.shown.empty());  // no stop question either: the test was over
        const size_t opens = r.f.port.opened.size();
        r.AdvanceTo(120 * kSecond);
        EXPECT_EQ(r.f.port.sent.size(), wire.size());
        EXPECT_EQ(r.f.port.opened.size(), opens);
    }
}

// A refused results frame: ACK (the tester has finished), no file, the
// reservation and the armed test kept, the operator told; the tester's
// repeated measurement then delivers the result.
TEST_F(RoadTest, ResultsWithAnUnknownConfigurationCodeAreRefusedUntilRepeated) {
    Separated identity;
    identity.status = "0";
    StartOnline(Wire(SeparatedFrame(identity)));
    WriteDemoReservations();
    Choose(kBusAcc);

    Separated bad;
    bad.code = "7";
    Measure(60 * kSecond, Wire(SeparatedFrame(bad)), 150 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 60000}, {kACK, 150000}}));
    EXPECT_FALSE(testutil::Exists(ExchangeFile("26000103.FAR")));
    EXPECT_TRUE(testutil::Exists(ExchangeFile(kBusAcc)));
    ExpectNoLeftovers("26000103");
    EXPECT_TRUE(st.bTestArmed);
    EXPECT_EQ(st.SelectedAccFile, kBusAcc);
    EXPECT_EQ(f.view.vehicle[0], "IRISBUS");
    EXPECT_EQ(f.view.operatorName, "ROSSI MARIO");
    EXPECT_TRUE(f.view.enabled[Button::Ferma]);
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(384));
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, Lang(383));
    EXPECT_EQ(f.messages.shown[0].title, Lang(380));
    EXPECT_EQ(f.messages.shown[0].style, kStyleExclamation);

    Separated good;
    good.aims = {"R", "R", "R", "R", "R", "R", "R", "A"};
    good.lux = {"10", "11", "30", "31"};
    good.altezza = "100";
    good.tipo = "D";
    good.code = "2";
    Measure(200 * kSecond, Wire(SeparatedFrame(good)), 260 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 200000}, {kACK, 260000}}));
    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000103.FAR")),
              FarFile(kLuxometra + "#100|#D|R|R|R|R|R|R|R|A|010000|011000|030000|031000|R|R|R|R|A||05122026|103320|"
                                   "103420|ROSSI MARIO"));
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kBusAcc)));
    ExpectNoLeftovers("26000103");
    ExpectIdleWindow();
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[1].text, DoneMessage("26000103.FAR"));
}

// Two vehicles in a row: the first vehicle's results, sent again by the
// tester while the next one is armed, reach neither file, and the second
// file holds only the second vehicle's values.
TEST_F(RoadTest, OneVehiclesResultsNeverReachTheNextVehiclesFile) {
    StartOnline(Wire(FixedIdentity(false)));
    WriteDemoReservations();
    // The bus has an operator of its own.
    std::string bus = testutil::ReadFile(ExchangeFile(kBusAcc));
    const std::string rossi = "Operatore=ROSSI MARIO\r\n";
    ASSERT_NE(bus.find(rossi), std::string::npos);
    bus.replace(bus.find(rossi), rossi.size(), "Operatore=BIANCHI ANNA\r\n");
    testutil::WriteFile(ExchangeFile(kBusAcc), bus);

    Choose(kHeavyAcc);
    Results heavy;
    heavy.aims = "IAIAIAIA";
    heavy.lux = {"  95.0", "   1.0", "   5.0", " 160.0"};
    heavy.altezza = "123";
    heavy.tipo = "H";
    const std::string heavyWire = Wire(FixedResults(false, heavy));
    Measure(20 * kSecond, heavyWire, 80 * kSecond);
    const std::string heavyFar = testutil::ReadFile(ExchangeFile("26000102.FAR"));
    ASSERT_NE(heavyFar.find("Esito=I\r\n"), std::string::npos);
    ASSERT_NE(heavyFar.find("AltezzaAnab=#123\r\n"), std::string::npos);

    Choose(kBusAcc);
    EXPECT_EQ(f.view.operatorName, "BIANCHI ANNA");
    // The tester repeats the heavy vehicle's results (it missed our ACK):
    // nothing is measuring, so no answer and no file.
    f.port.sent.clear();
    AdvanceTo(90 * kSecond);
    Feed(heavyWire);
    EXPECT_TRUE(f.port.sent.empty());
    EXPECT_FALSE(testutil::Exists(ExchangeFile("26000103.FAR")));
    EXPECT_TRUE(testutil::Exists(ExchangeFile(kBusAcc)));
    EXPECT_TRUE(st.bTestArmed);

    // Code "3": only the right dipped beam counts.
    Separated r;
    r.aims = {"R", "I", "R", "I", "R", "A", "R", "I"};
    r.lux = {"5.0", "1.0", "100", "1.5"};
    r.altezza = "70";
    r.tipo = "E";
    r.code = "3";
    Measure(100 * kSecond, Wire(SeparatedFrame(r)), 170 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 100000}, {kACK, 170000}}));
    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000103.FAR")),
              FarFile(kLuxometra + "#070|#E|R|I|R|I|R|A|R|I|005000|001000|100000|001500|R|I|I|I|R||05122026|103140|"
                                   "103250|BIANCHI ANNA"));
    // The first vehicle's file is untouched by the second.
    EXPECT_EQ(testutil::ReadFile(ExchangeFile("26000102.FAR")), heavyFar);
    ExpectIdleWindow();
}

// The tester signs off while a reservation is armed: the window drops the
// reservation (its file stays), the poll starts again, and once the tester
// is back the same reservation can be chosen and answered.
TEST_F(RoadTest, TesterSigningOffDropsTheArmedReservationUntilItReturns) {
    StartOnline(Wire(FixedIdentity(true)));
    WriteDemoReservations();
    Choose(kLightAcc);

    AdvanceTo(20 * kSecond);
    Feed(Wire(FixedStatus('3')));
    EXPECT_TRUE(f.port.sent.empty());  // no answer to a sign-off
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_FALSE(st.bDeviceOnline);
    EXPECT_TRUE(st.bDeviceSearch);
    EXPECT_EQ(st.SelectedAccFile, "");
    EXPECT_EQ(f.view.vehicle[0], "");
    EXPECT_EQ(f.view.operatorName, "");
    EXPECT_EQ(f.view.device[4], "");
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboText, Lang(303));
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(334));
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(331));
    EXPECT_TRUE(testutil::Exists(ExchangeFile(kLightAcc)));

    // Timer 1 one second later: close, 0.5 s, open, 0.5 s, ENQ; then every 2 s.
    AdvanceTo(24500);
    EXPECT_EQ(SentAt(), (Timed{{kENQ, 22000}, {kENQ, 24000}}));
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kLightFarName)));

    Feed(Wire(FixedIdentity(true)));
    ASSERT_TRUE(st.bDeviceOnline);
    Choose(kLightAcc);
    Measure(30 * kSecond, Wire(FixedResults(true, PlainResults())), 45 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 30000}, {kACK, 45000}}));
    const std::string far = testutil::ReadFile(ExchangeFile(kLightFarName));
    EXPECT_NE(far.find("\r\nNumVersioneSoftware=2.1B\r\n"), std::string::npos);
    EXPECT_NE(far.find("\r\nInizioMisura=103030\r\nFineMisura=103045\r\nOperatore=ROSSI MARIO\r\n"),
              std::string::npos);
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kLightAcc)));
    ExpectIdleWindow();
}

// The operator leaves the refusal on screen while the tester repeats the
// measurement: the repeat is handled under the open box and delivered.
TEST_F(RoadTest, ARepeatWhileTheRefusalIsStillOpenIsDelivered) {
    StartOnline(Wire(FixedIdentity(true)));
    WriteDemoReservations();
    Choose(kLightAcc);

    Results bad = PlainResults();
    bad.lux[3] = "      ";
    f.messages.whileOpen = [this] {
        AdvanceTo(70 * kSecond);
        Feed(Wire(FixedStatus('1')));
        AdvanceTo(95 * kSecond);
        Feed(Wire(FixedResults(true, PlainResults())));
    };
    Measure(15 * kSecond, Wire(FixedResults(true, bad)), 62 * kSecond);
    EXPECT_EQ(SentAt(), (Timed{{kACK, 15000}, {kACK, 62000}, {kACK, 70000}, {kACK, 95000}}));

    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[0].text, Lang(382));
    EXPECT_EQ(f.messages.shown[1].text, DoneMessage(kLightFarName));
    const std::string far = testutil::ReadFile(ExchangeFile(kLightFarName));
    EXPECT_NE(far.find("\r\nIllumLuxAbbSx=030000\r\n"), std::string::npos);
    EXPECT_NE(far.find("\r\nInizioMisura=103110\r\nFineMisura=103135\r\n"), std::string::npos);
    EXPECT_FALSE(testutil::Exists(ExchangeFile(kLightAcc)));
    ExpectNoLeftovers("26000101");
    ExpectIdleWindow();
}

}  // namespace
