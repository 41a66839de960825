// The chip command set: the frames through which the program tells the
// programmer about the chip, reads its ID, erases it, moves data to and from
// it in blocks, polls the sockets and sets the SPI clock, SPI DMA and NAND
// bad-block table. The three whole-chip loops (data write, erase by filling,
// NAND block erase) also drive the progress bars and honour the stop button.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "catalogue/chip_record.h"
#include "device/command_status.h"
#include "device/device_link.h"
#include "operations/bad_block_table.h"
#include "operations/channel_progress.h"
#include "operations/chip_job.h"

namespace tessary {

inline constexpr std::uint8_t kOpStatusIndication = 0x20;
inline constexpr std::uint8_t kOpReadChipId = 0x31;
inline constexpr std::uint8_t kOpChipErase = 0x32;
inline constexpr std::uint8_t kOpNandBlockErase = 0x33;
inline constexpr std::uint8_t kOpBulkRead = 0x34;
inline constexpr std::uint8_t kOpDataWrite = 0x35;
inline constexpr std::uint8_t kOpSocketStatus = 0x38;
inline constexpr std::uint8_t kOpChipParameters = 0x39;
inline constexpr std::uint8_t kOpSetSpiClock = 0x3A;
inline constexpr std::uint8_t kOpBadBlockScan = 0x3B;
inline constexpr std::uint8_t kOpSetSpiDma = 0x3C;

// Status indication codes the operations send.
inline constexpr std::uint16_t kStatusSuccess = 0;
inline constexpr std::uint16_t kStatusStart = 1;
inline constexpr std::uint16_t kStatusFailure = 3;
inline constexpr std::uint16_t kStatusAutoStart = 50;
inline constexpr std::uint16_t kStatusDone = 100;
inline constexpr std::uint16_t kStatusVerifyFailed = 200;

// ChipEraseCommand sub-codes.
inline constexpr std::uint8_t kEraseStart = 0xFF;  // sent first
inline constexpr std::uint8_t kEraseGo = 0x00;     // sent 100 ms later
inline constexpr std::uint8_t kErasePoll = 0x01;   // status poll
inline constexpr std::uint8_t kEraseFinishedByte = 0x55;

// Data blocks of the write and fill loops travel behind this many payload
// bytes (channel, type, address, total, block length).
inline constexpr std::size_t kDataBlockHeader = 12;
// The largest block one 0x35 frame can carry.
inline constexpr std::size_t kMaxDataBlock = kMaxPayloadLength - kDataBlockHeader;

// --- single commands --------------------------------------------------------

// 0x20 with a 16-bit code.
CommandStatus SendStatusIndication(DeviceLink& link, std::uint16_t code);

struct ChipIdReply {
  std::uint32_t id = 0;
  std::array<std::uint8_t, 2> extra{};
};

// 0x31. Ok with the ID and the two extra bytes in `reply`; BadLength for a
// reply that does not carry exactly six bytes. `reply` is only written on
// success.
[[nodiscard]] CommandStatus ReadChipId(DeviceLink& link, ChipIdReply& reply);

// What the programmer said to a 0x32 chip erase frame.
enum class EraseReply : std::uint8_t {
  Finished,   // the one-byte answer 0x55
  Erasing,    // any other one-byte answer
  BadLength,  // an answer that is not one byte
  NoReply,    // no valid answer (or nothing sent)
};

// 0x32 with channel, chip type code and sub-code.
[[nodiscard]] EraseReply ChipEraseCommand(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                                          std::uint8_t sub_code);

// Both sockets' states as the programmer reports them (0 = chip present).
struct SocketReply {
  std::uint8_t ch1 = kSocketEmpty;
  std::uint8_t ch2 = kSocketEmpty;
};

// 0x38 with the chip type code. Ok with both states; otherwise `reply` is
// untouched.
[[nodiscard]] CommandStatus QuerySocketStatus(DeviceLink& link, ChipTypeId type,
                                              SocketReply& reply);

// Sends the chip's type, voltage code, parameter bytes, page size and
// capacity (0x39). Ok once the frame has gone out (the reply is read but not
// examined); LinkClosed when no programmer is linked (nothing sent).
CommandStatus SendChipParameters(DeviceLink& link, const Prj_Info_Struct& chip);

// SPI clock codes: 1 = 18 MHz, 2 = 9 MHz, 3 = 4.5 MHz, 4 = 2.25 MHz,
// 5 = 1.125 MHz; 10 asks for the current code.
inline constexpr std::uint8_t kSpiClockQuery = 10;

// 0x3A, up to eight tries. Ok with the reply's one payload byte in
// `reply_byte`; BadLength when the reply does not carry exactly one byte.
[[nodiscard]] CommandStatus SetSpiClock(DeviceLink& link, std::uint8_t code,
                                        std::uint8_t& reply_byte);

// 0x3C: code 1 starts SPI DMA, 0 stops it. Results as SetSpiClock.
[[nodiscard]] CommandStatus SetSpiDma(DeviceLink& link, std::uint8_t code,
                                      std::uint8_t& reply_byte);

// 0x3B for `channel`, up to eight tries. On success the table takes the
// block count N, the good count N - B and the bitmap flags (whole bytes,
// most significant bit first, at most 8192 flags); a reply longer than one
// transaction's read is read to its end, and every flag the bitmap does not
// cover is reset to good. BadLength for a reply too short for the two
// counts; the table is then untouched.
[[nodiscard]] CommandStatus ScanNandBadBlocks(DeviceLink& link, std::uint8_t channel,
                                              BadBlockTable& table);

// --- bulk streams -----------------------------------------------------------

// The 0x34 set-up of one bulk-read block: the programmer answers with
// `block_length` raw bytes, read with ReadBulkBlock.
[[nodiscard]] LinkStatus StartBulkRead(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                                       std::uint32_t address, std::uint32_t total,
                                       std::uint16_t block_length);

// Reads into.size() raw bytes: one read plus up to three top-ups 10 us apart
// for the missing bytes. True when all arrived.
[[nodiscard]] bool ReadBulkBlock(DeviceLink& link, std::span<std::uint8_t> into);

// The 0x35 set-up of a raw bulk-write stream, then 100 ms for the
// programmer to get ready. Nothing is read back.
[[nodiscard]] LinkStatus StartBulkWrite(DeviceLink& link, std::uint8_t channel, ChipTypeId type,
                                        std::uint32_t address, std::uint32_t total,
                                        std::uint16_t block_length);

// --- socket poll ------------------------------------------------------------

// Polls both sockets and notes newly inserted chips in ChipInserted1/2 of
// `chip`. A poll that got no answer counts as empty sockets; a poll refused
// because another transfer is waiting changes nothing. Loops run it between
// their blocks when SocketPollDue is set (PollSocketsIfDue).
void PollSockets(DeviceLink& link, Prj_Info_Struct& chip);
void PollSocketsIfDue(DeviceLink& link, Prj_Info_Struct& chip);

// --- whole-chip loops -------------------------------------------------------

// "CH1 ", "CH2 " or "CH1 & CH2 " for channels 0, 1, 2; "CH1 " otherwise.
[[nodiscard]] std::string_view ChannelName(std::uint8_t channel);

// The 24, 25, 93 and 95 series: EEPROMs without an erase command (they are
// erased by writing 0xFF) whose last write needs 300 ms to settle.
[[nodiscard]] bool IsByteEeprom(ChipTypeId type);

// Block lengths of the write and fill loops; 0 when the chip cannot be
// written in blocks (no page size for a 45 EEPROM, or a page too large for
// one frame).
[[nodiscard]] std::uint32_t WriteBlockLength(const Prj_Info_Struct& chip);
[[nodiscard]] std::uint32_t FillBlockLength(const Prj_Info_Struct& chip);


// Writes the data buffer (DataLen rounded up to whole pages, at most
// ChipSize, from RamStartAddr) to the chip in 0x35 blocks, stepping over
// bad NAND blocks, with progress and the start and result log lines. Stopped
// when the stop button was pressed (StopRequest is cleared); Failed, with a
// red line, when a block was not taken, the link closed, the data does not
// fit into the good blocks, or the chip's block length is unusable.
[[nodiscard]] OperationResult WriteChipData(const ChipJob& job, std::uint8_t channel);

// Erases an EEPROM that has no erase command by writing 0xFF over the whole
// chip. Failed when a block was not taken or the block length is unusable.
[[nodiscard]] OperationResult FillEraseChip(const ChipJob& job, std::uint8_t channel);

// Erases a NAND chip block by block (0x33), stepping over bad blocks. Failed
// when the chip is not NAND FLASH, has no block size or a frame was not
// taken.
[[nodiscard]] OperationResult EraseNandBlocks(const ChipJob& job, std::uint8_t channel);

}  // namespace tessary
