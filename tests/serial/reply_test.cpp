// The serial parameter record, the reply state machine and the port settings text.
#include "tests/support/HexBytes.h"

#include "serial/CommSettings.h"
#include "serial/SerialParamRecord.h"
#include "serial/SerialReply.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

using ByteVec = std::vector<std::uint8_t>;

// A record laid out by hand, offsets straight from the record table.
ByteVec HandRecord() {
    ByteVec r(176, 0);
    r[0] = 3;                              // output format
    r[1] = 2;                              // card input format
    r[2] = 0;                              // HID enter
    r[3] = 1;                              // line feed
    r[4] = 0x00, r[5] = 0xC2, r[6] = 0x01; // 115200
    r[8] = 7;                              // data bits
    r[9] = 2;                              // stop bits
    r[10] = 1, r[11] = 1, r[12] = 2, r[13] = 2, r[14] = 1, r[15] = 1;
    r[16] = 2;                  // barcode prefix length
    r[20] = 0x0D, r[21] = 0x0A; // a CR LF inside the record
    r[52] = 3;                  // barcode suffix length
    r[56] = 'X', r[57] = 'Y', r[58] = 'Z';
    r[88] = 2; // card prefix length
    r[92] = 0x01, r[93] = 0xAB;
    r[124] = 0; // card suffix length
    r[128] = 'o', r[129] = 'k';
    r[160] = 0xC4, r[161] = 0x09; // high pulse 2500
    r[164] = 0xF4, r[165] = 0x01; // low pulse 500
    r[168] = 1, r[169] = 2, r[170] = 7;
    r[171] = 0xEE, r[175] = 0xDD; // not shown, but kept
    return r;
}

TEST(SerialParamRecord, DecodesEveryFieldAndEncodesBack) {
    const ByteVec bytes = HandRecord();
    const SerialParamRecord r =
        SerialParamRecord::decode(std::span<const std::uint8_t, 176>(bytes.data(), 176));
    EXPECT_EQ(r.outputFormat, 3);
    EXPECT_EQ(r.cardInputFormat, 2);
    EXPECT_EQ(r.hidEnter, 0);
    EXPECT_EQ(r.lineFeed, 1);
    EXPECT_EQ(r.baudRate, 115200);
    EXPECT_EQ(r.dataBits, 7);
    EXPECT_EQ(r.stopBits, 2);
    EXPECT_EQ(r.parity, 1);
    EXPECT_EQ(r.qrOutputFormat, 1);
    EXPECT_EQ(r.resetInterval, 2);
    EXPECT_EQ(r.workingMode, 2);
    EXPECT_EQ(r.horn, 1);
    EXPECT_EQ(r.light, 1);
    EXPECT_EQ(r.barcodePrefixLen, 2);
    EXPECT_EQ(r.barcodePrefix[0], 0x0D);
    EXPECT_EQ(r.barcodePrefix[1], 0x0A);
    EXPECT_EQ(r.barcodeSuffixLen, 3);
    EXPECT_EQ(r.barcodeSuffix[2], 'Z');
    EXPECT_EQ(r.cardPrefixLen, 2);
    EXPECT_EQ(r.cardPrefix[1], 0xAB);
    EXPECT_EQ(r.cardSuffixLen, 0);
    EXPECT_EQ(r.cardSuffix[1], 'k');
    EXPECT_EQ(r.wgHighPulse, 2500);
    EXPECT_EQ(r.wgLowPulse, 500);
    EXPECT_EQ(r.wgOutputOrder, 1);
    EXPECT_EQ(r.cardNumberFormat, 2);
    EXPECT_EQ(r.startBit, 7);

    const auto again = r.encode();
    EXPECT_EQ(ByteVec(again.begin(), again.end()), bytes);
}

TEST(SerialParamRecord, SignedFields) {
    ByteVec bytes(176, 0);
    bytes[4] = 0xFF, bytes[5] = 0xFF, bytes[6] = 0xFF, bytes[7] = 0xFF;     // speed -1
    bytes[16] = 0xFE, bytes[17] = 0xFF, bytes[18] = 0xFF, bytes[19] = 0xFF; // length -2
    const SerialParamRecord r =
        SerialParamRecord::decode(std::span<const std::uint8_t, 176>(bytes.data(), 176));
    EXPECT_EQ(r.baudRate, -1);
    EXPECT_EQ(r.barcodePrefixLen, -2);
}

TEST(SerialParamRecord, ReplyFrameForTheSimulatedReader) {
    const auto reply = BuildParamReply(SerialParamRecord{});
    EXPECT_EQ(ByteVec(reply.begin(), reply.end()),
              Concat(Concat(HexBytes("05 02 B6 D4"), Repeat(0, 176)), HexBytes("0D 0A")));
}

