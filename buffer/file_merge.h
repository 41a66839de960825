// The file merge: two to four binary files joined into one image file, each
// placed at a start address, the gaps filled with a chosen byte. The table
// the merge window shows (rows of file, start, end), the checks made before
// anything is written, and the writer that puts the output in place only
// once it is complete. Front ends show the file dialogs and pass the paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// The window's own texts.
inline constexpr std::string_view kMergeWindowCaption = "文件合并";
inline constexpr std::string_view kMergeGridTitles[] = {"序号", "文件名", "起始地址(H)",
                                                        "结束地址(H)"};
inline constexpr std::string_view kMergeAddFileText = "添加文件";
inline constexpr std::string_view kMergeDelFileText = "删除文件";
inline constexpr std::string_view kMergeMergeFileText = "合并文件";
inline constexpr std::string_view kMergeFillLabel = "填充 (H) ：";
inline constexpr std::string_view kMergeDefaultFill = "FF";
inline constexpr std::string_view kMergeFileFilter = "Bin File|*.bin|ALL|*.*";
inline constexpr std::string_view kMergeSaveTitle = "保存合并后的文件";
inline constexpr std::string_view kMergeTooFewFiles = "添加的文件个数少于两个，无法合并！";
inline constexpr std::string_view kMergeFillFormatError = "空白区域填充数据格式错误！";
inline constexpr std::string_view kMergeOverlapWarning =
    "文件的起始位置比较小，会覆盖前面的文件，请确认！";
inline constexpr std::string_view kMergeDone = "文件合并完成！";

// At most this many files; at least two to merge.
inline constexpr std::size_t kMergeMaxFiles = 4;
inline constexpr std::size_t kMergeMinFiles = 2;

// Addresses are 32 bits: a file must end at or below 0xFFFFFFFF.
inline constexpr std::uint64_t kMergeAddressSpace = std::uint64_t{1} << 32;

// Start cells and the fill field are read like every hexadecimal field the
// operator types (ParseHexNumber of buffer/buffer_tools.h: "$" + text as a
// signed 32-bit number); a start from 80000000 up is taken as the unsigned
// address it names.

// The fill field: exactly two characters, both hexadecimal digits. `error`
// gets the window's fill-format text for a wrong length and the conversion
// message (HexNumberError) for two characters that are not a number.
[[nodiscard]] std::optional<std::uint8_t> ReadFillField(std::string_view text, std::string& error);

// The outcome of a step the operator asked for; `error` is for the operator.
struct MergeStep {
  bool ok = true;
  std::string error;
  explicit operator bool() const { return ok; }
};

// One row of the merge table.
struct MergeRow {
  std::filesystem::path file;  // column 1
  std::string start_text;      // column 2, as typed
  // The start the end address (column 3) was last computed from, and the
  // file's length at that moment.
  std::uint32_t placed_start = 0;
  std::uint64_t length = 0;
};

// The rows of the merge window; they live as long as the window.
class FileMergeTable {
 public:
  [[nodiscard]] const std::vector<MergeRow>& rows() const { return rows_; }

  // Column texts of a row (0-based index into rows()): the row number as
  // the grid numbers it ("1" for the first file), the path, the start as
  // typed and the end address as 8 upper-case hexadecimal digits.
  [[nodiscard]] std::string NumberText(std::size_t row) const;
  [[nodiscard]] std::string FileText(std::size_t row) const;
  [[nodiscard]] std::string StartText(std::size_t row) const;
  [[nodiscard]] std::string EndText(std::size_t row) const;

  // Adds a row for `file`, placed directly after the last row's end (the
  // first at 0). Refused, with nothing added, when the table is full, the
  // file cannot be read, or the file would run past address 0xFFFFFFFF.
  // A full table refuses without a message: the window does nothing then.
  [[nodiscard]] MergeStep AddFile(const std::filesystem::path& file);

  // Removes the last row; false when there is none.
  bool RemoveLastFile();

  // Column 2 of `row` was edited. The text is kept as typed; when it is a
  // valid start, the row's file is looked at again and the end recomputed.
  // An invalid number, an unreadable file or a file that would run past
  // 0xFFFFFFFF leave the end as it was and give the reason.
  [[nodiscard]] MergeStep SetStartText(std::size_t row, std::string_view text);

 private:
  std::vector<MergeRow> rows_;
};

// A file and where it goes in the output.
struct MergeSource {
  std::filesystem::path file;
  std::uint32_t start = 0;
};

// A stretch of the output: bytes from one source, or fill bytes.
struct MergePiece {
  std::uint64_t offset = 0;  // in the output
  std::uint64_t length = 0;
  std::optional<std::size_t> source;  // index into MergeJob::sources; none = fill
  std::uint64_t source_offset = 0;    // where in that file the stretch starts
};

// A merge that passed every check: what the output will hold.
//
// Overlaps: a file whose start lies inside an earlier file of the table is
// written at its own start address, over the earlier file's bytes, as the
// overlap warning says; where files overlap, the later row wins. A file
// that only lands in a gap left before a later file replaces fill bytes
// and is no overlap.
struct MergeJob {
  std::vector<MergeSource> sources;
  std::vector<std::uint64_t> lengths;  // of each source, when checked
  std::uint8_t fill = 0xFF;
  std::uint64_t output_size = 0;   // from address 0 to the highest end
  std::vector<MergePiece> pieces;  // in output order, covering output_size
  // Indexes of the sources that overwrite bytes of an earlier source.
  std::vector<std::size_t> overwriting;
};

struct PreparedMerge {
  std::optional<MergeJob> job;
  std::string error;  // when there is no job
};

// Checks a merge without writing anything: two to four sources, the fill
// text, every file readable and ending at or below 0xFFFFFFFF.
[[nodiscard]] PreparedMerge PrepareMerge(std::vector<MergeSource> sources,
                                         std::string_view fill_text);

// The same from the window's table: also every start cell must be a valid
// hexadecimal number (the message names the row).
[[nodiscard]] PreparedMerge PrepareMerge(const FileMergeTable& table, std::string_view fill_text);

struct MergeWriteResult {
  bool ok = false;
  std::string error;  // when !ok
  std::uint64_t bytes_written = 0;
  explicit operator bool() const { return ok; }
};

// Writes the output under a temporary name and renames it over `output`
// only once it is complete, so a failure (an input that changed or cannot be
// read any more, a full disk, a folder that cannot be written) leaves no
// output and any earlier file at `output` as it was. The output may be one
// of the inputs.
[[nodiscard]] MergeWriteResult WriteMerge(const MergeJob& job, const std::filesystem::path& output);

}  // namespace tessary
