#include "core/FrameLog.h"

#include "core/Frame.h"
#include "core/HexText.h"

#include <chrono>
#include <cstdio>

namespace {

// Every code the tool sends or reads, by channel. A reader answers a serial command with its
// code + 1, and confirms a setting sent over UDP the same way.
struct CommandName {
    std::uint8_t code;
    const char* serial;
    const char* udp;
};
constexpr CommandName COMMAND_NAMES[] = {
    {0x01, "Get parameter", "Version"},
    {0x02, "Parameter record", nullptr},
    {0x03, nullptr, "Discovery"},
    {0x06, "Output format", nullptr},
    {0x07, "Output format reply", "Output format ack"},
    {0x08, "Card input format", nullptr},
    {0x09, "Card input format reply", "Card input format ack"},
    {0x0A, "Enter/Line feed", nullptr},
    {0x0B, "Enter/Line feed reply", "Enter/Line feed ack"},
    {0x0C, "Barcode prefix", nullptr},
    {0x0D, "Barcode prefix reply", "Barcode prefix ack"},
    {0x0E, "Barcode suffix", nullptr},
    {0x0F, "Barcode suffix reply", "Barcode suffix ack"},
    {0x10, "Light", nullptr},
    {0x11, "Light reply", "Light ack"},
    {0x12, "Working mode", nullptr},
    {0x13, "Working mode reply", "Working mode ack"},
    {0x14, "Switch", nullptr},
    {0x15, "Switch reply", "Switch ack"},
    {0x16, "Horn", nullptr},
    {0x17, "Horn reply", "Horn ack"},
    {0x18, "Cloud", nullptr},
    {0x19, "Cloud reply", "Cloud ack"},
    {0x1B, nullptr, "Command 0x1A ack"},
    {0x1C, "Wiegand timing", nullptr},
    {0x1D, "Wiegand timing reply", "Wiegand timing ack"},
    {0x1F, nullptr, "Parameter record"},
    {0x20, nullptr, "Set network"},
    {0x21, nullptr, "Set network ack"},
    {0x26, "Serial parameters", nullptr},
    {0x27, "Serial parameters reply", "Serial parameters ack"},
    {0x28, "Reset interval", nullptr},
    {0x29, "Reset interval reply", "Reset interval ack"},
    {0x2A, "QR code", nullptr},
    {0x2B, "QR code reply", "QR code ack"},
    {0x2C, "Card prefix and suffix", nullptr},
    {0x2D, "Card prefix and suffix reply", "Card prefix and suffix ack"},
    {0x2E, "Total records", nullptr},
    {0x2F, "Total records reply", nullptr},
    {0x30, "Read record", nullptr},
    {0x31, "Read record reply", nullptr},
    {0x32, "Keep a record", nullptr},
    {0x33, "Keep a record reply", nullptr},
};

void AppendTime(std::string& line, std::int64_t us) {
    char stamp[32];
    const std::int64_t t = us < 0 ? 0 : us;
    std::snprintf(stamp, sizeof stamp, "%lld.%03lld", static_cast<long long>(t / 1000),
                  static_cast<long long>(t % 1000));
    line += stamp;
}

} // namespace

std::string_view FrameCommandName(FrameChannel channel, std::uint8_t code) {
    for (const CommandName& row : COMMAND_NAMES) {
        if (row.code == code) {
            const char* name = channel == FrameChannel::Serial ? row.serial : row.udp;
            return name ? std::string_view(name) : std::string_view();
        }
    }
    return {};
}

FrameMark SerialReplyMark(std::span<const std::uint8_t> piece, std::size_t replyBytes,
                          std::size_t minReply) {
    const std::size_t n = piece.size();
    if (n < 2 || piece[n - 2] != '\r' || piece[n - 1] != '\n') {
        return FrameMark::Part;
    }
    const std::size_t reply = replyBytes > n ? replyBytes : n;
    return reply < minReply ? FrameMark::Short : FrameMark::Ok;
}

FrameMark UdpFrameMark(std::span<const std::uint8_t> datagram) {
    if (datagram.size() < PACKAGE_HEADER_LEN) {
        return FrameMark::Short;
    }
    if (datagram[HDR_SYNC] != SYNC_CODE) {
        return FrameMark::BadSync;
    }
    const std::uint8_t length = datagram[HDR_LENGTH];
    if (length != 0 && UdpCoveredChecksum(datagram, length) != datagram[HDR_CHECKSUM]) {
        return FrameMark::BadChecksum;
    }
    return FrameMark::Ok;
}

std::string_view FrameMarkText(FrameMark mark) {
    switch (mark) {
    case FrameMark::Unchecked:
        return "-";
    case FrameMark::Ok:
        return "ok";
    case FrameMark::Short:
        return "short";
    case FrameMark::BadSync:
        return "bad sync";
    case FrameMark::BadLength:
        return "bad length";
    case FrameMark::BadChecksum:
        return "bad checksum";
    case FrameMark::Part:
        return "part";
    }
    return "-";
}

