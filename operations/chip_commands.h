// The chip command set: the frames through which the program tells the
// programmer about the chip, reads its ID, erases it, moves data to and from
// it in blocks, polls the sockets and sets the SPI clock, SPI DMA and NAND
// bad-block table. The three whole-chip loops (data write, erase by filling,
// NAND block erase) also drive the progress bars and honour the stop button.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/app_context.h"
#include "catalogue/chip_record.h"
#include "device/device_link.h"
#include "operations/bad_block_table.h"

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

// Results peculiar to single commands.
namespace result {
inline constexpr ResultCode kEraseBusy = 1;        // ChipEraseCommand: not finished yet
inline constexpr ResultCode kSocketNoReply = 5;    // QuerySocketStatus: no valid reply
inline constexpr ResultCode kSocketBadLength = 6;  // QuerySocketStatus: wrong reply length
}  // namespace result

// Status indication codes the operations send.
inline constexpr std::uint16_t kStatusSuccess = 0;
inline constexpr std::uint16_t kStatusStart = 1;
inline constexpr std::uint16_t kStatusFailure = 3;

// ChipEraseCommand sub-codes.
inline constexpr std::uint8_t kEraseStart = 0xFF;  // sent first
inline constexpr std::uint8_t kEraseGo = 0x00;     // sent 100 ms later
inline constexpr std::uint8_t kErasePoll = 0x01;   // status poll
inline constexpr std::uint8_t kEraseFinishedByte = 0x55;

// Data blocks of the write and fill loops travel behind this many payload
// bytes (channel, type, address, total, block length).
inline constexpr std::size_t kDataBlockHeader = 12;
// The largest block a 0x35 frame can carry inside CommandFrame.
inline constexpr std::size_t kMaxDataBlock = kMaxPayloadLength - kDataBlockHeader;

// --- single commands --------------------------------------------------------

// 0x20 with a 16-bit code. 0, or 1 when no valid reply came.
ResultCode SendStatusIndication(DeviceLink& link, std::uint16_t code);

struct ChipIdReply {
  std::uint32_t id = 0;
  std::array<std::uint8_t, 2> extra{};
};

// 0x31. 0 with the ID and the two extra bytes in `reply`; 1 no valid reply;
// 3 a reply that does not carry exactly six bytes. `reply` is only written
// on success.
[[nodiscard]] ResultCode ReadChipId(DeviceLink& link, ChipIdReply& reply);

// 0x32 with channel, chip type code and sub-code. 0 when the programmer
// reports the erase finished (0x55), kEraseBusy for any other byte, 3 for a
// reply of the wrong length, 0xFF when no valid reply came.
[[nodiscard]] ResultCode ChipEraseCommand(DeviceLink& link, std::uint8_t channel,
                                          std::uint8_t chip_type, std::uint8_t sub_code);

// 0x38 with the chip type code. 0 with both socket states (0 = chip
// present); kSocketNoReply or kSocketBadLength leave `ch1` and `ch2` as
// they were.
[[nodiscard]] ResultCode QuerySocketStatus(DeviceLink& link, std::uint8_t chip_type,
                                           std::uint8_t& ch1, std::uint8_t& ch2);

// Sends the current chip's type, voltage code, parameter bytes, page size
// and capacity (0x39). 0 once the frame has gone out (the reply is read but
// not examined); 0xFE when no programmer is linked (nothing sent).
ResultCode SendChipParameters(DeviceLink& link, const Prj_Info_Struct& chip);

// SPI clock codes: 1 = 18 MHz, 2 = 9 MHz, 3 = 4.5 MHz, 4 = 2.25 MHz,
// 5 = 1.125 MHz; 10 asks for the current code.
inline constexpr std::uint8_t kSpiClockQuery = 10;

// 0, 0xFE (link not open, nothing sent) or 0xFF (no valid reply after eight
// transactions). On success `reply_byte` holds the reply's first payload byte.
[[nodiscard]] ResultCode SetSpiClock(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte);

// code 1 starts SPI DMA, 0 stops it. Results as SetSpiClock.
[[nodiscard]] ResultCode SetSpiDma(DeviceLink& link, std::uint8_t code, std::uint8_t& reply_byte);

