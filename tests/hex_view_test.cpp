// The hex view: row texts, the scroll clamp, digit selection by click and
// in-place editing with the running checksum.
#include "buffer/hex_view.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace tessary {
namespace {

// Key codes as the window passes them in.
constexpr std::uint32_t kVkA = 0x41, kVkF = 0x46, kVkG = 0x47, kVk5 = 0x35, kVk0 = 0x30;
constexpr std::uint32_t kVkNumpad0 = 0x60, kVkNumpad1 = 0x61, kVkNumpad6 = 0x66, kVkNumpad7 = 0x67;
constexpr std::uint32_t kVkLeft = 0x25, kVkReturn = 0x0D, kVkSpace = 0x20;

struct Listener : HexViewListener {
  std::vector<HexViewChange> changes;
  void HexViewChanged(HexViewChange change) override { changes.push_back(change); }
};

// A view over a buffer whose byte at offset i is i mod 256.
struct HexViewFixture : ::testing::Test {
  Ram_File_Info_Struct ram;
  Prj_Info_Struct chip;
  HexView view{ram, chip};
  Listener listener;

  void Fill(std::uint32_t size) {
    ASSERT_EQ(RecreateBlock(ram, size), BufferStatus::Ok);
    for (std::uint32_t i = 0; i < size; ++i) ram.Data[i] = static_cast<std::uint8_t>(i);
    ram.ViewTop = 0;
    view.SetScrollMaximum(ram.DataLen);
    view.AlignView();
    view.RedrawHexView();
    view.SetListener(&listener);
  }

  std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
      if (c == '\n') {
        lines.emplace_back();
      } else {
        lines.back().push_back(c);
      }
    }
    return lines;
  }

  std::uint32_t FullSum() { return ByteSum(0, ram.Data); }
};

TEST_F(HexViewFixture, TwentyBytesShowAFullAndAPartialRow) {
  Fill(20);
  EXPECT_EQ(view.AddrText(), "00000000H  \n00000010H  ");
  EXPECT_EQ(view.HexText(),
            "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
            "10 11 12 13 ");
  EXPECT_EQ(view.AsciiText(), "................\n....");
  EXPECT_EQ(view.RowCount(), 2u);
  EXPECT_EQ(Lines(view.HexText())[0].size(), kHexRowChars);
}

TEST_F(HexViewFixture, DataEndingOnARowBoundaryAddsNoEmptyRow) {
  Fill(32);
  EXPECT_EQ(view.RowCount(), 2u);
  EXPECT_EQ(view.AddrText(), "00000000H  \n00000010H  ");
  EXPECT_EQ(Lines(view.HexText()).size(), 2u);
}

TEST_F(HexViewFixture, AddressesAddRamStartAddrButBytesStartAtOffsetZero) {
  chip.RamStartAddr = 0x1000;
  Fill(20);
  EXPECT_EQ(Lines(view.AddrText())[0], "00001000H  ");
  EXPECT_EQ(Lines(view.AddrText())[1], "00001010H  ");
  EXPECT_EQ(view.HexText().substr(0, 3), "00 ");

  chip.RamStartAddr = 0xFFFFFFF8;  // wraps rather than overflowing the column
  view.RedrawHexView();
  EXPECT_EQ(Lines(view.AddrText())[1], "00000008H  ");
}

TEST_F(HexViewFixture, SixtyFourKilobytesShowFiftySixRows) {
  Fill(64 * 1024);
  const auto addr = Lines(view.AddrText());
  ASSERT_EQ(addr.size(), 56u);
  EXPECT_EQ(addr.back(), "00000370H  ");
  EXPECT_EQ(Lines(view.HexText()).size(), 56u);
  EXPECT_EQ(Lines(view.AsciiText()).size(), 56u);
  EXPECT_EQ(view.HexText().size(), 56 * kHexRowPositions - 1);
}

