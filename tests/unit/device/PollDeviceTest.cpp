// Timer 1's connection attempt on virtual time: close, 0.5 s, open, 0.5 s,
// ENQ, and the re-arm once the attempt is over.
#include "device/LinkFixture.h"
#include "device/LinkTexts.h"

namespace heliotab::testing_link {
namespace {

class PollTest : public LinkTest {
protected:
    // Start-up: the search is on and timer 1 runs.
    void StartSearch() {
        st.bDeviceSearch = true;
        f.timers.StartTimer(kTimerPoll, 1000);
        t0 = Now();
    }
    std::vector<int64_t> EnqTimes() const {
        std::vector<int64_t> at;
        for (auto& b : f.port.sent)
            if (b.byte == kENQ) at.push_back(b.atMs - t0);
        return at;
    }
    int64_t t0 = 0;
};

TEST_F(PollTest, FirstAttemptOpensAfterOneSecondAndSendsEnqHalfASecondLater) {
    StartSearch();
    f.timers.Advance(999);
    EXPECT_TRUE(f.port.opened.empty());
    f.timers.Advance(1);
    ASSERT_EQ(f.port.opened, std::vector<int>{3});
    EXPECT_TRUE(PollDeviceRunning(s));
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));  // no second attempt while this one runs
    f.timers.Advance(499);
    EXPECT_TRUE(EnqTimes().empty());
    f.timers.Advance(1);
    EXPECT_EQ(EnqTimes(), std::vector<int64_t>{1500});
    EXPECT_FALSE(PollDeviceRunning(s));
    ASSERT_TRUE(f.timers.IsRunning(kTimerPoll));
    EXPECT_EQ(f.timers.DueAt(kTimerPoll), Now() + 1000);
}

TEST_F(PollTest, EachCycleClosesReopensAndSendsEnq) {
    StartSearch();
    st.iNakCount = 2;
    st.sRxFrame = "stale";
    f.timers.Advance(1500);
    EXPECT_EQ(st.iNakCount, 0);
    EXPECT_TRUE(st.sRxFrame.empty());
    // Second cycle: tick at 2500, close, 0.5 s, open at 3000, 0.5 s, ENQ at 3500.
    f.timers.Advance(1000);
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_EQ(f.port.closes, 1);
    f.timers.Advance(500);
    EXPECT_TRUE(f.port.IsOpen());
    f.timers.Advance(4500);
    EXPECT_EQ(EnqTimes(), (std::vector<int64_t>{1500, 3500, 5500, 7500}));
    EXPECT_EQ(f.port.opened.size(), 4u);
}

TEST_F(PollTest, NoMoreEnqOnceTheTesterAnswers) {
    StartSearch();
    f.timers.Advance(1600);
    Feed(Wire(FixedIdentity(true)));
    f.timers.Advance(10000);
    EXPECT_EQ(EnqTimes(), std::vector<int64_t>{1500});
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    EXPECT_TRUE(f.port.IsOpen());
}

TEST_F(PollTest, IdentityDuringTheWaitsIsHandledAndEndsTheSearch) {
    StartSearch();
    f.timers.Advance(1200);  // port open, waiting for the ENQ step
    Feed(Wire(FixedIdentity(true)));
    EXPECT_TRUE(st.bDeviceOnline);
    f.timers.Advance(300);
    // The attempt still finishes with its ENQ, but timer 1 is not re-armed.
    EXPECT_EQ(EnqTimes(), std::vector<int64_t>{1500});
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    f.timers.Advance(5000);
    EXPECT_EQ(f.port.opened.size(), 1u);
}

