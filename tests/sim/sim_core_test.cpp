// The simulated reader's protocol handling against hand-written bytes.
#include "sim/FrameParser.h"
#include "sim/ReaderSim.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::ReaderSettings;
using sim::SerialInput;
using Kind = SerialInput::Kind;

Bytes Hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// ---- frame parser ----

struct ParseRow {
    const char* name;
    std::vector<std::string> pieces; // fed one after another
    std::vector<std::pair<Kind, std::string>> expected;
};

TEST(FrameParser, SplitsFramesAndText) {
    const ParseRow rows[] = {
        {"good frame", {"05 06 05 12 02"}, {{Kind::Frame, "05 06 05 12 02"}}},
        {"bad checksum dropped, next frame kept",
         {"05 06 05 13 02 05 06 05 12 02"},
         {{Kind::BadChecksum, "05 06 05 13 02"}, {Kind::Frame, "05 06 05 12 02"}}},
        {"frame in pieces", {"05", "06 05", "12 02"}, {{Kind::Frame, "05 06 05 12 02"}}},
        {"CR LF inside a frame is payload",
         {"05 0C 07 31 02 0D 0A"},
         {{Kind::Frame, "05 0C 07 31 02 0D 0A"}}},
        {"text up to its CR LF", {"01 02 03 04 00 0D 0A"}, {{Kind::Echo, "01 02 03 04 00 0D 0A"}}},
        {"text in pieces keeps a 05", {"01 05", "0D", "0A"}, {{Kind::Echo, "01 05 0D 0A"}}},
        {"text then frame",
         {"41 0D 0A 05 01 04 0A"},
         {{Kind::Echo, "41 0D 0A"}, {Kind::Frame, "05 01 04 0A"}}},
        {"length below the header is not a frame",
         {"05 02 03 0D 0A"},
         {{Kind::Echo, "05 02 03 0D 0A"}}},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim::FrameParser parser;
        std::vector<SerialInput> got;
        for (const std::string& piece : row.pieces) {
            for (auto& input : parser.Feed(Hex(piece))) {
                got.push_back(std::move(input));
            }
        }
        ASSERT_EQ(got.size(), row.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].kind, row.expected[i].first);
            EXPECT_EQ(got[i].bytes, Hex(row.expected[i].second));
        }
        EXPECT_EQ(parser.Pending(), 0u);
    }
}

TEST(FrameParser, HoldsPartialInputAndGivesUpOnEndlessText) {
    sim::FrameParser parser;
    EXPECT_TRUE(parser.Feed(Hex("05 26 0C E7 80")).empty());
    EXPECT_EQ(parser.Pending(), 5u);
    parser.Reset();
    EXPECT_EQ(parser.Pending(), 0u);

    const Bytes text(sim::FrameParser::MAX_TEXT_LEN + 1, 0x41);
    const auto got = parser.Feed(text);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, Kind::Discarded);
    EXPECT_EQ(parser.Pending(), 0u);
}

// ---- serial commands ----

sim::Outcome Serial(sim::ReaderSim& reader, const std::string& frame) {
    sim::FrameParser parser;
    const auto inputs = parser.Feed(Hex(frame));
    EXPECT_EQ(inputs.size(), 1u);
    return reader.HandleSerial(inputs.at(0));
}

Bytes CloudFrame() {
    // Provider 1, server 10.0.0.1, product name "pn", the rest empty.
    Bytes frame = Hex("05 18 CC D3 01 00 00 00 01 00 00 0A 70 6E");
    frame.resize(4 + 200, 0);
    return frame;
}

struct SetRow {
    const char* frame;
    const char* reply;
    std::function<void(ReaderSettings&)> change;
};

