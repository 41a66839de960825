// File > Open, File > Save and the file import editor, on a throwaway
// program folder: what a load changes and what it leaves, the too-long
// reports per language, the file-type rule through the command, failures that
// must change nothing, and saves that never leave a half-written file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/buffer_handlers.h"
#include "buffer/file_commands.h"
#include "buffer/file_formats.h"
#include "buffer/file_import.h"
#include "support/program_folder.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;
using ::testing::StartsWith;

Bytes Counting(std::size_t size, std::uint8_t first = 0) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

std::uint32_t Sum(const Bytes& bytes, std::size_t count) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Four data bytes 01 02 03 04 at address 0, then the end.
constexpr const char* kSmallHex = ":0400000001020304F2\r\n:00000001FF\r\n";

// A program folder with temp, a 256-byte chip just selected (all 0xFF) and
// the clock at 08:00:00.
struct FileCommandFixture : ::testing::Test {
  FileCommandFixture() : folder(/*with_catalogue=*/false) {
    ctx.Paths = PortablePaths(folder.path());
    clock.SetTimeOfDay(8, 0, 0);
    SelectChip(256);
    fs::create_directories(Files());
  }

  void SelectChip(std::uint32_t size) {
    ctx.CurrentPrj.ChipSize = size;
    ASSERT_EQ(ResetBufferAndView(ctx.Hex, size).status, BufferStatus::Ok);
  }
  fs::path Files() const { return folder.path() / "files"; }
  fs::path Temp() const { return folder.path() / "temp"; }
  fs::path File(const std::string& name, const Bytes& bytes) const {
    const fs::path path = Files() / name;
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes);
    return path;
  }
  fs::path TextFile(const std::string& name, const std::string& text) const {
    const fs::path path = Files() / name;
    fs::create_directories(path.parent_path());
    WriteText(path, text);
    return path;
  }
  Bytes Buffer(std::size_t count) const {
    return Bytes(ctx.RamFile.Data.begin(), ctx.RamFile.Data.begin() + static_cast<long>(count));
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  testing::RecordingPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
};

// --- File > Open ---

using OpenCommand = FileCommandFixture;

TEST_F(OpenCommand, BinaryFileFillsTheBufferFromOffsetZeroAndIsRemembered) {
  const Bytes content = Counting(100, 1);
  const fs::path path = File("data.bin", content);
  ctx.CurrentPrj.RamStartAddr = 0x1000;
  ctx.RamFile.ViewTop = 0x80;

  ASSERT_TRUE(sbOpenFileClick(ctx, path));

  EXPECT_EQ(ctx.RamFile.DataLen, 100u);
  EXPECT_EQ(Buffer(100), content);
  EXPECT_EQ(Bytes(ctx.RamFile.Data.begin() + 100, ctx.RamFile.Data.end()), Bytes(156, 0xFF))
      << "bytes past the file keep what the buffer held";
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0u);
  EXPECT_EQ(ctx.RamFile.Loaded, 1);
  EXPECT_EQ(ctx.RamFile.FileName, PathText(path));
  EXPECT_EQ(ctx.DeviceInfo.FilePath, PathText(path));
  EXPECT_EQ(ctx.Window.Title, ctx.Texts.MainSoftWareInfo + "    " + PathText(path));
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].first, "08:00:00 打开文件:" + PathText(path));
  EXPECT_EQ(panel.log[0].second, LogColour::Plain);
  const std::uint32_t sum = Sum(content, 100);
  EXPECT_EQ(ctx.RamFile.CheckSum, sum);
  EXPECT_EQ(panel.status[3], "CheckSum:0x" + Hex8(sum) + "H");
  EXPECT_EQ(ctx.Hex.CheckSumText(), panel.status[3]);
  EXPECT_EQ(ctx.RamFile.ViewTop, 0u);
  EXPECT_EQ(ctx.Hex.ScrollMaximum(), 100u);
  EXPECT_EQ(ctx.Hex.ScrollPosition(), 0u);
  EXPECT_THAT(ctx.Hex.AddrText(), StartsWith("00000000H  "));
  EXPECT_EQ(ctx.Hex.RowCount(), 7u);
  EXPECT_TRUE(panel.messages.empty());
}