TEST_F(HexViewFixture, ViewTopAtOrPastTheEndShowsOneAddressAndEmptyPanes) {
  Fill(32);
  for (std::uint32_t top : {32u, 48u, 0x1000u}) {
    ram.ViewTop = top;
    view.RedrawHexView();
    EXPECT_EQ(view.AddrText(), AddressLine(0, top)) << top;
    EXPECT_EQ(view.HexText(), "") << top;
    EXPECT_EQ(view.AsciiText(), "") << top;
  }
}

TEST_F(HexViewFixture, NeverShowsBytesPastTheBlockEvenIfDataLenSaysMore) {
  Fill(20);
  ram.DataLen = 4096;
  view.RedrawHexView();
  EXPECT_EQ(Lines(view.HexText())[1], "10 11 12 13 ");
}

TEST(HexViewTexts, CharacterPaneShowsPrintableAsciiOnly) {
  const std::vector<std::uint8_t> bytes = {0x41, 0x1F, 0x7F, 0xFF, 0x20, 0x7E, 0x00, 0x80, 0x2E};
  const HexViewTexts texts =
      BuildHexViewTexts(bytes, static_cast<std::uint32_t>(bytes.size()), 0, 0);
  EXPECT_EQ(texts.hex, "41 1F 7F FF 20 7E 00 80 2E ");
  EXPECT_EQ(texts.ascii, "A... ~...");
}

TEST(HexViewTexts, RowsStartWhereTheViewStarts) {
  std::vector<std::uint8_t> bytes(64);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0x30});
  // An unaligned top is drawn as given; AlignView is the caller's job.
  const HexViewTexts texts = BuildHexViewTexts(bytes, 64, 40, 0);
  EXPECT_EQ(texts.addr, "00000028H  \n00000038H  ");
  EXPECT_EQ(texts.hex.substr(0, 6), "58 59 ");
  EXPECT_EQ(texts.ascii, "XYZ[\\]^_`abcdefg\nhijklmno");
}

TEST(HexViewArithmetic, RowsInViewCountsPartialRowsAndStopsAtFiftySix) {
  struct Case {
    std::uint32_t top, len, rows;
  } cases[] = {
      {0, 0, 1},           {0, 1, 1},          {0, 16, 1},         {0, 17, 2},   {0, 20, 2},
      {16, 20, 1},         {20, 20, 1},        {0, 896, 56},       {0, 897, 56}, {0, 65536, 56},
      {0xFE80, 65536, 24}, {0xFFF0, 65536, 1}, {0xFFF8, 65536, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RowsInView(c.top, c.len), c.rows) << c.top << " of " << c.len;
  }
  EXPECT_EQ(VisibleRowCount(0, 65536, 24), 24u);
  EXPECT_EQ(VisibleRowCount(0, 20, 24), 2u);
}

TEST(HexViewArithmetic, ScrollPositionIsClampedToTheLastVisibleRowsThenAligned) {
  struct Case {
    std::uint32_t position, len, top;
    std::uint32_t rows = kDefaultVisibleRows;
  } cases[] = {
      {0, 65536, 0},                               // start
      {0x1234, 65536, 0x1230},                     // middle, rounded down
      {0xFE7F, 65536, 0xFE70},                     // just before the clamp
      {0xFE80, 65536, 0xFE80},                     // at the clamp
      {0xFE85, 65536, 0xFE80},                     // past it
      {65536, 65536, 0xFE80},                      // end of the scroll bar
      {300, 300, 288},                             // shorter than 384: unclamped
      {299, 300, 288},         {384, 384, 0},      // exactly 384: everything fits
      {400, 400, 16},          {1000, 1000, 608},  // 1000 - 384 = 616, rounded down
      // A pane that shows 21 rows ends on the last 21.
      {65536, 65536, 0xFEB0, 21}, {0xFEB0, 65536, 0xFEB0, 21}, {0xFEA0, 65536, 0xFEA0, 21},
      {1000, 1000, 656, 21},      {336, 336, 0, 21},           {65536, 65536, 0xFFF0, 1},
      {65536, 65536, 0xFFF0, 0},                               // never less than one row
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ViewTopForScroll(c.position, c.len, c.rows), c.top)
        << c.position << " of " << c.len << " in " << c.rows << " rows";
  }
}

