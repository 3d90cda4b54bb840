#include "core/ChoiceLists.h"

#include <algorithm>
#include <array>
#include <cstdlib>

ChoiceItems StartBitItems() {
    // Static storage, so that the items can be plain pointers like the other lists'.
    static const std::array<std::array<char, 3>, 51> texts = [] {
        std::array<std::array<char, 3>, 51> t{};
        for (int n = 0; n < 51; ++n) {
            if (n < 10) {
                t[n] = {char('0' + n), 0, 0};
            } else {
                t[n] = {char('0' + n / 10), char('0' + n % 10), 0};
            }
        }
        return t;
    }();
    static const std::array<const char*, 51> items = [] {
        std::array<const char*, 51> p{};
        for (std::size_t n = 0; n < p.size(); ++n) {
            p[n] = texts[n].data();
        }
        return p;
    }();
    return items;
}

std::vector<int> ReaderSearchSpeeds() {
    constexpr int COMMON[] = {9600, 115200, 19200};
    std::vector<int> listed;
    for (const char* item : BAUD_RATE_ITEMS) {
        listed.push_back(std::atoi(item));
    }
    std::vector<int> speeds;
    for (const int speed : COMMON) {
        if (std::find(listed.begin(), listed.end(), speed) != listed.end()) {
            speeds.push_back(speed);
        }
    }
    for (const int speed : listed) {
        if (std::find(speeds.begin(), speeds.end(), speed) == speeds.end()) {
            speeds.push_back(speed);
        }
    }
    return speeds;
}
