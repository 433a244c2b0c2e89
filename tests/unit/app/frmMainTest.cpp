// The main window's behaviour with fakes: command line, start-up state,
// toolbar commands, the stop question and the close path.
#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : f(DefaultFileSystem()) {
        f.timers.onTimer = [this](int id) { TimerProc(f.station, id); };
    }
    std::string Lang(int id) { return GetLangString(f.state, id); }
    void ArmDemo() { OnToolbarButton(f.station, Button::Test); }
    // The tester announced itself with this software version.
    void ShowVersion(const std::string& version) {
        testframes::Identity id;
        id.versione = version;
        CarryOut(f.station, f.link.InterrogaFAR(testframes::Sealed(testframes::FixedIdentity(true, id)), f.clock.Now(), ""));
    }
    FakeStation f;
};

TEST_F(MainWindowTest, SwitchesAreFoundInAnyCaseAndOnlyAfterASlash) {
    const struct {
        const char* line;
        bool test, maximized;
    } cases[] = {
        {"  /test /  Maximized ", true, true}, {"/TEST/MAXIMIZED", true, true}, {"TEST", false, false},
        {"MAXIMIZED /X", false, false}, {"/TESTING/MAX", false, false},
    };
    for (const auto& c : cases) {
        const auto sw = ParseCommandLine(f.state, c.line);
        EXPECT_EQ(sw.test, c.test) << c.line;
        EXPECT_EQ(sw.maximized, c.maximized) << c.line;
    }
    ParseCommandLine(f.state, "  /test /  Maximized ");
    ASSERT_EQ(f.state.CommandSwitches.size(), 3u);
    EXPECT_EQ(f.state.CommandSwitches[1], "TEST ");
}

TEST_F(MainWindowTest, InitialStateHidesTestUnlessSwitched) {
    StartupInitialState(f.station, StartupSwitches{});
    EXPECT_FALSE(f.view.visible[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboIndex, 0);

    StartupInitialState(f.station, StartupSwitches{true, false});
    EXPECT_TRUE(f.view.visible[Button::Test]);
}

TEST_F(MainWindowTest, NoPortMeansNoSearch) {
    f.state.iSerialPort = 0;
    StartupDeviceSearch(f.station);
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(330));
    EXPECT_FALSE(f.state.bDeviceSearch);
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(MainWindowTest, AConfiguredPortStartsTheOnceASecondSearch) {
    f.state.iSerialPort = 3;
    StartupDeviceSearch(f.station);
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(331));
    EXPECT_TRUE(f.state.bDeviceSearch);
    ASSERT_TRUE(f.timers.IsRunning(kTimerPoll));
    EXPECT_EQ(f.timers.DueAt(kTimerPoll) - f.clock.Ms(), 1000);
}

TEST_F(MainWindowTest, DemonstrationArmsWithSampleData) {
    ArmDemo();
    EXPECT_TRUE(f.state.bTestArmed);
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(338));
    EXPECT_EQ(f.view.vehicle[0], "FIAT");
    EXPECT_EQ(f.view.vehicle[1], "TOPOLINO C");
    EXPECT_EQ(f.view.vehicle[2], "MX431NY");
    EXPECT_EQ(f.view.operatorName, "DEMO OPERATOR");
    EXPECT_FALSE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Opzioni]);
    EXPECT_FALSE(f.view.trayOptionsEnabled);
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_TRUE(f.view.enabled[Button::Ferma]);
    EXPECT_TRUE(f.state.SelectedAccFile.empty());
}

TEST_F(MainWindowTest, StopAnsweredNoChangesNothing) {
    ArmDemo();
    f.port.Open(3);
    ShowVersion("2.1B");
    f.messages.answers.push_back(kAnswerNo);
    OnToolbarButton(f.station, Button::Ferma);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, Lang(364));
    EXPECT_EQ(f.messages.shown[0].title, Lang(363));
    EXPECT_EQ(f.messages.shown[0].style, kStyleQuestion);
    EXPECT_TRUE(f.state.bTestArmed);
    EXPECT_TRUE(f.view.enabled[Button::Ferma]);
    EXPECT_EQ(f.view.vehicle[0], "FIAT");
    EXPECT_TRUE(f.port.sent.empty());
}

