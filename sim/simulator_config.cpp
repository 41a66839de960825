// Simulator configuration: the built-in default and the INI loader. Every
// key is optional; a missing key keeps the default. A key the loader does not
// know, or a value it cannot read, fails the whole load with a message that
// names the place, so a typo never silently changes the simulated device.
#include "sim/simulator_config.h"

#include "base/profile_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace tessary::sim {
namespace {

constexpr std::size_t kValueBufferSize = 4096;

ChipConfig W25Q64() {
  ChipConfig chip;
  chip.id_code = 0xEF4017;
  chip.capacity = 8 * 1024 * 1024;
  chip.page_size = 256;
  return chip;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Splits a list written with commas and/or blanks.
std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == '\t' || c == ';') {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
    } else {
      item += c;
    }
  }
  if (!item.empty()) items.push_back(std::move(item));
  return items;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text, int base) {
  if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Decimal or 0x-hexadecimal, with an optional binary size suffix (K, M, G,
// also written KiB, KB, ...).
std::optional<std::uint64_t> ParseSize(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) return ParseUnsigned(text, 16);
  std::string lower = Lower(text);
  for (std::string_view tail : {"ib", "b"}) {
    if (lower.size() > tail.size() && lower.ends_with(tail) &&
        std::string_view("kmg").find(lower[lower.size() - tail.size() - 1]) !=
            std::string_view::npos) {
      lower.resize(lower.size() - tail.size());
      break;
    }
  }
  std::uint64_t scale = 1;
  if (!lower.empty()) {
    switch (lower.back()) {
      case 'k':
        scale = 1ull << 10;
        break;
      case 'm':
        scale = 1ull << 20;
        break;
      case 'g':
        scale = 1ull << 30;
        break;
      default:
        break;
    }
    if (scale != 1) lower.pop_back();
  }
  const std::optional<std::uint64_t> value = ParseUnsigned(lower, 10);
  if (!value) return std::nullopt;
  return *value * scale;
}

std::optional<EndpointType> ParseEndpointType(std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "bulk") return EndpointType::Bulk;
  if (lower == "interrupt") return EndpointType::Interrupt;
  if (lower == "isochronous" || lower == "iso") return EndpointType::Isochronous;
  if (lower == "control") return EndpointType::Control;
  return std::nullopt;
}

// Reads typed values from one config text and keeps the first problem found.
class ConfigReader {
 public:
  ConfigReader(const std::filesystem::path& path, std::string text)
      : file_(path, std::move(text)) {}

  [[nodiscard]] bool ok() const { return error_.empty(); }
  [[nodiscard]] const std::string& error() const { return error_; }

  void Fail(std::string_view section, std::string_view key, std::string_view problem) {
    if (!ok()) return;
    error_ = file_.path().string() + ": [" + std::string(section) + "]";
    if (!key.empty()) error_ += " " + std::string(key);
    error_ += ": " + std::string(problem);
  }

  // Every key of the section must be one of `known`.
  void CheckKeys(std::string_view section, std::initializer_list<std::string_view> known) {
    for (const std::string& key : file_.Keys(section)) {
      const std::string lower = Lower(key);
      if (std::none_of(known.begin(), known.end(),
                       [&](std::string_view k) { return Lower(k) == lower; })) {
        Fail(section, key, "unknown key");
      }
    }
  }

  [[nodiscard]] bool HasSection(std::string_view section) const {
    return !file_.Keys(section).empty();
  }

  std::optional<std::string> Raw(std::string_view section, std::string_view key) const {
    // A fallback that no INI value can hold tells a missing key apart.
    static constexpr std::string_view kMissing = "\x01missing";
    std::string value = file_.ReadString(section, key, kMissing, kValueBufferSize);
    if (value == kMissing) return std::nullopt;
    return value;
  }

  void Text(std::string_view section, std::string_view key, std::string& out) {
    if (auto value = Raw(section, key)) out = *value;
  }