TEST(ReaderSimSerial, AppliesEverySettingAndAnswersShortly) {
    const SetRow rows[] = {
        {"05 06 05 12 02", "05 07 06 29 0D 0A", [](auto& s) { s.outputFormat = 2; }},
        {"05 08 05 15 03", "05 09 06 2B 0D 0A", [](auto& s) { s.cardInputFormat = 3; }},
        {"05 0A 06 16 00 01", "05 0B 06 2D 0D 0A",
         [](auto& s) {
             s.enterKey = 0;
             s.lineFeed = 1;
         }},
        {"05 0C 07 9D 02 41 42", "05 0D 06 2F 0D 0A",
         [](auto& s) {
             s.barcodePrefix = {0x41, 0x42};
         }},
        {"05 0E 07 33 02 0D 0A", "05 0F 06 31 0D 0A",
         [](auto& s) {
             s.barcodeSuffix = {0x0D, 0x0A};
         }},
        {"05 10 05 1C 02", "05 11 06 33 0D 0A", [](auto& s) { s.light = 2; }},
        {"05 12 05 1E 02", "05 13 06 35 0D 0A", [](auto& s) { s.workingMode = 2; }},
        {"05 14 05 1F 01", "05 15 06 37 0D 0A", [](auto& s) { s.hiddenSwitch = 1; }},
        {"05 16 05 21 01", "05 17 06 39 0D 0A", [](auto& s) { s.horn = 1; }},
        {"05 1C 0D E2 E8 03 00 00 C8 00 00 00 01", "05 1D 06 3F 0D 0A",
         [](auto& s) {
             s.highPulse = 1000;
             s.lowPulse = 200;
             s.wgOutputOrder = 1;
         }},
        {"05 26 0C 04 00 C2 01 00 07 02 00 01", "05 27 06 49 0D 0A",
         [](auto& s) {
             s.baudRate = 115200;
             s.dataBits = 7;
             s.stopBits = 2;
             s.parity = 0;
             s.qrOutputFormat = 1;
         }},
        {"05 28 05 34 02", "05 29 06 4B 0D 0A", [](auto& s) { s.resetInterval = 2; }},
        {"05 2A 06 3C 02 05", "05 2B 06 4D 0D 0A",
         [](auto& s) {
             s.cardNumberFormat = 2;
             s.startBit = 5;
         }},
        {"05 2C 09 C0 01 02 41 42 00", "05 2D 06 4F 0D 0A",
         [](auto& s) {
             s.serialOutputFormat = 1;
             s.cardPrefix = {0x41, 0x42};
             s.cardSuffix = {};
         }},
    };
    for (const SetRow& row : rows) {
        SCOPED_TRACE(row.frame);
        sim::ReaderSim reader({ReaderSettings{}});
        ReaderSettings expected;
        row.change(expected);
        const auto out = Serial(reader, row.frame);
        EXPECT_EQ(out.serialReply, Hex(row.reply));
        EXPECT_TRUE(out.datagrams.empty()); // UDP confirmations are off by default
        EXPECT_EQ(reader.Reader(0), expected);
    }
}

TEST(ReaderSimSerial, AppliesTheCloudBlock) {
    sim::ReaderSim reader({ReaderSettings{}});
    sim::FrameParser parser;
    const auto inputs = parser.Feed(CloudFrame());
    ASSERT_EQ(inputs.size(), 1u);
    ASSERT_EQ(inputs[0].kind, Kind::Frame);
    EXPECT_EQ(reader.HandleSerial(inputs[0]).serialReply, Hex("05 19 06 3B 0D 0A"));
    EXPECT_EQ(reader.Reader(0).cloud.provider, 1);
    EXPECT_EQ(reader.Reader(0).cloud.serverAddr, 0x0A000001u);
    EXPECT_EQ(reader.Reader(0).cloud.texts[0], "pn");
    EXPECT_EQ(reader.Reader(0).cloud.texts[1], "");
}

