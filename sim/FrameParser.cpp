#include "sim/FrameParser.h"

#include "core/Frame.h"

#include <algorithm>

namespace sim {

namespace {

// Position just past the first CR LF, or 0 when there is none.
std::size_t LineEnd(const std::vector<std::uint8_t>& buf) {
    for (std::size_t i = 0; i + 1 < buf.size(); ++i) {
        if (buf[i] == 0x0D && buf[i + 1] == 0x0A) {
            return i + 2;
        }
    }
    return 0;
}

} // namespace

std::vector<SerialInput> FrameParser::Feed(std::span<const std::uint8_t> bytes) {
    m_buf.insert(m_buf.end(), bytes.begin(), bytes.end());
    std::vector<SerialInput> out;
    for (;;) {
        if (m_buf.empty()) {
            break;
        }
        std::size_t take = 0;
        SerialInput::Kind kind = SerialInput::Kind::Echo;
        const bool frameStart = m_buf[HDR_SYNC] == SYNC_CODE;
        if (frameStart && m_buf.size() <= HDR_LENGTH) {
            break; // the length byte has not arrived yet
        }
        // A length shorter than the header cannot be a frame: treat the bytes as text.
        if (frameStart && m_buf[HDR_LENGTH] >= PACKAGE_HEADER_LEN) {
            const std::size_t frameLen = m_buf[HDR_LENGTH];
            if (m_buf.size() < frameLen) {
                break;
            }
            const auto header =
                MspSendCmd_t::decode(std::span<const std::uint8_t, PACKAGE_HEADER_LEN>(
                    m_buf.data(), PACKAGE_HEADER_LEN));
            const std::span<const std::uint8_t> payload(m_buf.data() + PACKAGE_HEADER_LEN,
                                                        frameLen - PACKAGE_HEADER_LEN);
            kind = SerialChecksum(header, payload) == header.cmdData_checksum
                       ? SerialInput::Kind::Frame
                       : SerialInput::Kind::BadChecksum;
            take = frameLen;
        } else {
            take = LineEnd(m_buf);
            if (take == 0) {
                if (m_buf.size() <= MAX_TEXT_LEN) {
                    break;
                }
                kind = SerialInput::Kind::Discarded;
                take = m_buf.size();
            }
        }
        out.push_back(
            {kind, std::vector<std::uint8_t>(m_buf.begin(), m_buf.begin() + std::ptrdiff_t(take))});
        m_buf.erase(m_buf.begin(), m_buf.begin() + std::ptrdiff_t(take));
    }
    return out;
}

} // namespace sim