  template <typename T>
  void Number(std::string_view section, std::string_view key, T& out, std::uint64_t max) {
    const auto value = Raw(section, key);
    if (!value) return;
    const std::optional<std::uint64_t> number = ParseSize(*value);
    if (!number) return Fail(section, key, "\"" + *value + "\" is not a number");
    if (*number > max) return Fail(section, key, "\"" + *value + "\" is too large");
    out = static_cast<T>(*number);
  }

  template <typename T>
  void Hex(std::string_view section, std::string_view key, T& out, std::uint64_t max) {
    const auto value = Raw(section, key);
    if (!value) return;
    const std::optional<std::uint64_t> number = ParseUnsigned(*value, 16);
    if (!number) return Fail(section, key, "\"" + *value + "\" is not a hexadecimal number");
    if (*number > max) return Fail(section, key, "\"" + *value + "\" is too large");
    out = static_cast<T>(*number);
  }

  void Flag(std::string_view section, std::string_view key, bool& out) {
    const auto value = Raw(section, key);
    if (!value) return;
    const std::string lower = Lower(*value);
    if (lower == "1" || lower == "true" || lower == "yes" || lower == "on") {
      out = true;
    } else if (lower == "0" || lower == "false" || lower == "no" || lower == "off") {
      out = false;
    } else {
      Fail(section, key, "\"" + *value + "\" is not 0 or 1");
    }
  }

  // A list of hexadecimal opcodes.
  void Opcodes(std::string_view section, std::string_view key, std::set<std::uint8_t>& out) {
    const auto value = Raw(section, key);
    if (!value) return;
    out.clear();
    for (const std::string& item : SplitList(*value)) {
      const std::optional<std::uint64_t> opcode = ParseUnsigned(item, 16);
      if (!opcode || *opcode > 0xFF)
        return Fail(section, key, "\"" + item + "\" is not an opcode (hex 00-FF)");
      out.insert(static_cast<std::uint8_t>(*opcode));
    }
  }

  [[nodiscard]] const std::filesystem::path& path() const { return file_.path(); }

 private:
  ProfileFile file_;
  std::string error_;
};

void ReadProgrammer(ConfigReader& in, SimulatorConfig& config) {
  constexpr std::string_view s = "Programmer";
  in.CheckKeys(s, {"Model", "Firmware", "Hardware", "Serial", "BootFirmware", "NextFirmware",
                   "VendorId", "ProductId", "Endpoints", "PluggedIn", "StartInBootLoader",
                   "BootDelayMs", "EraseBusyPolls", "SpiClock"});
  in.Text(s, "Model", config.model);
  in.Text(s, "Firmware", config.firmware);
  in.Text(s, "Hardware", config.hardware);
  in.Text(s, "Serial", config.serial);
  in.Text(s, "BootFirmware", config.boot_firmware);
  in.Text(s, "NextFirmware", config.next_firmware);
  in.Hex(s, "VendorId", config.vendor_id, 0xFFFF);
  in.Hex(s, "ProductId", config.product_id, 0xFFFF);
  in.Flag(s, "PluggedIn", config.plugged_in);
  in.Flag(s, "StartInBootLoader", config.start_in_boot_loader);
  in.Number(s, "BootDelayMs", config.boot_delay_ms, 0xFFFFFFFF);
  in.Number(s, "EraseBusyPolls", config.erase_busy_polls, 0xFFFFFFFF);
  in.Number(s, "SpiClock", config.spi_clock_code, 5);
  if (config.spi_clock_code == 0) in.Fail(s, "SpiClock", "must be 1 to 5");

  if (const auto list = in.Raw(s, "Endpoints")) {
    config.endpoints.clear();
    for (const std::string& item : SplitList(*list)) {
      const std::size_t colon = item.find(':');
      const auto address = ParseUnsigned(std::string_view(item).substr(0, colon), 16);
      const std::string_view after =
          colon == std::string::npos ? "" : std::string_view(item).substr(colon + 1);
      const auto type = ParseEndpointType(after);
      if (!address || *address > 0xFF || !type) {
        return in.Fail(s, "Endpoints", "\"" + item + "\" is not ADDRESS:TYPE (e.g. 82:bulk)");
      }
      config.endpoints.push_back({static_cast<std::uint8_t>(*address), *type});
    }
  }
}

