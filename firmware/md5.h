// MD5 message digest (RFC 1321), computed by OpenSSL. The boot loader checks
// a received firmware image against it, so the host and the simulated
// programmer both need it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tessary {

using Md5Digest = std::array<std::uint8_t, 16>;

// Incremental digest: feed any number of pieces, then finish once.
class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  void Update(std::span<const std::uint8_t> bytes);

  // The digest of everything fed so far. The object is spent afterwards;
  // make a new one for the next message.
  [[nodiscard]] Md5Digest Finish();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// The digest of one whole message.
[[nodiscard]] Md5Digest Md5Of(std::span<const std::uint8_t> bytes);

}  // namespace tessary
