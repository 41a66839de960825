// The transport to a real programmer, over libusb-1.0. The decisions that do
// not need hardware (which device to open, which endpoints become the pipes,
// what a libusb error means for the open, how presence notices become events)
// are plain functions and classes so they can be tested without a bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

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

// An endpoint as its descriptor gives it (bEndpointAddress, bmAttributes,
// wMaxPacketSize).
struct RawEndpoint {
  std::uint8_t address = 0;
  std::uint8_t attributes = 0;
  std::uint16_t max_packet_size = 0;
};

// The transfer type in bits 0..1 of bmAttributes.
[[nodiscard]] EndpointType EndpointTypeFromAttributes(std::uint8_t attributes);

struct LibusbPipes {
  PipeIds ids;
  // The write pipe is an interrupt endpoint and needs interrupt transfers.
  bool out_is_interrupt = false;
  // Packet size of the read pipe (bits 0..10 of its wMaxPacketSize); 0 when
  // no listed endpoint is the read pipe.
  std::size_t in_packet_size = 0;
};

// Classifies alternate setting 0's endpoints by the usual rules
// (ClassifyEndpoints) and remembers which transfer the write pipe needs.
[[nodiscard]] std::optional<LibusbPipes> ClassifyRawEndpoints(
    std::span<const RawEndpoint> endpoints);

// The classified pipes can carry the protocol: the read pipe is a listed bulk
// IN endpoint with a packet size, and the write pipe a listed endpoint of OUT
// direction. The placeholders left when an endpoint is missing fail this, so
// a read never goes out as an OUT transfer and a write never as a read.
[[nodiscard]] bool PipesUsable(std::span<const RawEndpoint> endpoints, const LibusbPipes& pipes);

// What a libusb error code met while opening (libusb_open, claiming the
// interface, reading its descriptors) means for the open.
[[nodiscard]] UsbOpenResult OpenResultFromLibusbError(int error);

// The length of a read of `wanted` bytes on a pipe with this packet size: a
// whole number of packets, so the device can never send more than the
// transfer holds (which ends it in an overflow and loses the packet).
[[nodiscard]] std::size_t RoundUpToPackets(std::size_t wanted, std::size_t packet_size);

// Turns hot-plug notices, bus polls and transfers that lost the device into
// the arrival and removal events the connection sees. Every departure is
// reported once: when a transfer has already reported the open device lost,
// the notice or poll that later sees it leave adds no second removal (which
// could otherwise close the next link, opened in between).
class PresenceTracker {
 public:
  // Only the device at `where` counts (nullopt: any device with the IDs).
  void Follow(std::optional<UsbLocation> where) { followed_ = where; }
  void Arrived(UsbLocation where);
  void Left(UsbLocation where);
  // The first poll: what the bus shows at start is not an arrival.
  void StartPolling(std::optional<UsbLocation> first_match);
  // A later poll with the location of the first matching device, if any. A
  // device that left and came back within one poll has a new address and
  // is reported as a removal followed by an arrival.
  void Polled(std::optional<UsbLocation> first_match);
  // A transfer found the device at `where` gone, or it stopped taking data.
  void LinkLost(UsbLocation where);
  // The events so far, oldest first; the tracker keeps none of them.
  [[nodiscard]] std::deque<PresenceEvent> TakeEvents();

 private:
  void Removed(UsbLocation where);

  [[nodiscard]] bool Ignored(UsbLocation where) const { return followed_ && *followed_ != where; }

  std::deque<PresenceEvent> events_;
  std::optional<UsbLocation> followed_;
  std::optional<UsbLocation> polled_;
  // The device whose loss a transfer has reported and whose departure is
  // still to come.
  std::optional<UsbLocation> lost_;
};

class LibusbLink final : public UsbLink {
 public:
  // Presence is followed for the given IDs. When libusb cannot start (no USB
  // access at all), the link still exists: every open fails with
  // UsbUnavailable and no presence event ever comes.
  explicit LibusbLink(const Clock& clock, std::uint16_t watch_vendor_id = kProgrammerVendorId,
                      std::uint16_t watch_product_id = kProgrammerProductId);
  ~LibusbLink() override;
  LibusbLink(const LibusbLink&) = delete;
  LibusbLink& operator=(const LibusbLink&) = delete;

  // A programmer (the standard vendor and product ID) is on the bus. Says
  // nothing about whether it can be opened.
  [[nodiscard]] static bool ProgrammerPresent();

  // Opens, claims interface 0 (detaching a kernel driver where the platform
  // allows) and checks the pipes; LastOpenResult() says how it ended.
  [[nodiscard]] bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override;
  [[nodiscard]] UsbOpenResult LastOpenResult() const override { return last_open_result_; }
  [[nodiscard]] std::vector<UsbLocation> ListDevices(std::uint16_t vendor_id,
                                                    std::uint16_t product_id) override;
  bool ChooseDevice(std::optional<UsbLocation> where) override;
  void CloseDevice() override;
  // Stays true after the device was lost, until CloseDevice; transfers on a
  // lost link return 0 at once.
  [[nodiscard]] bool HasDevice() const override { return handle_ != nullptr; }
  [[nodiscard]] PipeIds Pipes() const override { return pipes_; }

  // Bounded by kOutPipeTimeoutMs. A write that times out, or finds the device
  // gone, loses the link: one removal event follows.
  [[nodiscard]] std::size_t WritePipe(std::span<const std::uint8_t> data) override;
  // Bytes kept from an earlier read come first, without a transfer. Otherwise
  // one transfer of whole packets, bounded by kInPipeTimeoutMs; what arrived
  // counts also when a timeout, an overflow or a stall ended it, and bytes
  // beyond buffer.size() are kept for the next read. A stall is cleared once
  // (the read still reports what it got); a device found gone loses the link.
  [[nodiscard]] std::size_t ReadPipe(std::span<std::uint8_t> buffer) override;
  // Discards the kept bytes, then reads and discards while data arrives.
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

  [[nodiscard]] UsbOpenResult Open(std::uint16_t vendor_id, std::uint16_t product_id);
  [[nodiscard]] std::optional<UsbLocation> FirstMatchLocation() const;
  void PollPresence();
  // What a finished transfer's code means for the link: a stall is cleared,
  // a device found gone loses the link.
  void AfterTransfer(int rc, std::uint8_t endpoint);
  void LoseLink();
  [[nodiscard]] std::size_t TakeKeptBytes(std::span<std::uint8_t> buffer);

  const Clock& clock_;
  std::uint16_t watch_vendor_id_;
  std::uint16_t watch_product_id_;
  std::unique_ptr<libusb_context, ContextCloser> context_;
  std::unique_ptr<libusb_device_handle, HandleCloser> handle_;
  UsbOpenResult last_open_result_ = UsbOpenResult::NotFound;
  PipeIds pipes_{};
  bool out_is_interrupt_ = false;
  std::size_t in_packet_size_ = 0;
  UsbLocation location_{};
  std::optional<UsbLocation> chosen_;
  bool link_lost_ = false;

  // Reads that are not a whole number of packets land here; the bytes in
  // [kept_begin_, kept_end_) arrived beyond what their read asked for.
  std::vector<std::uint8_t> read_buffer_;
  std::size_t kept_begin_ = 0;
  std::size_t kept_end_ = 0;

  std::function<void(PresenceEvent)> presence_handler_;
  // Filled by the hot-plug callback, the poll and lost links; emptied by
  // ServiceEvents.
  PresenceTracker presence_;
  std::optional<int> hotplug_handle_;
  std::uint64_t last_poll_us_ = 0;
};

}  // namespace tessary