TEST(HexViewArithmetic, PositionsAndDigitsRoundTripOverAFullView) {
  for (std::uint32_t byte = 0; byte < kMaxRowsDrawn * kBytesPerRow; ++byte) {
    for (DigitPlace place : {DigitPlace::High, DigitPlace::Low, DigitPlace::Separator}) {
      const HexPosition at{byte, place};
      ASSERT_EQ(HexPositionAt(PositionOf(at)), at) << byte;
    }
  }
  // Row 1 starts after the 48 characters and the line break of row 0.
  EXPECT_EQ(PositionOf({16, DigitPlace::High}), 49u);
  EXPECT_EQ(PositionOf({15, DigitPlace::Low}), 46u);
}

TEST_F(HexViewFixture, ScrollRedrawsFromTheClampedRow) {
  Fill(64 * 1024);
  view.Scroll(65536);
  EXPECT_EQ(ram.ViewTop, 0xFE80u);
  EXPECT_EQ(view.ScrollPosition(), 65536u);
  EXPECT_EQ(view.RowCount(), 24u);
  const auto addr = Lines(view.AddrText());
  EXPECT_EQ(addr.front(), "0000FE80H  ");
  EXPECT_EQ(addr.back(), "0000FFF0H  ");

  view.Scroll(0x8009);
  EXPECT_EQ(ram.ViewTop, 0x8000u);
  EXPECT_EQ(view.RowCount(), 56u);
  EXPECT_EQ(view.HexText().substr(0, 3), "00 ");

  view.Scroll(0);
  EXPECT_EQ(ram.ViewTop, 0u);
  EXPECT_EQ(listener.changes.back(), HexViewChange::Texts);
}

TEST_F(HexViewFixture, ScrollPositionStaysWithinTheMaximum) {
  Fill(1000);
  view.SetScrollPosition(900);
  EXPECT_EQ(view.ScrollPosition(), 900u);
  view.SetScrollMaximum(500);
  EXPECT_EQ(view.ScrollPosition(), 500u);
  view.Scroll(100000);
  EXPECT_EQ(view.ScrollPosition(), 500u);
  EXPECT_EQ(ram.ViewTop, 496u);
}

TEST_F(HexViewFixture, AlignViewRoundsDownToARow) {
  Fill(0x2000);
  ram.ViewTop = 0x1237;
  view.AlignView();
  EXPECT_EQ(ram.ViewTop, 0x1230u);
  EXPECT_EQ(ram.View()[0], 0x30);
}

TEST_F(HexViewFixture, ClickSnapsToTheNextDigitOnEveryColumnBoundary) {
  Fill(20);  // row 0: 16 bytes, row 1: bytes 16..19
  struct Case {
    std::uint32_t caret;
    std::optional<std::uint32_t> selected;
    std::uint32_t offset;
    DigitPlace place;
  } cases[] = {
      {0, 0, 0, DigitPlace::High},  // first digit
      {1, 1, 0, DigitPlace::Low},   // second digit
      {2, 3, 1, DigitPlace::High},  // blank between bytes: next byte
      {45, 45, 15, DigitPlace::High}, {46, 46, 15, DigitPlace::Low},  // last digit of row 0
      {47, 49, 16, DigitPlace::High},  // blank at the row's end: next row
      {48, 49, 16, DigitPlace::High},  // line break
      {49, 49, 16, DigitPlace::High}, {59, 59, 19, DigitPlace::Low},  // last digit of the view
      {60, std::nullopt, 0, {}},                                      // after it: nothing
      {61, std::nullopt, 0, {}},      {5000, std::nullopt, 0, {}},
  };
  for (const Case& c : cases) {
    view.Click(c.caret);
    EXPECT_EQ(view.Selection(), c.selected) << c.caret;
    if (c.selected) {
      EXPECT_EQ(view.SelectedOffset(), c.offset) << c.caret;
      EXPECT_EQ(view.SelectedPlace(), c.place) << c.caret;
    }
  }
}

TEST_F(HexViewFixture, SelectionOffsetsCountFromTheRowDrawnFirst) {
  Fill(0x1000);
  view.Scroll(0x200);
  view.Click(PositionOf({17, DigitPlace::Low}));
  EXPECT_EQ(view.SelectedOffset(), 0x211u);
}

