// The network set-up command's two datagrams, built from a reader's record and the keys named,
// and the checks that refuse a change before anything is sent.
#include "net/NetSetCommand.h"
#include "net/NetSettings.h"
#include "tests/support/HexBytes.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

template <std::size_t N> Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

NetRequest Request(std::initializer_list<const char*> settings) {
    NetRequest request;
    for (const char* setting : settings) {
        const auto refusal = ParseNetSetting(request, setting);
        EXPECT_FALSE(refusal) << setting << ": " << refusal.value_or("");
    }
    return request;
}

// A reader's record as it announced it: Automatic acquisition, 10.0.0.9/255.0.0.0, gateway
// 10.0.0.1, DNS 8.8.8.8 and 1.1.1.1, server "srv" port 8080, HTTP server CGI.
NetBlock ReaderRecord() {
    NetBlock b;
    b.netMode = 1;
    b.ipAddr = 0x0A000009;
    b.subnetMask = 0xFF000000;
    b.gateway = 0x0A000001;
    b.dns1 = 0x08080808;
    b.dns2 = 0x01010101;
    b.serverAddr = {'s', 'r', 'v'};
    b.serverPort = 8080;
    b.httpServer = 4;
    return b;
}

} // namespace

TEST(NetSetCommand, TheDialogsWorkedExampleWithTheRestFromTheReadersRecord) {
    const NetRequest request = Request(
        {"network_mode=Fixed IP", "ip=192.168.0.1", "mask=255.255.255.0", "gateway=192.168.0.254"});
    const NetSetDatagrams command =
        BuildNetSetCommand("A", MergeNetRequest(ReaderRecord(), request));

    EXPECT_EQ(ToBytes(command.header), HexBytes("05 20 64 00"));
    Bytes block = HexBytes("41 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00" // name A
                           " 00 00 00 00"                                    // Fixed IP
                           " 01 00 A8 C0"                                    // 192.168.0.1
                           " 00 FF FF FF"                                    // 255.255.255.0
                           " FE 00 A8 C0"                                    // 192.168.0.254
                           " 08 08 08 08 01 01 01 01" // DNS kept from the record
                           " 73 72 76");              // "srv", kept
    block.resize(88, 0x00);
    block = Concat(block, HexBytes("90 1F 00 00 04 00 00 00")); // 8080 and CGI, kept
    EXPECT_EQ(ToBytes(command.block), block);
}

TEST(NetSetCommand, ANameThatFillsItsFieldGoesBackWithoutATerminator) {
    const NetSetDatagrams command = BuildNetSetCommand("ABCDEFGHIJKLMNOP", NetBlock{});
    EXPECT_EQ(Bytes(command.block.begin(), command.block.begin() + 17),
              HexBytes("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 00"));
}

TEST(NetBlock, EncodesAtItsPlaceInBothRecords) {
    Bytes expected = HexBytes("01 00 00 00 09 00 00 0A 00 00 00 FF 01 00 00 0A"
                              " 08 08 08 08 01 01 01 01 73 72 76");
    expected.resize(72, 0x00);
    expected = Concat(expected, HexBytes("90 1F 00 00 04 00 00 00"));
    EXPECT_EQ(ToBytes(ReaderRecord().encode()), expected);
    EXPECT_EQ(NetBlock::DecodeAt(Concat(Bytes(16, 0xEE), expected), 16), ReaderRecord());
}

TEST(NetSettings, SettingsThatAreRefusedBeforeAnythingIsSent) {
    struct Row {
        std::vector<const char*> settings;
        bool loopback;
        const char* message; // empty: accepted
    };
    const Row rows[] = {
        {{"ip=192.168.0.300"}, false, "ip: \"192.168.0.300\" is not a dotted address a.b.c.d"},
        {{"ip=10.1.2"}, false, "ip: \"10.1.2\" is not a dotted address a.b.c.d"},
        {{"dns1=8.8.8.8 "}, false, "dns1: \"8.8.8.8 \" is not a dotted address a.b.c.d"},
        {{"mask=255.0.255.0"}, false, "mask: the mask 255.0.255.0 is not contiguous"},
        {{"mask=0.0.0.0"}, false, "mask: the mask 0.0.0.0 leaves no network"},
        {{"ip=10.0.0.0"}, false, "ip: 10.0.0.0 is the network address of 10.0.0.0/8"},
        {{"ip=10.255.255.255"}, false, "ip: 10.255.255.255 is the broadcast address of 10.0.0.0/8"},
        {{"ip=0.0.0.0"}, false, "ip: 0.0.0.0 is no address"},
        {{"ip=224.0.0.5", "mask=255.255.255.0"}, false, "ip: 224.0.0.5 is a multicast address"},
        {{"ip=127.0.0.3"},
         false,
         "ip: 127.0.0.3 is a loopback address, and the reader is not heard on loopback"},
        {{"ip=127.0.0.3", "gateway=127.0.0.1"}, true, ""},
        {{"gateway=192.168.0.1"}, false, "gateway: the gateway 192.168.0.1 is outside 10.0.0.0/8"},
        {{"ip=192.168.0.7", "mask=255.255.255.0"},
         false,
         "ip: the gateway 10.0.0.1 is outside 192.168.0.0/24"},
        {{"ip=192.168.0.7", "mask=255.255.255.0", "gateway=0.0.0.0"}, false, ""},
        {{"server_port=0"}, false, "server_port: \"0\" is not a port from 1 to 65535"},
        {{"server_port=65536"}, false, "server_port: \"65536\" is not a port from 1 to 65535"},
        {{"server_port=65535"}, false, ""},
        {{"server_address="
          "a23456789012345678901234567890123456789012345678"},
         false,
         "server_address: longer than 47 bytes"},
        {{"network_mode=fixed ip"},
         false,
         "network_mode: \"fixed ip\" is not one of \"Fixed IP\", \"Automatic acquisition\""},
        {{"http_server=C#"}, false, ""},
        {{"colour=red"}, false, "colour: not a network key"},
        {{"ip"}, false, "\"ip\": KEY=VALUE expected"},
        {{"dns2=1.1.1.1", "dns2=1.0.0.1"}, false, "dns2: given twice"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings.front());
        NetRequest request;
        std::string message;
        for (const char* setting : row.settings) {
            if (const auto refusal = ParseNetSetting(request, setting)) {
                message = *refusal;
                break;
            }
        }
        if (message.empty()) {
            const auto refusal =
                CheckNetBlock(MergeNetRequest(ReaderRecord(), request), request, row.loopback);
            message = refusal ? refusal->message : "";
        }
        EXPECT_EQ(message, row.message);
    }
}

