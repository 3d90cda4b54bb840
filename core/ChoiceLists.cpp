#include "core/ChoiceLists.h"

#include <algorithm>
#include <array>
#include <cstdlib>

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
