// A panel that records everything the core shows, for assertions.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/operator_panel.h"

namespace tessary::testing {

class RecordingPanel : public OperatorPanel {
 public:
  struct Bar {
    std::int64_t maximum = 100;
    std::int64_t position = 0;
    std::uint32_t colour = 0;
    bool visible = true;
  };
  struct Message {
    std::string text, caption;
    MessageKind kind;
  };

  void LogLineAdded(std::string_view text, LogColour colour) override {
    log.push_back({std::string(text), colour});
  }
  void LogCleared() override { log.clear(); }
  void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) override { bars[bar].maximum = maximum; }
  void SetProgressPosition(ProgressBar bar, std::int64_t position) override { bars[bar].position = position; }
  void SetProgressColour(ProgressBar bar, std::uint32_t colour) override { bars[bar].colour = colour; }
  void SetProgressVisible(ProgressBar bar, bool visible) override { bars[bar].visible = visible; }
  MessageAnswer ShowMessage(std::string_view text, std::string_view caption, MessageKind kind) override {
    messages.push_back({std::string(text), std::string(caption), kind});
    return next_answer;
  }
  void SetStatusPanel(int index, std::string_view text) override { status[index] = std::string(text); }
  void MainWindowStateChanged() override { ++window_state_changes; }
  void PumpEvents() override {
    ++pumps;
    if (on_pump) on_pump();
  }

  std::vector<std::pair<std::string, LogColour>> log;
  std::map<ProgressBar, Bar> bars;
  std::vector<Message> messages;
  std::map<int, std::string> status;
  MessageAnswer next_answer = MessageAnswer::Ok;
  int window_state_changes = 0;
  long pumps = 0;
  std::function<void()> on_pump;  // runs inside every pump, like a timer
};

}  // namespace tessary::testing
