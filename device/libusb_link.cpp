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
  LibusbPipes pipes{*ids, false, 0};
  for (const EndpointDescriptor& endpoint : typed) {
    if (endpoint.type == EndpointType::Interrupt) {
      pipes.out_is_interrupt = true;
    } else if (endpoint.type == EndpointType::Bulk && !(endpoint.address & 0x80)) {
      pipes.out_is_interrupt = false;
    }
  }
  for (const RawEndpoint& endpoint : endpoints) {
    if (endpoint.address == pipes.ids.in &&
        EndpointTypeFromAttributes(endpoint.attributes) == EndpointType::Bulk) {
      pipes.in_packet_size = endpoint.max_packet_size & 0x7FFu;
    }
  }
  return pipes;
}

bool PipesUsable(std::span<const RawEndpoint> endpoints, const LibusbPipes& pipes) {
  const auto listed = [&](std::uint8_t address) {
    return std::any_of(endpoints.begin(), endpoints.end(),
                       [&](const RawEndpoint& endpoint) { return endpoint.address == address; });
  };
  const bool read_pipe_ok =
      (pipes.ids.in & LIBUSB_ENDPOINT_IN) != 0 && listed(pipes.ids.in) && pipes.in_packet_size > 0;
  const bool write_pipe_ok = (pipes.ids.out & LIBUSB_ENDPOINT_IN) == 0 && listed(pipes.ids.out);
  return read_pipe_ok && write_pipe_ok;
}

UsbOpenResult OpenResultFromLibusbError(int error) {
  switch (error) {
    case LIBUSB_SUCCESS:
      return UsbOpenResult::Opened;
    case LIBUSB_ERROR_ACCESS:
      return UsbOpenResult::AccessDenied;
    case LIBUSB_ERROR_BUSY:
      return UsbOpenResult::Busy;
    case LIBUSB_ERROR_NO_DEVICE:
      return UsbOpenResult::Disconnected;
    case LIBUSB_ERROR_NOT_FOUND:  // no active configuration, or no interface 0
      return UsbOpenResult::NoUsableEndpoints;
    default:
      return UsbOpenResult::UsbError;
  }
}

std::size_t RoundUpToPackets(std::size_t wanted, std::size_t packet_size) {
  if (packet_size == 0) return wanted;
  return (wanted + packet_size - 1) / packet_size * packet_size;
}

void PresenceTracker::Arrived(UsbLocation where) {
  if (Ignored(where)) return;
  events_.push_back(PresenceEvent::Arrived);
}

void PresenceTracker::Left(UsbLocation where) {
  if (Ignored(where)) return;
  Removed(where);
}

void PresenceTracker::StartPolling(std::optional<UsbLocation> first_match) {
  polled_ = first_match;
}

void PresenceTracker::Polled(std::optional<UsbLocation> first_match) {
  if (first_match == polled_) return;
  const std::optional<UsbLocation> before = polled_;
  polled_ = first_match;
  if (before) Removed(*before);
  if (first_match) events_.push_back(PresenceEvent::Arrived);
}

void PresenceTracker::LinkLost(UsbLocation where) {
  if (lost_ == where) return;  // this loss is already reported
  lost_ = where;
  events_.push_back(PresenceEvent::Removed);
}

std::deque<PresenceEvent> PresenceTracker::TakeEvents() {
  std::deque<PresenceEvent> events;
  events.swap(events_);
  return events;
}

void PresenceTracker::Removed(UsbLocation where) {
  if (lost_ == where) {
    lost_.reset();  // its removal went out when the link was lost
    return;
  }
  events_.push_back(PresenceEvent::Removed);
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
// Without them, `error` holds the libusb error, or 0 when the configuration
// was read but has no such interface.
std::optional<std::vector<RawEndpoint>> InterfaceZeroEndpoints(libusb_device* device, int& error) {
  libusb_config_descriptor* raw_config = nullptr;
  error = libusb_get_active_config_descriptor(device, &raw_config);
  if (error != 0) return std::nullopt;
  const std::unique_ptr<libusb_config_descriptor, ConfigCloser> config(raw_config);
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    for (int j = 0; j < interface.num_altsetting; ++j) {
      const libusb_interface_descriptor& setting = interface.altsetting[j];
      if (setting.bInterfaceNumber != 0 || setting.bAlternateSetting != 0) continue;
      std::vector<RawEndpoint> endpoints;
      for (int k = 0; k < setting.bNumEndpoints; ++k) {
        const libusb_endpoint_descriptor& endpoint = setting.endpoint[k];
        endpoints.push_back(
            {endpoint.bEndpointAddress, endpoint.bmAttributes, endpoint.wMaxPacketSize});
      }
      return endpoints;
    }
  }
  return std::nullopt;
}

