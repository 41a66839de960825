// The Buffer menu's tools: the hexadecimal fields, fill (ranges, DataLen
// growth, the chip's end, random bytes), go-to, find and find next (rows,
// the end of the data and of the block, the selection), and the set-ups of
// the value dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/buffer_handlers.h"
#include "buffer/buffer_tools.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(HexNumberField, ReadsDollarPrefixedTextAsSigned32Bits) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {"0", 0},
      {"ff", 255},
      {"00001000", 0x1000},
      {"7FFFFFFF", INT_MAX},
      {"80000000", INT_MIN},
      {"FFFFFFFF", -1},
      {"000000010", 16},  // leading zeros do not count against the 32 bits
      {" 10", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"12G4", std::nullopt},
      {"100000000", std::nullopt},
      {"-1", std::nullopt},
      {"$10", std::nullopt},
      {"0x10", std::nullopt},
      {"1 0", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexNumber(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_THAT(HexNumberError("12G4"), HasSubstr("\"12G4\" is not a hexadecimal number"));
}

// A 256-byte chip just selected (all 0xFF), the clock at 08:00:00.
struct BufferToolFixture : ::testing::Test {
  BufferToolFixture() : folder(/*with_catalogue=*/false) {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(8, 0, 0);
    SelectChip(256);
    // What the panel shows after the chip change.
    ctx.SetStatusPanel(3, ctx.Hex.CheckSumText());
  }

  void SelectChip(std::uint32_t size) {
    ctx.CurrentPrj.ChipSize = size;
    ASSERT_EQ(ResetBufferAndView(ctx.Hex, size).status, BufferStatus::Ok);
  }
  // As if a file of `bytes` had been loaded.
  void Load(const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), ctx.RamFile.Data.begin());
    ctx.RamFile.DataLen = static_cast<std::uint32_t>(bytes.size());
    ctx.RamFile.ViewTop = 0;
    ctx.Hex.SetScrollMaximum(ctx.RamFile.DataLen);
    ctx.Hex.RedrawHexView();
  }
  Bytes Range(std::size_t from, std::size_t to) const {
    return Bytes(ctx.RamFile.Data.begin() + static_cast<long>(from),
                 ctx.RamFile.Data.begin() + static_cast<long>(to));
  }
  FileEditResult Fill(const std::string& start, const std::string& length, const std::string& value,
                      bool random = false) {
    return BufferFillOk(BufferPartsOf(ctx), {start, length, value, random}, random_bytes);
  }
  FileEditResult Find(const std::string& pattern) {
    return BufferFindOk(BufferPartsOf(ctx), {.value1 = pattern});
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  RandomByteSource random_bytes{clock};
};

// --- Fill ---

using BufferFillTool = BufferToolFixture;

TEST_F(BufferFillTool, WholeChipWithZeroLeavesTheChecksumPanelAlone) {
  EXPECT_TRUE(Fill("00000000", "00000100", "00").close);
  EXPECT_EQ(ctx.RamFile.Data, Bytes(256, 0x00));
  EXPECT_EQ(ctx.RamFile.DataLen, 256u);
  EXPECT_EQ(panel.status[3], "CheckSum:0000FF00H");
  EXPECT_EQ(ctx.Hex.CheckSumText(), "CheckSum:0000FF00H");
  EXPECT_THAT(ctx.Hex.HexText(), StartsWith("00 00 00"));
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(BufferFillTool, RangePastTheDataRaisesDataLenAndKeepsTheGap) {
  SelectChip(1024);
  Load(Bytes(0x80, 0x11));

  EXPECT_TRUE(Fill("100", "100", "AA").close);

  EXPECT_EQ(Range(0, 0x80), Bytes(0x80, 0x11));
  EXPECT_EQ(Range(0x80, 0x100), Bytes(0x80, 0xFF)) << "the gap keeps its old content";
  EXPECT_EQ(Range(0x100, 0x200), Bytes(0x100, 0xAA));
  EXPECT_EQ(Range(0x200, 0x400), Bytes(0x200, 0xFF));
  EXPECT_EQ(ctx.RamFile.DataLen, 0x200u);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x100u);
  EXPECT_THAT(ctx.Hex.AddrText(), StartsWith("00000100H  "));
  EXPECT_EQ(ctx.Hex.ScrollMaximum(), 0x200u) << "the scroll bar reaches the filled bytes";
}

