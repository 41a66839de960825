// The operation log: coloured, time-stamped lines that every subsystem
// writes and the window shows. Kept here as a model; views observe it
// through the OperatorPanel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/operator_panel.h"

namespace tessary {

struct LogEntry {
  std::string text;
  LogColour colour;
};

// "hh:mm:ss " for the given local time.
[[nodiscard]] std::string FormatTimeStamp(const std::tm& local_time);

// Seconds with two decimals, rounded: 1234 ms -> "1.23", 4 ms -> "0.00".
[[nodiscard]] std::string FormatDurationSeconds(std::uint32_t milliseconds);

class OperationLog {
 public:
  OperationLog(const Clock& clock, OperatorPanel& panel) : clock_(clock), panel_(panel) {}

  // Appends a line in a colour. The text is used as given (callers add the
  // stamp with TimeStamp() where the line has one).
  void LogLine(std::string_view text, LogColour colour);

  // A plain line: no stamp, no colour of its own.
  void AddPlainLine(std::string_view text) { LogLine(text, LogColour::Plain); }

  // The current local time as "hh:mm:ss ".
  [[nodiscard]] std::string TimeStamp() const;

  // Appends the stamp and `text` in `colour`.
  void LogStamped(std::string_view text, LogColour colour);

  // The stamp and the offline text in red. `offline_text` is the current
  // language's DevConStaOffline text.
  void ReportDeviceOffline(std::string_view offline_text);

  // A double click on the log clears it.
  void Clear();

  [[nodiscard]] const std::vector<LogEntry>& Lines() const { return lines_; }

 private:
  const Clock& clock_;
  OperatorPanel& panel_;
  std::vector<LogEntry> lines_;
};

}  // namespace tessary