TEST(AffixDisplay, HexAndText) {
    AffixField field{};
    field[0] = 0x0D;
    field[1] = 0x0A;
    field[2] = 0xFF;
    EXPECT_EQ(AffixHexText(2, field), "0d0a");
    EXPECT_EQ(AffixHexText(3, field), "0d0aff");
    EXPECT_EQ(AffixHexText(0, field), "");
    EXPECT_EQ(AffixHexText(-3, field), "");
    EXPECT_EQ(AffixHexText(1000, field).size(), 64u); // never past the 32-byte field

    AffixField text{};
    text[0] = 'A', text[1] = 'B', text[3] = 'C';
    EXPECT_EQ(AffixPlainText(text), "AB");
    AffixField full;
    full.fill('q');
    EXPECT_EQ(AffixPlainText(full), std::string(32, 'q')); // no zero: the whole field
}

// Feeds pieces in one reply mode and records what each piece called for.
struct Step {
    const char* bytes;
    std::vector<std::string> messages;
    const char* receiveText;
};

void RunSteps(int mode, const std::vector<Step>& steps) {
    SerialReplyState s;
    s.replyMode = mode;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const SerialReplyOutcome out = s.OnData(HexBytes(steps[i].bytes));
        EXPECT_EQ(out.messages, steps[i].messages) << "step " << i;
        EXPECT_FALSE(out.record.has_value()) << "step " << i;
        EXPECT_EQ(s.ReceiveText().value_or("<none>"), steps[i].receiveText) << "step " << i;
    }
}

TEST(SettingReply, CrLfFirstAndOtherModesLikeSetting) {
    RunSteps(REPLY_MODE_SETTING, {{"0D 0A", {MSG_COMMAND_SETUP_OK}, ""}});
    RunSteps(7, {{"01 0D 0A 02", {MSG_COMMAND_SETUP_OK}, " 01"}});
}

TEST(SettingReply, NewReplyAfterClearActsAgain) {
    SerialReplyState s;
    EXPECT_EQ(s.OnData(HexBytes("0D 0A")).messages.size(), 1u);
    EXPECT_EQ(s.OnData(HexBytes("0D 0A")).messages.size(), 0u);
    s.ClearBuffer();
    EXPECT_EQ(s.OnData(HexBytes("0D 0A")).messages.size(), 1u);
}

TEST(ReceiveBuffer, BytesPastTheEndAreDropped) {
    SerialReplyState s;
    SerialReplyOutcome out = s.OnData(Repeat(0x11, 1000));
    EXPECT_EQ(out.dropped, 0u);
    out = s.OnData(Repeat(0x22, 100));
    EXPECT_EQ(out.dropped, 76u);
    EXPECT_EQ(s.recvCount, 1024);
    EXPECT_EQ(s.recvBuf[1023], 0x22);
    EXPECT_EQ(s.ReceiveText()->size(), 3u * 1024);
    // The CR LF that would end the reply no longer fits: nothing is announced.
    EXPECT_TRUE(s.OnData(HexBytes("0D 0A")).messages.empty());
}

TEST(ReceiveBuffer, CrInTheLastByteIsNoEnd) {
    SerialReplyState s;
    s.OnData(Repeat(0x11, 1023));
    EXPECT_TRUE(s.OnData(HexBytes("0D 0A")).messages.empty());
    EXPECT_EQ(s.recvCount, 1024);
    EXPECT_EQ(s.FindReplyEnd(), -1);
}

class ParamReplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.replyMode = REPLY_MODE_PARAM_QUERY;
        s.paramQueryPending = 1;
    }
    SerialReplyState s;
};

TEST_F(ParamReplyTest, LongerReplyReportsItsLength) {
    // Two extra bytes before the CR LF: the end is at 182, the data 178 bytes long.
    ByteVec reply = Concat(Concat(HexBytes("05 02 B8 00"), HandRecord()), HexBytes("11 22 0D 0A"));
    const SerialReplyOutcome out = s.OnData(reply);
    EXPECT_EQ(out.messages, (std::vector<std::string>{MSG_GET_PARAMS_OK, "data length = 178"}));
    ASSERT_TRUE(out.record.has_value());
    EXPECT_EQ(out.record->wgHighPulse, 2500);
}

TEST_F(ParamReplyTest, LengthIsNotTakenModulo256) {
    // The end at 436 would read as 176 modulo 256 and hide the fault.
    ByteVec reply = Concat(Concat(HexBytes("05 02 00 00"), Repeat(0x11, 432)), HexBytes("0D 0A"));
    const SerialReplyOutcome out = s.OnData(reply);
    EXPECT_EQ(out.messages, (std::vector<std::string>{MSG_GET_PARAMS_OK, "data length = 432"}));
}

