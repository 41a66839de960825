// The restart into the boot loader (0xF0) and the boot loader's commands:
// image blocks (0xF1), the MD5 check of the image (0xF3) and the finish
// (0xF2) that restarts into the new firmware. Each restart answers first,
// then leaves the bus for the configured boot delay.
#include "device/device_link.h"
#include "firmware/md5.h"
#include "sim/simulated_programmer.h"

#include <algorithm>

namespace tessary::sim {
namespace {

constexpr std::uint8_t kAccepted = 0x00;
constexpr std::uint8_t kInvalid = 0xFF;
constexpr std::uint8_t kImageMatches = 0x00;
constexpr std::uint8_t kImageDiffers = 0x01;
constexpr std::size_t kMaxImageSize = 0x1000000;

}  // namespace

void SimulatedProgrammer::OnEnterBootLoader(const Frame& frame) {
  image_.clear();
  image_blocks_received_ = 0;
  image_verified_ = false;
  leave_after_reply_ = Restart{0, FirmwareMode::BootLoader};
  ReplyByte(frame.opcode, kAccepted);
}

void SimulatedProgrammer::OnImageBlock(const Frame& frame) {
  if (frame.payload.size() < 6) return ReplyByte(frame.opcode, kInvalid);
  const std::uint32_t address = GetBigEndian32(frame.payload.data());
  const std::size_t length =
      std::min<std::size_t>(GetBigEndian16(&frame.payload[4]), frame.payload.size() - 6);
  if (std::uint64_t{address} + length > kMaxImageSize) return ReplyByte(frame.opcode, kInvalid);
  if (image_.size() < address + length) image_.resize(address + length, 0xFF);
  std::copy_n(frame.payload.begin() + 6, length, image_.begin() + address);
  ++image_blocks_received_;
  if (length > 0 && image_blocks_received_ == faults_.corrupt_image_block) image_[address] ^= 0xFF;
  image_verified_ = false;
  ReplyByte(frame.opcode, kAccepted);
}

void SimulatedProgrammer::OnImageCheck(const Frame& frame) {
  bool matches = false;
  if (frame.payload.size() >= 20) {
    const std::uint32_t sent = GetBigEndian32(frame.payload.data());
    if (sent <= kMaxImageSize) {
      std::vector<std::uint8_t> image = image_;
      image.resize(sent, 0xFF);
      const Md5Digest digest = Md5Of(image);
      matches = !faults_.image_check_fails &&
                std::equal(digest.begin(), digest.end(), frame.payload.begin() + 4);
    }
  }
  image_verified_ = matches;
  // The verdict travels in the frame's second byte (where other replies
  // repeat the opcode) and, for good measure, as the payload.
  const std::uint8_t verdict = matches ? kImageMatches : kImageDiffers;
  Reply(frame.opcode, std::span(&verdict, 1), verdict);
}

void SimulatedProgrammer::OnImageFinish(const Frame& frame) {
  // Without a verified image the boot loader stays in charge after the restart.
  if (image_verified_ && !config_.next_firmware.empty())
    application_firmware_ = config_.next_firmware;
  leave_after_reply_ =
      Restart{0, image_verified_ ? FirmwareMode::Application : FirmwareMode::BootLoader};
  ReplyByte(frame.opcode, kAccepted);
}

}  // namespace tessary::sim
