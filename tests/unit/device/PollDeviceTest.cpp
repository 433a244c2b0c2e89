// Timer 1's connection attempt on virtual time: close, 0.5 s, open, 0.5 s,
// ENQ, and the re-arm once the attempt is over.
#include <functional>
#include <vector>

#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

struct Timeline {
    std::vector<int64_t> enq;     // ms after the search started
    std::vector<int64_t> opens;
    std::vector<int64_t> closes;
    bool pollArmed;               // timer 1 running at the end
    bool operator==(const Timeline&) const = default;
};

// Start-up: the search is on and timer 1 runs; `during` runs at `atMs`.
Timeline Run(LinkTest& lt, int64_t untilMs, int64_t atMs = -1, const std::function<void()>& during = {}) {
        auto& st = lt.st;
        auto& f = lt.f;
        auto Now = [&] { return lt.Now(); };
        st.bDeviceSearch = true;
        f.timers.StartTimer(kTimerPoll, 1000);
        const int64_t t0 = Now();
        Timeline tl;
        bool wasOpen = false;
        for (int64_t t = 0; t <= untilMs; t += 50) {
            if (t > 0) f.timers.Advance(50);
            if (t == atMs && during) during();
            if (f.port.IsOpen() != wasOpen) (wasOpen ? tl.closes : tl.opens).push_back(t);
            wasOpen = f.port.IsOpen();
        }
        for (auto& b : f.port.sent)
            if (b.byte == kENQ) tl.enq.push_back(b.atMs - t0);
        tl.pollArmed = f.timers.IsRunning(kTimerPoll);
        return tl;
}

class PollTest : public LinkTest {
public:
    Timeline Run(int64_t untilMs, int64_t atMs = -1, const std::function<void()>& during = {}) {
        return testing_link::Run(*this, untilMs, atMs, during);
    }
    std::string Bad() {
        std::string bad = Sealed(FixedStatus('5'));
        bad.back() ^= 1;
        return bad + kEtx;
    }
};

TEST_F(PollTest, EachAttemptClosesOpensAndSendsEnqOnTheHalfSeconds) {
    EXPECT_EQ(Run(7500), (Timeline{{1500, 3500, 5500, 7500}, {1000, 3000, 5000, 7000}, {2500, 4500, 6500}, true}));
    // Timer 1 is re-armed only once the attempt is over.
    EXPECT_TRUE(f.timers.IsRunning(kTimerPoll));
    EXPECT_EQ(f.timers.DueAt(kTimerPoll), Now() + 1000);
}

TEST_F(PollTest, TheTesterAnsweringEndsTheSearch) {
    // Answered after the first ENQ, or inside the attempt's waits: that
    // attempt still ends with its ENQ, and none follows.
    for (int64_t at : {1600, 1200}) {
        FreshLink t;
        EXPECT_EQ(testing_link::Run(t, 10000, at, [&] { t.Feed(Wire(FixedIdentity(true))); }),
                  (Timeline{{1500}, {1000}, {}, false}))
            << at;
    }
}

TEST_F(PollTest, EnqStartsTheBadFrameCountAgain) {
    const Timeline tl = Run(3500, 500, [&] {
        GoOnline();
        for (int i = 0; i < 3; ++i) Feed(Bad());
        st.bDeviceOnline = false;  // the options dialog took the port; the search runs again
        st.bDeviceSearch = true;
    });
    EXPECT_EQ(tl.enq, std::vector<int64_t>{2000});
    CarryOut(s, f.link.CancelPollDevice());
    f.timers.StopTimer(kTimerPoll);
    st.bDeviceSearch = false;
    ClearSent();
    for (int i = 0; i < 3; ++i) {
        Feed(Bad());
        f.timers.Advance(500);
    }
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_EQ(Sent(), "\x15\x15\x15");
}

TEST_F(PollTest, NoPortConfiguredShowsThePanelAndKeepsSearching) {
    st.iSerialPort = 0;
    EXPECT_EQ(Run(4000), (Timeline{{}, {}, {}, true}));
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(330));
    EXPECT_TRUE(st.bDeviceSearch);
}