TEST_F(MainWindowTest, StopAnsweredYesCancelsAndReturnsToIdle) {
    ArmDemo();
    f.port.Open(3);
    ShowVersion("2.1B");
    f.state.SelectedAccFile = "26000123.ACC";
    EXPECT_TRUE(StopTest(f.station));
    EXPECT_EQ(f.port.SentBytes(), std::string(1, '\x18'));
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(337));
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_TRUE(f.view.enabled[Button::Test]);
    EXPECT_TRUE(f.view.enabled[Button::Opzioni]);
    EXPECT_TRUE(f.view.trayOptionsEnabled);
    EXPECT_TRUE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboIndex, 0);
    EXPECT_GT(f.view.comboFocus, 0);
    EXPECT_EQ(f.view.vehicle[0], "");
    EXPECT_EQ(f.view.vehicle[2], "");
    EXPECT_EQ(f.view.operatorName, "");
    EXPECT_TRUE(f.state.SelectedAccFile.empty());
    EXPECT_FALSE(f.state.bTestArmed);
}

TEST_F(MainWindowTest, StopSendsNoCancelToADeviceWhoseVersionEndsInADigit) {
    ArmDemo();
    f.port.Open(3);
    ShowVersion("2.10");
    EXPECT_TRUE(StopTest(f.station));
    EXPECT_TRUE(f.port.sent.empty());
    EXPECT_FALSE(f.state.bTestArmed);
}

TEST_F(MainWindowTest, EscFollowsTheSetting) {
    f.state.bCloseWithEsc = false;
    EXPECT_FALSE(OnKeyPressEsc(f.station));
    EXPECT_FALSE(f.view.unloaded);

    f.state.bCloseWithEsc = true;
    EXPECT_TRUE(OnKeyPressEsc(f.station));
    EXPECT_TRUE(f.view.unloaded);
    EXPECT_TRUE(f.state.bQuitQuery);
}

TEST_F(MainWindowTest, EscWithAnArmedTestAsksFirstAndNoKeepsTheWindow) {
    ArmDemo();
    f.messages.answers.push_back(kAnswerNo);
    EXPECT_TRUE(OnKeyPressEsc(f.station));
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_FALSE(f.view.unloaded);
    EXPECT_TRUE(f.state.bTestArmed);
    EXPECT_FALSE(f.state.bQuitQuery);
}

TEST_F(MainWindowTest, ClosingSendsEotToALetterVersionAndClosesThePort) {
    f.port.Open(3);
    ShowVersion("V1A");
    EXPECT_TRUE(QueryUnload(f.station));
    EXPECT_EQ(f.port.SentBytes(), std::string(1, '\x04'));
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_TRUE(f.state.bQuitQuery);
}

TEST_F(MainWindowTest, ClosingDoesNotHangOnAnOutputBufferThatNeverDrains) {
    f.port.Open(3);
    f.port.outBufferCount = 7;  // a tester unplugged mid-send
    const int64_t t0 = f.clock.Ms();
    EXPECT_TRUE(QueryUnload(f.station));
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_LE(f.clock.Ms() - t0, 2000);
    EXPECT_GE(f.clock.Ms() - t0, 1000);
}

TEST_F(MainWindowTest, PollTimerDoesNothingWithoutSearchAndIsNotRearmed) {
    f.state.bDeviceSearch = false;
    f.state.iSerialPort = 3;
    f.timers.StartTimer(kTimerPoll, 1000);
    f.timers.Advance(5000);
    EXPECT_TRUE(f.port.opened.empty());
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(MainWindowTest, PollTimerStopsOnceTheDeviceIsOnline) {
    f.state.bDeviceSearch = true;
    f.state.bDeviceOnline = true;
    f.timers.StartTimer(kTimerPoll, 1000);
    f.timers.Advance(3000);
    EXPECT_TRUE(f.port.opened.empty());
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(MainWindowTest, CloseTimerUnloadsOnce) {
    f.timers.StartTimer(kTimerClose, 100);
    f.timers.Advance(99);
    EXPECT_FALSE(f.view.unloaded);
    f.timers.Advance(1);
    EXPECT_TRUE(f.view.unloaded);
    EXPECT_FALSE(f.timers.IsRunning(kTimerClose));
}

}  // namespace
