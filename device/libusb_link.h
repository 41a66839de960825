// The transport to a real programmer, over libusb-1.0. The decisions that do
// not need hardware (which device to open, which endpoints become the pipes)
// are plain functions over descriptors so they can be tested without a bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "base/clock.h"
#include "device/usb_link.h"

struct libusb_context;
struct libusb_device_handle;

namespace tessary {

// The IDs of one device on the bus, as listed in enumeration order.
struct UsbDeviceIds {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
};

// The device an open tries: the first whose IDs both match. Only that one is
// ever tried; when opening it fails, later matches are left alone, so a second
// programmer on the bus never gets commands meant for the first.
[[nodiscard]] std::optional<std::size_t> FirstMatchingDevice(std::span<const UsbDeviceIds> devices,
                                                             std::uint16_t vendor_id,
                                                             std::uint16_t product_id);

// An endpoint as its descriptor gives it (bEndpointAddress, bmAttributes).
struct RawEndpoint {
  std::uint8_t address = 0;
  std::uint8_t attributes = 0;
};

// The transfer type in bits 0..1 of bmAttributes.
[[nodiscard]] EndpointType EndpointTypeFromAttributes(std::uint8_t attributes);

struct LibusbPipes {
  PipeIds ids;
  // The write pipe is an interrupt endpoint and needs interrupt transfers.
  bool out_is_interrupt = false;
};

// Classifies alternate setting 0's endpoints by the usual rules
// (ClassifyEndpoints) and remembers which transfer the write pipe needs.
[[nodiscard]] std::optional<LibusbPipes> ClassifyRawEndpoints(
    std::span<const RawEndpoint> endpoints);

class LibusbLink final : public UsbLink {
 public:
  // Presence is followed for the given IDs. When libusb cannot start (no USB
  // access at all), the link still exists: every open fails and no presence
  // event ever comes.
  explicit LibusbLink(const Clock& clock, std::uint16_t watch_vendor_id = kProgrammerVendorId,
                      std::uint16_t watch_product_id = kProgrammerProductId);
  ~LibusbLink() override;
  LibusbLink(const LibusbLink&) = delete;
  LibusbLink& operator=(const LibusbLink&) = delete;

  // A programmer (the standard vendor and product ID) is on the bus.
  [[nodiscard]] static bool ProgrammerPresent();

  [[nodiscard]] bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override;
  void CloseDevice() override;
  [[nodiscard]] bool HasDevice() const override { return handle_ != nullptr; }
  [[nodiscard]] PipeIds Pipes() const override { return pipes_; }

  // No timeout on the write pipe: the device paces it.
  [[nodiscard]] std::size_t WritePipe(std::span<const std::uint8_t> data) override;
  // Returns what arrived within kInPipeTimeoutMs, also when the timeout cut
  // a longer transfer short.
  [[nodiscard]] std::size_t ReadPipe(std::span<std::uint8_t> buffer) override;
  // Reads and discards until the device has nothing more to send.
  void FlushInPipe() override;

  void SetPresenceHandler(std::function<void(PresenceEvent)> handler) override;
  // Lets libusb run its pending work (without blocking), polls the bus when
  // hot-plug is unavailable, then hands queued events to the handler.
  void ServiceEvents() override;

 private:
  struct ContextCloser {
    void operator()(libusb_context* context) const;
  };
  // Gives the interface back (the kernel driver returns to it) and closes.
  struct HandleCloser {
    void operator()(libusb_device_handle* handle) const;
  };

  [[nodiscard]] bool MatchingDevicePresent() const;
  void PollPresence();

  const Clock& clock_;
  std::uint16_t watch_vendor_id_;
  std::uint16_t watch_product_id_;
  std::unique_ptr<libusb_context, ContextCloser> context_;
  std::unique_ptr<libusb_device_handle, HandleCloser> handle_;
  PipeIds pipes_{};
  bool out_is_interrupt_ = false;

  std::function<void(PresenceEvent)> presence_handler_;
  // Filled by the hot-plug callback or the poll; emptied by ServiceEvents.
  std::deque<PresenceEvent> pending_events_;
  std::optional<int> hotplug_handle_;
  bool last_seen_present_ = false;
  std::uint64_t last_poll_us_ = 0;
};

}  // namespace tessary
