// The console panel's output on stderr.
#include "cli/console_panel.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace tessary::cli {
namespace {

constexpr int kBarWidth = 40;

bool IsAddressText(std::string_view text) {
  return text.size() == 8 && std::all_of(text.begin(), text.end(), [](char c) {
           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
         });
}

std::string_view BarName(ProgressBar bar) {
  switch (bar) {
    case ProgressBar::Chip1:
      return "CH1";
    case ProgressBar::Chip2:
      return "CH2";
    case ProgressBar::Firmware:
      break;
  }
  return "   ";
}

}  // namespace

ConsolePanel::ConsolePanel(bool verbose, bool quiet)
    : verbose_(verbose && !quiet), quiet_(quiet), terminal_(!quiet && isatty(STDERR_FILENO) == 1) {}

ConsolePanel::~ConsolePanel() { ClearBar(); }

void ConsolePanel::LogLineAdded(std::string_view text, LogColour colour) {
  if (!verbose_ && colour != LogColour::Error) return;
  ClearBar();
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void ConsolePanel::SetProgressMaximum(ProgressBar bar, std::int64_t maximum) {
  bars_.at(static_cast<std::size_t>(bar)).maximum = maximum;
}

void ConsolePanel::SetProgressPosition(ProgressBar bar, std::int64_t position) {
  bars_.at(static_cast<std::size_t>(bar)).position = position;
  DrawBar(bar);
}

MessageAnswer ConsolePanel::ShowMessage(std::string_view text, std::string_view, MessageKind kind) {
  ClearBar();
  if (kind == MessageKind::Error && IsAddressText(text)) {
    std::fprintf(stderr, "verify: data differs at 0x%.*s\n", static_cast<int>(text.size()),
                 text.data());
  } else {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  return MessageAnswer::Ok;
}

void ConsolePanel::DrawBar(ProgressBar bar) {
  if (!terminal_) return;
  const Bar& b = bars_.at(static_cast<std::size_t>(bar));
  if (b.maximum <= 0) return;
  const std::int64_t position = std::clamp<std::int64_t>(b.position, 0, b.maximum);
  const int per_mille = static_cast<int>(position * 1000 / b.maximum);
  const int key = static_cast<int>(bar) * 1000 + per_mille / 10;  // whole percents
  if (bar_shown_ && key == last_drawn_) return;
  last_drawn_ = key;
  const int filled = per_mille * kBarWidth / 1000;
  const std::string done(static_cast<std::size_t>(filled), '#');
  const std::string left(static_cast<std::size_t>(kBarWidth - filled), '.');
  const std::string_view name = BarName(bar);
  std::fprintf(stderr, "\r%.*s [%s%s] %3d%%", static_cast<int>(name.size()), name.data(),
               done.c_str(), left.c_str(), per_mille / 10);
  std::fflush(stderr);
  bar_shown_ = true;
}

void ConsolePanel::ClearBar() {
  if (!bar_shown_) return;
  std::fputs("\r\033[K", stderr);
  bar_shown_ = false;
  last_drawn_ = -1;
}

}  // namespace tessary::cli
