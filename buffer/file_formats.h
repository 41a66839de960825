// Data files the buffer is loaded from: which kind a file is, the outcome of
// turning an Intel HEX or CAP file into a raw image file, and the writer that
// puts an image file in place only once it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "base/output_file.h"

namespace tessary {

enum class DataFileType : std::uint8_t { Binary, IntelHex, Cap };

// Decided by the characters after the last "." of the file name (never of a
// folder), without regard to case: "hex" is Intel HEX, "cap" is CAP, anything
// else or no extension is raw binary. "fw.hex.bak" is raw binary; ".hex" is
// Intel HEX.
[[nodiscard]] DataFileType FileTypeOf(const std::filesystem::path& path);

// Why a conversion failed.
enum class ConversionFault : std::uint8_t {
  None,
  SourceUnreadable,  // the source could not be opened or read
  ImageUnwritable,   // the image file could not be created, written or put in place
  OutOfMemory,       // the image area could not be allocated
  OutsideImage,      // a data record lies below the image start or past the image area
  RecordCutShort,    // a line holding fewer digits than its record needs
  NotHexadecimal,    // a character other than a hexadecimal digit inside a record
  BadChecksum,       // a record whose checksum does not match its bytes
  NoEndRecord,       // the records end without an end-of-file record
  EmptyImage,        // nothing to load: no data records, or a CAP file of only a header
};

// What the operator should know about an image that was written all the same.
enum class ConversionNote : std::uint8_t {
  None,
  GapsOrOverlaps,  // the records leave gaps (0xFF) or overlap
};

// What a failed conversion does with the file already at the image's name.
enum class OnFailure : std::uint8_t {
  RemoveImage,  // the program's working image: no stale image is loaded later
  KeepImage,    // the operator's own output file: left as it was
};

struct ConversionResult {
  bool ok = false;
  ConversionFault fault = ConversionFault::None;
  // For the operator when !ok: what went wrong, naming the file and, for a
  // fault inside an Intel HEX file, the line.
  std::string error;
  // When ok: something the operator should know about an image that was
  // written all the same (gaps between the records, overlapping records).
  // Empty when there is nothing to say.
  std::string note;
  ConversionNote note_kind = ConversionNote::None;
  // Length of the image written; 0 when !ok.
  std::uint64_t bytes_written = 0;
  // 1-based line of an Intel HEX source the fault is on; 0 for other faults.
  std::size_t line = 0;

  explicit operator bool() const { return ok; }
};

// Writes an output file whole (see base/output_file.h): a regular file under
// a temporary name beside it, renamed over the target on Commit(), so a
// reader of the target never sees a half-written file and a failed write
// leaves the old one; symbolic links are followed, permissions kept, a
// read-only file, a folder or a block device refused, and a character device
// or FIFO written in place. Destroying a writer that was not committed
// removes the temporary file.
class ImageFileWriter {
 public:
  explicit ImageFileWriter(std::filesystem::path target) : file_(std::move(target), "image file") {}

  // Open() first, then any number of Write()s, then Commit(). Each returns
  // false on failure with error() naming the target file.
  [[nodiscard]] bool Open() { return file_.Open(); }
  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes) { return file_.Write(bytes); }
  [[nodiscard]] bool Commit() { return file_.Commit(); }

  [[nodiscard]] const std::string& error() const { return file_.error(); }
  [[nodiscard]] OutputRefusal refusal() const { return file_.refusal(); }
  [[nodiscard]] const std::filesystem::path& target() const { return file_.target(); }
  // The temporary name the file is written under until Commit().
  [[nodiscard]] const std::filesystem::path& partial() const { return file_.partial(); }

 private:
  OutputFile file_;
};

// A file read from start to end in blocks, for the converters.
class SourceFile {
 public:
  // `kind` names the file in messages: "cannot open <kind> '<path>': ...".
  SourceFile(std::filesystem::path path, std::string kind)
      : path_(std::move(path)), kind_(std::move(kind)) {}
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // Opens the file and takes its length; false with error() set on failure.
  [[nodiscard]] bool Open();
  // Fills `into` from the current position; returns the count read, which is
  // short only at the end of the file, or nothing with error() set.
  [[nodiscard]] std::optional<std::size_t> Read(std::span<std::uint8_t> into);
  // Moves the read position; false with error() set on failure.
  [[nodiscard]] bool Seek(std::uint64_t offset);

  [[nodiscard]] std::uint64_t size() const { return size_; }
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  bool Fail(const char* what, int error_number);

  std::filesystem::path path_;
  std::string kind_;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::string error_;
};

// After a failed conversion: removes the file standing at `image` (best effort),
// so that no earlier image is loaded as if it came from `source`. Never
// removes the source itself.
void DiscardImage(const std::filesystem::path& image, const std::filesystem::path& source);

// The path as the operator would type it, for messages.
[[nodiscard]] std::string PathText(const std::filesystem::path& path);

}  // namespace tessary
