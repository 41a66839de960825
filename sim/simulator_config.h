// What the simulated programmer is: its identity texts, its USB identity and
// endpoints, the chips in its two sockets, its timing and its faults. Loaded
// from an INI file (the format is documented in docs/simulator.md) or built
// in code by tests.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/usb_link.h"
#include "sim/fault_settings.h"

namespace tessary::sim {

// How a chip's cells take new data.
enum class CellKind : std::uint8_t {
  Flash,   // programming only clears bits (new = old AND data); an erase sets 0xFF
  Eeprom,  // bytes are overwritten as they come; no erase needed
  Nand,    // as flash, and bad blocks refuse programming and erase
};

// Bits of one cell that no longer change: they read as `level` whatever is
// programmed or erased.
struct StuckBits {
  std::uint32_t address = 0;
  std::uint8_t mask = 0;
  bool level = false;  // false: stuck at 0 (a worn cell that no longer erases)
};

// A chip sitting in a socket.
struct ChipConfig {
  std::uint32_t id_code = 0;               // 32-bit identification code of 0x31
  std::array<std::uint8_t, 2> id_extra{};  // the two bytes after it in the 0x31 reply
  std::uint32_t capacity = 0;              // bytes
  std::uint32_t page_size = 256;
  std::uint32_t block_size = 0;           // NAND erase block; 0 for other chips
  std::filesystem::path image;            // start-up contents; empty: all 0xFF
  std::vector<std::uint32_t> bad_blocks;  // NAND block indices that are bad
  // Cell behaviour; nullopt: worked out from the other fields (DefaultCells).
  std::optional<CellKind> cells;
  std::vector<StuckBits> stuck_bits;
  bool write_protect = false;  // program and erase are acknowledged but change nothing
  bool persist = false;        // contents are written back to `image` at the end
};

// A chip put into or taken out of a socket at a time of the simulated clock,
// counted from the start of the simulated programmer.
struct SocketEvent {
  std::uint64_t at_ms = 0;
  std::optional<ChipConfig> insert;  // the chip put in; nullopt: the chip is taken out
};

struct SimulatorConfig {
  // Identity texts, as answered to 0x13, 0x10, 0x11 and 0x12.
  std::string model = "Velor";
  std::string firmware = "V1.2.3";
  std::string hardware = "HW-V2.1";
  std::string serial = "TSY-0000-0000-0001";
  std::string boot_firmware = "BOOT V1.0";  // firmware text while the boot loader runs
  // Firmware text after a verified update; empty keeps the previous text.
  // The default is one step newer than `firmware`, the version of the demo
  // packages the build puts into the "iap" folder.
  std::string next_firmware = "V1.2.4";

  std::uint16_t vendor_id = kProgrammerVendorId;
  std::uint16_t product_id = kProgrammerProductId;
  std::vector<EndpointDescriptor> endpoints = {{0x01, EndpointType::Bulk},
                                               {0x82, EndpointType::Bulk}};

  bool plugged_in = true;  // on the bus when the simulation starts
  bool start_in_boot_loader = false;
  std::uint32_t boot_delay_ms = 1500;  // time off the bus at each restart
  std::uint32_t erase_busy_polls = 2;  // polls answered busy before "finished"
  std::uint8_t spi_clock_code = 2;     // 9 MHz after power-up

  std::array<std::optional<ChipConfig>, 2> sockets;  // CH1, CH2; nullopt = empty
  std::array<std::vector<SocketEvent>, 2> socket_events;  // per socket, in any order
  FaultSettings faults;

  // What the on-board project storage holds from an earlier download (a
  // Skar keeps it through power cycles): the project text of its 0x44 frame
  // and the data file. Empty: nothing stored.
  std::vector<std::uint8_t> stored_project;
  std::vector<std::uint8_t> stored_data;
};

// A Velor with a W25Q64 (ID EF4017, 8 MiB) in CH1 and CH2 empty.
[[nodiscard]] SimulatorConfig DefaultSimulatorConfig();

// Loads an INI config; nullopt and a message naming the file, section and
// key in `error` when the file is missing or a value is malformed. Relative
// image paths are taken from the config file's folder.
[[nodiscard]] std::optional<SimulatorConfig> LoadSimulatorConfig(const std::filesystem::path& path,
                                                                 std::string& error);

// The same for a config text already read; `path` names it in messages and
// its folder is where relative image paths are taken from.
[[nodiscard]] std::optional<SimulatorConfig> ParseSimulatorConfig(const std::filesystem::path& path,
                                                                  std::string text,
                                                                  std::string& error);

}  // namespace tessary::sim
