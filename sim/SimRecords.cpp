#include "sim/SimRecords.h"

#include "core/ByteOrder.h"
#include "core/ChoiceLists.h"
#include "core/WireText.h"
#include "serial/SettingPayloads.h"

#include <algorithm>

namespace sim {

namespace {

template <std::size_t N>
void CopyAffix(std::array<std::uint8_t, N>& field, const std::vector<std::uint8_t>& bytes) {
    std::copy_n(bytes.begin(), std::min(bytes.size(), N), field.begin());
}

template <std::size_t N>
void CopyAffix(std::array<char, N>& field, const std::vector<std::uint8_t>& bytes) {
    field.fill('\0');
    std::copy_n(bytes.begin(), std::min(bytes.size(), N), field.begin());
}

// The record counts pulses in units of 100 us.
std::int32_t PulseUnits(std::int32_t micros) {
    return micros >= 0 ? (micros + 50) / 100 : (micros - 50) / 100;
}

} // namespace

SerialParamRecord ToSerialParamRecord(const ReaderSettings& s) {
    SerialParamRecord r;
    r.outputFormat = s.outputFormat;
    r.cardInputFormat = s.cardInputFormat;
    r.hidEnter = s.enterKey;
    r.lineFeed = s.lineFeed;
    r.baudRate = s.baudRate;
    r.dataBits = s.dataBits;
    r.stopBits = s.stopBits;
    r.parity = s.parity;
    r.qrOutputFormat = s.qrOutputFormat;
    r.resetInterval = s.resetInterval;
    r.workingMode = s.workingMode;
    r.horn = s.horn;
    r.light = s.light;
    r.barcodePrefixLen = std::int32_t(s.barcodePrefix.size());
    CopyAffix(r.barcodePrefix, s.barcodePrefix);
    r.barcodeSuffixLen = std::int32_t(s.barcodeSuffix.size());
    CopyAffix(r.barcodeSuffix, s.barcodeSuffix);
    r.cardPrefixLen = std::int32_t(s.cardPrefix.size());
    CopyAffix(r.cardPrefix, s.cardPrefix);
    r.cardSuffixLen = std::int32_t(s.cardSuffix.size());
    CopyAffix(r.cardSuffix, s.cardSuffix);
    r.wgHighPulse = s.highPulse;
    r.wgLowPulse = s.lowPulse;
    r.wgOutputOrder = s.wgOutputOrder;
    r.cardNumberFormat = s.cardNumberFormat;
    r.startBit = s.startBit;
    return r;
}

DISCOVER_DEV_T ToDiscoverDev(const ReaderSettings& s) {
    DISCOVER_DEV_T d;
    SetFieldText(d.name, s.name);
    d.net = ToNetBlock(s.net);
    return d;
}

DEV_PARAM_T ToDevParam(const ReaderSettings& s) {
    DEV_PARAM_T p;
    p.net = ToNetBlock(s.net);

    p.cloudProvider = s.cloud.provider;
    p.cloudServer = s.cloud.serverAddr;
    std::array<char, WIRE_FIELD_LEN>* const texts[CLOUD_TEXT_COUNT] = {
        &p.productName, &p.productKey,   &p.deviceName,
        &p.deviceKey,   &p.publishTopic, &p.subscribeTopic};
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        SetFieldText(*texts[i], CutUtf8(s.cloud.texts[i], TEXT_MAX_BYTES));
    }

    // The list codes of this record count from 1.
    p.outputFormat = std::int8_t(s.outputFormat + UDP_FORMAT_CODE_OFFSET);
    p.cardInputFormat = std::int8_t(s.cardInputFormat + UDP_FORMAT_CODE_OFFSET);
    p.enterKey = std::int8_t(s.enterKey);
    p.lineFeed = std::int8_t(s.lineFeed);
    p.barcodePrefixFormat = std::int8_t(s.barcodePrefixFormat);
    CopyAffix(p.barcodePrefix, s.barcodePrefix);
    p.barcodeSuffixFormat = std::int8_t(s.barcodeSuffixFormat);
    CopyAffix(p.barcodeSuffix, s.barcodeSuffix);
    p.light = std::int8_t(s.light);
    p.workingMode = std::int8_t(s.workingMode);
    p.hiddenSwitch = std::int8_t(s.hiddenSwitch);
    p.horn = std::int8_t(s.horn);
    p.wgHighPulse = PulseUnits(s.highPulse);
    p.wgLowPulse = PulseUnits(s.lowPulse);
    p.wgOutputOrder = std::int8_t(s.wgOutputOrder);
    p.baudRate = s.baudRate;
    p.dataBits = std::int8_t(s.dataBits);
    p.stopBits = std::int8_t(s.stopBits);
    p.parity = std::int8_t(s.parity);
    p.qrOutputFormat = std::int8_t(s.qrOutputFormat);
    p.resetInterval = std::int8_t(s.resetInterval);
    p.cardNumberFormat = std::int8_t(s.cardNumberFormat);
    p.startBit = std::int8_t(s.startBit);
    p.cardAffixFormat = std::int8_t(s.cardAffixFormat);
    p.serialOutputFormat = std::int8_t(s.serialOutputFormat);
    CopyAffix(p.cardPrefix, s.cardPrefix);
    CopyAffix(p.cardSuffix, s.cardSuffix);
    return p;
}

CloudBlock DecodeCloudBlock(std::span<const std::uint8_t> block) {
    CloudBlock cloud;
    cloud.provider = ReadLeI32(block, CLOUD_PROVIDER);
    cloud.serverAddr = ReadLe32(block, CLOUD_SERVER_ADDRESS);
    for (std::size_t i = 0; i < CLOUD_TEXT_COUNT; ++i) {
        const auto field = block.subspan(CLOUD_TEXTS + i * WIRE_FIELD_LEN, WIRE_FIELD_LEN);
        const auto end = std::find(field.begin(), field.end(), 0);
        cloud.texts[i].assign(field.begin(), end);
    }
    return cloud;
}

NetBlock ToNetBlock(const NetworkBlock& n) {
    NetBlock b;
    b.netMode = n.netMode;
    b.ipAddr = n.ipAddr;
    b.subnetMask = n.subnetMask;
    b.gateway = n.gateway;
    b.dns1 = n.dns1;
    b.dns2 = n.dns2;
    SetFieldText(b.serverAddr, n.serverAddr);
    b.serverPort = n.serverPort;
    b.httpServer = n.httpServer;
    return b;
}

NetworkBlock ToNetworkBlock(const NetBlock& b) {
    NetworkBlock net;
    net.netMode = b.netMode;
    net.ipAddr = b.ipAddr;
    net.subnetMask = b.subnetMask;
    net.gateway = b.gateway;
    net.dns1 = b.dns1;
    net.dns2 = b.dns2;
    net.serverAddr = std::string(FieldText(b.serverAddr));
    net.serverPort = b.serverPort;
    net.httpServer = b.httpServer;
    return net;
}

} // namespace sim
