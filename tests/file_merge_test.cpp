// The file merge: the fill field, the table's start and end addresses, gap
// fill, order and overlapping files, and the failures that must leave no
// output behind (nor spoil an earlier one).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "buffer/buffer_tools.h"
#include "buffer/file_formats.h"
#include "buffer/file_merge.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

Bytes Repeat(std::size_t size, std::uint8_t value) { return Bytes(size, value); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct FileMerge : ::testing::Test {
  FileMerge() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) /
          (std::string("merge-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~FileMerge() override { fs::remove_all(dir); }

  fs::path Write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  // The table's merge, as the merge button runs it.
  MergeWriteResult Merge(const FileMergeTable& table, const fs::path& output,
                         std::string_view fill = "FF") {
    PreparedMerge prepared = PrepareMerge(table, fill);
    if (!prepared.job) return {false, prepared.error, 0};
    return WriteMerge(*prepared.job, output);
  }
  // Nothing but the named files in the folder: no temporary left behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

TEST(MergeFillField, MustBeTwoHexadecimalDigits) {
  std::string error;
  EXPECT_EQ(ReadFillField("FF", error), 0xFF);
  EXPECT_EQ(ReadFillField("0a", error), 0x0A);
  for (const char* wrong_length : {"", "0", "FFF"}) {
    error.clear();
    EXPECT_FALSE(ReadFillField(wrong_length, error)) << wrong_length;
    EXPECT_EQ(error, kMergeFillFormatError);
  }
  EXPECT_FALSE(ReadFillField("ZZ", error));
  EXPECT_EQ(error, HexNumberError("ZZ")) << "two characters that are not a number";
}

TEST_F(FileMerge, RowsFollowEachOtherAndAnEditedStartMovesTheEnd) {
  const Bytes a = Pattern(0x1000, 1), b = Pattern(0x800, 2);
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("a.bin", a)));
  ASSERT_TRUE(table.AddFile(Write("b.bin", b)));
  ASSERT_EQ(table.rows().size(), 2u);
  EXPECT_EQ(table.NumberText(0), "1");
  EXPECT_EQ(table.NumberText(1), "2");
  EXPECT_EQ(table.FileText(1), (dir / "b.bin").string());
  EXPECT_EQ(table.StartText(0), "00000000");
  EXPECT_EQ(table.EndText(0), "00000FFF");
  EXPECT_EQ(table.StartText(1), "00001000");
  EXPECT_EQ(table.EndText(1), "000017FF");

  ASSERT_TRUE(table.SetStartText(1, "00002000"));
  EXPECT_EQ(table.EndText(1), "000027FF");
  const fs::path out = dir / "out.bin";
  const MergeWriteResult result = Merge(table, out);
  ASSERT_TRUE(result) << result.error;
  EXPECT_EQ(result.bytes_written, 0x2800u);
  EXPECT_EQ(Read(out), Join({a, Repeat(0x1000, 0xFF), b}));

  // The next file added follows the edited row.
  ASSERT_TRUE(table.AddFile(Write("c.bin", Pattern(0x10, 3))));
  EXPECT_EQ(table.StartText(2), "00002800");
}

TEST_F(FileMerge, FillBeforeTheFirstFileAndInGapsIsTheChosenByte) {
  const Bytes a = Pattern(0x20, 1), b = Pattern(0x30, 2);
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("a.bin", a)));
  ASSERT_TRUE(table.AddFile(Write("b.bin", b)));
  ASSERT_TRUE(table.SetStartText(0, "100"));
  ASSERT_TRUE(table.SetStartText(1, "00000140"));
  EXPECT_EQ(table.EndText(0), "0000011F");
  const fs::path out = dir / "out.bin";
  ASSERT_TRUE(Merge(table, out, "5a"));
  EXPECT_EQ(Read(out), Join({Repeat(0x100, 0x5A), a, Repeat(0x20, 0x5A), b}));
}

TEST_F(FileMerge, AtMostFourRowsAndDeleteTakesTheLast) {
  FileMergeTable table;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(table.AddFile(Write("f" + std::to_string(i), Pattern(0x10, 0))));
  }
  const MergeStep fifth = table.AddFile(Write("f4", Pattern(0x10, 0)));
  EXPECT_FALSE(fifth);
  EXPECT_TRUE(fifth.error.empty()) << "a full table does nothing, silently";
  EXPECT_EQ(table.rows().size(), 4u);

  EXPECT_TRUE(table.RemoveLastFile());
  ASSERT_EQ(table.rows().size(), 3u);
  EXPECT_EQ(table.rows().back().file, dir / "f2");
  while (table.RemoveLastFile()) {
  }
  EXPECT_TRUE(table.rows().empty());
}

