#include "profile/ProfileLists.h"

#include "core/ChoiceLists.h"
#include "profile/Profile.h"

#include <array>

namespace {

// The list behind each key, in key order; empty for keys without a list.
std::array<ChoiceItems, PROFILE_KEY_COUNT> ListOfKey() {
    return {
        OUTPUT_FORMAT_ITEMS,
        CARD_INPUT_FORMAT_ITEMS,
        ENTER_KEY_ITEMS,
        LINE_FEED_ITEMS,
        BAUD_RATE_ITEMS,
        DATA_BIT_ITEMS,
        STOP_BIT_ITEMS,
        PARITY_ITEMS,
        QR_OUTPUT_FORMAT_ITEMS,
        RESET_INTERVAL_ITEMS,
        WORKING_MODE_ITEMS,
        HORN_ITEMS,
        LIGHT_ITEMS,
        {},
        {},
        {},
        {},
        AFFIX_FORMAT_ITEMS, // the card's serial output format
        {},
        {},
        WG_OUTPUT_ORDER_ITEMS,
        CARD_NUMBER_FORMAT_ITEMS,
        StartBitItems(),
    };
}

std::array<std::vector<std::string>, PROFILE_KEY_COUNT> LoadItems() {
    std::array<std::vector<std::string>, PROFILE_KEY_COUNT> items;
    const auto lists = ListOfKey();
    for (std::size_t k = 0; k < PROFILE_KEY_COUNT; ++k) {
        items[k].assign(lists[k].begin(), lists[k].end());
    }
    return items;
}

} // namespace

const std::vector<std::string>& KeyListItems(ProfileKey key) {
    static const auto items = LoadItems();
    return items[static_cast<std::size_t>(key)];
}
