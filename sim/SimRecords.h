// The reader's settings as the wire records carry them.
#pragma once

#include "net/DevParam.h"
#include "net/DiscoverDev.h"
#include "serial/SerialParamRecord.h"
#include "sim/ReaderSettings.h"

#include <cstdint>
#include <span>

namespace sim {

SerialParamRecord ToSerialParamRecord(const ReaderSettings& settings);
DISCOVER_DEV_T ToDiscoverDev(const ReaderSettings& settings);
DEV_PARAM_T ToDevParam(const ReaderSettings& settings);

// The cloud block a reader receives with request 0x18 (at least CLOUD_BLOCK_LEN bytes).
CloudBlock DecodeCloudBlock(std::span<const std::uint8_t> block);
// The network block both UDP records carry, and back.
NetBlock ToNetBlock(const NetworkBlock& net);
NetworkBlock ToNetworkBlock(const NetBlock& block);

} // namespace sim
