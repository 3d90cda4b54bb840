#include "sim/ReaderSettings.h"

namespace sim {

ReaderSettings NumberedReader(const ReaderSettings& first, int number) {
    ReaderSettings reader = first;
    // "Reader-1" becomes "Reader-2"; a name without a number gets one.
    std::string base = first.name;
    const auto dash = base.find_last_of('-');
    if (dash != std::string::npos && dash + 1 < base.size() &&
        base.find_first_not_of("0123456789", dash + 1) == std::string::npos) {
        base.erase(dash);
    }
    reader.name = base + "-" + std::to_string(number);
    if (reader.name.size() > NAME_MAX_LEN) {
        reader.name.erase(0, reader.name.size() - NAME_MAX_LEN); // keep the distinct end
    }
    reader.net.ipAddr = first.net.ipAddr + std::uint32_t(number - 1);
    return reader;
}

SerialFraming FramingOf(const ReaderSettings& settings) {
    return {settings.baudRate, settings.dataBits, settings.stopBits, settings.parity};
}

std::string FramingText(const SerialFraming& framing) {
    static const char PARITY_LETTERS[] = {'E', 'O', 'N'};
    const char parity =
        framing.parity < sizeof PARITY_LETTERS ? PARITY_LETTERS[framing.parity] : '?';
    return std::to_string(framing.baud) + " " + std::to_string(framing.dataBits) + parity +
           std::to_string(framing.stopBits);
}

} // namespace sim
