// Checks the commands that talk to chips make before their first chip
// command: a programmer that can work with chips, and a chip that answers.
#pragma once

#include <cstdint>

#include "cli/programmer_session.h"

namespace tessary::cli {

// Opens and identifies the programmer for a chip command. A programmer that
// runs its boot loader is refused: it answers no chip command until its
// firmware is updated. kExitOk, or the exit code with the reason on stderr.
[[nodiscard]] int OpenProgrammerForChips(ProgrammerSession& session);

// An empty socket leaves the data line floating (all ones) or held low; no
// chip answers the ID query with either.
[[nodiscard]] constexpr bool NobodyAnswered(std::uint32_t code) {
  const std::uint32_t low = code & 0x00FFFFFF;
  return low == 0x00FFFFFF || low == 0;
}

}  // namespace tessary::cli
