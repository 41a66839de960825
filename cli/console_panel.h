// The command-line tool's operator panel: log lines and messages go to
// stderr, so stdout carries only the command's own results. On a terminal
// the operation's progress is drawn as a one-line bar on stderr.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "base/operator_panel.h"

namespace tessary::cli {

class ConsolePanel final : public OperatorPanel {
 public:
  // `quiet`: no progress bar and no log lines but the red ones, whatever
  // ShowAllLines asks.
  explicit ConsolePanel(bool verbose, bool quiet = false);
  ~ConsolePanel() override;
  ConsolePanel(const ConsolePanel&) = delete;
  ConsolePanel& operator=(const ConsolePanel&) = delete;

  // Every log line goes to stderr, not only the red ones.
  void ShowAllLines() { verbose_ = !quiet_; }
  // Called from every wait of the programmer's link (PumpEvents).
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }

  void LogLineAdded(std::string_view text, LogColour colour) override;
  void LogCleared() override {}
  void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) override;
  void SetProgressPosition(ProgressBar bar, std::int64_t position) override;
  void SetProgressColour(ProgressBar, std::uint32_t) override {}
  void SetProgressVisible(ProgressBar, bool) override {}
  // A verify names the first differing address in a message box of its own
  // (eight hexadecimal digits); here it becomes a line saying so.
  MessageAnswer ShowMessage(std::string_view text, std::string_view, MessageKind kind) override;
  void SetStatusPanel(int, std::string_view) override {}
  void PumpEvents() override {
    if (pump_) pump_();
  }

 private:
  struct Bar {
    std::int64_t maximum = 0;
    std::int64_t position = 0;
  };
  void DrawBar(ProgressBar bar);
  void ClearBar();

  bool verbose_;
  bool quiet_;
  bool terminal_;
  bool bar_shown_ = false;
  int last_drawn_ = -1;  // bar index * 1000 + percent drawn last
  std::array<Bar, 3> bars_{};
  std::function<void()> pump_;
};

}  // namespace tessary::cli
