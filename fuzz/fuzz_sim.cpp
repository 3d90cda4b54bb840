// The simulated reader's serial side: a stream of bytes, cut into the pieces in which the line
// delivers them (see Pieces.h), through the frame parser, and every frame, line or discarded run
// it yields through the reader's command handling.
#include "fuzz/FuzzCheck.h"
#include "fuzz/Pieces.h"
#include "sim/FrameParser.h"
#include "sim/ReaderSim.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

bool HasCrLf(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0x0D && bytes[i + 1] == 0x0A) {
            return true;
        }
    }
    return false;
}

// Sync, command, length and payload, summed in 8 bits.
std::uint8_t FrameSum(std::span<const std::uint8_t> frame) {
    unsigned sum = frame[0] + frame[1] + frame[2];
    for (std::size_t i = 4; i < frame.size(); ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint8_t>(sum);
}

bool StartsFrame(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0x05 && bytes[2] >= 4;
}

void CheckInput(const sim::SerialInput& in) {
    using Kind = sim::SerialInput::Kind;
    const std::span<const std::uint8_t> b(in.bytes);
    FUZZ_CHECK(!b.empty());
    switch (in.kind) {
    case Kind::Frame:
    case Kind::BadChecksum:
        // Exactly the length its header gives, and the checksum decides which of the two.
        FUZZ_CHECK(StartsFrame(b) && b.size() == b[2]);
        FUZZ_CHECK((FrameSum(b) == b[3]) == (in.kind == Kind::Frame));
        break;
    case Kind::Echo:
        // A line: up to and including its first CR LF.
        FUZZ_CHECK(!StartsFrame(b));
        FUZZ_CHECK(b.size() >= 2 && b[b.size() - 2] == 0x0D && b.back() == 0x0A);
        FUZZ_CHECK(!HasCrLf(b.first(b.size() - 1)));
        break;
    case Kind::Discarded:
        FUZZ_CHECK(!StartsFrame(b));
        FUZZ_CHECK(b.size() > sim::FrameParser::MAX_TEXT_LEN && !HasCrLf(b));
        break;
    }
}

void CheckOutcome(const sim::SerialInput& in, const sim::Outcome& out) {
    using Kind = sim::SerialInput::Kind;
    const auto& r = out.serialReply;
    FUZZ_CHECK(!out.note.empty());
    if (in.kind == Kind::Echo) {
        FUZZ_CHECK(r == in.bytes);
        return;
    }
    if (in.kind != Kind::Frame) {
        FUZZ_CHECK(r.empty() && out.datagrams.empty());
        return;
    }
    // A reply answers with the command's code + 1 and ends with CR LF.
    if (!r.empty()) {
        FUZZ_CHECK(r.size() >= 6 && r[0] == 0x05 && r[1] == std::uint8_t(in.bytes[1] + 1));
        FUZZ_CHECK(r[r.size() - 2] == 0x0D && r.back() == 0x0A);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::FrameParser parser;
    sim::ReaderSim reader({sim::ReaderSettings{}});
    reader.SetUdpConfirm(size > 0 && (data[0] & 0x10) != 0);

    // Everything fed since the last reset, and how much of it the parser has handed out.
    std::vector<std::uint8_t> fed;
    std::size_t handedOut = 0;
    for (const fuzz::Piece& piece : fuzz::CutIntoPieces(std::span(data, size))) {
        if (piece.reset) {
            parser.Reset();
            FUZZ_CHECK(parser.Pending() == 0);
            fed.clear();
            handedOut = 0;
        }
        fed.insert(fed.end(), piece.bytes.begin(), piece.bytes.end());
        for (const sim::SerialInput& in : parser.Feed(piece.bytes)) {
            CheckInput(in);
            // Handed out in order, nothing skipped and nothing made up.
            FUZZ_CHECK(handedOut + in.bytes.size() <= fed.size());
            FUZZ_CHECK(std::equal(in.bytes.begin(), in.bytes.end(),
                                  fed.begin() + std::ptrdiff_t(handedOut)));
            handedOut += in.bytes.size();
            CheckOutcome(in, reader.HandleSerial(in));
        }
        FUZZ_CHECK(handedOut + parser.Pending() == fed.size());
        FUZZ_CHECK(parser.Pending() <= sim::FrameParser::MAX_TEXT_LEN);
    }
    // The settings a frame can reach stay within their fields.
    const sim::ReaderSettings& s = reader.Reader(0);
    for (const auto* affix : {&s.barcodePrefix, &s.barcodeSuffix, &s.cardPrefix, &s.cardSuffix}) {
        FUZZ_CHECK(affix->size() <= sim::AFFIX_MAX_LEN);
    }
    FUZZ_CHECK(reader.Records().size() <= sim::MAX_RECORD_CHUNKS);
    return 0;
}
