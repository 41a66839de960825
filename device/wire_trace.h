// The wire trace: a UsbLink that passes every call to another link and, while
// tracing, writes each transfer and link event to a text file. Users attach
// these files to hardware problem reports and tools read them back, so the
// format below is fixed.
//
// One line per record, '\n' terminated, flushed as soon as it is written:
//
//   <seconds> OUT[ <hex bytes>]
//   <seconds> IN[ <hex bytes>]
//   # <seconds> <event>
//
// <seconds>   time since tracing started, from the program's Clock, as
//             whole seconds, '.', and exactly 6 digits of microseconds
//             ("0.012345", "12.000500"). Taken when the transfer returned.
// OUT / IN    a write to the OUT pipe, a read from the IN pipe.
// hex bytes   the bytes that crossed the wire (for OUT those the device
//             accepted, for IN those received), each as two upper-case hex
//             digits, separated by single spaces. A transfer that moved
//             nothing (failed write, read timeout) has none and ends right
//             after OUT or IN: "0.012345 IN".
//
// Lines starting with '#' are comments and events; readers skip them. The
// first line is "# tessary wire trace 1" (1: format version). Events:
//   # <seconds> open VVVV:PPPP ok out=OO in=II   (IDs and pipes in hex)
//   # <seconds> open VVVV:PPPP failed
//   # <seconds> close
//   # <seconds> flush
//   # <seconds> arrived            (a programmer appeared on the bus)
//   # <seconds> removed            (a programmer left the bus)
//   # <seconds> stop               (written when tracing stops)
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "device/usb_link.h"

namespace tessary {

enum class TraceDirection : std::uint8_t { Out, In };

struct TraceRecord {
  std::uint64_t time_us = 0;  // since tracing started
  TraceDirection direction = TraceDirection::Out;
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const TraceRecord&, const TraceRecord&) = default;
};

// The transfers of a trace, in file order. Comment/event lines, blank lines
// and lines that are not transfers are skipped; "\r\n" endings are accepted.
[[nodiscard]] std::vector<TraceRecord> ParseWireTrace(std::istream& in);

class TracingLink final : public UsbLink {
 public:
  // Not tracing until Start. Takes over the inner link's presence handler,
  // so presence events are traced and then passed to this link's handler.
  TracingLink(UsbLink& inner, const Clock& clock);
  // Starts tracing into `path` at once; see Tracing() and LastError().
  TracingLink(UsbLink& inner, const Clock& clock, const std::filesystem::path& path);
  ~TracingLink() override;
  TracingLink(const TracingLink&) = delete;
  TracingLink& operator=(const TracingLink&) = delete;

  // Starts a new trace (replacing the file, ending any current trace); time
  // counts from here. False, with LastError() set and tracing off, when the
  // file cannot be opened.
  [[nodiscard]] bool Start(const std::filesystem::path& path);
  void Stop();
  [[nodiscard]] bool Tracing() const { return file_ != nullptr; }
  // Why the last Start failed, or why tracing stopped by itself (a write
  // failed); empty otherwise.
  [[nodiscard]] const std::string& LastError() const { return last_error_; }

  [[nodiscard]] bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override;
  [[nodiscard]] UsbOpenResult LastOpenResult() const override { return inner_.LastOpenResult(); }
  [[nodiscard]] std::vector<UsbLocation> ListDevices(std::uint16_t vendor_id,
                                                    std::uint16_t product_id) override {
    return inner_.ListDevices(vendor_id, product_id);
  }
  bool ChooseDevice(std::optional<UsbLocation> where) override { return inner_.ChooseDevice(where); }
  void CloseDevice() override;
  [[nodiscard]] bool HasDevice() const override { return inner_.HasDevice(); }
  [[nodiscard]] PipeIds Pipes() const override { return inner_.Pipes(); }
  [[nodiscard]] std::size_t WritePipe(std::span<const std::uint8_t> data) override;
  [[nodiscard]] std::size_t ReadPipe(std::span<std::uint8_t> buffer) override;
  void FlushInPipe() override;
  void SetPresenceHandler(std::function<void(PresenceEvent)> handler) override;
  void ServiceEvents() override { inner_.ServiceEvents(); }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  [[nodiscard]] std::string Timestamp() const;
  void WriteTransfer(std::string_view direction, std::span<const std::uint8_t> bytes);
  void WriteEvent(std::string_view event);
  void WriteLine(const std::string& line);

  UsbLink& inner_;
  const Clock& clock_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::uint64_t origin_us_ = 0;
  std::string last_error_;
  std::function<void(PresenceEvent)> presence_handler_;
};

}  // namespace tessary
