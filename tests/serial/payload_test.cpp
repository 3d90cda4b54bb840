// Frames and payloads of the setting commands, against hand-worked bytes.
#include "tests/support/HexBytes.h"
#include "tests/support/TraceCapture.h"

#include "core/DebugTrace.h"
#include "core/Frame.h"
#include "serial/SettingPayloads.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ByteVec = std::vector<std::uint8_t>;

ByteVec Frame(std::uint8_t cmdId, const ByteVec& payload) {
    MspSendCmd_t header;
    BuildCmdHeader(header, cmdId, payload.size());
    return BuildSerialFrame(header, payload);
}

struct FrameCase {
    const char* name;
    std::uint8_t cmdId;
    ByteVec payload;
    const char* frame;
};

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, BytesOnTheWire) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(Frame(c.cmdId, c.payload), HexBytes(c.frame));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FrameTest,
    ::testing::Values(
        FrameCase{"OutputFormatIndex2", CMD_OUTPUT_FORMAT, IndexPayload({2}), "05 06 05 12 02"},
        FrameCase{"NoSelectionSendsFF", CMD_OUTPUT_FORMAT, IndexPayload({-1}), "05 06 05 0F FF"},
        FrameCase{"WiegandSumWraps", CMD_WIEGAND_TIMING, WiegandPayload(2000, 400, 0),
                  "05 1C 0D 96 D0 07 00 00 90 01 00 00 00"},
        FrameCase{"WiegandNegativeHighPulse", CMD_WIEGAND_TIMING, WiegandPayload(-1, 100, 1),
                  "05 1C 0D 8F FF FF FF FF 64 00 00 00 01"},
        FrameCase{"SerialParams9600_8_1_None_Ascii", CMD_SERIAL_PARAMS,
                  SerialParamsPayload("9600", "8", "1", 2, 0),
                  "05 26 0C E7 80 25 00 00 08 01 02 00"},
        FrameCase{"SerialParamsEmptyTexts", CMD_SERIAL_PARAMS,
                  SerialParamsPayload("", "", "", -1, -1), "05 26 0C 35 00 00 00 00 00 00 FF FF"},
        FrameCase{"GetParameterHeaderOnly", CMD_GET_PARAM, {}, "05 01 04 0A"},
        FrameCase{"EnterLineFeed", CMD_ENTER_LINE_FEED, IndexPayload({0, 1}), "05 0A 06 16 00 01"},
        FrameCase{"QrCode", CMD_QR_CODE, IndexPayload({2, 50}), "05 2A 06 69 02 32"},
        FrameCase{"HexAffixOddLengthDropsLast", CMD_BARCODE_PREFIX, AffixPayload(0, "ABC"),
                  "05 0C 06 C3 01 AB"},
        FrameCase{"HexAffixHighBytes", CMD_BARCODE_PREFIX, AffixPayload(0, "FFFE"),
                  "05 0C 07 17 02 FF FE"},
        FrameCase{"TextAffixEmpty", CMD_BARCODE_SUFFIX, AffixPayload(1, ""), "05 0E 05 18 00"},
        FrameCase{"HexAffixEmpty", CMD_BARCODE_SUFFIX, AffixPayload(0, ""), "05 0E 05 18 00"},
        FrameCase{"CardAffixText", CMD_CARD_AFFIX, CardAffixPayload(1, 1, "AB", ""),
                  "05 2C 09 C0 01 02 41 42 00"},
        FrameCase{"CardAffixBothEmpty", CMD_CARD_AFFIX, CardAffixPayload(1, 1, "", ""),
                  "05 2C 07 39 01 00 00"},
        FrameCase{"CardAffixHex", CMD_CARD_AFFIX, CardAffixPayload(0, 0, "0A1B", "ff"),
                  "05 2C 0A 62 00 02 0A 1B 01 FF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SerialFrame, LengthByteCountsTheWholeFrame) {
    const ByteVec cloud = Frame(CMD_CLOUD, CloudPayload(CloudSettings{}));
    ASSERT_EQ(cloud.size(), 204u);
    EXPECT_EQ(ByteVec(cloud.begin(), cloud.begin() + 4), HexBytes("05 18 CC E9"));

    const auto chunks = RecordChunks(Repeat('A', 160));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(Frame(CMD_KEEP_RECORD, chunks[0]),
              Concat(HexBytes("05 32 A4 7B"), Repeat(0x41, 160)));
}

TEST(HexPairs, ScansPairsAndTracesEachByte) {
    struct Case {
        const char* text;
        const char* bytes;
        std::vector<std::string> traces;
    };
    const Case cases[] = {
        {"0A1B", "0A 1B", {"data[0]:0x0a\n", "data[1]:0x1b\n"}},
        {"ABC", "AB", {"data[0]:0xab\n"}},
        {"", "", {}},
        {"7", "", {}},
        {" A1B", "A1 1B", {"data[0]:0xa1\n", "data[1]:0x1b\n"}}, // blanks skipped as "%2x" does
        {"zz12", "00 12", {"data[0]:0x00\n", "data[1]:0x12\n"}}, // no hex digit: 0x00
        {"1z", "01", {"data[0]:0x01\n"}},
        {"fF", "FF", {"data[0]:0xff\n"}},
    };
    for (const Case& c : cases) {
        TraceCapture traces;
        EXPECT_EQ(HexPairs(c.text), HexBytes(c.bytes)) << '"' << c.text << '"';
        EXPECT_EQ(traces.lines(), c.traces) << '"' << c.text << '"';
    }
}

TEST(BoxText, CutTo31Bytes) {
    // 40 characters: hexadecimal keeps 31 of them, 15 bytes; text as typed keeps 31 bytes.
    const std::string hex40 = "0123456789abcdef0123456789abcdef01234567";
    EXPECT_EQ(HexPairs(hex40), HexBytes("01 23 45 67 89 AB CD EF 01 23 45 67 89 AB CD"));
    EXPECT_EQ(AffixPayload(1, std::string(40, 'a')), Concat({0x1F}, Repeat('a', 31)));
    EXPECT_EQ(AffixPayload(1, std::string(31, 'a')), Concat({0x1F}, Repeat('a', 31)));
    EXPECT_EQ(AffixPayload(1, std::string(30, 'a')), Concat({0x1E}, Repeat('a', 30)));
    // Card prefix and suffix at their longest: 3 + 31 + 31 bytes.
    EXPECT_EQ(CardAffixPayload(1, 0, std::string(50, 'p'), std::string(50, 's')).size(), 65u);
    EXPECT_EQ(CardAffixPayload(0, 0, hex40, hex40).size(), 33u);
}

TEST(ListText, NumberFromLeadingDigits) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"9600", 9600},
        {"256000", 256000},
        {"8", 8},
        {"12 hours", 12},
        {"", 0},
        {"ASCII", 0},
        {" 42", 42},
        {"-5", -5},
        {"99999999999", 2147483647},
    };
    for (const auto& [text, number] : cases) {
        EXPECT_EQ(NumberFromText(text), number) << '"' << text << '"';
    }
}

