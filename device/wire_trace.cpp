// The wire trace writer (TracingLink) and its reader (ParseWireTrace).
#include "device/wire_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace tessary {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string HexId(unsigned value, int digits) {
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    text[static_cast<std::size_t>(i)] = kHexDigits[value & 0xF];
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::vector<std::string_view> SplitOnSpaces(std::string_view line) {
  std::vector<std::string_view> tokens;
  while (!line.empty()) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find(' '), line.size());
    tokens.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return tokens;
}

// "<seconds>.<up to 6 digits>" as microseconds.
std::optional<std::uint64_t> ParseSeconds(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == 0 || dot == std::string_view::npos) return std::nullopt;
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = text.substr(dot + 1);
  if (fraction.empty() || fraction.size() > 6 || whole.size() > 12) return std::nullopt;
  std::uint64_t seconds = 0;
  for (const char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + static_cast<std::uint64_t>(c - '0');
  }
  std::uint64_t micros = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const char c = i < fraction.size() ? fraction[i] : '0';
    if (c < '0' || c > '9') return std::nullopt;
    micros = micros * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return seconds * 1'000'000 + micros;
}

std::optional<TraceRecord> ParseTransferLine(std::string_view line) {
  const std::vector<std::string_view> tokens = SplitOnSpaces(line);
  if (tokens.size() < 2) return std::nullopt;
  TraceRecord record;
  const std::optional<std::uint64_t> time = ParseSeconds(tokens[0]);
  if (!time) return std::nullopt;
  record.time_us = *time;
  if (tokens[1] == "OUT") {
    record.direction = TraceDirection::Out;
  } else if (tokens[1] == "IN") {
    record.direction = TraceDirection::In;
  } else {
    return std::nullopt;
  }
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    if (tokens[i].size() != 2) return std::nullopt;
    const int high = HexValue(tokens[i][0]);
    const int low = HexValue(tokens[i][1]);
    if (high < 0 || low < 0) return std::nullopt;
    record.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return record;
}

}  // namespace

std::vector<TraceRecord> ParseWireTrace(std::istream& in) {
  std::vector<TraceRecord> records;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    if (std::optional<TraceRecord> record = ParseTransferLine(line)) {
      records.push_back(std::move(*record));
    }
  }
  return records;
}

TracingLink::TracingLink(UsbLink& inner, const Clock& clock) : inner_(inner), clock_(clock) {
  inner_.SetPresenceHandler([this](PresenceEvent event) {
    WriteEvent(event == PresenceEvent::Arrived ? "arrived" : "removed");
    if (presence_handler_) presence_handler_(event);
  });
}

TracingLink::TracingLink(UsbLink& inner, const Clock& clock, const std::filesystem::path& path)
    : TracingLink(inner, clock) {
  // Discarded: a trace that cannot start says so in its own error text.
  (void)Start(path);
}

TracingLink::~TracingLink() {
  inner_.SetPresenceHandler(nullptr);
  Stop();
}

bool TracingLink::Start(const std::filesystem::path& path) {
  Stop();
  // Binary mode: the line ends are '\n' on every platform.
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr) {
    last_error_ = "cannot open wire trace file \"" + path.string() + "\": " + std::strerror(errno);
    return false;
  }
  file_.reset(file);
  origin_us_ = clock_.NowMicroseconds();
  last_error_.clear();
  WriteLine("# tessary wire trace 1");
  return Tracing();
}

void TracingLink::Stop() {
  if (!file_) return;
  WriteEvent("stop");
  file_.reset();
}

bool TracingLink::OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) {
  const bool opened = inner_.OpenDevice(vendor_id, product_id);
  if (Tracing()) {
    std::string event = "open " + HexId(vendor_id, 4) + ":" + HexId(product_id, 4);
    if (opened) {
      const PipeIds pipes = inner_.Pipes();
      event += " ok out=" + HexId(pipes.out, 2) + " in=" + HexId(pipes.in, 2);
    } else {
      event += " failed";
    }
    WriteEvent(event);
  }
  return opened;
}

void TracingLink::CloseDevice() {
  inner_.CloseDevice();
  WriteEvent("close");
}

std::size_t TracingLink::WritePipe(std::span<const std::uint8_t> data) {
  const std::size_t accepted = inner_.WritePipe(data);
  WriteTransfer("OUT", data.first(std::min(accepted, data.size())));
  return accepted;
}

std::size_t TracingLink::ReadPipe(std::span<std::uint8_t> buffer) {
  const std::size_t received = inner_.ReadPipe(buffer);
  WriteTransfer("IN", buffer.first(std::min(received, buffer.size())));
  return received;
}

void TracingLink::FlushInPipe() {
  inner_.FlushInPipe();
  WriteEvent("flush");
}

void TracingLink::SetPresenceHandler(std::function<void(PresenceEvent)> handler) {
  presence_handler_ = std::move(handler);
}

std::string TracingLink::Timestamp() const {
  const std::uint64_t elapsed = clock_.NowMicroseconds() - origin_us_;
  std::string micros = std::to_string(elapsed % 1'000'000);
  micros.insert(0, 6 - micros.size(), '0');
  return std::to_string(elapsed / 1'000'000) + "." + micros;
}

void TracingLink::WriteTransfer(std::string_view direction, std::span<const std::uint8_t> bytes) {
  if (!Tracing()) return;
  std::string line = Timestamp();
  line += ' ';
  line += direction;
  line.reserve(line.size() + bytes.size() * 3);
  for (const std::uint8_t byte : bytes) {
    line += ' ';
    line += kHexDigits[byte >> 4];
    line += kHexDigits[byte & 0xF];
  }
  WriteLine(line);
}

void TracingLink::WriteEvent(std::string_view event) {
  if (!Tracing()) return;
  WriteLine("# " + Timestamp() + " " + std::string(event));
}

void TracingLink::WriteLine(const std::string& line) {
  if (!file_) return;
  // Flushed line by line so that a crash or a pulled cable keeps everything
  // up to the last transfer.
  if (std::fputs(line.c_str(), file_.get()) < 0 || std::fputc('\n', file_.get()) == EOF ||
      std::fflush(file_.get()) != 0) {
    last_error_ = std::string("cannot write wire trace: ") + std::strerror(errno);
    file_.reset();
  }
}

}  // namespace tessary
