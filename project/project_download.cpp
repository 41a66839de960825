// The project download over the device link.
#include "project/project_download.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "catalogue/chip_record.h"
#include "operations/chip_commands.h"
#include "project/data_file_check.h"
#include "project/project_file.h"

namespace tessary {
namespace {

constexpr std::size_t kProjectPayload = 4 + kProjectTextLimit;
constexpr std::uint32_t kPauseAfterProjectTicks = 100000;  // 1 s

std::string HexText(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::string Percent(std::uint64_t p) { return std::to_string(p) + "%"; }

}  // namespace

bool SendProjectFile(DeviceLink& link, std::span<const std::uint8_t> text) {
  // Longer texts are refused by the callers; nothing is ever cut here.
  if (text.size() > kProjectTextLimit) return false;
  std::array<std::uint8_t, kProjectPayload> payload;
  payload.fill(0xFF);
  PutBigEndian32(payload.data(), static_cast<std::uint32_t>(text.size()));
  std::copy(text.begin(), text.end(), payload.begin() + 4);
  return link.Transact(kOpProjectFile, payload).ok();
}

bool WriteStorageData(DeviceLink& link, std::span<const std::uint8_t> data, DownloadView& view,
                      const DownloadTexts& texts) {
  const std::uint32_t total = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), kProjectStorageSize));
  if (StartBulkWrite(link, kStorageChannel, ChipTypeId::Flash25, 0, total, kStorageWriteBlock) !=
      LinkStatus::Ok)
    return false;
  view.SetStep(texts.WriteStep);
  view.SetProgress(0);
  std::array<std::uint8_t, kStorageWriteBlock> block;
  std::uint32_t sent = 0;
  while (sent < total) {
    const std::uint32_t n = std::min<std::uint32_t>(kStorageWriteBlock, total - sent);
    std::copy_n(data.begin() + sent, n, block.begin());
    std::fill(block.begin() + n, block.end(), 0xFF);
    if (link.WriteRaw(block) != block.size()) return false;
    sent += n;
    if (n == kStorageWriteBlock) link.WaitTicks(1);
    const std::uint64_t p = std::uint64_t{sent} * 50 / total + 30;
    view.SetState(Percent(p));
    view.SetProgress(static_cast<int>(p));
  }
  view.SetState(texts.WriteDone);
  return true;
}

bool VerifyStorageData(DeviceLink& link, std::span<const std::uint8_t> data, DownloadView& view,
                       const DownloadTexts& texts) {
  const std::uint32_t total = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), kProjectStorageSize));
  view.SetStep(texts.VerifyStep);
  if (StartBulkRead(link, kStorageChannel, ChipTypeId::Flash25, 0, total, kStorageReadBlock) !=
      LinkStatus::Ok)
    return false;
  std::array<std::uint8_t, kStorageReadBlock> block;
  std::uint32_t compared = 0;
  while (compared < total) {
    link.WaitTicks(1);
    // The storage sends whole blocks; of the last one only the data file's
    // part is compared.
    if (!ReadBulkBlock(link, block)) return false;
    const std::uint32_t n = std::min<std::uint32_t>(kStorageReadBlock, total - compared);
    if (!std::equal(block.begin(), block.begin() + n, data.begin() + compared)) return false;
    compared += n;
    const std::uint64_t p = std::uint64_t{compared} * 20 / total + 80;
    view.SetState(Percent(p));
    view.SetProgress(static_cast<int>(p));
  }
  view.SetState(texts.VerifyDone);
  return true;
}

DownloadOutcome DownloadProject(DeviceLink& link, std::span<const std::uint8_t> project_text,
                                const std::filesystem::path& data_file, DownloadView& view,
                                const DownloadTexts& texts) {
  std::string error;
  const std::optional<ProjectText> project = ParseProjectText(project_text, error);
  if (!project) return {DownloadResult::BadProjectText, error};

  bool too_long = false;
  const std::optional<std::vector<std::uint8_t>> data =
      ReadWholeFile(data_file, kProjectStorageSize, error, too_long);
  if (!data) {
    if (too_long)
      return {DownloadResult::DataTooLarge,
              data_file.string() + " is longer than the programmer's 16 MiB project storage"};
    return {DownloadResult::DataUnreadable, error};
  }
  const DataFileCheck check = CheckDataBytes(*data);
  if (check.length != project->FileLen || check.crc32 != project->Crc32)
    return {DownloadResult::DataChanged,
            data_file.string() + " has length " + HexText(check.length) + " and CRC32 " +
                HexText(check.crc32) + ", the project says " + HexText(project->FileLen) + " and " +
                HexText(project->Crc32) + "; choose the data file again"};

  view.SetStep(texts.ProjectStep);
  if (!SendProjectFile(link, project_text)) {
    view.SetState(texts.DownloadError);
    return {DownloadResult::ProjectNotAnswered, {}};
  }
  view.SetState(texts.DownloadSuccess);
  link.WaitTicks(kPauseAfterProjectTicks);

  view.SetStep(texts.DataStep);
  view.SetState(texts.DataStarting);
  if (!WriteStorageData(link, *data, view, texts)) {
    view.SetState(texts.WriteError);
    return {DownloadResult::WriteFailed, {}};
  }
  if (!VerifyStorageData(link, *data, view, texts)) {
    view.SetState(texts.VerifyError);
    return {DownloadResult::ReadBackDiffers, {}};
  }
  return {DownloadResult::Done, {}};
}

}  // namespace tessary