TEST_F(OpenCommand, FileLongerThanTheChipIsCutAndReportedInTheOperatorsLanguage) {
  const Bytes content = Counting(300, 7);
  const fs::path path = File("big.bin", content);
  struct Case {
    std::int32_t language;
    std::string text;
  };
  const Case cases[] = {
      {0, "08:00:00 文件长度超过了芯片容量!\r超出部分将被忽略，注意确认！"},
      {1, "08:00:00 文件長度超過了芯片容量!\r超出部分將被忽略，注意確認！"},
      {2, "The file seledted is bigger than the chip capcity!Please check!"},
      {7, "The file seledted is bigger than the chip capcity!Please check!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    panel.log.clear();
    panel.messages.clear();
    ctx.DeviceInfo.Language = c.language;

    ASSERT_TRUE(sbOpenFileClick(ctx, path));

    EXPECT_EQ(ctx.RamFile.DataLen, 256u);
    EXPECT_EQ(Buffer(256), Bytes(content.begin(), content.begin() + 256));
    ASSERT_EQ(panel.log.size(), 2u);
    EXPECT_EQ(panel.log[1].first, c.text);
    EXPECT_EQ(panel.log[1].second, LogColour::Error);
    ASSERT_EQ(panel.messages.size(), 1u);
    EXPECT_EQ(panel.messages[0].text, c.text);
    EXPECT_EQ(panel.status[3], "CheckSum:0x" + Hex8(Sum(content, 256)) + "H");
    EXPECT_EQ(ctx.Hex.ScrollMaximum(), 256u);
  }
}

TEST_F(OpenCommand, CancelOnlyProposesTestBinInTemp) {
  ASSERT_TRUE(sbOpenFileClick(ctx, File("first.bin", Counting(16))));
  ctx.CurrentPrj.RamStartAddr = 0x40;
  const Ram_File_Info_Struct before = ctx.RamFile;
  const std::string title = ctx.Window.Title;
  const std::string checksum = panel.status[3];
  panel.log.clear();

  EXPECT_FALSE(sbOpenFileClick(ctx, std::nullopt));

  EXPECT_EQ(ctx.Window.OpenDialogFile, PathText(folder.path() / "temp" / "test.bin"));
  EXPECT_EQ(ctx.RamFile.Data, before.Data);
  EXPECT_EQ(ctx.RamFile.DataLen, before.DataLen);
  EXPECT_EQ(ctx.RamFile.FileName, before.FileName);
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0x40u);
  EXPECT_EQ(ctx.Window.Title, title);
  EXPECT_EQ(panel.status[3], checksum);
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(OpenCommand, TypeComesFromTheFileNameWithoutRegardToCase) {
  struct Case {
    std::string name;
    DataFileType type;
  };
  const Case cases[] = {
      {"my.data/fw.hex", DataFileType::IntelHex},
      {"fw.HEX", DataFileType::IntelHex},
      {"fw.Hex", DataFileType::IntelHex},
      {"fw.hex.bak", DataFileType::Binary},
      {"fw.CAP", DataFileType::Cap},
      {"fw.rom", DataFileType::Binary},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    panel.log.clear();
    Bytes expected;
    fs::path path;
    switch (c.type) {
      case DataFileType::IntelHex:
        path = TextFile(c.name, kSmallHex);
        expected = {1, 2, 3, 4};
        break;
      case DataFileType::Cap: {
        Bytes cap(2048, 0xCA);
        const Bytes body = Counting(40, 0x10);
        cap.insert(cap.end(), body.begin(), body.end());
        path = File(c.name, cap);
        expected = body;
        break;
      }
      case DataFileType::Binary:
        path = TextFile(c.name, kSmallHex);
        expected.assign(kSmallHex, kSmallHex + std::string(kSmallHex).size());
        break;
    }

    ASSERT_TRUE(sbOpenFileClick(ctx, path));

    const fs::path image = c.type == DataFileType::IntelHex ? folder.path() / "temp" / "hex.bin"
                           : c.type == DataFileType::Cap    ? folder.path() / "temp" / "cap.bin"
                                                            : path;
    EXPECT_EQ(ctx.RamFile.FileName, PathText(image));
    EXPECT_EQ(ctx.DeviceInfo.FilePath, PathText(path)) << "the chosen file, not its image";
    EXPECT_EQ(ctx.Window.Title, ctx.Texts.MainSoftWareInfo + "    " + PathText(path));
    EXPECT_EQ(panel.log.at(0).first, "08:00:00 打开文件:" + PathText(image))
        << "the open command logs the image it loads";
    EXPECT_EQ(ctx.RamFile.DataLen, expected.size());
    EXPECT_EQ(Buffer(expected.size()), expected);
  }
}

// Everything a failed open must leave as it was.
struct Snapshot {
  explicit Snapshot(const AppContext& ctx)
      : ram(ctx.RamFile),
        start(ctx.CurrentPrj.RamStartAddr),
        file_path(ctx.DeviceInfo.FilePath),
        title(ctx.Window.Title),
        checksum_text(ctx.Hex.CheckSumText()),
        view(ctx.Hex.HexText()) {}
  void ExpectUnchanged(const AppContext& ctx) const {
    EXPECT_EQ(ctx.RamFile.Data, ram.Data);
    EXPECT_EQ(ctx.RamFile.DataLen, ram.DataLen);
    EXPECT_EQ(ctx.RamFile.ViewTop, ram.ViewTop);
    EXPECT_EQ(ctx.RamFile.FileName, ram.FileName);
    EXPECT_EQ(ctx.RamFile.Loaded, ram.Loaded);
    EXPECT_EQ(ctx.RamFile.CheckSum, ram.CheckSum);
    EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, start);
    EXPECT_EQ(ctx.DeviceInfo.FilePath, file_path);
    EXPECT_EQ(ctx.Window.Title, title);
    EXPECT_EQ(ctx.Hex.CheckSumText(), checksum_text);
    EXPECT_EQ(ctx.Hex.HexText(), view);
  }
  Ram_File_Info_Struct ram;
  std::uint32_t start;
  std::string file_path, title, checksum_text, view;
};

