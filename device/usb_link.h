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
#include <vector>

namespace tessary {

inline constexpr std::uint16_t kProgrammerVendorId = 0x1A86;
inline constexpr std::uint16_t kProgrammerProductId = 0x4567;
inline constexpr unsigned kInPipeTimeoutMs = 2000;
// The OUT pipe's timeout. The programmer paces a data stream by taking the
// next block only when the chip has stored the last one; the slowest chips
// (93-series EEPROM, written byte by byte at up to 10 ms each) need about
// 10 s for a 1024-byte block. A write still waiting after this long means
// the programmer has stopped and the link is lost.
inline constexpr unsigned kOutPipeTimeoutMs = 15000;

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

// Where a device sits on the bus. A device that leaves and comes back (a
// replug, a firmware update's restart) gets a new address.
struct UsbLocation {
  std::uint8_t bus = 0;
  std::uint8_t address = 0;
  friend bool operator==(const UsbLocation&, const UsbLocation&) = default;
};

// How the last open ended.
enum class UsbOpenResult : std::uint8_t {
  Opened,
  NotFound,           // no device with the IDs on the bus
  AccessDenied,       // the device node may not be opened (no udev rule)
  Busy,               // another program or a kernel driver holds the interface
  Disconnected,       // the device left the bus while it was being opened
  NoUsableEndpoints,  // no bulk IN pipe, or no OUT-direction write pipe
  UsbUnavailable,     // the USB library could not start
  UsbError,           // the USB library failed for another reason
};

// The reason as one sentence for the operation log.
[[nodiscard]] constexpr std::string_view UsbOpenResultText(UsbOpenResult result) {
  switch (result) {
    case UsbOpenResult::Opened:
      return "Programmer opened";
    case UsbOpenResult::NotFound:
      return "No programmer on the USB bus";
    case UsbOpenResult::AccessDenied:
      return "Programmer found, but this user may not open it: install the udev rule "
             "70-tessary.rules (see README, \"Install\"), then unplug it and plug it in again";
    case UsbOpenResult::Busy:
      return "Programmer found, but another program or driver is using it";
    case UsbOpenResult::Disconnected:
      return "The programmer left the USB bus while it was being opened";
    case UsbOpenResult::NoUsableEndpoints:
      return "The USB device lacks the programmer's bulk IN and OUT endpoints";
    case UsbOpenResult::UsbUnavailable:
      return "USB access is unavailable (the USB library could not start)";
    case UsbOpenResult::UsbError:
      return "Programmer found, but opening it failed with a USB error";
  }
  return "Unknown USB open result";
}

class UsbLink {
 public:
  virtual ~UsbLink() = default;

  // Opens the first present device with this vendor and product ID (or the
  // chosen one, see ChooseDevice); only that one is tried. True when it was opened and its pipes classified;
  // LastOpenResult() says why not.
  [[nodiscard]] virtual bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) = 0;

  // Where every present device with these IDs sits, in the order an open
  // without a choice tries them (the first is the one used). A link that
  // cannot tell lists nothing.
  [[nodiscard]] virtual std::vector<UsbLocation> ListDevices(std::uint16_t /*vendor_id*/,
                                                            std::uint16_t /*product_id*/) {
    return {};
  }

  // Makes the next opens take the device at `where` instead of the first
  // one (nullopt: the first one again); presence then follows that device
  // only. False when the link cannot choose.
  virtual bool ChooseDevice(std::optional<UsbLocation> /*where*/) { return false; }

  // How the last OpenDevice ended. A link that cannot tell the reasons
  // apart reports every failure as NotFound.
  [[nodiscard]] virtual UsbOpenResult LastOpenResult() const {
    return HasDevice() ? UsbOpenResult::Opened : UsbOpenResult::NotFound;
  }

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
