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
            notices += q.Append(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
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

} // namespace
} // namespace heliotab
