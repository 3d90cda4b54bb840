#include "net/NetSettings.h"

#include "core/ChoiceLists.h"
#include "core/WireText.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::array<NetKey, NET_KEY_COUNT> KEYS = {
    NetKey::NetworkMode,   NetKey::Ip,         NetKey::Mask,
    NetKey::Gateway,       NetKey::Dns1,       NetKey::Dns2,
    NetKey::ServerAddress, NetKey::ServerPort, NetKey::HttpServer};
constexpr const char* NAMES[NET_KEY_COUNT] = {"network_mode",   "ip",          "mask",
                                              "gateway",        "dns1",        "dns2",
                                              "server_address", "server_port", "http_server"};

std::uint32_t* Address(NetBlock& b, NetKey key) {
    switch (key) {
    case NetKey::Ip:
        return &b.ipAddr;
    case NetKey::Mask:
        return &b.subnetMask;
    case NetKey::Gateway:
        return &b.gateway;
    case NetKey::Dns1:
        return &b.dns1;
    case NetKey::Dns2:
        return &b.dns2;
    default:
        return nullptr;
    }
}

std::uint32_t AddressOf(const NetBlock& b, NetKey key) {
    return *Address(const_cast<NetBlock&>(b), key);
}

ChoiceItems Items(NetKey key) {
    return key == NetKey::NetworkMode ? ChoiceItems(NETWORK_MODE_ITEMS)
                                      : ChoiceItems(HTTP_SERVER_ITEMS);
}

std::int32_t& ListValue(NetBlock& b, NetKey key) {
    return key == NetKey::NetworkMode ? b.netMode : b.httpServer;
}

// Built by appending: GCC 12 warns wrongly about "literal" + std::string.
std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted.append(text);
    quoted += '"';
    return quoted;
}

std::string Named(NetKey key, std::string_view rest) {
    return std::string(NetKeyName(key)) + ": " + std::string(rest);
}

std::optional<int> PrefixLength(std::uint32_t mask) {
    const std::uint32_t inverted = ~mask;
    if ((inverted & (inverted + 1)) != 0) {
        return std::nullopt; // ones after a zero
    }
    int ones = 0;
    for (std::uint32_t m = mask; m & 0x80000000u; m <<= 1) {
        ++ones;
    }
    return ones;
}

bool IsLoopback(std::uint32_t a) {
    return (a >> 24) == 127;
}

} // namespace

const std::array<NetKey, NET_KEY_COUNT>& NetKeys() {
    return KEYS;
}

const char* NetKeyName(NetKey key) {
    return NAMES[std::size_t(key)];
}