TEST_F(BufferFillTool, ChipEndLimitsTheFill) {
  struct Case {
    std::string start, length;
    std::size_t first_filled, end_filled;
    std::uint32_t view_top;
  };
  const Case cases[] = {
      {"F0", "100", 0xF0, 0x100, 0xF0},       // past the end: up to the end
      {"10", "FFFFFFFF", 0x10, 0x100, 0x10},  // start + length wraps 32 bits
      {"100", "10", 0x100, 0x100, 0x100},     // start = ChipSize: accepted, no byte
      {"37", "0", 0x37, 0x37, 0x30},          // nothing to fill, the view still moves
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start + "/" + c.length);
    SelectChip(256);
    Load(Bytes(0x20, 0x00));

    EXPECT_TRUE(Fill(c.start, c.length, "5A").close);

    for (std::size_t i = 0x20; i < 256; ++i) {
      const bool filled = i >= c.first_filled && i < c.end_filled;
      ASSERT_EQ(ctx.RamFile.Data[i], filled ? 0x5A : 0xFF) << i;
    }
    EXPECT_EQ(ctx.RamFile.DataLen, std::max<std::size_t>(0x20, c.end_filled));
    EXPECT_EQ(ctx.RamFile.ViewTop, c.view_top);
    EXPECT_TRUE(panel.log.empty());
  }
}

TEST_F(BufferFillTool, StartPastTheChipIsOnlyLogged) {
  Load(Bytes(0x20, 0x00));
  ctx.RamFile.ViewTop = 0x10;
  const Bytes before = ctx.RamFile.Data;

  EXPECT_TRUE(Fill("101", "1", "00").close) << "the dialog closes";

  EXPECT_EQ(ctx.RamFile.Data, before);
  EXPECT_EQ(ctx.RamFile.DataLen, 0x20u);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x10u);
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].first, "08:00:00 起始地址大于了芯片的容量，请确认！0x00000101");
  EXPECT_EQ(panel.log[0].second, LogColour::Plain);

  panel.log.clear();
  EXPECT_TRUE(Fill("FFFFFFFF", "1", "00").close) << "a high start is large, not negative";
  EXPECT_EQ(panel.log.at(0).first, "08:00:00 起始地址大于了芯片的容量，请确认！0xFFFFFFFF");
  EXPECT_EQ(ctx.RamFile.Data, before);
}

TEST_F(BufferFillTool, ValueIsTheLowByteOfTheField) {
  EXPECT_TRUE(Fill("0", "2", "1AB").close);
  EXPECT_EQ(Range(0, 3), Bytes({0xAB, 0xAB, 0xFF}));
}