TEST_F(OpenCommand, FilesThatCannotBeOpenedConvertedOrReadChangeNothing) {
  ASSERT_TRUE(sbOpenFileClick(ctx, File("good.bin", Counting(64, 0x20))));
  ctx.CurrentPrj.RamStartAddr = 0x200;
  const Snapshot before(ctx);

  const std::string too_long_record = ":7C000000" + std::string(248, '0') + "00\n:00000001FF\n";
  struct Case {
    std::string what;
    std::function<fs::path()> make;
    std::string says;
  };
  const Case cases[] = {
      {"missing file", [&] { return Files() / "absent.bin"; }, "absent.bin"},
      {"a folder, not a file",
       [&] {
         fs::create_directories(Files() / "folder.bin");
         return Files() / "folder.bin";
       },
       "folder.bin"},
      {"missing Intel HEX file", [&] { return Files() / "absent.hex"; }, "absent.hex"},
      {"record below the image start",
       [&] {
         return TextFile("below.hex",
                         ":020000040001F9\n:0400000001020304F2\n:020000040000FA\n"
                         ":0400000005060708DE\n:00000001FF\n");
       },
       "below.hex:4"},
      {"record longer than a line holds", [&] { return TextFile("long.hex", too_long_record); },
       "long.hex:1"},
      {"record with a wrong checksum",
       [&] { return TextFile("sum.hex", ":0400000001020304F2\n:0400040005060708DD\n:00000001FF\n"); },
       "08:00:00 文件未载入，缓冲区保持不变：记录校验和错误：" + PathText(Files() / "sum.hex") +
           ":2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    panel.log.clear();
    const fs::path path = c.make();

    EXPECT_FALSE(sbOpenFileClick(ctx, path));

    before.ExpectUnchanged(ctx);
    ASSERT_EQ(panel.log.size(), 1u);
    EXPECT_EQ(panel.log[0].second, LogColour::Error);
    EXPECT_THAT(panel.log[0].first, StartsWith("08:00:00 "));
    EXPECT_THAT(panel.log[0].first, HasSubstr(c.says));
    EXPECT_THAT(panel.log[0].first, HasSubstr(ctx.Texts.LogFileNotLoaded));
    EXPECT_FALSE(fs::exists(Temp() / "hex.bin")) << "no stale image is left to load later";
  }
}

TEST_F(OpenCommand, MissingOrUnwritableTempFolderIsReportedAndChangesNothing) {
  const fs::path hex = TextFile("fw.hex", kSmallHex);
  const Snapshot before(ctx);

  // temp is not writable: the converter cannot create its working file
  // (a folder stands where it would go; root may write anywhere else).
  const fs::path partial = ImageFileWriter(Temp() / "hex.bin").partial();
  fs::create_directories(partial / "occupied");
  EXPECT_FALSE(sbOpenFileClick(ctx, hex));
  before.ExpectUnchanged(ctx);
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].second, LogColour::Error);
  EXPECT_THAT(panel.log[0].first, HasSubstr("hex.bin"));

  // temp is missing: the program does not create it, it says so.
  panel.log.clear();
  fs::remove_all(Temp());
  EXPECT_FALSE(sbOpenFileClick(ctx, hex));
  before.ExpectUnchanged(ctx);
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].second, LogColour::Error);
  EXPECT_THAT(panel.log[0].first, HasSubstr(PathText(Temp())));
  EXPECT_THAT(panel.log[0].first, HasSubstr("missing"));
  EXPECT_FALSE(fs::exists(Temp()));

  // A raw file does not need temp at all.
  EXPECT_TRUE(sbOpenFileClick(ctx, File("raw.bin", Counting(8))));
}