std::optional<CellKind> ParseCells(std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "flash") return CellKind::Flash;
  if (lower == "eeprom") return CellKind::Eeprom;
  if (lower == "nand") return CellKind::Nand;
  return std::nullopt;
}

// The part before and after the first `separator` of an item.
std::pair<std::string_view, std::string_view> SplitAt(std::string_view item, char separator) {
  const std::size_t at = item.find(separator);
  if (at == std::string_view::npos) return {item, {}};
  return {item.substr(0, at), item.substr(at + 1)};
}

void ReadCells(ConfigReader& in, std::string_view s, ChipConfig& chip) {
  const auto value = in.Raw(s, "Cells");
  if (value && !value->empty()) {
    chip.cells = ParseCells(*value);
    if (!chip.cells) return in.Fail(s, "Cells", "\"" + *value + "\" is not flash, eeprom or nand");
  }
  if (chip.cells == CellKind::Nand && chip.block_size == 0)
    in.Fail(s, "Cells", "nand needs a BlockSize");
  if (chip.cells && chip.cells != CellKind::Nand && chip.block_size > 0)
    in.Fail(s, "Cells", "only nand chips have a BlockSize");
}

// ADDR:MASK or ADDR:MASK:LEVEL, all hexadecimal; LEVEL 0 (default) or 1.
void ReadStuckBits(ConfigReader& in, std::string_view s, ChipConfig& chip) {
  const auto list = in.Raw(s, "StuckBits");
  if (!list) return;
  chip.stuck_bits.clear();
  for (const std::string& item : SplitList(*list)) {
    const auto [address_text, rest] = SplitAt(item, ':');
    const auto [mask_text, level_text] = SplitAt(rest, ':');
    const auto address = ParseUnsigned(address_text, 16);
    const auto mask = ParseUnsigned(mask_text, 16);
    const auto level = level_text.empty() ? std::optional<std::uint64_t>(0)
                                          : ParseUnsigned(level_text, 10);
    if (!address || !mask || *mask == 0 || *mask > 0xFF || !level || *level > 1) {
      return in.Fail(s, "StuckBits",
                     "\"" + item + "\" is not ADDRESS:MASK or ADDRESS:MASK:LEVEL (e.g. 1000:01)");
    }
    if (*address >= chip.capacity)
      return in.Fail(s, "StuckBits", "\"" + item + "\" lies past the end of the chip");
    chip.stuck_bits.push_back(StuckBits{static_cast<std::uint32_t>(*address),
                                        static_cast<std::uint8_t>(*mask), *level == 1});
  }
}

// insert@MS or remove@MS, MS the milliseconds since the programmer started.
void ReadEvents(ConfigReader& in, std::string_view s, const std::string& list,
                const ChipConfig& chip, std::vector<SocketEvent>& events) {
  events.clear();
  for (const std::string& item : SplitList(list)) {
    const auto [what, when] = SplitAt(item, '@');
    const std::string kind = Lower(what);
    const auto at = ParseUnsigned(when, 10);
    if ((kind != "insert" && kind != "remove") || !at || *at > 0xFFFFFFFF) {
      return in.Fail(s, "Events", "\"" + item + "\" is not insert@MS or remove@MS");
    }
    SocketEvent event;
    event.at_ms = *at;
    if (kind == "insert") event.insert = chip;
    events.push_back(std::move(event));
  }
}

