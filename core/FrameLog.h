// The frame log's line format, shared by the dialog's Log window and tessaroctl --trace: one
// line per frame or datagram (or per note: an error, a timeout), fields separated by " | ":
//   <ms since the first entry> | tx/rx/note | <channel>[ <port or peer>] | <name> | <mark> | <hex>
// The mark says whether the header and checksum are well formed; it never hides a frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class FrameDirection { Sent, Received };
enum class FrameChannel { Serial, Udp };

// What the header and checksum of a frame look like. Unchecked for the frames the serial side
// sends: they are built by the frame encoder.
enum class FrameMark { Unchecked, Ok, Short, BadSync, BadLength, BadChecksum };

// The command's name on its channel ("Get parameter", "Discovery", "Output format reply"), or
// empty when the code is not one the tool knows.
std::string_view FrameCommandName(FrameChannel channel, std::uint8_t code);

// Serial: at least 4 bytes, sync 0x05, the length byte counting every byte, and the 8-bit sum
// of header bytes 0-2 and the payload in byte 3.
FrameMark SerialFrameMark(std::span<const std::uint8_t> frame);
// UDP, as a received datagram is checked: sync 0x05, and unless the length is 0, byte 3 is 0xFF
// minus the sum of the bytes the length covers.
FrameMark UdpFrameMark(std::span<const std::uint8_t> datagram);

std::string_view FrameMarkText(FrameMark mark);

struct FrameLogEntry {
    std::int64_t us = 0; // since the first entry
    bool note = false;   // free text instead of a frame
    FrameDirection direction = FrameDirection::Sent;
    FrameChannel channel = FrameChannel::Serial;
    std::string where; // port or peer; may be empty
    std::string local; // a datagram's own end, "a.b.c.d:port"; may be empty
    std::string name;  // overrides the name from the code when not empty
    std::vector<std::uint8_t> bytes;
    std::string text; // a note's text
};

// A frame entry, its name and mark worked out from its bytes: serial replies and every datagram
// are checked, frames sent on the serial line are not.
FrameLogEntry MakeFrameEntry(std::int64_t us, FrameChannel channel, FrameDirection direction,
                             std::string where, std::span<const std::uint8_t> bytes,
                             std::string name = {});
FrameLogEntry MakeNoteEntry(std::int64_t us, FrameChannel channel, std::string where,
                            std::string text);

// One entry as one line, without a line end.
std::string FrameLogLine(const FrameLogEntry& entry);

// "first entry at 2026-12-07 16:40:01.123 UTC", from milliseconds since the Unix epoch.
std::string FrameLogHeader(std::int64_t unixMs);

// The line that stands for entries dropped to keep the log bounded.
std::string FrameLogDroppedLine(std::uint64_t dropped);

// The entries of one log, at most a fixed number: the oldest are dropped, and counted, so that a
// long run cannot exhaust memory. Times are kept relative to the first entry.
class FrameLogBuffer {
public:
    static constexpr std::size_t DEFAULT_CAPACITY = 100000;

    explicit FrameLogBuffer(std::size_t capacity = DEFAULT_CAPACITY) : m_capacity(capacity) {}

    // entry.us is read as a monotonic clock in microseconds; unixMs is the wall-clock time,
    // kept for the first entry only.
    void Add(FrameLogEntry entry, std::int64_t unixMs);
    void Clear();

    std::size_t Size() const { return m_count; }
    std::size_t Capacity() const { return m_capacity; }
    std::uint64_t Dropped() const { return m_dropped; }
    // Every entry ever added since the last Clear, dropped ones included.
    std::uint64_t Added() const { return m_dropped + m_count; }
    // Oldest kept first.
    const FrameLogEntry& At(std::size_t i) const { return m_ring[(m_first + i) % m_ring.size()]; }

    // The header, the dropped line when entries were dropped, then one line per entry.
    std::vector<std::string> Lines() const;
    // What Lines() holds before the entries: the header and perhaps the dropped line.
    std::size_t LeadLines() const { return m_count == 0 ? 0 : (m_dropped > 0 ? 2 : 1); }
    std::string LeadLine(std::size_t i) const;
    // Wall-clock time of the first entry, in milliseconds since the Unix epoch.
    std::int64_t OriginUnixMs() const { return m_originUnixMs; }

private:
    std::size_t m_capacity;
    std::vector<FrameLogEntry> m_ring;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
    std::uint64_t m_dropped = 0;
    std::int64_t m_originUs = 0;
    std::int64_t m_originUnixMs = 0;
};
