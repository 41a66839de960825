// Whole-file writing: temporary file and rename for regular files, in place
// for devices and FIFOs.
#include "base/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace tessary {
namespace {

// Links followed before the chain counts as a loop (the kernel's own limit).
constexpr int kMostLinks = 40;

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

std::string ReasonText(int error_number) { return std::generic_category().message(error_number); }

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

std::filesystem::path FollowSymbolicLinks(const std::filesystem::path& path) {
  std::filesystem::path current = path;
  for (int i = 0; i < kMostLinks; ++i) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, ec))) break;
    const std::filesystem::path next = std::filesystem::read_symlink(current, ec);
    if (ec) break;
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return current;
}

OutputFile::OutputFile(std::filesystem::path target, std::string kind)
    : target_(std::move(target)), kind_(std::move(kind)) {
  resolved_ = FollowSymbolicLinks(target_);
  partial_ = resolved_;
  partial_ += ".part";
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && partial_created_) ::unlink(partial_.c_str());
}

bool OutputFile::Fail(const std::string& what, int error_number) {
  error_ = what + " " + kind_ + " '" + PathText(target_) + "': " + ReasonText(error_number);
  return false;
}

bool OutputFile::Refuse(OutputRefusal refusal, const std::string& why) {
  refusal_ = refusal;
  error_ = "cannot write " + kind_ + " '" + PathText(target_) + "': " + why;
  return false;
}

bool OutputFile::OpenInPlace(bool fifo) {
  in_place_ = true;
  partial_.clear();
  // The name as given: the system resolves links itself, also the ones in
  // /proc that lead to pipes and terminals rather than to paths.
  // A FIFO opened without O_NONBLOCK would wait for a reader forever.
  fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (fifo ? O_NONBLOCK : 0));
  if (fd_ < 0) {
    if (fifo && errno == ENXIO) return Refuse(OutputRefusal::FifoWithoutReader, "it is a FIFO that no program is reading");
    return Fail("cannot open", errno);
  }
  if (fifo) {
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0) {
      return Fail("cannot open", errno);
    }
  }
  return true;
}

bool OutputFile::Open() {
  if (fd_ >= 0) return Fail("cannot create", EBUSY);
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return Fail("cannot create", errno);
  if (exists) {
    if (S_ISDIR(existing.st_mode)) return Refuse(OutputRefusal::Folder, "a folder has that name");
    if (S_ISCHR(existing.st_mode)) return OpenInPlace(false);
    if (S_ISFIFO(existing.st_mode)) return OpenInPlace(true);
    if (!S_ISREG(existing.st_mode)) {
      return Refuse(OutputRefusal::NotAFile, S_ISBLK(existing.st_mode)
                                                 ? "it is a block device, which is not written"
                                                 : "it is not a file this program writes");
    }
    // Root may write anything; a file nobody may write is still left alone.
    if ((existing.st_mode & 0222) == 0) {
      return Refuse(OutputRefusal::ReadOnly, "the file is read-only (mode " + ModeText(existing.st_mode) +
                    "); make it writable or choose another name");
    }
    if (::access(target_.c_str(), W_OK) != 0) {
      return Refuse(OutputRefusal::NotWritable, "the file cannot be written (" + ReasonText(errno) +
                    "); make it writable or choose another name");
    }
  }

  // A partial file left by an earlier run is ours; anything else at that
  // name (a folder) makes the open fail below.
  ::unlink(partial_.c_str());
  fd_ = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
               0666);
  if (fd_ < 0) return Fail("cannot create", errno);
  partial_created_ = true;
  if (exists) {
    if (::fchmod(fd_, existing.st_mode & 07777) != 0) return Fail("cannot create", errno);
    // Keeps the owner where allowed (root writing someone's file); other
    // users simply become the owner of what they write.
    if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
      // Not permitted is the ordinary case for a user; nothing to report.
    }
  }
  return true;
}

bool OutputFile::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) return Fail("cannot write", EBADF);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (count < 0) {
      if (errno == EINTR) continue;
      return Fail("cannot write", errno);
    }
    if (count == 0) return Fail("cannot write", EIO);
    done += static_cast<std::size_t>(count);
  }
  return true;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return Fail("cannot write", EBADF);
  const int closed = ::close(fd_);
  const int close_error = errno;
  fd_ = -1;
  // A full disk or a lost network share may show only when the file closes.
  if (closed != 0) return Fail("cannot write", close_error);
  if (in_place_) {
    committed_ = true;
    return true;
  }
  if (::rename(partial_.c_str(), resolved_.c_str()) != 0) return Fail("cannot replace", errno);
  committed_ = true;
  return true;
}

}  // namespace tessary
