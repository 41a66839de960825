// Restart request, image blocks, image check and finish.
#include "firmware/firmware_update.h"

#include <algorithm>

namespace tessary {
namespace {

constexpr std::uint16_t kBlockLengthField = 0x0400;
constexpr std::uint8_t kImageMatches = 0x00;
constexpr std::uint32_t kPauseAfterBlockTicks = 10;  // 100 us

}  // namespace

bool EnterBootMode(DeviceLink& link) { return link.Transact(kOpEnterBootLoader, {}).ok(); }

std::vector<std::uint8_t> ImageBlockPayload(std::uint32_t address,
                                            std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> payload(6 + kImageBlockSize, 0xFF);
  PutBigEndian32(payload.data(), address);
  PutBigEndian16(&payload[4], kBlockLengthField);
  std::copy_n(data.begin(), std::min(data.size(), kImageBlockSize), payload.begin() + 6);
  return payload;
}

std::vector<std::uint8_t> ImageCheckPayload(std::uint32_t sent, const Md5Digest& digest) {
  std::vector<std::uint8_t> payload(4 + digest.size());
  PutBigEndian32(payload.data(), sent);
  std::copy(digest.begin(), digest.end(), payload.begin() + 4);
  return payload;
}

Md5Digest ImageDigest(std::span<const std::uint8_t> image) {
  Md5 md5;
  for (std::size_t at = 0; at < image.size(); at += kImageBlockSize) {
    const std::vector<std::uint8_t> block = ImageBlockPayload(0, image.subspan(at));
    md5.Update(std::span(block).subspan(6));
  }
  return md5.Finish();
}

ImageTransfer SendFirmwareImage(DeviceLink& link, std::span<const std::uint8_t> image,
                                ImageTransferEvents& events) {
  const auto maximum = static_cast<std::uint32_t>(image.size());
  Md5 md5;
  std::uint32_t sent = 0;
  for (std::size_t at = 0; at < image.size(); at += kImageBlockSize) {
    const auto address = static_cast<std::uint32_t>(at);
    const std::vector<std::uint8_t> payload = ImageBlockPayload(address, image.subspan(at));
    md5.Update(std::span(payload).subspan(6));
    sent += kImageBlockSize;
    for (int attempt = 1;; ++attempt) {
      if (!link.LinkOpen()) return ImageTransfer::LinkLost;
      if (link.Transact(kOpImageBlock, payload).ok()) break;
      if (attempt == kImageBlockAttempts) return ImageTransfer::BlockUnanswered;
      events.BlockResent(address, attempt + 1);
    }
    events.BlockSent(std::min(sent, maximum), maximum);
    link.WaitTicks(kPauseAfterBlockTicks);
  }
  const Md5Digest digest = md5.Finish();
  if (!link.LinkOpen()) return ImageTransfer::LinkLost;
  const Reply verdict = link.Transact(kOpImageCheck, ImageCheckPayload(sent, digest));
  if (!verdict.ok() || verdict.bytes().size() < 2) return ImageTransfer::CheckUnanswered;
  if (verdict.bytes()[1] != kImageMatches) return ImageTransfer::CheckRejected;
  // The boot loader restarts on the finish; its answer may never come.
  static_cast<void>(link.Transact(kOpImageFinish, {}));
  return ImageTransfer::Finished;
}

}  // namespace tessary
