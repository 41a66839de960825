// The data buffer: chip reset, block re-creation, the byte sum and the
// checksum panel texts.
#include "buffer/data_buffer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace tessary {
namespace {

struct ResetCase {
  std::uint32_t chip_size;
  const char* panel_text;
};

class ResetBufferSizes : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ResetBufferSizes, FillsTheWholeChipWithErasedBytes) {
  const ResetCase c = GetParam();
  Ram_File_Info_Struct ram;
  ram.ViewTop = 0x40;
  ASSERT_EQ(ResetBuffer(ram, c.chip_size), BufferStatus::Ok);
  ASSERT_EQ(ram.Data.size(), c.chip_size);
  EXPECT_EQ(ram.DataLen, c.chip_size);
  EXPECT_EQ(ram.ViewTop, 0u);
  EXPECT_TRUE(std::all_of(ram.Data.begin(), ram.Data.end(), [](auto b) { return b == 0xFF; }));
  EXPECT_EQ(CheckSumPanelText(ByteSum(0, ram.Data)), c.panel_text);
}

INSTANTIATE_TEST_SUITE_P(ChipSizes, ResetBufferSizes,
                         ::testing::Values(ResetCase{256, "CheckSum:0000FF00H"},
                                           ResetCase{1024, "CheckSum:0003FC00H"},
                                           ResetCase{0, "CheckSum:00000000H"},
                                           ResetCase{1, "CheckSum:000000FFH"},
                                           ResetCase{16u << 20, "CheckSum:FF000000H"}));

TEST(ResetBuffer, DiscardsContentAndViewButKeepsFileAndFindState) {
  Ram_File_Info_Struct ram;
  ASSERT_EQ(ResetBuffer(ram, 256), BufferStatus::Ok);
  ram.Data[3] = 0x12;
  ram.DataLen = 100;
  ram.ViewTop = 0x50;
  ram.FileName = "/data/image.bin";
  ram.Loaded = 1;
  ram.CheckSum = 0x1234;
  ram.FindLen = 2;
  ram.FindPattern[0] = 0xAA;
  ram.FindPos = 17;

  // Same capacity, another chip: still a fresh block.
  ASSERT_EQ(ResetBuffer(ram, 256), BufferStatus::Ok);
  EXPECT_EQ(ram.Data[3], 0xFF);
  EXPECT_EQ(ram.DataLen, 256u);
  EXPECT_EQ(ram.ViewTop, 0u);
  EXPECT_EQ(ram.FileName, "/data/image.bin");
  EXPECT_EQ(ram.Loaded, 1);
  EXPECT_EQ(ram.CheckSum, 0x1234u);
  EXPECT_EQ(ram.FindLen, 2);
  EXPECT_EQ(ram.FindPattern[0], 0xAA);
  EXPECT_EQ(ram.FindPos, 17);
}

// Runs in a child process whose address space is capped, so the
// allocation fails for certain without touching the machine's memory.
void ResetUnderMemoryCap() {
  Ram_File_Info_Struct ram;
  if (ResetBuffer(ram, 64) != BufferStatus::Ok) std::_Exit(2);
  ram.Data[0] = 0x5A;
  ram.DataLen = 10;
  ram.ViewTop = 16;
  rlimit cap{};
  cap.rlim_cur = cap.rlim_max = rlim_t{1} << 30;  // 1 GiB of address space
  if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(3);
  const BufferStatus status = ResetBuffer(ram, 3u << 30);  // 3 GiB
  if (status != BufferStatus::OutOfMemory) std::_Exit(4);
  if (DescribeBufferStatus(status).empty()) std::_Exit(5);
  const bool unchanged = ram.Data.size() == 64 && ram.Data[0] == 0x5A && ram.Data[1] == 0xFF &&
                         ram.DataLen == 10 && ram.ViewTop == 16;
  std::_Exit(unchanged ? 0 : 6);
}

TEST(ResetBufferDeathTest, FailedAllocationLeavesTheBufferAsItWas) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves its shadow memory up front, so an address-space "
                  "cap leaves it none of its own";
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ResetUnderMemoryCap(), ::testing::ExitedWithCode(0), "");
}