TEST(CloudBlock, FieldsAtTheirOffsets) {
    CloudSettings cloud;
    cloud.providerIndex = 1;
    cloud.serverAddress = 0xC0A80001;                // 192.168.0.1
    cloud.texts = {"P", "", "", "", "", "\xC3\xA9"}; // subscribe topic "é"
    ByteVec expected(200, 0);
    expected[0] = 0x01;
    expected[4] = 0x01;
    expected[5] = 0x00;
    expected[6] = 0xA8;
    expected[7] = 0xC0;
    expected[8] = 'P';
    expected[168] = 0xC3;
    expected[169] = 0xA9;
    EXPECT_EQ(CloudPayload(cloud), expected);

    cloud.providerIndex = -1;
    const ByteVec noProvider = CloudPayload(cloud);
    EXPECT_EQ(ByteVec(noProvider.begin(), noProvider.begin() + 4), HexBytes("FF FF FF FF"));
}

TEST(CloudBlock, LongTextCutAtWholeCharacters) {
    std::string e16; // 16 x "é" = 32 bytes; 15 of them fit in 31 bytes
    for (int i = 0; i < 16; ++i) {
        e16 += "\xC3\xA9";
    }
    const std::string ascii32(32, 'x');
    const std::string mixed = std::string(30, 'y') + "\xE4\xB8\xAD"; // a 3-byte character at 30
    CloudSettings cloud;
    cloud.texts = {e16, ascii32, mixed, std::string(31, 'z'), "", ""};
    const ByteVec block = CloudPayload(cloud);

    auto field = [&](int i) {
        return ByteVec(block.begin() + 8 + 32 * i, block.begin() + 40 + 32 * i);
    };
    ByteVec f0;
    for (int i = 0; i < 15; ++i) {
        f0.push_back(0xC3);
        f0.push_back(0xA9);
    }
    f0.resize(32, 0);
    EXPECT_EQ(field(0), f0);
    ByteVec f1(31, 'x');
    f1.resize(32, 0);
    EXPECT_EQ(field(1), f1);
    ByteVec f2(30, 'y');
    f2.resize(32, 0);
    EXPECT_EQ(field(2), f2);
    ByteVec f3(31, 'z');
    f3.resize(32, 0);
    EXPECT_EQ(field(3), f3);
}

TEST(KeepRecord, ChunksOf160ZeroPadded) {
    EXPECT_TRUE(RecordChunks({}).empty());

    const auto one = RecordChunks(Repeat('A', 160));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], Repeat('A', 160));

    const auto two = RecordChunks(Repeat('A', 161));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], Repeat('A', 160));
    EXPECT_EQ(two[1], Concat({'A'}, Repeat(0, 159)));
    EXPECT_EQ(Frame(CMD_KEEP_RECORD, two[1]), Concat(HexBytes("05 32 A4 1C 41"), Repeat(0, 159)));
}

TEST(KeepRecord, LineBreaksTravelAsCrLf) {
    EXPECT_EQ(RecordTextBytes("a\nb"), HexBytes("61 0D 0A 62"));
    EXPECT_EQ(RecordTextBytes("a\r\nb"), HexBytes("61 0D 0A 62"));
    EXPECT_EQ(RecordTextBytes("\n"), HexBytes("0D 0A"));
    EXPECT_EQ(RecordTextBytes(""), ByteVec{});
}

} // namespace
