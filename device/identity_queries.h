// The programmer's identity commands (firmware and hardware version, serial
// number, model, language) and the fallbacks used when they fail.
#pragma once

#include <cstdint>
#include <string>

#include "device/device_info.h"
#include "device/device_link.h"

namespace tessary {

inline constexpr std::uint8_t kOpFirmwareVersion = 0x10;
inline constexpr std::uint8_t kOpHardwareVersion = 0x11;
inline constexpr std::uint8_t kOpSerialNumber = 0x12;
inline constexpr std::uint8_t kOpDeviceModel = 0x13;
inline constexpr std::uint8_t kOpSetLanguage = 0x14;

inline constexpr char kUnknownHardwareVersion[] = "KV-075";
inline constexpr char kUnknownSerialNumber[] = "XXX-XXX-XXX-XXX";

// One text query: 0 with the reply text (its length from the reply's length
// field, capped at `max_length`) in `text`; 1 when the reply check fails
// (`text` untouched).
[[nodiscard]] ResultCode QueryText(DeviceLink& link, std::uint8_t opcode, std::size_t max_length,
                                   std::string& text);

[[nodiscard]] ResultCode QueryFirmwareVersion(DeviceLink& link, std::string& text);  // cap 16
[[nodiscard]] ResultCode QueryHardwareVersion(DeviceLink& link, std::string& text);  // cap 64
[[nodiscard]] ResultCode QuerySerialNumber(DeviceLink& link, std::string& text);     // cap 24
[[nodiscard]] ResultCode QueryDeviceModel(DeviceLink& link, std::string& text);      // cap 24

// Sends the language code (0x14); the result is only for callers that care.
ResultCode SendProgrammerLanguage(DeviceLink& link, std::int32_t language);

// Firmware version with its retry: false when the query fails (the caller
// closes the link and scans again later). A text starting with byte 0xFF is
// asked once more; if it still does, FirmVer becomes empty.
[[nodiscard]] bool ReadFirmwareVersion(DeviceLink& link, Dev_Inf_Struct& info);

// Hardware version, serial number and model, each asked twice at most,
// falling back to "KV-075", "XXX-XXX-XXX-XXX" and DefaultMode. DefaultMode
// then takes the model.
void ReadIdentityTexts(DeviceLink& link, Dev_Inf_Struct& info);

}  // namespace tessary