TEST(ReaderSimSerial, IgnoresWhatItCannotApply) {
    const char* const frames[] = {
        "05 06 04 0F",          // output format without its byte
        "05 1A 05 24 00",       // a code this reader does not know
        "05 2C 07 7F 01 05 41", // card prefix length runs past the payload
        "05 0C 06 5B 03 41",    // barcode prefix length runs past the payload
    };
    for (const char* frame : frames) {
        SCOPED_TRACE(frame);
        sim::ReaderSim reader({ReaderSettings{}});
        const auto out = Serial(reader, frame);
        EXPECT_TRUE(out.serialReply.empty());
        EXPECT_EQ(reader.Reader(0), ReaderSettings{});
    }
}

TEST(ReaderSimSerial, DropsABadChecksumAndEchoesText) {
    sim::ReaderSim reader({ReaderSettings{}});
    EXPECT_TRUE(Serial(reader, "05 06 05 13 02").serialReply.empty());
    EXPECT_EQ(reader.Reader(0), ReaderSettings{});
    EXPECT_EQ(Serial(reader, "01 02 03 04 00 00 0D 0A").serialReply,
              Hex("01 02 03 04 00 00 0D 0A"));
}

TEST(ReaderSimSerial, ParameterReplyOfAKnownSettingsSet) {
    ReaderSettings s;
    s.outputFormat = 2;
    s.cardInputFormat = 1;
    s.enterKey = 0;
    s.lineFeed = 1;
    s.baudRate = 115200;
    s.dataBits = 7;
    s.stopBits = 2;
    s.parity = 0;
    s.qrOutputFormat = 1;
    s.resetInterval = 2;
    s.workingMode = 1;
    s.horn = 1;
    s.light = 2;
    s.barcodePrefix = {0x41, 0x42};
    s.barcodeSuffix = {0x0D, 0x0A};
    s.cardPrefix = {0x02};
    s.cardSuffix = {0x03};
    s.highPulse = 1000;
    s.lowPulse = 200;
    s.wgOutputOrder = 1;
    s.cardNumberFormat = 2;
    s.startBit = 5;

    // Frame offsets: the record starts at 4.
    Bytes expected(182, 0);
    const std::pair<std::size_t, std::uint8_t> bytes[] = {
        {0, 0x05},   {1, 0x02},   {2, 0xB6},   {3, 0x0B},  // header; the sum counts the CR LF
        {4, 0x02},   {5, 0x01},   {6, 0x00},   {7, 0x01},  // formats, enter, line feed
        {8, 0x00},   {9, 0xC2},   {10, 0x01},  {11, 0x00}, // 115200
        {12, 0x07},  {13, 0x02},  {14, 0x00},  {15, 0x01}, // data, stop, parity, QR format
        {16, 0x02},  {17, 0x01},  {18, 0x01},  {19, 0x02}, // reset, mode, horn, light
        {20, 0x02},  {24, 0x41},  {25, 0x42},              // barcode prefix
        {56, 0x02},  {60, 0x0D},  {61, 0x0A},              // barcode suffix
        {92, 0x01},  {96, 0x02},                           // card prefix
        {128, 0x01}, {132, 0x03},                          // card suffix
        {164, 0xE8}, {165, 0x03}, {168, 0xC8},             // high 1000, low 200
        {172, 0x01}, {173, 0x02}, {174, 0x05},             // order, number format, start bit
        {180, 0x0D}, {181, 0x0A},
    };
    for (const auto& [offset, value] : bytes) {
        expected[offset] = value;
    }
    sim::ReaderSim reader({s});
    EXPECT_EQ(Serial(reader, "05 01 04 0A").serialReply, expected);
}

