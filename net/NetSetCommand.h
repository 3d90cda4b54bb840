// The network set-up command (0x20): the header alone, then the 96-byte block, as two datagrams
// to the reader's port. The dialog's "Set up" handler and tessaroctl both send it.
#pragma once

#include "core/Frame.h"
#include "core/WireConstants.h"
#include "net/DiscoverDev.h"

#include <array>
#include <cstdint>
#include <string_view>

struct NetSetDatagrams {
    std::array<std::uint8_t, PACKAGE_HEADER_LEN> header{};
    std::array<std::uint8_t, DISCOVER_DEV_LEN> block{};
};

// name: the reader's name as listed; one that fills all 16 bytes goes back without a terminator.
NetSetDatagrams BuildNetSetCommand(std::string_view name, const NetBlock& settings);
