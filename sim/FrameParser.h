// Splits the bytes a reader receives on its serial line into command frames and plain text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

struct SerialInput {
    enum class Kind {
        Frame,       // a whole command frame with a good checksum
        BadChecksum, // a whole frame whose checksum does not add up: dropped
        Echo,        // bytes that are not a frame, up to and including their CR LF
        Discarded,   // text that grew too long without a CR LF
    };
    Kind kind = Kind::Frame;
    std::vector<std::uint8_t> bytes;
};

// Accumulates bytes across reads; a frame or a line may arrive in any number of pieces.
class FrameParser {
public:
    // Longest run of plain text kept while waiting for its CR LF.
    static constexpr std::size_t MAX_TEXT_LEN = 4096;

    std::vector<SerialInput> Feed(std::span<const std::uint8_t> bytes);

    // Bytes held back waiting for the rest of a frame or line.
    std::size_t Pending() const { return m_buf.size(); }
    // Forgets a half-received frame or line (the line went quiet).
    void Reset() { m_buf.clear(); }

private:
    std::vector<std::uint8_t> m_buf;
};

} // namespace sim
