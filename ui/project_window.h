// The offline project window (TfrmProject), opened by "离线工程"
// (MenuPrjOffline) for a Skar: it borrows the main window's chip selection
// frame while it is shown, lets the operator choose the data file, the
// operations, the start mode and a run limit, and starts the download. It
// renders ctx.Project and forwards its events to the project handlers.
#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTextEdit;

namespace tessary {

class AppContext;
class ChipSelectionFrame;

class TfrmProject final : public QWidget {
  Q_OBJECT

 public:
  // Asks for the data file (the main window's odBin, with the project's
  // filter); nothing when the operator cancels.
  using DataFileChooser = std::function<std::optional<std::filesystem::path>()>;

  // `frame` is the main window's chip selection frame and `home` the panel
  // that holds it, where it goes back at the top when this window closes.
  TfrmProject(AppContext& ctx, ChipSelectionFrame& frame, QWidget& home, QWidget* parent = nullptr);
  ~TfrmProject() override;

  void setDataFileChooser(DataFileChooser chooser) { choose_data_file_ = std::move(chooser); }

  // MenuPrjOfflineClick's window part: the frame moves in, the texts of the
  // current language, the window shown beside `main` (left + 10, top + 120).
  void Open(const QWidget& main);
  // Shows ctx.Project.
  void Render();

  // Event handlers, named after their component and event.
  void Button2Click();
  void btnDownLoadPrjClick();

  [[nodiscard]] QPushButton* Button2() const { return Button2_; }
  [[nodiscard]] QPushButton* btnDownLoadPrj() const { return btnDownLoadPrj_; }
  [[nodiscard]] QTextEdit* memLogOffPrj() const { return memLogOffPrj_; }
  [[nodiscard]] QStatusBar* sbPrj() const { return sbPrj_; }
  [[nodiscard]] QLabel* sbPrjPanel(int index) const { return index == 0 ? panel0_ : panel1_; }
  [[nodiscard]] QProgressBar* pbPrjDownStatus() const { return pbPrjDownStatus_; }
  [[nodiscard]] QWidget* tabPrjEdit() const { return tabPrjEdit_; }
  [[nodiscard]] QCheckBox* chkProTimes() const { return chkProTimes_; }
  [[nodiscard]] QLineEdit* editProTimes() const { return editProTimes_; }
  [[nodiscard]] QComboBox* cmbDownMethod() const { return cmbDownMethod_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyTexts();
  void TakeControls();  // the operator's edits into ctx.Project
  void ReturnFrame();

  AppContext& ctx_;
  ChipSelectionFrame& frame_;
  QWidget& home_;
  DataFileChooser choose_data_file_;
  bool rendering_ = false;
  std::vector<std::pair<std::string, int>> shown_log_;  // the lines memLogOffPrj shows

  QTabWidget* pagOffPrj_ = nullptr;
  QWidget* tabPrjEdit_ = nullptr;
  QWidget* tabPrjList_ = nullptr;
  QWidget* frameSlot_ = nullptr;
  QPushButton* Button2_ = nullptr;
  QLineEdit* editPrjName_ = nullptr;
  QTextEdit* memLogOffPrj_ = nullptr;
  QGroupBox* GroupBox1_ = nullptr;
  QCheckBox* chkPrjIdCheck_ = nullptr;
  QCheckBox* chkPrjErase_ = nullptr;
  QCheckBox* chkPrjBlankCheck_ = nullptr;
  QCheckBox* chkPrjWrite_ = nullptr;
  QCheckBox* chkPrjVerify_ = nullptr;
  QLabel* labelDownMethod_ = nullptr;
  QComboBox* cmbDownMethod_ = nullptr;
  QCheckBox* chkProTimes_ = nullptr;
  QLineEdit* editProTimes_ = nullptr;
  QGroupBox* GroupBox2_ = nullptr;  // the serial number group, hidden
  QPushButton* btnDownLoadPrj_ = nullptr;
  QProgressBar* pbPrjDownStatus_ = nullptr;
  QStatusBar* sbPrj_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
};

}  // namespace tessary