// Claims interface 0, letting libusb detach a kernel driver that holds it.
// Where detaching is not supported, either refused up front or failing
// inside the claim (as on some platforms and in device emulators), the
// interface is claimed as it is.
int ClaimInterfaceZero(libusb_device_handle* handle) {
  if (libusb_set_auto_detach_kernel_driver(handle, 1) == LIBUSB_SUCCESS) {
    const int rc = libusb_claim_interface(handle, 0);
    if (rc == LIBUSB_SUCCESS || rc == LIBUSB_ERROR_BUSY || rc == LIBUSB_ERROR_NO_DEVICE ||
        rc == LIBUSB_ERROR_ACCESS) {
      return rc;
    }
    // Cannot fail: auto-detach was just accepted for this handle.
    // Discarded: best effort: the outcome shows in the next transfer.
    (void)libusb_set_auto_detach_kernel_driver(handle, 0);
  }
  return libusb_claim_interface(handle, 0);
}

UsbLocation LocationOf(libusb_device* device) {
  return {libusb_get_bus_number(device), libusb_get_device_address(device)};
}

int LIBUSB_CALL QueuePresenceEvent(libusb_context*, libusb_device* device,
                                   libusb_hotplug_event event, void* user_data) {
  // Runs inside libusb_handle_events on the caller's thread; the handler is
  // only called later, from ServiceEvents, so it may reopen or close freely.
  auto* presence = static_cast<PresenceTracker*>(user_data);
  if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) {
    presence->Arrived(LocationOf(device));
  } else {
    presence->Left(LocationOf(device));
  }
  return 0;  // stay registered
}

int TransferLength(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

std::size_t Transferred(int transferred) {
  return transferred > 0 ? static_cast<std::size_t>(transferred) : 0;
}

}  // namespace

void LibusbLink::ContextCloser::operator()(libusb_context* context) const { libusb_exit(context); }

void LibusbLink::HandleCloser::operator()(libusb_device_handle* handle) const {
  // Fails harmlessly when the claim itself had failed.
  // Discarded: best effort: the outcome shows in the next transfer.
  (void)libusb_release_interface(handle, 0);
  libusb_close(handle);
}

LibusbLink::LibusbLink(const Clock& clock, std::uint16_t watch_vendor_id,
                       std::uint16_t watch_product_id)
    : clock_(clock), watch_vendor_id_(watch_vendor_id), watch_product_id_(watch_product_id) {
  libusb_context* context = nullptr;
  if (libusb_init(&context) != 0) {
    last_open_result_ = UsbOpenResult::UsbUnavailable;
    return;
  }
  context_.reset(context);

  if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0) {
    libusb_hotplug_callback_handle callback = 0;
    const int rc = libusb_hotplug_register_callback(
        context, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
        LIBUSB_HOTPLUG_NO_FLAGS, watch_vendor_id_, watch_product_id_, LIBUSB_HOTPLUG_MATCH_ANY,
        QueuePresenceEvent, &presence_, &callback);
    if (rc == LIBUSB_SUCCESS) hotplug_handle_ = callback;
  }
  if (!hotplug_handle_) {
    // Polling reports changes only: a programmer already present at start
    // is found by the connection's own scan, not announced as an arrival.
    presence_.StartPolling(FirstMatchLocation());
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
  last_open_result_ = Open(vendor_id, product_id);
  return last_open_result_ == UsbOpenResult::Opened;
}

