// The frame log names every command code the two channels define, and the reply to each serial
// command (its code + 1).
#include "core/FrameLog.h"
#include "net/UdpPacket.h"
#include "serial/SettingPayloads.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FrameLogNames, EverySerialCommandAndItsReply) {
    struct Row {
        SerialCmd code;
        const char* name;
        const char* reply;
    };
    const Row rows[] = {
        {CMD_GET_PARAM, "Get parameter", "Parameter record"},
        {CMD_OUTPUT_FORMAT, "Output format", "Output format reply"},
        {CMD_CARD_INPUT_FORMAT, "Card input format", "Card input format reply"},
        {CMD_ENTER_LINE_FEED, "Enter/Line feed", "Enter/Line feed reply"},
        {CMD_BARCODE_PREFIX, "Barcode prefix", "Barcode prefix reply"},
        {CMD_BARCODE_SUFFIX, "Barcode suffix", "Barcode suffix reply"},
        {CMD_LIGHT, "Light", "Light reply"},
        {CMD_WORKING_MODE, "Working mode", "Working mode reply"},
        {CMD_SWITCH, "Switch", "Switch reply"},
        {CMD_HORN, "Horn", "Horn reply"},
        {CMD_CLOUD, "Cloud", "Cloud reply"},
        {CMD_WIEGAND_TIMING, "Wiegand timing", "Wiegand timing reply"},
        {CMD_SERIAL_PARAMS, "Serial parameters", "Serial parameters reply"},
        {CMD_RESET_INTERVAL, "Reset interval", "Reset interval reply"},
        {CMD_QR_CODE, "QR code", "QR code reply"},
        {CMD_CARD_AFFIX, "Card prefix and suffix", "Card prefix and suffix reply"},
        {CMD_TOTAL_RECORDS, "Total records", "Total records reply"},
        {CMD_READ_RECORD, "Read record", "Read record reply"},
        {CMD_KEEP_RECORD, "Keep a record", "Keep a record reply"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FrameCommandName(FrameChannel::Serial, row.code), row.name);
        EXPECT_EQ(FrameCommandName(FrameChannel::Serial, std::uint8_t(row.code + 1)), row.reply);
    }
    // Codes no command uses stay unnamed.
    for (const std::uint8_t code : {0x00, 0x03, 0x1A, 0x1F, 0x20, 0x34, 0xFF}) {
        EXPECT_EQ(FrameCommandName(FrameChannel::Serial, code), "") << int(code);
    }
}

TEST(FrameLogNames, EveryUdpCommand) {
    struct Row {
        UdpCmd code;
        const char* name;
    };
    const Row rows[] = {
        {UDP_CMD_VERSION, "Version"},
        {UDP_CMD_DISCOVER, "Discovery"},
        {UDP_CMD_OUTPUT_FORMAT_ACK, "Output format ack"},
        {UDP_CMD_CARD_INPUT_FORMAT_ACK, "Card input format ack"},
        {UDP_CMD_ENTER_LINE_FEED_ACK, "Enter/Line feed ack"},
        {UDP_CMD_BARCODE_PREFIX_ACK, "Barcode prefix ack"},
        {UDP_CMD_BARCODE_SUFFIX_ACK, "Barcode suffix ack"},
        {UDP_CMD_LIGHT_ACK, "Light ack"},
        {UDP_CMD_WORKING_MODE_ACK, "Working mode ack"},
        {UDP_CMD_SWITCH_ACK, "Switch ack"},
        {UDP_CMD_HORN_ACK, "Horn ack"},
        {UDP_CMD_CLOUD_ACK, "Cloud ack"},
        {UDP_CMD_1A_ACK, "Command 0x1A ack"},
        {UDP_CMD_WIEGAND_ACK, "Wiegand timing ack"},
        {UDP_CMD_PARAMS, "Parameter record"},
        {UDP_CMD_SET_NET, "Set network"},
        {UDP_CMD_SET_NET_ACK, "Set network ack"},
        {UDP_CMD_SERIAL_PARAMS_ACK, "Serial parameters ack"},
        {UDP_CMD_RESET_INTERVAL_ACK, "Reset interval ack"},
        {UDP_CMD_QR_CODE_ACK, "QR code ack"},
        {UDP_CMD_CARD_AFFIX_ACK, "Card prefix and suffix ack"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FrameCommandName(FrameChannel::Udp, row.code), row.name);
    }
    for (const std::uint8_t code : {0x00, 0x02, 0x06, 0x2F, 0x31, 0xFF}) {
        EXPECT_EQ(FrameCommandName(FrameChannel::Udp, code), "") << int(code);
    }
}

} // namespace
