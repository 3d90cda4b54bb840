// A reader's network settings as tessaroctl names them: the keys, their values as text, the
// checks that refuse an unsafe change before anything is sent, CSV rows and the verdict on what
// the reader announces afterwards. Plain C++ on the network block.
#pragma once

#include "net/NetBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class NetKey {
    NetworkMode,
    Ip,
    Mask,
    Gateway,
    Dns1,
    Dns2,
    ServerAddress,
    ServerPort,
    HttpServer,
};
inline constexpr std::size_t NET_KEY_COUNT = 9;

// Longest server address: its field keeps a terminating zero.
inline constexpr std::size_t SERVER_ADDRESS_MAX_LEN = DEV_SERVER_ADDR_LEN - 1;

// In block order.
const std::array<NetKey, NET_KEY_COUNT>& NetKeys();
const char* NetKeyName(NetKey key);
std::optional<NetKey> NetKeyByName(std::string_view name);

// "a.b.c.d" with four decimal fields 0 to 255, first field most significant; none otherwise.
std::optional<std::uint32_t> ParseDotted(std::string_view text);
std::string Dotted(std::uint32_t address);

// The keys the user named, with their values; the others are left to the reader.
struct NetRequest {
    NetBlock values;
    std::array<bool, NET_KEY_COUNT> given{};

    bool Has(NetKey key) const { return given[std::size_t(key)]; }
    bool All() const;
};

// Sets one key from its text ("Fixed IP", "192.168.0.1", "8080"); the refusal's text otherwise.
std::optional<std::string> SetNetValue(NetRequest& request, NetKey key, std::string_view text);
// "KEY=VALUE"; the refusal's text otherwise (the key named).
std::optional<std::string> ParseNetSetting(NetRequest& request, std::string_view setting);

// A key's value as text: list items as the dialog shows them, a list position no item has as
// its number, addresses dotted.
std::string NetValueText(const NetBlock& block, NetKey key);
// A list key whose position no item has.
bool NetValueUnmapped(const NetBlock& block, NetKey key);
bool NetValueEqual(const NetBlock& a, const NetBlock& b, NetKey key);

// The named keys over the reader's own values.
NetBlock MergeNetRequest(const NetBlock& reader, const NetRequest& request);

struct NetRefusal {
    NetKey key;
    std::string message; // begins with the key's name
};

// The checks on the block to send; readerOnLoopback: the reader is heard at a 127.x address.
std::optional<NetRefusal> CheckNetBlock(const NetBlock& block, const NetRequest& request,
                                        bool readerOnLoopback);

// CSV: a header row, then one row per reader; quoted fields may hold commas and doubled quotes.
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lines; // each row's line in the file
};
std::optional<CsvTable> ParseCsv(std::string_view text, std::string* error);

// A row of the network CSV: the reader (by name or by address) and what to set on it.
struct NetCsvRow {
    int line = 0;
    std::string name;    // when the file names readers
    std::string address; // when it addresses them
    NetRequest request;
};
// First column "name" or "address", then keys; an empty cell leaves that key to the reader.
std::optional<std::vector<NetCsvRow>> ReadNetCsv(const CsvTable& table, std::string* error);

enum class NetOutcome { Unchanged, Verified, Mismatch, NoReply };
const char* NetOutcomeName(NetOutcome outcome);

// One key's verdict. before: the reader's record before the command, none for a reader not
// heard (nothing is then "unchanged"); after: what it announced once the command had gone, if it
// was heard; confirmed: it answered the command.
NetOutcome JudgeNetKey(NetKey key, const NetBlock& requested, const std::optional<NetBlock>& before,
                       const std::optional<NetBlock>& after, bool confirmed);
