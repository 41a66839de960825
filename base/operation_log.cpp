// Operation log lines, stamps and durations.
#include "base/operation_log.h"

#include <cstdio>

namespace tessary {

std::string FormatTimeStamp(const std::tm& local_time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d ", local_time.tm_hour, local_time.tm_min,
                local_time.tm_sec);
  return text;
}

std::string FormatDurationSeconds(std::uint32_t milliseconds) {
  // Integer arithmetic: round half up on the hundredths, as the "0.00"
  // picture does, without binary floating-point surprises.
  const std::uint64_t hundredths = (static_cast<std::uint64_t>(milliseconds) + 5) / 10;
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%02llu",
                static_cast<unsigned long long>(hundredths / 100),
                static_cast<unsigned long long>(hundredths % 100));
  return text;
}

void OperationLog::LogLine(std::string_view text, LogColour colour) {
  lines_.push_back(LogEntry{std::string(text), colour});
  panel_.LogLineAdded(text, colour);
}

std::string OperationLog::TimeStamp() const { return FormatTimeStamp(clock_.LocalTime()); }

void OperationLog::LogStamped(std::string_view text, LogColour colour) {
  LogLine(TimeStamp() + std::string(text), colour);
}

void OperationLog::ReportDeviceOffline(std::string_view offline_text) {
  LogStamped(offline_text, LogColour::Error);
}

void OperationLog::Clear() {
  lines_.clear();
  panel_.LogCleared();
}

}  // namespace tessary