TEST_F(FileMerge, RefusalsWriteNothingAndLeaveAnEarlierOutput) {
  const fs::path out = Write("out.bin", Pattern(5, 9));
  const Bytes old_output = Read(out);
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("a.bin", Pattern(0x10, 1))));

  // One file only.
  MergeWriteResult result = Merge(table, out);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.error, kMergeTooFewFiles);

  ASSERT_TRUE(table.AddFile(Write("b.bin", Pattern(0x10, 2))));
  // The fill field: wrong length, then not a number.
  EXPECT_EQ(Merge(table, out, "F").error, kMergeFillFormatError);
  EXPECT_EQ(Merge(table, out, "GG").error, HexNumberError("GG"));

  // A start typed wrong: the text stays, the end does not move, the merge
  // names the row.
  const MergeStep typed = table.SetStartText(1, "12X4");
  EXPECT_FALSE(typed);
  EXPECT_THAT(typed.error, HasSubstr("12X4"));
  EXPECT_EQ(table.StartText(1), "12X4");
  EXPECT_EQ(table.EndText(1), "0000001F");
  result = Merge(table, out);
  EXPECT_FALSE(result);
  EXPECT_THAT(result.error, HasSubstr("file 2"));
  ASSERT_TRUE(table.SetStartText(1, "10"));

  // An input that went away.
  fs::remove(dir / "b.bin");
  result = Merge(table, out);
  EXPECT_FALSE(result);
  EXPECT_THAT(result.error, HasSubstr("b.bin"));

  EXPECT_EQ(Read(out), old_output);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.bin", "out.bin"}));
}

TEST_F(FileMerge, UnreadableFilesAreNotAdded) {
  FileMergeTable table;
  const MergeStep missing = table.AddFile(dir / "missing.bin");
  EXPECT_FALSE(missing);
  EXPECT_THAT(missing.error, HasSubstr("missing.bin"));
  fs::create_directory(dir / "folder.bin");
  EXPECT_FALSE(table.AddFile(dir / "folder.bin"));
  EXPECT_TRUE(table.rows().empty());
}

TEST_F(FileMerge, AFileMustEndAtOrBelowTheLastAddress) {
  const Bytes a = Pattern(0x200, 1);
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("a.bin", a)));
  ASSERT_TRUE(table.AddFile(Write("b.bin", Pattern(0x10, 2))));

  // Typed too high: refused, the end stays.
  const MergeStep high = table.SetStartText(0, "FFFFFF00");
  EXPECT_FALSE(high);
  EXPECT_THAT(high.error, HasSubstr("FFFFFFFF"));
  EXPECT_EQ(table.EndText(0), "000001FF");
  EXPECT_FALSE(PrepareMerge(table, "FF").job) << "the cell still holds the refused start";

  // Exactly up to the last address is fine; nothing fits after it.
  ASSERT_TRUE(table.RemoveLastFile());
  ASSERT_TRUE(table.SetStartText(0, "FFFFFE00"));
  EXPECT_EQ(table.EndText(0), "FFFFFFFF");
  EXPECT_FALSE(table.AddFile(Write("c.bin", Pattern(0x10, 3))));
  EXPECT_FALSE(table.AddFile(Write("empty.bin", {})));
  EXPECT_EQ(table.rows().size(), 1u);

  // Addresses from 80000000 up are addresses, not negative numbers.
  const PreparedMerge prepared =
      PrepareMerge({{dir / "a.bin", 0x80000000u}, {dir / "c.bin", 0xFFFFFFF0u}}, "FF");
  ASSERT_TRUE(prepared.job) << prepared.error;
  EXPECT_EQ(prepared.job->output_size, 0x100000000u);
  EXPECT_FALSE(PrepareMerge({{dir / "a.bin", 0}, {dir / "c.bin", 0xFFFFFFF1u}}, "FF").job);
}

