// The command-line tool's operator panel: log lines and messages go to
// stderr, so stdout carries only the command's own results.
#pragma once

#include <cstdio>
#include <string>

#include "base/operator_panel.h"

namespace tessary::cli {

class ConsolePanel final : public OperatorPanel {
 public:
  explicit ConsolePanel(bool verbose) : verbose_(verbose) {}

  void LogLineAdded(std::string_view text, LogColour colour) override {
    if (!verbose_ && colour != LogColour::Error) return;
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  void LogCleared() override {}
  void SetProgressMaximum(ProgressBar, std::int64_t) override {}
  void SetProgressPosition(ProgressBar, std::int64_t) override {}
  void SetProgressColour(ProgressBar, std::uint32_t) override {}
  void SetProgressVisible(ProgressBar, bool) override {}
  MessageAnswer ShowMessage(std::string_view text, std::string_view, MessageKind) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    return MessageAnswer::Ok;
  }
  void SetStatusPanel(int, std::string_view) override {}
  void PumpEvents() override {}

 private:
  bool verbose_;
};

}  // namespace tessary::cli