TEST_F(BufferFillTool, FieldThatIsNotANumberKeepsTheDialogOpenAndChangesNothing) {
  const Bytes before = ctx.RamFile.Data;
  struct Case {
    std::string start, length, value;
  };
  for (const Case& c : {Case{"XYZ", "10", "00"}, Case{"0", "", "00"}, Case{"0", "10", "G"}}) {
    panel.messages.clear();
    EXPECT_FALSE(Fill(c.start, c.length, c.value).close);
    ASSERT_EQ(panel.messages.size(), 1u);
    EXPECT_EQ(panel.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(ctx.RamFile.Data, before);
  }
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(BufferFillTool, RandomBytesAreNewOnEveryRunAndRepeatableOnVirtualTime) {
  RandomByteSource source(clock);
  EXPECT_TRUE(BufferFillOk(BufferPartsOf(ctx), {"0", "100", "junk", true}, source).close)
      << "the value field is not read while random is ticked";
  const Bytes first = ctx.RamFile.Data;
  EXPECT_GT(std::set<std::uint8_t>(first.begin(), first.end()).size(), 100u);

  EXPECT_TRUE(BufferFillOk(BufferPartsOf(ctx), {"0", "100", "00", true}, source).close);
  EXPECT_NE(ctx.RamFile.Data, first) << "a second run gives other bytes";

  // Another program run on the same virtual clock gives the same bytes.
  RandomByteSource again(clock);
  Bytes repeat(256);
  for (auto& b : repeat) b = again.Next();
  EXPECT_EQ(repeat, first);
}

TEST_F(BufferFillTool, SetUpComesFromTheLanguageFileEachTime) {
  SelectChip(0x8000);
  FileEditSetup setup = MenuBufferFillClick(ctx);
  EXPECT_EQ(setup.mode, FileEditMode::Fill);
  EXPECT_EQ(setup.caption, "缓冲区填充设置");
  EXPECT_EQ(setup.label1, "起始地址(HEX):");
  EXPECT_EQ(setup.label2, "填充长度(HEX):");
  EXPECT_EQ(setup.label3, "填充数值(HEX):");
  EXPECT_EQ(setup.random_caption, "随机填充");
  EXPECT_EQ(setup.value1, "00000000");
  EXPECT_EQ(setup.value2, "00008000");
  EXPECT_EQ(setup.value3, "00");
  EXPECT_EQ(setup.value3_max_length, 2);
  EXPECT_TRUE(setup.value2_visible && setup.value2_enabled);
  EXPECT_TRUE(setup.value3_visible && setup.value3_enabled);
  EXPECT_TRUE(setup.random_visible);
  EXPECT_FALSE(setup.random_checked);
  EXPECT_EQ(setup.ok, "确定");

  folder.WriteFile("EN.ini", "[BufferFill]\nFillDialogTitle=Fill buffer\nFillLen=Length(HEX):\n");
  ctx.DeviceInfo.Language = 2;
  ctx.Texts.OK = "OK";
  setup = MenuBufferFillClick(ctx);
  EXPECT_EQ(setup.caption, "Fill buffer");
  EXPECT_EQ(setup.label2, "Length(HEX):");
  EXPECT_EQ(setup.label1, "起始地址(HEX):") << "a missing key gives the built-in text";
  EXPECT_EQ(setup.ok, "OK");
}

// --- Go-to ---

using BufferGotoTool = BufferToolFixture;

TEST_F(BufferGotoTool, PutsTheRowOfTheOffsetOnTop) {
  SelectChip(0x2000);
  EXPECT_TRUE(BufferGotoOk(BufferPartsOf(ctx), {.value1 = "1234"}).close);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x1230u);
  EXPECT_THAT(ctx.Hex.AddrText(), StartsWith("00001230H  "));
  EXPECT_EQ(ctx.Hex.ScrollPosition(), 0u) << "the scroll bar stays where it was";

  EXPECT_TRUE(BufferGotoOk(BufferPartsOf(ctx), {.value1 = "1FFF"}).close);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x1FF0u) << "the last byte of the data is a valid target";
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(BufferGotoTool, OffsetAtOrPastTheDataIsOnlyLogged) {
  Load(Bytes(0x80, 0));
  ctx.RamFile.ViewTop = 0x40;
  for (const char* text : {"80", "FFFFFFFF"}) {
    panel.log.clear();
    EXPECT_TRUE(BufferGotoOk(BufferPartsOf(ctx), {.value1 = text}).close);
    EXPECT_EQ(ctx.RamFile.ViewTop, 0x40u);
    ASSERT_EQ(panel.log.size(), 1u);
    EXPECT_EQ(panel.log[0].first, std::string("08:00:00 缓存区地址跳转，跳转地址过大！0x") +
                                      (text[0] == '8' ? "00000080" : "FFFFFFFF"));
  }
  panel.log.clear();
  EXPECT_FALSE(BufferGotoOk(BufferPartsOf(ctx), {.value1 = "  "}).close);
  EXPECT_EQ(panel.messages.size(), 1u);
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(BufferGotoTool, SetUpShowsTheCurrentPositionReadOnly) {
  ctx.RamFile.ViewTop = 0xA0;
  const FileEditSetup setup = MenuBufferGotoClick(ctx);
  EXPECT_EQ(setup.mode, FileEditMode::Goto);
  EXPECT_EQ(setup.caption, "缓冲区跳转");
  EXPECT_EQ(setup.label1, "跳转地址(HEX):");
  EXPECT_EQ(setup.label2, "当前地址(HEX):");
  EXPECT_EQ(setup.value1, "00000000");
  EXPECT_EQ(setup.value2, "000000A0");
  EXPECT_TRUE(setup.value2_visible);
  EXPECT_FALSE(setup.value2_enabled);
  EXPECT_FALSE(setup.value3_visible);
  EXPECT_FALSE(setup.random_visible);
}

// --- Find ---

using BufferFindTool = BufferToolFixture;

TEST_F(BufferFindTool, DefaultPatternOnAFreshBufferFindsTheFirstRowOnScreen) {
  ctx.RamFile.ViewTop = 0x40;
  const FileEditResult result = Find("FFFFFFFF");
  EXPECT_TRUE(result.close);
  EXPECT_EQ(ctx.RamFile.FindLen, 4);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x40);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x40u);
  ASSERT_TRUE(result.select);
  EXPECT_EQ(*result.select, (HexRange{0, 11})) << "four bytes' digits and the blanks between";
  EXPECT_EQ(ctx.Hex.Selection(), 0u) << "typing now edits the first digit of the match";
}

