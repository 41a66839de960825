// What a chip operation works with: the link, the chip and its operation
// state (start address, socket, stop request), the data buffer, the NAND
// bad-block table with its skip option, and the operator's log and bars.
// The handler layer assembles one from the program's records.
#pragma once

#include <cstdint>

#include "base/clock.h"
#include "base/language_texts.h"
#include "base/operation_log.h"
#include "base/operator_panel.h"
#include "buffer/data_buffer.h"
#include "catalogue/chip_record.h"
#include "device/device_link.h"
#include "operations/bad_block_table.h"

namespace tessary {

struct ChipJob {
  DeviceLink& link;
  Prj_Info_Struct& chip;
  Ram_File_Info_Struct& buffer;
  BadBlockTable& bad_blocks;
  const bool& skip_bad_blocks;  // "自动跳过坏块" ticked; the operator may change it meanwhile
  OperationLog& log;
  OperatorPanel& panel;
  const Dev_Language_Struct& texts;
  const Clock& clock;

  // The NAND skip for the block holding chip `address`.
  [[nodiscard]] bool SkipsBlockAt(std::uint64_t address) const {
    return IsSkippedBlock(bad_blocks, skip_bad_blocks, chip, address);
  }
};

// How an operation loop or body ended.
enum class OperationResult : std::uint8_t {
  Ok,
  Stopped,  // the operator pressed stop; the loop ended before its next block
  Failed,   // the chip or the programmer failed, or the job cannot be done
};

}  // namespace tessary
