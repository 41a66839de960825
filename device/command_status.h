// How a single command of the programmer ended, as its callers judge it.
#pragma once

#include <cstdint>

#include "device/device_link.h"

namespace tessary {

enum class CommandStatus : std::uint8_t {
  Ok,
  NoReply,     // no valid reply (also: the frame did not go out whole)
  BadLength,   // a reply whose payload is not what the command expects
  LinkClosed,  // no programmer linked: nothing sent
  Busy,        // another transfer was waiting: nothing sent
};

// The command status of a reply whose contents the command does not check.
[[nodiscard]] constexpr CommandStatus StatusOf(LinkStatus status) {
  switch (status) {
    case LinkStatus::Ok: return CommandStatus::Ok;
    case LinkStatus::NoReply: return CommandStatus::NoReply;
    case LinkStatus::NotSent: return CommandStatus::NoReply;
    case LinkStatus::LinkClosed: return CommandStatus::LinkClosed;
    case LinkStatus::Busy: return CommandStatus::Busy;
  }
  return CommandStatus::NoReply;
}

// The status of a reply that must carry exactly `count` payload bytes.
[[nodiscard]] inline CommandStatus StatusOf(const Reply& reply, std::size_t count) {
  if (!reply.ok()) return StatusOf(reply.status());
  return reply.Carries(count) ? CommandStatus::Ok : CommandStatus::BadLength;
}

}  // namespace tessary
