// The framing set on a pseudo-terminal, as its master sees it: any speed, standard or custom
// (256000, 14400), with the data bits, stop bits and parity. Linux only.
#pragma once

#include "sim/ReaderSettings.h"

#include <optional>

// Nothing when it cannot be read.
std::optional<sim::SerialFraming> PeerFraming(int fd);
