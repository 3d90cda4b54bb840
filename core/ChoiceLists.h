// The dialog's choice lists: their items in list order and what a position means. The position
// is what goes on the wire (one byte or a 32-bit number); the lists whose items are numbers
// ("8", "115200") are matched by the number in the item's text instead.
#pragma once

#include "core/TranslateMark.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

// The items are marked for translation where they are shown; as data they stay English.

using ChoiceItems = std::span<const char* const>;

// The UDP parameter record gives the output format and the card input format as position + 1;
// every other list travels as its position.
inline constexpr int UDP_FORMAT_CODE_OFFSET = 1;

// Network parameter setting.
inline constexpr const char* NETWORK_MODE_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "Fixed IP"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Automatic acquisition")};
inline constexpr int NETWORK_MODE_FIXED_IP = 0;
inline constexpr int NETWORK_MODE_AUTOMATIC = 1;
inline constexpr const char* HTTP_SERVER_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "PHP"), QT_TRANSLATE_NOOP("ChoiceLists", "JSP"),
    QT_TRANSLATE_NOOP("ChoiceLists", "C#"), QT_TRANSLATE_NOOP("ChoiceLists", "ASP"),
    QT_TRANSLATE_NOOP("ChoiceLists", "CGI")};

// Format parameter settings.
inline constexpr const char* OUTPUT_FORMAT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "USB keyboard"),
    QT_TRANSLATE_NOOP("ChoiceLists", "USB serial port"),
    QT_TRANSLATE_NOOP("ChoiceLists", "RS232"),
    QT_TRANSLATE_NOOP("ChoiceLists", "RS485"),
    QT_TRANSLATE_NOOP("ChoiceLists", "WG26"),
    QT_TRANSLATE_NOOP("ChoiceLists", "WG34"),
    QT_TRANSLATE_NOOP("ChoiceLists", "WG256"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Wechat app open")};
inline constexpr const char* CARD_INPUT_FORMAT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "6H"), QT_TRANSLATE_NOOP("ChoiceLists", "8H"),
    QT_TRANSLATE_NOOP("ChoiceLists", "8H10D"), QT_TRANSLATE_NOOP("ChoiceLists", "6H10D"),
    QT_TRANSLATE_NOOP("ChoiceLists", "2h3D+4h5d")};
inline constexpr const char* ENTER_KEY_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "No enter"),
                                                  QT_TRANSLATE_NOOP("ChoiceLists", "Enter")};
inline constexpr const char* LINE_FEED_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "No Line Feed"),
                                                  QT_TRANSLATE_NOOP("ChoiceLists", "Line Feed")};
// The speeds a reader is looked for at: the Port baud rate list's, the common ones first (readers
// leave the factory at 9600; 115200 and 19200 are what installers pick most), the rest in list
// order.
std::vector<int> ReaderSearchSpeeds();
// The reader's baud rate and the port's: matched by number.
inline constexpr const char* BAUD_RATE_ITEMS[] = {"4800",  "9600",   "14400",
                                                  "19200", "115200", "256000"};
inline constexpr const char* DATA_BIT_ITEMS[] = {"8", "7", "6", "5"}; // matched by number
inline constexpr const char* STOP_BIT_ITEMS[] = {"1", "2"};           // matched by number
inline constexpr const char* PARITY_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "EVEN"),
                                               QT_TRANSLATE_NOOP("ChoiceLists", "ODD"),
                                               QT_TRANSLATE_NOOP("ChoiceLists", "NONE")};
inline constexpr int PARITY_EVEN = 0;
inline constexpr int PARITY_ODD = 1;
inline constexpr int PARITY_NONE = 2;
inline constexpr const char* QR_OUTPUT_FORMAT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "ASCII"), QT_TRANSLATE_NOOP("ChoiceLists", "Hexadecimal")};

// External parameter settings.
inline constexpr const char* RESET_INTERVAL_ITEMS[] = {
    "0", QT_TRANSLATE_NOOP("ChoiceLists", "12 hours"),
    QT_TRANSLATE_NOOP("ChoiceLists", "24 hours")};
inline constexpr const char* WORKING_MODE_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "Common mode"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Single mode"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Interval mode")};
inline constexpr const char* HORN_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "Close"),
                                             QT_TRANSLATE_NOOP("ChoiceLists", "Open")};
inline constexpr const char* LIGHT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "turn off(Sweeping light)"),
    QT_TRANSLATE_NOOP("ChoiceLists", "turn on"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Detect the light")};

// The affix format lists (barcode and card) and the card's serial output format: position 0
// means the box holds hexadecimal pairs, 1 the text as typed.
inline constexpr const char* AFFIX_FORMAT_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "hex"),
                                                     QT_TRANSLATE_NOOP("ChoiceLists", "ASCII")};
inline constexpr int AFFIX_FORMAT_HEX = 0;
inline constexpr int AFFIX_FORMAT_ASCII = 1;

// WG timing definition.
inline constexpr const char* WG_OUTPUT_ORDER_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "In order"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Reverse order")};

// QR code parameter settings.
inline constexpr const char* CARD_NUMBER_FORMAT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "8H10D"), QT_TRANSLATE_NOOP("ChoiceLists", "Hexadecimal"),
    QT_TRANSLATE_NOOP("ChoiceLists", "2H3D+4H5D")};
// "0" to "50": the position is the bit. Built at compile time, so that tables of constants can
// hold it like the other lists.
namespace choice_detail {
inline constexpr std::size_t START_BIT_COUNT = 51;
inline constexpr auto START_BIT_TEXTS = [] {
    std::array<std::array<char, 3>, START_BIT_COUNT> t{};
    for (std::size_t n = 0; n < t.size(); ++n) {
        t[n] = n < 10 ? std::array<char, 3>{char('0' + n), 0, 0}
                      : std::array<char, 3>{char('0' + n / 10), char('0' + n % 10), 0};
    }
    return t;
}();
inline constexpr auto START_BIT_POINTERS = [] {
    std::array<const char*, START_BIT_COUNT> p{};
    for (std::size_t n = 0; n < p.size(); ++n) {
        p[n] = START_BIT_TEXTS[n].data();
    }
    return p;
}();
} // namespace choice_detail
inline constexpr ChoiceItems START_BIT_ITEMS = choice_detail::START_BIT_POINTERS;

// The lists that are never shown.
inline constexpr const char* SWITCH_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "Close"),
                                               QT_TRANSLATE_NOOP("ChoiceLists", "Open")};
inline constexpr const char* CLOUD_PROVIDER_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "Aliyun"),
                                                       QT_TRANSLATE_NOOP("ChoiceLists", "Baidu")};
inline constexpr const char* ENCRYPTION_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "No encryption"),
    QT_TRANSLATE_NOOP("ChoiceLists", "encryption")};
inline constexpr const char* DEVICE_MODE_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "Reader mode"),
    QT_TRANSLATE_NOOP("ChoiceLists", "Access control mode")};
inline constexpr const char* USE_COUNT_ITEMS[] = {
    QT_TRANSLATE_NOOP("ChoiceLists", "Infinite times"), QT_TRANSLATE_NOOP("ChoiceLists", "Once")};
inline constexpr const char* NETWORK_PROTOCOL_ITEMS[] = {QT_TRANSLATE_NOOP("ChoiceLists", "HTTP"),
                                                         QT_TRANSLATE_NOOP("ChoiceLists", "TCP"),
                                                         QT_TRANSLATE_NOOP("ChoiceLists", "UDP")};
