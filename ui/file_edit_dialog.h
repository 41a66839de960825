// TfrmFileEdit: the small value dialog the Buffer menu's fill, go-to and
// find share with the file import after a drop. Its Tag (the mode) decides
// what OK does; the core decides everything (texts, checks, the buffer
// changes) and the dialog only shows a FileEditSetup and passes its fields
// back.
//
// Wiring, for the main window:
// - Create one instance at start-up with the main window as parent:
//   `new TfrmFileEdit(ctx, mainWindow)`. It lives as long as the window and
//   is shown and hidden, never re-created. Its random-fill generator is
//   seeded from ctx.clock at construction.
// - MenuBufferFillClick (MenuBufferFill, sbBufferFill) -> ShowFill();
//   MenuBufferGotoClick -> ShowGoto(); MenuBufferFindClick -> ShowFind();
//   a drop -> ShowImport(last dropped path), after FilesDropped().
// - Connect hexSelectionRequested(start, length) to whatever gives the hex
//   pane (reDownFile) the focus and selects that caret range; find next
//   (MenuBufferFindNextClick in app/buffer_handlers.h) returns the same
//   range for the window to show.
// - The buffer, the hex view, the log, the status bar and the main window
//   state change through ctx (HexView listener, OperatorPanel) as usual.
#pragma once

#include "app/app_context.h"
#include "buffer/buffer_tools.h"

#include <QDialog>

#include <filesystem>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessary {

class TfrmFileEdit final : public QDialog {
  Q_OBJECT

 public:
  // `ctx` must outlive the dialog. With a parent, the dialog opens centred
  // over it.
  explicit TfrmFileEdit(AppContext& ctx, QWidget* parent = nullptr);

  // Set up a mode and show the dialog non-modally.
  void ShowFill();
  void ShowGoto();
  void ShowFind();
  // `file` is the file the import will load (the last dropped path).
  void ShowImport(const std::filesystem::path& file);

  // Shows a set-up as it stands, without showing the dialog.
  void Apply(const FileEditSetup& setup);

  [[nodiscard]] FileEditMode Tag() const { return tag_; }
  [[nodiscard]] const std::filesystem::path& ImportFile() const { return import_file_; }

 public slots:
  // Reads the fields and acts according to Tag; closes the dialog unless a
  // field was not a number (the operator has been told).
  void btnFileInportOKClick();
  // Closes the dialog; nothing changes.
  void btnFileInportCancelClick();
  // The value field is disabled while random is ticked.
  void chkInputValueRandomClick();

 signals:
  // A find found a match: give reDownFile the focus and select `length`
  // caret positions from `start` (the match's digits).
  void hexSelectionRequested(quint32 start, quint32 length);

 private:
  void ShowCentred();

  AppContext& ctx_;
  RandomByteSource random_;
  FileEditMode tag_ = FileEditMode::Import;
  std::filesystem::path import_file_;

  QLabel* label1_ = nullptr;
  QLineEdit* lbeInputValue1 = nullptr;
  QLabel* label2_ = nullptr;
  QLineEdit* lbeInputValue2 = nullptr;
  QLabel* label3_ = nullptr;
  QLineEdit* lbeInputValue3 = nullptr;
  QCheckBox* chkInputValueRandom = nullptr;
  QPushButton* btnFileInportOK = nullptr;
  QPushButton* btnFileInportCancel = nullptr;
};

}  // namespace tessary
