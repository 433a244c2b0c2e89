// A station of fakes with the link wired up as the shell wires it: the
// timer callback mirrors TimerProc's rule for ids 1 to 4.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "device/Exchange.h"
#include "device/Link.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_link {

using namespace heliotab::fakes;
using namespace heliotab::testframes;

class LinkTest : public ::testing::Test {
protected:
    LinkTest() {
        f.timers.onTimer = [this](int id) { TimerProc(id); };
        st.iSerialPort = 3;
        // Results are really written: into a folder of the test's own.
        st.programDir = folder.Path();
        st.AccDirectory = folder.Path() + testutil::kSep;
    }

    void TimerProc(int id) {
        if (id == kTimerPoll) {
            f.timers.StopTimer(kTimerPoll);
            if (st.bDeviceOnline) return;
            if (st.bDeviceSearch) PollDevice(s);
        } else if (id == kTimerClose) {
            f.timers.StopTimer(kTimerClose);
            ++closeTicks;
        } else if (id == kTimerNakDelay || id == kTimerPollStep) {
            OnLinkTimer(s, id);
        }
    }

    void Feed(const std::string& bytes) { OnSerialBytes(s, bytes.data(), bytes.size()); }
    std::string Sent() const { return f.port.SentBytes(); }
    void ClearSent() { f.port.sent.clear(); }
    int64_t Now() const { return f.clock.Ms(); }
    std::string Lang(int id) { return GetLangString(st, id); }

    // The tester online with an identity shown (port open, not searching).
    void GoOnline(const Identity& id = {}) {
        ASSERT_TRUE(f.port.Open(3));
        f.port.opened.clear();
        st.bDeviceSearch = true;
        Feed(Wire(FixedIdentity(true, id)));
        ASSERT_TRUE(st.bDeviceOnline);
        ClearSent();
    }
    // Online, a test armed by the operator, the tester measuring.
    void GoMeasuring(const Identity& id = {}) {
        GoOnline(id);
        st.bTestArmed = true;
        f.view.operatorName = "MARIO ROSSI";
        Feed(Wire(FixedStatus('1')));
        ASSERT_TRUE(st.bMeasuring);
        ClearSent();
    }

    FakeStation f{DefaultFileSystem()};
    Station& s = f.station;
    AppState& st = f.state;
    int closeTicks = 0;
    testutil::TempDir folder;
};

}  // namespace heliotab::testing_link
