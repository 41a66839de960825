// The libusb transport: device selection, the claimed interface, transfers
// and presence events.
#include "device/libusb_link.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>
#include <vector>

namespace tessary {

std::optional<std::size_t> FirstMatchingDevice(std::span<const UsbDeviceIds> devices,
                                               std::uint16_t vendor_id, std::uint16_t product_id) {
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (devices[i].vendor_id == vendor_id && devices[i].product_id == product_id) return i;
  }
  return std::nullopt;
}

EndpointType EndpointTypeFromAttributes(std::uint8_t attributes) {
  switch (attributes & LIBUSB_TRANSFER_TYPE_MASK) {
    case LIBUSB_TRANSFER_TYPE_CONTROL:
      return EndpointType::Control;
    case LIBUSB_TRANSFER_TYPE_ISOCHRONOUS:
      return EndpointType::Isochronous;
    case LIBUSB_TRANSFER_TYPE_BULK:
      return EndpointType::Bulk;
    default:
      return EndpointType::Interrupt;
  }
}

std::optional<LibusbPipes> ClassifyRawEndpoints(std::span<const RawEndpoint> endpoints) {
  std::vector<EndpointDescriptor> typed;
  typed.reserve(endpoints.size());
  for (const RawEndpoint& endpoint : endpoints) {
    typed.push_back({endpoint.address, EndpointTypeFromAttributes(endpoint.attributes)});
  }
  const std::optional<PipeIds> ids = ClassifyEndpoints(typed);
  if (!ids) return std::nullopt;

  // The write pipe was set by the last bulk OUT or interrupt endpoint listed;
  // its type decides the transfer used for writes.
  LibusbPipes pipes{*ids, false};
  for (const EndpointDescriptor& endpoint : typed) {
    if (endpoint.type == EndpointType::Interrupt) {
      pipes.out_is_interrupt = true;
    } else if (endpoint.type == EndpointType::Bulk && !(endpoint.address & 0x80)) {
      pipes.out_is_interrupt = false;
    }
  }
  return pipes;
}

namespace {

// The 500 ms between bus polls when the platform cannot report hot-plug:
// quick enough for a cable being plugged in, cheap enough for the event pump.
constexpr std::uint64_t kPresencePollIntervalUs = 500'000;

// Flushing reads with a short timeout: a device with nothing queued answers
// nothing at once, so 10 ms ends the flush without stalling the caller.
constexpr unsigned kFlushReadTimeoutMs = 10;
// A device that keeps streaming must not hold the flush forever.
constexpr int kMaxFlushReads = 64;
// A multiple of every bulk packet size, so a flushing read never overflows.
constexpr std::size_t kFlushBufferSize = 4096;

class DeviceList {
 public:
  explicit DeviceList(libusb_context* context) {
    const ssize_t count = libusb_get_device_list(context, &list_);
    count_ = count > 0 ? static_cast<std::size_t>(count) : 0;
  }
  ~DeviceList() {
    if (list_ != nullptr) libusb_free_device_list(list_, 1);
  }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;

  [[nodiscard]] std::span<libusb_device* const> devices() const { return {list_, count_}; }

  // One entry per device, in list order; a device whose descriptor cannot
  // be read gets IDs 0 and so never matches.
  [[nodiscard]] std::vector<UsbDeviceIds> Ids() const {
    std::vector<UsbDeviceIds> ids;
    ids.reserve(count_);
    for (libusb_device* device : devices()) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(device, &descriptor) == 0) {
        ids.push_back({descriptor.idVendor, descriptor.idProduct});
      } else {
        ids.push_back({});
      }
    }
    return ids;
  }

 private:
  libusb_device** list_ = nullptr;
  std::size_t count_ = 0;
};

struct ConfigCloser {
  void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};

