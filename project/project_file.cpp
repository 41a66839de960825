// Building, writing and reading back the 27-line project text.
#include "project/project_file.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>

#include "catalogue/catalogue_statements.h"

namespace tessary {
namespace {

enum class ValueKind : std::uint8_t { PrjId, Text, Decimal, Hex2, Hex8 };

constexpr std::array<ValueKind, kProjectLineCount> kValueKinds = {
    ValueKind::PrjId, ValueKind::Text, ValueKind::Text, ValueKind::Text, ValueKind::Decimal,
    ValueKind::Text,  ValueKind::Hex8, ValueKind::Hex8, ValueKind::Hex8, ValueKind::Hex8,
    ValueKind::Hex8,  ValueKind::Hex2, ValueKind::Hex2, ValueKind::Hex8, ValueKind::Hex2,
    ValueKind::Hex2,  ValueKind::Hex2, ValueKind::Hex2, ValueKind::Hex2, ValueKind::Hex2,
    ValueKind::Hex2,  ValueKind::Hex2, ValueKind::Hex8, ValueKind::Hex8, ValueKind::Hex2,
    ValueKind::Hex8,  ValueKind::Hex8};

constexpr std::size_t kLinePrjName = 1;
constexpr std::size_t kLineChipName = 2;
constexpr std::size_t kLineFileLen = 13;
constexpr std::size_t kLineCrc32 = 26;

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool HoldsLineEnd(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Upper-case hexadecimal of exactly `digits` digits.
std::optional<std::uint32_t> ExactHex(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    if (c >= 'a' && c <= 'f') return std::nullopt;
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(d);
  }
  return value;
}

ProjectTextResult Refused(ProjectFileStatus status, std::string detail) {
  return ProjectTextResult{status, {}, std::move(detail)};
}

}  // namespace

std::uint16_t ProjectTypeCode(std::string_view text) {
  if (text == "25 FLASH") return 1;
  if (text == "24 EEPROM") return 2;
  if (text == "45 EEPROM") return 4;
  if (text == "93 EEPROM") return 5;
  if (text == "95 EEPROM") return 6;
  if (text == "25 EEPROM") return 3;
  if (text == "SWD Flash") return 7;
  if (text == "NAND FLASH") return 8;
  return 0;
}

std::optional<std::uint32_t> ParseTypedHex(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(d);
  }
  return value;
}