TEST_F(PollTest, OpenFailureAsksAndYesRetriesTheSamePortNoStopsTheSearch) {
    f.port.openFails = true;
    f.messages.answers = {kAnswerYes, kAnswerYes};
    // While the second question is open the port comes free: the third try works.
    f.messages.whileOpen = [&] { f.messages.whileOpen = [&] { f.port.openFails = false; }; };
    EXPECT_EQ(Run(1500), (Timeline{{1500}, {1000}, {}, true}));
    ASSERT_EQ(f.messages.shown.size(), 2u);
    EXPECT_EQ(f.messages.shown[0].text + f.messages.shown[0].title, Lang(366) + Lang(365));
    EXPECT_EQ(f.messages.shown[0].style, 20);
    EXPECT_EQ(f.port.opened, std::vector<int>{3});

    FreshLink t;
    t.f.port.openFails = true;
    t.f.messages.answers = {kAnswerNo};
    EXPECT_EQ(testing_link::Run(t, 5000), (Timeline{{}, {}, {}, false}));
    EXPECT_EQ(t.f.messages.shown.size(), 1u);
    EXPECT_FALSE(t.st.bDeviceSearch);
    EXPECT_FALSE(t.f.link.PollDeviceRunning());
}

TEST_F(PollTest, QuittingOrCancellingEndsTheAttemptWithoutEnqOrRearm) {
    struct Row { int64_t at; std::function<void(LinkTest&)> act; Timeline tl; };
    const std::vector<Row> rows{
        // Quit while the open port waits for the ENQ step.
        {1200, [](LinkTest& t) { t.st.bQuitQuery = true; }, {{}, {1000}, {}, false}},
        // Quit while the closed port waits (second attempt).
        {2600, [](LinkTest& t) { t.st.bQuitQuery = true; }, {{1500}, {1000}, {2500}, false}},
        // The search switched off before the tick.
        {0, [](LinkTest& t) { t.st.bDeviceSearch = false; }, {{}, {}, {}, false}},
        // The options dialog takes the port half way through.
        {1200, [](LinkTest& t) { OptionsDialogOpening(t.s); }, {{}, {1000}, {1200}, false}},
    };
    for (const Row& row : rows) {
        FreshLink t;
        EXPECT_EQ(testing_link::Run(t, 5000, row.at, [&] { row.act(t); }), row.tl)
            << row.at;
        EXPECT_FALSE(t.f.link.PollDeviceRunning());
    }
}

TEST_F(PollTest, ASecondCallWhileRunningDoesNothing) {
    const Timeline tl = Run(1500, 1000, [&] {
        EXPECT_TRUE(f.link.PollDeviceRunning());
        EXPECT_EQ(Words(f.link.PollDevice(true)), "");
    });
    EXPECT_EQ(tl, (Timeline{{1500}, {1000}, {}, true}));
}

TEST_F(PollTest, SignOffAndTheOptionsDialogRestartThePolling) {
    const Timeline tl = Run(9000, 1600, [&] {
        Feed(Wire(FixedIdentity(true)));
        Feed(Wire(FixedStatus('3')));
    });
    // Close, 0.5 s, open, 0.5 s, ENQ: two seconds after the sign-off.
    EXPECT_EQ(tl.enq, (std::vector<int64_t>{1500, 3600, 5600, 7600}));

    FreshLink t;
    const Timeline dialog = testing_link::Run(t, 4000, 1600, [&] {
        t.Feed(Wire(FixedIdentity(true)));
        OptionsDialogOpening(t.s);
        EXPECT_EQ(t.f.view.panels[Panel::PortaCOM], t.Lang(331));
        EXPECT_EQ(t.f.view.device, (std::array<std::string, 6>{}));
        OptionsDialogClosed(t.s);
    });
    EXPECT_EQ(dialog, (Timeline{{1500, 3100}, {1000, 2600}, {1600}, true}));
}

}  // namespace
}  // namespace heliotab::testing_link
