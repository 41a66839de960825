// Intel HEX to raw image: a line-at-a-time decoder fed from memory or from
// large file blocks, with a table for the digits, so that tens of megabytes
// convert in a fraction of a second.
#include "buffer/intel_hex.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>

namespace tessary {
namespace {

constexpr std::uint8_t kNotADigit = 0xFF;

constexpr std::array<std::uint8_t, 256> kDigitValue = [] {
  std::array<std::uint8_t, 256> table{};
  table.fill(kNotADigit);
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<std::uint8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
  return table;
}();

constexpr std::size_t kFirstDataColumn = 9;  // 0-based position of the first data digit
constexpr std::uint64_t kAreaGrowth = std::uint64_t{1} << 20;

enum class RecordType : std::uint8_t {
  Data = 0x00,
  EndOfFile = 0x01,
  ExtendedSegmentAddress = 0x02,
  ExtendedLinearAddress = 0x04,
};

std::string Hex32(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

std::string CharacterText(unsigned char c) {
  char text[16];
  if (c >= 0x20 && c < 0x7F) {
    std::snprintf(text, sizeof text, "'%c'", c);
  } else {
    std::snprintf(text, sizeof text, "byte 0x%02X", c);
  }
  return text;
}

// Decodes `count` digit pairs from `digits` into `out` and adds the bytes to
// `sum`; true when all were hexadecimal digits.
inline bool DecodePairs(const unsigned char* digits, std::size_t count, std::uint8_t* out,
                        unsigned& sum) {
  unsigned seen = 0;
  unsigned added = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t high = kDigitValue[digits[2 * i]];
    const std::uint8_t low = kDigitValue[digits[2 * i + 1]];
    seen |= high | low;
    out[i] = static_cast<std::uint8_t>((high << 4) | low);
    added += out[i];
  }
  sum += added;
  return (seen & 0xF0) == 0;
}

bool IsBlankLine(const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r') return false;
  }
  return true;
}

// Turns records into the image area, one line at a time.
class HexDecoder {
 public:
  enum class Step : std::uint8_t { Continue, Stop };

  explicit HexDecoder(std::uint64_t area_limit) : area_limit_(area_limit) {}

  // One line, without its line feed; `whole` is false for the first block of
  // a line too long to hold, whose blanks may not be all the line holds.
  Step Line(const char* text, std::size_t length, bool whole = true);

  // Whether decoding ended at an end-of-file record, failed, or neither.
  [[nodiscard]] bool ended() const { return ended_; }
  [[nodiscard]] bool failed() const { return fault_ != ConversionFault::None; }
  [[nodiscard]] ConversionFault fault() const { return fault_; }
  [[nodiscard]] std::size_t fault_line() const { return fault_line_; }
  [[nodiscard]] const std::string& fault_text() const { return fault_text_; }

  // Called when the input is used up: a decoder that neither failed nor met
  // an end-of-file record, or that met one after no data, fails now.
  void Finish();

  // The bytes to write: from the base to the highest byte written, after an
  // end-of-file record; nothing otherwise.
  std::span<const std::uint8_t> Image();
  // What the operator should know about an image written without a fault.
  [[nodiscard]] std::string Note() const;

 private:
  Step Fail(ConversionFault fault, std::string text) {
    fault_ = fault;
    fault_line_ = line_;
    fault_text_ = std::move(text);
    return Step::Stop;
  }
  Step NotHexadecimal(const char* text, std::size_t from, std::size_t to);
  Step DataRecord(const std::uint8_t* data, std::size_t count, std::uint32_t address);
  void EnsureArea(std::uint64_t end);

