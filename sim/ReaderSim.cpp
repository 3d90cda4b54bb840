#include "sim/ReaderSim.h"

#include "core/ByteOrder.h"
#include "core/Frame.h"
#include "net/UdpPacket.h"
#include "serial/SettingPayloads.h"
#include "sim/SimRecords.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

// Request payload offsets.
constexpr std::size_t AFFIX_LEN_OFFSET = 0;
constexpr std::size_t AFFIX_BYTES_OFFSET = 1;
constexpr std::size_t CARD_AFFIX_FORMAT_OFFSET = 0;
constexpr std::size_t CARD_AFFIX_PREFIX_LEN_OFFSET = 1;

constexpr std::size_t MAX_AWAITING_SENDERS = 1024;
// Where --serial-params-fault misreads-speed sends the reader.
constexpr std::int32_t MISREAD_BAUD = 256000;

const std::uint8_t CRLF[] = {0x0D, 0x0A};

// Length byte, then that many bytes; the field the reader stores them in holds 32.
bool TakeAffix(std::span<const std::uint8_t> payload, std::size_t lenOffset,
               std::vector<std::uint8_t>& out, std::size_t& next) {
    if (lenOffset >= payload.size()) {
        return false;
    }
    const std::size_t n = payload[lenOffset];
    if (lenOffset + 1 + n > payload.size()) {
        return false;
    }
    const auto first = payload.begin() + std::ptrdiff_t(lenOffset + 1);
    out.assign(first, first + std::ptrdiff_t(std::min(n, AFFIX_MAX_LEN)));
    next = lenOffset + 1 + n;
    return true;
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::vector<std::uint8_t> AffixConfirm(const std::vector<std::uint8_t>& affix) {
    std::vector<std::uint8_t> data(AFFIX_CONFIRM_LEN, 0);
    data[AFFIX_LEN_OFFSET] = static_cast<std::uint8_t>(affix.size());
    std::copy_n(affix.begin(), std::min(affix.size(), AFFIX_MAX_LEN),
                data.begin() + AFFIX_BYTES_OFFSET);
    return data;
}

} // namespace

bool ApplySerialCommand(ReaderSettings& s, std::uint8_t cmdId, std::span<const std::uint8_t> p) {
    const auto need = [&p](std::size_t n) { return p.size() >= n; };
    switch (cmdId) {
    case CMD_OUTPUT_FORMAT:
        if (!need(1)) {
            return false;
        }
        s.outputFormat = p[0];
        return true;
    case CMD_CARD_INPUT_FORMAT:
        if (!need(1)) {
            return false;
        }
        s.cardInputFormat = p[0];
        return true;
    case CMD_ENTER_LINE_FEED:
        if (!need(2)) {
            return false;
        }
        s.enterKey = p[0];
        s.lineFeed = p[1];
        return true;
    case CMD_BARCODE_PREFIX:
    case CMD_BARCODE_SUFFIX: {
        std::vector<std::uint8_t> affix;
        std::size_t next = 0;
        if (!TakeAffix(p, AFFIX_LEN_OFFSET, affix, next)) {
            return false;
        }
        (cmdId == CMD_BARCODE_PREFIX ? s.barcodePrefix : s.barcodeSuffix) = std::move(affix);
        return true;
    }
    case CMD_LIGHT:
        if (!need(1)) {
            return false;
        }
        s.light = p[0];
        return true;
    case CMD_WORKING_MODE:
        if (!need(1)) {
            return false;
        }
        s.workingMode = p[0];
        return true;
    case CMD_SWITCH:
        if (!need(1)) {
            return false;
        }
        s.hiddenSwitch = p[0];
        return true;
    case CMD_HORN:
        if (!need(1)) {
            return false;
        }
        s.horn = p[0];
        return true;
    case CMD_CLOUD:
        if (!need(CLOUD_BLOCK_LEN)) {
            return false;
        }
        s.cloud = DecodeCloudBlock(p);
        return true;
    case CMD_WIEGAND_TIMING:
        if (!need(WG_PAYLOAD_LEN)) {
            return false;
        }
        s.highPulse = ReadLeI32(p, WG_HIGH_PULSE);
        s.lowPulse = ReadLeI32(p, WG_LOW_PULSE);
        s.wgOutputOrder = p[WG_OUTPUT_ORDER];
        return true;
    case CMD_SERIAL_PARAMS:
        if (!need(SP_PAYLOAD_LEN)) {
            return false;
        }
        s.baudRate = ReadLeI32(p, SP_BAUD_RATE);
        s.dataBits = p[SP_DATA_BITS];
        s.stopBits = p[SP_STOP_BITS];
        s.parity = p[SP_PARITY];
        s.qrOutputFormat = p[SP_QR_OUTPUT_FORMAT];
        return true;
    case CMD_RESET_INTERVAL:
        if (!need(1)) {
            return false;
        }
        s.resetInterval = p[0];
        return true;
    case CMD_QR_CODE:
        if (!need(2)) {
            return false;
        }
        s.cardNumberFormat = p[0];
        s.startBit = p[1];
        return true;
    case CMD_CARD_AFFIX: {
        std::vector<std::uint8_t> prefix;
        std::vector<std::uint8_t> suffix;
        std::size_t next = 0;
        if (!need(1) || !TakeAffix(p, CARD_AFFIX_PREFIX_LEN_OFFSET, prefix, next) ||
            !TakeAffix(p, next, suffix, next)) {
            return false;
        }
        s.serialOutputFormat = p[CARD_AFFIX_FORMAT_OFFSET];
        s.cardPrefix = std::move(prefix);
        s.cardSuffix = std::move(suffix);
        return true;
    }
    default:
        return false;
    }
}