UsbOpenResult LibusbLink::Open(std::uint16_t vendor_id, std::uint16_t product_id) {
  if (!context_) return UsbOpenResult::UsbUnavailable;

  const DeviceList list(context_.get());
  std::optional<std::size_t> index;
  if (chosen_) {
    const std::vector<UsbDeviceIds> ids = list.Ids();
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (ids[i].vendor_id == vendor_id && ids[i].product_id == product_id &&
          LocationOf(list.devices()[i]) == *chosen_) {
        index = i;
      }
    }
  } else {
    index = FirstMatchingDevice(list.Ids(), vendor_id, product_id);
  }
  if (!index) return UsbOpenResult::NotFound;
  libusb_device* device = list.devices()[*index];

  // The descriptors are known without opening the device, so a device that
  // cannot carry the protocol is told apart before any access question.
  int error = 0;
  const std::optional<std::vector<RawEndpoint>> endpoints = InterfaceZeroEndpoints(device, error);
  if (!endpoints) {
    return error == 0 ? UsbOpenResult::NoUsableEndpoints : OpenResultFromLibusbError(error);
  }
  const std::optional<LibusbPipes> pipes = ClassifyRawEndpoints(*endpoints);
  if (!pipes || !PipesUsable(*endpoints, *pipes)) return UsbOpenResult::NoUsableEndpoints;

  libusb_device_handle* raw = nullptr;
  if (const int rc = libusb_open(device, &raw); rc != LIBUSB_SUCCESS) {
    return OpenResultFromLibusbError(rc);
  }
  std::unique_ptr<libusb_device_handle, HandleCloser> handle(raw);
  if (const int rc = ClaimInterfaceZero(raw); rc != LIBUSB_SUCCESS) {
    return OpenResultFromLibusbError(rc);
  }

  handle_ = std::move(handle);
  pipes_ = pipes->ids;
  out_is_interrupt_ = pipes->out_is_interrupt;
  in_packet_size_ = pipes->in_packet_size;
  location_ = LocationOf(device);
  return UsbOpenResult::Opened;
}

void LibusbLink::CloseDevice() {
  handle_.reset();
  pipes_ = PipeIds{};
  out_is_interrupt_ = false;
  in_packet_size_ = 0;
  link_lost_ = false;
  kept_begin_ = kept_end_ = 0;
}

std::size_t LibusbLink::WritePipe(std::span<const std::uint8_t> data) {
  if (!handle_ || link_lost_ || data.empty() || (pipes_.out & LIBUSB_ENDPOINT_IN)) return 0;
  // libusb takes a mutable pointer for both directions; OUT never writes it.
  auto* bytes = const_cast<unsigned char*>(data.data());
  int transferred = 0;
  const int rc =
      out_is_interrupt_
          ? libusb_interrupt_transfer(handle_.get(), pipes_.out, bytes, TransferLength(data.size()),
                                      &transferred, kOutPipeTimeoutMs)
          : libusb_bulk_transfer(handle_.get(), pipes_.out, bytes, TransferLength(data.size()),
                                 &transferred, kOutPipeTimeoutMs);
  // A programmer that takes no data for that long has stopped.
  if (rc == LIBUSB_ERROR_TIMEOUT) {
    LoseLink();
  } else {
    AfterTransfer(rc, pipes_.out);
  }
  return Transferred(transferred);
}

std::size_t LibusbLink::ReadPipe(std::span<std::uint8_t> buffer) {
  if (!handle_ || link_lost_ || buffer.empty() || !(pipes_.in & LIBUSB_ENDPOINT_IN)) return 0;
  if (kept_begin_ < kept_end_) return TakeKeptBytes(buffer);

  // Straight into the caller's buffer when it holds whole packets; otherwise
  // through the read buffer, whose surplus waits for the next read.
  const std::size_t length = RoundUpToPackets(buffer.size(), in_packet_size_);
  const bool direct = length == buffer.size();
  if (!direct) read_buffer_.resize(length);
  std::uint8_t* target = direct ? buffer.data() : read_buffer_.data();
  int transferred = 0;
  const int rc = libusb_bulk_transfer(handle_.get(), pipes_.in, target, TransferLength(length),
                                      &transferred, kInPipeTimeoutMs);
  AfterTransfer(rc, pipes_.in);
  const std::size_t arrived = std::min(Transferred(transferred), length);
  if (direct) return arrived;
  kept_begin_ = 0;
  kept_end_ = arrived;
  return TakeKeptBytes(buffer);
}

std::size_t LibusbLink::TakeKeptBytes(std::span<std::uint8_t> buffer) {
  const std::size_t count = std::min(buffer.size(), kept_end_ - kept_begin_);
  std::copy_n(read_buffer_.begin() + static_cast<std::ptrdiff_t>(kept_begin_), count,
              buffer.begin());
  kept_begin_ += count;
  if (kept_begin_ == kept_end_) kept_begin_ = kept_end_ = 0;
  return count;
}