void ReadSocket(ConfigReader& in, std::string_view s, std::optional<ChipConfig>& socket,
                std::vector<SocketEvent>& events) {
  in.CheckKeys(s, {"Present", "ChipId", "IdExtra", "Capacity", "PageSize", "BlockSize", "Image",
                   "BadBlocks", "Cells", "StuckBits", "WriteProtect", "Persist", "Events"});
  bool present = socket.has_value();
  in.Flag(s, "Present", present);
  // The chip keys describe the chip in the socket at the start and the chip
  // each insert event puts in.
  const std::optional<std::string> event_list = in.Raw(s, "Events");
  const bool has_events = event_list && !SplitList(*event_list).empty();
  if (!present && !has_events) {
    socket.reset();
    events.clear();
    return;
  }
  ChipConfig chip = socket.value_or(W25Q64());
  in.Hex(s, "ChipId", chip.id_code, 0xFFFFFFFF);
  std::uint16_t extra = static_cast<std::uint16_t>((chip.id_extra[0] << 8) | chip.id_extra[1]);
  in.Hex(s, "IdExtra", extra, 0xFFFF);
  chip.id_extra = {static_cast<std::uint8_t>(extra >> 8), static_cast<std::uint8_t>(extra)};
  in.Number(s, "Capacity", chip.capacity, 0xFFFFFFFF);
  in.Number(s, "PageSize", chip.page_size, 0xFFFF);
  in.Number(s, "BlockSize", chip.block_size, 0xFFFFFFFF);
  if (chip.capacity == 0) in.Fail(s, "Capacity", "a chip needs a capacity above 0");
  ReadCells(in, s, chip);
  ReadStuckBits(in, s, chip);
  in.Flag(s, "WriteProtect", chip.write_protect);
  in.Flag(s, "Persist", chip.persist);

  if (const auto list = in.Raw(s, "BadBlocks")) {
    chip.bad_blocks.clear();
    for (const std::string& item : SplitList(*list)) {
      const auto block = ParseUnsigned(item, 10);
      if (!block || *block > 0xFFFFFFFF)
        return in.Fail(s, "BadBlocks", "\"" + item + "\" is not a block number");
      chip.bad_blocks.push_back(static_cast<std::uint32_t>(*block));
    }
    if (!chip.bad_blocks.empty() && chip.block_size == 0)
      in.Fail(s, "BadBlocks", "needs a BlockSize");
  }

  if (const auto image = in.Raw(s, "Image"); image && !image->empty()) {
    std::filesystem::path path = *image;
    // Relative to the config file's folder; a config named without a folder
    // lies in the current one.
    if (path.is_relative()) path = std::filesystem::absolute(in.path()).parent_path() / path;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error && chip.persist && !std::filesystem::exists(path, error)) {
      // A persistent chip's file is made when the program ends; its folder must be there.
      if (!std::filesystem::is_directory(path.parent_path(), error))
        in.Fail(s, "Image", "the folder of \"" + path.string() + "\" does not exist");
    } else if (error) {
      in.Fail(s, "Image", "cannot read \"" + path.string() + "\"");
    } else if (size > chip.capacity) {
      in.Fail(s, "Image",
              "\"" + path.string() + "\" is larger than the chip (" + std::to_string(size) + " > " +
                  std::to_string(chip.capacity) + " bytes)");
    }
    chip.image = path;
  } else if (chip.persist) {
    in.Fail(s, "Persist", "needs an Image file to keep the chip in");
  }
  if (has_events) ReadEvents(in, s, *event_list, chip, events);
  if (present) {
    socket = chip;
  } else {
    socket.reset();
  }
}

void ReadFaults(ConfigReader& in, FaultSettings& faults) {
  constexpr std::string_view s = "Faults";
  in.CheckKeys(s, {"SilentOpcodes", "WrongStartOpcodes", "ReplyLengths", "BulkReadChunk",
                   "BulkReadShortfall", "UnplugAfterTransfers", "EraseNeverFinishes",
                   "LateReplyOpcodes", "ReplyDelayMs", "CorruptImageBlock", "ImageCheckFails"});
  in.Opcodes(s, "SilentOpcodes", faults.silent_opcodes);
  in.Opcodes(s, "WrongStartOpcodes", faults.wrong_start_opcodes);
  in.Number(s, "BulkReadChunk", faults.bulk_read_chunk, 0xFFFFFFFF);
  in.Number(s, "BulkReadShortfall", faults.bulk_read_shortfall, 0xFFFFFFFF);
  in.Number(s, "UnplugAfterTransfers", faults.unplug_after_transfers, 0xFFFFFFFF);
  in.Flag(s, "EraseNeverFinishes", faults.erase_never_finishes);
  in.Opcodes(s, "LateReplyOpcodes", faults.late_reply_opcodes);
  in.Number(s, "ReplyDelayMs", faults.reply_delay_ms, 0xFFFFFFFF);
  in.Number(s, "CorruptImageBlock", faults.corrupt_image_block, 0xFFFFFFFF);
  in.Flag(s, "ImageCheckFails", faults.image_check_fails);
  if (const auto list = in.Raw(s, "ReplyLengths")) {
    faults.reply_lengths.clear();
    for (const std::string& item : SplitList(*list)) {
      const std::size_t colon = item.find(':');
      const auto opcode = ParseUnsigned(std::string_view(item).substr(0, colon), 16);
      const std::string_view after =
          colon == std::string::npos ? "" : std::string_view(item).substr(colon + 1);
      const auto length = ParseUnsigned(after, 10);
      if (!opcode || *opcode > 0xFF || !length || *length > 4088) {
        return in.Fail(s, "ReplyLengths", "\"" + item + "\" is not OPCODE:LENGTH (e.g. 31:4)");
      }
      faults.reply_lengths[static_cast<std::uint8_t>(*opcode)] = static_cast<std::size_t>(*length);
    }
  }
}