// Overlapping starts: the later file is written at its own start address,
// over the earlier one's bytes, as the warning says.
TEST_F(FileMerge, AnOverlappingFileGoesToItsStartAndTheLaterRowWins) {
  const Bytes a = Pattern(0x1000, 1), b = Pattern(0x800, 2);
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("a.bin", a)));
  ASSERT_TRUE(table.AddFile(Write("b.bin", b)));
  ASSERT_TRUE(table.SetStartText(1, "400"));

  PreparedMerge prepared = PrepareMerge(table, "FF");
  ASSERT_TRUE(prepared.job) << prepared.error;
  EXPECT_EQ(prepared.job->overwriting, std::vector<std::size_t>{1});
  const fs::path out = dir / "out.bin";
  ASSERT_TRUE(WriteMerge(*prepared.job, out));
  Bytes expected = a;
  std::copy(b.begin(), b.end(), expected.begin() + 0x400);
  EXPECT_EQ(Read(out), expected);

  // A later row that starts below the end but only lands in a gap overwrites
  // fill, not a file: no warning, and the gap's other bytes stay fill.
  const Bytes c = Pattern(0x100, 3);
  ASSERT_TRUE(table.SetStartText(1, "2000"));
  ASSERT_TRUE(table.AddFile(Write("c.bin", c)));
  ASSERT_TRUE(table.SetStartText(2, "1800"));
  prepared = PrepareMerge(table, "00");
  ASSERT_TRUE(prepared.job);
  EXPECT_TRUE(prepared.job->overwriting.empty());
  ASSERT_TRUE(WriteMerge(*prepared.job, out));
  EXPECT_EQ(Read(out), Join({a, Repeat(0x800, 0), c, Repeat(0x700, 0), b}));

  // A file entirely inside an earlier one and one that covers all before it.
  prepared = PrepareMerge({{dir / "a.bin", 0}, {dir / "c.bin", 0x10}, {dir / "b.bin", 0}}, "FF");
  ASSERT_TRUE(prepared.job);
  EXPECT_EQ(prepared.job->overwriting, (std::vector<std::size_t>{1, 2}));
  ASSERT_TRUE(WriteMerge(*prepared.job, out));
  expected = a;
  std::copy(c.begin(), c.end(), expected.begin() + 0x10);
  std::copy(b.begin(), b.end(), expected.begin());
  EXPECT_EQ(Read(out), expected);
}

TEST_F(FileMerge, EmptyFilesTakeNoRoomButCountAsPlaced) {
  FileMergeTable table;
  ASSERT_TRUE(table.AddFile(Write("empty.bin", {})));
  EXPECT_EQ(table.EndText(0), "FFFFFFFF") << "start + length - 1";
  const Bytes a = Pattern(0x10, 1);
  ASSERT_TRUE(table.AddFile(Write("a.bin", a)));
  EXPECT_EQ(table.StartText(1), "00000000");
  ASSERT_TRUE(table.SetStartText(0, "20"));
  const fs::path out = dir / "out.bin";
  ASSERT_TRUE(Merge(table, out));
  EXPECT_EQ(Read(out), Join({a, Repeat(0x10, 0xFF)}))
      << "the output reaches the empty file's start";
}

TEST_F(FileMerge, TheOutputMayBeOneOfTheInputs) {
  const Bytes a = Pattern(0x40, 1), b = Pattern(0x40, 2);
  const fs::path a_path = Write("a.bin", a);
  const PreparedMerge prepared = PrepareMerge({{a_path, 0}, {Write("b.bin", b), 0x80}}, "EE");
  ASSERT_TRUE(prepared.job);
  ASSERT_TRUE(WriteMerge(*prepared.job, a_path));
  EXPECT_EQ(Read(a_path), Join({a, Repeat(0x40, 0xEE), b}));
}

TEST_F(FileMerge, AnOutputThatCannotBeWrittenLeavesTheOldFile) {
  const fs::path out = Write("out.bin", Pattern(7, 7));
  const Bytes old_output = Read(out);
  const PreparedMerge prepared = PrepareMerge(
      {{Write("a.bin", Pattern(0x2000, 1)), 0}, {Write("b.bin", Pattern(0x800, 2)), 0x2000}}, "FF");
  ASSERT_TRUE(prepared.job);

  // The disk fills up half-way: the write fails once the output passes 4 KiB.
  {
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const MergeWriteResult result = WriteMerge(*prepared.job, out);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(result);
    EXPECT_THAT(result.error, HasSubstr("out.bin"));
  }
  EXPECT_EQ(Read(out), old_output);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.bin", "b.bin", "out.bin"}));

  // A folder that does not exist, and an output name that is a folder.
  MergeWriteResult result = WriteMerge(*prepared.job, dir / "no-such-folder" / "out.bin");
  EXPECT_FALSE(result);
  EXPECT_THAT(result.error, HasSubstr("no-such-folder"));
  fs::create_directory(dir / "out.dir");
  result = WriteMerge(*prepared.job, dir / "out.dir");
  EXPECT_FALSE(result);
  EXPECT_TRUE(fs::is_directory(dir / "out.dir"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.bin", "b.bin", "out.bin", "out.dir"}));
}

TEST_F(FileMerge, AnInputThatChangesBeforeTheWriteStopsIt) {
  const fs::path out = dir / "out.bin";
  const fs::path a = Write("a.bin", Pattern(0x100, 1));
  const PreparedMerge prepared =
      PrepareMerge({{a, 0}, {Write("b.bin", Pattern(0x10, 2)), 0x100}}, "FF");
  ASSERT_TRUE(prepared.job);
  Write("a.bin", Pattern(0x80, 1));
  const MergeWriteResult result = WriteMerge(*prepared.job, out);
  EXPECT_FALSE(result);
  EXPECT_THAT(result.error, HasSubstr("a.bin"));
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace tessary
