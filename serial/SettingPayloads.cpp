#include "serial/SettingPayloads.h"

#include "core/ByteOrder.h"
#include "core/DebugTrace.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

std::string_view FirstTextBytes(std::string_view text) {
    return text.substr(0, std::min(text.size(), TEXT_MAX_BYTES));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// One "%2x" scan starting at pos: blanks skipped, then up to two hexadecimal digits.
std::uint8_t ScanHexPair(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    unsigned value = 0;
    for (int digits = 0; digits < 2 && pos < text.size(); ++digits, ++pos) {
        const int d = HexDigit(text[pos]);
        if (d < 0) {
            break;
        }
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<std::uint8_t>(value & 0xFF);
}

void AppendCounted(Bytes& out, const Bytes& bytes) {
    out.push_back(static_cast<std::uint8_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace

std::uint8_t ListIndexByte(int index) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(index) & 0xFF);
}

std::uint32_t ListIndex32(int index) {
    return static_cast<std::uint32_t>(index);
}

std::int32_t NumberFromText(std::string_view text) {
    text = FirstTextBytes(text);
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr long long limit = std::numeric_limits<std::int32_t>::max();
    long long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min(value * 10 + (text[pos] - '0'), limit + 1);
    }
    if (negative) {
        return static_cast<std::int32_t>(-value);
    }
    return static_cast<std::int32_t>(std::min(value, limit));
}

Bytes TextAsTyped(std::string_view text) {
    text = FirstTextBytes(text);
    return Bytes(text.begin(), text.end());
}

Bytes HexPairs(std::string_view text) {
    text = FirstTextBytes(text);
    const std::size_t count = text.size() / 2;
    Bytes bytes;
    bytes.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t b = ScanHexPair(text, 2 * k);
        bytes.push_back(b);
        DebugTrace("data[%d]:0x%02x\n", static_cast<int>(k), static_cast<unsigned>(b));
    }
    return bytes;
}

Bytes AffixBytes(int formatIndex, std::string_view text) {
    return formatIndex == AFFIX_FORMAT_HEX ? HexPairs(text) : TextAsTyped(text);
}

Bytes IndexPayload(std::initializer_list<int> indexes) {
    Bytes payload;
    for (const int index : indexes) {
        payload.push_back(ListIndexByte(index));
    }
    return payload;
}

Bytes AffixPayload(int formatIndex, std::string_view text) {
    Bytes payload;
    AppendCounted(payload, AffixBytes(formatIndex, text));
    return payload;
}

Bytes CardAffixPayload(int affixFormatIndex, int serialOutputIndex, std::string_view prefix,
                       std::string_view suffix) {
    Bytes payload{ListIndexByte(serialOutputIndex)};
    AppendCounted(payload, AffixBytes(affixFormatIndex, prefix));
    AppendCounted(payload, AffixBytes(affixFormatIndex, suffix));
    return payload;
}

Bytes WiegandPayload(std::int32_t highPulse, std::int32_t lowPulse, int outputOrderIndex) {
    Bytes payload(WG_PAYLOAD_LEN, 0);
    WriteLeI32(payload, WG_HIGH_PULSE, highPulse);
    WriteLeI32(payload, WG_LOW_PULSE, lowPulse);
    payload[WG_OUTPUT_ORDER] = ListIndexByte(outputOrderIndex);
    return payload;
}

Bytes SerialParamsPayload(std::string_view baudText, std::string_view dataBitText,
                          std::string_view stopBitText, int parityIndex, int qrOutputIndex) {
    Bytes payload(SP_PAYLOAD_LEN, 0);
    WriteLeI32(payload, SP_BAUD_RATE, NumberFromText(baudText));
    payload[SP_DATA_BITS] = static_cast<std::uint8_t>(NumberFromText(dataBitText) & 0xFF);
    payload[SP_STOP_BITS] = static_cast<std::uint8_t>(NumberFromText(stopBitText) & 0xFF);
    payload[SP_PARITY] = ListIndexByte(parityIndex);
    payload[SP_QR_OUTPUT_FORMAT] = ListIndexByte(qrOutputIndex);
    return payload;
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    // Back off over continuation bytes so that the cut falls before a lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

Bytes CloudPayload(const CloudSettings& cloud) {
    Bytes block(CLOUD_BLOCK_LEN, 0);
    WriteLe32(block, CLOUD_PROVIDER, ListIndex32(cloud.providerIndex));
    WriteLe32(block, CLOUD_SERVER_ADDRESS, cloud.serverAddress);
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        // The field keeps its terminating zero: the block is zero-filled.
        const std::string_view text = CutUtf8(cloud.texts[i], TEXT_MAX_BYTES);
        std::copy(text.begin(), text.end(), block.begin() + CLOUD_TEXTS + i * WIRE_FIELD_LEN);
    }
    return block;
}

Bytes TransmitTestPattern() {
    Bytes pattern(TRANSMIT_TEST_LEN, 0);
    pattern[0] = 0x01;
    pattern[1] = 0x02;
    pattern[2] = 0x03;
    pattern[3] = 0x04;
    pattern[TRANSMIT_TEST_LEN - 2] = 0x0D;
    pattern[TRANSMIT_TEST_LEN - 1] = 0x0A;
    return pattern;
}

Bytes RecordTextBytes(std::string_view text) {
    Bytes bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            bytes.push_back('\r');
        }
        bytes.push_back(static_cast<std::uint8_t>(text[i]));
    }
    return bytes;
}

std::vector<Bytes> RecordChunks(std::span<const std::uint8_t> bytes) {
    std::vector<Bytes> chunks;
    for (std::size_t start = 0; start < bytes.size(); start += RECORD_CHUNK_LEN) {
        Bytes chunk(RECORD_CHUNK_LEN, 0);
        const std::size_t n = std::min(RECORD_CHUNK_LEN, bytes.size() - start);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), n, chunk.begin());
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}
