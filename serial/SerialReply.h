// The serial reply state: what the last command asked for and the bytes received since, and
// what each arrival of bytes calls for (messages, a parameter record to show, the Receive text).
#pragma once

#include "core/TranslateMark.h"
#include "serial/SerialParamRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr std::size_t RECV_BUFFER_LEN = 1024;

enum ReplyMode : int {
    REPLY_MODE_SETTING = 0,
    REPLY_MODE_READ_RECORD = 1,
    REPLY_MODE_KEEP_RECORD = 2,
    REPLY_MODE_PARAM_QUERY = 3,
};

inline constexpr const char* MSG_COMMAND_SETUP_OK =
    QT_TRANSLATE_NOOP("SerialReply", "Command setup successful");
inline constexpr const char* MSG_GET_PARAMS_OK =
    QT_TRANSLATE_NOOP("SerialReply", "Get params successful");

// What one arrival of bytes calls for, in this order: the messages, then the record display.
struct SerialReplyOutcome {
    std::vector<std::string> messages;
    std::optional<SerialParamRecord> record;
    std::size_t dropped = 0; // bytes that did not fit the receive buffer
};

struct SerialReplyState {
    int replyMode = REPLY_MODE_SETTING;
    std::array<std::uint8_t, RECV_BUFFER_LEN> recvBuf{};
    int recvCount = 0;
    int paramQueryPending = 0;
    // Position of the CR whose reply has been acted on; -1 while none has.
    int handledEnd = -1;

    // Starts a new reply: buffer zeroed, count 0. The mode is the caller's.
    void ClearBuffer() {
        recvBuf.fill(0);
        recvCount = 0;
        handledEnd = -1;
    }

    // Appends what fits; the rest is dropped. Returns the number of bytes kept.
    std::size_t Append(std::span<const std::uint8_t> bytes);

    // Position of the CR that ends the reply under the current mode, -1 while there is none.
    // A setting reply ends at its first CR LF; a parameter reply at the first CR LF at or after
    // the end of its record (earlier pairs are record bytes); record replies are never read.
    int FindReplyEnd() const;

    // Appends one read and works out what it calls for. A reply's end is acted on once: it is
    // marked handled (and the parameter query withdrawn) before the caller shows anything.
    SerialReplyOutcome OnData(std::span<const std::uint8_t> bytes);

    // The Receive box text under the current mode; none for the record replies, which leave
    // the box alone.
    std::optional<std::string> ReceiveText() const;
};
