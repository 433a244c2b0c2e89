// The main window's handlers with fakes: each row acts on a fresh window
// and compares what the operator and the tester see afterwards.
#include "device/LinkFixture.h"
#include "settings/LanguageIds.h"

namespace heliotab::testing_link {
namespace {

TEST(MainWindow, SwitchesAreFoundInAnyCaseAndOnlyAfterASlash) {
    const struct {
        const char* line;
        bool test, maximized;
    } rows[] = {{"/TEST/MAXIMIZED", true, true},
                {"TEST", false, false},
                {"MAXIMIZED /X", false, false},
                {"/TESTING/MAX", false, false},
                {"  /test /  Maximized ", true, true}};
    AppState st;
    for (const auto& r : rows) {
        const auto sw = ParseCommandLine(st, r.line);
        EXPECT_EQ(sw.test, r.test) << r.line;
        EXPECT_EQ(sw.maximized, r.maximized) << r.line;
    }
    EXPECT_EQ(st.CommandSwitches, (std::vector<std::string>{"", "TEST ", "  MAXIMIZED"}));
}

TEST(MainWindow, StartUpShowsTheTestButtonOnlyWithItsSwitch) {
    for (bool test : {false, true}) {
        Link t;
        StartupInitialState(t.s, {test, false});
        EXPECT_EQ(t.f.view.visible[Button::Test], test);
        EXPECT_FALSE(t.f.view.enabled[Button::Test]);
        EXPECT_FALSE(t.f.view.enabled[Button::Ferma]);
        EXPECT_FALSE(t.f.view.comboEnabled);
        EXPECT_EQ(t.f.view.comboIndex, 0);
    }
}

TEST(MainWindow, EachCommandLeavesItsWindowWireAndTimers) {
    const std::string armedLook = Lang(kTextStateArmed), stopped = Lang(kTextStateStopped),
                      online = Lang(kTextPortOnline, "3");
    const auto onlineAndArmed = [](Link& t, const std::string& version) {
        t.GoOnline(version);
        OnToolbarButton(t.s, Button::Test);
    };
    const struct Row {
        const char* what;
        std::function<bool(Link&)> act;
        Seen want;
    } rows[] = {
        {"no port, no search",
         [](Link& t) {
             t.st.iSerialPort = 0;
             StartupDeviceSearch(t.s);
             return false;
         },
         {.porta = Lang(kTextPortNotSet)}},
        {"stop, Yes, letter version: CAN",
         [&](Link& t) {
             onlineAndArmed(t, "2.1B");
             t.st.SelectedAccFile = "26000123.ACC";
             OnToolbarButton(t.s, Button::Ferma);
             return t.st.SelectedAccFile.empty();
         },
         {.returned = true,
          .stato = stopped,
          .porta = online,
          .marca = "LUXOMETRA",
          .fermaOn = false,
          .online = true,
          .comboIndex = 0,
          .comboFocus = 2,
          .wire = {{kCAN, 0}},
          .messages = 1}},
        {"Esc off",
         [](Link& t) {
             t.st.bCloseWithEsc = false;
             return OnKeyPressEsc(t.s);
         },
         {}},
        {"Esc on closes",
         [](Link& t) {
             t.st.bCloseWithEsc = true;
             return OnKeyPressEsc(t.s);
         },
         {.returned = true, .quit = true, .unloaded = true}},
        {"Esc, armed, No",
         [](Link& t) {
             OnToolbarButton(t.s, Button::Test);
             t.f.messages.answers = {kAnswerNo};
             t.st.bCloseWithEsc = true;
             return OnKeyPressEsc(t.s);
         },
         {.returned = true,
          .stato = armedLook,
          .vehicle = "FIAT",
          .opzioniOn = false,
          .trayOn = false,
          .armed = true,
          .messages = 1}},
        {"Esci, armed, Yes",
         [](Link& t) {
             OnToolbarButton(t.s, Button::Test);
             OnToolbarButton(t.s, Button::Esci);
             return false;
         },
         {.stato = stopped,
          .fermaOn = false,
          .quit = true,
          .unloaded = true,
          .comboIndex = 0,
          .comboFocus = 1,
          .messages = 1}},
        // The EOT goes to a letter version; a buffer that never drains
        // holds the closing for two seconds, no longer.
        {"closing: EOT, the search stopped",
         [&](Link& t) {
             onlineAndArmed(t, "V1A");
             t.st.bTestArmed = false;
             t.f.port.outBufferCount = 7;
             t.f.timers.StartTimer(kTimerPoll, 1000);
             return QueryUnload(t.s);
         },
         {.returned = true,
          .stato = armedLook,
          .porta = online,
          .vehicle = "FIAT",
          .marca = "LUXOMETRA",
          .opzioniOn = false,
          .trayOn = false,
          .online = true,
          .quit = true,
          .comboFocus = 1,
          .wire = {{kEOT, 0}},
          .spentMs = 2000}},
        {"about box pauses the search",
         [](Link& t) {
             t.st.bDeviceSearch = true;
             t.f.timers.StartTimer(kTimerPoll, 1000);
             InfoBoxOpening(t.s);
             const bool paused = !t.f.timers.IsRunning(kTimerPoll);
             t.f.timers.Advance(300);
             InfoBoxClosed(t.s);
             return paused;
         },
         {.returned = true, .searching = true, .pollArmed = true, .spentMs = 300}},
        {"options dialog opening: the port closes, Test and the list off",
         [&](Link& t) {
             t.GoOnline("2.1B");
             OptionsDialogOpening(t.s);
             return t.f.view.enabled[Button::Test] || t.f.view.comboEnabled;
         },
         {.porta = Lang(kTextPortSearching), .comboFocus = 1}},
    };
    for (const Row& row : rows) {
        Link t;
        const bool returned = row.act(t);
        EXPECT_EQ(t.Look(returned), row.want) << row.what;
    }
}

} // namespace
} // namespace heliotab::testing_link