FrameLogEntry MakeFrameEntry(std::int64_t us, FrameChannel channel, FrameDirection direction,
                             std::string where, std::span<const std::uint8_t> bytes,
                             std::string name) {
    FrameLogEntry entry;
    entry.us = us;
    entry.channel = channel;
    entry.direction = direction;
    entry.where = std::move(where);
    entry.name = std::move(name);
    entry.bytes.assign(bytes.begin(), bytes.end());
    return entry;
}

FrameLogEntry MakeNoteEntry(std::int64_t us, FrameChannel channel, std::string where,
                            std::string text) {
    FrameLogEntry entry;
    entry.us = us;
    entry.note = true;
    entry.channel = channel;
    entry.where = std::move(where);
    entry.text = std::move(text);
    return entry;
}

std::string FrameLogLine(const FrameLogEntry& entry) {
    std::string line;
    line.reserve(64 + entry.where.size() + entry.text.size() + entry.bytes.size() * 3);
    AppendTime(line, entry.us);
    line += entry.note ? " | note | "
                       : (entry.direction == FrameDirection::Sent ? " | tx | " : " | rx | ");
    line += entry.channel == FrameChannel::Serial ? "serial" : "udp";
    if (!entry.where.empty()) {
        line += ' ';
        line += entry.where;
    }
    line += " | ";
    if (entry.note) {
        line += entry.text;
        return line;
    }
    const std::span<const std::uint8_t> bytes(entry.bytes);
    const bool command = bytes.size() > HDR_CMD_ID && bytes[HDR_SYNC] == SYNC_CODE;
    std::string_view name = entry.name;
    char unknown[16];
    if (name.empty() && command) {
        name = FrameCommandName(entry.channel, bytes[HDR_CMD_ID]);
        if (name.empty()) {
            std::snprintf(unknown, sizeof unknown, "code 0x%02X", bytes[HDR_CMD_ID]);
            name = unknown;
        }
    }
    line += name.empty() ? std::string_view("-") : name;
    line += " | ";
    FrameMark mark = FrameMark::Unchecked;
    if (entry.channel == FrameChannel::Udp) {
        mark = UdpFrameMark(bytes);
    } else if (entry.direction == FrameDirection::Received) {
        mark = SerialReplyMark(bytes, entry.replyBytes, entry.minReply);
    }
    line += FrameMarkText(mark);
    line += " |";
    AppendHexText(line, bytes, HexDigits::Upper, true);
    return line;
}

std::string FrameLogHeader(std::string_view program, std::int64_t unixMs) {
    using namespace std::chrono;
    const sys_time<milliseconds> at{milliseconds(unixMs)};
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> time(at - day);
    char text[64];
    std::snprintf(text, sizeof text, "first entry at %04d-%02u-%02u %02d:%02d:%02d.%03d UTC, ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()),
                  static_cast<int>(time.subseconds().count()));
    std::string header(program);
    header += " frame log, ";
    header += text;
    header += "times in ms since the first entry";
    return header;
}

std::string FrameLogDroppedLine(std::uint64_t dropped) {
    return std::to_string(dropped) + " earlier entries dropped";
}

void FrameLogBuffer::Add(FrameLogEntry entry, std::int64_t unixMs) {
    if (m_capacity == 0) {
        ++m_dropped;
        return;
    }
    if (m_count == 0 && m_dropped == 0) {
        m_originUs = entry.us;
        m_originUnixMs = unixMs;
    }
    entry.us -= m_originUs;
    if (m_count < m_capacity) {
        // Grows up to the bound, then the ring reuses its slots.
        if (m_ring.size() < m_capacity && m_first == 0) {
            m_ring.push_back(std::move(entry));
        } else {
            m_ring[(m_first + m_count) % m_ring.size()] = std::move(entry);
        }
        ++m_count;
        return;
    }
    m_ring[m_first] = std::move(entry);
    m_first = (m_first + 1) % m_ring.size();
    ++m_dropped;
}

void FrameLogBuffer::Clear() {
    m_ring.clear();
    m_first = 0;
    m_count = 0;
    m_dropped = 0;
}

std::string FrameLogBuffer::LeadLine(std::size_t i) const {
    return i == 0 ? FrameLogHeader(m_program, m_originUnixMs) : FrameLogDroppedLine(m_dropped);
}

std::vector<std::string> FrameLogBuffer::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(LeadLines() + m_count);
    for (std::size_t i = 0; i < LeadLines(); ++i) {
        lines.push_back(LeadLine(i));
    }
    for (std::size_t i = 0; i < m_count; ++i) {
        lines.push_back(FrameLogLine(At(i)));
    }
    return lines;
}