TEST_F(BufferFindTool, FindNextWalksTheMatchesAndStopsAfterTheLast) {
  Bytes data(0x100, 0);
  for (std::size_t at : {0x05, 0x33, 0xF8}) {
    data[at] = 0x55;
    data[at + 1] = 0xAA;
  }
  Load(data);

  FileEditResult result = Find("55aa");
  ASSERT_TRUE(result.select);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x05);
  EXPECT_EQ(*result.select, (HexRange{15, 5}));

  std::optional<HexRange> next = MenuBufferFindNextClick(ctx);
  ASSERT_TRUE(next);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x33);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0x30u);
  EXPECT_EQ(*next, (HexRange{9, 5}));
  EXPECT_EQ(ctx.Hex.HexText().substr(9, 5), "55 AA");

  ASSERT_TRUE(MenuBufferFindNextClick(ctx));
  EXPECT_EQ(ctx.RamFile.FindPos, 0xF8);

  const std::string view = ctx.Hex.HexText();
  EXPECT_FALSE(MenuBufferFindNextClick(ctx)) << "no wrap-around";
  EXPECT_EQ(ctx.RamFile.FindPos, 0xF8);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0xF0u);
  EXPECT_EQ(ctx.Hex.HexText(), view);
}

TEST_F(BufferFindTool, MatchAcrossARowIsSelectedFromItsFirstDigit) {
  Bytes data(0x40, 0);
  data[0x0E] = 0xAA;
  data[0x0F] = 0xBB;
  data[0x10] = 0xCC;
  data[0x11] = 0xDD;
  Load(data);

  const FileEditResult result = Find("AABBCCDD");
  ASSERT_TRUE(result.select);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x0E);
  EXPECT_EQ(result.select->start, 42u);
  EXPECT_EQ(ctx.Hex.HexText().substr(result.select->start, result.select->length), "AA BB \nCC DD")
      << "the blank closing the row and the line break are part of the span";
}

