// The operator panel of the Qt front end: shows what the core reports in the
// main window's log, progress bars, status bar and message boxes.
#pragma once

#include "base/operator_panel.h"

namespace tessary {

class MainWindow;

class QtOperatorPanel final : public OperatorPanel {
 public:
  // The window whose widgets show the reports; nullptr detaches. Until a
  // window is attached, reports go nowhere (the core keeps its own state).
  void Attach(MainWindow* window);

  void LogLineAdded(std::string_view text, LogColour colour) override;
  void LogCleared() override;
  void SetProgressMaximum(ProgressBar bar, std::int64_t maximum) override;
  void SetProgressPosition(ProgressBar bar, std::int64_t position) override;
  void SetProgressColour(ProgressBar bar, std::uint32_t colour_ref) override;
  void SetProgressVisible(ProgressBar bar, bool visible) override;
  MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                            MessageKind kind) override;
  void SetStatusPanel(int panel, std::string_view text) override;
  void MainWindowStateChanged() override;
  void PumpEvents() override;

 private:
  MainWindow* window_ = nullptr;
  // The next line goes into the log's first paragraph instead of a new one.
  bool log_empty_ = true;
};

}  // namespace tessary
