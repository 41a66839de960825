// The wire trace: exact line format, events, reading traces back, and a
// trace file that cannot be written.
#include "device/wire_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/clock.h"

namespace tessary {
namespace {

// A link whose replies and results the test sets.
class FakeLink final : public UsbLink {
 public:
  bool open_result = true;
  PipeIds open_pipes{0x01, 0x82};
  std::size_t write_result = SIZE_MAX;  // SIZE_MAX: accept everything
  std::deque<std::vector<std::uint8_t>> replies;
  std::vector<std::vector<std::uint8_t>> written;
  int flushes = 0;
  int closes = 0;
  std::function<void(PresenceEvent)> presence;

  bool OpenDevice(std::uint16_t, std::uint16_t) override {
    has_device_ = open_result;
    return open_result;
  }
  void CloseDevice() override {
    ++closes;
    has_device_ = false;
  }
  bool HasDevice() const override { return has_device_; }
  PipeIds Pipes() const override { return has_device_ ? open_pipes : PipeIds{}; }
  std::size_t WritePipe(std::span<const std::uint8_t> data) override {
    written.emplace_back(data.begin(), data.end());
    return std::min(write_result, data.size());
  }
  std::size_t ReadPipe(std::span<std::uint8_t> buffer) override {
    if (replies.empty()) return 0;
    const std::vector<std::uint8_t> reply = replies.front();
    replies.pop_front();
    std::copy(reply.begin(), reply.end(), buffer.begin());
    return reply.size();
  }
  void FlushInPipe() override { ++flushes; }
  void SetPresenceHandler(std::function<void(PresenceEvent)> handler) override {
    presence = std::move(handler);
  }
  void ServiceEvents() override {}

 private:
  bool has_device_ = false;
};

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> values(256);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint8_t>(i);
  return values;
}

class WireTraceTest : public ::testing::Test {
 protected:
  // The trace must count from its own start, not from the clock's origin.
  VirtualClock clock{7'000'000};
  FakeLink inner;
  std::string path = ::testing::TempDir() + "wire_trace_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";

  std::vector<std::string> Lines() const {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::size_t Write(TracingLink& link, std::vector<std::uint8_t> bytes) {
    return link.WritePipe(bytes);
  }
  std::size_t Read(TracingLink& link, std::size_t capacity = 64) {
    std::vector<std::uint8_t> buffer(capacity);
    return link.ReadPipe(buffer);
  }
};

TEST_F(WireTraceTest, TransfersAreWrittenOneExactLineEach) {
  TracingLink link(inner, clock);
  ASSERT_TRUE(link.Start(path)) << link.LastError();

  EXPECT_EQ(Write(link, {0x02, 0x3A, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x0a}), 8u);
  clock.Advance(12'345);
  inner.replies.push_back({0x02, 0xab, 0x10});
  EXPECT_EQ(Read(link), 3u);  // only the received bytes, not the whole buffer
  clock.Advance(2'000'000);
  EXPECT_EQ(Read(link), 0u);  // timeout: no bytes
  clock.Advance(999'999'999);
  inner.write_result = 0;
  EXPECT_EQ(Write(link, {0x55}), 0u);  // refused: nothing crossed the wire
  inner.write_result = 2;
  EXPECT_EQ(Write(link, {0x01, 0x02, 0x03}), 2u);
  clock.Advance(1);
  link.Stop();
  EXPECT_EQ(Write(link, {0x77}), 1u);  // passes through, untraced

  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "# tessary wire trace 1",
                         "0.000000 OUT 02 3A 00 01 00 00 FF 0A",
                         "0.012345 IN 02 AB 10",
                         "2.012345 IN",
                         "1002.012344 OUT",
                         "1002.012344 OUT 01 02",
                         "# 1002.012345 stop",
                     }));
  EXPECT_EQ(inner.written.size(), 4u);
}

