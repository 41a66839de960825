// The narrow interface through which the core reaches the operator. The Qt
// window, the command-line tool and the tests' recording fake implement it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// Colours of log lines, by meaning. `ToColourRef` gives the 0x00BBGGRR value.
enum class LogColour : std::uint8_t {
  Plain,      // no colour of its own: keeps the log's current typing colour
  Error,      // red: errors, failures, device offline
  Success,    // green: success, chip identified
  Note,       // grey: chip detection notes
  Highlight,  // the system highlight colour: information
};

[[nodiscard]] constexpr std::uint32_t ToColourRef(LogColour colour) {
  switch (colour) {
    case LogColour::Plain: return 0x000000;
    case LogColour::Error: return 0x0000FF;
    case LogColour::Success: return 0x008000;
    case LogColour::Note: return 0x808080;
    case LogColour::Highlight: return 0xD77800;  // the usual COLOR_HIGHLIGHT
  }
  return 0x000000;
}

enum class ProgressBar : std::uint8_t {
  Chip1,     // pbDLChip1
  Chip2,     // pbDLChip2
  Firmware,  // pbIAPProBar of the firmware update window
};

enum class MessageKind : std::uint8_t { Information, Warning, Error, Question };
enum class MessageAnswer : std::uint8_t { Ok, Cancel, Yes, No };

class OperatorPanel {
 public:
  virtual ~OperatorPanel() = default;

  // Operation log: a new last line in a colour, or a cleared log.
  virtual void LogLineAdded(std::string_view text, LogColour colour) = 0;
  virtual void LogCleared() = 0;

  // Progress bars.
  virtual void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) = 0;
  virtual void SetProgressPosition(ProgressBar bar, std::int64_t position) = 0;
  virtual void SetProgressColour(ProgressBar bar, std::uint32_t colour_ref) = 0;
  virtual void SetProgressVisible(ProgressBar bar, bool visible) = 0;

  // A modal message box; returns the button the operator chose.
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                    MessageKind kind) = 0;

  // Text of one panel (0..3) of the main window's status bar, shown at once.
  virtual void SetStatusPanel(int panel, std::string_view text) = 0;

  // The core changed MainWindowState (menus, socket mode, timers): re-render.
  virtual void MainWindowStateChanged() {}

  // Handles pending window events (clicks, timers, device notices). Every
  // wait of the device link calls this at least once.
  virtual void PumpEvents() = 0;
};

// A panel that shows nothing; for tools that need no operator output.
class SilentPanel : public OperatorPanel {
 public:
  void LogLineAdded(std::string_view, LogColour) override {}
  void LogCleared() override {}
  void SetProgressMaximum(ProgressBar, std::int64_t) override {}
  void SetProgressPosition(ProgressBar, std::int64_t) override {}
  void SetProgressColour(ProgressBar, std::uint32_t) override {}
  void SetProgressVisible(ProgressBar, bool) override {}
  MessageAnswer ShowMessage(std::string_view, std::string_view, MessageKind) override {
    return MessageAnswer::Ok;
  }
  void SetStatusPanel(int, std::string_view) override {}
  void PumpEvents() override {}
};

}  // namespace tessary