std::vector<std::uint8_t> ConfirmData(const ReaderSettings& s, std::uint8_t cmdId) {
    switch (cmdId) {
    case CMD_OUTPUT_FORMAT:
        return {s.outputFormat};
    case CMD_CARD_INPUT_FORMAT:
        return {s.cardInputFormat};
    case CMD_ENTER_LINE_FEED:
        return {s.enterKey, s.lineFeed};
    case CMD_BARCODE_PREFIX:
        return AffixConfirm(s.barcodePrefix);
    case CMD_BARCODE_SUFFIX:
        return AffixConfirm(s.barcodeSuffix);
    case CMD_LIGHT:
        return {s.light};
    case CMD_WORKING_MODE:
        return {s.workingMode};
    case CMD_SWITCH:
        return {s.hiddenSwitch};
    case CMD_HORN:
        return {s.horn};
    case CMD_CLOUD:
        return CloudPayload({s.cloud.provider, s.cloud.serverAddr, s.cloud.texts});
    case CMD_WIEGAND_TIMING: {
        std::vector<std::uint8_t> data(WG_PAYLOAD_LEN, 0);
        WriteLe32(data, WG_HIGH_PULSE, static_cast<std::uint32_t>(s.highPulse));
        WriteLe32(data, WG_LOW_PULSE, static_cast<std::uint32_t>(s.lowPulse));
        data[WG_OUTPUT_ORDER] = s.wgOutputOrder;
        return data;
    }
    case CMD_SERIAL_PARAMS: {
        std::vector<std::uint8_t> data(SP_PAYLOAD_LEN, 0);
        WriteLe32(data, SP_BAUD_RATE, static_cast<std::uint32_t>(s.baudRate));
        data[SP_DATA_BITS] = s.dataBits;
        data[SP_STOP_BITS] = s.stopBits;
        data[SP_PARITY] = s.parity;
        data[SP_QR_OUTPUT_FORMAT] = s.qrOutputFormat;
        return data;
    }
    case CMD_RESET_INTERVAL:
        return {s.resetInterval};
    default: // QR code and card affix confirmations carry no data
        return {};
    }
}

