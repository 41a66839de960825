// The project text file of an offline project: 27 lines of KEY=VALUE ended
// by CR LF, always in the same order, read by the programmer when it works
// on its own. The builder and the parser work on bytes only; writing the
// file and reading the catalogue row are the caller's (WriteProjectFile).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/chip_database.h"
#include "catalogue/chip_record.h"

namespace tessary {

// The project text travels in one 0x44 frame with room for 512 bytes.
inline constexpr std::size_t kProjectTextLimit = 512;
inline constexpr std::size_t kProjectLineCount = 27;
inline constexpr std::size_t kPrjNameLimit = 32;
inline constexpr std::uint32_t kPrjIdLimit = 0x7FFFFFFE;

// The keys, in the order the lines always appear.
inline constexpr std::array<std::string_view, kProjectLineCount> kProjectKeys = {
    "PrjID",    "PrjName",   "ChipName",   "ChipID",     "ChipType", "ChipManauf", "ChipSize",
    "BlockSize", "PageSize", "OTPSize",    "ChipVolt",   "ChipPara", "ChipPara1",  "FileLen",
    "OprMode",  "OprIdCheck", "OprErase",  "OprWrite",   "OprVerify", "SnEn",      "SnLen",
    "SnEndian", "SnAddr",    "SnValue",    "TimesEn",    "TimesMax", "Crc32"};

// The project writer's own chip type codes; unlike the selection frame it
// knows the SWD parts as "SWD Flash".
[[nodiscard]] std::uint16_t ProjectTypeCode(std::string_view chip_type_text);

// What the project window holds when a project is written.
struct ProjectChoices {
  std::uint32_t PrjId = 0;     // 0 .. 0x7FFFFFFE
  std::string PrjName;         // editPrjName; its part after the last '/' or '\\' is used
  std::string ChipName;        // text of the chip name box
  bool ChipChosen = false;     // the chip name box has a selected item
  int DownMethodIndex = 1;     // cmbDownMethod: 0 manual, 1 automatic, 2 machine
  bool IdCheck = false, Erase = false, Write = false, Verify = false;
  bool AutoSn = false;         // chkAutoSN
  int SnBytesIndex = -1;       // cmbSNBytes: 1Byte, 2Byte, 4Byte; none gives 4
  int SnEndianIndex = 0;       // cmbSNEndian: big, little
  std::string SnAddr = "00000000";   // hexadecimal text
  std::string SnValue = "00000000";  // hexadecimal text
  bool LimitRuns = false;      // chkProTimes
  std::string RunLimit = "0";  // decimal text of editProTimes
};

// The catalogue row a project is written for.
struct ProjectChipRow {
  std::string ChipType;   // the catalogue's type text
  std::string ChipId;     // the catalogue's ChipID text
  std::string ManufName;
  std::uint32_t Capacity = 0;
  std::uint32_t BlockSize = 0;
  std::uint32_t PageSize = 0;
  std::uint32_t OTPSize = 0;
  std::int32_t Voltage = 0;  // millivolts
  std::uint32_t ChipPara = 0;
  std::uint32_t ChipPara1 = 0;
};

enum class ProjectFileStatus : std::uint8_t {
  Written,         // the whole project text (and, for the writer, the file)
  NoChip,          // no chip selected in the chip name box
  NotInCatalogue,  // the chosen name has no catalogue row
  BadValue,        // a text that should be a number is not, or a text holds a line end
  TooLong,         // the text would not fit the 512 bytes of the project frame
  NotWritable,     // the file could not be written whole
};

struct ProjectTextResult {
  ProjectFileStatus status = ProjectFileStatus::Written;
  std::string text;    // the whole text when Written
  std::string detail;  // what went wrong, naming the field or the file
};

// Builds the 27 lines from the choices, the chip's row and the data file
// measure held in `project` (FileLen, Crc32). On success fills the project
// fields of `project`; on any failure leaves it as it was.
[[nodiscard]] ProjectTextResult BuildProjectText(const ProjectChoices& choices,
                                                 const ProjectChipRow& row,
                                                 Prj_Info_Struct& project);

// Reads the chip's row from the catalogue's shared query. nullopt when the
// name has no row; DatabaseError from a failing catalogue.
[[nodiscard]] std::optional<ProjectChipRow> ReadProjectChipRow(ChipDatabase& db,
                                                               std::string_view chip_name);

// Builds the project text for the chip named in `choices` and writes it to
// `path`, replacing any file there. On any failure the file is not touched
// and nothing of `project` changes.
[[nodiscard]] ProjectTextResult WriteProjectFile(const std::filesystem::path& path,
                                                 const ProjectChoices& choices, ChipDatabase& db,
                                                 Prj_Info_Struct& project);

// A project text read back: every value by its line, and the ones the
// download needs as numbers.
struct ProjectText {
  std::array<std::string, kProjectLineCount> values;
  std::string PrjName;
  std::string ChipName;
  std::uint32_t FileLen = 0;
  std::uint32_t Crc32 = 0;
};

// Parses a project text: exactly the 27 keys in order, each line ended by
// CR LF, hexadecimal values of their stated widths in upper case, at most
// 512 bytes in all. nullopt with the first fault in `error` otherwise.
[[nodiscard]] std::optional<ProjectText> ParseProjectText(std::span<const std::uint8_t> bytes,
                                                          std::string& error);

// Texts as the program reads typed numbers: "$" and the text as a signed
// 32-bit hexadecimal number, or a signed 32-bit decimal number.
[[nodiscard]] std::optional<std::uint32_t> ParseTypedHex(std::string_view text);
[[nodiscard]] std::optional<std::int32_t> ParseTypedDecimal(std::string_view text);

}  // namespace tessary
