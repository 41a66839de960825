// Misbehaviour the simulated programmer shows on demand, so that the host's
// failure paths can be driven: commands left unanswered, damaged replies,
// short bulk reads, a programmer pulled out mid-operation, an erase that
// never completes, answers that come too late. All of it can be changed while the simulation runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>

namespace tessary::sim {

struct FaultSettings {
  // Frames with these opcodes get no reply at all: the host's read runs
  // into the IN pipe's timeout.
  std::set<std::uint8_t> silent_opcodes;

  // Replies to these opcodes start with 0x03 instead of 0x02.
  std::set<std::uint8_t> wrong_start_opcodes;

  // Replies to these opcodes carry a payload cut or padded (with 0x00) to
  // the given length; the length field states that length.
  std::map<std::uint8_t, std::size_t> reply_lengths;

  // Most bytes of a bulk-read stream that one IN read delivers (0: as many
  // as asked for). The rest follows with the next reads.
  std::size_t bulk_read_chunk = 0;

  // Bytes missing at the end of every bulk-read stream: the stream simply
  // ends early, so the host's block comes short.
  std::size_t bulk_read_shortfall = 0;

  // The programmer leaves the bus after this many more transfers (writes
  // and reads, counted by the link); 0 = never. Counts down to 0.
  std::uint32_t unplug_after_transfers = 0;

  // A started chip erase answers "busy" to every status poll.
  bool erase_never_finishes = false;

  // Replies to these opcodes are held back until a read of the host has
  // timed out: the host then takes each as the answer to its next command.
  std::set<std::uint8_t> late_reply_opcodes;

  // Every reply frame can be read only this long after its command came
  // (a slow programmer); under the IN pipe's timeout the host still gets it
  // in time, beyond it the answer is late. Raw data streams are not delayed.
  std::uint32_t reply_delay_ms = 0;

  // The boot loader stores this firmware image block (1 = the first one it
  // receives, 0 = none) with its first byte inverted, as if it had been
  // damaged on the way: the image check then finds a different image.
  std::uint32_t corrupt_image_block = 0;

  // The image check reports a different image whatever arrived.
  bool image_check_fails = false;
};

}  // namespace tessary::sim
