// The file merge window (TfrmFileCombin, "文件合并"): a grid of up to four
// files with their start and end addresses, the fill byte, and the buttons
// to add a file, delete the last one and merge. The rows and every check
// live in buffer/file_merge.h; the window shows them, asks for the file
// names and reports through the operator panel's message boxes.
//
// Wiring, for the main window:
// - Create one instance at start-up: `new TfrmFileCombin(panel, mainWindow)`
//   (`panel` = the program's OperatorPanel; it must outlive the window). It
//   stays hidden and keeps its rows between openings.
// - Menu_File_MenuMergeClick -> ShowCentredOver(mainWindow).
// - setOpenFileChooser / setSaveFileChooser: hook the main window's odBin and
//   sdMain (the chooser gets the title and the pipe-list filter and returns
//   the path, or nothing on cancel). Without them plain file dialogs open.
// - merged(output) is emitted after a merge was written (nothing else in
//   the program changes: the merge does not touch the buffer).
#pragma once

#include "base/operator_panel.h"
#include "buffer/file_merge.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tessary {

class TfrmFileCombin final : public QDialog {
  Q_OBJECT

 public:
  // Asks the operator for a file: dialog title and filter in the
  // "Name|*.ext|..." form. Nothing when the operator cancels.
  using FileChooser = std::function<std::optional<std::filesystem::path>(const QString& title,
                                                                         std::string_view filter)>;

  explicit TfrmFileCombin(OperatorPanel& panel, QWidget* parent = nullptr);

  void setOpenFileChooser(FileChooser chooser) { choose_open_ = std::move(chooser); }
  void setSaveFileChooser(FileChooser chooser) { choose_save_ = std::move(chooser); }

  // Centres the window over `main` (truncating halves) and shows it
  // non-modally.
  void ShowCentredOver(const QWidget& main);

  [[nodiscard]] const FileMergeTable& table() const { return table_; }
  [[nodiscard]] QTableWidget* sgFileCombin() const { return sgFileCombin_; }
  [[nodiscard]] QPushButton* btnMergeAddFile() const { return btnMergeAddFile_; }
  [[nodiscard]] QPushButton* btnMergeDelFile() const { return btnMergeDelFile_; }
  [[nodiscard]] QPushButton* btnMergeMergeFile() const { return btnMergeMergeFile_; }
  [[nodiscard]] QLineEdit* lableBlankChar() const { return lableBlankChar_; }
  // Why the start being typed is not taken (empty when it is).
  [[nodiscard]] QLabel* lblStartNote() const { return lblStartNote_; }

 public slots:
  // Four rows already: nothing. Otherwise asks for a file and adds its row
  // after the last one; a file that cannot be read or does not fit is
  // reported and not added.
  void btnMergeAddFileClick();
  // Removes the last row, whatever is selected.
  void btnMergeDelFileClick();
  // Checks everything, asks for the output, asks before writing a file over
  // an earlier one, writes the output whole or not at all, and reports.
  void btnMergeMergeFileClick();
  // The start cell of file `row` (0-based) now reads `text`: the end
  // follows when the text is a start that fits; otherwise the end stays
  // and lblStartNote says why.
  void sgFileCombinSetEditText(int row, const QString& text);

 signals:
  void merged(const QString& output);

 private:
  void Render();
  void OnItemChanged(int row, int column);

  OperatorPanel& panel_;
  FileMergeTable table_;
  FileChooser choose_open_;
  FileChooser choose_save_;
  bool rendering_ = false;

  QTableWidget* sgFileCombin_ = nullptr;
  QPushButton* btnMergeAddFile_ = nullptr;
  QPushButton* btnMergeDelFile_ = nullptr;
  QLabel* lableBlankCharLabel_ = nullptr;
  QLineEdit* lableBlankChar_ = nullptr;
  QPushButton* btnMergeMergeFile_ = nullptr;
  QLabel* lblStartNote_ = nullptr;
};

}  // namespace tessary
