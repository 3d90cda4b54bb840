// The one hexadecimal formatter, in both of its styles.
#include "core/HexText.h"
#include "tests/support/HexBytes.h"

#include <gtest/gtest.h>

namespace {

TEST(HexText, CaseAndSpacing) {
    struct Row {
        const char* bytes;
        HexDigits digits;
        bool spaced;
        const char* text;
    };
    const Row rows[] = {
        {"05 06 05 12 02", HexDigits::Upper, true, " 05 06 05 12 02"},
        {"0A FF", HexDigits::Upper, true, " 0A FF"}, // no sign extension
        {"AB 1F", HexDigits::Lower, true, " ab 1f"},
        {"02 1A", HexDigits::Lower, false, "021a"},
        {"", HexDigits::Upper, true, ""},
        {"", HexDigits::Lower, false, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(HexText(HexBytes(r.bytes), r.digits, r.spaced), r.text) << r.bytes;
        std::string line = "tx |";
        AppendHexText(line, HexBytes(r.bytes), r.digits, r.spaced);
        EXPECT_EQ(line, std::string("tx |") + r.text) << r.bytes;
    }
}

TEST(HexEcho, UpperCaseWithASpaceBeforeEachByte) {
    EXPECT_EQ(HexEcho(HexBytes("05 06 05 12 02")), " 05 06 05 12 02");
    EXPECT_EQ(HexEcho(HexBytes("0A FF")), " 0A FF"); // upper case, no sign extension
}

} // namespace