  const std::uint64_t area_limit_;  // bytes the image area may hold
  std::vector<std::uint8_t> area_;  // grows on demand; 0xFF where no record wrote
  std::uint64_t total_ = 0;         // data bytes seen
  std::uint64_t upper_ = 0;         // latest ELA value x 65536 or segment x 16
  std::uint64_t base_ = 0;
  bool base_fixed_ = false;
  bool linear_address_seen_ = false;
  bool record_seen_ = false;  // blank lines and a BOM are skipped until then
  std::uint64_t first_linear_upper_ = 0;
  std::uint64_t highest_end_ = 0;  // one past the highest image offset written
  bool ended_ = false;
  std::size_t line_ = 0;
  std::size_t stopped_at_line_ = 0;  // a line not starting with ':'
  ConversionFault fault_ = ConversionFault::None;
  std::size_t fault_line_ = 0;
  std::string fault_text_;
};

HexDecoder::Step HexDecoder::NotHexadecimal(const char* text, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (kDigitValue[c] == kNotADigit) {
      return Fail(
          ConversionFault::NotHexadecimal,
          CharacterText(c) + " at column " + std::to_string(i + 1) + " is not a hexadecimal digit");
    }
  }
  return Fail(ConversionFault::NotHexadecimal, "not a hexadecimal digit");
}

void HexDecoder::EnsureArea(std::uint64_t end) {
  if (end <= area_.size()) return;
  if (end > area_.capacity()) {
    // Doubling, capped at the limit, keeps copies rare without claiming the
    // whole limit for a small file.
    area_.reserve(static_cast<std::size_t>(
        std::min(area_limit_, std::max(end, std::uint64_t{area_.capacity()} * 2))));
  }
  // Growing in large steps keeps the 0xFF fill out of the per-record path.
  const std::uint64_t grown = std::min<std::uint64_t>(
      area_.capacity(), std::max(end, area_.size() + kAreaGrowth));
  area_.resize(static_cast<std::size_t>(grown), 0xFF);
}

HexDecoder::Step HexDecoder::DataRecord(const std::uint8_t* data, std::size_t count,
                                        std::uint32_t address) {
  if (!base_fixed_) {
    base_ = linear_address_seen_ ? first_linear_upper_ + address : 0;
    base_fixed_ = true;
  }
  if (count == 0) return Step::Continue;
  const std::uint64_t first = upper_ + address;
  if (first < base_ || first - base_ + count > area_limit_) {
    return Fail(ConversionFault::OutsideImage,
                "data at " + Hex32(first) + ".." + Hex32(first + count - 1) +
                    " lies outside the image area " + Hex32(base_) + ".." +
                    Hex32(base_ + area_limit_ - 1));
  }
  const std::uint64_t offset = first - base_;
  EnsureArea(offset + count);
  std::memcpy(area_.data() + offset, data, count);
  total_ += count;
  highest_end_ = std::max(highest_end_, offset + count);
  return Step::Continue;
}