std::optional<std::int32_t> ParseTypedDecimal(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

ProjectTextResult BuildProjectText(const ProjectChoices& choices, const ProjectChipRow& row,
                                   Prj_Info_Struct& project) {
  if (!choices.ChipChosen || choices.ChipName.empty())
    return Refused(ProjectFileStatus::NoChip, "no chip is selected");
  for (const auto& [what, text] :
       {std::pair<std::string_view, std::string_view>{"project name", choices.PrjName},
        {"chip name", choices.ChipName},
        {"catalogue ChipID", row.ChipId},
        {"catalogue ManufName", row.ManufName}}) {
    if (HoldsLineEnd(text))
      return Refused(ProjectFileStatus::BadValue, "the " + std::string(what) + " holds a line end");
  }

  Prj_Info_Struct next = project;
  const std::string_view name_text = choices.PrjName;
  const std::size_t slash = name_text.find_last_of("/\\");
  const std::string prj_name(
      (slash == std::string_view::npos ? name_text : name_text.substr(slash + 1)).substr(0, kPrjNameLimit));

  const std::string chip_id_text = row.ChipType == "24 EEPROM" ? "24000000" : row.ChipId;
  const std::optional<std::uint32_t> chip_id = ParseTypedHex(chip_id_text);
  if (!chip_id)
    return Refused(ProjectFileStatus::BadValue,
                   "the catalogue ChipID \"" + chip_id_text + "\" is not a hexadecimal number");
  next.ChipName = choices.ChipName;
  next.ChipID = *chip_id;
  next.ChipType = static_cast<ChipTypeId>(ProjectTypeCode(row.ChipType));
  next.ChipManauf = row.ManufName;
  next.ChipSize = row.Capacity;
  next.BlockSize = row.BlockSize;
  next.PageSize = static_cast<std::uint16_t>(row.PageSize);
  next.OTPSize = static_cast<std::uint16_t>(row.OTPSize);
  next.ChipVolt = row.Voltage == 1800 ? 1 : row.Voltage == 5000 ? 2 : 0;
  next.ChipPara = static_cast<std::uint8_t>(row.ChipPara);
  next.ChipPara1 = static_cast<std::uint8_t>(row.ChipPara1);
  next.OprMode = choices.DownMethodIndex == 1 ? 1 : choices.DownMethodIndex == 2 ? 2 : 0;
  next.OprIdCheck = choices.IdCheck ? 1 : 0;
  next.OprErase = choices.Erase ? 1 : 0;
  next.OprWrite = choices.Write ? 1 : 0;
  next.OprVerify = choices.Verify ? 1 : 0;
  if (choices.AutoSn) {
    const std::optional<std::uint32_t> address = ParseTypedHex(choices.SnAddr);
    if (!address)
      return Refused(ProjectFileStatus::BadValue,
                     "the serial number address \"" + choices.SnAddr + "\" is not a hexadecimal number");
    const std::optional<std::uint32_t> value = ParseTypedHex(choices.SnValue);
    if (!value)
      return Refused(ProjectFileStatus::BadValue,
                     "the serial number \"" + choices.SnValue + "\" is not a hexadecimal number");
    next.SnEn = 1;
    next.SnLen = choices.SnBytesIndex == 0 ? 1 : choices.SnBytesIndex == 1 ? 2 : 4;
    next.SnEndian = choices.SnEndianIndex == 1 ? 1 : 0;
    next.SnAddr = *address;
    next.SnValue = *value;
  } else {
    next.SnEn = next.SnLen = next.SnEndian = 0;
    next.SnAddr = next.SnValue = 0;
  }
  if (choices.LimitRuns) {
    const std::optional<std::int32_t> limit = ParseTypedDecimal(choices.RunLimit);
    if (!limit)
      return Refused(ProjectFileStatus::BadValue,
                     "the run limit \"" + choices.RunLimit + "\" is not a decimal number");
    next.TimesEn = 1;
    next.TimesMax = static_cast<std::uint16_t>(*limit);  // the programmer counts in 16 bits
  } else {
    next.TimesEn = 0;
    next.TimesMax = 0;
  }

  const std::array<std::string, kProjectLineCount> values = {
      Hex(choices.PrjId, 8) + "H",
      prj_name,
      next.ChipName,
      chip_id_text,
      std::to_string(static_cast<unsigned>(next.ChipType)),
      next.ChipManauf,
      Hex(next.ChipSize, 8),
      Hex(next.BlockSize, 8),
      Hex(next.PageSize, 8),
      Hex(next.OTPSize, 8),
      Hex(next.ChipVolt, 8),
      Hex(next.ChipPara, 2),
      Hex(next.ChipPara1, 2),
      Hex(next.FileLen, 8),
      Hex(next.OprMode, 2),
      Hex(next.OprIdCheck, 2),
      Hex(next.OprErase, 2),
      Hex(next.OprWrite, 2),
      Hex(next.OprVerify, 2),
      Hex(next.SnEn, 2),
      Hex(next.SnLen, 2),
      Hex(next.SnEndian, 2),
      Hex(next.SnAddr, 8),
      Hex(next.SnValue, 8),
      Hex(next.TimesEn, 2),
      Hex(next.TimesMax, 8),
      Hex(next.Crc32, 8)};
  std::string text;
  for (std::size_t i = 0; i < kProjectLineCount; ++i) {
    text += kProjectKeys[i];
    text += '=';
    text += values[i];
    text += "\r\n";
  }
  if (text.size() > kProjectTextLimit)
    return Refused(ProjectFileStatus::TooLong,
                   "the project text is " + std::to_string(text.size()) +
                       " bytes; the programmer takes at most 512 (shorten the names)");
  project = std::move(next);
  return ProjectTextResult{ProjectFileStatus::Written, std::move(text), {}};
}

std::optional<ProjectChipRow> ReadProjectChipRow(ChipDatabase& db, std::string_view chip_name) {
  if (db.RunQuery(statements::kChipByName, {Value(chip_name)}) == 0) return std::nullopt;
  ProjectChipRow row;
  row.ChipType = db.FieldAsText("ChipType");
  row.ChipId = db.FieldAsText("ChipID");
  row.ManufName = db.FieldAsText("ManufName");
  row.Capacity = static_cast<std::uint32_t>(db.FieldAsInteger("Capacity"));
  row.BlockSize = static_cast<std::uint32_t>(db.FieldAsInteger("BlockSize"));
  row.PageSize = static_cast<std::uint32_t>(db.FieldAsInteger("PageSize"));
  row.OTPSize = static_cast<std::uint32_t>(db.FieldAsInteger("OTPSize"));
  row.Voltage = db.FieldAsInteger("Voltage");
  row.ChipPara = static_cast<std::uint32_t>(db.FieldAsInteger("ChipPara"));
  row.ChipPara1 = static_cast<std::uint32_t>(db.FieldAsInteger("ChipPara1"));
  return row;
}

ProjectTextResult WriteProjectFile(const std::filesystem::path& path, const ProjectChoices& choices,
                                   ChipDatabase& db, Prj_Info_Struct& project) {
  if (!choices.ChipChosen || choices.ChipName.empty())
    return Refused(ProjectFileStatus::NoChip, "no chip is selected");
  std::optional<ProjectChipRow> row;
  try {
    row = ReadProjectChipRow(db, choices.ChipName);
  } catch (const DatabaseError& e) {
    return Refused(ProjectFileStatus::BadValue, std::string("the catalogue: ") + e.what());
  }
  if (!row)
    return Refused(ProjectFileStatus::NotInCatalogue,
                   "the chip \"" + choices.ChipName + "\" is not in the catalogue");
  Prj_Info_Struct next = project;
  ProjectTextResult result = BuildProjectText(choices, *row, next);
  if (result.status != ProjectFileStatus::Written) return result;

  // Written beside the file and then put in its place, so a failed write
  // never leaves half a project where the last good one was.
  std::filesystem::path partial = path;
  partial += ".writing";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(result.text.data(), static_cast<std::streamsize>(result.text.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      return Refused(ProjectFileStatus::NotWritable, path.string() + ": could not be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(partial, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    return Refused(ProjectFileStatus::NotWritable, path.string() + ": " + ec.message());
  }
  project = std::move(next);
  return result;
}

std::optional<ProjectText> ParseProjectText(std::span<const std::uint8_t> bytes, std::string& error) {
  if (bytes.size() > kProjectTextLimit) {
    error = "the project text is " + std::to_string(bytes.size()) + " bytes; at most 512 fit";
    return std::nullopt;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ProjectText parsed;
  std::size_t at = 0;
  for (std::size_t i = 0; i < kProjectLineCount; ++i) {
    const std::string line_name = "line " + std::to_string(i + 1);
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos) {
      error = line_name + " (" + std::string(kProjectKeys[i]) + ") is missing or not ended by CR LF";
      return std::nullopt;
    }
    const std::string_view line = text.substr(at, end - at);
    at = end + 2;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(0, equals) != kProjectKeys[i]) {
      error = line_name + " should start with \"" + std::string(kProjectKeys[i]) + "=\"";
      return std::nullopt;
    }
    const std::string_view value = line.substr(equals + 1);
    if (HoldsLineEnd(value)) {
      error = line_name + " holds a stray line end";
      return std::nullopt;
    }
    bool fits = true;
    switch (kValueKinds[i]) {
      case ValueKind::PrjId:
        fits = value.size() == 9 && value.back() == 'H' && ExactHex(value.substr(0, 8), 8).has_value();
        break;
      case ValueKind::Text:
        fits = i != kLinePrjName || value.size() <= kPrjNameLimit;
        break;
      case ValueKind::Decimal:
        fits = !value.empty() && value.size() <= 5 &&
               value.find_first_not_of("0123456789") == std::string_view::npos;
        break;
      case ValueKind::Hex2:
        fits = ExactHex(value, 2).has_value();
        break;
      case ValueKind::Hex8:
        fits = ExactHex(value, 8).has_value();
        break;
    }
    if (!fits) {
      error = line_name + " (" + std::string(kProjectKeys[i]) + ") has a malformed value \"" +
              std::string(value) + "\"";
      return std::nullopt;
    }
    parsed.values[i] = std::string(value);
  }
  if (at != text.size()) {
    error = "bytes follow the 27th line";
    return std::nullopt;
  }
  parsed.PrjName = parsed.values[kLinePrjName];
  parsed.ChipName = parsed.values[kLineChipName];
  parsed.FileLen = *ExactHex(parsed.values[kLineFileLen], 8);
  parsed.Crc32 = *ExactHex(parsed.values[kLineCrc32], 8);
  return parsed;
}

}  // namespace tessary
