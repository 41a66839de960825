// Result codes shared by the device and chip command functions.
#pragma once

#include <cstdint>

namespace tessary {

using ResultCode = std::uint8_t;

namespace result {
inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kNoReply = 1;          // no valid reply
inline constexpr ResultCode kBadLength = 3;        // reply payload of unexpected length
inline constexpr ResultCode kStopped = 0x55;       // stopped by the operator
inline constexpr ResultCode kLinkClosed = 0xFE;    // link not open, nothing sent
inline constexpr ResultCode kFailed = 0xFF;        // no valid reply after retries, or failure
}  // namespace result

}  // namespace tessary