TEST_F(WireTraceTest, LinkEventsAreCommentLines) {
  TracingLink link(inner, clock, path);
  ASSERT_TRUE(link.Tracing()) << link.LastError();
  std::vector<PresenceEvent> delivered;
  link.SetPresenceHandler([&](PresenceEvent event) { delivered.push_back(event); });

  inner.open_result = false;
  EXPECT_FALSE(link.OpenDevice(0x1A86, 0x4567));
  clock.Advance(500);
  inner.presence(PresenceEvent::Arrived);
  inner.open_result = true;
  inner.open_pipes = {0x83, 0x81};
  EXPECT_TRUE(link.OpenDevice(0x1A86, 0x4567));
  EXPECT_EQ(link.Pipes(), (PipeIds{0x83, 0x81}));
  clock.Advance(1'000);
  link.FlushInPipe();
  inner.presence(PresenceEvent::Removed);
  link.CloseDevice();

  EXPECT_EQ(delivered, (std::vector{PresenceEvent::Arrived, PresenceEvent::Removed}));
  EXPECT_EQ(inner.flushes, 1);
  EXPECT_EQ(inner.closes, 1);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "# tessary wire trace 1",
                         "# 0.000000 open 1A86:4567 failed",
                         "# 0.000500 arrived",
                         "# 0.000500 open 1A86:4567 ok out=83 in=81",
                         "# 0.001500 flush",
                         "# 0.001500 removed",
                         "# 0.001500 close",
                     }));
}

TEST_F(WireTraceTest, RestartingReplacesTheFileAndTheTimeOrigin) {
  TracingLink link(inner, clock);
  ASSERT_TRUE(link.Start(path));
  EXPECT_EQ(Write(link, {0x01}), 1u);
  clock.Advance(3'000'000);
  ASSERT_TRUE(link.Start(path));
  EXPECT_EQ(Write(link, {0x02}), 1u);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"# tessary wire trace 1", "0.000000 OUT 02"}));
}

TEST_F(WireTraceTest, TraceReadsBackAsTheTransfers) {
  {
    TracingLink link(inner, clock, path);
    const std::vector<std::uint8_t> all_values = AllByteValues();
    EXPECT_EQ(link.WritePipe(all_values), 256u);
    link.FlushInPipe();
    clock.Advance(1'234'567);
    EXPECT_EQ(Read(link), 0u);
    inner.replies.push_back({0xFE, 0x00});
    EXPECT_EQ(Read(link), 2u);
  }  // destruction ends the trace

  std::ifstream in(path, std::ios::binary);
  const std::vector<TraceRecord> records = ParseWireTrace(in);
  const std::vector<std::uint8_t> all_values = AllByteValues();
  EXPECT_EQ(records, (std::vector<TraceRecord>{
                         {0, TraceDirection::Out, all_values},
                         {1'234'567, TraceDirection::In, {}},
                         {1'234'567, TraceDirection::In, {0xFE, 0x00}},
                     }));
}

TEST(ParseWireTrace, AcceptsCrLfAndLowerCaseAndSkipsWhatIsNotATransfer) {
  std::istringstream in(
      "# tessary wire trace 1\r\n"
      "12.000001 OUT 0a ff\r\n"
      "\r\n"
      "garbage line\n"
      "1.5 IN 01\n"             // short fraction: still seconds
      "0.000001 SIDEWAYS 01\n"  // unknown direction
      "0.000002 OUT 1\n"        // not a byte pair
      "0.000003 OUT 0G\n"       // not hex
      "x.000004 IN\n"
      "# 0.000005 close\n"
      "3.000000 IN");  // last line without its newline
  EXPECT_EQ(ParseWireTrace(in), (std::vector<TraceRecord>{
                                    {12'000'001, TraceDirection::Out, {0x0A, 0xFF}},
                                    {1'500'000, TraceDirection::In, {0x01}},
                                    {3'000'000, TraceDirection::In, {}},
                                }));
}

TEST_F(WireTraceTest, UnopenableFileIsReportedAndTransfersStillPass) {
  const std::string bad_path = ::testing::TempDir() + "no_such_dir/deeper/trace.txt";
  TracingLink link(inner, clock);
  EXPECT_FALSE(link.Start(bad_path));
  EXPECT_FALSE(link.Tracing());
  EXPECT_NE(link.LastError().find(bad_path), std::string::npos) << link.LastError();

  TracingLink started(inner, clock, bad_path);
  EXPECT_FALSE(started.Tracing());
  EXPECT_FALSE(started.LastError().empty());

  EXPECT_TRUE(started.OpenDevice(0x1A86, 0x4567));
  EXPECT_TRUE(started.HasDevice());
  EXPECT_EQ(Write(started, {0x10, 0x20}), 2u);
  inner.replies.push_back({0x02, 0x33});
  std::vector<std::uint8_t> buffer(8);
  ASSERT_EQ(started.ReadPipe(buffer), 2u);
  EXPECT_EQ(buffer[1], 0x33);
  EXPECT_EQ(inner.written, (std::vector<std::vector<std::uint8_t>>{{0x10, 0x20}}));

  // A good path afterwards clears the error and traces again.
  ASSERT_TRUE(started.Start(path));
  EXPECT_TRUE(started.LastError().empty());
}

}  // namespace
}  // namespace tessary