// Draining rather than libusb_clear_halt: a clear-halt resets the data
// toggle, and firmware that does not reset its own toggle on that request
// silently drops the next packet; it also leaves a reply already sitting in
// the device's FIFO to be read as the answer to the next command. Reading
// until nothing comes works with any firmware.
void LibusbLink::FlushInPipe() {
  kept_begin_ = kept_end_ = 0;
  if (!handle_ || link_lost_ || !(pipes_.in & LIBUSB_ENDPOINT_IN)) return;
  std::array<std::uint8_t, kFlushBufferSize> scratch{};
  for (int i = 0; i < kMaxFlushReads && !link_lost_; ++i) {
    int transferred = 0;
    const int rc =
        libusb_bulk_transfer(handle_.get(), pipes_.in, scratch.data(),
                             static_cast<int>(scratch.size()), &transferred, kFlushReadTimeoutMs);
    AfterTransfer(rc, pipes_.in);
    const bool ended = rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_TIMEOUT;
    if (transferred <= 0 || ended) return;
  }
}

void LibusbLink::AfterTransfer(int rc, std::uint8_t endpoint) {
  switch (rc) {
    case LIBUSB_ERROR_PIPE:
      // Once, and the transfer still reports what it got. A clear that fails
      // shows up as the next transfer failing.
      // Discarded: best effort: the outcome shows in the next transfer.
      (void)libusb_clear_halt(handle_.get(), endpoint);
      break;
    case LIBUSB_ERROR_NO_DEVICE:
      LoseLink();
      break;
    default:
      break;
  }
}

void LibusbLink::LoseLink() {
  if (link_lost_) return;
  link_lost_ = true;
  kept_begin_ = kept_end_ = 0;
  presence_.LinkLost(location_);
}

void LibusbLink::SetPresenceHandler(std::function<void(PresenceEvent)> handler) {
  presence_handler_ = std::move(handler);
}

void LibusbLink::ServiceEvents() {
  if (context_) {
    timeval no_wait{0, 0};
    // Nothing to act on when it fails: the next pump tries again.
    // Discarded: best effort: the outcome shows in the next transfer.
    (void)libusb_handle_events_timeout_completed(context_.get(), &no_wait, nullptr);
    if (!hotplug_handle_) PollPresence();
  }
  // Taken out first: the handler may open or close the device, and a poll
  // inside that must not disturb the events being delivered.
  for (const PresenceEvent event : presence_.TakeEvents()) {
    if (presence_handler_) presence_handler_(event);
  }
}

std::optional<UsbLocation> LibusbLink::FirstMatchLocation() const {
  const DeviceList list(context_.get());
  if (chosen_) {
    const std::vector<UsbDeviceIds> ids = list.Ids();
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (ids[i].vendor_id == watch_vendor_id_ && ids[i].product_id == watch_product_id_ &&
          LocationOf(list.devices()[i]) == *chosen_) {
        return chosen_;
      }
    }
    return std::nullopt;
  }
  const std::optional<std::size_t> index =
      FirstMatchingDevice(list.Ids(), watch_vendor_id_, watch_product_id_);
  if (!index) return std::nullopt;
  return LocationOf(list.devices()[*index]);
}

std::vector<UsbLocation> LibusbLink::ListDevices(std::uint16_t vendor_id, std::uint16_t product_id) {
  std::vector<UsbLocation> found;
  if (!context_) return found;
  const DeviceList list(context_.get());
  const std::vector<UsbDeviceIds> ids = list.Ids();
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i].vendor_id == vendor_id && ids[i].product_id == product_id) {
      found.push_back(LocationOf(list.devices()[i]));
    }
  }
  return found;
}

bool LibusbLink::ChooseDevice(std::optional<UsbLocation> where) {
  chosen_ = where;
  presence_.Follow(where);
  if (context_ && !hotplug_handle_) {
    presence_.StartPolling(FirstMatchLocation());
    last_poll_us_ = clock_.NowMicroseconds();
  }
  return true;
}

void LibusbLink::PollPresence() {
  const std::uint64_t now = clock_.NowMicroseconds();
  if (now - last_poll_us_ < kPresencePollIntervalUs) return;
  last_poll_us_ = now;
  presence_.Polled(FirstMatchLocation());
}

}  // namespace tessary
