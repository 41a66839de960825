// Transport selection and programmer opening for the command-line tool.
#include "cli/programmer_session.h"

#include "catalogue/catalogue_statements.h"
#include "device/identity_queries.h"
#include "device/libusb_link.h"
#include "device/wire_trace.h"
#include "sim/simulated_link.h"

#include <cstdio>

namespace tessary::cli {
namespace {

constexpr char kTextUnpluggedWhileIdentified[] =
    "Programmer disconnected: it was unplugged while it was being identified. Plug it in again "
    "and retry.";

}  // namespace

int ReportFailure(std::string_view message, int exit_code) {
  std::fprintf(stderr, "tessary-cli: %.*s\n", static_cast<int>(message.size()), message.data());
  return exit_code;
}

OpenFailure DescribeOpenFailure(UsbOpenResult result) {
  switch (result) {
    case UsbOpenResult::Opened:
    case UsbOpenResult::NotFound:
      return {"No programmer found (USB 1A86:4567). Plug it in, or use --simulate.",
              kExitNoProgrammer};
    case UsbOpenResult::AccessDenied:
      return {"The programmer (USB 1A86:4567) is plugged in, but this user may not open it. "
              "Install the udev rule from README (/etc/udev/rules.d/60-tessary.rules, section "
              "\"Real hardware on Linux\"), then unplug the programmer and plug it in again.",
              kExitAccessDenied};
    case UsbOpenResult::Busy:
      return {"The programmer is in use by another program (is the Tessary window open?) or "
              "held by a kernel driver. Close the other program and try again.",
              kExitBusy};
    case UsbOpenResult::Disconnected:
      return {"The programmer left the USB bus while it was being opened. Check the cable, "
              "plug it in again and retry.",
              kExitDisconnected};
    case UsbOpenResult::NoUsableEndpoints:
      return {"USB device 1A86:4567 has no bulk IN and OUT endpoints on interface 0: it is not "
              "a working Tessary programmer. Unplug it and plug it in again; if that does not "
              "help, its firmware needs repair.",
              kExitNoUsableEndpoints};
    case UsbOpenResult::UsbUnavailable:
      return {"USB access is unavailable: libusb could not start (are USB devices visible "
              "here, e.g. /dev/bus/usb inside a container?). Use --simulate to work without "
              "a programmer.",
              kExitUsbUnavailable};
    case UsbOpenResult::UsbError:
      return {"The programmer could not be opened: the USB system reported an error. Unplug "
              "it, plug it in again and retry.",
              kExitFailure};
  }
  return {"The programmer could not be opened.", kExitFailure};
}

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : self.parent_path();
}

ProgrammerSession::ProgrammerSession(const TransportOptions& options, std::string& error)
    : panel_(options.verbose), catalogue_file_(options.catalogue_file) {
  if (options.simulate) {
    auto simulated = sim::MakeSimulatedLink(clock_, options.simulator_config, error);
    if (!simulated) return;
    simulated_ = simulated.get();
    transport_ = std::move(simulated);
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
  // A removal seen while identifying means the programmer was unplugged, not
  // that it stopped answering.
  link->SetPresenceHandler([this](PresenceEvent event) {
    if (event != PresenceEvent::Removed) return;
    programmer_removed_ = true;
    // Operations end at their next block and report the programmer offline.
    if (context_) context_->link.MarkUnlinked();
  });
  context_ = std::make_unique<AppContext>(clock_, panel_, *link);
  context_->ProgramFolder = ExecutableFolder();
  context_->DeviceInfo.DefaultMode = "Plov";
}

ProgrammerSession::~ProgrammerSession() {
  if (context_) context_->link.UsbCloseDevice();
}

bool ProgrammerSession::OpenProgrammer(std::string& error) {
  DeviceLink& link = context_->link;
  if (!link.UsbOpenDevice(kProgrammerVendorId, kProgrammerProductId)) {
    OpenFailure failure = DescribeOpenFailure(link.LastOpenResult());
    error = std::move(failure.message);
    open_exit_code_ = failure.exit_code;
    return false;
  }
  link.MarkLinked();
  programmer_removed_ = false;
  if (!ReadFirmwareVersion(link, context_->DeviceInfo)) {
    link.usb().ServiceEvents();
    link.UsbCloseDevice();
    if (programmer_removed_) {
      error = kTextUnpluggedWhileIdentified;
      open_exit_code_ = kExitDisconnected;
    } else {
      error = "The programmer does not answer the firmware version query. Unplug it, plug it "
              "in again and retry.";
      open_exit_code_ = kExitNoAnswer;
    }
    return false;
  }
  ReadIdentityTexts(link, context_->DeviceInfo);
  // An unplug during the text queries leaves their fallbacks ("KV-075",
  // "XXX-XXX-XXX-XXX", the assumed model), which must not pass for the
  // programmer's identity.
  link.usb().ServiceEvents();
  if (programmer_removed_ || !link.LinkOpen() || !link.HasDevice()) {
    link.UsbCloseDevice();
    error = kTextUnpluggedWhileIdentified;
    open_exit_code_ = kExitDisconnected;
    return false;
  }
  return true;
}

bool ProgrammerSession::OpenCatalogue(std::string& error) {
  const std::filesystem::path file = catalogue_file_.empty()
                                         ? context_->ProgramFolder / "login.dat"
                                         : std::filesystem::path(catalogue_file_);
  if (!std::filesystem::is_regular_file(file)) {
    error = "chip catalogue " + file.string() + " not found";
    return false;
  }
  return context_->Database.Open(file, error);
}

bool ProgrammerSession::SaveSimulatedChips(std::string& error) {
  return simulated_ == nullptr || simulated_->programmer().SaveChips(error);
}

bool ProgrammerSession::CatalogueVersion(std::string& version, std::string& error) {
  try {
    ChipDatabase& db = context_->Database;
    version = db.RunQuery(statements::kCatalogueVersion) > 0 ? db.FieldAsText("Version") : "V0.1.0";
    return true;
  } catch (const DatabaseError& e) {
    error = e.what();
    return false;
  }
}

}  // namespace tessary::cli