HexDecoder::Step HexDecoder::Line(const char* text, std::size_t length, bool whole) {
  ++line_;
  if (!record_seen_) {
    if (line_ == 1 && length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
      text += 3;
      length -= 3;
    }
    if (whole && IsBlankLine(text, length)) return Step::Continue;
    record_seen_ = true;
  }
  if (length == 0 || text[0] != ':') {
    stopped_at_line_ = line_;
    return Step::Stop;
  }
  if (length < kFirstDataColumn + 2) {
    return Fail(ConversionFault::RecordCutShort,
                "the record is cut short (" + std::to_string(length) + " characters)");
  }
  std::uint8_t header[4];
  unsigned sum = 0;
  if (!DecodePairs(reinterpret_cast<const unsigned char*>(text) + 1, 4, header, sum)) {
    return NotHexadecimal(text, 1, kFirstDataColumn);
  }
  const std::size_t count = header[0];
  const auto address = static_cast<std::uint32_t>((header[1] << 8) | header[2]);
  const std::uint8_t type = header[3];
  const std::size_t needed = kFirstDataColumn + 2 * count + 2;
  if (length < needed) {
    return Fail(ConversionFault::RecordCutShort,
                "the record needs " + std::to_string(needed) + " characters for its " +
                    std::to_string(count) + " data bytes and checksum but the line has " +
                    std::to_string(length));
  }
  const auto* digits = reinterpret_cast<const unsigned char*>(text) + kFirstDataColumn;
  std::uint8_t value[255];
  if (!DecodePairs(digits, count, value, sum)) {
    return NotHexadecimal(text, kFirstDataColumn, kFirstDataColumn + 2 * count);
  }
  std::uint8_t checksum = 0;
  if (!DecodePairs(digits + 2 * count, 1, &checksum, sum)) {
    return NotHexadecimal(text, kFirstDataColumn + 2 * count, needed);
  }
  if ((sum & 0xFF) != 0) {
    const auto expected = static_cast<std::uint8_t>(checksum - sum);  // 0 - (sum without it)
    char text_checksum[80];
    std::snprintf(text_checksum, sizeof text_checksum,
                  "the record's checksum is %02X but its bytes give %02X", checksum, expected);
    return Fail(ConversionFault::BadChecksum, text_checksum);
  }
  switch (static_cast<RecordType>(type)) {
    case RecordType::Data:
      return DataRecord(value, count, address);
    case RecordType::EndOfFile:
      ended_ = true;
      return Step::Stop;
    case RecordType::ExtendedLinearAddress:
      if (count < 2) {
        return Fail(ConversionFault::RecordCutShort,
                    "an extended linear address record needs 2 data bytes, not " +
                        std::to_string(count));
      }
      upper_ = static_cast<std::uint64_t>((value[0] << 8) | value[1]) << 16;
      if (!linear_address_seen_) {
        linear_address_seen_ = true;
        first_linear_upper_ = upper_;
      }
      return Step::Continue;
    case RecordType::ExtendedSegmentAddress:
      // objcopy marks every 64 KiB of an image below 1 MiB this way; data
      // after it belongs at segment x 16. Ignoring it would fold the second
      // 64 KiB onto the first.
      if (count < 2) {
        return Fail(ConversionFault::RecordCutShort,
                    "an extended segment address record needs 2 data bytes, not " +
                        std::to_string(count));
      }
      upper_ = static_cast<std::uint64_t>((value[0] << 8) | value[1]) << 4;
      return Step::Continue;
  }
  return Step::Continue;  // start addresses and unknown types
}

void HexDecoder::Finish() {
  if (failed()) return;
  if (!ended_) {
    if (stopped_at_line_ != 0) {
      line_ = stopped_at_line_;
      Fail(ConversionFault::NoEndRecord,
           "the line does not start with ':', so the records end there without an end-of-file "
           "record; the file is cut short or not Intel HEX");
    } else {
      line_ = 0;
      Fail(ConversionFault::NoEndRecord,
           "there is no end-of-file record; the file is cut short or not Intel HEX");
    }
    return;
  }
  if (highest_end_ == 0) {
    line_ = 0;
    Fail(ConversionFault::EmptyImage, "the file holds no data: the image would be empty");
  }
}

std::span<const std::uint8_t> HexDecoder::Image() {
  if (!ended_ || failed()) return {};
  return {area_.data(), static_cast<std::size_t>(highest_end_)};
}

std::string HexDecoder::Note() const {
  if (highest_end_ == total_) return {};
  return "the data records do not cover one range from the image start " + Hex32(base_) +
         " without gaps or overlaps: the image runs to the highest byte written (" +
         std::to_string(highest_end_) + " bytes), 0xFF where no record wrote";
}

ConversionResult Finish(HexDecoder& decoder, const std::string& where) {
  ConversionResult result;
  decoder.Finish();
  if (decoder.failed()) {
    result.fault = decoder.fault();
    result.line = decoder.fault_line();
    result.error = where +
                   (result.line != 0 ? "line " + std::to_string(result.line) + ": " : "") +
                   decoder.fault_text();
    return result;
  }
  result.ok = true;
  result.note = decoder.Note();
  if (!result.note.empty()) result.note_kind = ConversionNote::GapsOrOverlaps;
  result.bytes_written = decoder.Image().size();
  return result;
}

ConversionResult OutOfMemory(const std::string& what) {
  ConversionResult result;
  result.fault = ConversionFault::OutOfMemory;
  result.error = "not enough memory to convert " + what;
  return result;
}

}  // namespace

