// The plain exchange of frames and replies, against hand-written bytes.
#include "profile/PortJob.h"

#include <gtest/gtest.h>

#include "tests/support/HexBytes.h"

namespace {

struct ExchangeRow {
    const char* name;
    std::int64_t quietMs;
    // At each time: bytes arriving (hex), or a tick when empty.
    std::vector<std::pair<std::int64_t, const char*>> events;
    std::vector<const char*> writes; // frames written, in order
    std::vector<const char*> replies;
    const char* error;
    RunError failure;
};

TEST(ExchangeJob, FramesOneAtATimeEachWithItsReply) {
    const std::vector<Bytes> frames = {HexBytes("05 2E 04 37"), HexBytes("05 30 04 39")};
    const ExchangeRow rows[] = {
        {"both answered, one in pieces",
         0,
         {{5, "05 2F 0A 55 01 00"}, {6, "00 00 0D 0A"}, {9, "05 31 06 3C 0D 0A"}},
         {"05 2E 04 37", "05 30 04 39"},
         {"05 2F 0A 55 01 00 00 00 0D 0A", "05 31 06 3C 0D 0A"},
         "",
         RunError::None},
        {"no reply to the second",
         0,
         {{5, "05 2F 0A 55 01 00 00 00 0D 0A"}, {2000, ""}},
         {"05 2E 04 37", "05 30 04 39"},
         {"05 2F 0A 55 01 00 00 00 0D 0A"},
         "no reply",
         RunError::NoReply},
        {"a reply without its end",
         0,
         {{5, "05 2F 0A"}, {1000, ""}},
         {"05 2E 04 37"},
         {},
         "an incomplete reply of 3 bytes",
         RunError::IncompleteReply},
        {"text with CR LF inside waits for quiet",
         100,
         {{5, "05 2F 06 00 0D 0A"},
          {50, "41 0D 0A"},
          {150, ""},
          {160, "05 31 06 3C 0D 0A"},
          {260, ""}},
         {"05 2E 04 37", "05 30 04 39"},
         {"05 2F 06 00 0D 0A 41 0D 0A", "05 31 06 3C 0D 0A"},
         "",
         RunError::None},
    };
    for (const ExchangeRow& row : rows) {
        SCOPED_TRACE(row.name);
        ExchangeJob job(frames, 1000, row.quietMs);
        std::vector<Bytes> writes;
        SequencerStep step = job.Start(0);
        writes.push_back(step.write);
        for (const auto& [at, hex] : row.events) {
            step = *hex ? job.OnBytes(HexBytes(hex), at) : job.OnTick(at);
            if (!step.write.empty()) {
                writes.push_back(step.write);
            }
        }
        EXPECT_TRUE(step.done);
        EXPECT_TRUE(job.Done());
        ASSERT_EQ(writes.size(), row.writes.size());
        for (std::size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(writes[i], HexBytes(row.writes[i]));
        }
        ASSERT_EQ(job.Replies().size(), row.replies.size());
        for (std::size_t i = 0; i < row.replies.size(); ++i) {
            EXPECT_EQ(job.Replies()[i], HexBytes(row.replies[i]));
        }
        EXPECT_EQ(job.Error(), row.error);
        EXPECT_EQ(job.Failure(), row.failure);
    }
}

TEST(ExchangeJob, APortLostEndsIt) {
    ExchangeJob job({HexBytes("05 2E 04 37")}, 1000);
    job.Start(0);
    EXPECT_TRUE(job.OnPortLost(3).done);
    EXPECT_EQ(job.Error(), "the port was lost");
    EXPECT_EQ(job.Failure(), RunError::PortLost);
}

} // namespace
