// The programmer's identity commands (firmware and hardware version, serial
// number, model, language) and the fallbacks used when they fail.
#pragma once

#include <cstdint>
#include <string>

#include "device/device_info.h"
#include "device/command_status.h"
#include "device/device_link.h"

namespace tessary {

inline constexpr std::uint8_t kOpFirmwareVersion = 0x10;
inline constexpr std::uint8_t kOpHardwareVersion = 0x11;
inline constexpr std::uint8_t kOpSerialNumber = 0x12;
inline constexpr std::uint8_t kOpDeviceModel = 0x13;
inline constexpr std::uint8_t kOpSetLanguage = 0x14;

inline constexpr char kUnknownHardwareVersion[] = "KV-075";
inline constexpr char kUnknownSerialNumber[] = "XXX-XXX-XXX-XXX";

// One text query: Ok with the reply text (its length from the reply's length
// field, capped at `max_length` and at what arrived) in `text`; otherwise
// `text` is untouched.
[[nodiscard]] CommandStatus QueryText(DeviceLink& link, std::uint8_t opcode, std::size_t max_length,
                                   std::string& text);

[[nodiscard]] CommandStatus QueryFirmwareVersion(DeviceLink& link, std::string& text);  // cap 16
[[nodiscard]] CommandStatus QueryHardwareVersion(DeviceLink& link, std::string& text);  // cap 64
[[nodiscard]] CommandStatus QuerySerialNumber(DeviceLink& link, std::string& text);     // cap 24
[[nodiscard]] CommandStatus QueryDeviceModel(DeviceLink& link, std::string& text);      // cap 24

// Sends the language code (0x14). The programmer only shows texts in it, so
// callers may ignore the outcome.
CommandStatus SendProgrammerLanguage(DeviceLink& link, std::int32_t language);

// Firmware version with its retry: false when the query fails (the caller
// closes the link and scans again later). A text starting with byte 0xFF is
// asked once more; if it still does, FirmVer becomes empty.
[[nodiscard]] bool ReadFirmwareVersion(DeviceLink& link, Dev_Inf_Struct& info);

// Hardware version, serial number and model, each asked twice at most,
// falling back to "KV-075", "XXX-XXX-XXX-XXX" and DefaultMode. DefaultMode
// then takes the model.
void ReadIdentityTexts(DeviceLink& link, Dev_Inf_Struct& info);

}  // namespace tessary
