// The dissector's copies of the command names and of the list items, held against the tables
// the frame log and the dialog use, for every code and every item (captures only exercise some).
#include "core/ChoiceLists.h"
#include "core/FrameLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Lua() {
    std::ifstream in(LUA);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// [0x16] = {"Horn", nil}, as code to {serial, udp}; nil is empty.
std::map<int, std::pair<std::string, std::string>> LuaNames(const std::string& lua) {
    std::map<int, std::pair<std::string, std::string>> names;
    const std::regex row(R"re(\[0x([0-9A-F]{2})\] = \{(nil|"[^"]*"), (nil|"[^"]*")\})re");
    const auto unquote = [](const std::string& v) {
        return v == "nil" ? std::string() : v.substr(1, v.size() - 2);
    };
    for (auto it = std::sregex_iterator(lua.begin(), lua.end(), row); it != std::sregex_iterator();
         ++it) {
        names[std::stoi((*it)[1], nullptr, 16)] = {unquote((*it)[2]), unquote((*it)[3])};
    }
    return names;
}

// key = {"a", "b", ...}, possibly over several lines.
std::vector<std::string> LuaList(const std::string& lua, const std::string& key) {
    const std::regex list("\\n    " + key + R"re( = \{([^}]*)\})re");
    std::smatch m;
    std::vector<std::string> items;
    if (!std::regex_search(lua, m, list)) {
        return items;
    }
    const std::string body = m[1];
    const std::regex item(R"re("([^"]*)")re");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), item);
         it != std::sregex_iterator(); ++it) {
        items.push_back((*it)[1]);
    }
    return items;
}

TEST(DissectorTables, CommandNamesEqualTheFrameLogsForEveryCode) {
    const auto names = LuaNames(Lua());
    ASSERT_GT(names.size(), 30u);
    for (int code = 0; code < 256; ++code) {
        const auto found = names.find(code);
        const std::string serial = found == names.end() ? "" : found->second.first;
        const std::string udp = found == names.end() ? "" : found->second.second;
        EXPECT_EQ(serial, FrameCommandName(FrameChannel::Serial, std::uint8_t(code))) << code;
        EXPECT_EQ(udp, FrameCommandName(FrameChannel::Udp, std::uint8_t(code))) << code;
    }
}

TEST(DissectorTables, ListItemsEqualTheDialogs) {
    const std::string lua = Lua();
    const std::map<std::string, ChoiceItems> lists = {
        {"output_format", OUTPUT_FORMAT_ITEMS},
        {"card_input_format", CARD_INPUT_FORMAT_ITEMS},
        {"enter", ENTER_KEY_ITEMS},
        {"line_feed", LINE_FEED_ITEMS},
        {"parity", PARITY_ITEMS},
        {"qr_output_format", QR_OUTPUT_FORMAT_ITEMS},
        {"reset_interval", RESET_INTERVAL_ITEMS},
        {"working_mode", WORKING_MODE_ITEMS},
        {"horn", HORN_ITEMS},
        {"light", LIGHT_ITEMS},
        {"switch", SWITCH_ITEMS},
        {"card_output_format", AFFIX_FORMAT_ITEMS},
        {"affix_format", AFFIX_FORMAT_ITEMS},
        {"wiegand_output_order", WG_OUTPUT_ORDER_ITEMS},
        {"card_number_format", CARD_NUMBER_FORMAT_ITEMS},
        {"cloud_provider", CLOUD_PROVIDER_ITEMS},
        {"net_mode", NETWORK_MODE_ITEMS},
        {"http_server", HTTP_SERVER_ITEMS},
    };
    for (const auto& [key, items] : lists) {
        const std::vector<std::string> expected(items.begin(), items.end());
        EXPECT_EQ(LuaList(lua, key), expected) << key;
    }
}

} // namespace
