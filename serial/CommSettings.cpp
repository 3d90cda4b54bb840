#include "serial/CommSettings.h"

#include "core/ChoiceLists.h"

#include <array>
#include <charconv>

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

bool ParseWhole(std::string_view s, int& value) {
    if (s.empty() || s.front() < '0' || s.front() > '9') {
        return false;
    }
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size();
}

} // namespace

std::optional<CommSettings> ParseCommSettings(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::size_t n = 0;
    for (;;) {
        const std::size_t comma = text.find(',');
        if (n == fields.size()) {
            return std::nullopt;
        }
        fields[n++] = Trim(text.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (n != fields.size()) {
        return std::nullopt;
    }

    CommSettings s;
    if (!ParseWhole(fields[0], s.baudRate) || s.baudRate <= 0) {
        return std::nullopt;
    }
    if (fields[1].size() != 1) {
        return std::nullopt;
    }
    switch (fields[1].front()) {
    case 'n':
    case 'N':
        s.parity = CommParity::None;
        break;
    case 'e':
    case 'E':
        s.parity = CommParity::Even;
        break;
    case 'o':
    case 'O':
        s.parity = CommParity::Odd;
        break;
    case 'm':
    case 'M':
        s.parity = CommParity::Mark;
        break;
    case 's':
    case 'S':
        s.parity = CommParity::Space;
        break;
    default:
        return std::nullopt;
    }
    if (!ParseWhole(fields[2], s.dataBits) || s.dataBits < 5 || s.dataBits > 8) {
        return std::nullopt;
    }
    if (fields[3] == "1") {
        s.stopBits = CommStopBits::One;
    } else if (fields[3] == "1.5") {
        s.stopBits = CommStopBits::OneAndHalf;
    } else if (fields[3] == "2") {
        s.stopBits = CommStopBits::Two;
    } else {
        return std::nullopt;
    }
    return s;
}

CommParity ParityOfItem(int position) {
    switch (position) {
    case PARITY_EVEN:
        return CommParity::Even;
    case PARITY_ODD:
        return CommParity::Odd;
    default:
        return CommParity::None;
    }
}

int ItemOfParity(CommParity parity) {
    switch (parity) {
    case CommParity::Even:
        return PARITY_EVEN;
    case CommParity::Odd:
        return PARITY_ODD;
    default:
        return PARITY_NONE;
    }
}

std::string CommSettingsText(const CommSettings& s) {
    const char parity = s.parity == CommParity::Even    ? 'e'
                        : s.parity == CommParity::Odd   ? 'o'
                        : s.parity == CommParity::Mark  ? 'm'
                        : s.parity == CommParity::Space ? 's'
                                                        : 'n';
    const char* stop = s.stopBits == CommStopBits::Two          ? "2"
                       : s.stopBits == CommStopBits::OneAndHalf ? "1.5"
                                                                : "1";
    return std::to_string(s.baudRate) + ',' + parity + ',' + std::to_string(s.dataBits) + ',' +
           stop;
}