TEST(NetSettings, CsvRowsWithQuotesAndKeptKeys) {
    std::string error;
    const auto table = ParseCsv("name,ip,server_address,network_mode\r\n"
                                "Door-1,127.0.0.3,\"a,b \"\"c\"\"\",\r\n"
                                "\n"
                                "Door-2,,,Automatic acquisition\n",
                                &error);
    ASSERT_TRUE(table) << error;
    const auto rows = ReadNetCsv(*table, &error);
    ASSERT_TRUE(rows) << error;
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].name, "Door-1");
    EXPECT_EQ((*rows)[0].line, 2);
    EXPECT_EQ((*rows)[0].request.values.ipAddr, 0x7F000003u);
    EXPECT_EQ(NetValueText((*rows)[0].request.values, NetKey::ServerAddress), "a,b \"c\"");
    EXPECT_FALSE((*rows)[0].request.Has(NetKey::NetworkMode));
    EXPECT_EQ((*rows)[1].line, 4);
    EXPECT_FALSE((*rows)[1].request.Has(NetKey::Ip));
    EXPECT_EQ((*rows)[1].request.values.netMode, 1);

    struct Bad {
        const char* text;
        const char* error;
    };
    const Bad bad[] = {
        {"ip,name\n127.0.0.3,A\n", "line 1: the first column is \"name\" or \"address\""},
        {"name,ip,ip\n", "line 1: ip given twice"},
        {"name,colour\n", "line 1: \"colour\" is not a network key"},
        {"name,ip\nA\n", "line 2: 1 columns, the header has 2"},
        {"address,ip\nA,127.0.0.3\n", "line 2: address: \"A\" is not a dotted address a.b.c.d"},
        {"name,ip\nA,1.2.3\n", "line 2: ip: \"1.2.3\" is not a dotted address a.b.c.d"},
        {"name,server_address\nA,\"open\n", "line 2: a quote is not closed"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.text);
        std::string why;
        const auto t = ParseCsv(b.text, &why);
        if (t) {
            EXPECT_FALSE(ReadNetCsv(*t, &why));
        }
        EXPECT_EQ(why, b.error);
    }
}

TEST(NetSettings, VerifiedOnlyWhenTheReaderIsHeardWithTheNewValue) {
    NetBlock before;
    before.ipAddr = 0x7F000002;
    NetBlock requested;
    requested.ipAddr = 0x7F000003;
    struct Row {
        const char* name;
        NetBlock requested;
        std::optional<NetBlock> after;
        bool confirmed;
        NetOutcome outcome;
    };
    const Row rows[] = {
        {"moved and heard", requested, requested, true, NetOutcome::Verified},
        {"heard moved, confirmation lost", requested, requested, false, NetOutcome::Verified},
        {"confirmed, heard unmoved", requested, before, true, NetOutcome::Mismatch},
        {"confirmed, never heard", requested, std::nullopt, true, NetOutcome::NoReply},
        {"silent, heard unmoved", requested, before, false, NetOutcome::NoReply},
        {"silent, never heard", requested, std::nullopt, false, NetOutcome::NoReply},
        {"asked as it was", before, before, true, NetOutcome::Unchanged},
        {"asked as it was, not heard", before, std::nullopt, false, NetOutcome::Unchanged},
        {"asked as it was, heard other", before, requested, true, NetOutcome::Mismatch},
    };
    // A reader not heard before: nothing it announces proves a value was already there.
    EXPECT_EQ(JudgeNetKey(NetKey::Ip, NetBlock{}, std::nullopt, std::nullopt, true),
              NetOutcome::NoReply);
    EXPECT_EQ(JudgeNetKey(NetKey::Ip, NetBlock{}, std::nullopt, NetBlock{}, false),
              NetOutcome::Verified);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(JudgeNetKey(NetKey::Ip, row.requested, before, row.after, row.confirmed),
                  row.outcome);
    }
}
