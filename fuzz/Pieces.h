// Cuts a fuzz input into the pieces in which a serial line delivers its bytes.
//
// Layout: one byte whose low four bits give the number of cut entries, the entries, then the
// stream. An entry's low six bits are a piece length; bit 6 multiplies it by 16 (long pieces
// reach the ends of the buffers in few steps); bit 7 starts the line afresh before the piece.
// Entries are used in turn, over and over; no entries means the whole stream in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

struct Piece {
    std::span<const std::uint8_t> bytes;
    bool reset = false; // everything received so far is forgotten before this piece
};

// Beyond this many pieces the rest of the stream arrives at once: many tiny pieces would only
// slow each run down.
inline constexpr std::size_t MAX_PIECES = 64;

inline std::vector<Piece> CutIntoPieces(std::span<const std::uint8_t> input) {
    std::vector<Piece> pieces;
    if (input.empty()) {
        return pieces;
    }
    const std::size_t entryCount = std::min<std::size_t>(input[0] & 0x0F, input.size() - 1);
    const auto entries = input.subspan(1, entryCount);
    auto stream = input.subspan(1 + entryCount);
    if (entries.empty()) {
        pieces.push_back({stream, false});
        return pieces;
    }
    std::size_t next = 0;
    std::size_t consumedThisRound = 0;
    while (!stream.empty() && pieces.size() + 1 < MAX_PIECES) {
        const std::uint8_t e = entries[next];
        std::size_t len = e & 0x3F;
        if (e & 0x40) {
            len *= 16;
        }
        len = std::min(len, stream.size());
        pieces.push_back({stream.first(len), (e & 0x80) != 0});
        stream = stream.subspan(len);
        consumedThisRound += len;
        if (++next == entries.size()) {
            next = 0;
            if (consumedThisRound == 0) {
                break; // a round of empty pieces would never end
            }
            consumedThisRound = 0;
        }
    }
    if (!stream.empty()) {
        pieces.push_back({stream, false});
    }
    return pieces;
}

} // namespace fuzz
