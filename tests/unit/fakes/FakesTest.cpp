// The virtual clock and timers every core test leans on.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace heliotab;
using namespace heliotab::fakes;

TEST(FakeTime, CivilDatesRoundTrip) {
    FakeClock c;
    c.Set(2024, 2, 29, 23, 59, 59);
    LocalTime t = c.Now();
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 59);
    c.SetMs(c.Ms() + 1000);
    t = c.Now();
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
}

TEST(FakeTime, TimersFireInOrderAndRepeatUntilStopped) {
    FakeClock c;
    FakeTimers timers(c);
    std::vector<std::pair<int, int64_t>> fired;
    const int64_t t0 = c.Ms();
    timers.onTimer = [&](int id) {
        fired.push_back({id, c.Ms() - t0});
        if (id == 2) timers.StopTimer(2);
    };
    timers.StartTimer(1, 1000);
    timers.StartTimer(2, 100);
    timers.Advance(2500);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[0], std::make_pair(2, int64_t{100}));
    EXPECT_EQ(fired[1], std::make_pair(1, int64_t{1000}));
    EXPECT_EQ(fired[2], std::make_pair(1, int64_t{2000}));
    EXPECT_EQ(c.Ms() - t0, 2500);
}
