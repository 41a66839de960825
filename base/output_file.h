// Files the program writes whole (converted images, saved buffers, merged
// images, settings): a regular file is written under a temporary name beside
// it and renamed over it only once complete, so a failed write never costs
// the file that was there before.
//
// What stands at the name decides how it is written:
// - nothing: a new file (permissions from the umask);
// - a regular file: replaced, keeping its permissions (and, where the
//   system allows, its owner); a file without any write permission is
//   refused, also for root, so that a read-only file stays what it was;
// - a symbolic link: followed (through any chain of links, a dangling last
//   link included), and the file it leads to is written as above; the link
//   itself stays;
// - a character device (/dev/null, a serial port) or a FIFO: written in
//   place, as a stream, since there is nothing to rename over; a FIFO
//   without a reader is refused rather than waited on;
// - a folder, a block device or a socket: refused.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tessary {

// Why Open() refused what stands at the name, so that a caller can word it
// in its own language; None for a file that was not refused (a failure the
// system reported is not a refusal).
enum class OutputRefusal : std::uint8_t {
  None,
  Folder,             // a folder has that name
  NotAFile,           // a block device or a socket
  ReadOnly,           // a regular file nobody may write
  NotWritable,        // a regular file this user may not write
  FifoWithoutReader,  // a FIFO that no program is reading
};

class OutputFile {
 public:
  // `kind` names the file in messages: "cannot write <kind> '<path>': ...".
  OutputFile(std::filesystem::path target, std::string kind);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Open() first, then any number of Write()s, then Commit(). Each returns
  // false on failure with error() naming the file as given.
  [[nodiscard]] bool Open();
  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
  [[nodiscard]] bool Commit();

  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] OutputRefusal refusal() const { return refusal_; }
  // The name as given, and the file written after following symbolic links.
  [[nodiscard]] const std::filesystem::path& target() const { return target_; }
  [[nodiscard]] const std::filesystem::path& resolved() const { return resolved_; }
  // The temporary name a regular file is written under until Commit().
  [[nodiscard]] const std::filesystem::path& partial() const { return partial_; }
  // Whether Open() found a device or FIFO, written in place.
  [[nodiscard]] bool in_place() const { return in_place_; }

 private:
  bool Fail(const std::string& what, int error_number);
  bool Refuse(OutputRefusal refusal, const std::string& why);
  bool OpenInPlace(bool fifo);

  std::filesystem::path target_;
  std::string kind_;
  std::filesystem::path resolved_;
  std::filesystem::path partial_;
  int fd_ = -1;
  bool in_place_ = false;
  bool committed_ = false;
  bool partial_created_ = false;
  std::string error_;
  OutputRefusal refusal_ = OutputRefusal::None;
};

// The file a write to `path` lands in: symbolic links followed to the last
// one's target, which need not exist. A loop of links gives the path as it
// stood when the count ran out.
[[nodiscard]] std::filesystem::path FollowSymbolicLinks(const std::filesystem::path& path);

}  // namespace tessary