// Where the reply ends: the first CR LF at frame offset 180 or later. Earlier pairs are record
// bytes, even right before that offset.
TEST(ParamReplyEnd, CrLfBeforeOffset180IsRecordData) {
    const struct {
        const char* name;
        std::size_t fill; // record bytes of 0x11 after the header, from frame offset 4
        const char* tail;
        std::vector<std::string> messages;
    } rows[] = {
        {"CR LF at 178", 174, "0D 0A 0D 0A", {MSG_GET_PARAMS_OK}},
        {"CR LF at 179", 175, "0D 0A 0D 0A", {MSG_GET_PARAMS_OK, "data length = 177"}},
        {"CR LF at 180", 176, "0D 0A", {MSG_GET_PARAMS_OK}},
    };
    for (const auto& row : rows) {
        SerialReplyState s;
        s.replyMode = REPLY_MODE_PARAM_QUERY;
        s.paramQueryPending = 1;
        const ByteVec frame =
            Concat(Concat(HexBytes("05 02 B6 00"), Repeat(0x11, row.fill)), HexBytes(row.tail));
        const SerialReplyOutcome out = s.OnData(frame);
        EXPECT_EQ(out.messages, row.messages) << row.name;
        ASSERT_TRUE(out.record.has_value()) << row.name;
        // The record is frame bytes 4 to 179 whatever the end.
        EXPECT_TRUE(
            std::equal(frame.begin() + 4, frame.begin() + 180, out.record->encode().begin()))
            << row.name;
    }
}

TEST_F(ParamReplyTest, ShortReplyIsNoEnd) {
    const SerialReplyOutcome out = s.OnData(Concat(Repeat(0x33, 50), HexBytes("0D 0A")));
    EXPECT_TRUE(out.messages.empty());
    EXPECT_FALSE(out.record.has_value());
    EXPECT_EQ(s.paramQueryPending, 1);
    EXPECT_EQ(s.ReceiveText()->size(), 3u * 52);
}

// The Parity list reads EVEN, ODD, NONE; mark and space are not on it.
TEST(CommSettingsText, ParityListPositions) {
    const struct {
        int position;
        CommParity parity;
    } rows[] = {{0, CommParity::Even}, {1, CommParity::Odd},   {2, CommParity::None},
                {3, CommParity::None}, {-1, CommParity::None}, {255, CommParity::None}};
    for (const auto& row : rows) {
        EXPECT_EQ(ParityOfItem(row.position), row.parity) << row.position;
        if (row.position >= 0 && row.position <= 2) {
            EXPECT_EQ(ItemOfParity(row.parity), row.position) << row.position;
        }
    }
    EXPECT_EQ(ItemOfParity(CommParity::Mark), 2);
    EXPECT_EQ(ItemOfParity(CommParity::Space), 2);
}

TEST(CommSettingsText, ParsesOrRefuses) {
    using P = CommParity;
    using S = CommStopBits;
    const struct {
        const char* text;
        int baud;
        CommParity parity;
        int data;
        CommStopBits stop;
    } valid[] = {
        {"9600,n,8,1", 9600, P::None, 8, S::One},
        {"57600,E,7,2", 57600, P::Even, 7, S::Two},
        {"115200,o,5,1.5", 115200, P::Odd, 5, S::OneAndHalf},
        {" 256000 , m , 6 , 1 ", 256000, P::Mark, 6, S::One},
        {"300,S,8,1", 300, P::Space, 8, S::One},
    };
    for (const auto& c : valid) {
        const auto s = ParseCommSettings(c.text);
        ASSERT_TRUE(s.has_value()) << c.text;
        EXPECT_EQ(s->baudRate, c.baud) << c.text;
        EXPECT_EQ(s->parity, c.parity) << c.text;
        EXPECT_EQ(s->dataBits, c.data) << c.text;
        EXPECT_EQ(s->stopBits, c.stop) << c.text;
    }
    for (const char* text :
         {"", "fast,n,8,1", ",n,8,1", "0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1", "9600,x,8,1",
          "9600,no,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", "9600,n,8", "9600,n,8,1,1"}) {
        EXPECT_FALSE(ParseCommSettings(text).has_value()) << '"' << text << '"';
    }
}

// The serial control's text for settings given as a value, and back.
TEST(ReopenSettingsText, EveryParityAndStopBits) {
    using P = CommParity;
    using S = CommStopBits;
    const struct {
        CommSettings settings;
        const char* text;
    } rows[] = {
        {{19200, P::Even, 8, S::One}, "19200,e,8,1"},
        {{9600, P::None, 8, S::Two}, "9600,n,8,2"},
        {{115200, P::Odd, 7, S::OneAndHalf}, "115200,o,7,1.5"},
        {{4800, P::Mark, 5, S::One}, "4800,m,5,1"},
        {{14400, P::Space, 6, S::Two}, "14400,s,6,2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CommSettingsText(row.settings), row.text);
        const auto back = ParseCommSettings(row.text);
        ASSERT_TRUE(back.has_value()) << row.text;
        EXPECT_EQ(back->parity, row.settings.parity) << row.text;
        EXPECT_EQ(back->stopBits, row.settings.stopBits) << row.text;
    }
}

} // namespace
