// The frame log's lines and its bound, against hand-written bytes and lines.
#include "core/FrameLog.h"

#include <gtest/gtest.h>

#include "tests/support/HexBytes.h"

namespace {

constexpr FrameChannel SER = FrameChannel::Serial;
constexpr FrameChannel UDP = FrameChannel::Udp;
constexpr FrameDirection TX = FrameDirection::Sent;
constexpr FrameDirection RX = FrameDirection::Received;

TEST(FrameLog, OneLinePerFrame) {
    struct Row {
        std::int64_t us;
        FrameChannel channel;
        FrameDirection direction;
        const char* where;
        const char* hex;
        const char* name; // overrides the code's name
        const char* line;
    };
    const Row rows[] = {
        {0, SER, TX, "/dev/pts/3", "05 01 04 0A", "",
         "0.000 | tx | serial /dev/pts/3 | Get parameter | - | 05 01 04 0A"},
        {12345, SER, RX, "com 1", "05 07 06 29 0D 0A", "",
         "12.345 | rx | serial com 1 | Output format reply | ok | 05 07 06 29 0D 0A"},
        // A reply's header is the reader's own business: a length of header and payload only
        // and no checksum, or a checksum that does not add up, still end a reply.
        {12346, SER, RX, "com 1", "05 07 06 28 0D 0A", "",
         "12.346 | rx | serial com 1 | Output format reply | ok | 05 07 06 28 0D 0A"},
        {12347, SER, RX, "com 1", "05 07 04 00 0D 0A", "",
         "12.347 | rx | serial com 1 | Output format reply | ok | 05 07 04 00 0D 0A"},
        // A first piece of a parameter reply: its end is still to come.
        {1000001, SER, RX, "", "05 02 B6 00", "",
         "1000.001 | rx | serial | Parameter record | part | 05 02 B6 00"},
        {2, SER, RX, "", "05 02", "", "0.002 | rx | serial | Parameter record | part | 05 02"},
        {3, SER, RX, "", "06 01 04 0B", "", "0.003 | rx | serial | - | part | 06 01 04 0B"},
        {-5, SER, RX, "p", "", "", "0.000 | rx | serial p | - | part |"},
        {15, SER, RX, "", "0D 0A", "", "0.015 | rx | serial | - | ok | 0D 0A"},
        {4, SER, TX, "", "01 02 03 04", "Transmit test",
         "0.004 | tx | serial | Transmit test | - | 01 02 03 04"},
        {5, SER, TX, "", "05 32 05 3C 00", "",
         "0.005 | tx | serial | Keep a record | - | 05 32 05 3C 00"},
        {6, SER, TX, "", "05 7E 04 87", "", "0.006 | tx | serial | code 0x7E | - | 05 7E 04 87"},
        // The length covers 6 bytes from offset 4: 01 02 and four zeros; 0xFF - 0x03 = 0xFC.
        {7, UDP, RX, "127.0.0.1:24583", "05 03 06 FC 01 02", "",
         "0.007 | rx | udp 127.0.0.1:24583 | Discovery | ok | 05 03 06 FC 01 02"},
        {8, UDP, RX, "", "05 03 06 FD 01 02", "",
         "0.008 | rx | udp | Discovery | bad checksum | 05 03 06 FD 01 02"},
        // Length 0: nothing to check.
        {9, UDP, RX, "", "05 01 00 00", "", "0.009 | rx | udp | Version | ok | 05 01 00 00"},
        {10, UDP, TX, "", "05 20 04 FF", "", "0.010 | tx | udp | Set network | ok | 05 20 04 FF"},
        {11, UDP, RX, "", "05 07 05 FE 01", "",
         "0.011 | rx | udp | Output format ack | ok | 05 07 05 FE 01"},
        {12, UDP, RX, "", "05 1F", "", "0.012 | rx | udp | Parameter record | short | 05 1F"},
        {13, UDP, TX, "", "00 00 00 00", "Set network data",
         "0.013 | tx | udp | Set network data | bad sync | 00 00 00 00"},
        {14, UDP, RX, "", "05 2E 00 00", "", "0.014 | rx | udp | code 0x2E | ok | 05 2E 00 00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const std::vector<std::uint8_t> bytes = HexBytes(row.hex);
        EXPECT_EQ(FrameLogLine(MakeFrameEntry(row.us, row.channel, row.direction, row.where, bytes,
                                              row.name)),
                  row.line);
    }
}

TEST(FrameLog, SerialReplyMarkedByItsEndAndSize) {
    struct Row {
        const char* hex;
        std::size_t replyBytes;
        std::size_t minReply;
        const char* mark;
    };
    const Row rows[] = {
        {"05 07 06 29 0D 0A", 0, 2, "ok"},
        {"0D 0A", 0, 2, "ok"},
        {"0D", 0, 2, "part"},
        {"0A 0D", 0, 2, "part"},
        {"0D 0A 41", 0, 2, "part"},
        // The last piece of a parameter reply: 180 bytes of frame came before it.
        {"0D 0A", 182, 182, "ok"},
        // A CR LF before the record's end cannot end a parameter reply.
        {"05 02 08 00 0D 0A", 0, 182, "short"},
        {"41 0D 0A", 181, 182, "short"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.hex);
        FrameLogEntry entry = MakeFrameEntry(0, SER, RX, "", HexBytes(row.hex));
        entry.replyBytes = row.replyBytes;
        entry.minReply = row.minReply;
        const std::string line = FrameLogLine(entry);
        EXPECT_NE(line.find(std::string(" | ") + row.mark + " |"), std::string::npos) << line;
    }
}

TEST(FrameLog, NotesAndHeader) {
    EXPECT_EQ(FrameLogLine(MakeNoteEntry(1000000, SER, "com 1", "no reply within 1000 ms")),
              "1000.000 | note | serial com 1 | no reply within 1000 ms");
    EXPECT_EQ(FrameLogLine(MakeNoteEntry(250, UDP, "", "socket closed")),
              "0.250 | note | udp | socket closed");
    struct Row {
        std::int64_t unixMs;
        const char* line;
    };
    const Row rows[] = {
        {0, "Tessaro 21.4.22 frame log, first entry at 1970-01-01 00:00:00.000 UTC, times in ms "
            "since the first entry"},
        {86400000 + 3723004, "Tessaro 21.4.22 frame log, first entry at 1970-01-02 01:02:03.004 "
                             "UTC, times in ms since the first entry"},
        // 2000-01-01 is 946684800 s; 59 days later is the leap day.
        {946684800000 + 59LL * 86400000 + 999,
         "Tessaro 21.4.22 frame log, first entry at 2000-02-29 00:00:00.999 UTC, times in ms "
         "since the first entry"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FrameLogHeader("Tessaro 21.4.22", row.unixMs), row.line);
    }
}

FrameLogEntry Note(std::int64_t us, const char* text) {
    return MakeNoteEntry(us, SER, "", text);
}

TEST(FrameLogBuffer, KeepsTheNewestAndCountsTheDropped) {
    struct Row {
        std::size_t capacity;
        int added;
        std::vector<std::string> lines;
    };
    const std::string header =
        "Tessaro frame log, first entry at 1970-01-01 00:00:01.000 UTC, times in ms since the "
        "first entry";
    const Row rows[] = {
        {3, 0, {}},
        {3, 2, {header, "0.000 | note | serial | e0", "0.010 | note | serial | e1"}},
        {3,
         3,
         {header, "0.000 | note | serial | e0", "0.010 | note | serial | e1",
          "0.020 | note | serial | e2"}},
        {3,
         5,
         {header, "2 earlier entries dropped", "0.020 | note | serial | e2",
          "0.030 | note | serial | e3", "0.040 | note | serial | e4"}},
        {1, 3, {header, "2 earlier entries dropped", "0.020 | note | serial | e2"}},
    };
    const char* const texts[] = {"e0", "e1", "e2", "e3", "e4"};
    for (const Row& row : rows) {
        FrameLogBuffer log(row.capacity);
        for (int i = 0; i < row.added; ++i) {
            // A monotonic clock that does not start at 0: times are relative to the first.
            log.Add(Note(500000 + i * 10, texts[i]), 1000 + i);
        }
        EXPECT_EQ(log.Lines(), row.lines);
        EXPECT_EQ(log.Added(), std::uint64_t(row.added));
        log.Clear();
        EXPECT_TRUE(log.Lines().empty());
        // After Clear the next entry is the first again.
        log.Add(Note(900000, "again"), 2000);
        log.SetProgram("Tessaro 1.2.3");
        EXPECT_EQ(log.Lines(),
                  (std::vector<std::string>{"Tessaro 1.2.3 frame log, first entry at 1970-01-01 "
                                            "00:00:02.000 UTC, times in ms since the first entry",
                                            "0.000 | note | serial | again"}));
    }
}

TEST(FrameLogBuffer, HoldsAHundredThousand) {
    struct Row {
        std::uint64_t extra;
        const char* dropped;
        const char* oldest; // entry extra, extra microseconds after the first
        const char* newest; // entry 100000 + extra - 1
    };
    const Row rows[] = {
        {1, "1 earlier entries dropped", "0.001 | tx | serial | Get parameter | - | 05 01 04 0A",
         "100.000 | tx | serial | Get parameter | - | 05 01 04 0A"},
        {7, "7 earlier entries dropped", "0.007 | tx | serial | Get parameter | - | 05 01 04 0A",
         "100.006 | tx | serial | Get parameter | - | 05 01 04 0A"},
    };
    const std::vector<std::uint8_t> frame = HexBytes("05 01 04 0A");
    for (const Row& row : rows) {
        FrameLogBuffer log;
        for (std::uint64_t i = 0; i < 100000 + row.extra; ++i) {
            log.Add(MakeFrameEntry(std::int64_t(i), SER, TX, "", frame), 0);
        }
        EXPECT_EQ(log.Size(), 100000u);
        EXPECT_EQ(log.Dropped(), row.extra);
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), 100002u);
        EXPECT_EQ(lines[1], row.dropped);
        EXPECT_EQ(lines[2], row.oldest);
        EXPECT_EQ(lines.back(), row.newest);
    }
}

} // namespace
