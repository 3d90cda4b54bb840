#include "serial/SerialReply.h"

#include "core/HexText.h"

#include <algorithm>
#include <cstdio>

namespace {

bool IsCrLfAt(std::span<const std::uint8_t> bytes, std::size_t i) {
    return i + 1 < bytes.size() && bytes[i] == 0x0D && bytes[i + 1] == 0x0A;
}

} // namespace

std::size_t SerialReplyState::Append(std::span<const std::uint8_t> bytes) {
    const std::size_t count = static_cast<std::size_t>(recvCount);
    const std::size_t n = std::min(bytes.size(), RECV_BUFFER_LEN - count);
    std::copy_n(bytes.begin(), n, recvBuf.begin() + static_cast<std::ptrdiff_t>(count));
    recvCount += static_cast<int>(n);
    return n;
}

int SerialReplyState::FindReplyEnd() const {
    if (replyMode == REPLY_MODE_READ_RECORD || replyMode == REPLY_MODE_KEEP_RECORD) {
        return -1;
    }
    const std::span<const std::uint8_t> received(recvBuf.data(),
                                                 static_cast<std::size_t>(recvCount));
    const std::size_t first = replyMode == REPLY_MODE_PARAM_QUERY ? PARAM_REPLY_END : 0;
    for (std::size_t i = first; i < received.size(); ++i) {
        if (IsCrLfAt(received, i)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

SerialReplyOutcome SerialReplyState::OnData(std::span<const std::uint8_t> bytes) {
    SerialReplyOutcome outcome;
    outcome.dropped = bytes.size() - Append(bytes);

    const int end = FindReplyEnd();
    if (end < 0 || end == handledEnd) {
        return outcome;
    }
    handledEnd = end;
    if (replyMode != REPLY_MODE_PARAM_QUERY) {
        outcome.messages.emplace_back(MSG_COMMAND_SETUP_OK);
        return outcome;
    }
    paramQueryPending = 0;
    outcome.messages.emplace_back(MSG_GET_PARAMS_OK);
    if (static_cast<std::size_t>(end) != PARAM_REPLY_END) {
        char text[48];
        std::snprintf(text, sizeof text, "data length = %d",
                      end - static_cast<int>(PARAM_REPLY_RECORD));
        outcome.messages.emplace_back(text);
    }
    outcome.record =
        SerialParamRecord::decode(std::span<const std::uint8_t, SERIAL_PARAM_RECORD_LEN>(
            recvBuf.data() + PARAM_REPLY_RECORD, SERIAL_PARAM_RECORD_LEN));
    return outcome;
}

std::optional<std::string> SerialReplyState::ReceiveText() const {
    if (replyMode == REPLY_MODE_READ_RECORD || replyMode == REPLY_MODE_KEEP_RECORD) {
        return std::nullopt;
    }
    std::size_t shown = static_cast<std::size_t>(recvCount);
    if (replyMode != REPLY_MODE_PARAM_QUERY) {
        // A setting reply is shown up to its CR LF.
        if (const int end = FindReplyEnd(); end >= 0) {
            shown = static_cast<std::size_t>(end);
        }
    }
    return HexEcho(std::span<const std::uint8_t>(recvBuf.data(), shown));
}