TEST_F(HexViewFixture, HighThenLowDigitFillTheByteAndMoveOn) {
  Fill(20);
  const std::uint32_t before = FullSum();
  view.Click(0);
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[0], 0xA0);
  EXPECT_EQ(view.Selection(), 1u);
  EXPECT_EQ(view.KeyDown(kVk5), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[0], 0xA5);
  EXPECT_EQ(view.Selection(), 3u);  // first digit of byte 1
  EXPECT_EQ(view.SelectedOffset(), 1u);
  EXPECT_EQ(view.HexText().substr(0, 6), "A5 01 ");
  EXPECT_EQ(ram.Data[1], 0x01);
  EXPECT_EQ(FullSum(), before + 0xA5);
  EXPECT_EQ(view.CheckSumText(), CheckSumPanelText(FullSum()));
  // The character pane waits for the next redraw; the record's own sum and
  // length are not the edit's business.
  EXPECT_EQ(view.AsciiText()[0], '.');
  EXPECT_EQ(ram.DataLen, 20u);
  EXPECT_EQ(ram.CheckSum, 0u);
}

TEST_F(HexViewFixture, LowDigitKeepsTheHighDigit) {
  Fill(20);
  ram.Data[2] = 0x3C;
  view.RedrawHexView();
  view.Click(PositionOf({2, DigitPlace::Low}));
  EXPECT_EQ(view.KeyDown(kVk0), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[2], 0x30);
  EXPECT_EQ(view.SelectedOffset(), 3u);
  EXPECT_EQ(view.SelectedPlace(), DigitPlace::High);
}

TEST_F(HexViewFixture, TypingOnTheLastDigitOfARowContinuesOnTheNextRow) {
  Fill(64);
  view.Click(46);
  EXPECT_EQ(view.KeyDown(kVkF), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[15], 0x0F);
  EXPECT_EQ(view.Selection(), 49u);
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[16], 0xA0);
  EXPECT_EQ(Lines(view.HexText())[1].substr(0, 3), "A0 ");
}

TEST_F(HexViewFixture, EditingTheVeryLastByteEndsWithNothingSelected) {
  Fill(20);
  view.Click(PositionOf({19, DigitPlace::High}));
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[19], 0xAA);
  EXPECT_EQ(view.Selection(), std::nullopt);
  const std::vector<std::uint8_t> after = ram.Data;
  EXPECT_EQ(view.KeyDown(kVkF), KeyOutcome::Ignored);
  EXPECT_EQ(ram.Data, after);
}

TEST_F(HexViewFixture, OtherKeysAndKeysWithoutSelectionAreIgnored) {
  Fill(20);
  const std::vector<std::uint8_t> original = ram.Data;
  const std::string text = view.HexText();
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Ignored);  // nothing selected yet

  view.Click(0);
  listener.changes.clear();
  for (std::uint32_t key : {kVkG, kVkLeft, kVkReturn, kVkSpace, kVkNumpad0, kVkNumpad7, 0u}) {
    EXPECT_EQ(view.KeyDown(key), KeyOutcome::Ignored) << key;
  }
  EXPECT_EQ(ram.Data, original);
  EXPECT_EQ(view.HexText(), text);
  EXPECT_EQ(view.Selection(), 0u);
  EXPECT_TRUE(listener.changes.empty());
}

TEST_F(HexViewFixture, NumericKeypadOneToSixEnterTheDigitsAToF) {
  Fill(20);
  view.Click(0);
  EXPECT_EQ(view.KeyDown(kVkNumpad1), KeyOutcome::Edited);
  EXPECT_EQ(view.KeyDown(kVkNumpad6), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[0], 0xAF);
  // The pane shows the key's own character until the next redraw.
  EXPECT_EQ(view.HexText().substr(0, 2), "af");
  view.RedrawHexView();
  EXPECT_EQ(view.HexText().substr(0, 2), "AF");
}

