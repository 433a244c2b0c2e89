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

const QueueCase kQueueCases[] = {
    {.limit = 4,
     .before = {"ab", "c"},
     .firstTake = "abc",
     .after = {"d"},
     .secondTake = "d",
     .notices = 2},
    // Full: the loss runs up to an STX that finds room, across a take.
    {.limit = 4,
     .before = {"abcdef"},
     .firstTake = "abcd",
     .after = {"g\x02h"},
     .secondTake = "\x02h",
     .notices = 2},
    {.limit = 4,
     .before = {"abc", "de\x02fg"},
     .firstTake = "abcd",
     .after = {"\x03\x02h"},
     .secondTake = "\x02h",
     .notices = 2},
    {.limit = 2,
     .before = {"ab", "\x02\x03"},
     .firstTake = "ab",
     .after = {"x"},
     .secondTake = "",
     .notices = 1},
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
