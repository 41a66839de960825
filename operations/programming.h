// The programming operations on a chip: erase, blank check, read and verify
// bodies that the window, the auto sequence, mass production and the
// command line share. Each works on the channel it is given (0 CH1, 1 CH2,
// 2 both) and drives that channel's progress bars.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "operations/chip_job.h"

namespace tessary {

// Red line while a chip erase that must not be cut short runs on after a stop.
inline constexpr std::string_view kTextEraseFinishesFirst =
    "芯片正在擦除中，为了保证芯片安全，将在擦除完成后，停止本次操作.";

// How many status polls a chip erase gets, 2 s apart, before it counts as
// failed.
inline constexpr int kErasePolls = 100;

// Erases the chip: NAND block by block, the 24/25/93/95 EEPROMs by writing
// 0xFF everywhere, every other type with the programmer's chip erase and
// its status polls. Logs the start line(s). A stop pressed during a chip
// erase is acknowledged and honoured only once the erase has finished.
[[nodiscard]] OperationResult EraseChip(const ChipJob& job, std::uint8_t channel);

// Status indication 1, the data write, then 0 on success or 3 on failure.
[[nodiscard]] OperationResult WriteChip(const ChipJob& job, std::uint8_t channel);

// How a verify ended; on a mismatch, the chip offset of the block that kept
// differing.
struct VerifyOutcome {
  OperationResult result = OperationResult::Ok;
  std::optional<std::uint32_t> mismatch_offset;
};

// Compares the chip, from RamStartAddr, with the buffer's DataLen bytes. A
// block that differs is read again up to five times; at the sixth
// consecutive mismatch the offset is shown in a message box and the bars
// turn red. Failed also when a block did not arrive whole.
[[nodiscard]] VerifyOutcome VerifyChannel(const ChipJob& job, std::uint8_t channel);

// Reads chip addresses 0 to DataLen - 1 and checks they all hold 0xFF.
[[nodiscard]] OperationResult BlankCheckChannel(const ChipJob& job, std::uint8_t channel);

// Reads the whole chip into a new buffer of ChipSize bytes (good NAND blocks
// back to back, 0xFF after them). Failed when a block came short or the
// programmer went away; the buffer keeps what was read.
[[nodiscard]] OperationResult ReadChip(const ChipJob& job, std::uint8_t channel);

// Block lengths of the bulk reads.
[[nodiscard]] std::uint32_t ReadBlockLength(const Prj_Info_Struct& chip);
[[nodiscard]] std::uint32_t VerifyBlockLength(const Prj_Info_Struct& chip);
[[nodiscard]] std::uint32_t BlankCheckBlockLength(const Prj_Info_Struct& chip);

}  // namespace tessary
