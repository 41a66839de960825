// Socket mode, SPI clock, SPI DMA and NAND options.
#include "app/programmer_options.h"

#include <string>

#include "operations/chip_commands.h"

namespace tessary {
namespace {

constexpr std::string_view kTextNandScanStart = "Nand Flash 坏块信息初始化...";
constexpr std::string_view kTextNandBlockCount = " Nand Flash的总Block数为 ";
constexpr std::string_view kTextNandGoodCount = " 其中，可以正常使用的Block数为 ";

constexpr std::string_view kTextDmaStart = "Start the SPI hardware acceleration";
constexpr std::string_view kTextDmaStop = "Stop the SPI hardware acceleration";

void ShowBars(AppContext& ctx, bool chip1, bool chip2) {
  ctx.panel.SetProgressVisible(ProgressBar::Chip1, chip1);
  ctx.panel.SetProgressVisible(ProgressBar::Chip2, chip2);
}

}  // namespace

bool SwitchSpiDma(AppContext& ctx, bool enable) {
  std::uint8_t reply = 0;
  const CommandStatus status = SetSpiDma(ctx.link, enable ? 1 : 0, reply);
  const bool confirmed = status == CommandStatus::Ok && (reply != 0) == enable;
  const std::string_view text = enable ? kTextDmaStart : kTextDmaStop;
  ctx.log.LogStamped(std::string(text) + (confirmed ? "." : ": ERROR!"), LogColour::Highlight);
  if (confirmed) {
    ctx.Window.SpiDmaEnableTicked = enable;
    ctx.panel.MainWindowStateChanged();
  }
  return confirmed;
}

void EvaluateSocketMode(AppContext& ctx) {
  Prj_Info_Struct& chip = ctx.CurrentPrj;
  SocketReply sockets;
  // An unanswered poll leaves both sockets empty, which the callers report.
  static_cast<void>(QuerySocketStatus(ctx.link, chip.ChipType, sockets));
  chip.SocketState1 = sockets.ch1;
  chip.SocketState2 = sockets.ch2;

  MainWindowState& window = ctx.Window;
  if (window.SocketTypeIndex == kSocketModeDual) {
    ShowBars(ctx, true, true);
    chip.ChannelSelector = kChannelBoth;
    window.Pinout = SocketPinout::Pinout20;
  } else if (chip.SocketState1 != kSocketChipPresent && chip.SocketState2 == kSocketChipPresent) {
    ShowBars(ctx, false, true);
    chip.ChannelSelector = kChannelCh2;
    window.Pinout = SocketPinout::Pinout10;
  } else {
    // A chip in CH1, or no chip anywhere: the callers decide what that means.
    ShowBars(ctx, true, false);
    chip.ChannelSelector = kChannelCh1;
    window.Pinout = SocketPinout::Standard;
  }
  ctx.panel.MainWindowStateChanged();
}

void rgbSocketTypeClick(AppContext& ctx) { EvaluateSocketMode(ctx); }

bool CheckSockets(AppContext& ctx) {
  EvaluateSocketMode(ctx);
  const Prj_Info_Struct& chip = ctx.CurrentPrj;
  const bool ch1 = chip.SocketState1 == kSocketChipPresent;
  const bool ch2 = chip.SocketState2 == kSocketChipPresent;
  if (!ch1 && !ch2) {
    ctx.log.LogStamped(kTextNoChipInserted, LogColour::Error);
    return false;
  }
  if (chip.ChannelSelector == kChannelBoth && !(ch1 && ch2)) {
    ctx.log.LogStamped(kTextOneSocketOnly, LogColour::Error);
    return false;
  }
  return true;
}

std::optional<SpiClockItem> SpiClockItemOf(std::uint8_t code) {
  for (const SpiClockItem& item : kSpiClockItems) {
    if (item.code == code) return item;
  }
  return std::nullopt;
}

bool ChangeSpiClock(AppContext& ctx, std::uint8_t code) {
  const std::optional<SpiClockItem> item = SpiClockItemOf(code);
  if (!item) return false;
  std::uint8_t reply = 0;
  const bool ok = SetSpiClock(ctx.link, code, reply) == CommandStatus::Ok;
  ctx.log.LogStamped(
      "Change SPI Speed to " + std::string(item->caption) + (ok ? ": Success." : ": ERROR!"),
      LogColour::Highlight);
  if (ok) {
    ctx.Window.SpiClockTicked = code;
    ctx.panel.MainWindowStateChanged();
  }
  return ok;
}

bool N18MHz1Click(AppContext& ctx) { return ChangeSpiClock(ctx, 1); }
bool N9MHz1Click(AppContext& ctx) { return ChangeSpiClock(ctx, 2); }
bool N45MHz1Click(AppContext& ctx) { return ChangeSpiClock(ctx, 3); }
bool N225MHzClick(AppContext& ctx) { return ChangeSpiClock(ctx, 4); }
bool N1125MHz1Click(AppContext& ctx) { return ChangeSpiClock(ctx, 5); }

void ReadSpiClockSetting(AppContext& ctx) {
  ctx.Window.SpiClockTicked = 0;
  std::uint8_t reply = 0;
  const bool answered = SetSpiClock(ctx.link, kSpiClockQuery, reply) == CommandStatus::Ok;
  ctx.Window.SpiClockTicked =
      answered && SpiClockItemOf(reply).has_value() ? reply : kDefaultSpiClockCode;
  ctx.panel.MainWindowStateChanged();
}

void mnProgChangeSPISpeedClick(AppContext& ctx) { ReadSpiClockSetting(ctx); }

bool mnDMAEnableClick(AppContext& ctx) { return SwitchSpiDma(ctx, true); }
bool mnDMADisableClick(AppContext& ctx) { return SwitchSpiDma(ctx, false); }

BlockInitOutcome ScanBadBlocks(AppContext& ctx) {
  if (!ctx.link.LinkOpen()) {
    ctx.log.ReportDeviceOffline(ctx.Texts.DevConStaOffline);
    return BlockInitOutcome::Offline;
  }
  const Prj_Info_Struct& chip = ctx.CurrentPrj;
  if (chip.ChipType != ChipTypeId::NandFlash) {
    ctx.Window.NandOptionMenuVisible = false;
    ctx.panel.MainWindowStateChanged();
    return BlockInitOutcome::NotNand;
  }
  if (!CheckSockets(ctx)) return BlockInitOutcome::SocketsNotReady;
  if (!chip.ChipSelected()) return BlockInitOutcome::NoChipSelected;

  ctx.log.LogStamped(
      std::string(ChannelName(chip.ChannelSelector)) + std::string(kTextNandScanStart),
      LogColour::Highlight);
  const CommandStatus status = ScanNandBadBlocks(ctx.link, chip.ChannelSelector, ctx.BadBlocks);
  ctx.log.LogStamped(std::string(kTextNandBlockCount) + std::to_string(ctx.BadBlocks.BlockCount) +
                         std::string(kTextNandGoodCount) + std::to_string(ctx.BadBlocks.GoodCount),
                     LogColour::Highlight);
  return status == CommandStatus::Ok ? BlockInitOutcome::Scanned : BlockInitOutcome::ScanFailed;
}

BlockInitOutcome mmBlockInitClick(AppContext& ctx) { return ScanBadBlocks(ctx); }

void ToggleBadBlockSkipping(AppContext& ctx) {
  ctx.Window.IgnoreInvalidBlocks = !ctx.Window.IgnoreInvalidBlocks;
  ctx.panel.MainWindowStateChanged();
}

void mmIgnoreInvalidBlocksClick(AppContext& ctx) { ToggleBadBlockSkipping(ctx); }

}  // namespace tessary