TEST_F(HexViewFixture, RedrawDropsTheSelection) {
  Fill(20);
  view.Click(4);
  ASSERT_TRUE(view.Selection());
  view.RedrawHexView();
  EXPECT_EQ(view.Selection(), std::nullopt);
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Ignored);
}

TEST_F(HexViewFixture, RunningChecksumMatchesAFullRecompute) {
  Fill(64 * 1024);
  std::mt19937 random(7);
  std::uniform_int_distribution<std::uint32_t> scroll(0, 65536);
  std::uniform_int_distribution<std::uint32_t> caret(0, 56 * kHexRowPositions);
  std::uniform_int_distribution<std::uint32_t> digit(0, 15);
  int edits = 0;
  for (int round = 0; round < 40; ++round) {
    view.Scroll(scroll(random));
    if (round % 10 == 5) {
      // Something else wrote the buffer and redrew, as the fill tool does.
      ram.Data[static_cast<std::size_t>(round) * 1000] ^= 0x5A;
      view.RedrawHexView();
    }
    view.Click(caret(random));
    for (int k = 0; k < 20 && view.Selection(); ++k) {
      const std::uint32_t d = digit(random);
      ASSERT_EQ(view.KeyDown(d < 10 ? kVk0 + d : kVkA + d - 10), KeyOutcome::Edited);
      ++edits;
      ASSERT_EQ(view.CheckSumText(), CheckSumPanelText(FullSum())) << "round " << round;
    }
  }
  EXPECT_GT(edits, 500);
}

TEST_F(HexViewFixture, RunningChecksumFollowsAWriterThatSaysSo) {
  Fill(256);
  view.Click(0);
  ASSERT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  ram.Data[200] = 0x00;  // written without a redraw
  view.BufferChanged();
  ASSERT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(view.CheckSumText(), CheckSumPanelText(FullSum()));
}

TEST_F(HexViewFixture, EditsGoToTheByteOnScreenAndNeverPastTheData) {
  Fill(0x100);
  view.Scroll(0x40);
  view.Click(0);
  // ViewTop moved without a redraw: the operator still sees row 0x40.
  ram.ViewTop = 0x80;
  ASSERT_EQ(view.KeyDown(kVkA), KeyOutcome::Edited);
  EXPECT_EQ(ram.Data[0x40], 0xA0);
  EXPECT_EQ(ram.Data[0x80], 0x80);

  // The block was cut under the view: a byte no longer there is not written.
  view.Click(PositionOf({40, DigitPlace::High}));
  ASSERT_EQ(view.SelectedOffset(), 0x68u);
  ASSERT_EQ(RecreateBlock(ram, 0x50), BufferStatus::Ok);
  EXPECT_EQ(view.KeyDown(kVkA), KeyOutcome::Ignored);
  EXPECT_EQ(ram.Data.size(), 0x50u);
}

TEST_F(HexViewFixture, ListenerHearsEveryKindOfChange) {
  Fill(20);
  view.Click(0);
  view.KeyDown(kVkA);
  view.Scroll(0);
  view.SetScrollMaximum(20);
  EXPECT_EQ(listener.changes,
            (std::vector<HexViewChange>{HexViewChange::Selection, HexViewChange::Digit,
                                        HexViewChange::Selection, HexViewChange::CheckSum,
                                        HexViewChange::Texts, HexViewChange::ScrollBar}));
}

TEST_F(HexViewFixture, BufferResetShowsAFreshChipFromTheTop) {
  Fill(0x1000);
  view.Scroll(0x800);
  const auto outcome = ResetBufferAndView(view, 256);
  ASSERT_EQ(outcome.status, BufferStatus::Ok);
  EXPECT_EQ(outcome.sum, 0xFF00u);
  EXPECT_EQ(view.CheckSumText(), "CheckSum:0000FF00H");
  EXPECT_EQ(view.ScrollMaximum(), 256u);
  EXPECT_EQ(ram.ViewTop, 0u);
  EXPECT_EQ(view.RowCount(), 16u);
  EXPECT_EQ(Lines(view.HexText())[15], "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
  EXPECT_EQ(Lines(view.AsciiText())[15], "................");
}

}  // namespace
}  // namespace tessary
