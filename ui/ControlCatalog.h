// The main dialog's controls as plain data: ids, kinds, captions, groups, choice lists and
// defaults. The dialog builds its widgets from this table; nothing here knows about Qt.
#pragma once

#include "core/ChoiceLists.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Control ids of the main dialog.
enum : int {
    IDC_SEARCH_DEVICE = 1000,
    IDC_DEV_LIST = 1004,
    IDC_NET_SETUP = 1006,
    IDC_IP_ADDRESS = 1007,
    IDC_SUBNET_MASK = 1008,
    IDC_GATEWAY = 1009,
    IDC_DNS1 = 1010,
    IDC_DNS2 = 1011,
    IDC_NETWORK_MODE = 1012,
    IDC_SERVER_ADDRESS = 1013,
    IDC_GET_CURRENT_PARAM = 1014,
    IDC_HTTP_SERVER = 1015,
    IDC_OUTPUT_FORMAT = 1016,
    IDC_CARD_INPUT_FORMAT = 1017,
    IDC_SWITCH_SET = 1018,
    IDC_CARD_INPUT_FORMAT_SET = 1019,
    IDC_ENTER_KEY = 1020,
    IDC_ENTER_LINE_FEED_SET = 1021,
    IDC_LINE_FEED = 1022,
    IDC_CARD_AFFIX_SET = 1024,
    IDC_RESET_INTERVAL = 1025,
    IDC_LIGHT = 1026,
    IDC_OUTPUT_FORMAT_SET = 1027,
    IDC_WORKING_MODE_SET = 1028,
    IDC_WORKING_MODE = 1029,
    IDC_LIGHT_SET = 1030,
    IDC_HIDDEN_SWITCH = 1031,
    IDC_HORN_SET = 1032,
    IDC_HORN = 1033,
    IDC_DATA_BIT = 1034,
    IDC_WIEGAND_SET = 1035,
    IDC_READER_BAUD = 1036,
    IDC_CLOUD_PROVIDER = 1037,
    IDC_CLOUD_SET = 1038,
    IDC_SERVER_PORT = 1039,
    IDC_PRODUCT_NAME = 1040,
    IDC_STOP_BIT = 1041,
    IDC_PRODUCT_KEY = 1042,
    IDC_DEVICE_NAME = 1043,
    IDC_LOW_PULSE = 1044,
    IDC_PUBLISH_TOPIC = 1045,
    IDC_SUBSCRIBE_TOPIC = 1046,
    IDC_DEVICE_KEY = 1047,
    IDC_HIGH_PULSE = 1048,
    IDC_BARCODE_PREFIX = 1049,
    IDC_BARCODE_SUFFIX = 1050,
    IDC_CLOUD_SERVER_ADDRESS = 1051,
    IDC_SERIAL_PARAMS_SET = 1052,
    IDC_RESET_INTERVAL_SET = 1053,
    IDC_ENCRYPTION = 1054,
    IDC_CARD_NUMBER_FORMAT = 1055,
    IDC_NTP_ADDRESS = 1056,
    IDC_DEVICE_MODE = 1057,
    IDC_USE_COUNT = 1058,
    IDC_BACKUP_ADDRESS = 1059,
    IDC_QR_CODE_SET = 1060,
    IDC_NETWORK_PROTOCOL = 1061,
    IDC_START_BIT = 1062,
    IDC_BARCODE_AFFIX_FORMAT = 1063,
    IDC_PORT = 1064,
    IDC_BARCODE_PREFIX_SET = 1065,
    IDC_BARCODE_SUFFIX_SET = 1066,
    IDC_QR_OUTPUT_FORMAT = 1067,
    IDC_PARITY = 1068,
    IDC_PORT_BAUD = 1069,
    IDC_CARD_PREFIX = 1070,
    IDC_CARD_SUFFIX = 1071,
    IDC_CARD_AFFIX_FORMAT = 1072,
    IDC_SERIAL_OUTPUT_FORMAT = 1073,
    IDC_OPEN_SERIAL_PORT = 1074,
    IDC_TRANSMIT_TEST = 1075,
    IDC_TRANSMIT = 1076,
    IDC_RECEIVE = 1077,
    IDC_MSCOMM = 1078,
    IDC_GET_PARAMETER = 1080,
    IDC_WG_OUTPUT_ORDER = 1081,
    IDC_TOTAL_RECORDS = 1082,
    IDC_READ_RECORD = 1083,
    IDC_KEEP_RECORD = 1084,
    IDC_RECORD = 1085,

    // Beyond the original dialog.
    IDC_SAVE_PROFILE = 1100,
    IDC_LOAD_PROFILE = 1101,
    IDC_APPLY_PROFILE = 1102,
    IDC_COMPARE_PROFILE = 1103,
    IDC_FIND_READER = 1104,
    IDC_LOG = 1106,
};

enum class ControlKind {
    Button,
    ListBox,   // the Device list
    DropList,  // combo box whose user can only pick an item
    EditCombo, // combo box whose edit field also takes typed text
    IpAddress, // four dotted fields, value is a 32-bit number, first field most significant
    Edit,      // single-line text
    EditInt,   // single-line text bound to a signed 32-bit member
    EditMulti, // multi-line text with a vertical scroll bar
};

enum class ControlGroup {
    TopLeft,
    Network,
    Format,
    External,
    Barcode,
    Card,
    Wiegand,
    QrCode,
    Records,
    SerialPort,
    BaudRate,
    SerialButtons,
    Transmit,
    Receive,
    Profile,
    Hidden,
};

struct ControlSpec {
    int id;
    ControlKind kind;
    ControlGroup group;
    int row;             // row within its group on screen
    const char* caption; // button caption or label text; UTF-8; may be empty
    const char* name;    // the name other code and screen readers use
    std::vector<const char*> items;
    int defaultIndex;        // -1 when the control has no list
    const char* defaultText; // edit boxes and address boxes; nullptr when none
};

struct GroupSpec {
    ControlGroup group;
    const char* caption; // group box caption; empty for controls that stand free
};

// Every control of the main dialog, in the order of its group.
std::span<const ControlSpec> ControlCatalog();
std::span<const GroupSpec> GroupCatalog();
const ControlSpec* FindControlSpec(int id);

// Buttons switched by the setting-button routine, in the order they are switched.
std::vector<int> SettingButtonsOrder(bool enable);

// Controls that get the bold control font, in the order it is set.
std::span<const int> ControlFontIds();

inline constexpr int PORT_COUNT = 15;
inline constexpr int PORT_DEFAULT_INDEX = 3;
inline constexpr int PORT_BAUD_DEFAULT_INDEX = 1;
