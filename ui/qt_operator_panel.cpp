// Rendering of core reports into the main window.
#include "ui/qt_operator_panel.h"

#include "ui/main_window.h"
#include "ui/update_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <limits>

namespace tessary {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The bar and its caption label; the firmware window's bar has no label.
struct BarWidgets {
  QProgressBar* bar = nullptr;
  QLabel* label = nullptr;
};

BarWidgets WidgetsOf(const MainWindow* window, ProgressBar which) {
  if (window == nullptr) return {};
  const MainWindowWidgets& w = window->widgets();
  switch (which) {
    case ProgressBar::Chip1:
      return {w.pbDLChip1, w.labelCh1};
    case ProgressBar::Chip2:
      return {w.pbDLChip2, w.labelCh2};
    case ProgressBar::Firmware:
      return {window->frmUpdate() != nullptr ? window->frmUpdate()->pbIAPProBar() : nullptr,
              nullptr};
  }
  return {};
}

}  // namespace

void QtOperatorPanel::Attach(MainWindow* window) {
  window_ = window;
  log_empty_ = window == nullptr || window->widgets().memLog->document()->isEmpty();
}

void QtOperatorPanel::LogLineAdded(std::string_view text, LogColour colour) {
  if (window_ == nullptr) return;
  QTextEdit* log = window_->widgets().memLog;

  QTextCursor cursor(log->document());
  cursor.movePosition(QTextCursor::End);
  if (!log_empty_) cursor.insertBlock();
  log_empty_ = false;
  // The format at the end is the log's typing colour: a plain line keeps it,
  // a coloured line sets its own.
  QTextCharFormat format = cursor.charFormat();
  if (colour == LogColour::Highlight) {
    format.setForeground(log->palette().color(QPalette::Highlight));
  } else if (colour != LogColour::Plain) {
    format.setForeground(ColourFromRef(ToColourRef(colour)));
  }
  cursor.insertText(FromUtf8(text), format);

  // The focus follows the newest line.
  log->setTextCursor(cursor);
  log->setFocus(Qt::OtherFocusReason);
  log->ensureCursorVisible();
}

void QtOperatorPanel::LogCleared() {
  log_empty_ = true;
  if (window_ != nullptr) window_->widgets().memLog->clear();
}

void QtOperatorPanel::SetProgressMaximum(ProgressBar bar, std::int64_t maximum) {
  if (QProgressBar* widget = WidgetsOf(window_, bar).bar) widget->setMaximum(ClampToInt(maximum));
}

void QtOperatorPanel::SetProgressPosition(ProgressBar bar, std::int64_t position) {
  if (QProgressBar* widget = WidgetsOf(window_, bar).bar) widget->setValue(ClampToInt(position));
}

void QtOperatorPanel::SetProgressColour(ProgressBar bar, std::uint32_t colour_ref) {
  if (QProgressBar* widget = WidgetsOf(window_, bar).bar) {
    SetBarColour(*widget, ColourFromRef(colour_ref));
  }
}

void QtOperatorPanel::SetProgressVisible(ProgressBar bar, bool visible) {
  const BarWidgets widgets = WidgetsOf(window_, bar);
  if (widgets.bar != nullptr) widgets.bar->setVisible(visible);
  if (widgets.label != nullptr) widgets.label->setVisible(visible);
}

MessageAnswer QtOperatorPanel::ShowMessage(std::string_view text, std::string_view caption,
                                           MessageKind kind) {
  QMessageBox::Icon icon = QMessageBox::Information;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  switch (kind) {
    case MessageKind::Information:
      break;
    case MessageKind::Warning:
      icon = QMessageBox::Warning;
      break;
    case MessageKind::Error:
      icon = QMessageBox::Critical;
      break;
    case MessageKind::Question:
      icon = QMessageBox::Question;
      buttons = QMessageBox::Yes | QMessageBox::No;
      break;
  }
  // Without a caption the box carries the program's title, as the window does.
  const QString title =
      caption.empty() && window_ != nullptr ? window_->windowTitle() : FromUtf8(caption);
  QMessageBox box(icon, title, FromUtf8(text), buttons, window_);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      return MessageAnswer::Ok;
  }
}

void QtOperatorPanel::SetStatusPanel(int panel, std::string_view text) {
  if (window_ == nullptr) return;
  QLabel* label = window_->widgets().StatusPanels.at(static_cast<std::size_t>(panel));
  label->setText(FromUtf8(text));
  // Shown at once, also in the middle of a long operation.
  label->repaint();
}

void QtOperatorPanel::MainWindowStateChanged() {
  if (window_ != nullptr) window_->RenderWindowState();
}

void QtOperatorPanel::PumpEvents() { QCoreApplication::processEvents(); }

}  // namespace tessary
