// Serial replies: a stream of bytes, cut into the pieces in which data events deliver it, goes
// through the reply state exactly as the dialog's receive handler drives it (append, walk, act
// on the end, decode the parameter record, render the Receive text), under every reply mode.
//
// Input: one byte for the reply mode (low two bits; bit 2: a parameter query is pending), then
// the cut entries and the stream (see Pieces.h).
#include "fuzz/FuzzCheck.h"
#include "fuzz/Pieces.h"
#include "serial/SerialParamRecord.h"
#include "serial/SerialReply.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr char HEX_UPPER[] = "0123456789ABCDEF";
constexpr char HEX_LOWER[] = "0123456789abcdef";

bool IsRecordMode(int mode) {
    return mode == REPLY_MODE_READ_RECORD || mode == REPLY_MODE_KEEP_RECORD;
}

// Where the reply in these bytes ends (its CR), worked out apart from the code under test.
int ExpectedEnd(const std::vector<std::uint8_t>& received, int mode) {
    if (IsRecordMode(mode)) {
        return -1;
    }
    // A parameter reply's CR LF cannot come before the end of its record.
    const std::size_t first = mode == REPLY_MODE_PARAM_QUERY ? 180 : 0;
    for (std::size_t i = first; i + 1 < received.size(); ++i) {
        if (received[i] == 0x0D && received[i + 1] == 0x0A) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// " XX" per byte, upper case.
void CheckEcho(const std::string& text, std::span<const std::uint8_t> bytes) {
    FUZZ_CHECK(text.size() == 3 * bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        FUZZ_CHECK(text[3 * i] == ' ');
        FUZZ_CHECK(text[3 * i + 1] == HEX_UPPER[bytes[i] >> 4]);
        FUZZ_CHECK(text[3 * i + 2] == HEX_UPPER[bytes[i] & 0x0F]);
    }
}

// Bytes the Receive text shows: everything for a parameter query, up to the CR LF for a
// setting reply.
std::size_t ShownCount(const std::vector<std::uint8_t>& received, int mode) {
    const int end = ExpectedEnd(received, mode);
    return mode == REPLY_MODE_SETTING && end >= 0 ? std::size_t(end) : received.size();
}

// The buffer holds what was kept, in order, and zeros beyond; the Receive text shows it, and
// the record replies leave the box alone.
void CheckBuffer(const SerialReplyState& state, const std::vector<std::uint8_t>& received,
                 int mode) {
    FUZZ_CHECK(std::equal(received.begin(), received.end(), state.recvBuf.begin()));
    FUZZ_CHECK(std::all_of(state.recvBuf.begin() + std::ptrdiff_t(received.size()),
                           state.recvBuf.end(), [](std::uint8_t b) { return b == 0; }));
    const auto text = state.ReceiveText();
    FUZZ_CHECK(text.has_value() != IsRecordMode(mode));
    if (text) {
        CheckEcho(*text, std::span(received).first(ShownCount(received, mode)));
    }
}

void CheckAffixTexts(std::int32_t length, const AffixField& field) {
    const std::string hex = AffixHexText(length, field);
    const std::size_t n = length <= 0 ? 0 : std::min<std::size_t>(std::size_t(length), 32);
    FUZZ_CHECK(hex.size() == 2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(hex[2 * i] == HEX_LOWER[field[i] >> 4]);
        FUZZ_CHECK(hex[2 * i + 1] == HEX_LOWER[field[i] & 0x0F]);
    }
    const std::string plain = AffixPlainText(field);
    FUZZ_CHECK(plain.size() <= field.size());
    FUZZ_CHECK(plain.find('\0') == std::string::npos);
    FUZZ_CHECK(std::equal(plain.begin(), plain.end(), field.begin(),
                          [](char c, std::uint8_t b) { return std::uint8_t(c) == b; }));
    FUZZ_CHECK(plain.size() == field.size() || field[plain.size()] == 0);
}

void CheckRecordTexts(const SerialParamRecord& r) {
    CheckAffixTexts(r.barcodePrefixLen, r.barcodePrefix);
    CheckAffixTexts(r.barcodeSuffixLen, r.barcodeSuffix);
    CheckAffixTexts(r.cardPrefixLen, r.cardPrefix);
    CheckAffixTexts(r.cardSuffixLen, r.cardSuffix);
}

// The record alone: decoded from exactly 176 bytes (a read past them leaves the allocation),
// re-encoded to the same bytes, and sent back as a whole reply that must be taken as one.
void CheckRecord(std::span<const std::uint8_t> stream) {
    std::vector<std::uint8_t> bytes(SERIAL_PARAM_RECORD_LEN, 0);
    std::copy_n(stream.begin(), std::min(stream.size(), bytes.size()), bytes.begin());
    const SerialParamRecord record =
        SerialParamRecord::decode(std::span<const std::uint8_t, SERIAL_PARAM_RECORD_LEN>(
            bytes.data(), SERIAL_PARAM_RECORD_LEN));
    const auto again = record.encode();
    FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin()));
    CheckRecordTexts(record);

    const auto reply = BuildParamReply(record);
    SerialReplyState state;
    state.replyMode = REPLY_MODE_PARAM_QUERY;
    state.paramQueryPending = 1;
    const SerialReplyOutcome outcome = state.OnData(reply);
    FUZZ_CHECK(outcome.messages.size() == 1 && outcome.messages[0] == MSG_GET_PARAMS_OK);
    FUZZ_CHECK(outcome.record && outcome.record->encode() == again);
    FUZZ_CHECK(state.paramQueryPending == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> input(data, size);
    const int mode = input[0] & 0x03;
    const bool queryPending = (input[0] & 0x04) != 0;

    SerialReplyState state;
    state.replyMode = mode;
    state.paramQueryPending = queryPending ? 1 : 0;
    std::vector<std::uint8_t> received; // what the buffer must hold
    bool acted = false;                 // the current reply's end has been acted on

    for (const fuzz::Piece& piece : fuzz::CutIntoPieces(input.subspan(1))) {
        if (piece.reset) {
            CheckBuffer(state, received, mode);
            // A button press starts a new reply; "Get parameter" asks again.
            state.ClearBuffer();
            if (mode == REPLY_MODE_PARAM_QUERY) {
                state.paramQueryPending = 1;
            }
            received.clear();
            acted = false;
        }
        const int pendingBefore = state.paramQueryPending;
        const SerialReplyOutcome outcome = state.OnData(piece.bytes);

        // The buffer keeps what fits; the rest is dropped.
        const std::size_t kept = std::min(piece.bytes.size(), RECV_BUFFER_LEN - received.size());
        received.insert(received.end(), piece.bytes.begin(),
                        piece.bytes.begin() + std::ptrdiff_t(kept));
        FUZZ_CHECK(outcome.dropped == piece.bytes.size() - kept);
        FUZZ_CHECK(state.recvCount >= 0 && std::size_t(state.recvCount) <= RECV_BUFFER_LEN);
        FUZZ_CHECK(std::size_t(state.recvCount) == received.size());

        // An end is acted on once, in the event that completes it.
        const int end = ExpectedEnd(received, mode);
        const bool act = end >= 0 && !acted;
        if (!act) {
            FUZZ_CHECK(outcome.messages.empty());
            FUZZ_CHECK(!outcome.record);
            FUZZ_CHECK(state.paramQueryPending == pendingBefore);
        } else if (mode == REPLY_MODE_PARAM_QUERY) {
            FUZZ_CHECK(!outcome.messages.empty() && outcome.messages[0] == MSG_GET_PARAMS_OK);
            if (end == 180) {
                FUZZ_CHECK(outcome.messages.size() == 1);
            } else {
                FUZZ_CHECK(outcome.messages.size() == 2);
                // The length from the header's end to the CR, shown whole or reduced to the
                // length byte's eight bits.
                const std::string& shown = outcome.messages[1];
                FUZZ_CHECK(shown == "data length = " + std::to_string(end - 4) ||
                           shown == "data length = " + std::to_string((end - 4) % 256));
            }
            FUZZ_CHECK(state.paramQueryPending == 0);
            // The record is frame bytes 4 to 179, all of which have arrived by now.
            FUZZ_CHECK(outcome.record.has_value());
            const auto bytes = outcome.record->encode();
            FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), received.begin() + 4));
            CheckRecordTexts(*outcome.record);
        } else {
            FUZZ_CHECK(outcome.messages.size() == 1 && outcome.messages[0] == MSG_COMMAND_SETUP_OK);
            FUZZ_CHECK(!outcome.record);
            FUZZ_CHECK(state.paramQueryPending == pendingBefore);
        }
        acted = acted || act;

        // Rendered after every event; its bytes are compared in full once the line goes quiet.
        const auto text = state.ReceiveText();
        FUZZ_CHECK(text.has_value() != IsRecordMode(mode));
        FUZZ_CHECK(!text || text->size() == 3 * ShownCount(received, mode));
    }
    CheckBuffer(state, received, mode);
    CheckRecord(input.subspan(1));
    return 0;
}
