#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/ReceiveQueue.h"

namespace heliotab {
namespace {

// Chunks appended, a take, more chunks, a take; and how many appends asked
// for a notice.
struct QueueCase {
    size_t limit;
    std::vector<std::string> before;
    std::string firstTake;
    std::vector<std::string> after;
    std::string secondTake;
    int notices;
};

// Rows 2 to 4 fill the queue: the loss runs up to an STX that finds room, across a take.
const QueueCase kQueueCases[] = {
    // limit, before, firstTake, after, secondTake, notices
    {4, {"ab", "c"}, "abc", {"d"}, "d", 2},
    {4, {"abcdef"}, "abcd", {"g\x02h"}, "\x02h", 2},
    {4, {"abc", "de\x02fg"}, "abcd", {"\x03\x02h"}, "\x02h", 2},
    {2, {"ab", "\x02\x03"}, "ab", {"x"}, "", 1},
};

TEST(ReceiveQueue, KeepsWhatFitsAndAfterALossResumesAtAnStx) {
    for (const QueueCase& c : kQueueCases) {
        ReceiveQueue q(c.limit);
        int notices = 0;
        auto append = [&](const std::string& chunk) {
            notices += q.Append(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), 0);
        };
        for (const std::string& chunk : c.before)
            append(chunk);
        EXPECT_EQ(q.Take(), c.firstTake) << c.firstTake;
        for (const std::string& chunk : c.after)
            append(chunk);
        EXPECT_EQ(q.Take(), c.secondTake) << c.firstTake;
        EXPECT_EQ(notices, c.notices) << c.firstTake;
    }
}

// A notice lost on its way (the window never took the bytes): the reader is
// told to announce them again once they have waited kRemindMs since the last
// notice, by its next chunk or by a read that brought nothing.
struct ReadStep {
    uint64_t atMs;
    std::string chunk; // empty: a read that brought nothing
    bool takeFirst;    // the window takes everything before this read
    bool notice;
};

TEST(ReceiveQueue, BytesLeftUntakenAreAnnouncedAgain) {
    // One read per line, in time order.
    // clang-format off
    const ReadStep steps[] = {
        // at, chunk, takeFirst, notice
        {1000, "a", false, true},
        {1099, "b", false, false},
        {1099, "", false, false},
        {1100, "", false, true},
        {1199, "", false, false},
        {1200, "c", false, true},
        {5000, "", true, false},
        {5001, "d", false, true},
    };
    // clang-format on
    ReceiveQueue q(64);
    std::string taken;
    for (const ReadStep& step : steps) {
        if (step.takeFirst)
            taken += q.Take();
        const auto* bytes = reinterpret_cast<const uint8_t*>(step.chunk.data());
        const bool notice = step.chunk.empty() ? q.Remind(step.atMs)
                                               : q.Append(bytes, step.chunk.size(), step.atMs);
        EXPECT_EQ(notice, step.notice) << "at " << step.atMs;
    }
    EXPECT_EQ(taken + q.Take(), "abcd");
}

} // namespace
} // namespace heliotab
