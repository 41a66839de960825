// The standard error box.
#include "ui/error_box.h"

#include <QMessageBox>
#include <QWidget>

namespace tessary {

void ShowErrorBox(QWidget* parent, const std::exception& error) {
  ShowErrorBox(parent, QString::fromUtf8(error.what()));
}

void ShowErrorBox(QWidget* parent, const QString& text) {
  QWidget* owner = parent != nullptr ? parent->window() : nullptr;
  const QString title = owner != nullptr ? owner->windowTitle() : QString();
  QMessageBox::critical(owner, title, text);
}

}  // namespace tessary