TEST_F(PollTest, NoPortConfiguredShowsThePanelAndKeepsSearching) {
    st.iSerialPort = 0;
    StartSearch();
    f.timers.Advance(1000);
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(link_text::kPortNotSet));
    EXPECT_FALSE(PollDeviceRunning(s));
    f.timers.Advance(3000);
    EXPECT_TRUE(f.port.opened.empty());
    EXPECT_TRUE(f.port.sent.empty());
    EXPECT_TRUE(st.bDeviceSearch);
    EXPECT_TRUE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(PollTest, OpenFailureAsksAndYesRetriesTheSamePort) {
    StartSearch();
    f.port.openFails = true;
    f.messages.answers = {kAnswerYes, kAnswerYes};
    // While the second question is open the port comes free: the third try works.
    f.messages.whileOpen = [&] { f.messages.whileOpen = [&] { f.port.openFails = false; }; };
    f.timers.Advance(1500);
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[0].text, Lang(366));
    EXPECT_EQ(f.messages.shown[0].title, Lang(365));
    EXPECT_EQ(f.messages.shown[0].style, 20);
    EXPECT_EQ(f.port.opened, std::vector<int>{3});
    EXPECT_EQ(EnqTimes(), std::vector<int64_t>{1500});
    EXPECT_TRUE(st.bDeviceSearch);
}

TEST_F(PollTest, OpenFailureNoStopsTheSearch) {
    StartSearch();
    f.port.openFails = true;
    f.messages.answers = {kAnswerNo};
    f.timers.Advance(5000);
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_FALSE(st.bDeviceSearch);
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    EXPECT_FALSE(PollDeviceRunning(s));
    EXPECT_TRUE(f.port.sent.empty());
}

TEST_F(PollTest, QuitDuringTheAttemptSendsNothingAndDoesNotRearm) {
    StartSearch();
    f.timers.Advance(1200);
    st.bQuitQuery = true;
    f.timers.Advance(5000);
    EXPECT_TRUE(f.port.sent.empty());
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
    EXPECT_FALSE(PollDeviceRunning(s));
}

TEST_F(PollTest, QuitWhileTheClosedPortWaitsEndsTheAttempt) {
    StartSearch();
    f.timers.Advance(2600);  // second cycle: port closed, waiting
    ASSERT_FALSE(f.port.IsOpen());
    st.bQuitQuery = true;
    f.timers.Advance(2000);
    EXPECT_EQ(f.port.opened.size(), 1u);
    EXPECT_EQ(EnqTimes().size(), 1u);
    EXPECT_FALSE(PollDeviceRunning(s));
}

TEST_F(PollTest, ASecondCallWhileRunningDoesNothing) {
    StartSearch();
    f.timers.Advance(1000);
    ASSERT_TRUE(PollDeviceRunning(s));
    PollDevice(s);
    EXPECT_EQ(f.port.opened.size(), 1u);
    EXPECT_EQ(f.port.closes, 0);
    f.timers.Advance(500);
    EXPECT_EQ(EnqTimes().size(), 1u);
}

TEST_F(PollTest, SearchSwitchedOffBeforeTheTickAttemptsNothing) {
    StartSearch();
    st.bDeviceSearch = false;
    f.timers.Advance(3000);
    EXPECT_TRUE(f.port.opened.empty());
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(PollTest, CancelDropsTheAttemptWithoutRearming) {
    StartSearch();
    f.timers.Advance(1200);
    f.port.Close();
    CancelPollDevice(s);
    f.timers.Advance(3000);
    EXPECT_TRUE(f.port.sent.empty());
    EXPECT_FALSE(PollDeviceRunning(s));
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

TEST_F(PollTest, SignOffRestartsThePolling) {
    StartSearch();
    f.timers.Advance(1600);
    Feed(Wire(FixedIdentity(true)));
    Feed(Wire(FixedStatus('3')));
    const int64_t off = Now() - t0;
    f.timers.Advance(3000);
    // Close, 0.5 s, open, 0.5 s, ENQ: two seconds after the sign-off.
    EXPECT_EQ(EnqTimes(), (std::vector<int64_t>{1500, off + 2000}));
}

}  // namespace
}  // namespace heliotab::testing_link