// The endpoints of interface 0, alternate setting 0, in descriptor order.
std::optional<std::vector<RawEndpoint>> InterfaceZeroEndpoints(libusb_device* device) {
  libusb_config_descriptor* raw_config = nullptr;
  if (libusb_get_active_config_descriptor(device, &raw_config) != 0) return std::nullopt;
  const std::unique_ptr<libusb_config_descriptor, ConfigCloser> config(raw_config);
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    for (int j = 0; j < interface.num_altsetting; ++j) {
      const libusb_interface_descriptor& setting = interface.altsetting[j];
      if (setting.bInterfaceNumber != 0 || setting.bAlternateSetting != 0) continue;
      std::vector<RawEndpoint> endpoints;
      for (int k = 0; k < setting.bNumEndpoints; ++k) {
        endpoints.push_back(
            {setting.endpoint[k].bEndpointAddress, setting.endpoint[k].bmAttributes});
      }
      return endpoints;
    }
  }
  return std::nullopt;
}

int LIBUSB_CALL QueuePresenceEvent(libusb_context*, libusb_device*, libusb_hotplug_event event,
                                   void* user_data) {
  // Runs inside libusb_handle_events on the caller's thread; the handler is
  // only called later, from ServiceEvents, so it may reopen or close freely.
  auto* queue = static_cast<std::deque<PresenceEvent>*>(user_data);
  queue->push_back(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED ? PresenceEvent::Arrived
                                                                : PresenceEvent::Removed);
  return 0;  // stay registered
}

int TransferLength(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

void LibusbLink::ContextCloser::operator()(libusb_context* context) const { libusb_exit(context); }

void LibusbLink::HandleCloser::operator()(libusb_device_handle* handle) const {
  // Fails harmlessly when the claim itself had failed.
  (void)libusb_release_interface(handle, 0);
  libusb_close(handle);
}

LibusbLink::LibusbLink(const Clock& clock, std::uint16_t watch_vendor_id,
                       std::uint16_t watch_product_id)
    : clock_(clock), watch_vendor_id_(watch_vendor_id), watch_product_id_(watch_product_id) {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != 0) return;
  context_.reset(context);

  if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0) {
    libusb_hotplug_callback_handle callback = 0;
    const int rc = libusb_hotplug_register_callback(
        context, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
        LIBUSB_HOTPLUG_NO_FLAGS, watch_vendor_id_, watch_product_id_, LIBUSB_HOTPLUG_MATCH_ANY,
        QueuePresenceEvent, &pending_events_, &callback);
    if (rc == LIBUSB_SUCCESS) hotplug_handle_ = callback;
  }
  if (!hotplug_handle_) {
    // Polling reports changes only: a programmer already present at start
    // is found by the connection's own scan, not announced as an arrival.
    last_seen_present_ = MatchingDevicePresent();
    last_poll_us_ = clock_.NowMicroseconds();
  }
}

LibusbLink::~LibusbLink() {
  if (hotplug_handle_) libusb_hotplug_deregister_callback(context_.get(), *hotplug_handle_);
  handle_.reset();  // before the context goes
}

bool LibusbLink::ProgrammerPresent() {
  libusb_context* raw = nullptr;
  if (libusb_init(&raw) != 0) return false;
  const std::unique_ptr<libusb_context, ContextCloser> context(raw);
  const DeviceList list(context.get());
  return FirstMatchingDevice(list.Ids(), kProgrammerVendorId, kProgrammerProductId).has_value();
}

bool LibusbLink::OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) {
  CloseDevice();
  if (!context_) return false;

  const DeviceList list(context_.get());
  const std::optional<std::size_t> index = FirstMatchingDevice(list.Ids(), vendor_id, product_id);
  if (!index) return false;
  libusb_device* device = list.devices()[*index];

  libusb_device_handle* raw = nullptr;
  if (libusb_open(device, &raw) != 0) return false;
  std::unique_ptr<libusb_device_handle, HandleCloser> handle(raw);
  // Not supported where no kernel driver can hold the interface; the claim
  // below then tells whether the interface is free.
  (void)libusb_set_auto_detach_kernel_driver(raw, 1);
  if (libusb_claim_interface(raw, 0) != 0) return false;

  const std::optional<std::vector<RawEndpoint>> endpoints = InterfaceZeroEndpoints(device);
  if (!endpoints) return false;
  const std::optional<LibusbPipes> pipes = ClassifyRawEndpoints(*endpoints);
  if (!pipes) return false;

  handle_ = std::move(handle);
  pipes_ = pipes->ids;
  out_is_interrupt_ = pipes->out_is_interrupt;
  return true;
}

