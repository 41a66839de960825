// The Data Encryption Standard block operation and its three-key EDE form,
// used to keep the catalogue's connection string out of plain sight in the
// executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessary {

enum class DesMode : std::uint8_t {
  Encipher = 0,
  Decipher = 1,
};

inline constexpr std::size_t kDesBlockSize = 8;
inline constexpr std::size_t kDesKeySize = 8;
inline constexpr std::size_t kTripleDesKeySize = 24;

// One single-DES block. Bytes are taken most significant bit first; the
// parity bits of the key are ignored. `in` and `out` may be the same bytes.
void DesBlock(DesMode mode, std::span<const std::uint8_t, kDesBlockSize> in,
              std::span<const std::uint8_t, kDesKeySize> key,
              std::span<std::uint8_t, kDesBlockSize> out);

// One triple-DES block with three keys (K1 = key bytes 0-7, K2 = 8-15,
// K3 = 16-23): enciphering is E(K1), D(K2), E(K3); deciphering is D(K3),
// E(K2), D(K1). No chaining. Returns the number of bytes produced, 8.
std::size_t TripleDesBlock(DesMode mode, std::span<const std::uint8_t, kDesBlockSize> in,
                           std::span<const std::uint8_t, kTripleDesKeySize> key,
                           std::span<std::uint8_t, kDesBlockSize> out);

}  // namespace tessary
