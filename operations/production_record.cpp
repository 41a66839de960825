// Appending rows to the production record.
#include "operations/production_record.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace tessary {
namespace {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::filesystem::path DailyRecordFile(const std::filesystem::path& folder, const std::tm& when) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d.csv", when.tm_year + 1900, when.tm_mon + 1,
                when.tm_mday);
  return folder / name;
}

std::string FormatProductionRow(const ProductionRow& row) {
  char date[16];
  char time[16];
  char id[16];
  char seconds[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", row.when.tm_year + 1900, row.when.tm_mon + 1,
                row.when.tm_mday);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", row.when.tm_hour, row.when.tm_min,
                row.when.tm_sec);
  std::snprintf(id, sizeof id, "%06X", row.chip_id);
  std::snprintf(seconds, sizeof seconds, "%.2f", row.seconds);
  char sum[16];
  std::snprintf(sum, sizeof sum, "%08X", row.byte_sum);
  return std::string(date) + "," + time + "," + CsvField(row.socket) + "," +
         CsvField(row.chip_name) + "," + id + "," + CsvField(row.data_file) + "," + sum + "," +
         CsvField(row.steps) + "," + CsvField(row.result) + "," + seconds;
}

bool AppendProductionRow(const std::filesystem::path& file, const ProductionRow& row,
                         std::string& error) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  const bool is_new = !std::filesystem::exists(file, ec) || std::filesystem::file_size(file, ec) == 0;
  std::ofstream out(file, std::ios::app | std::ios::binary);
  if (!out) {
    error = "cannot write the production record " + file.string();
    return false;
  }
  if (is_new) out << kProductionRecordHeader << "\n";
  out << FormatProductionRow(row) << "\n";
  out.flush();
  if (!out) {
    error = "cannot write the production record " + file.string();
    return false;
  }
  return true;
}

}  // namespace tessary
