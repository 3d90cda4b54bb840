#include "net/DevParam.h"

#include "core/ByteOrder.h"
#include "core/HexText.h"
#include "core/WireText.h"

#include <limits>

using namespace dev_param;

std::array<std::uint8_t, DEV_PARAM_LEN> DEV_PARAM_T::encode() const {
    std::array<std::uint8_t, DEV_PARAM_LEN> b{};
    net.EncodeAt(b, NET_BLOCK);
    for (std::size_t i = 0; i < DEV_PARAM_RESERVED_LEN; ++i) {
        b[RESERVED + i] = reserved[i];
    }
    WriteLeI32(b, CLOUD_PROVIDER, cloudProvider);
    WriteLe32(b, CLOUD_SERVER, cloudServer);
    WriteField(b, PRODUCT_NAME, productName);
    WriteField(b, PRODUCT_KEY, productKey);
    WriteField(b, DEVICE_NAME, deviceName);
    WriteField(b, DEVICE_KEY, deviceKey);
    WriteField(b, PUBLISH_TOPIC, publishTopic);
    WriteField(b, SUBSCRIBE_TOPIC, subscribeTopic);
    WriteI8(b, OUTPUT_FORMAT, outputFormat);
    WriteI8(b, CARD_INPUT_FORMAT, cardInputFormat);
    WriteI8(b, ENTER_KEY, enterKey);
    WriteI8(b, LINE_FEED, lineFeed);
    WriteI8(b, BARCODE_PREFIX_FORMAT, barcodePrefixFormat);
    WriteField(b, BARCODE_PREFIX, barcodePrefix);
    WriteI8(b, BARCODE_SUFFIX_FORMAT, barcodeSuffixFormat);
    WriteField(b, BARCODE_SUFFIX, barcodeSuffix);
    WriteI8(b, LIGHT, light);
    WriteI8(b, WORKING_MODE, workingMode);
    WriteI8(b, HIDDEN_SWITCH, hiddenSwitch);
    WriteI8(b, HORN, horn);
    WriteLeI32(b, WG_HIGH_PULSE, wgHighPulse);
    WriteLeI32(b, WG_LOW_PULSE, wgLowPulse);
    WriteI8(b, WG_OUTPUT_ORDER, wgOutputOrder);
    WriteLeI32(b, BAUD_RATE, baudRate);
    WriteI8(b, DATA_BITS, dataBits);
    WriteI8(b, STOP_BITS, stopBits);
    WriteI8(b, PARITY, parity);
    WriteI8(b, QR_OUTPUT_FORMAT, qrOutputFormat);
    WriteI8(b, RESET_INTERVAL, resetInterval);
    WriteI8(b, CARD_NUMBER_FORMAT, cardNumberFormat);
    WriteI8(b, START_BIT, startBit);
    WriteI8(b, CARD_AFFIX_FORMAT, cardAffixFormat);
    WriteI8(b, SERIAL_OUTPUT_FORMAT, serialOutputFormat);
    WriteField(b, CARD_PREFIX, cardPrefix);
    WriteField(b, CARD_SUFFIX, cardSuffix);
    return b;
}

DEV_PARAM_T DEV_PARAM_T::decode(std::span<const std::uint8_t, DEV_PARAM_LEN> b) {
    DEV_PARAM_T p;
    p.net = NetBlock::DecodeAt(b, NET_BLOCK);
    for (std::size_t i = 0; i < DEV_PARAM_RESERVED_LEN; ++i) {
        p.reserved[i] = b[RESERVED + i];
    }
    p.cloudProvider = ReadLeI32(b, CLOUD_PROVIDER);
    p.cloudServer = ReadLe32(b, CLOUD_SERVER);
    ReadField(b, PRODUCT_NAME, p.productName);
    ReadField(b, PRODUCT_KEY, p.productKey);
    ReadField(b, DEVICE_NAME, p.deviceName);
    ReadField(b, DEVICE_KEY, p.deviceKey);
    ReadField(b, PUBLISH_TOPIC, p.publishTopic);
    ReadField(b, SUBSCRIBE_TOPIC, p.subscribeTopic);
    p.outputFormat = ReadI8(b, OUTPUT_FORMAT);
    p.cardInputFormat = ReadI8(b, CARD_INPUT_FORMAT);
    p.enterKey = ReadI8(b, ENTER_KEY);
    p.lineFeed = ReadI8(b, LINE_FEED);
    p.barcodePrefixFormat = ReadI8(b, BARCODE_PREFIX_FORMAT);
    ReadField(b, BARCODE_PREFIX, p.barcodePrefix);
    p.barcodeSuffixFormat = ReadI8(b, BARCODE_SUFFIX_FORMAT);
    ReadField(b, BARCODE_SUFFIX, p.barcodeSuffix);
    p.light = ReadI8(b, LIGHT);
    p.workingMode = ReadI8(b, WORKING_MODE);
    p.hiddenSwitch = ReadI8(b, HIDDEN_SWITCH);
    p.horn = ReadI8(b, HORN);
    p.wgHighPulse = ReadLeI32(b, WG_HIGH_PULSE);
    p.wgLowPulse = ReadLeI32(b, WG_LOW_PULSE);
    p.wgOutputOrder = ReadI8(b, WG_OUTPUT_ORDER);
    p.baudRate = ReadLeI32(b, BAUD_RATE);
    p.dataBits = ReadI8(b, DATA_BITS);
    p.stopBits = ReadI8(b, STOP_BITS);
    p.parity = ReadI8(b, PARITY);
    p.qrOutputFormat = ReadI8(b, QR_OUTPUT_FORMAT);
    p.resetInterval = ReadI8(b, RESET_INTERVAL);
    p.cardNumberFormat = ReadI8(b, CARD_NUMBER_FORMAT);
    p.startBit = ReadI8(b, START_BIT);
    p.cardAffixFormat = ReadI8(b, CARD_AFFIX_FORMAT);
    p.serialOutputFormat = ReadI8(b, SERIAL_OUTPUT_FORMAT);
    ReadField(b, CARD_PREFIX, p.cardPrefix);
    ReadField(b, CARD_SUFFIX, p.cardSuffix);
    return p;
}

std::string AffixHex(const std::array<char, WIRE_FIELD_LEN>& field) {
    const std::string_view text = FieldText(field);
    return HexText({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                   HexDigits::Lower, false);
}

std::int32_t PulseMicros(std::int32_t units) {
    const std::int64_t us = std::int64_t{units} * 100;
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(us < lo ? lo : (us > hi ? hi : us));
}
