// The standard error box: what a handler shows when the catalogue fails,
// before it stops.
#pragma once

#include "catalogue/chip_database.h"

#include <QString>

#include <exception>

class QWidget;

namespace tessary {

// A modal error box over `parent`'s window with the text.
void ShowErrorBox(QWidget* parent, const QString& text);
void ShowErrorBox(QWidget* parent, const std::exception& error);

// Runs `handler`; a catalogue failure (DatabaseError) is shown in the error
// box and ends the handler there. False when it failed.
template <typename Handler>
bool RunGuarded(QWidget* parent, Handler&& handler) {
  try {
    handler();
    return true;
  } catch (const DatabaseError& error) {
    ShowErrorBox(parent, error);
    return false;
  }
}

}  // namespace tessary
