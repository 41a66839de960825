// The widgets of the main window, built from the window's design: the tool
// panel, the left chip panel, the hex view with the log and progress bars,
// and the status bar. Only construction and looks live here; the window
// wires the events and the operator panel renders core state into them.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

#include <array>
#include <cstdint>
#include <string_view>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTextEdit;
class QToolButton;
class QWidget;

namespace tessary {

class AppContext;
class ChipSelectionFrame;
class HexViewPane;

struct MainWindowWidgets {
  // Top tool panel.
  QFrame* Panel1 = nullptr;
  QToolButton* sbOpenFile = nullptr;
  QToolButton* sbSaveFile = nullptr;
  QToolButton* sbBufferFill = nullptr;
  QToolButton* sbAuto = nullptr;
  QToolButton* sbBlankCheck = nullptr;
  QToolButton* sbErase = nullptr;
  QToolButton* sbWrite = nullptr;
  QToolButton* sbRead = nullptr;
  QToolButton* sbVerify = nullptr;
  QToolButton* sbMess = nullptr;
  QToolButton* sbStop = nullptr;
  QToolButton* sbDevInfo = nullptr;
  QToolButton* sbAbout = nullptr;

  // Left panel: chip selection, socket mode, socket pictures.
  QWidget* PanelMainLeftInfo = nullptr;
  ChipSelectionFrame* frameChipInfoMain = nullptr;
  QGroupBox* rgbSocketType = nullptr;
  QButtonGroup* rgbSocketTypeItems = nullptr;  // ids 0 "普通模式", 1 "一拖二模式"
  QLabel* imgSocketPinout = nullptr;
  QLabel* imgSocketPinout1 = nullptr;
  QLabel* imgSocketPinout10 = nullptr;
  QLabel* imgSocketPinout20 = nullptr;

  // Right panel: hex view, log, progress. The hex view's parts belong to
  // hexView.
  QWidget* PanelEditMain = nullptr;
  HexViewPane* hexView = nullptr;
  QLabel* RichEdit5 = nullptr;  // "ADDR"
  QLabel* RichEdit2 = nullptr;  // the column digits
  QLabel* RichEdit3 = nullptr;  // "ASCII"
  QTextEdit* reDownFileAddr = nullptr;
  QTextEdit* reDownFile = nullptr;
  QTextEdit* reDownFileAscii = nullptr;
  QScrollBar* sbDownFile = nullptr;
  QFrame* PanelEditNote = nullptr;
  QTextEdit* memLog = nullptr;
  QLabel* labelCh1 = nullptr;
  QProgressBar* pbDLChip1 = nullptr;
  QLabel* labelCh2 = nullptr;
  QProgressBar* pbDLChip2 = nullptr;

  // Status bar row.
  std::array<QLabel*, 4> StatusPanels{};
  QLabel* stResult = nullptr;
  QPushButton* btnClearDownTimes = nullptr;
};

// The window's own font: the design's, or the CJK font at hand.
[[nodiscard]] QFont MainWindowFont();

// Builds the central widget and the status bar of `window`; the chip frame
// and the hex view show `ctx`.
MainWindowWidgets BuildMainWindowWidgets(QMainWindow& window, AppContext& ctx);

// A 0x00BBGGRR colour value as a QColor.
[[nodiscard]] QColor ColourFromRef(std::uint32_t colour_ref);

// The colour of a progress bar's filled part.
void SetBarColour(QProgressBar& bar, const QColor& colour);

// "Name|*.ext|Name|*.ext" as Qt name filters ("Name (*.ext)").
[[nodiscard]] QStringList NameFiltersFromPipeList(std::string_view filter);

}  // namespace tessary
