// The settings with which the operator adapts the programmer to the job:
// the socket mode and the socket an operation uses, the SPI clock, SPI DMA
// ("hardware acceleration"), the NAND bad-block scan and bad-block skipping.
// The behaviour functions (EvaluateSocketMode, ChangeSpiClock, SwitchSpiDma,
// ScanBadBlocks ...) serve the window and the command line alike; the
// `*Click` handlers are the window's entry points. The window sets what the
// operator chose (for example Window.SocketTypeIndex), calls them, and
// re-renders the menu ticks and pictures from ctx.Window afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/app_context.h"

namespace tessary {

// rgbSocketType items.
inline constexpr int kSocketModeSingle = 0;  // "普通模式"
inline constexpr int kSocketModeDual = 1;    // "一拖二模式"

// Red lines of a socket check that finds the sockets unusable.
inline constexpr std::string_view kTextNoChipInserted = "没有芯片放入，请确认！";
inline constexpr std::string_view kTextOneSocketOnly =
    "只检测到一个通道中有芯片，请确认！或者切换到普通模式烧录！";

// Socket-mode evaluation: polls both sockets (a failed poll counts as no
// chip) and chooses ChannelSelector, the visible progress bars and the
// socket picture. In single mode CH1 wins when both hold a chip; with no
// chip at all CH1 is chosen too. Writes nothing to the log.
void EvaluateSocketMode(AppContext& ctx);
void rgbSocketTypeClick(AppContext& ctx);

// EvaluateSocketMode, then the verdict every chip operation needs before it
// starts: false (with a red line) when no socket holds a chip, or when dual
// mode finds one of them empty.
[[nodiscard]] bool CheckSockets(AppContext& ctx);

// The SPI clock items: their codes for SetSpiClock and their captions.
struct SpiClockItem {
  std::uint8_t code;
  std::string_view name;     // the menu item
  std::string_view caption;  // its text, also used in the log lines
};
inline constexpr std::array<SpiClockItem, 5> kSpiClockItems = {{
    {1, "N18MHz1", "18MHz"},
    {2, "N9MHz1", "9MHz"},
    {3, "N45MHz1", "4.5MHz"},
    {4, "N225MHz", "2.25MHz"},
    {5, "N1125MHz1", "1.125MHz"},
}};
// The item ticked when the programmer cannot say (and at start).
inline constexpr std::uint8_t kDefaultSpiClockCode = 2;

// The item of a code; nullopt for codes outside 1..5.
[[nodiscard]] std::optional<SpiClockItem> SpiClockItemOf(std::uint8_t code);

// The shared body of the five SPI clock items: sets the clock, logs
// "Change SPI Speed to <caption>: Success." or ": ERROR!", and on success
// ticks the item. True on success; false also for a code outside 1..5
// (nothing sent).
bool ChangeSpiClock(AppContext& ctx, std::uint8_t code);
bool N18MHz1Click(AppContext& ctx);
bool N9MHz1Click(AppContext& ctx);
bool N45MHz1Click(AppContext& ctx);
bool N225MHzClick(AppContext& ctx);
bool N1125MHz1Click(AppContext& ctx);

// Asks the programmer for its SPI clock and ticks that item; 9MHz when it
// does not answer or answers something unknown. Run when the SPI clock
// sub-menu opens.
void ReadSpiClockSetting(AppContext& ctx);
void mnProgChangeSPISpeedClick(AppContext& ctx);

// SPI DMA on or off. Success needs a valid reply that confirms the new
// state; then the item is ticked. Logs its line. True on success.
bool SwitchSpiDma(AppContext& ctx, bool enable);
bool mnDMAEnableClick(AppContext& ctx);
bool mnDMADisableClick(AppContext& ctx);

// How a bad-block scan request ended.
enum class BlockInitOutcome : std::uint8_t {
  Offline,          // no programmer: the offline line was logged
  NotNand,          // the current chip is not NAND FLASH: the NAND menu is hidden
  SocketsNotReady,  // CheckSockets refused (its red line was logged)
  NoChipSelected,   // BlockSize 15 or less: nothing done
  Scanned,          // BadBlocks holds the new table
  ScanFailed,       // the programmer did not answer; BadBlocks kept its contents
};

// The NAND bad-block scan ("坏块检测") into ctx.BadBlocks, with its start and
// result lines. Also run by erase, write, read, verify and the auto sequence
// for NAND chips while skipping is ticked.
BlockInitOutcome ScanBadBlocks(AppContext& ctx);
BlockInitOutcome mmBlockInitClick(AppContext& ctx);

// Toggles "自动跳过坏块", which the write, read, verify and NAND erase loops test.
void ToggleBadBlockSkipping(AppContext& ctx);
void mmIgnoreInvalidBlocksClick(AppContext& ctx);

}  // namespace tessary