std::vector<std::uint8_t> SerialReply(std::uint8_t cmdId, std::span<const std::uint8_t> data) {
    // As in the parameter reply, the CR LF counts as payload.
    std::vector<std::uint8_t> payload(data.begin(), data.end());
    payload.insert(payload.end(), std::begin(CRLF), std::end(CRLF));
    return SerialFrame(static_cast<std::uint8_t>(cmdId + 1), payload);
}

std::vector<std::uint8_t> SerialParamReply(const ReaderSettings& settings) {
    const auto reply = BuildParamReply(ToSerialParamRecord(settings));
    return {reply.begin(), reply.end()};
}

std::vector<std::uint8_t> VersionData(const ReaderSettings& settings) {
    std::vector<std::uint8_t> data(VERSION_DATA_LEN, 0);
    // The first 16 bytes are not read; the name there helps whoever reads a capture.
    std::copy_n(settings.name.begin(), std::min(settings.name.size(), NAME_MAX_LEN), data.begin());
    std::copy_n(settings.version.begin(), std::min(settings.version.size(), VERSION_MAX_LEN),
                data.begin() + VERSION_TEXT_OFFSET);
    return data;
}

ReaderSim::ReaderSim(std::vector<ReaderSettings> readers) : m_readers(std::move(readers)) {
    if (m_readers.empty()) {
        m_readers.emplace_back();
    }
}

Outcome ReaderSim::HandleSerial(const SerialInput& input) {
    Outcome out;
    switch (input.kind) {
    case SerialInput::Kind::Frame:
        return HandleFrame(input.bytes);
    case SerialInput::Kind::BadChecksum:
        out.note = "bad checksum: frame dropped";
        break;
    case SerialInput::Kind::Echo:
        out.serialReply = input.bytes;
        out.note = "not a frame: echoed";
        break;
    case SerialInput::Kind::Discarded:
        out.note = "no CR LF in " + std::to_string(input.bytes.size()) + " bytes: discarded";
        break;
    }
    out.replyFraming = FramingOf(m_readers.front());
    return out;
}

Outcome ReaderSim::HandleFrame(std::span<const std::uint8_t> frame) {
    const SerialFraming held = FramingOf(m_readers.front());
    Outcome out = AnswerFrame(frame);
    const bool early = frame[HDR_CMD_ID] == CMD_SERIAL_PARAMS &&
                       m_faults.serialParams == SerialFaults::SerialParams::SwitchesEarly;
    out.replyFraming = early ? FramingOf(m_readers.front()) : held;
    if (!out.serialReply.empty()) {
        out.delayMs = m_faults.replyDelayMs;
        if (out.delayMs > 0) {
            out.note += " (answered " + std::to_string(out.delayMs) + " ms late)";
        }
    }
    return out;
}

Outcome ReaderSim::SerialParamsFault(std::span<const std::uint8_t> payload) {
    using Fault = SerialFaults::SerialParams;
    ReaderSettings& reader = m_readers.front();
    Outcome out;
    ReaderSettings changed = reader;
    if (!ApplySerialCommand(changed, CMD_SERIAL_PARAMS, payload)) {
        out.note = "command " + Hex(CMD_SERIAL_PARAMS) + " not understood: ignored";
        return out;
    }
    switch (m_faults.serialParams) {
    case Fault::Ignores:
        out.note = "fault: serial parameters ignored";
        return out;
    case Fault::AnswersNoSwitch:
        out.serialReply = SerialReply(CMD_SERIAL_PARAMS, {});
        out.note = "fault: serial parameters answered, framing kept";
        return out;
    case Fault::SwitchesNoAnswer:
        reader = changed;
        out.note = "fault: serial parameters applied without a reply";
        return out;
    case Fault::MisreadsSpeed:
        // The last speed a search tries: the slowest case of finding a reader.
        changed.baudRate = MISREAD_BAUD;
        reader = changed;
        out.serialReply = SerialReply(CMD_SERIAL_PARAMS, {});
        out.note = "fault: serial parameters answered, then applied at " +
                   std::to_string(MISREAD_BAUD) + " baud";
        return out;
    case Fault::SwitchesEarly:
    case Fault::Normal:
        break;
    }
    reader = changed;
    out.serialReply = SerialReply(CMD_SERIAL_PARAMS, {});
    out.note = "fault: serial parameters applied before the reply went out";
    return out;
}

