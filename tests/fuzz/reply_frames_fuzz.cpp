// Reply frames from a programmer that may say anything: the input's first
// byte picks the query, the rest is cut into the replies the scripted link
// gives (each reply's length in two bytes, high first, before it). Identity
// texts, the chip ID, the socket states and the NAND bad-block bitmap are
// read by the real query functions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/identity_queries.h"
#include "device/waits.h"
#include "fuzz_support.h"
#include "operations/bad_block_table.h"
#include "operations/chip_commands.h"
#include "support/recording_panel.h"
#include "support/scripted_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessary::fuzz::Require;
  if (size == 0) return 0;
  tessary::VirtualClock clock;
  tessary::testing::RecordingPanel panel;
  tessary::testing::ScriptedLink usb(clock);
  tessary::Waiter waiter(clock, panel);
  tessary::DeviceLink link(usb, waiter);
  if (!link.UsbOpenDevice(tessary::kProgrammerVendorId, tessary::kProgrammerProductId)) return 0;
  link.MarkLinked();

  const std::uint8_t query = data[0];
  for (std::size_t at = 1; at + 2 <= size;) {
    const std::size_t length =
        std::min<std::size_t>((std::size_t{data[at]} << 8) | data[at + 1], size - at - 2);
    usb.replies.emplace_back(data + at + 2, data + at + 2 + length);
    at += 2 + length;
  }

  switch (query % 8) {
    case 0: {
      std::string text;
      if (tessary::QueryFirmwareVersion(link, text) == tessary::CommandStatus::Ok) {
        Require(text.size() <= 16, "firmware text within its cap");
      }
      break;
    }
    case 1: {
      std::string text;
      if (tessary::QueryHardwareVersion(link, text) == tessary::CommandStatus::Ok) {
        Require(text.size() <= 64, "hardware text within its cap");
      }
      break;
    }
    case 2: {
      std::string text;
      if (tessary::QuerySerialNumber(link, text) == tessary::CommandStatus::Ok) {
        Require(text.size() <= 24, "serial text within its cap");
      }
      break;
    }
    case 3: {
      std::string text;
      if (tessary::QueryDeviceModel(link, text) == tessary::CommandStatus::Ok) {
        Require(text.size() <= 24, "model text within its cap");
      }
      break;
    }
    case 4: {
      tessary::Dev_Inf_Struct info;
      tessary::ReadIdentityTexts(link, info);
      break;
    }
    case 5: {
      tessary::ChipIdReply reply;
      (void)tessary::ReadChipId(link, reply);  // any status; only must not fail
      break;
    }
    case 6: {
      tessary::SocketReply reply;
      (void)tessary::QuerySocketStatus(link, tessary::ChipTypeId::Flash25, reply);
      break;
    }
    case 7: {
      tessary::BadBlockTable table;
      table.Flags.fill(7);
      if (tessary::ScanNandBadBlocks(link, 1, table) == tessary::CommandStatus::Ok) {
        for (const std::uint8_t flag : table.Flags) Require(flag <= 1, "every flag is set or reset");
      }
      break;
    }
  }
  return 0;
}