void LibusbLink::CloseDevice() {
  handle_.reset();
  pipes_ = PipeIds{};
  out_is_interrupt_ = false;
}

std::size_t LibusbLink::WritePipe(std::span<const std::uint8_t> data) {
  // An interrupt IN endpoint may have become the write pipe; a transfer on
  // it would read into the caller's constant data, so it carries nothing.
  if (!handle_ || data.empty() || (pipes_.out & LIBUSB_ENDPOINT_IN)) return 0;
  // libusb takes a mutable pointer for both directions; OUT never writes it.
  auto* bytes = const_cast<unsigned char*>(data.data());
  int transferred = 0;
  const int rc = out_is_interrupt_
                     ? libusb_interrupt_transfer(handle_.get(), pipes_.out, bytes,
                                                 TransferLength(data.size()), &transferred, 0)
                     : libusb_bulk_transfer(handle_.get(), pipes_.out, bytes,
                                            TransferLength(data.size()), &transferred, 0);
  return rc == LIBUSB_SUCCESS ? static_cast<std::size_t>(transferred) : 0;
}

std::size_t LibusbLink::ReadPipe(std::span<std::uint8_t> buffer) {
  if (!handle_ || buffer.empty()) return 0;
  int transferred = 0;
  const int rc =
      libusb_bulk_transfer(handle_.get(), pipes_.in, buffer.data(), TransferLength(buffer.size()),
                           &transferred, kInPipeTimeoutMs);
  if (rc == LIBUSB_SUCCESS || rc == LIBUSB_ERROR_TIMEOUT) {
    return static_cast<std::size_t>(transferred);
  }
  return 0;
}

// Draining rather than libusb_clear_halt: a clear-halt resets the data
// toggle, and firmware that does not reset its own toggle on that request
// silently drops the next packet; it also leaves a reply already sitting in
// the device's FIFO to be read as the answer to the next command. Reading
// until nothing comes works with any firmware.
void LibusbLink::FlushInPipe() {
  if (!handle_) return;
  std::array<std::uint8_t, kFlushBufferSize> scratch{};
  for (int i = 0; i < kMaxFlushReads; ++i) {
    int transferred = 0;
    const int rc =
        libusb_bulk_transfer(handle_.get(), pipes_.in, scratch.data(),
                             static_cast<int>(scratch.size()), &transferred, kFlushReadTimeoutMs);
    if (rc != LIBUSB_SUCCESS || transferred == 0) return;
  }
}

void LibusbLink::SetPresenceHandler(std::function<void(PresenceEvent)> handler) {
  presence_handler_ = std::move(handler);
}

void LibusbLink::ServiceEvents() {
  if (context_) {
    timeval no_wait{0, 0};
    (void)libusb_handle_events_timeout_completed(context_.get(), &no_wait, nullptr);
    if (!hotplug_handle_) PollPresence();
  }
  // Taken out first: the handler may open or close the device, and a poll
  // inside that must not disturb the events being delivered.
  std::deque<PresenceEvent> events;
  events.swap(pending_events_);
  for (const PresenceEvent event : events) {
    if (presence_handler_) presence_handler_(event);
  }
}

bool LibusbLink::MatchingDevicePresent() const {
  const DeviceList list(context_.get());
  return FirstMatchingDevice(list.Ids(), watch_vendor_id_, watch_product_id_).has_value();
}

void LibusbLink::PollPresence() {
  const std::uint64_t now = clock_.NowMicroseconds();
  if (now - last_poll_us_ < kPresencePollIntervalUs) return;
  last_poll_us_ = now;
  const bool present = MatchingDevicePresent();
  if (present == last_seen_present_) return;
  last_seen_present_ = present;
  pending_events_.push_back(present ? PresenceEvent::Arrived : PresenceEvent::Removed);
}

}  // namespace tessary
