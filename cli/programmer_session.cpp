// Transport selection and programmer opening for the command-line tool.
#include "cli/programmer_session.h"

#include "device/identity_queries.h"
#include "device/libusb_link.h"
#include "device/wire_trace.h"
#include "sim/simulated_link.h"

namespace tessary::cli {

ProgrammerSession::ProgrammerSession(const TransportOptions& options, std::string& error)
    : panel_(options.verbose) {
  if (options.simulate) {
    transport_ = sim::MakeSimulatedLink(clock_, options.simulator_config, error);
    if (!transport_) return;
  } else {
    transport_ = std::make_unique<LibusbLink>(clock_);
  }
  UsbLink* link = transport_.get();
  if (!options.trace_file.empty()) {
    auto tracing = std::make_unique<TracingLink>(*transport_, clock_);
    if (!tracing->Start(options.trace_file)) {
      error = tracing->LastError();
      return;
    }
    link = tracing.get();
    trace_ = std::move(tracing);
  }
  context_ = std::make_unique<AppContext>(clock_, panel_, *link);
  context_->DeviceInfo.DefaultMode = "Plov";
}

ProgrammerSession::~ProgrammerSession() {
  if (context_) context_->link.UsbCloseDevice();
}

bool ProgrammerSession::OpenProgrammer(std::string& error) {
  DeviceLink& link = context_->link;
  if (!link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId)) {
    error = "No programmer found (USB 1A86:4567). Plug it in, or use --simulate.";
    return false;
  }
  link.LinkOpen = true;
  if (!ReadFirmwareVersion(link, context_->DeviceInfo)) {
    link.UsbCloseDevice();
    error = "The programmer does not answer the firmware version query.";
    return false;
  }
  ReadIdentityTexts(link, context_->DeviceInfo);
  link.ReplyLength = 0;
  return true;
}

}  // namespace tessary::cli
