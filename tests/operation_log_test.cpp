// Log lines, stamps and durations.
#include <gtest/gtest.h>

#include "base/operation_log.h"
#include "support/recording_panel.h"

namespace tessary {
namespace {

TEST(OperationLog, DurationsHaveTwoRoundedDecimals) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {1234, "1.23"}, {4, "0.00"}, {5, "0.01"}, {0, "0.00"}, {999, "1.00"}, {61'995, "62.00"},
      {4'294'967'295u, "4294967.30"}};
  for (const auto& [ms, text] : cases) EXPECT_EQ(FormatDurationSeconds(ms), text) << ms;
}

TEST(OperationLog, LinesKeepTheirColoursAndClearingStartsAfresh) {
  VirtualClock clock;
  clock.SetTimeOfDay(23, 59, 58);
  testing::RecordingPanel panel;
  OperationLog log(clock, panel);
  log.LogStamped("fail", LogColour::Error);
  clock.Advance(3'000'000);
  log.LogStamped("ok", LogColour::Success);
  ASSERT_EQ(panel.log.size(), 2u);
  EXPECT_EQ(panel.log[0], std::make_pair(std::string("23:59:58 fail"), LogColour::Error));
  EXPECT_EQ(panel.log[1], std::make_pair(std::string("00:00:01 ok"), LogColour::Success));

  log.Clear();
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_TRUE(panel.log.empty());
  log.ReportDeviceOffline("设备离线");
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "00:00:01 设备离线");
  EXPECT_EQ(log.Lines()[0].colour, LogColour::Error);
}

TEST(OperationLog, ColourValuesAreWindowsColourRefs) {
  EXPECT_EQ(ToColourRef(LogColour::Error), 0x0000FFu);
  EXPECT_EQ(ToColourRef(LogColour::Success), 0x008000u);
  EXPECT_EQ(ToColourRef(LogColour::Note), 0x808080u);
}

}  // namespace
}  // namespace tessary
