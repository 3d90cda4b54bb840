#include "serial/SerialParamRecord.h"

#include "core/ByteOrder.h"
#include "core/HexText.h"

#include <algorithm>

namespace {

void PutField(std::span<std::uint8_t> out, std::size_t offset, const AffixField& field) {
    std::copy(field.begin(), field.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
}

AffixField GetField(std::span<const std::uint8_t> in, std::size_t offset) {
    AffixField field{};
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(offset), WIRE_FIELD_LEN, field.begin());
    return field;
}

} // namespace

std::array<std::uint8_t, SERIAL_PARAM_RECORD_LEN> SerialParamRecord::encode() const {
    std::array<std::uint8_t, SERIAL_PARAM_RECORD_LEN> b{};
    b[SPR_OUTPUT_FORMAT] = outputFormat;
    b[SPR_CARD_INPUT_FORMAT] = cardInputFormat;
    b[SPR_HID_ENTER] = hidEnter;
    b[SPR_LINE_FEED] = lineFeed;
    WriteLeI32(b, SPR_BAUD_RATE, baudRate);
    b[SPR_DATA_BITS] = dataBits;
    b[SPR_STOP_BITS] = stopBits;
    b[SPR_PARITY] = parity;
    b[SPR_QR_OUTPUT_FORMAT] = qrOutputFormat;
    b[SPR_RESET_INTERVAL] = resetInterval;
    b[SPR_WORKING_MODE] = workingMode;
    b[SPR_HORN] = horn;
    b[SPR_LIGHT] = light;
    WriteLeI32(b, SPR_BARCODE_PREFIX_LEN, barcodePrefixLen);
    PutField(b, SPR_BARCODE_PREFIX, barcodePrefix);
    WriteLeI32(b, SPR_BARCODE_SUFFIX_LEN, barcodeSuffixLen);
    PutField(b, SPR_BARCODE_SUFFIX, barcodeSuffix);
    WriteLeI32(b, SPR_CARD_PREFIX_LEN, cardPrefixLen);
    PutField(b, SPR_CARD_PREFIX, cardPrefix);
    WriteLeI32(b, SPR_CARD_SUFFIX_LEN, cardSuffixLen);
    PutField(b, SPR_CARD_SUFFIX, cardSuffix);
    WriteLeI32(b, SPR_WG_HIGH_PULSE, wgHighPulse);
    WriteLeI32(b, SPR_WG_LOW_PULSE, wgLowPulse);
    b[SPR_WG_OUTPUT_ORDER] = wgOutputOrder;
    b[SPR_CARD_NUMBER_FORMAT] = cardNumberFormat;
    b[SPR_START_BIT] = startBit;
    std::copy(reserved.begin(), reserved.end(), b.begin() + SPR_RESERVED);
    return b;
}

SerialParamRecord
SerialParamRecord::decode(std::span<const std::uint8_t, SERIAL_PARAM_RECORD_LEN> b) {
    SerialParamRecord r;
    r.outputFormat = b[SPR_OUTPUT_FORMAT];
    r.cardInputFormat = b[SPR_CARD_INPUT_FORMAT];
    r.hidEnter = b[SPR_HID_ENTER];
    r.lineFeed = b[SPR_LINE_FEED];
    r.baudRate = ReadLeI32(b, SPR_BAUD_RATE);
    r.dataBits = b[SPR_DATA_BITS];
    r.stopBits = b[SPR_STOP_BITS];
    r.parity = b[SPR_PARITY];
    r.qrOutputFormat = b[SPR_QR_OUTPUT_FORMAT];
    r.resetInterval = b[SPR_RESET_INTERVAL];
    r.workingMode = b[SPR_WORKING_MODE];
    r.horn = b[SPR_HORN];
    r.light = b[SPR_LIGHT];
    r.barcodePrefixLen = ReadLeI32(b, SPR_BARCODE_PREFIX_LEN);
    r.barcodePrefix = GetField(b, SPR_BARCODE_PREFIX);
    r.barcodeSuffixLen = ReadLeI32(b, SPR_BARCODE_SUFFIX_LEN);
    r.barcodeSuffix = GetField(b, SPR_BARCODE_SUFFIX);
    r.cardPrefixLen = ReadLeI32(b, SPR_CARD_PREFIX_LEN);
    r.cardPrefix = GetField(b, SPR_CARD_PREFIX);
    r.cardSuffixLen = ReadLeI32(b, SPR_CARD_SUFFIX_LEN);
    r.cardSuffix = GetField(b, SPR_CARD_SUFFIX);
    r.wgHighPulse = ReadLeI32(b, SPR_WG_HIGH_PULSE);
    r.wgLowPulse = ReadLeI32(b, SPR_WG_LOW_PULSE);
    r.wgOutputOrder = b[SPR_WG_OUTPUT_ORDER];
    r.cardNumberFormat = b[SPR_CARD_NUMBER_FORMAT];
    r.startBit = b[SPR_START_BIT];
    std::copy_n(b.begin() + SPR_RESERVED, SPR_RESERVED_LEN, r.reserved.begin());
    return r;
}

std::array<std::uint8_t, PARAM_REPLY_LEN> BuildParamReply(const SerialParamRecord& record,
                                                          std::uint8_t cmdId) {
    // Everything after the header counts as payload, the CR LF included.
    std::array<std::uint8_t, PARAM_REPLY_LEN - PACKAGE_HEADER_LEN> payload{};
    const auto body = record.encode();
    std::copy(body.begin(), body.end(), payload.begin());
    payload[SERIAL_PARAM_RECORD_LEN] = 0x0D;
    payload[SERIAL_PARAM_RECORD_LEN + 1] = 0x0A;
    const auto frame = SerialFrame(cmdId, payload);
    std::array<std::uint8_t, PARAM_REPLY_LEN> reply{};
    std::copy(frame.begin(), frame.end(), reply.begin());
    return reply;
}

std::string AffixHexText(std::int32_t length, const AffixField& field) {
    const std::size_t n =
        length <= 0 ? 0 : std::min(static_cast<std::size_t>(length), WIRE_FIELD_LEN);
    return HexText(std::span(field).first(n), HexDigits::Lower, false);
}

std::string AffixPlainText(const AffixField& field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}
