// The transport to one programmer: find it, open it, move raw byte blocks
// over its OUT and IN pipes. Knows nothing of frames. Implemented over
// libusb (LibusbLink), by the simulated programmer (sim/SimulatedLink), and
// wrapped by the wire trace (TracingLink).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace tessary {

inline constexpr std::uint16_t kProgrammerVendorId = 0x1A86;
inline constexpr std::uint16_t kProgrammerProductId = 0x4567;
inline constexpr unsigned kInPipeTimeoutMs = 2000;

// Endpoint addresses used by every write and read. The reset values are
// placeholders; an open always overwrites them from the descriptors.
struct PipeIds {
  std::uint8_t out = 1;
  std::uint8_t in = 2;
  friend bool operator==(const PipeIds&, const PipeIds&) = default;
};

enum class EndpointType : std::uint8_t { Control, Isochronous, Bulk, Interrupt };

struct EndpointDescriptor {
  std::uint8_t address;  // bit 0x80 set: IN
  EndpointType type;
};

// Classifies the endpoints of alternate setting 0, in order: bulk IN becomes
// the read pipe; bulk OUT and interrupt endpoints of either direction become
// the write pipe (a later one overwrites an earlier one); any other type
// fails the open.
[[nodiscard]] std::optional<PipeIds> ClassifyEndpoints(std::span<const EndpointDescriptor> endpoints);

// The 16-bit hexadecimal number written in the 4 characters after `tag`
// ("VID_" or "PID_") in a hardware-ID text; 0 when the tag does not occur or
// the 4 characters are not all hexadecimal digits.
[[nodiscard]] std::uint16_t ParseHardwareIdField(std::string_view text, std::string_view tag);

enum class PresenceEvent : std::uint8_t { Arrived, Removed };

class UsbLink {
 public:
  virtual ~UsbLink() = default;

  // Opens the first present device with this vendor and product ID; only
  // that one is tried. True when it was opened and its pipes classified.
  [[nodiscard]] virtual bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) = 0;

  // Releases the device. Harmless when nothing is open.
  virtual void CloseDevice() = 0;

  // A device handle exists.
  [[nodiscard]] virtual bool HasDevice() const = 0;

  // The pipes found by the last successful open.
  [[nodiscard]] virtual PipeIds Pipes() const = 0;

  // Bytes the device accepted; 0 on failure.
  [[nodiscard]] virtual std::size_t WritePipe(std::span<const std::uint8_t> data) = 0;

  // One read of at most buffer.size() bytes, bounded by the IN pipe's 2000 ms
  // timeout. Bytes received (what arrived before a timeout counts); 0 on
  // failure or when nothing arrived.
  [[nodiscard]] virtual std::size_t ReadPipe(std::span<std::uint8_t> buffer) = 0;

  // Discards whatever is waiting in the IN pipe.
  virtual void FlushInPipe() = 0;

  // Arrival and removal of programmers. The handler is called from
  // ServiceEvents(), never from inside another call of the link.
  virtual void SetPresenceHandler(std::function<void(PresenceEvent)> handler) = 0;

  // Delivers pending arrival/removal events. Called from the event pump.
  virtual void ServiceEvents() = 0;
};

}  // namespace tessary