Outcome ReaderSim::AnswerFrame(std::span<const std::uint8_t> frame) {
    const std::uint8_t cmdId = frame[HDR_CMD_ID];
    const auto payload = frame.subspan(PACKAGE_HEADER_LEN);
    ReaderSettings& reader = m_readers.front();
    Outcome out;
    ++m_frames;
    if (m_faults.stopAfter && m_frames > *m_faults.stopAfter) {
        out.note = "fault: silent after " + std::to_string(*m_faults.stopAfter) + " frames";
        return out;
    }
    if (m_faults.silent.contains(cmdId)) {
        out.note = "fault: command " + Hex(cmdId) + " ignored";
        return out;
    }
    switch (cmdId) {
    case CMD_GET_PARAM:
        switch (m_faults.paramReply) {
        case SerialFaults::ParamReply::Normal:
            out.serialReply = SerialParamReply(reader);
            out.note = "parameter query";
            break;
        case SerialFaults::ParamReply::Short:
            out.serialReply = SerialReply(cmdId, {});
            out.note = "fault: parameter query answered short";
            break;
        case SerialFaults::ParamReply::Garbled:
            out.serialReply = SerialParamReply(reader);
            out.serialReply.insert(out.serialReply.begin() + PACKAGE_HEADER_LEN, GARBLE_BYTE);
            out.note = "fault: parameter query answered garbled";
            break;
        }
        return out;
    case CMD_TOTAL_RECORDS: {
        std::vector<std::uint8_t> count(4, 0);
        WriteLe32(count, 0, static_cast<std::uint32_t>(m_records.size()));
        out.serialReply = SerialReply(cmdId, count);
        out.note = "total records: " + std::to_string(m_records.size());
        return out;
    }
    case CMD_READ_RECORD: {
        const auto text = RecordText();
        out.serialReply = SerialReply(cmdId, text);
        out.note = "read record: " + std::to_string(text.size()) + " bytes";
        return out;
    }
    case CMD_KEEP_RECORD:
        if (m_records.size() == MAX_RECORD_CHUNKS) {
            m_records.erase(m_records.begin());
        }
        m_records.emplace_back(payload.begin(), payload.end());
        out.serialReply = SerialReply(cmdId, {});
        out.note = "record chunk " + std::to_string(m_records.size()) + " kept";
        return out;
    default:
        break;
    }
    if (cmdId == CMD_SERIAL_PARAMS && m_faults.serialParams != SerialFaults::SerialParams::Normal) {
        return SerialParamsFault(payload);
    }
    if (m_faults.stale.contains(cmdId)) {
        // Checked on a copy, so that only a command the reader understands is answered.
        ReaderSettings scratch = reader;
        if (!ApplySerialCommand(scratch, cmdId, payload)) {
            out.note = "command " + Hex(cmdId) + " not understood: ignored";
            return out;
        }
        out.serialReply = SerialReply(cmdId, {});
        out.note = "fault: setting " + Hex(cmdId) + " answered, old value kept";
        return out;
    }
    if (!ApplySerialCommand(reader, cmdId, payload)) {
        out.note = "command " + Hex(cmdId) + " not understood: ignored";
        return out;
    }
    out.serialReply = SerialReply(cmdId, {});
    out.note = "setting " + Hex(cmdId) + " applied";
    if (m_udpConfirm) {
        out.datagrams.push_back(
            {OutDatagram::To::Target,
             BuildUdpDatagram(static_cast<std::uint8_t>(cmdId + 1), ConfirmData(reader, cmdId))});
    }
    return out;
}

