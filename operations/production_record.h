// The production record: one CSV row per auto-sequence run, so a production
// line can trace every chip it programmed.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace tessary {

struct ProductionRow {
  std::tm when{};            // local time of the end of the run
  std::string socket;        // "CH1", "CH2" or "CH1 & CH2"
  std::string chip_name;
  std::uint32_t chip_id = 0;
  std::string data_file;
  std::uint32_t byte_sum = 0;
  std::string steps;         // e.g. "erase+write+verify"
  std::string result;        // "good", "bad" or "good/bad" per socket
  double seconds = 0;
};

// The header line of a new record file.
inline constexpr char kProductionRecordHeader[] =
    "date,time,socket,chip,chip_id,data_file,byte_sum,steps,result,seconds";

// The record of the day in `folder`: folder/YYYY-MM-DD.csv.
[[nodiscard]] std::filesystem::path DailyRecordFile(const std::filesystem::path& folder,
                                                    const std::tm& when);

// One CSV line (no line end); texts with commas or quotes are quoted.
[[nodiscard]] std::string FormatProductionRow(const ProductionRow& row);

// Appends the row to `file`, writing the header first when the file is new
// (its folder is created). False with `error` set when it could not.
[[nodiscard]] bool AppendProductionRow(const std::filesystem::path& file, const ProductionRow& row,
                                       std::string& error);

}  // namespace tessary
