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
    d.netMode = s.net.netMode;
    d.ipAddr = s.net.ipAddr;
    d.subnetMask = s.net.subnetMask;
    d.gateway = s.net.gateway;
    d.dns1 = s.net.dns1;
    d.dns2 = s.net.dns2;
    SetFieldText(d.serverAddr, s.net.serverAddr);
    d.serverPort = s.net.serverPort;
    d.httpServer = s.net.httpServer;
    return d;
}

DEV_PARAM_T ToDevParam(const ReaderSettings& s) {
    DEV_PARAM_T p;
    p.netMode = s.net.netMode;
    p.ipAddr = s.net.ipAddr;
    p.subnetMask = s.net.subnetMask;
    p.gateway = s.net.gateway;
    p.dns1 = s.net.dns1;
    p.dns2 = s.net.dns2;
    SetFieldText(p.serverAddr, s.net.serverAddr);
    p.serverPort = s.net.serverPort;
    p.httpServer = s.net.httpServer;

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

NetworkBlock ToNetworkBlock(const DISCOVER_DEV_T& d) {
    NetworkBlock net;
    net.netMode = d.netMode;
    net.ipAddr = d.ipAddr;
    net.subnetMask = d.subnetMask;
    net.gateway = d.gateway;
    net.dns1 = d.dns1;
    net.dns2 = d.dns2;
    net.serverAddr = std::string(FieldText(d.serverAddr));
    net.serverPort = d.serverPort;
    net.httpServer = d.httpServer;
    return net;
}

} // namespace sim