std::vector<std::uint8_t> ReaderSim::RecordText() const {
    std::vector<std::uint8_t> text;
    for (const auto& chunk : m_records) {
        auto end = chunk.end();
        while (end != chunk.begin() && *(end - 1) == 0) {
            --end; // the last chunk of an upload is zero-filled
        }
        text.insert(text.end(), chunk.begin(), end);
    }
    return text;
}

Outcome ReaderSim::HandleDatagram(std::span<const std::uint8_t> bytes, std::uint64_t sender) {
    if (m_awaitingBlock.erase(sender) != 0) {
        return ApplyNetBlock(bytes);
    }
    if (bytes.size() < PACKAGE_HEADER_LEN || bytes[HDR_SYNC] != SYNC_CODE) {
        return {{}, {}, "not a command: ignored"};
    }
    if (bytes[HDR_CMD_ID] != UDP_CMD_SET_NET) {
        return {{}, {}, "command " + Hex(bytes[HDR_CMD_ID]) + " ignored"};
    }
    if (bytes.size() > PACKAGE_HEADER_LEN) {
        return ApplyNetBlock(bytes.subspan(PACKAGE_HEADER_LEN));
    }
    if (m_awaitingBlock.size() >= MAX_AWAITING_SENDERS) {
        m_awaitingBlock.clear();
    }
    m_awaitingBlock[sender] = true;
    return {{}, {}, "network setup header: block expected"};
}

Outcome ReaderSim::ApplyNetBlock(std::span<const std::uint8_t> block) {
    if (block.size() != DISCOVER_DEV_LEN) {
        return {{}, {}, "network block of " + std::to_string(block.size()) + " bytes dropped"};
    }
    const auto dev = DISCOVER_DEV_T::decode(block.first<DISCOVER_DEV_LEN>());
    const std::string name(DeviceName(dev));
    const auto it = std::find_if(m_readers.begin(), m_readers.end(),
                                 [&name](const ReaderSettings& r) { return r.name == name; });
    if (it == m_readers.end()) {
        return {{}, {}, "network block for unknown reader \"" + name + "\" dropped"};
    }
    const auto index = std::size_t(it - m_readers.begin());
    Outcome out;
    if (m_netFaults.kind == NetFaults::Kind::NoConfirm) {
        out.note = "fault: network command for \"" + name + "\" ignored";
        return out;
    }
    if (m_netFaults.kind == NetFaults::Kind::Unchanged) {
        out.note = "fault: network command for \"" + name + "\" confirmed, old settings kept";
    } else {
        it->net = ToNetworkBlock(dev.net);
        out.netChanged = index;
        out.note = "network settings of \"" + name + "\" changed";
    }
    // The record first: its display would hide the confirmation in the status bar. Then the
    // announcement a reader makes after a network change.
    out.datagrams.push_back({OutDatagram::To::Target, ParamRecordDatagram(index)});
    out.datagrams.push_back({OutDatagram::To::Sender,
                             BuildUdpDatagram(UDP_CMD_SET_NET_ACK, ToDiscoverDev(*it).encode())});
    out.datagrams.push_back({OutDatagram::To::Target, DiscoveryReply(index)});
    out.announceDelayMs = m_netFaults.announceDelayMs;
    return out;
}

std::vector<std::uint8_t> ReaderSim::VersionAnnouncement(std::size_t index) const {
    return BuildUdpDatagram(UDP_CMD_VERSION, VersionData(Reader(index)));
}

std::vector<std::uint8_t> ReaderSim::DiscoveryReply(std::size_t index) const {
    return BuildUdpDatagram(UDP_CMD_DISCOVER, ToDiscoverDev(Reader(index)).encode());
}

std::vector<std::uint8_t> ReaderSim::ParamRecordDatagram(std::size_t index) const {
    return BuildUdpDatagram(UDP_CMD_PARAMS, ToDevParam(Reader(index)).encode());
}

} // namespace sim