// [Storage]: an offline project left in the storage by an earlier download.
void ReadStorage(ConfigReader& in, SimulatorConfig& config) {
  constexpr std::string_view s = "Storage";
  in.CheckKeys(s, {"ProjectFile", "DataFile"});
  const auto load = [&](std::string_view key, std::size_t limit, std::vector<std::uint8_t>& out) {
    const auto value = in.Raw(s, key);
    if (!value || value->empty()) return;
    std::filesystem::path path = *value;
    if (path.is_relative()) path = std::filesystem::absolute(in.path()).parent_path() / path;
    // Only a regular file: a device or a FIFO could give bytes forever.
    std::error_code status;
    if (std::filesystem::exists(path, status) && !std::filesystem::is_regular_file(path, status))
      return in.Fail(s, key, "\"" + path.string() + "\" is not a regular file");
    std::ifstream file(path, std::ios::binary);
    if (!file) return in.Fail(s, key, "cannot read \"" + path.string() + "\"");
    // One byte past the limit is enough to tell the file is too large.
    out.resize(limit + 1);
    file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<std::size_t>(file.gcount()));
    if (file.bad()) return in.Fail(s, key, "cannot read \"" + path.string() + "\"");
    if (out.size() > limit)
      in.Fail(s, key, "\"" + path.string() + "\" is larger than the storage keeps (" +
                          std::to_string(limit) + " bytes)");
  };
  load("ProjectFile", 512, config.stored_project);
  load("DataFile", 0x1000000, config.stored_data);
}

}  // namespace

SimulatorConfig DefaultSimulatorConfig() {
  SimulatorConfig config;
  config.sockets[0] = W25Q64();
  return config;
}

std::optional<SimulatorConfig> LoadSimulatorConfig(const std::filesystem::path& path,
                                                   std::string& error) {
  std::error_code status;
  if (!std::filesystem::is_regular_file(path, status)) {
    error = path.string() + ": simulator config file not found";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(file), {}};
  if (file.bad()) {
    error = path.string() + ": cannot read the simulator config file";
    return std::nullopt;
  }
  return ParseSimulatorConfig(path, std::move(text), error);
}

std::optional<SimulatorConfig> ParseSimulatorConfig(const std::filesystem::path& path,
                                                    std::string text, std::string& error) {
  ConfigReader in(path, std::move(text));
  if (!in.HasSection("Programmer") && !in.HasSection("Socket1") && !in.HasSection("Socket2") &&
      !in.HasSection("Faults") && !in.HasSection("Storage")) {
    error = path.string() +
            ": not a simulator config (no [Programmer], [Socket1], [Socket2], [Faults] or [Storage] "
            "entries)";
    return std::nullopt;
  }
  SimulatorConfig config = DefaultSimulatorConfig();
  ReadProgrammer(in, config);
  ReadSocket(in, "Socket1", config.sockets[0], config.socket_events[0]);
  ReadSocket(in, "Socket2", config.sockets[1], config.socket_events[1]);
  ReadFaults(in, config.faults);
  ReadStorage(in, config);
  if (!in.ok()) {
    error = in.error();
    return std::nullopt;
  }
  return config;
}

}  // namespace tessary::sim