TEST(ReaderSimSerial, KeepsRecordsAndReadsThemBack) {
    sim::ReaderSim reader({ReaderSettings{}});
    EXPECT_EQ(Serial(reader, "05 2E 04 37").serialReply, Hex("05 2F 0A 55 00 00 00 00 0D 0A"));

    Bytes chunk = Hex("05 32 A4 AC 68 69"); // "hi", zero-padded to 160 bytes
    chunk.resize(4 + 160, 0);
    sim::FrameParser parser;
    const auto inputs = parser.Feed(chunk);
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(reader.HandleSerial(inputs[0]).serialReply, Hex("05 33 06 55 0D 0A"));

    EXPECT_EQ(Serial(reader, "05 2E 04 37").serialReply, Hex("05 2F 0A 56 01 00 00 00 0D 0A"));
    EXPECT_EQ(Serial(reader, "05 30 04 39").serialReply, Hex("05 31 08 26 68 69 0D 0A"));
}

TEST(ReaderSimSerial, ConfirmsOverUdpWhenAsked) {
    sim::ReaderSim reader({ReaderSettings{}});
    reader.SetUdpConfirm(true);
    auto out = Serial(reader, "05 12 05 1E 02");
    ASSERT_EQ(out.datagrams.size(), 1u);
    EXPECT_EQ(out.datagrams[0].to, sim::OutDatagram::To::Target);
    // Length counts data + 4; the checksum covers 5 bytes: 02 and four zeros past the end.
    EXPECT_EQ(out.datagrams[0].bytes, Hex("05 13 05 FD 02"));

    out = Serial(reader, "05 26 0C 04 00 C2 01 00 07 02 00 01");
    ASSERT_EQ(out.datagrams.size(), 1u);
    EXPECT_EQ(out.datagrams[0].bytes, Hex("05 27 0C 32 00 C2 01 00 07 02 00 01"));

    out = Serial(reader, "05 2A 06 3C 02 05");
    ASSERT_EQ(out.datagrams.size(), 1u);
    EXPECT_EQ(out.datagrams[0].bytes, Hex("05 2B 04 FF"));

    EXPECT_TRUE(Serial(reader, "05 01 04 0A").datagrams.empty()); // a query is not a setting
}

// ---- faults ----

struct FaultRow {
    const char* name;
    sim::SerialFaults faults;
    std::vector<std::pair<std::string, std::string>> exchange; // frame, reply ("" for none)
    std::function<void(ReaderSettings&)> change;
    int delayMs = 0;
};

sim::SerialFaults Silent(std::uint8_t code) {
    sim::SerialFaults f;
    f.silent = {code};
    return f;
}

sim::SerialFaults Stale(std::uint8_t code) {
    sim::SerialFaults f;
    f.stale = {code};
    return f;
}

sim::SerialFaults Delayed(int ms) {
    sim::SerialFaults f;
    f.replyDelayMs = ms;
    return f;
}

sim::SerialFaults StopAfter(std::size_t frames) {
    sim::SerialFaults f;
    f.stopAfter = frames;
    return f;
}

sim::SerialFaults ShortParamReply() {
    sim::SerialFaults f;
    f.paramReply = sim::SerialFaults::ParamReply::Short;
    return f;
}

TEST(ReaderSimFaults, EachFaultAsAFieldReaderShowsIt) {
    const auto none = [](ReaderSettings&) {};
    const FaultRow rows[] = {
        {"silent horn: not answered, not applied",
         Silent(0x16),
         {{"05 16 05 21 01", ""}, {"05 10 05 1C 02", "05 11 06 33 0D 0A"}},
         [](auto& s) { s.light = 2; }},
        {"silent query", Silent(0x01), {{"05 01 04 0A", ""}}, none},
        {"stale horn: answered, old value kept",
         Stale(0x16),
         {{"05 16 05 21 01", "05 17 06 39 0D 0A"}},
         none},
        {"stale but too short: no reply", Stale(0x16), {{"05 16 04 1F", ""}}, none},
        {"late reply",
         Delayed(250),
         {{"05 10 05 1C 02", "05 11 06 33 0D 0A"}},
         [](auto& s) { s.light = 2; },
         250},
        {"short parameter reply", ShortParamReply(), {{"05 01 04 0A", "05 02 06 24 0D 0A"}}, none},
        {"stops after one frame",
         StopAfter(1),
         {{"05 10 05 1C 02", "05 11 06 33 0D 0A"}, {"05 16 05 21 01", ""}, {"05 01 04 0A", ""}},
         [](auto& s) { s.light = 2; }},
        {"stops at once", StopAfter(0), {{"05 10 05 1C 02", ""}}, none},
    };
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ReaderSim reader({ReaderSettings{}});
        reader.SetFaults(row.faults);
        for (const auto& [frame, reply] : row.exchange) {
            SCOPED_TRACE(frame);
            const auto out = Serial(reader, frame);
            EXPECT_EQ(out.serialReply, Hex(reply));
            EXPECT_EQ(out.delayMs, reply.empty() ? 0 : row.delayMs);
        }
        ReaderSettings expected;
        row.change(expected);
        EXPECT_EQ(reader.Reader(0), expected);
    }
}