TEST(RecreateBlock, GivesAFullLengthBlockAndLeavesTheViewToTheCaller) {
  Ram_File_Info_Struct ram;
  ram.ViewTop = 0x20;
  ASSERT_EQ(RecreateBlock(ram, 48, 0x00), BufferStatus::Ok);
  EXPECT_EQ(ram.Data, std::vector<std::uint8_t>(48, 0x00));
  EXPECT_EQ(ram.DataLen, 48u);
  EXPECT_EQ(ram.ViewTop, 0x20u);
}

TEST(RamFileView, StartsAtViewTopAndIsEmptyPastTheBlock) {
  Ram_File_Info_Struct ram;
  ASSERT_EQ(ResetBuffer(ram, 32), BufferStatus::Ok);
  std::iota(ram.Data.begin(), ram.Data.end(), std::uint8_t{0});
  ram.ViewTop = 16;
  ASSERT_EQ(ram.View().size(), 16u);
  EXPECT_EQ(ram.View()[0], 16);
  ram.ViewTop = 32;
  EXPECT_TRUE(ram.View().empty());
  ram.ViewTop = 1000;
  EXPECT_TRUE(ram.View().empty());
}

TEST(RamFileView, ShownLengthNeverExceedsTheBlock) {
  Ram_File_Info_Struct ram;
  ASSERT_EQ(ResetBuffer(ram, 32), BufferStatus::Ok);
  ram.DataLen = 20;
  EXPECT_EQ(ram.ShownLength(), 20u);
  ram.DataLen = 4096;
  EXPECT_EQ(ram.ShownLength(), 32u);
}

TEST(ByteSum, AddsBytesAsUnsignedValuesFromTheInitialValue) {
  const std::vector<std::uint8_t> bytes = {0x01, 0x80, 0xFF, 0x7F};
  EXPECT_EQ(ByteSum(0, bytes), 0x01u + 0x80 + 0xFF + 0x7F);
  EXPECT_EQ(ByteSum(0x1000, bytes), 0x1000u + 0x01 + 0x80 + 0xFF + 0x7F);
  EXPECT_EQ(ByteSum(0xDEADBEEF, {}), 0xDEADBEEFu);
}

TEST(ByteSum, WrapsModulo2To32) {
  const std::vector<std::uint8_t> bytes = {0x10, 0x20};
  EXPECT_EQ(ByteSum(0xFFFFFFF8u, bytes), 0x28u);
  // 16 MiB + 256 bytes of 0xFF: 0xFF000000 + 0xFF00, then 17 MiB wraps.
  const std::vector<std::uint8_t> ff(17u << 20, 0xFF);
  EXPECT_EQ(ByteSum(0, ff), static_cast<std::uint32_t>(0xFFull * (17u << 20)));
}

TEST(ByteSum, PiecewiseSumsEqualTheWholeSum) {
  std::vector<std::uint8_t> bytes(10007);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
  const std::span<const std::uint8_t> all(bytes);
  std::uint32_t running = 0;
  for (std::size_t at = 0; at < all.size(); at += 1024) {
    running = ByteSum(running, all.subspan(at, std::min<std::size_t>(1024, all.size() - at)));
  }
  EXPECT_EQ(running, ByteSum(0, all));
}

struct PanelTextCase {
  std::string (*writer)(std::uint32_t);
  std::uint32_t sum;
  const char* text;
};

TEST(CheckSumPanelTexts, FollowTheirWritersFormats) {
  const PanelTextCase cases[] = {
      {CheckSumPanelText, 0x0000FF00, "CheckSum:0000FF00H"},
      {CheckSumPanelText, 0xABCDEF01, "CheckSum:ABCDEF01H"},
      {OpenCheckSumPanelText, 0x0000FF00, "CheckSum:0x0000FF00H"},
      {OpenCheckSumPanelText, 0x1, "CheckSum:0x00000001H"},
      {ImportCheckSumPanelText, 0x0000FF00, "CHECKSUM:0x0000FF00"},
      {ImportCheckSumPanelText, 0xFFFFFFFF, "CHECKSUM:0xFFFFFFFF"},
  };
  for (const PanelTextCase& c : cases) EXPECT_EQ(c.writer(c.sum), c.text);
}

TEST(RunCounterText, HasTwoBlanksBeforeFal) {
  EXPECT_EQ(RunCounterText(0, 0), "Suc:0  Fal:0");
  EXPECT_EQ(RunCounterText(12, 3), "Suc:12  Fal:3");
}

}  // namespace
}  // namespace tessary
