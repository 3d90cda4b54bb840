// The dialog's choice lists: their items in list order and what a position means. The position
// is what goes on the wire (one byte or a 32-bit number); the lists whose items are numbers
// ("8", "115200") are matched by the number in the item's text instead.
#pragma once

#include <span>
#include <vector>

using ChoiceItems = std::span<const char* const>;

// The UDP parameter record gives the output format and the card input format as position + 1;
// every other list travels as its position.
inline constexpr int UDP_FORMAT_CODE_OFFSET = 1;

// Network parameter setting.
inline constexpr const char* NETWORK_MODE_ITEMS[] = {"Fixed IP", "Automatic acquisition"};
inline constexpr int NETWORK_MODE_FIXED_IP = 0;
inline constexpr int NETWORK_MODE_AUTOMATIC = 1;
inline constexpr const char* HTTP_SERVER_ITEMS[] = {"PHP", "JSP", "C#", "ASP", "CGI"};

// Format parameter settings.
inline constexpr const char* OUTPUT_FORMAT_ITEMS[] = {
    "USB keyboard", "USB serial port", "RS232",          "RS485", "WG26",
    "WG34",         "WG256",           "Wechat app open"};
inline constexpr const char* CARD_INPUT_FORMAT_ITEMS[] = {"6H", "8H", "8H10D", "6H10D",
                                                          "2h3D+4h5d"};
inline constexpr const char* ENTER_KEY_ITEMS[] = {"No enter", "Enter"};
inline constexpr const char* LINE_FEED_ITEMS[] = {"No Line Feed", "Line Feed"};
// The speeds a reader is looked for at: the Port baud rate list's, the common ones first (readers
// leave the factory at 9600; 115200 and 19200 are what installers pick most), the rest in list
// order.
std::vector<int> ReaderSearchSpeeds();
// The reader's baud rate and the port's: matched by number.
inline constexpr const char* BAUD_RATE_ITEMS[] = {"4800",  "9600",   "14400",
                                                  "19200", "115200", "256000"};
inline constexpr const char* DATA_BIT_ITEMS[] = {"8", "7", "6", "5"}; // matched by number
inline constexpr const char* STOP_BIT_ITEMS[] = {"1", "2"};           // matched by number
inline constexpr const char* PARITY_ITEMS[] = {"EVEN", "ODD", "NONE"};
inline constexpr int PARITY_EVEN = 0;
inline constexpr int PARITY_ODD = 1;
inline constexpr int PARITY_NONE = 2;
inline constexpr const char* QR_OUTPUT_FORMAT_ITEMS[] = {"ASCII", "Hexadecimal"};

// External parameter settings.
inline constexpr const char* RESET_INTERVAL_ITEMS[] = {"0", "12 hours", "24 hours"};
inline constexpr const char* WORKING_MODE_ITEMS[] = {"Common mode", "Single mode", "Interval mode"};
inline constexpr const char* HORN_ITEMS[] = {"Close", "Open"};
inline constexpr const char* LIGHT_ITEMS[] = {"turn off(Sweeping light)", "turn on",
                                              "Detect the light"};

// The affix format lists (barcode and card) and the card's serial output format: position 0
// means the box holds hexadecimal pairs, 1 the text as typed.
inline constexpr const char* AFFIX_FORMAT_ITEMS[] = {"hex", "ASCII"};
inline constexpr int AFFIX_FORMAT_HEX = 0;
inline constexpr int AFFIX_FORMAT_ASCII = 1;

// WG timing definition.
inline constexpr const char* WG_OUTPUT_ORDER_ITEMS[] = {"In order", "Reverse order"};

// QR code parameter settings.
inline constexpr const char* CARD_NUMBER_FORMAT_ITEMS[] = {"8H10D", "Hexadecimal", "2H3D+4H5D"};
// "0" to "50": the position is the bit.
ChoiceItems StartBitItems();

// The lists that are never shown.
inline constexpr const char* SWITCH_ITEMS[] = {"Close", "Open"};
inline constexpr const char* CLOUD_PROVIDER_ITEMS[] = {"Aliyun", "Baidu"};
inline constexpr const char* ENCRYPTION_ITEMS[] = {"No encryption", "encryption"};
inline constexpr const char* DEVICE_MODE_ITEMS[] = {"Reader mode", "Access control mode"};
inline constexpr const char* USE_COUNT_ITEMS[] = {"Infinite times", "Once"};
inline constexpr const char* NETWORK_PROTOCOL_ITEMS[] = {"HTTP", "TCP", "UDP"};
