// Chip type and voltage codes, capacity text, and the row-to-record copy.
#include "catalogue/chip_parameters.h"

#include <cstdlib>
#include <string>

namespace tessary {

ChipTypeId ChipTypeCode(std::string_view type_name) {
  for (std::size_t i = 0; i < kChipTypeNames.size(); ++i) {
    if (kChipTypeNames[i] == type_name) return static_cast<ChipTypeId>(i + 1);
  }
  return ChipTypeId::Other;
}

std::string_view ChipTypeName(ChipTypeId type) {
  switch (type) {
    case ChipTypeId::Other: return {};
    case ChipTypeId::Flash25: return kType25Flash;
    case ChipTypeId::Eeprom24: return kType24Eeprom;
    case ChipTypeId::Eeprom25: return kType25Eeprom;
    case ChipTypeId::Eeprom45: return kType45Eeprom;
    case ChipTypeId::Eeprom93: return kType93Eeprom;
    case ChipTypeId::Eeprom95: return kType95Eeprom;
    case ChipTypeId::SwdArm: return kTypeSwdArm;
    case ChipTypeId::NandFlash: return kTypeNandFlash;
  }
  return {};
}

std::uint8_t VoltageCode(std::int32_t millivolts) {
  switch (millivolts) {
    case 1800:
      return 1;
    case 5000:
      return 2;
    default:
      return 0;
  }
}

std::string CapacityText(std::uint32_t bytes) {
  if (bytes >= 1048576) return std::to_string(bytes >> 20) + "MB";
  if (bytes < 1024) return std::to_string(bytes) + "B";
  return std::to_string(bytes >> 10) + "KB";
}

void ReadChipRow(const ChipDatabase& db, Prj_Info_Struct& record) {
  // Read everything first so a bad field leaves the record untouched: the
  // chip fields always describe one catalogue row.
  const ChipTypeId type = ChipTypeCode(db.FieldAsText("ChipType"));
  const auto block_size = static_cast<std::uint32_t>(db.FieldAsInteger("BlockSize"));
  const auto capacity = static_cast<std::uint32_t>(db.FieldAsInteger("Capacity"));
  const auto erase_time = static_cast<std::uint32_t>(db.FieldAsInteger("EraseTime"));
  const auto page_size = static_cast<std::uint16_t>(db.FieldAsInteger("PageSize"));
  const auto otp_size = static_cast<std::uint16_t>(db.FieldAsInteger("OTPSize"));
  const std::uint8_t volt = VoltageCode(db.FieldAsInteger("Voltage"));
  const auto para = static_cast<std::uint8_t>(db.FieldAsInteger("ChipPara"));
  const auto para1 = static_cast<std::uint8_t>(db.FieldAsInteger("ChipPara1"));
  // The ID as the catalogue gives it, for the production record; a text
  // that is not hexadecimal gives 0 rather than a wrong number.
  const std::string id = db.FieldAsText("ChipID");
  char* end = nullptr;
  const unsigned long code = std::strtoul(id.c_str(), &end, 16);
  const std::uint32_t chip_id =
      (!id.empty() && *end == '\0') ? static_cast<std::uint32_t>(code) : 0;

  record.ChipType = type;
  record.BlockSize = block_size;
  record.ChipSize = capacity;
  record.EraseTime = erase_time;
  record.PageSize = page_size;
  record.OTPSize = otp_size;
  record.ChipVolt = volt;
  record.ChipPara = para;
  record.ChipPara1 = para1;
  record.ChipID = chip_id;
}

}  // namespace tessary
