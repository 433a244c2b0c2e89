// Timer 1's connection attempt on virtual time: close, 0.5 s, open, 0.5 s,
// ENQ, and the re-arm once the attempt is over.
#include <functional>
#include <vector>

#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

// Start-up with the search on and timer 1 running; `during` runs at atMs.
// The outcome: ENQ, open and close times (ms), timer 1 armed at the end,
// searching, an attempt running, the port panel, the messages.
std::string Timeline(Link& t, int64_t untilMs, int64_t atMs = -1, const std::function<void(Link&)>& during = {}) {
    t.st.bDeviceSearch = true;
    t.f.timers.StartTimer(kTimerPoll, 1000);
    const int64_t t0 = t.f.clock.Ms();
    std::string opens, closes, enq;
    bool wasOpen = false;
    for (int64_t ms = 0; ms <= untilMs; ms += 50) {
        if (ms > 0) t.f.timers.Advance(50);
        if (ms == atMs && during) during(t);
        if (t.f.port.IsOpen() != wasOpen) (wasOpen ? closes : opens) += std::to_string(ms) + ",";
        wasOpen = t.f.port.IsOpen();
    }
    for (auto& b : t.f.port.sent)
        if (b.byte == kENQ) enq += std::to_string(b.atMs - t0) + ",";
    std::string out = "E" + enq + " O" + opens + " C" + closes + " " + (t.f.timers.IsRunning(kTimerPoll) ? "armed" : "-") +
                      (t.st.bDeviceSearch ? " S" : " -") + (t.f.link.PollDeviceRunning() ? "R " : "- ") +
                      t.Text(t.f.view.panels[Panel::PortaCOM]);
    for (int port : t.f.port.opened) out += " " + std::to_string(port);
    for (auto& m : t.f.messages.shown) out += " msg" + t.Text(m.text) + t.Text(m.title) + std::to_string(m.style);
    return out;
}

TEST(PollDevice, EachAttemptAndWhatEndsIt) {
    const std::string identity = Wire(FixedIdentity(true));
    const struct Row {
        const char* what;
        std::function<void(Link&)> setup;
        int64_t until, at;
        std::function<void(Link&)> during;
        std::string outcome;
    } rows[] = {
        {"nobody answers", nullptr, 7500, -1, nullptr,
         "E1500,3500,5500,7500, O1000,3000,5000,7000, C2500,4500,6500, armed S-  3 3 3 3"},
        {"port 1", [](Link& t) { t.st.iSerialPort = 1; }, 1500, -1, nullptr, "E1500, O1000, C armed S-  1"},
        {"no port configured", [](Link& t) { t.st.iSerialPort = 0; }, 4000, -1, nullptr, "E O C armed S- #330"},
        {"answered after the ENQ", nullptr, 10000, 1600, [&](Link& t) { t.Feed(identity); },
         "E1500, O1000, C - -- #332+1 3"},
        {"answered inside the waits: that ENQ still goes", nullptr, 10000, 1200, [&](Link& t) { t.Feed(identity); },
         "E1500, O1000, C - -- #332+1 3"},
        {"open fails: Yes, Yes retries the same port", [](Link& t) {
             t.f.port.openFails = true;
             t.f.messages.answers = {kAnswerYes, kAnswerYes};
             // While the second question is open the port comes free: the third try works.
             t.f.messages.whileOpen = [&t] { t.f.messages.whileOpen = [&t] { t.f.port.openFails = false; }; };
         }, 1500, -1, nullptr, "E1500, O1000, C armed S-  3 msg#366#36520 msg#366#36520"},
        {"open fails: No stops the search", [](Link& t) {
             t.f.port.openFails = true;
             t.f.messages.answers = {kAnswerNo};
         }, 5000, -1, nullptr, "E O C - --  msg#366#36520"},
        {"quit while the open port waits", nullptr, 5000, 1200, [](Link& t) { t.st.bQuitQuery = true; },
         "E O1000, C - S-  3"},
        {"quit while the closed port waits", nullptr, 5000, 2600, [](Link& t) { t.st.bQuitQuery = true; },
         "E1500, O1000, C2500, - S-  3"},
        {"the search switched off before the tick", nullptr, 5000, 0, [](Link& t) { t.st.bDeviceSearch = false; },
         "E O C - -- "},
        {"the options dialog takes the port half way", nullptr, 5000, 1200, [](Link& t) { OptionsDialogOpening(t.s); },
         "E O1000, C1200, - S- #331 3"},
        {"a second call while running does nothing", nullptr, 1500, 1000, [](Link& t) {
             EXPECT_TRUE(t.f.link.PollDeviceRunning());
             EXPECT_EQ(t.Words(t.f.link.PollDevice(true)), "");
         }, "E1500, O1000, C armed S-  3"},
        {"sign-off: polling again two seconds later", nullptr, 8000, 1600, [&](Link& t) {
             t.Feed(identity);
             t.Feed(Wire(FixedStatus('3')));
         }, "E1500,3600,5600,7600, O1000,3100,5100,7100, C2600,4600,6600, armed S- #331 3 3 3 3"},
        {"the options dialog opens and closes", nullptr, 4000, 1600, [&](Link& t) {
             t.Feed(identity);
             OptionsDialogOpening(t.s);
             EXPECT_EQ(t.f.view.device, (std::array<std::string, 6>{}));
             OptionsDialogClosed(t.s);
         }, "E1500,3100, O1000,2600, C1600, armed S- #331 3 3"},
    };
    for (const Row& row : rows) {
        Link t;
        if (row.setup) row.setup(t);
        EXPECT_EQ(Timeline(t, row.until, row.at, row.during), row.outcome) << row.what;
    }
}

}  // namespace
}  // namespace heliotab::testing_link
