// The desktop program: picks the transport (the programmer on the bus, or the
// demo programmer with --simulate), optionally traces it, starts up in the
// portable folder or the installed form's folders, and runs the main window.
#include "app/app_context.h"
#include "base/clock.h"
#include "device/libusb_link.h"
#include "device/wire_trace.h"
#include "sim/simulated_link.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "Usage: tessary [--simulate[=CONFIG]] [--trace FILE] [--help]\n"
    "  --simulate[=CONFIG]  drive the demo programmer instead of the one on the bus;\n"
    "                       CONFIG is its settings file (built-in settings without it)\n"
    "  --trace FILE         write every USB transfer to FILE\n"
    "  --help               show this text\n";

struct Options {
  bool simulate = false;
  std::string simulator_config;
  std::optional<std::filesystem::path> trace_file;
};

// Answered before Qt starts, so it works without a display.
bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") return true;
  }
  return false;
}

// The options, or nothing after an error has been written.
std::optional<Options> ParseOptions(const QStringList& arguments) {
  Options options;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == "--simulate") {
      options.simulate = true;
    } else if (argument.startsWith("--simulate=")) {
      options.simulate = true;
      options.simulator_config = argument.mid(11).toStdString();
    } else if (argument == "--trace" && i + 1 < arguments.size()) {
      options.trace_file = arguments[++i].toStdString();
    } else if (argument.startsWith("--trace=")) {
      options.trace_file = argument.mid(8).toStdString();
    } else {
      std::fprintf(stderr, "tessary: unknown or incomplete option '%s'\n%s",
                   argument.toLocal8Bit().constData(), kUsage);
      return std::nullopt;
    }
  }
  return options;
}

int Fail(const QString& text) {
  QMessageBox::critical(nullptr, "Tessary", text);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (WantsHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  QApplication app(argc, argv);
  // Qt has taken its own options (-platform, -style, ...) out by now.
  const std::optional<Options> options = ParseOptions(QApplication::arguments());
  if (!options) return 2;

  tessary::SystemClock clock;
  std::unique_ptr<tessary::UsbLink> transport;
  if (options->simulate) {
    std::string error;
    transport = tessary::sim::MakeSimulatedLink(clock, options->simulator_config, error);
    if (!transport) return Fail(QString::fromStdString(error));
  } else {
    transport = std::make_unique<tessary::LibusbLink>(clock);
  }

  std::unique_ptr<tessary::TracingLink> tracer;
  if (options->trace_file) {
    tracer = std::make_unique<tessary::TracingLink>(*transport, clock);
    if (!tracer->Start(*options->trace_file)) {
      return Fail(QString::fromStdString(tracer->LastError()));
    }
  }
  tessary::UsbLink& usb = tracer ? static_cast<tessary::UsbLink&>(*tracer) : *transport;

  // The portable folder, or the installed form with the user's own files.
  std::string error;
  tessary::CatalogueSyncResult sync;
  std::optional<tessary::ProgramPaths> paths =
      tessary::DecidePaths(tessary::ExecutableFolder(), tessary::ProcessEnvironment(), error);
  if (!paths || !tessary::PrepareUserFiles(*paths, sync, error)) {
    return Fail(QString::fromStdString(error));
  }

  tessary::QtOperatorPanel panel;
  tessary::AppContext ctx(clock, panel, usb);
  // Made first and hidden, so what the start-up reports lands in its log,
  // bars and status bar.
  tessary::MainWindow window(ctx, panel, *paths);
  const tessary::StartUpOutcome outcome = window.StartUp();
  if (!outcome.ok) return Fail(QString::fromStdString(outcome.message));
  // Told in the window's language, which the start-up has just loaded.
  const std::string note = tessary::CatalogueSyncNote(ctx.Texts, sync, paths->CatalogueFile());
  if (!note.empty()) ctx.log.LogStamped(note, tessary::LogColour::Highlight);
  if (options->simulate) window.SetTitleSuffix(" [demo]");
  window.show();
  return QApplication::exec();
}
