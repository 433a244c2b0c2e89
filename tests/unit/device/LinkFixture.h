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

} // namespace heliotab::testing_link