TEST_F(OpenCommand, AConversionGivingAnEmptyImageIsARedLineAndChangesNothing) {
  struct Case {
    std::string name;
    std::function<fs::path()> make;
    std::string says;
  };
  const Case cases[] = {
      {"Intel HEX without end record",
       [&] { return TextFile("noend.hex", ":0400000001020304F2\n"); },
       ctx.Texts.LogHexNoEndRecord + PathText(Files() / "noend.hex")},
      {"Intel HEX of only an end record", [&] { return TextFile("eof.hex", ":00000001FF\n"); },
       ctx.Texts.LogImageEmpty + PathText(Files() / "eof.hex")},
      {"CAP file of only a header", [&] { return File("short.cap", Bytes(2048, 0)); },
       ctx.Texts.LogImageEmpty + PathText(Files() / "short.cap")},
  };
  SelectChip(256);
  ASSERT_TRUE(sbOpenFileClick(ctx, File("in.bin", Counting(100, 3))));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Snapshot before(ctx);
    panel.log.clear();

    EXPECT_FALSE(sbOpenFileClick(ctx, c.make()));

    before.ExpectUnchanged(ctx);
    EXPECT_EQ(ctx.RamFile.DataLen, 100u) << "the buffer keeps what it held";
    ASSERT_EQ(panel.log.size(), 1u);
    EXPECT_EQ(panel.log[0].second, LogColour::Error);
    EXPECT_THAT(panel.log[0].first, HasSubstr(c.says));
    EXPECT_THAT(panel.log[0].first, HasSubstr(ctx.Texts.LogFileNotLoaded));
  }
}

TEST_F(OpenCommand, ImageFromTheConverterFixturesLoadsUpToTheChip) {
  SelectChip(4096);
  const fs::path hex =
      fs::path(TESSARY_SOURCE_DIR) / "tests/fixtures/formats/objcopy_16_at_08000000.hex";
  ASSERT_TRUE(sbOpenFileClick(ctx, hex));
  EXPECT_EQ(ctx.RamFile.DataLen, 3000u) << "the image starts at the first data record";
  EXPECT_EQ(ctx.RamFile.Data[0], 0x8C);
  EXPECT_EQ(ctx.RamFile.Data[3000], 0xFF);
  EXPECT_EQ(ReadBytes(Temp() / "hex.bin").size(), 3000u);
  EXPECT_TRUE(panel.messages.empty());
}

