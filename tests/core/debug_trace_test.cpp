// The trace routine: printf formatting into a fixed buffer, cut at its end.
#include "core/DebugTrace.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DebugTraceTest, FormatsLikePrintf) {
    TraceCapture cap;
    DebugTrace("data[%d]:0x%02x\n", 3, 0xAB);
    ASSERT_EQ(cap.lines().size(), 1u);
    EXPECT_EQ(cap.lines()[0], "data[3]:0xab\n");
}

TEST(DebugTraceTest, TextLongerThanTheBufferIsCutAtItsEnd) {
    TraceCapture cap;
    const std::string longText(5000, 'x');
    DebugTrace("<%s>", longText.c_str());
    ASSERT_EQ(cap.lines().size(), 1u);
    // 2048 bytes of buffer hold 2047 characters and the terminating zero.
    ASSERT_EQ(cap.lines()[0].size(), 2047u);
    EXPECT_EQ(cap.lines()[0].front(), '<');
    EXPECT_EQ(cap.lines()[0].find_first_not_of('x', 1), std::string::npos);
}

TEST(DebugTraceTest, TextThatJustFitsIsKeptWhole) {
    TraceCapture cap;
    const std::string text(2047, 'y');
    DebugTrace("%s", text.c_str());
    ASSERT_EQ(cap.lines().size(), 1u);
    EXPECT_EQ(cap.lines()[0], text);
}

} // namespace
