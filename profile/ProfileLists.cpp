#include "profile/ProfileLists.h"

#include "profile/Profile.h"
#include "ui/ControlCatalog.h"

#include <array>

namespace {

// Control whose list backs each key, in key order; 0 for keys without a list.
constexpr std::array<int, PROFILE_KEY_COUNT> LIST_CONTROL = {
    IDC_OUTPUT_FORMAT,
    IDC_CARD_INPUT_FORMAT,
    IDC_ENTER_KEY,
    IDC_LINE_FEED,
    IDC_READER_BAUD,
    IDC_DATA_BIT,
    IDC_STOP_BIT,
    IDC_PARITY,
    IDC_QR_OUTPUT_FORMAT,
    IDC_RESET_INTERVAL,
    IDC_WORKING_MODE,
    IDC_HORN,
    IDC_LIGHT,
    0,
    0,
    0,
    0,
    IDC_SERIAL_OUTPUT_FORMAT,
    0,
    0,
    IDC_WG_OUTPUT_ORDER,
    IDC_CARD_NUMBER_FORMAT,
    IDC_START_BIT,
};

std::array<std::vector<std::string>, PROFILE_KEY_COUNT> LoadItems() {
    std::array<std::vector<std::string>, PROFILE_KEY_COUNT> items;
    for (std::size_t k = 0; k < PROFILE_KEY_COUNT; ++k) {
        if (const ControlSpec* spec =
                LIST_CONTROL[k] ? FindControlSpec(LIST_CONTROL[k]) : nullptr) {
            items[k].assign(spec->items.begin(), spec->items.end());
        }
    }
    return items;
}

} // namespace

const std::vector<std::string>& KeyListItems(ProfileKey key) {
    static const auto items = LoadItems();
    return items[static_cast<std::size_t>(key)];
}
