// The tester link as the main window drives it: a station of fakes on
// virtual time, the shipped Language.ini, and the main window's own
// TimerProc, OnSerialBytes and CarryOut. Tests compare the link's actions
// as lists of values, and the wire with its times.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/frmMain.h"
#include "device/ControlBytes.h"
#include "device/LinkTexts.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_link {

using namespace heliotab::fakes;
using namespace heliotab::testframes;
using namespace heliotab::link_text;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A sealed frame whose checksum is wrong.
inline std::string BadFrame() {
    std::string f = Sealed(FixedStatus('5'));
    f.back() ^= 1;
    return f;
}

// A byte on the wire and when it left, relative to the test's start.
struct Sent {
    uint8_t byte;
    int64_t atMs;
    bool operator==(const Sent&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Sent& s) {
    return os << "0x" << std::hex << int(s.byte) << std::dec << "@" << s.atMs;
}

// A text of the shipped Language.ini, followed by arg.
inline std::string Lang(int id, const std::string& arg = "") {
    static AppState st;
    st.LanguageIni.SetIniFile(HELIOTAB_SOURCE_DIR "/data/Language.ini");
    return GetLangString(st, id) + arg;
}

// What a sign-off or a lost line does to the window.
inline const LinkActions kReset{Enable{LinkControl::Combo, false},
                                SetComboText{kComboNoDevice},
                                Enable{LinkControl::Test, false},
                                Enable{LinkControl::Ferma, false},
                                Enable{LinkControl::Opzioni, true},
                                Enable{LinkControl::TrayOptions, true},
                                SetPanel{Panel::Stato, kStateSignedOff},
                                SetPanel{Panel::PortaCOM, kPortSearching},
                                ClearVehicle{},
                                ShowIdentity{},
                                StartTimer{kTimerPoll, 1000}};

// What the operator and the tester see of a window; the defaults are a
// window nobody touched. Wire times and spentMs count from t0.
struct Seen {
    bool returned = false;
    std::string stato, porta, vehicle, marca; // panels; the first vehicle and device labels
    bool fermaOn = true, opzioniOn = true, trayOn = true, armed = false, online = false,
         searching = false, quit = false, unloaded = false;
    int comboIndex = -1, comboFocus = 0;
    std::vector<Sent> wire;
    size_t messages = 0; // message boxes shown
    bool pollArmed = false;
    int64_t spentMs = 0;
    std::vector<int64_t> opened, closed; // when the port opened and closed
    bool operator==(const Seen&) const = default;
};
inline void PrintTo(const Seen& s, std::ostream* os) {
    using ::testing::PrintToString;
    *os << "returned " << s.returned << " stato '" << s.stato << "' porta '" << s.porta
        << "' vehicle '" << s.vehicle << "' marca '" << s.marca << "' ferma " << s.fermaOn
        << " opzioni " << s.opzioniOn << " tray " << s.trayOn << " armed " << s.armed << " online "
        << s.online << " searching " << s.searching << " quit " << s.quit << " unloaded "
        << s.unloaded << " combo " << s.comboIndex << " focus " << s.comboFocus << " wire "
        << PrintToString(s.wire) << " messages " << s.messages << " poll " << s.pollArmed
        << " spent " << s.spentMs << " opened " << PrintToString(s.opened) << " closed "
        << PrintToString(s.closed);
}

// ENQs sent at these times.
inline std::vector<Sent> Enqs(const std::vector<int64_t>& ms) {
    std::vector<Sent> out;
    for (int64_t at : ms)
        out.push_back({kENQ, at});
    return out;
}

struct Link {
    Link() {
        testutil::WriteFile(folder.File("Language.ini"),
                            testutil::ReadFile(HELIOTAB_SOURCE_DIR "/data/Language.ini"));
        st.programDir = folder.Path();
        st.AccDirectory = folder.Path() + testutil::kSep;
        BindProgramStores(st);
        st.iSerialPort = 3;
        f.timers.onTimer = [this](int id) { TimerProc(s, id); };
    }
    void Feed(const std::string& bytes) { OnSerialBytes(s, bytes); }
    LinkActions Answer(const std::string& sealedFrame) {
        return f.link.InterrogaFAR(sealedFrame, f.clock.Now(), f.view.operatorName);
    }
    std::vector<Sent> OnWire() const {
        std::vector<Sent> out;
        for (const SentByte& b : f.port.sent)
            out.push_back({b.byte, b.atMs - t0});
        return out;
    }
    Seen Look(bool returned = false) {
        FakeMainView& v = f.view;
        return {returned,
                v.panels[Panel::Stato],
                v.panels[Panel::PortaCOM],
                v.vehicle[0],
                v.device[0],
                v.enabled[Button::Ferma],
                v.enabled[Button::Opzioni],
                v.trayOptionsEnabled,
                st.bTestArmed,
                st.bDeviceOnline,
                st.bDeviceSearch,
                st.bQuitQuery,
                v.unloaded,
                v.comboIndex,
                v.comboFocus,
                OnWire(),
                f.messages.shown.size(),
                f.timers.IsRunning(kTimerPoll),
                f.clock.Ms() - t0};
    }
    // The tester online with an identity shown (port open, not searching).
    void GoOnline(const std::string& version = "2.1B") {
        f.port.Open(3);
        f.port.opened.clear();
        st.bDeviceSearch = true;
        Feed(testframes::Wire(FixedIdentity(true, {.versione = version})));
        EXPECT_TRUE(st.bDeviceOnline && !st.bDeviceSearch); // the identity ends the search
    }
    // Online, a test armed by the operator, the tester measuring.
    // The operator is MARIO ROSSI, the results come 65 s after the start.
    void GoMeasuring() {
        GoOnline();
        st.bTestArmed = true;
        f.view.operatorName = "MARIO ROSSI";
        Feed(testframes::Wire(FixedStatus('1')));
        f.port.sent.clear();
        f.clock.SetMs(f.clock.Ms() + 65000);
        t0 = f.clock.Ms();
    }

    testutil::TempDir folder;
    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
    int64_t t0 = f.clock.Ms();
};

// Something a row does to the link, or lets happen.
using Step = std::function<void(Link&)>;

} // namespace heliotab::testing_link
