// MD5 message digest (RFC 1321). The boot loader checks a received firmware
// image against it, so the host and the simulated programmer both need it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessary {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental digest: feed any number of pieces, then finish once.
class Md5 {
 public:
  Md5();

  void Update(std::span<const std::uint8_t> bytes);

  // The digest of everything fed so far. The object is spent afterwards;
  // make a new one for the next message.
  [[nodiscard]] Md5Digest Finish();

 private:
  void Transform(const std::uint8_t* block);

  std::array<std::uint32_t, 4> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pending_length_ = 0;
  std::uint64_t total_length_ = 0;
};

// The digest of one whole message.
[[nodiscard]] Md5Digest Md5Of(std::span<const std::uint8_t> bytes);

}  // namespace tessary