TEST_F(OpenCommand, RecordsWithAGapLoadWithANoteInTheOperatorsLanguage) {
  const fs::path path =
      TextFile("gap.hex", ":02000000AABB99\r\n:02001000CCDD45\r\n:00000001FF\r\n");
  ASSERT_TRUE(sbOpenFileClick(ctx, path));
  EXPECT_EQ(ctx.RamFile.DataLen, 0x12u) << "up to the highest byte written";
  EXPECT_EQ(Buffer(0x12)[0x11], 0xDD);
  EXPECT_EQ(Buffer(0x12)[0x08], 0xFF) << "the gap";
  ASSERT_EQ(panel.log.size(), 2u);
  EXPECT_EQ(panel.log[1].first, "08:00:00 " + ctx.Texts.LogHexGapsOrOverlaps + path.string());
  EXPECT_EQ(panel.log[1].second, LogColour::Note);
}

// --- File > Save ---

using SaveCommand = FileCommandFixture;

TEST_F(SaveCommand, NameWithoutDotGetsBinEvenInAFolderWithADot) {
  EXPECT_EQ(SaveFileName("/a/my.data/out"), fs::path("/a/my.data/out.bin"));
  EXPECT_EQ(SaveFileName("/a/b/out.img"), fs::path("/a/b/out.img"));
  EXPECT_EQ(SaveFileName("/a/b/out."), fs::path("/a/b/out."));
  EXPECT_EQ(SaveFileName("out"), fs::path("out.bin"));

  ASSERT_TRUE(sbOpenFileClick(ctx, File("in.bin", Counting(100, 3))));
  panel.log.clear();
  const fs::path dotted = Files() / "my.data";
  fs::create_directories(dotted);

  ASSERT_TRUE(Menu_File_SaveAsClick(ctx, dotted / "out"));
  EXPECT_EQ(ReadBytes(dotted / "out.bin"), Counting(100, 3)) << "DataLen bytes from offset 0";
  EXPECT_FALSE(fs::exists(dotted / "out"));
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].first, "08:00:00 保存缓存区到文件：" + PathText(dotted / "out.bin"));
  EXPECT_EQ(panel.log[0].second, LogColour::Highlight);

  ASSERT_TRUE(Menu_File_SaveAsClick(ctx, dotted / "out.img"));
  EXPECT_EQ(ReadBytes(dotted / "out.img").size(), 100u);
  EXPECT_FALSE(fs::exists(dotted / "out.img.bin"));
}

TEST_F(SaveCommand, RightAfterAChipChangeWritesTheWholeErasedChip) {
  ASSERT_TRUE(sbOpenFileClick(ctx, File("in.bin", Counting(10))));
  SelectChip(1024);
  const Ram_File_Info_Struct before = ctx.RamFile;
  const std::string title = ctx.Window.Title;

  ASSERT_TRUE(Menu_File_SaveAsClick(ctx, Files() / "erased"));

  EXPECT_EQ(ReadBytes(Files() / "erased.bin"), Bytes(1024, 0xFF));
  EXPECT_EQ(ctx.RamFile.FileName, before.FileName) << "saving changes nothing in RamFile";
  EXPECT_EQ(ctx.RamFile.DataLen, before.DataLen);
  EXPECT_EQ(ctx.Window.Title, title);
}

TEST_F(SaveCommand, CancelWritesNothing) {
  EXPECT_FALSE(Menu_File_SaveAsClick(ctx, std::nullopt));
  EXPECT_TRUE(panel.log.empty());
  EXPECT_TRUE(fs::is_empty(Files()));
}

TEST_F(SaveCommand, FolderThatDoesNotExistIsReportedAndNothingIsCreated) {
  EXPECT_FALSE(Menu_File_SaveAsClick(ctx, Files() / "nowhere" / "out"));
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].second, LogColour::Error);
  EXPECT_THAT(panel.log[0].first, HasSubstr("out.bin"));
  EXPECT_FALSE(fs::exists(Files() / "nowhere"));
}