TEST_F(BufferFindTool, MatchMayRunPastTheDataButNotPastTheBlock) {
  Bytes data(0x80, 0);
  data[0x7F] = 0x12;
  Load(data);  // byte 0x80 is still 0xFF from the reset
  EXPECT_TRUE(Find("12FF").select);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x7F);

  SelectChip(256);
  ctx.RamFile.Data[0xFF] = 0x55;
  ctx.RamFile.Data[0xFE] = 0x00;
  EXPECT_TRUE(Find("55").select) << "one byte fits at the very end";
  EXPECT_EQ(ctx.RamFile.FindPos, 0xFF);
  ctx.RamFile.ViewTop = 0;
  const FileEditResult result = Find("55AA");
  EXPECT_TRUE(result.close);
  EXPECT_FALSE(result.select) << "a pattern running off the end of the block is no match";
  EXPECT_EQ(ctx.RamFile.FindPos, -1);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0u);
}

TEST_F(BufferFindTool, OddAndEmptyPatterns) {
  ctx.RamFile.Data[0x20] = 0xAB;
  EXPECT_TRUE(Find("ABC").select) << "an odd last digit is ignored";
  EXPECT_EQ(ctx.RamFile.FindLen, 1);
  EXPECT_EQ(ctx.RamFile.FindPos, 0x20);

  const std::string view = ctx.Hex.HexText();
  const FileEditResult result = Find("F");
  EXPECT_TRUE(result.close);
  EXPECT_FALSE(result.select);
  EXPECT_EQ(ctx.RamFile.FindLen, 0);
  EXPECT_EQ(ctx.RamFile.FindPos, -1);
  EXPECT_FALSE(MenuBufferFindNextClick(ctx));
  EXPECT_EQ(ctx.RamFile.FindPos, -1);
  EXPECT_EQ(ctx.Hex.HexText(), view);
}

TEST_F(BufferFindTool, RefusedPatternsChangeNothing) {
  ASSERT_TRUE(Find("FF").select);
  const std::string pattern_too_long(2 * kFindPatternSize + 2, 'F');
  struct Case {
    std::string text;
    std::string says;  // in the window's language (the built-in Chinese here)
  };
  const Case cases[] = {
      {"GG", ctx.Texts.LogFindNotHex + "\"GG\""},
      {"FF FF", ctx.Texts.LogFindNotHex + "\"FF FF\""},
      {pattern_too_long, "查找内容过长：最多可查找512个数字（256字节），已输入数字个数：514"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    panel.messages.clear();
    EXPECT_FALSE(Find(c.text).close);
    ASSERT_EQ(panel.messages.size(), 1u);
    EXPECT_EQ(panel.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(panel.messages[0].text, c.says);
    EXPECT_EQ(ctx.RamFile.FindLen, 1);
    EXPECT_EQ(ctx.RamFile.FindPos, 0);
  }

  // The longest pattern there is room for is searched.
  const FileEditResult result = Find(std::string(2 * kFindPatternSize, 'F'));
  EXPECT_TRUE(result.select);
  EXPECT_EQ(ctx.RamFile.FindLen, kFindPatternSize);
  EXPECT_EQ(ctx.RamFile.FindPos, 0);
}

TEST_F(BufferFindTool, SearchStateSurvivesALoadAndContinuesAfterTheOldMatch) {
  Load(Bytes(0x100, 0x77));
  ASSERT_TRUE(Find("7777").select);
  EXPECT_EQ(ctx.RamFile.FindPos, 0);
  Load(Bytes(0x100, 0x77));
  ASSERT_TRUE(MenuBufferFindNextClick(ctx));
  EXPECT_EQ(ctx.RamFile.FindPos, 1);
}

TEST_F(BufferFindTool, SetUpShowsOnlyThePattern) {
  const FileEditSetup setup = MenuBufferFindClick(ctx);
  EXPECT_EQ(setup.mode, FileEditMode::Find);
  EXPECT_EQ(setup.caption, "查找缓冲区");
  EXPECT_EQ(setup.label1, "查找内容(HEX):");
  EXPECT_EQ(setup.value1, "FFFFFFFF");
  EXPECT_FALSE(setup.value2_visible);
  EXPECT_FALSE(setup.value2_enabled);
  EXPECT_FALSE(setup.value3_visible);
  EXPECT_FALSE(setup.random_visible);
  EXPECT_EQ(setup.cancel, "取消");
}

}  // namespace
}  // namespace tessary
