// The tester link as the main window drives it: a station of fakes on
// virtual time, the shipped Language.ini, and the main window's own
// TimerProc, OnSerialBytes and CarryOut. Tests look at the link's actions,
// the wire, the window and the files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/frmMain.h"
#include "device/ControlBytes.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_link {

using namespace heliotab::fakes;
using namespace heliotab::testframes;

// A sealed frame whose checksum is wrong.
inline std::string BadFrame() {
    return Sealed(FixedStatus('5')).substr(0, 58) + char(Sealed(FixedStatus('5')).back() ^ 1);
}

// What a sign-off or a lost line does to the window.
inline const std::string kResetWords =
    "-Combo combo=#303 -Test -Ferma +Opzioni +Tray Stato=#334 PortaCOM=#331 veh0= veh1= "
    "veh2= op= dev0= dev1= dev2= dev3= dev4= dev5= t1+1000";

struct Link {
    Link() {
        testutil::WriteFile(
            folder.File("Language.ini"),
            testutil::ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini"));
        st.programDir = folder.Path();
        st.AccDirectory = folder.Path() + testutil::kSep;
        BindProgramStores(st);
        st.iSerialPort = 3;
        f.timers.onTimer = [this](int id) { TimerProc(s, id); };
    }
    void Feed(const std::string& bytes) { OnSerialBytes(s, bytes); }
    std::string Sent() const { return f.port.SentBytes(); }

    // The link's answer to one frame, as a line of short words (see Word).
    std::string Answer(const std::string& sealedFrame) {
        return Words(f.link.InterrogaFAR(sealedFrame, f.clock.Now(), f.view.operatorName));
    }
    std::string Words(const LinkActions& actions) {
        std::string out;
        for (const LinkAction& a : actions)
            out += (out.empty() ? "" : " ") + Word(a);
        return out;
    }
    // The tester online with an identity shown (port open, not searching).
    void GoOnline(const Identity& id = {}) {
        ASSERT_TRUE(f.port.Open(3));
        f.port.opened.clear();
        st.bDeviceSearch = true;
        Feed(Wire(FixedIdentity(true, id)));
        ASSERT_TRUE(st.bDeviceOnline);
        f.port.sent.clear();
    }
    // Online, a test armed by the operator, the tester measuring.
    void GoMeasuring() {
        GoOnline();
        st.bTestArmed = true;
        f.view.operatorName = "MARIO ROSSI";
        Feed(Wire(FixedStatus('1')));
        ASSERT_EQ(Sent(), "\x06");
        f.port.sent.clear();
    }

    // A text by its language id (the longest that fits), and what follows it.
    std::string Text(const std::string& t) {
        return TextId(
            st, t, {303, 330, 331, 332, 334, 335, 336, 361, 362, 365, 366, 380, 381, 382, 383, 384},
            "+");
    }
    // ACK NAK CAN EOT ENQ, open3, close, t3+500 (start), t3- (stop),
    // Stato=#335, dev0=.., veh0=.., op=.., combo=.., +Test/-Ferma (enable),
    // focus, msg<text>/<title>/<style>, deliver.
    std::string Word(const LinkAction& a) {
        using K = LinkAction::Kind;
        static const char* kControls[] = {"Test", "Ferma", "Opzioni", "Combo", "Tray"};
        static const std::map<int, const char*> kBytes{
            {kACK, "ACK"}, {kNAK, "NAK"}, {kCAN, "CAN"}, {kEOT, "EOT"}, {kENQ, "ENQ"}};
        const std::string n = std::to_string(a.number);
        switch (a.kind) {
        case K::Send:
            return kBytes.at(a.number);
        case K::OpenPort:
            return "open" + n;
        case K::ClosePort:
            return "close";
        case K::StartTimer:
            return "t" + n + "+" + std::to_string(a.ms);
        case K::StopTimer:
            return "t" + n + "-";
        case K::SetPanel:
            return std::string(a.panel == Panel::Stato ? "Stato=" : "PortaCOM=") + Text(a.text);
        case K::SetDeviceLabel:
            return "dev" + n + "=" + a.text;
        case K::SetVehicleLabel:
            return "veh" + n + "=" + a.text;
        case K::SetOperatorLabel:
            return "op=" + a.text;
        case K::SetComboText:
            return "combo=" + Text(a.text);
        case K::Enable:
            return (a.on ? "+" : "-") + std::string(kControls[static_cast<int>(a.control)]);
        case K::FocusCombo:
            return "focus";
        case K::ShowMessage:
            return "msg" + Text(a.text) + "/" + Text(a.title) + "/" + n;
        case K::Deliver:
            return "deliver";
        }
        return "?";
    }

    testutil::TempDir folder;
    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
};

} // namespace heliotab::testing_link
