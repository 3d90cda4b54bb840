// The serial reply state: what the last command asked for and the bytes received since.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t RECV_BUFFER_LEN = 1024;

enum ReplyMode : int {
    REPLY_MODE_SETTING = 0,
    REPLY_MODE_READ_RECORD = 1,
    REPLY_MODE_KEEP_RECORD = 2,
    REPLY_MODE_PARAM_QUERY = 3,
};

struct SerialReplyState {
    int replyMode = REPLY_MODE_SETTING;
    std::array<std::uint8_t, RECV_BUFFER_LEN> recvBuf{};
    int recvCount = 0;
    int paramQueryPending = 0;

    // Starts a new reply: buffer zeroed, count 0. The mode is the caller's.
    void ClearBuffer() {
        recvBuf.fill(0);
        recvCount = 0;
    }
};
