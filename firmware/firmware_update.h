// The boot loader's side of a firmware update as the host drives it: the
// restart request, the image in 1024-byte blocks, the MD5 check of the whole
// image and the finish that restarts into the new firmware. The waits for
// the programmer to leave and come back belong to whoever follows the bus.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "device/device_link.h"
#include "firmware/md5.h"

namespace tessary {

inline constexpr std::uint8_t kOpEnterBootLoader = 0xF0;
inline constexpr std::uint8_t kOpImageBlock = 0xF1;
inline constexpr std::uint8_t kOpImageFinish = 0xF2;
inline constexpr std::uint8_t kOpImageCheck = 0xF3;
inline constexpr std::size_t kImageBlockSize = 1024;
// An unanswered block is sent this many times in all before the transfer
// gives up; each try costs the IN pipe's 2-second timeout.
inline constexpr int kImageBlockAttempts = 8;

// The restart request 0xF0. True when the programmer answered it.
[[nodiscard]] bool EnterBootMode(DeviceLink& link);

// Payload of the 0xF1 frame for the block at `address`: the address, the
// length 0x0400 and 1024 data bytes, the part past `data` filled with 0xFF.
[[nodiscard]] std::vector<std::uint8_t> ImageBlockPayload(std::uint32_t address,
                                                          std::span<const std::uint8_t> data);

// Payload of the 0xF3 frame: the number of bytes sent and the digest.
[[nodiscard]] std::vector<std::uint8_t> ImageCheckPayload(std::uint32_t sent,
                                                          const Md5Digest& digest);

// The MD5 the boot loader checks: all 1024-byte blocks as sent, the last
// one filled up with 0xFF.
[[nodiscard]] Md5Digest ImageDigest(std::span<const std::uint8_t> image);

enum class ImageTransfer : std::uint8_t {
  Finished,         // sent, the check passed and the finish was sent
  BlockUnanswered,  // a block stayed unanswered through every attempt
  LinkLost,         // the programmer left the bus during the transfer
  CheckUnanswered,  // the image check got no valid answer
  CheckRejected,    // the boot loader found a different image
};

// What the transfer tells its caller as it goes.
class ImageTransferEvents {
 public:
  virtual ~ImageTransferEvents() = default;
  // `position` of `maximum` bytes sent and answered.
  virtual void BlockSent(std::uint32_t position, std::uint32_t maximum) = 0;
  // The block at `address` got no valid answer and is sent again.
  virtual void BlockResent(std::uint32_t address, int attempt) = 0;
};

// Streams `image` to the boot loader, has it checked and, when the check
// passes, sends the finish (whose answer is not examined). Without the
// finish the programmer stays in its boot loader, ready for another try.
[[nodiscard]] ImageTransfer SendFirmwareImage(DeviceLink& link, std::span<const std::uint8_t> image,
                                              ImageTransferEvents& events);

}  // namespace tessary