// 0x3B for `channel`, up to eight tries. On success the table takes the
// block count N, the good count N - B and the bitmap flags the reply really
// carries (whole bytes, most significant bit first, at most 8192 flags);
// flags beyond those keep their values. 0xFE link not open, 0xFF no valid
// reply, 3 a reply too short for the two counts; the table is then untouched.
[[nodiscard]] ResultCode ScanNandBadBlocks(DeviceLink& link, std::uint8_t channel,
                                           BadBlockTable& table);

// --- bulk streams -----------------------------------------------------------

// The 0x34 set-up of one bulk-read block: the programmer answers with
// `block_length` raw bytes, read with ReadBulkBlock. Always 0.
ResultCode StartBulkRead(DeviceLink& link, std::uint8_t channel, std::uint8_t chip_type,
                         std::uint32_t address, std::uint32_t total, std::uint16_t block_length);

// Reads `length` raw bytes into ReplyBuffer: one read plus up to three
// top-ups 10 us apart for the missing bytes. 0 complete, 1 short. A length
// beyond ReplyBuffer is read only as far as the buffer goes and reported short.
[[nodiscard]] ResultCode ReadBulkBlock(DeviceLink& link, std::size_t length);

// The 0x35 set-up of a raw bulk-write stream, then 100 ms for the
// programmer to get ready. Nothing is read back. Always 0.
ResultCode StartBulkWrite(DeviceLink& link, std::uint8_t channel, std::uint8_t chip_type,
                          std::uint32_t address, std::uint32_t total, std::uint16_t block_length);

// --- socket poll ------------------------------------------------------------

// Polls both sockets without disturbing a frame another operation is
// building (the first 32 bytes of CommandFrame are kept), and notes newly
// inserted chips in ChipInserted1/2. A failed poll counts as empty sockets.
void PollSockets(AppContext& ctx);

// --- whole-chip loops -------------------------------------------------------

// "CH1 ", "CH2 " or "CH1 & CH2 " for channels 0, 1, 2; "CH1 " otherwise.
[[nodiscard]] std::string_view ChannelName(std::uint8_t channel);

// The progress bars of a channel: CH2's for 1, both for 2, CH1's otherwise.
struct ChannelBars {
  bool chip1 = false;
  bool chip2 = false;
};
[[nodiscard]] ChannelBars BarsOf(std::uint8_t channel);

// The NAND skip of the current chip for chip `address` (bad-block table,
// "自动跳过坏块" ticked, chip type NAND FLASH).
[[nodiscard]] bool NandSkipDue(const AppContext& ctx, std::uint64_t address);

// Block lengths of the write and fill loops; 0 when the chip cannot be
// written in blocks (no page size for a 45 EEPROM, or a page too large for
// one frame).
[[nodiscard]] std::uint32_t WriteBlockLength(const Prj_Info_Struct& chip);
[[nodiscard]] std::uint32_t FillBlockLength(const Prj_Info_Struct& chip);

// Writes the data buffer (DataLen rounded up to whole pages, at most
// ChipSize, from RamStartAddr) to the chip in 0x35 blocks, stepping over
// bad NAND blocks, with progress and the start and success log lines. 0, or
// 0x55 when the stop button was pressed (StopRequest is cleared); 0xFF when
// the chip's block length is unusable (nothing sent).
[[nodiscard]] ResultCode WriteChipData(AppContext& ctx, std::uint8_t channel,
                                       std::uint8_t chip_type);

// Erases an EEPROM that has no erase command by writing 0xFF over the whole
// chip. 0, 0x55 when stopped, 0xFF when the block length is unusable.
[[nodiscard]] ResultCode FillEraseChip(AppContext& ctx, std::uint8_t channel,
                                       std::uint8_t chip_type);

// Erases a NAND chip block by block (0x33), stepping over bad blocks. 0,
// 0x55 when stopped, 0xFF when the current chip is not NAND FLASH or has no
// block size.
[[nodiscard]] ResultCode EraseNandBlocks(AppContext& ctx, std::uint8_t channel,
                                         std::uint8_t chip_type);

}  // namespace tessary