std::optional<NetKey> NetKeyByName(std::string_view name) {
    for (const NetKey key : KEYS) {
        if (name == NetKeyName(key)) {
            return key;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseDotted(std::string_view text) {
    std::uint32_t address = 0;
    const char* p = text.data();
    const char* const end = text.data() + text.size();
    for (int field = 0; field < 4; ++field) {
        if (field > 0) {
            if (p == end || *p != '.') {
                return std::nullopt;
            }
            ++p;
        }
        const char* const start = p;
        while (p != end && *p >= '0' && *p <= '9' && p - start < 4) {
            ++p;
        }
        unsigned value = 0;
        if (p == start || p - start > 3 || std::from_chars(start, p, value).ec != std::errc() ||
            value > 255) {
            return std::nullopt;
        }
        address = address << 8 | value;
    }
    if (p != end) {
        return std::nullopt;
    }
    return address;
}

std::string Dotted(std::uint32_t a) {
    return std::to_string(a >> 24) + '.' + std::to_string((a >> 16) & 0xFF) + '.' +
           std::to_string((a >> 8) & 0xFF) + '.' + std::to_string(a & 0xFF);
}

bool NetRequest::All() const {
    return std::all_of(given.begin(), given.end(), [](bool g) { return g; });
}

std::optional<std::string> SetNetValue(NetRequest& request, NetKey key, std::string_view text) {
    NetBlock& b = request.values;
    switch (key) {
    case NetKey::NetworkMode:
    case NetKey::HttpServer: {
        const ChoiceItems items = Items(key);
        const auto it = std::find_if(items.begin(), items.end(),
                                     [text](const char* item) { return text == item; });
        if (it == items.end()) {
            std::string list;
            for (const char* item : items) {
                list += list.empty() ? "" : ", ";
                list += Quoted(item);
            }
            return Named(key, Quoted(text) + " is not one of " + list);
        }
        ListValue(b, key) = std::int32_t(it - items.begin());
        break;
    }
    case NetKey::ServerAddress:
        if (text.size() > SERVER_ADDRESS_MAX_LEN) {
            return Named(key, "longer than " + std::to_string(SERVER_ADDRESS_MAX_LEN) + " bytes");
        }
        if (text.find('\0') != std::string_view::npos) {
            return Named(key, "holds a zero byte");
        }
        SetFieldText(b.serverAddr, text);
        break;
    case NetKey::ServerPort: {
        int port = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
        if (ec != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
            return Named(key, Quoted(text) + " is not a port from 1 to 65535");
        }
        b.serverPort = port;
        break;
    }
    default: {
        const auto address = ParseDotted(text);
        if (!address) {
            return Named(key, Quoted(text) + " is not a dotted address a.b.c.d");
        }
        *Address(b, key) = *address;
        break;
    }
    }
    request.given[std::size_t(key)] = true;
    return std::nullopt;
}

std::optional<std::string> ParseNetSetting(NetRequest& request, std::string_view setting) {
    const auto equals = setting.find('=');
    if (equals == std::string_view::npos) {
        return Quoted(setting) + ": KEY=VALUE expected";
    }
    const std::string_view name = setting.substr(0, equals);
    const auto key = NetKeyByName(name);
    if (!key) {
        return std::string(name) + ": not a network key";
    }
    if (request.Has(*key)) {
        return Named(*key, "given twice");
    }
    return SetNetValue(request, *key, setting.substr(equals + 1));
}

bool NetValueUnmapped(const NetBlock& block, NetKey key) {
    if (key != NetKey::NetworkMode && key != NetKey::HttpServer) {
        return false;
    }
    const std::int32_t value = ListValue(const_cast<NetBlock&>(block), key);
    return value < 0 || std::size_t(value) >= Items(key).size();
}

std::string NetValueText(const NetBlock& block, NetKey key) {
    switch (key) {
    case NetKey::NetworkMode:
    case NetKey::HttpServer: {
        const std::int32_t value = ListValue(const_cast<NetBlock&>(block), key);
        return NetValueUnmapped(block, key) ? std::to_string(value)
                                            : std::string(Items(key)[std::size_t(value)]);
    }
    case NetKey::ServerAddress:
        return std::string(FieldText(block.serverAddr));
    case NetKey::ServerPort:
        return std::to_string(block.serverPort);
    default:
        return Dotted(AddressOf(block, key));
    }
}

bool NetValueEqual(const NetBlock& a, const NetBlock& b, NetKey key) {
    if (key == NetKey::ServerAddress) {
        return FieldText(a.serverAddr) == FieldText(b.serverAddr);
    }
    return NetValueText(a, key) == NetValueText(b, key);
}

NetBlock MergeNetRequest(const NetBlock& reader, const NetRequest& request) {
    NetBlock b = reader;
    const NetBlock& v = request.values;
    for (const NetKey key : KEYS) {
        if (!request.Has(key)) {
            continue;
        }
        switch (key) {
        case NetKey::NetworkMode:
            b.netMode = v.netMode;
            break;
        case NetKey::HttpServer:
            b.httpServer = v.httpServer;
            break;
        case NetKey::ServerAddress:
            b.serverAddr = v.serverAddr;
            break;
        case NetKey::ServerPort:
            b.serverPort = v.serverPort;
            break;
        default:
            *Address(b, key) = AddressOf(v, key);
            break;
        }
    }
    return b;
}

std::optional<NetRefusal> CheckNetBlock(const NetBlock& block, const NetRequest& request,
                                        bool readerOnLoopback) {
    // The address, mask and gateway are judged together whenever one of them changes, and the
    // refusal names the one the user gave.
    const bool addressing =
        request.Has(NetKey::Ip) || request.Has(NetKey::Mask) || request.Has(NetKey::Gateway);
    const auto blame = [&request](NetKey preferred) {
        for (const NetKey key : {preferred, NetKey::Ip, NetKey::Mask, NetKey::Gateway}) {
            if (request.Has(key)) {
                return key;
            }
        }
        return preferred;
    };
    if (request.Has(NetKey::ServerPort) && (block.serverPort < 1 || block.serverPort > 65535)) {
        return NetRefusal{NetKey::ServerPort, Named(NetKey::ServerPort, "not from 1 to 65535")};
    }
    if (!addressing) {
        return std::nullopt;
    }
    const std::uint32_t ip = block.ipAddr;
    const std::uint32_t mask = block.subnetMask;
    const auto prefix = PrefixLength(mask);
    if (!prefix || *prefix == 0) {
        const NetKey key = blame(NetKey::Mask);
        return NetRefusal{key,
                          Named(key, "the mask " + Dotted(mask) +
                                         (prefix ? " leaves no network" : " is not contiguous"))};
    }
    const NetKey ipKey = blame(NetKey::Ip);
    const auto refuse = [&](const std::string& why) {
        return NetRefusal{ipKey, Named(ipKey, Dotted(ip) + " " + why)};
    };
    if (ip == 0) {
        return refuse("is no address");
    }
    if ((ip >> 28) == 0xE) {
        return refuse("is a multicast address");
    }
    if (ip == 0xFFFFFFFFu) {
        return refuse("is the broadcast address");
    }
    if (IsLoopback(ip) && !readerOnLoopback) {
        return refuse("is a loopback address, and the reader is not heard on loopback");
    }
    // A /31 or /32 has no network or broadcast address of its own.
    if (*prefix <= 30) {
        const std::string subnet = Dotted(ip & mask) + "/" + std::to_string(*prefix);
        if ((ip & ~mask) == 0) {
            return refuse("is the network address of " + subnet);
        }
        if ((ip & ~mask) == ~mask) {
            return refuse("is the broadcast address of " + subnet);
        }
    }
    if (block.gateway != 0 && (block.gateway & mask) != (ip & mask)) {
        const NetKey key = blame(NetKey::Gateway);
        return NetRefusal{key, Named(key, "the gateway " + Dotted(block.gateway) + " is outside " +
                                              Dotted(ip & mask) + "/" + std::to_string(*prefix))};
    }
    return std::nullopt;
}

std::optional<CsvTable> ParseCsv(std::string_view text, std::string* error) {
    CsvTable table;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int rowLine = 1;
    const auto endRow = [&] {
        row.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
        const bool blank = row.size() == 1 && row[0].empty();
        if (!blank) {
            if (table.header.empty()) {
                table.header = std::move(row);
            } else {
                table.rows.push_back(std::move(row));
                table.lines.push_back(rowLine);
            }
        }
        row.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n';
                field += c;
            }
            continue;
        }
        if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
        } else if (c == '\n') {
            endRow();
            rowLine = ++line;
        } else if (c != '\r') {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        *error = "line " + std::to_string(rowLine) + ": a quote is not closed";
        return std::nullopt;
    }
    if (fieldStarted || !row.empty()) {
        endRow();
    }
    if (table.header.empty()) {
        *error = "no header row";
        return std::nullopt;
    }
    return table;
}

std::optional<std::vector<NetCsvRow>> ReadNetCsv(const CsvTable& table, std::string* error) {
    const auto& header = table.header;
    if (header.empty() || (header[0] != "name" && header[0] != "address")) {
        *error = "line 1: the first column is \"name\" or \"address\"";
        return std::nullopt;
    }
    const bool byName = header[0] == "name";
    std::vector<NetKey> columns;
    for (std::size_t c = 1; c < header.size(); ++c) {
        const auto key = NetKeyByName(header[c]);
        if (!key) {
            *error = "line 1: \"" + header[c] + "\" is not a network key";
            return std::nullopt;
        }
        if (std::find(columns.begin(), columns.end(), *key) != columns.end()) {
            *error = "line 1: " + header[c] + " given twice";
            return std::nullopt;
        }
        columns.push_back(*key);
    }
    std::vector<NetCsvRow> rows;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& cells = table.rows[r];
        const std::string at = "line " + std::to_string(table.lines[r]) + ": ";
        if (cells.size() != header.size()) {
            *error = at + std::to_string(cells.size()) + " columns, the header has " +
                     std::to_string(header.size());
            return std::nullopt;
        }
        NetCsvRow row;
        row.line = table.lines[r];
        if (cells[0].empty()) {
            *error = at + "no " + header[0];
            return std::nullopt;
        }
        (byName ? row.name : row.address) = cells[0];
        if (!byName && !ParseDotted(cells[0])) {
            *error = at + "address: \"" + cells[0] + "\" is not a dotted address a.b.c.d";
            return std::nullopt;
        }
        for (std::size_t c = 1; c < cells.size(); ++c) {
            if (cells[c].empty()) {
                continue;
            }
            if (const auto refusal = SetNetValue(row.request, columns[c - 1], cells[c])) {
                *error = at + *refusal;
                return std::nullopt;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

const char* NetOutcomeName(NetOutcome outcome) {
    switch (outcome) {
    case NetOutcome::Unchanged:
        return "unchanged";
    case NetOutcome::Verified:
        return "verified";
    case NetOutcome::Mismatch:
        return "mismatch";
    case NetOutcome::NoReply:
        break;
    }
    return "no_reply";
}

NetOutcome JudgeNetKey(NetKey key, const NetBlock& requested, const std::optional<NetBlock>& before,
                       const std::optional<NetBlock>& after, bool confirmed) {
    if (before && NetValueEqual(requested, *before, key)) {
        return after && !NetValueEqual(requested, *after, key) ? NetOutcome::Mismatch
                                                               : NetOutcome::Unchanged;
    }
    if (after && NetValueEqual(requested, *after, key)) {
        return NetOutcome::Verified;
    }
    return after && confirmed ? NetOutcome::Mismatch : NetOutcome::NoReply;
}
