// The reader's side of both wires: what it does with each command frame and datagram, and the
// replies, confirmations and announcements it sends. Bytes in, bytes out; the program does I/O.
#pragma once

#include "sim/FrameParser.h"
#include "sim/ReaderSettings.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace sim {

// Records kept; the oldest go first beyond this.
inline constexpr std::size_t MAX_RECORD_CHUNKS = 64;

// Applies one setting command's payload. False when the code is not a setting or the payload is
// too short for it; the settings are then unchanged.
bool ApplySerialCommand(ReaderSettings& settings, std::uint8_t cmdId,
                        std::span<const std::uint8_t> payload);

// The data a UDP confirmation of setting cmdId carries (sent with cmdId + 1).
std::vector<std::uint8_t> ConfirmData(const ReaderSettings& settings, std::uint8_t cmdId);

// Short reply to a serial command: header with code + 1, the data, CR LF. The header's length
// and checksum count the CR LF too, as the parameter reply's do.
std::vector<std::uint8_t> SerialReply(std::uint8_t cmdId, std::span<const std::uint8_t> data);

// Header (code + 1 of the query, length, checksum), the 176-byte record, CR LF: 182 bytes.
std::vector<std::uint8_t> SerialParamReply(const ReaderSettings& settings);

std::vector<std::uint8_t> VersionData(const ReaderSettings& settings); // 64 bytes

// Where a datagram goes: the announcement target, or back to whoever sent the request.
struct OutDatagram {
    enum class To { Target, Sender };
    To to = To::Target;
    std::vector<std::uint8_t> bytes;
};

// Misbehaviour of a reader in the field, for testing what its configurator makes of it.
struct SerialFaults {
    enum class ParamReply {
        Normal,
        Short,   // header and CR LF only, as a reader that refuses the query
        Garbled, // a stray byte after the header: 183 bytes
    };
    // What the reader does with the serial-parameters command.
    enum class SerialParams {
        Normal,           // answers at its old framing, then switches
        AnswersNoSwitch,  // answers and keeps its framing
        SwitchesNoAnswer, // switches without a word
        Ignores,          // neither answers nor switches
        SwitchesEarly,    // switches, then answers: the reply goes out at the new framing
        MisreadsSpeed,    // answers, then takes the new framing at 256000 baud, whatever was sent
    };
    std::set<std::uint8_t> silent; // commands neither applied nor answered
    std::set<std::uint8_t> stale;  // settings answered but not applied
    int replyDelayMs = 0;          // every serial reply, this late
    ParamReply paramReply = ParamReply::Normal;
    std::optional<std::size_t> stopAfter; // frames handled before the reader goes quiet
    SerialParams serialParams = SerialParams::Normal;

    bool Any() const {
        return !silent.empty() || !stale.empty() || replyDelayMs > 0 ||
               paramReply != ParamReply::Normal || stopAfter.has_value() ||
               serialParams != SerialParams::Normal;
    }
};

// Misbehaviour with the network set-up command.
struct NetFaults {
    enum class Kind {
        None,
        NoConfirm, // takes no notice: no confirmation, no change
        Unchanged, // confirms, keeps its old settings and announces them
    };
    Kind kind = Kind::None;
    int announceDelayMs = 0; // after a change, announces this late

    bool Any() const { return kind != Kind::None || announceDelayMs > 0; }
};

// The garbage byte a garbled parameter reply carries after its header.
inline constexpr std::uint8_t GARBLE_BYTE = 0xFF;

struct Outcome {
    std::vector<std::uint8_t> serialReply; // written back on the serial line
    std::vector<OutDatagram> datagrams;
    std::string note; // one line for the log
    int delayMs = 0;  // the serial reply goes out this late
    // The framing the serial reply goes out at: the reader's when the frame came, unless it
    // switched before answering.
    SerialFraming replyFraming{};
    // A network command changed this reader's settings; datagrams to the target go this late.
    std::optional<std::size_t> netChanged = std::nullopt;
    int announceDelayMs = 0;
};

class ReaderSim {
public:
    explicit ReaderSim(std::vector<ReaderSettings> readers);

    // Confirms each serial setting over UDP too.
    void SetUdpConfirm(bool on) { m_udpConfirm = on; }
    void SetFaults(SerialFaults faults) { m_faults = std::move(faults); }
    void SetNetFaults(NetFaults faults) { m_netFaults = faults; }

    std::size_t ReaderCount() const { return m_readers.size(); }
    const ReaderSettings& Reader(std::size_t index) const { return m_readers.at(index); }
    // Record chunks kept by "Keep a record", oldest first.
    const std::vector<std::vector<std::uint8_t>>& Records() const { return m_records; }

    // The serial line belongs to the first reader.
    Outcome HandleSerial(const SerialInput& input);
    // sender identifies the datagram's source, so that a header and its block pair up.
    Outcome HandleDatagram(std::span<const std::uint8_t> bytes, std::uint64_t sender);

    std::vector<std::uint8_t> VersionAnnouncement(std::size_t index) const;
    std::vector<std::uint8_t> DiscoveryReply(std::size_t index) const;
    std::vector<std::uint8_t> ParamRecordDatagram(std::size_t index) const;

private:
    Outcome HandleFrame(std::span<const std::uint8_t> frame);
    Outcome AnswerFrame(std::span<const std::uint8_t> frame);
    Outcome SerialParamsFault(std::span<const std::uint8_t> payload);
    Outcome ApplyNetBlock(std::span<const std::uint8_t> block);
    std::vector<std::uint8_t> RecordText() const;

    std::vector<ReaderSettings> m_readers;
    std::vector<std::vector<std::uint8_t>> m_records;
    std::map<std::uint64_t, bool> m_awaitingBlock; // sender sent a 0x20 header, block next
    bool m_udpConfirm = false;
    SerialFaults m_faults;
    NetFaults m_netFaults;
    std::size_t m_frames = 0; // command frames received on the serial line
};

} // namespace sim
