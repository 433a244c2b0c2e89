// The main window's handlers with fakes: each row acts on a fresh window
// and compares what the operator and the tester see afterwards.
#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;

namespace {

// What a command leaves behind; the defaults are a window nobody touched.
struct Seen {
    bool returned = false;
    std::string stato, porta, vehicle; // panels; lblDatiVeicolo(0)
    bool fermaOn = true, armed = false, searching = false, quit = false, unloaded = false;
    int comboIndex = -1, comboFocus = 0;
    std::string wire;    // bytes sent
    size_t messages = 0; // message boxes shown
    bool pollArmed = false;
    int64_t spentMs = 0;
    bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& s, std::ostream* os) {
    *os << "returned " << s.returned << " stato '" << s.stato << "' porta '" << s.porta
        << "' vehicle '" << s.vehicle << "' ferma " << s.fermaOn << " armed " << s.armed
        << " searching " << s.searching << " quit " << s.quit << " unloaded " << s.unloaded
        << " combo " << s.comboIndex << " focus " << s.comboFocus << " wire '" << s.wire
        << "' messages " << s.messages << " poll " << s.pollArmed << " spent " << s.spentMs;
}

struct Main {
    Main() {
        f.state.LanguageIni.SetIniFile(HELIOTAB_SOURCE_DIR "/data/Language.ini");
        f.timers.onTimer = [this](int id) { TimerProc(f.station, id); };
    }
    // The tester online (its identity focuses the combo once), a demo test armed.
    void OnlineAndArmed(const std::string& version) {
        f.state.iSerialPort = 3;
        f.port.Open(3);
        CarryOut(f.station, f.link.InterrogaFAR(testframes::Sealed(testframes::FixedIdentity(
                                                    true, {.versione = version})),
                                                {}, ""));
        OnToolbarButton(f.station, Button::Test);
    }
    std::string Text(int id, const std::string& arg = "") {
        return GetLangString(f.state, id) + arg;
    }
    Seen Look(bool returned) {
        const FakeMainView& v = f.view;
        return {returned,
                v.panels.count(Panel::Stato) ? v.panels.at(Panel::Stato) : "",
                v.panels.count(Panel::PortaCOM) ? v.panels.at(Panel::PortaCOM) : "",
                v.vehicle[0],
                v.enabled.at(Button::Ferma),
                f.state.bTestArmed,
                f.state.bDeviceSearch,
                f.state.bQuitQuery,
                v.unloaded,
                v.comboIndex,
                v.comboFocus,
                f.port.SentBytes(),
                f.messages.shown.size(),
                f.timers.IsRunning(kTimerPoll),
                f.clock.Ms() - t0};
    }
    FakeStation f{DefaultFileSystem()};
    int64_t t0 = f.clock.Ms();
};

TEST(MainWindow, SwitchesAreFoundInAnyCaseAndOnlyAfterASlash) {
    const struct {
        const char* line;
        bool test, maximized;
    } rows[] = {{"/TEST/MAXIMIZED", true, true},
                {"TEST", false, false},
                {"MAXIMIZED /X", false, false},
                {"/TESTING/MAX", false, false},
                {"  /test /  Maximized ", true, true}};
    Main m;
    for (const auto& r : rows) {
        const auto sw = ParseCommandLine(m.f.state, r.line);
        EXPECT_EQ(sw.test, r.test) << r.line;
        EXPECT_EQ(sw.maximized, r.maximized) << r.line;
    }
    EXPECT_EQ(m.f.state.CommandSwitches, (std::vector<std::string>{"", "TEST ", "  MAXIMIZED"}));
}

TEST(MainWindow, StartUpShowsTheTestButtonOnlyWithItsSwitch) {
    for (bool test : {false, true}) {
        Main m;
        StartupInitialState(m.f.station, {test, false});
        EXPECT_EQ(m.f.view.visible[Button::Test], test);
        EXPECT_FALSE(m.f.view.enabled[Button::Test]);
        EXPECT_FALSE(m.f.view.enabled[Button::Ferma]);
        EXPECT_FALSE(m.f.view.comboEnabled);
        EXPECT_EQ(m.f.view.comboIndex, 0);
    }
}

TEST(MainWindow, EachCommandLeavesItsWindowWireAndTimers) {
    Main texts;
    const std::string armedLook = texts.Text(kTextStateArmed),
                      stopped = texts.Text(kTextStateStopped),
                      online = texts.Text(kTextPortOnline, "3");
    const struct Row {
        const char* what;
        std::function<bool(Main&)> act;
        Seen want;
    } rows[] = {
        {"no port, no search",
         [](Main& m) {
             m.f.state.iSerialPort = 0;
             StartupDeviceSearch(m.f.station);
             return false;
         },
         {.porta = texts.Text(kTextPortNotSet)}},
        {"port 1 searches",
         [](Main& m) {
             m.f.state.iSerialPort = 1;
             StartupDeviceSearch(m.f.station);
             return false;
         },
         {.porta = texts.Text(kTextPortSearching), .searching = true, .pollArmed = true}},
        {"demo armed",
         [](Main& m) {
             OnToolbarButton(m.f.station, Button::Test);
             return false;
         },
         {.stato = armedLook, .vehicle = "FIAT", .armed = true}},
        {"stop, No",
         [](Main& m) {
             m.OnlineAndArmed("2.1B");
             m.f.messages.answers = {kAnswerNo};
             OnToolbarButton(m.f.station, Button::Ferma);
             return false;
         },
         {.stato = armedLook,
          .porta = online,
          .vehicle = "FIAT",
          .armed = true,
          .comboFocus = 1,
          .messages = 1}},
        {"stop, Yes, letter version: CAN",
         [](Main& m) {
             m.OnlineAndArmed("2.1B");
             m.f.state.SelectedAccFile = "26000123.ACC";
             const bool stoppedIt = StopTest(m.f.station);
             return stoppedIt && m.f.state.SelectedAccFile.empty();
         },
         {.returned = true,
          .stato = stopped,
          .porta = online,
          .fermaOn = false,
          .comboIndex = 0,
          .comboFocus = 2,
          .wire = "\x18",
          .messages = 1}},
        {"stop, Yes, digit version: no CAN",
         [](Main& m) {
             m.OnlineAndArmed("2.10");
             return StopTest(m.f.station);
         },
         {.returned = true,
          .stato = stopped,
          .porta = online,
          .fermaOn = false,
          .comboIndex = 0,
          .comboFocus = 2,
          .messages = 1}},
        {"Esc off",
         [](Main& m) {
             m.f.state.bCloseWithEsc = false;
             return OnKeyPressEsc(m.f.station);
         },
         {}},
        {"Esc on closes",
         [](Main& m) {
             m.f.state.bCloseWithEsc = true;
             return OnKeyPressEsc(m.f.station);
         },
         {.returned = true, .quit = true, .unloaded = true}},
        {"Esc, armed, No",
         [](Main& m) {
             OnToolbarButton(m.f.station, Button::Test);
             m.f.messages.answers = {kAnswerNo};
             m.f.state.bCloseWithEsc = true;
             return OnKeyPressEsc(m.f.station);
         },
         {.returned = true, .stato = armedLook, .vehicle = "FIAT", .armed = true, .messages = 1}},
        {"Esci, armed, Yes",
         [](Main& m) {
             OnToolbarButton(m.f.station, Button::Test);
             OnToolbarButton(m.f.station, Button::Esci);
             return false;
         },
         {.stato = stopped,
          .fermaOn = false,
          .quit = true,
          .unloaded = true,
          .comboIndex = 0,
          .comboFocus = 1,
          .messages = 1}},
        {"closing: EOT to a letter version, the search stopped",
         [](Main& m) {
             m.OnlineAndArmed("V1A");
             m.f.state.bTestArmed = false;
             m.f.timers.StartTimer(kTimerPoll, 1000);
             return QueryUnload(m.f.station);
         },
         {.returned = true,
          .stato = armedLook,
          .porta = online,
          .vehicle = "FIAT",
          .quit = true,
          .comboFocus = 1,
          .wire = "\x04"}},
        {"closing: a buffer that never drains",
         [](Main& m) {
             m.f.port.Open(3);
             m.f.port.outBufferCount = 7;
             return QueryUnload(m.f.station);
         },
         {.returned = true, .quit = true, .spentMs = 2000}},
        {"poll tick, not searching",
         [](Main& m) {
             m.f.timers.StartTimer(kTimerPoll, 1000);
             m.f.timers.Advance(5000);
             return m.f.port.opened.empty();
         },
         {.returned = true, .spentMs = 5000}},
        {"poll tick, online",
         [](Main& m) {
             m.f.state.bDeviceSearch = m.f.state.bDeviceOnline = true;
             m.f.timers.StartTimer(kTimerPoll, 1000);
             m.f.timers.Advance(3000);
             return m.f.port.opened.empty();
         },
         {.returned = true, .searching = true, .spentMs = 3000}},
        {"close timer unloads once, after 100 ms",
         [](Main& m) {
             m.f.timers.StartTimer(kTimerClose, 100);
             m.f.timers.Advance(99);
             return m.f.view.unloaded;
         },
         {.spentMs = 99}},
        {"about box pauses the search",
         [](Main& m) {
             m.f.state.bDeviceSearch = true;
             m.f.timers.StartTimer(kTimerPoll, 1000);
             InfoBoxOpening(m.f.station);
             const bool paused = !m.f.timers.IsRunning(kTimerPoll);
             m.f.timers.Advance(300);
             InfoBoxClosed(m.f.station);
             return paused;
         },
         {.returned = true, .searching = true, .pollArmed = true, .spentMs = 300}},
    };
    for (const Row& row : rows) {
        Main m;
        const bool returned = row.act(m);
        EXPECT_EQ(m.Look(returned), row.want) << row.what;
    }
    Main m;
    m.f.timers.StartTimer(kTimerClose, 100);
    m.f.timers.Advance(1000);
    EXPECT_EQ(m.Look(false), (Seen{.quit = true, .unloaded = true, .spentMs = 1000}));
}

} // namespace