TEST_F(SaveCommand, ATargetRefusedForWhatItIsIsWordedInTheWindowsLanguage) {
  struct Case {
    const char* name;
    std::function<fs::path()> make;
    const std::string* reason;
  };
  const Case cases[] = {
      {"read-only",
       [&] {
         const fs::path path = File("ro.bin", Bytes(4, 1));
         fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
         return path;
       },
       &ctx.Texts.LogOutputReadOnly},
      {"folder",
       [&] {
         fs::create_directories(Files() / "dir.bin");
         return Files() / "dir.bin";
       },
       &ctx.Texts.LogOutputFolder},
      {"FIFO without a reader",
       [&] {
         ::mkfifo((Files() / "pipe.bin").c_str(), 0600);
         return Files() / "pipe.bin";
       },
       &ctx.Texts.LogOutputFifoWithoutReader},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    panel.log.clear();
    const fs::path path = c.make();
    EXPECT_FALSE(Menu_File_SaveAsClick(ctx, path));
    ASSERT_EQ(panel.log.size(), 1u);
    EXPECT_EQ(panel.log[0].first,
              "08:00:00 " + ctx.Texts.LogBufferNotSaved + *c.reason + path.string());
    EXPECT_EQ(panel.log[0].second, LogColour::Error);
  }
}

// The process may write at most `bytes` into any file while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = SIG_DFL;
};

TEST_F(SaveCommand, WriteFailingPartWayKeepsTheEarlierFile) {
  SelectChip(64 * 1024);
  const fs::path target = Files() / "keep.bin";
  WriteText(target, "the operator's earlier image");

  {
    const FileSizeLimit limit(4096);
    EXPECT_FALSE(Menu_File_SaveAsClick(ctx, target));
  }

  EXPECT_EQ(ReadBytes(target),
            Bytes({'t', 'h', 'e', ' ', 'o', 'p', 'e', 'r', 'a', 't', 'o', 'r', '\'', 's',
                   ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'i', 'm', 'a', 'g',  'e'}));
  const fs::path partial = ImageFileWriter(target).partial();
  EXPECT_FALSE(fs::exists(partial)) << "no partial file is left";
  ASSERT_EQ(panel.log.size(), 2u);
  EXPECT_EQ(panel.log[1].second, LogColour::Error);
  EXPECT_THAT(panel.log[1].first, HasSubstr(ctx.Texts.LogOldFileKept));

  ASSERT_TRUE(Menu_File_SaveAsClick(ctx, target)) << "and the next save succeeds";
  EXPECT_EQ(ReadBytes(target).size(), 64u * 1024);
}

// --- File import editor ---

using FileImportEditor = FileCommandFixture;

TEST_F(FileImportEditor, SetUpOffersTheCurrentStartAddress) {
  ctx.CurrentPrj.RamStartAddr = 0xABC0;
  const FileEditSetup setup = FileImportSetup(ctx);
  EXPECT_EQ(setup.mode, FileEditMode::Import);
  EXPECT_EQ(setup.caption, "文件导入缓存区编辑");
  EXPECT_EQ(setup.label1, "缓存区起始地址(HEX):");
  EXPECT_EQ(setup.value1, "0000ABC0");
  EXPECT_FALSE(setup.value2_visible);
  EXPECT_FALSE(setup.value3_visible);
  EXPECT_FALSE(setup.random_visible);
  EXPECT_EQ(setup.ok, "确定");
  EXPECT_EQ(setup.cancel, "取消");
}