TEST(ReaderSimFaults, SerialParametersAsFieldReadersTakeThem) {
    using Fault = sim::SerialFaults::SerialParams;
    // 115200 baud, 7 data bits, 2 stop bits, even parity, QR output hexadecimal.
    const char* const SET_115200_7E2 = "05 26 0C 04 00 C2 01 00 07 02 00 01";
    const char* const SET_OK = "05 27 06 49 0D 0A";
    struct Row {
        const char* name;
        Fault fault;
        const char* reply;
        const char* replyAt; // where the reply goes out, when there is one
        const char* heldAfter;
    };
    const Row rows[] = {
        {"answers, then switches", Fault::Normal, SET_OK, "9600 8N1", "115200 7E2"},
        {"answers, does not switch", Fault::AnswersNoSwitch, SET_OK, "9600 8N1", "9600 8N1"},
        {"switches without answering", Fault::SwitchesNoAnswer, "", "", "115200 7E2"},
        {"ignores it", Fault::Ignores, "", "", "9600 8N1"},
        {"switches before the reply leaves", Fault::SwitchesEarly, SET_OK, "115200 7E2",
         "115200 7E2"},
        {"misreads the speed", Fault::MisreadsSpeed, SET_OK, "9600 8N1", "256000 7E2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ReaderSim reader({ReaderSettings{}});
        sim::SerialFaults faults;
        faults.serialParams = row.fault;
        reader.SetFaults(faults);
        const auto out = Serial(reader, SET_115200_7E2);
        EXPECT_EQ(out.serialReply, Hex(row.reply));
        if (!out.serialReply.empty()) {
            EXPECT_EQ(sim::FramingText(out.replyFraming), row.replyAt);
        }
        EXPECT_EQ(sim::FramingText(sim::FramingOf(reader.Reader(0))), row.heldAfter);
        // Other settings are not touched by the fault.
        EXPECT_EQ(Serial(reader, "05 16 05 21 01").serialReply, Hex("05 17 06 39 0D 0A"));
    }
}

TEST(ReaderSimFaults, GarbledParameterReplyCarriesAStrayByte) {
    sim::ReaderSim plain({ReaderSettings{}});
    const Bytes normal = Serial(plain, "05 01 04 0A").serialReply;
    ASSERT_EQ(normal.size(), 182u);

    sim::ReaderSim reader({ReaderSettings{}});
    sim::SerialFaults faults;
    faults.paramReply = sim::SerialFaults::ParamReply::Garbled;
    reader.SetFaults(faults);
    Bytes garbled = Serial(reader, "05 01 04 0A").serialReply;
    ASSERT_EQ(garbled.size(), 183u);
    EXPECT_EQ(garbled[4], 0xFF);
    EXPECT_EQ(garbled[181], 0x0D); // its end comes a byte late
    EXPECT_EQ(garbled[182], 0x0A);
    garbled.erase(garbled.begin() + 4);
    EXPECT_EQ(garbled, normal);
}

// ---- datagrams ----

ReaderSettings SmallReader() {
    ReaderSettings s;
    s.name = "A";
    s.version = "B";
    s.net.netMode = 0;
    s.net.ipAddr = 0x0A000002; // 10.0.0.2
    s.net.subnetMask = 0xFF000000;
    s.net.gateway = 0x0A000001;
    s.net.dns1 = 0;
    s.net.dns2 = 0;
    s.net.serverAddr = "s";
    s.net.serverPort = 80;
    s.net.httpServer = 1;
    return s;
}

TEST(ReaderSimNet, AnnouncementHeadersAndChecksums) {
    const sim::ReaderSim reader({SmallReader()});

    Bytes version(68, 0);
    version[0] = 0x05;
    version[1] = 0x01;
    version[2] = 0x44; // 64 + 4
    version[3] = 0x7C; // 0xFF - (0x41 + 0x42)
    version[4] = 0x41;
    version[4 + 16] = 0x42;
    EXPECT_EQ(reader.VersionAnnouncement(0), version);

    Bytes discovery = Hex("05 03 64 E4 41");
    discovery.resize(100, 0);
    const std::pair<std::size_t, std::uint8_t> fields[] = {
        {24, 0x02}, {27, 0x0A}, {31, 0xFF}, {32, 0x01}, {35, 0x0A}, // ip, mask, gateway
        {44, 0x73}, {92, 0x50}, {96, 0x01},                         // server, port, HTTP
    };
    for (const auto& [offset, value] : fields) {
        discovery[offset] = value;
    }
    EXPECT_EQ(reader.DiscoveryReply(0), discovery);

    // 568 data bytes: the length byte says 572 & 0xFF = 60, and the checksum covers 60 bytes.
    const Bytes record = reader.ParamRecordDatagram(0);
    ASSERT_EQ(record.size(), 572u);
    EXPECT_EQ(Bytes(record.begin(), record.begin() + 4), Hex("05 1F 3C 76"));
    EXPECT_EQ(record[4 + 4], 0x02);   // ip, last dotted field first
    EXPECT_EQ(record[4 + 408], 0x01); // output format, counted from 1
    EXPECT_EQ(record[4 + 482], 0x14); // high pulse 2000 us in units of 100 us
    EXPECT_EQ(record[4 + 486], 0x04); // low pulse 400 us
    EXPECT_EQ(Bytes(record.begin() + 4 + 491, record.begin() + 4 + 495), Hex("80 25 00 00"));
}

Bytes NetCommandBlock(const char* name) {
    // Name, mode 1, ip 10.0.0.9, server port 8080, HTTP server 2.
    Bytes block(96, 0);
    block[0] = static_cast<std::uint8_t>(name[0]);
    block[16] = 0x01;
    block[20] = 0x09;
    block[23] = 0x0A;
    block[88] = 0x90;
    block[89] = 0x1F;
    block[92] = 0x02;
    return block;
}

TEST(ReaderSimNet, AppliesTheNetworkCommandAndAnswers) {
    sim::ReaderSim reader({SmallReader(), sim::NumberedReader(SmallReader(), 2)});
    EXPECT_TRUE(reader.HandleDatagram(Hex("05 20 64 00"), 7).datagrams.empty());
    const auto out = reader.HandleDatagram(NetCommandBlock("A"), 7);

    EXPECT_EQ(reader.Reader(0).net.netMode, 1);
    EXPECT_EQ(reader.Reader(0).net.ipAddr, 0x0A000009u);
    EXPECT_EQ(reader.Reader(0).net.serverPort, 8080);
    EXPECT_EQ(reader.Reader(0).net.httpServer, 2);
    EXPECT_EQ(reader.Reader(0).net.serverAddr, "");
    EXPECT_EQ(reader.Reader(1), sim::NumberedReader(SmallReader(), 2)); // the other reader
    EXPECT_EQ(out.netChanged, std::optional<std::size_t>(0));
    // The record, the confirmation to the sender, then the announcement after the change.
    ASSERT_EQ(out.datagrams.size(), 3u);
    EXPECT_EQ(out.datagrams[0].to, sim::OutDatagram::To::Target);
    EXPECT_EQ(Bytes(out.datagrams[0].bytes.begin(), out.datagrams[0].bytes.begin() + 2),
              Hex("05 1F"));
    EXPECT_EQ(out.datagrams[1].to, sim::OutDatagram::To::Sender);
    Bytes answer = Hex("05 21 64 F9");
    const Bytes block = NetCommandBlock("A");
    answer.insert(answer.end(), block.begin(), block.end());
    EXPECT_EQ(out.datagrams[1].bytes, answer);
    EXPECT_EQ(out.datagrams[2].to, sim::OutDatagram::To::Target);
    Bytes announce = Hex("05 03 64 F9");
    announce.insert(announce.end(), block.begin(), block.end());
    EXPECT_EQ(out.datagrams[2].bytes, announce);
}

TEST(ReaderSimNet, NetworkFaults) {
    struct Row {
        const char* name;
        sim::NetFaults faults;
        std::size_t datagrams;
        bool changed;
    };
    const Row rows[] = {
        {"no confirmation, no change", {sim::NetFaults::Kind::NoConfirm, 0}, 0, false},
        {"confirmed, old settings kept", {sim::NetFaults::Kind::Unchanged, 0}, 3, false},
        {"announced late", {sim::NetFaults::Kind::None, 1500}, 3, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ReaderSim reader({SmallReader()});
        reader.SetNetFaults(row.faults);
        reader.HandleDatagram(Hex("05 20 64 00"), 7);
        const auto out = reader.HandleDatagram(NetCommandBlock("A"), 7);
        EXPECT_EQ(out.datagrams.size(), row.datagrams);
        EXPECT_EQ(out.netChanged.has_value(), row.changed);
        EXPECT_EQ(reader.Reader(0).net.ipAddr == 0x0A000009u, row.changed);
        EXPECT_EQ(out.announceDelayMs, row.faults.announceDelayMs);
        if (row.datagrams == 3) {
            // The confirmation and the announcement carry what the reader now holds.
            EXPECT_EQ(out.datagrams[1].bytes[4 + 20] == 0x09, row.changed);
            EXPECT_EQ(out.datagrams[2].bytes[4 + 20] == 0x09, row.changed);
        }
    }
}

TEST(ReaderSimNet, IgnoresBlocksThatDoNotPairUp) {
    struct Row {
        const char* name;
        std::vector<std::pair<Bytes, std::uint64_t>> datagrams;
    };
    const Row rows[] = {
        {"block without a header", {{NetCommandBlock("A"), 7}}},
        {"block from another sender", {{Hex("05 20 64 00"), 7}, {NetCommandBlock("A"), 8}}},
        {"block for a reader not played", {{Hex("05 20 64 00"), 7}, {NetCommandBlock("Z"), 7}}},
        {"short block", {{Hex("05 20 64 00"), 7}, {Bytes(95, 0x41), 7}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ReaderSim reader({SmallReader()});
        for (const auto& [bytes, sender] : row.datagrams) {
            EXPECT_TRUE(reader.HandleDatagram(bytes, sender).datagrams.empty());
        }
        EXPECT_EQ(reader.Reader(0), SmallReader());
    }
}

TEST(ReaderSettings, NumberedReadersGetTheirOwnNameAndAddress) {
    ReaderSettings first;
    const ReaderSettings third = sim::NumberedReader(first, 3);
    EXPECT_EQ(third.name, "Reader-3");
    EXPECT_EQ(third.net.ipAddr, 0xC0A80066u); // 192.168.0.102
    first.name = "Gate";
    EXPECT_EQ(sim::NumberedReader(first, 2).name, "Gate-2");
}

} // namespace