std::uint8_t HexPairToByte(char high, char low) {
  const auto value = [](char c) -> unsigned {
    const auto code = static_cast<unsigned char>(c);
    const std::uint8_t digit = kDigitValue[code];
    return digit == kNotADigit ? code : digit;
  };
  return static_cast<std::uint8_t>((value(high) * 16 + value(low)) & 0xFF);
}

ConversionResult ConvertHexText(std::string_view text, std::vector<std::uint8_t>& image,
                                std::uint64_t area_limit) {
  image.clear();
  try {
    HexDecoder decoder(area_limit);
    std::size_t position = 0;
    while (position < text.size()) {
      const std::size_t end = std::min(text.find('\n', position), text.size());
      if (decoder.Line(text.data() + position, end - position) == HexDecoder::Step::Stop) break;
      position = end + 1;
    }
    ConversionResult result = Finish(decoder, "");
    if (result.ok) {
      const auto bytes = decoder.Image();
      image.assign(bytes.begin(), bytes.end());
    }
    return result;
  } catch (const std::bad_alloc&) {
    image.clear();
    return OutOfMemory("the Intel HEX text");
  }
}

ConversionResult ConvertHexFile(const std::filesystem::path& source,
                                const std::filesystem::path& image, OnFailure on_failure) {
  const std::string source_text = "Intel HEX file '" + PathText(source) + "'";
  const auto discard = [&] {
    if (on_failure == OnFailure::RemoveImage) DiscardImage(image, source);
  };
  const auto failed = [&](ConversionFault fault, std::string error) {
    discard();
    ConversionResult result;
    result.fault = fault;
    result.error = std::move(error);
    return result;
  };
  try {
    SourceFile file(source, "Intel HEX file");
    if (!file.Open()) return failed(ConversionFault::SourceUnreadable, file.error());

    HexDecoder decoder(kHexMaxImageBytes);
    // Lines are cut out of large blocks; the partial line at a block's end
    // moves to the front and the next read appends to it.
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlock]);
    const char* const chars = reinterpret_cast<const char*>(block.get());
    std::size_t held = 0;
    bool skipping_rest_of_line = false;
    bool stopped = false;
    while (!stopped) {
      const auto got = file.Read({block.get() + held, kBlock - held});
      if (!got) return failed(ConversionFault::SourceUnreadable, file.error());
      const bool at_end = *got < kBlock - held;
      held += *got;

      std::size_t position = 0;
      if (skipping_rest_of_line) {
        const void* feed = std::memchr(chars, '\n', held);
        if (feed == nullptr) {
          held = 0;
          if (at_end) break;
          continue;
        }
        position = static_cast<const char*>(feed) - chars + 1;
        skipping_rest_of_line = false;
      }
      while (!stopped) {
        const void* feed = std::memchr(chars + position, '\n', held - position);
        if (feed == nullptr) break;
        const std::size_t end = static_cast<const char*>(feed) - chars;
        stopped = decoder.Line(chars + position, end - position) == HexDecoder::Step::Stop;
        position = end + 1;
      }
      if (stopped) break;
      if (at_end) {
        if (position < held) decoder.Line(chars + position, held - position);
        break;
      }
      const std::size_t rest = held - position;
      if (rest == kBlock) {
        // A line longer than a whole block: only its start can matter.
        stopped = decoder.Line(chars, kBlock, /*whole=*/false) == HexDecoder::Step::Stop;
        skipping_rest_of_line = true;
        held = 0;
        continue;
      }
      std::memmove(block.get(), block.get() + position, rest);
      held = rest;
    }

    ConversionResult result = Finish(decoder, source_text + ", ");
    if (!result.ok) {
      discard();
      return result;
    }

    ImageFileWriter writer(image);
    if (!writer.Open() || !writer.Write(decoder.Image()) || !writer.Commit()) {
      return failed(ConversionFault::ImageUnwritable, writer.error());
    }
    return result;
  } catch (const std::bad_alloc&) {
    discard();
    return OutOfMemory(source_text);
  }
}

}  // namespace tessary