TEST_F(FileImportEditor, LoadsTheDroppedFileAtOffsetZeroUnderTheTypedStartAddress) {
  SelectChip(2048);
  const Bytes content = Counting(1024, 9);
  const fs::path path = File("drop.bin", content);
  const std::string title = ctx.Window.Title;
  ctx.DeviceInfo.FilePath = "C:";

  const FileEditResult result = FileImportOk(ctx, {.value1 = "00001000"}, path);

  EXPECT_TRUE(result.close);
  EXPECT_EQ(ctx.CurrentPrj.RamStartAddr, 0x1000u);
  EXPECT_EQ(ctx.RamFile.DataLen, 1024u);
  EXPECT_EQ(Buffer(1024), content);
  EXPECT_EQ(ctx.RamFile.Loaded, 1);
  EXPECT_EQ(ctx.RamFile.FileName, PathText(path));
  EXPECT_THAT(ctx.Hex.AddrText(), StartsWith("00001000H  \n00001010H  "));
  const std::uint32_t sum = Sum(content, 1024);
  EXPECT_EQ(panel.status[3], "CHECKSUM:0x" + Hex8(sum));
  EXPECT_EQ(ctx.RamFile.CheckSum, sum);
  EXPECT_EQ(ctx.Window.Title, title) << "the import leaves the caption";
  EXPECT_EQ(ctx.DeviceInfo.FilePath, "C:") << "and the remembered folder";
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].first, "08:00:00 打开文件:" + PathText(path));

  // The next drop offers the address just typed.
  EXPECT_EQ(FileImportSetup(ctx).value1, "00001000");
}

TEST_F(FileImportEditor, IntelHexLogsTheDroppedPathButRemembersTheImage) {
  const fs::path path = TextFile("drop.hex", kSmallHex);
  ASSERT_TRUE(FileImportOk(ctx, {.value1 = "0"}, path).close);
  EXPECT_EQ(ctx.RamFile.FileName, PathText(Temp() / "hex.bin"));
  ASSERT_FALSE(panel.log.empty());
  EXPECT_EQ(panel.log[0].first, "08:00:00 打开文件:" + PathText(path));
  EXPECT_EQ(Buffer(4), Bytes({1, 2, 3, 4}));
}

TEST_F(FileImportEditor, TooLongFileIsCutAndReportedOnlyInTheLog) {
  const Bytes content = Counting(300);
  ASSERT_TRUE(FileImportOk(ctx, {.value1 = "00000000"}, File("big.bin", content)).close);
  EXPECT_EQ(ctx.RamFile.DataLen, 256u);
  ASSERT_EQ(panel.log.size(), 2u);
  EXPECT_EQ(panel.log[1].first, "08:00:00 文件长度超过了芯片容量，超出部分将被忽略，注意确认！");
  EXPECT_EQ(panel.log[1].second, LogColour::Error);
  EXPECT_TRUE(panel.messages.empty());
  EXPECT_EQ(panel.status[3], "CHECKSUM:0x" + Hex8(Sum(content, 256)));
}

TEST_F(FileImportEditor, StartAddressThatIsNotANumberKeepsTheDialogOpenAndChangesNothing) {
  ctx.CurrentPrj.RamStartAddr = 0x100;
  const Snapshot before(ctx);
  const fs::path path = File("drop.bin", Counting(16));
  for (const char* text : {"", "12G4", "123456789", "0x10"}) {
    SCOPED_TRACE(text);
    panel.messages.clear();
    const FileEditResult result = FileImportOk(ctx, {.value1 = text}, path);
    EXPECT_FALSE(result.close);
    before.ExpectUnchanged(ctx);
    ASSERT_EQ(panel.messages.size(), 1u);
    EXPECT_EQ(panel.messages[0].kind, MessageKind::Error);
    EXPECT_THAT(panel.messages[0].text, HasSubstr("not a hexadecimal number"));
  }
  EXPECT_TRUE(panel.log.empty());
}

TEST_F(FileImportEditor, UnreadableFileKeepsTheOldStartAddressAndBuffer) {
  ctx.CurrentPrj.RamStartAddr = 0x100;
  const Snapshot before(ctx);
  const FileEditResult result = FileImportOk(ctx, {.value1 = "2000"}, Files() / "gone.cap");
  EXPECT_TRUE(result.close);
  before.ExpectUnchanged(ctx);
  ASSERT_EQ(panel.log.size(), 1u);
  EXPECT_EQ(panel.log[0].second, LogColour::Error);
  EXPECT_THAT(panel.log[0].first, HasSubstr("gone.cap"));
}

}  // namespace
}  // namespace tessary
