#include "ui/ControlCatalog.h"

#include <algorithm>

namespace {

using K = ControlKind;
using G = ControlGroup;

// A choice list's items as the table holds them.
std::vector<const char*> Items(ChoiceItems list) {
    return {list.begin(), list.end()};
}

const std::vector<ControlSpec>& Catalog() {
    static const std::vector<ControlSpec> catalog = {
        // clang-format off
        // Top left, no group box.
        {IDC_SEARCH_DEVICE,         K::Button,    G::TopLeft,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Search device"), "Search device", {}, -1, nullptr},
        {IDC_GET_CURRENT_PARAM,     K::Button,    G::TopLeft,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Get current parameter"), "Get current parameter", {}, -1, nullptr},
        {IDC_DEV_LIST,              K::ListBox,   G::TopLeft,       1, "", "Device list", {}, -1, nullptr},

        // Network parameter setting.
        {IDC_IP_ADDRESS,            K::IpAddress, G::Network,       0, QT_TRANSLATE_NOOP("ControlCatalog", "IP address"), "IP address", {}, -1, "192.168.0.1"},
        {IDC_SUBNET_MASK,           K::IpAddress, G::Network,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Subnet mask"), "Subnet mask", {}, -1, "255.255.255.0"},
        {IDC_GATEWAY,               K::IpAddress, G::Network,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Network gate"), "Network gate", {}, -1, "192.168.0.1"},
        {IDC_DNS1,                  K::IpAddress, G::Network,       1, QT_TRANSLATE_NOOP("ControlCatalog", "DNS 1"), "DNS 1", {}, -1, "114.114.114.114"},
        {IDC_DNS2,                  K::IpAddress, G::Network,       1, QT_TRANSLATE_NOOP("ControlCatalog", "DNS 2"), "DNS 2", {}, -1, "8.8.8.8"},
        {IDC_NETWORK_MODE,          K::DropList,  G::Network,       1, QT_TRANSLATE_NOOP("ControlCatalog", "Network mode"), "Network mode", Items(NETWORK_MODE_ITEMS), 0, nullptr},
        {IDC_SERVER_ADDRESS,        K::Edit,      G::Network,       2, QT_TRANSLATE_NOOP("ControlCatalog", "Server address"), "Server address", {}, -1, "server.example.com"},
        {IDC_SERVER_PORT,           K::EditInt,   G::Network,       2, QT_TRANSLATE_NOOP("ControlCatalog", "Server port"), "Server port", {}, -1, "80"},
        {IDC_HTTP_SERVER,           K::DropList,  G::Network,       2, QT_TRANSLATE_NOOP("ControlCatalog", "HTTP server"), "HTTP server", Items(HTTP_SERVER_ITEMS), 0, nullptr},
        {IDC_NET_SETUP,             K::Button,    G::Network,       2, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up network parameters", {}, -1, nullptr},

        // Format parameter settings.
        {IDC_OUTPUT_FORMAT,         K::DropList,  G::Format,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Output format selection"), "Output format selection", Items(OUTPUT_FORMAT_ITEMS), 0, nullptr},
        {IDC_OUTPUT_FORMAT_SET,     K::Button,    G::Format,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up output format", {}, -1, nullptr},
        {IDC_CARD_INPUT_FORMAT,     K::DropList,  G::Format,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Card number input format"), "Card number input format", Items(CARD_INPUT_FORMAT_ITEMS), 0, nullptr},
        {IDC_CARD_INPUT_FORMAT_SET, K::Button,    G::Format,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up card number input format", {}, -1, nullptr},
        {IDC_ENTER_KEY,             K::DropList,  G::Format,        1, QT_TRANSLATE_NOOP("ControlCatalog", "HID format parameter enter"), "HID format parameter enter", Items(ENTER_KEY_ITEMS), 1, nullptr},
        {IDC_LINE_FEED,             K::DropList,  G::Format,        1, QT_TRANSLATE_NOOP("ControlCatalog", "Line Feed"), "Line Feed", Items(LINE_FEED_ITEMS), 0, nullptr},
        {IDC_ENTER_LINE_FEED_SET,   K::Button,    G::Format,        1, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up enter key and line feed", {}, -1, nullptr},
        {IDC_READER_BAUD,           K::DropList,  G::Format,        2, QT_TRANSLATE_NOOP("ControlCatalog", "Serial port parameter Baud rate"), "Serial port parameter Baud rate", Items(BAUD_RATE_ITEMS), 1, nullptr},
        {IDC_DATA_BIT,              K::DropList,  G::Format,        2, QT_TRANSLATE_NOOP("ControlCatalog", "Data bit"), "Data bit", Items(DATA_BIT_ITEMS), 0, nullptr},
        {IDC_STOP_BIT,              K::DropList,  G::Format,        2, QT_TRANSLATE_NOOP("ControlCatalog", "Stop bit"), "Stop bit", Items(STOP_BIT_ITEMS), 0, nullptr},
        {IDC_PARITY,                K::DropList,  G::Format,        3, QT_TRANSLATE_NOOP("ControlCatalog", "Parity check"), "Parity check", Items(PARITY_ITEMS), 2, nullptr},
        {IDC_QR_OUTPUT_FORMAT,      K::DropList,  G::Format,        3, QT_TRANSLATE_NOOP("ControlCatalog", "QR code serial output format"), "QR code serial output format", Items(QR_OUTPUT_FORMAT_ITEMS), 0, nullptr},
        {IDC_SERIAL_PARAMS_SET,     K::Button,    G::Format,        3, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up serial port parameters", {}, -1, nullptr},

        // External parameter settings.
        {IDC_RESET_INTERVAL,        K::DropList,  G::External,      0, QT_TRANSLATE_NOOP("ControlCatalog", "Reset settings"), "Reset settings", Items(RESET_INTERVAL_ITEMS), 1, nullptr},
        {IDC_RESET_INTERVAL_SET,    K::Button,    G::External,      0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up reset settings", {}, -1, nullptr},
        {IDC_WORKING_MODE,          K::DropList,  G::External,      0, QT_TRANSLATE_NOOP("ControlCatalog", "Woring mode"), "Woring mode", Items(WORKING_MODE_ITEMS), 0, nullptr},
        {IDC_WORKING_MODE_SET,      K::Button,    G::External,      0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up working mode", {}, -1, nullptr},
        {IDC_HORN,                  K::DropList,  G::External,      1, QT_TRANSLATE_NOOP("ControlCatalog", "Horn"), "Horn", Items(HORN_ITEMS), 0, nullptr},
        {IDC_HORN_SET,              K::Button,    G::External,      1, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up horn", {}, -1, nullptr},
        {IDC_LIGHT,                 K::DropList,  G::External,      1, QT_TRANSLATE_NOOP("ControlCatalog", "turn on"), "turn on", Items(LIGHT_ITEMS), 0, nullptr},
        {IDC_LIGHT_SET,             K::Button,    G::External,      1, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up light", {}, -1, nullptr},

        // Barcode QR code settings.
        {IDC_BARCODE_PREFIX,        K::Edit,      G::Barcode,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Prefix"), "Barcode prefix", {}, -1, ""},
        {IDC_BARCODE_PREFIX_SET,    K::Button,    G::Barcode,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up barcode prefix", {}, -1, nullptr},
        {IDC_BARCODE_SUFFIX,        K::Edit,      G::Barcode,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Suffix"), "Barcode suffix", {}, -1, ""},
        {IDC_BARCODE_SUFFIX_SET,    K::Button,    G::Barcode,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up barcode suffix", {}, -1, nullptr},
        {IDC_BARCODE_AFFIX_FORMAT,  K::DropList,  G::Barcode,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Prefix and suffix input format"), "Barcode prefix and suffix input format", Items(AFFIX_FORMAT_ITEMS), 1, nullptr},

        // Card Prefix suffix format.
        {IDC_CARD_PREFIX,           K::Edit,      G::Card,          0, QT_TRANSLATE_NOOP("ControlCatalog", "Prefix"), "Card prefix", {}, -1, ""},
        {IDC_CARD_SUFFIX,           K::Edit,      G::Card,          0, QT_TRANSLATE_NOOP("ControlCatalog", "Suffix"), "Card suffix", {}, -1, ""},
        {IDC_CARD_AFFIX_FORMAT,     K::DropList,  G::Card,          0, QT_TRANSLATE_NOOP("ControlCatalog", "Prefix and suffix input format"), "Card prefix and suffix input format", Items(AFFIX_FORMAT_ITEMS), 1, nullptr},
        {IDC_SERIAL_OUTPUT_FORMAT,  K::DropList,  G::Card,          0, QT_TRANSLATE_NOOP("ControlCatalog", "Serial output format"), "Serial output format", Items(AFFIX_FORMAT_ITEMS), 1, nullptr},
        {IDC_CARD_AFFIX_SET,        K::Button,    G::Card,          0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up card prefix and suffix", {}, -1, nullptr},

        // WG timing definition.
        {IDC_LOW_PULSE,             K::EditInt,   G::Wiegand,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Low Pulse(us)"), "Low Pulse(us)", {}, -1, "400"},
        {IDC_HIGH_PULSE,            K::EditInt,   G::Wiegand,       0, QT_TRANSLATE_NOOP("ControlCatalog", "High Pulse(us)"), "High Pulse(us)", {}, -1, "2000"},
        {IDC_WG_OUTPUT_ORDER,       K::DropList,  G::Wiegand,       0, QT_TRANSLATE_NOOP("ControlCatalog", "WG output timing"), "WG output timing", Items(WG_OUTPUT_ORDER_ITEMS), 0, nullptr},
        {IDC_WIEGAND_SET,           K::Button,    G::Wiegand,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up WG timing", {}, -1, nullptr},

        // QR code parameter settings.
        {IDC_CARD_NUMBER_FORMAT,    K::DropList,  G::QrCode,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Card number format"), "Card number format", Items(CARD_NUMBER_FORMAT_ITEMS), 0, nullptr},
        {IDC_START_BIT,             K::DropList,  G::QrCode,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Start output from which bit"), "Start output from which bit", Items(START_BIT_ITEMS), 0, nullptr},
        {IDC_QR_CODE_SET,           K::Button,    G::QrCode,        0, QT_TRANSLATE_NOOP("ControlCatalog", "Set up"), "Set up QR code parameters", {}, -1, nullptr},

        // Below the QR group.
        {IDC_TOTAL_RECORDS,         K::Button,    G::Records,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Total records"), "Total records", {}, -1, nullptr},
        {IDC_READ_RECORD,           K::Button,    G::Records,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Read record"), "Read record", {}, -1, nullptr},
        {IDC_KEEP_RECORD,           K::Button,    G::Records,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Keep a record"), "Keep a record", {}, -1, nullptr},
        {IDC_RECORD,                K::EditMulti, G::Records,       1, "", "Record box", {}, -1, ""},

        // Right column. The dialog fills the Port list itself, "com 1" to "com 15".
        {IDC_PORT,                  K::EditCombo, G::SerialPort,    0, "", "Serial Port", {}, PORT_DEFAULT_INDEX, nullptr},
        {IDC_PORT_BAUD,             K::EditCombo, G::BaudRate,      0, "", "Baud rate", Items(BAUD_RATE_ITEMS), PORT_BAUD_DEFAULT_INDEX, nullptr},
        {IDC_OPEN_SERIAL_PORT,      K::Button,    G::SerialButtons, 0, QT_TRANSLATE_NOOP("ControlCatalog", "Open Serial Port"), "Open Serial Port", {}, -1, nullptr},
        {IDC_FIND_READER,           K::Button,    G::SerialButtons, 0, QT_TRANSLATE_NOOP("ControlCatalog", "Find reader"), "Find reader", {}, -1, nullptr},
        {IDC_GET_PARAMETER,         K::Button,    G::SerialButtons, 1, QT_TRANSLATE_NOOP("ControlCatalog", "Get parameter"), "Get parameter", {}, -1, nullptr},
        {IDC_TRANSMIT_TEST,         K::Button,    G::SerialButtons, 2, QT_TRANSLATE_NOOP("ControlCatalog", "Transmit test"), "Transmit test", {}, -1, nullptr},
        {IDC_TRANSMIT,              K::EditMulti, G::Transmit,      0, "", "Transmit box", {}, -1, ""},
        {IDC_RECEIVE,               K::EditMulti, G::Receive,       0, "", "Receive box", {}, -1, ""},

        // Profiles: a reader's configuration as a file, applied and verified.
        {IDC_SAVE_PROFILE,          K::Button,    G::Profile,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Save profile…"), "Save profile", {}, -1, nullptr},
        {IDC_LOAD_PROFILE,          K::Button,    G::Profile,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Load profile…"), "Load profile", {}, -1, nullptr},
        {IDC_APPLY_PROFILE,         K::Button,    G::Profile,       1, QT_TRANSLATE_NOOP("ControlCatalog", "Apply profile…"), "Apply profile", {}, -1, nullptr},
        {IDC_COMPARE_PROFILE,       K::Button,    G::Profile,       1, QT_TRANSLATE_NOOP("ControlCatalog", "Compare with reader"), "Compare with reader", {}, -1, nullptr},
        // The frame log, in a window of its own.
        {IDC_LOG,                   K::Button,    G::Profile,       0, QT_TRANSLATE_NOOP("ControlCatalog", "Log…"), "Log", {}, -1, nullptr},

        // Never shown; filled all the same, and read or written by the command handlers.
        {IDC_HIDDEN_SWITCH,         K::DropList,  G::Hidden,        0, "", "Hidden switch list", Items(SWITCH_ITEMS), 0, nullptr},
        {IDC_SWITCH_SET,            K::Button,    G::Hidden,        0, "设置", "Switch set button", {}, -1, nullptr},
        {IDC_CLOUD_PROVIDER,        K::DropList,  G::Hidden,        0, "服务商", "Cloud provider list", Items(CLOUD_PROVIDER_ITEMS), 0, nullptr},
        {IDC_CLOUD_SERVER_ADDRESS,  K::IpAddress, G::Hidden,        0, "服务器地址", "Cloud server address box", {}, -1, "0.0.0.0"},
        {IDC_PRODUCT_NAME,          K::Edit,      G::Hidden,        0, "产品名称", "Product name box", {}, -1, ""},
        {IDC_PRODUCT_KEY,           K::Edit,      G::Hidden,        0, "产品密钥", "Product key box", {}, -1, ""},
        {IDC_DEVICE_NAME,           K::Edit,      G::Hidden,        0, "设备名称", "Device name box", {}, -1, ""},
        {IDC_DEVICE_KEY,            K::Edit,      G::Hidden,        0, "设备密钥", "Device key box", {}, -1, ""},
        {IDC_PUBLISH_TOPIC,         K::Edit,      G::Hidden,        0, "发布主题", "Publish topic box", {}, -1, ""},
        {IDC_SUBSCRIBE_TOPIC,       K::Edit,      G::Hidden,        0, "订阅", "Subscribe topic box", {}, -1, ""},
        {IDC_CLOUD_SET,             K::Button,    G::Hidden,        0, "设置", "Cloud set button", {}, -1, nullptr},
        {IDC_ENCRYPTION,            K::DropList,  G::Hidden,        0, "是否加密", "Encryption list", Items(ENCRYPTION_ITEMS), 0, nullptr},
        {IDC_NTP_ADDRESS,           K::Edit,      G::Hidden,        0, "NTP地址", "NTP address box", {}, -1, ""},
        {IDC_DEVICE_MODE,           K::DropList,  G::Hidden,        0, "工作模式", "Device mode list", Items(DEVICE_MODE_ITEMS), 0, nullptr},
        {IDC_USE_COUNT,             K::DropList,  G::Hidden,        0, "使用次数", "Use count list", Items(USE_COUNT_ITEMS), 0, nullptr},
        {IDC_BACKUP_ADDRESS,        K::Edit,      G::Hidden,        0, "备用地址", "Backup address box", {}, -1, ""},
        {IDC_NETWORK_PROTOCOL,      K::DropList,  G::Hidden,        0, "网络协议", "Network protocol list", Items(NETWORK_PROTOCOL_ITEMS), 0, nullptr},
        // clang-format on
    };
    return catalog;
}

constexpr GroupSpec GROUPS[] = {
    {G::TopLeft, ""},
    {G::Network, QT_TRANSLATE_NOOP("ControlCatalog", "Network parameter setting")},
    {G::Format, QT_TRANSLATE_NOOP("ControlCatalog", "Format parameter settings")},
    {G::External, QT_TRANSLATE_NOOP("ControlCatalog", "External parameter settings")},
    {G::Barcode, QT_TRANSLATE_NOOP("ControlCatalog", "Barcode QR code settings")},
    {G::Card, QT_TRANSLATE_NOOP("ControlCatalog", "Card Prefix suffix format")},
    {G::Wiegand, QT_TRANSLATE_NOOP("ControlCatalog", "WG timing definition")},
    {G::QrCode, QT_TRANSLATE_NOOP("ControlCatalog", "QR code parameter settings")},
    {G::Records, ""},
    {G::SerialPort, QT_TRANSLATE_NOOP("ControlCatalog", "Serial Port")},
    {G::BaudRate, QT_TRANSLATE_NOOP("ControlCatalog", "Baud rate")},
    {G::SerialButtons, ""},
    {G::Transmit, QT_TRANSLATE_NOOP("ControlCatalog", "Transmit")},
    {G::Receive, QT_TRANSLATE_NOOP("ControlCatalog", "Receive")},
    {G::Profile, QT_TRANSLATE_NOOP("ControlCatalog", "Profile")},
    {G::Hidden, ""},
};

constexpr int COMMON_SETTING_BUTTONS[] = {
    IDC_CLOUD_SET,         IDC_SERIAL_PARAMS_SET,     IDC_RESET_INTERVAL_SET,  IDC_LIGHT_SET,
    IDC_HORN_SET,          IDC_WORKING_MODE_SET,      IDC_SWITCH_SET,          IDC_WIEGAND_SET,
    IDC_OUTPUT_FORMAT_SET, IDC_CARD_INPUT_FORMAT_SET, IDC_ENTER_LINE_FEED_SET, IDC_CARD_AFFIX_SET,
    IDC_QR_CODE_SET,       IDC_BARCODE_PREFIX_SET,    IDC_BARCODE_SUFFIX_SET,  IDC_GET_PARAMETER,
    IDC_TRANSMIT_TEST,
};

constexpr int CONTROL_FONT_IDS[] = {
    IDC_SEARCH_DEVICE,       IDC_CLOUD_SET,
    IDC_GET_CURRENT_PARAM,   IDC_DEV_LIST,
    IDC_SERIAL_PARAMS_SET,   IDC_RESET_INTERVAL_SET,
    IDC_LIGHT_SET,           IDC_HORN_SET,
    IDC_WORKING_MODE_SET,    IDC_SWITCH_SET,
    IDC_WIEGAND_SET,         IDC_NET_SETUP,
    IDC_OUTPUT_FORMAT_SET,   IDC_CARD_INPUT_FORMAT_SET,
    IDC_ENTER_LINE_FEED_SET, IDC_CARD_AFFIX_SET,
    IDC_BARCODE_PREFIX_SET,  IDC_BARCODE_SUFFIX_SET,
    IDC_QR_CODE_SET,
};

} // namespace

std::span<const ControlSpec> ControlCatalog() {
    return Catalog();
}

std::span<const GroupSpec> GroupCatalog() {
    return GROUPS;
}

const ControlSpec* FindControlSpec(int id) {
    const auto& c = Catalog();
    const auto it =
        std::find_if(c.begin(), c.end(), [id](const ControlSpec& s) { return s.id == id; });
    return it == c.end() ? nullptr : &*it;
}

std::vector<int> SettingButtonsOrder(bool enable) {
    std::vector<int> order;
    if (enable) {
        // The network "Set up" button is never switched on; "Get current parameter" only is.
        order.push_back(IDC_GET_CURRENT_PARAM);
        order.insert(order.end(), std::begin(COMMON_SETTING_BUTTONS),
                     std::end(COMMON_SETTING_BUTTONS));
        return order;
    }
    for (const int id : COMMON_SETTING_BUTTONS) {
        order.push_back(id);
        if (id == IDC_WIEGAND_SET) {
            order.push_back(IDC_NET_SETUP);
        }
    }
    return order;
}

std::span<const int> ControlFontIds() {
    return CONTROL_FONT_IDS;
}
