// Transport selection and programmer opening for the command-line tool.
#include "cli/programmer_session.h"

#include "catalogue/catalogue_statements.h"
#include "device/identity_queries.h"
#include "device/libusb_link.h"
#include "device/wire_trace.h"
#include "sim/simulated_link.h"

#include <cstdio>

namespace tessary::cli {

int ReportFailure(std::string_view message, int exit_code) {
  std::fprintf(stderr, "tessary-cli: %.*s\n", static_cast<int>(message.size()), message.data());
  return exit_code;
}

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : self.parent_path();
}

ProgrammerSession::ProgrammerSession(const TransportOptions& options, std::string& error)
    : panel_(options.verbose), catalogue_file_(options.catalogue_file) {
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
  context_->ProgramFolder = ExecutableFolder();
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
  link.MarkLinked();
  if (!ReadFirmwareVersion(link, context_->DeviceInfo)) {
    link.UsbCloseDevice();
    error = "The programmer does not answer the firmware version query.";
    return false;
  }
  ReadIdentityTexts(link, context_->DeviceInfo);
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
