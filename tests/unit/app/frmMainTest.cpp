// The main window's handlers with fakes: each row acts on a fresh window and
// compares the window, the wire, the messages and the timers as one line.
#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;

namespace {

struct Main {
    Main() {
        f.state.LanguageIni.SetIniFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
        f.timers.onTimer = [this](int id) { TimerProc(f.station, id); };
    }
    void Online(const std::string& version) {
        f.port.Open(3);
        CarryOut(f.station, f.link.InterrogaFAR(testframes::Sealed(testframes::FixedIdentity(
                                                    true, {.versione = version})),
                                                {}, ""));
    }
    std::string Id(const std::string& text) {
        return TextId(f.state, text, {330, 331, 332, 336, 337, 338, 363, 364});
    }
    std::string Timer(int id) {
        return f.timers.IsRunning(id) ? std::to_string(f.timers.DueAt(id) - f.clock.Ms()) : "-";
    }
    // Test shown, Test/Ferma/Opzioni/tray/combo enabled, combo index, labels,
    // panels, flags, wire, messages, timers 1 and 2, time spent.
    std::string Look() {
        auto& v = f.view;
        auto b = [](bool on, char c) { return std::string(1, on ? c : '-'); };
        std::string s =
            b(v.visible[Button::Test], 'V') + b(v.enabled[Button::Test], 'T') +
            b(v.enabled[Button::Ferma], 'F') + b(v.enabled[Button::Opzioni], 'O') +
            b(v.trayOptionsEnabled, 'y') + b(v.comboEnabled, 'c') + std::to_string(v.comboIndex) +
            b(v.comboFocus > 0, 'f') + " " + v.vehicle[0] + "|" + v.vehicle[1] + "|" +
            v.vehicle[2] + "|" + v.operatorName + " " + Id(v.panels[Panel::Stato]) + " " +
            Id(v.panels[Panel::PortaCOM]) + " " + b(f.state.bTestArmed, 'A') +
            b(f.state.bDeviceSearch, 'S') + b(f.state.bQuitQuery, 'Q') + b(f.view.unloaded, 'U') +
            b(f.port.IsOpen(), 'P') + b(!f.state.SelectedAccFile.empty(), 'R') + " wire=";
        for (auto& sent : f.port.sent)
            s += std::to_string(sent.byte) + ",";
        for (auto& m : f.messages.shown)
            s += " msg" + Id(m.text) + Id(m.title) + std::to_string(m.style);
        return s + " t1=" + Timer(kTimerPoll) + " t2=" + Timer(kTimerClose) +
               " dt=" + std::to_string(f.clock.Ms() - t0);
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
        EXPECT_EQ(std::make_pair(sw.test, sw.maximized), std::make_pair(r.test, r.maximized))
            << r.line;
    }
    EXPECT_EQ(m.f.state.CommandSwitches, (std::vector<std::string>{"", "TEST ", "  MAXIMIZED"}));
}

TEST(MainWindow, EachCommandLeavesItsWindowWireAndTimers) {
    const std::string demo = "FIAT|TOPOLINO C|MX431NY|DEMO OPERATOR #338",
                      asked = " msg#364#36336 t1=- t2=- dt=0";
    auto arm = [](Main& m) { OnToolbarButton(m.f.station, Button::Test); };
    auto said = [](bool b) { return std::to_string(b); };
    auto poll = [](Main& m, int ms) {
        m.f.timers.StartTimer(kTimerPoll, 1000), m.f.timers.Advance(ms);
        return std::to_string(m.f.port.opened.empty());
    };
    auto esc = [&](Main& m) {
        m.f.state.bCloseWithEsc = true;
        return said(OnKeyPressEsc(m.f.station));
    };
    const struct Row {
        const char* what;
        std::function<std::string(Main&)> act;
        std::string look;
    } rows[] = {
        {"start-up",
         [](Main& m) {
             StartupInitialState(m.f.station, {});
             return "";
         },
         "---Oy-0- |||   ------ wire= t1=- t2=- dt=0"},
        {"start-up /TEST",
         [](Main& m) {
             StartupInitialState(m.f.station, {true, false});
             return "";
         },
         "V--Oy-0- |||   ------ wire= t1=- t2=- dt=0"},
        {"no port, no search",
         [](Main& m) {
             m.f.state.iSerialPort = 0;
             StartupDeviceSearch(m.f.station);
             return "";
         },
         "VTFOyc-1- |||  #330 ------ wire= t1=- t2=- dt=0"},
        {"port 1 searches",
         [](Main& m) {
             m.f.state.iSerialPort = 1;
             StartupDeviceSearch(m.f.station);
             return "";
         },
         "VTFOyc-1- |||  #331 -S---- wire= t1=1000 t2=- dt=0"},
        {"demo armed",
         [&](Main& m) {
             arm(m);
             return "";
         },
         "V-F----1- " + demo + "  A----- wire= t1=- t2=- dt=0"},
        {"stop, No",
         [&](Main& m) {
             m.Online("2.1B"), arm(m), m.f.messages.answers = {kAnswerNo};
             OnToolbarButton(m.f.station, Button::Ferma);
             return "";
         },
         "V-F----1f " + demo + " #3320 A---P- wire=" + asked},
        {"stop, Yes, letter version: CAN",
         [&](Main& m) {
             m.Online("2.1B"), arm(m), m.f.state.SelectedAccFile = "26000123.ACC";
             return said(StopTest(m.f.station));
         },
         "1VT-Oyc0f ||| #337 #3320 ----P- wire=24," + asked},
        {"stop, Yes, digit version: no CAN",
         [&](Main& m) {
             m.Online("2.10"), arm(m);
             return said(StopTest(m.f.station));
         },
         "1VT-Oyc0f ||| #337 #3320 ----P- wire=" + asked},
        {"Esc off",
         [&](Main& m) {
             m.f.state.bCloseWithEsc = false;
             return said(OnKeyPressEsc(m.f.station));
         },
         "0VTFOyc-1- |||   ------ wire= t1=- t2=- dt=0"},
        {"Esc on closes", esc, "1VTFOyc-1- |||   --QU-- wire= t1=- t2=- dt=0"},
        {"Esc, armed, No",
         [&](Main& m) {
             arm(m), m.f.messages.answers = {kAnswerNo};
             return esc(m);
         },
         "1V-F----1- " + demo + "  A----- wire=" + asked},
        {"Esci, armed, Yes",
         [&](Main& m) {
             arm(m);
             OnToolbarButton(m.f.station, Button::Esci);
             return "";
         },
         "VT-Oyc0f ||| #337  --QU-- wire=" + asked},
        {"closing: EOT to a letter version",
         [&](Main& m) {
             m.Online("V1A"), m.f.timers.StartTimer(kTimerPoll, 1000);
             return said(QueryUnload(m.f.station));
         },
         "1VTFOyc-1f |||  #3320 --Q--- wire=4, t1=- t2=- dt=0"},
        {"closing: a buffer that never drains",
         [&](Main& m) {
             m.f.port.Open(3), m.f.port.outBufferCount = 7;
             return said(QueryUnload(m.f.station));
         },
         "1VTFOyc-1- |||   --Q--- wire= t1=- t2=- dt=2000"},
        {"poll tick, not searching", [&](Main& m) { return poll(m, 5000); },
         "1VTFOyc-1- |||   ------ wire= t1=- t2=- dt=5000"},
        {"poll tick, online",
         [&](Main& m) {
             m.f.state.bDeviceSearch = m.f.state.bDeviceOnline = true;
             return poll(m, 3000);
         },
         "1VTFOyc-1- |||   -S---- wire= t1=- t2=- dt=3000"},
        {"close timer unloads once",
         [&](Main& m) {
             m.f.timers.StartTimer(kTimerClose, 100), m.f.timers.Advance(99);
             const std::string before = said(m.f.view.unloaded);
             m.f.timers.Advance(1);
             return before;
         },
         "0VTFOyc-1- |||   --QU-- wire= t1=- t2=- dt=100"},
        {"about box pauses the search",
         [](Main& m) {
             m.f.state.bDeviceSearch = true, m.f.timers.StartTimer(kTimerPoll, 1000),
             InfoBoxOpening(m.f.station);
             const std::string during = m.Timer(kTimerPoll);
             m.f.timers.Advance(300), InfoBoxClosed(m.f.station);
             return during;
         },
         "-VTFOyc-1- |||   -S---- wire= t1=1000 t2=- dt=300"},
    };
    for (const Row& row : rows) {
        Main m;
        const std::string returned = row.act(m);
        EXPECT_EQ(returned + m.Look(), row.look) << row.what;
    }
}

} // namespace
