// Transport selection and programmer opening for the command-line tool.
#include "cli/programmer_session.h"

#include "base/language_files.h"
#include "base/language_texts.h"
#include "base/profile_file.h"
#include "catalogue/catalogue_statements.h"
#include "device/identity_queries.h"
#include "device/libusb_link.h"
#include "device/wire_trace.h"
#include "sim/simulated_bus.h"

#include <charconv>
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
              "Install the udev rule 70-tessary.rules (the package puts it in "
              "/usr/lib/udev/rules.d; for a portable folder see README, \"Install\"), then "
              "unplug the programmer and plug it in again.",
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

DeviceChoice ParseDeviceChoice(std::string_view text) {
  DeviceChoice choice;
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    const auto number = [](std::string_view part, unsigned& value) {
      const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
      return !part.empty() && ec == std::errc() && end == part.data() + part.size() && value <= 255;
    };
    unsigned bus = 0;
    unsigned address = 0;
    if (number(text.substr(0, colon), bus) && number(text.substr(colon + 1), address)) {
      choice.location = UsbLocation{static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(address)};
      return choice;
    }
  }
  choice.serial = std::string(text);
  return choice;
}

ProgrammerSession::ProgrammerSession(const TransportOptions& options, std::string& error)
    : panel_(options.verbose, options.quiet),
      device_(options.device),
      catalogue_file_(options.catalogue_file) {
  std::optional<ProgramPaths> paths = DecidePaths(ExecutableFolder(), ProcessEnvironment(), error);
  std::string note;
  if (!paths || !PrepareUserFiles(*paths, note, error)) return;
  if (!note.empty() && !options.quiet) std::fprintf(stderr, "tessary-cli: %s\n", note.c_str());
  if (options.simulate) {
    auto simulated = sim::MakeSimulatedBus(clock_, options.simulator_configs, error);
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
  context_->Paths = std::move(*paths);
  context_->DeviceInfo.DefaultMode = "Plov";
  // The command line speaks English: the program's own fault texts, which
  // the handlers shared with the window log, come from the English file.
  const ProfileFile english(LanguageFilePath(context_->Paths.DataFolder(), kLanguageEnglish));
  for (const LanguageKey& key : LanguageKeys()) {
    if (std::string_view(key.section) != "HostLog") continue;
    context_->Texts.*key.field =
        english.ReadString(key.section, key.key, context_->Texts.*key.field, key.buffer_size);
  }
}

ProgrammerSession::~ProgrammerSession() {
  if (context_) context_->link.UsbCloseDevice();
}

bool ProgrammerSession::OpenProgrammer(std::string& error) {
  if (device_.empty()) return OpenAndIdentify(error);
  const DeviceChoice choice = ParseDeviceChoice(device_);
  if (choice.location) {
    if (!context_->link.usb().ChooseDevice(choice.location)) {
      error = "--device: this transport cannot choose among programmers.";
      open_exit_code_ = kExitUsage;
      return false;
    }
    if (OpenAndIdentify(error)) return true;
    if (open_exit_code_ == kExitNoProgrammer) {
      error = "No programmer at USB bus " + std::to_string(choice.location->bus) + " address " +
              std::to_string(choice.location->address) +
              " (--device " + device_ + "). 'tessary-cli list' shows the programmers there are.";
    }
    return false;
  }
  return OpenBySerial(choice.serial, error);
}

bool ProgrammerSession::OpenBySerial(const std::string& serial, std::string& error) {
  UsbLink& usb = context_->link.usb();
  const std::vector<UsbLocation> present = usb.ListDevices(kProgrammerVendorId, kProgrammerProductId);
  if (present.empty()) {
    const bool opened = OpenAndIdentify(error);  // says why nothing is found or opens
    if (opened) {
      // A link that cannot list: its one programmer must carry the serial.
      if (context_->DeviceInfo.DevSN == serial) return true;
      context_->link.UsbCloseDevice();
      error = "The programmer's serial number is " + context_->DeviceInfo.DevSN + ", not " +
              serial + " (--device).";
      open_exit_code_ = kExitNoProgrammer;
    }
    return false;
  }
  std::vector<UsbLocation> matching;
  std::string unopened;
  for (const UsbLocation& where : present) {
    if (!usb.ChooseDevice(where)) break;
    std::string ignored;
    if (!OpenAndIdentify(ignored)) {
      unopened += " " + std::to_string(where.bus) + ":" + std::to_string(where.address) + " (" +
                  std::string(UsbOpenResultText(context_->link.LastOpenResult())) + ")";
      continue;
    }
    if (context_->DeviceInfo.DevSN == serial) matching.push_back(where);
    context_->link.UsbCloseDevice();
  }
  if (matching.size() > 1) {
    error = std::to_string(matching.size()) + " programmers carry the serial number " + serial +
            "; choose one with --device BUS:ADDR ('tessary-cli list' shows them).";
    open_exit_code_ = kExitFailure;
    (void)usb.ChooseDevice(std::nullopt);  // Discarded: undoing a choice cannot fail.
    return false;
  }
  if (matching.empty()) {
    error = "No programmer with the serial number " + serial + " (--device).";
    if (!unopened.empty()) error += " Not opened:" + unopened + ".";
    error += " 'tessary-cli list' shows the programmers there are.";
    open_exit_code_ = kExitNoProgrammer;
    (void)usb.ChooseDevice(std::nullopt);  // Discarded: undoing a choice cannot fail.
    return false;
  }
  (void)usb.ChooseDevice(matching.front());  // Discarded: this link chose before.
  return OpenAndIdentify(error);
}

std::vector<ProgrammerListing> ProgrammerSession::ListProgrammers() {
  UsbLink& usb = context_->link.usb();
  std::vector<ProgrammerListing> listings;
  const std::vector<UsbLocation> present = usb.ListDevices(kProgrammerVendorId, kProgrammerProductId);
  // Which one a command would use: --device's, else the first.
  std::optional<DeviceChoice> choice;
  if (!device_.empty()) choice = ParseDeviceChoice(device_);
  for (std::size_t i = 0; i < present.size(); ++i) {
    ProgrammerListing listing;
    listing.location = present[i];
    if (!usb.ChooseDevice(present[i])) break;
    std::string ignored;
    if (OpenAndIdentify(ignored)) {
      listing.identified = true;
      const Dev_Inf_Struct& info = context_->DeviceInfo;
      listing.model = info.DevName;
      listing.firmware = info.FirmVer;
      listing.serial = info.DevSN;
      context_->link.UsbCloseDevice();
    }
    listing.open_result = context_->link.LastOpenResult();
    if (!choice) {
      listing.used = i == 0;
    } else if (choice->location) {
      listing.used = *choice->location == present[i];
    } else {
      listing.used = listing.identified && listing.serial == choice->serial;
    }
    listings.push_back(std::move(listing));
  }
  (void)usb.ChooseDevice(std::nullopt);  // Discarded: undoing a choice cannot fail.
  return listings;
}

bool ProgrammerSession::OpenAndIdentify(std::string& error) {
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
                                         ? context_->Paths.CatalogueFile()
                                         : std::filesystem::path(catalogue_file_);
  if (!std::filesystem::is_regular_file(file)) {
    error = "chip catalogue " + file.string() + " not found";
    return false;
  }
  return context_->Database.Open(file, error);
}

bool ProgrammerSession::SaveSimulatedChips(std::string& error) {
  return simulated_ == nullptr || simulated_->SaveChips(error);
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
