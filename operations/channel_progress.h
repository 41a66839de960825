// The progress bars of the channel an operation runs on, and the stop
// button's request as the loops honour it.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/operator_panel.h"
#include "catalogue/chip_record.h"

namespace tessary {

// The progress bars of a channel: CH2's for 1, both for 2, CH1's otherwise.
struct ChannelBars {
  bool chip1 = false;
  bool chip2 = false;
};
[[nodiscard]] constexpr ChannelBars BarsOf(std::uint8_t channel) {
  switch (channel) {
    case kChannelCh2:
      return {false, true};
    case kChannelBoth:
      return {true, true};
    default:
      return {true, false};
  }
}

// The bars of one operation: maximum and a running position, never shown
// beyond the maximum (the last partial block advances by a whole block).
class ChannelProgress {
 public:
  ChannelProgress(OperatorPanel& panel, std::uint8_t channel, std::int64_t maximum)
      : panel_(panel), bars_(BarsOf(channel)), maximum_(maximum) {
    ForEachBar([&](ProgressBar bar) {
      panel_.SetProgressMaximum(bar, maximum_);
      panel_.SetProgressPosition(bar, 0);
    });
  }

  void Advance(std::int64_t by) { MoveTo(position_ + by); }
  void MoveTo(std::int64_t position) {
    position_ = std::min(position, maximum_);
    ForEachBar([&](ProgressBar bar) { panel_.SetProgressPosition(bar, position_); });
  }
  void Complete() { MoveTo(maximum_); }
  void SetColour(LogColour colour) {
    ForEachBar([&](ProgressBar bar) { panel_.SetProgressColour(bar, ToColourRef(colour)); });
  }
  void MarkFailed() { SetColour(LogColour::Error); }

 private:
  template <typename F>
  void ForEachBar(F&& f) {
    if (bars_.chip1) f(ProgressBar::Chip1);
    if (bars_.chip2) f(ProgressBar::Chip2);
  }

  OperatorPanel& panel_;
  ChannelBars bars_;
  std::int64_t maximum_;
  std::int64_t position_ = 0;
};

// The stop button only sets StopRequest; the loops honour it once and clear
// it, so the next operation starts normally.
[[nodiscard]] inline bool StopHonoured(Prj_Info_Struct& chip) {
  if (chip.StopRequest != 1) return false;
  chip.StopRequest = 0;
  return true;
}

}  // namespace tessary
