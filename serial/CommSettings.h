// The serial control's Settings text: "speed,parity,data,stop", e.g. "9600,n,8,1".
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class CommParity { None, Even, Odd, Mark, Space };
enum class CommStopBits { One, OneAndHalf, Two };

struct CommSettings {
    int baudRate = 9600;
    CommParity parity = CommParity::None;
    int dataBits = 8;
    CommStopBits stopBits = CommStopBits::One;
};

// The parity a position of the Parity list stands for; none for a position beyond the list.
CommParity ParityOfItem(int position);
// The Parity list's position for a port's parity; mark and space, which it lacks, read as none.
int ItemOfParity(CommParity parity);

// Speed a positive decimal number; parity one of n, e, o, m, s (either case); data bits 5 to 8;
// stop bits 1, 1.5 or 2. Blanks around a field are allowed. Anything else: no value.
std::optional<CommSettings> ParseCommSettings(std::string_view text);
// The text back: "9600,n,8,1", parity in lower case, stop bits "1", "1.5" or "2".
std::string CommSettingsText(const CommSettings& settings);
