// The download of an offline project into the programmer's on-board
// storage: the project text in one 0x44 frame, the data file as a raw
// stream of 2048-byte blocks after a 0x35 set-up, then the whole storage
// read back in 4096-byte blocks after one 0x34 set-up and compared.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_link.h"

namespace tessary {

// The storage the download streams into; a longer data file is refused.
inline constexpr std::uint32_t kProjectStorageSize = 0x1000000;
inline constexpr std::uint16_t kStorageWriteBlock = 2048;
inline constexpr std::uint16_t kStorageReadBlock = 4096;
inline constexpr std::uint8_t kOpProjectFile = 0x44;
// The storage is addressed as channel 1 with chip type code 1, whatever
// chip the project names.
inline constexpr std::uint8_t kStorageChannel = 0x01;

// Where the download shows its steps: the project window's status bar
// (panel 0 the step, panel 1 its state or percentage) and progress bar.
class DownloadView {
 public:
  virtual ~DownloadView() = default;
  virtual void SetStep(std::string_view text) = 0;
  virtual void SetState(std::string_view text) = 0;
  virtual void SetProgress(int percent) = 0;
};

// The status bar texts of the download.
struct DownloadTexts {
  std::string ProjectStep = "工程文件下载";
  std::string DownloadError = "下载错误";
  std::string DownloadSuccess = "下载成功";
  std::string DataStep = "数据文件下载";
  std::string DataStarting = "下载中，0%";
  std::string WriteStep = "板载存储擦除&写入";
  std::string WriteDone = "擦除&写入完成";
  std::string WriteError = "写入错误";
  std::string VerifyStep = "数据文件校验";
  std::string VerifyDone = "校验成功";
  std::string VerifyError = "校验错误";
};

enum class DownloadResult : std::uint8_t {
  Done,                // stored and read back equal
  // Refused by the caller before anything was sent:
  NoDataFile,          // no data file chosen, or its choice could not be measured
  ProjectNotWritten,   // the project file could not be written whole (no chip, a bad value, ...)
  Busy,                // another download or chip operation runs
  NotSkar,             // no programmer linked that stores projects
  // Refused by DownloadProject before anything was sent:
  BadProjectText,      // not a whole project text, or over 512 bytes: nothing sent
  DataUnreadable,      // the data file could not be read: nothing sent
  DataTooLarge,        // the data file is longer than the storage: nothing sent
  DataChanged,         // the data file no longer has the project's length or CRC: nothing sent
  ProjectNotAnswered,  // the 0x44 frame got no valid answer: the data file was not sent
  WriteFailed,         // the write set-up or a block was not taken whole
  ReadBackDiffers,     // the read-back differs from the data file, or came short
};

struct DownloadOutcome {
  DownloadResult result = DownloadResult::Done;
  std::string detail;  // for the refusals: what is wrong
};

// Sends the project text in the 0x44 frame: its length, then its bytes
// padded with 0xFF to 512. True when a valid answer came.
[[nodiscard]] bool SendProjectFile(DeviceLink& link, std::span<const std::uint8_t> text);

// Streams `data` (at most the storage size) to the storage: 30 % to 80 %.
// False when the set-up or a block was not taken whole.
[[nodiscard]] bool WriteStorageData(DeviceLink& link, std::span<const std::uint8_t> data,
                                    DownloadView& view, const DownloadTexts& texts);

// Reads the storage back and compares it with `data`: 80 % to 100 %. False
// at the first difference or a block that came short.
[[nodiscard]] bool VerifyStorageData(DeviceLink& link, std::span<const std::uint8_t> data,
                                     DownloadView& view, const DownloadTexts& texts);

// The whole download: checks the project text and the data file against it
// before anything is sent, then sends, writes and verifies.
[[nodiscard]] DownloadOutcome DownloadProject(DeviceLink& link,
                                              std::span<const std::uint8_t> project_text,
                                              const std::filesystem::path& data_file,
                                              DownloadView& view, const DownloadTexts& texts);

}  // namespace tessary
