// The program's window started as a whole in a throwaway program folder:
// the restored chip, the language captions, choosing a chip in the boxes,
// the about dialog and saving the settings at close.
#include "app/about.h"
#include "app/app_context.h"
#include "support/program_folder.h"
#include "support/scripted_link.h"
#include "ui/about_dialog.h"
#include "ui/chip_selection_frame.h"
#include "ui/main_window.h"
#include "ui/qt_operator_panel.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <sstream>

namespace tessary {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct StartedWindow : ::testing::Test {
  explicit StartedWindow(bool with_catalogue = true, bool with_languages = false)
      : folder(with_catalogue, with_languages) {
    usb.present = false;
    clock.SetTimeOfDay(9, 30, 0);
  }

  void Start() {
    window = std::make_unique<MainWindow>(ctx, panel, folder.path());
    const StartUpOutcome outcome = window->StartUp();
    ASSERT_TRUE(outcome.ok) << outcome.message;
    window->show();
  }
  const MainWindowWidgets& W() const { return window->widgets(); }
  ChipSelectionFrame& Frame() const { return *W().frameChipInfoMain; }
  QStringList LogLines() const {
    const QString text = W().memLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
  }
  QString Caption(const char* name) const {
    if (QAction* item = window->menuItem(name)) return item->text();
    QWidget* widget = window->findChild<QWidget*>(name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return Frame().EditLabel(edit)->text();
    return {};
  }
  // The operator picks an item from a box's list.
  static void Pick(QComboBox& box, const QString& item) {
    const int index = box.findText(item);
    ASSERT_GE(index, 0) << item.toStdString();
    box.setCurrentIndex(index);
    emit box.activated(index);
  }
  // The operator replaces a box's text by typing.
  static void TypeInto(QComboBox& box, const QString& text) {
    box.lineEdit()->selectAll();
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(box.lineEdit(), &press);
    }
  }

  testing::ProgramFolder folder;
  VirtualClock clock;
  QtOperatorPanel panel;
  testing::ScriptedLink usb{clock};
  AppContext ctx{clock, panel, usb};
  std::unique_ptr<MainWindow> window;
};

TEST_F(StartedWindow, FreshStartShowsTheRestoredChipQuietlyWithChineseCaptions) {
  Start();
  EXPECT_EQ(Frame().cmbChipType()->currentText(), "24 EEPROM");
  EXPECT_EQ(Frame().cmbDownChipName()->currentText(), "24C02");
  EXPECT_GT(Frame().cmbDownChipManuf()->count(), 0);
  EXPECT_EQ(window->findChild<QLineEdit*>("ledtChipCap")->text(), "256B");
  EXPECT_FALSE(Frame().sbChipDetect()->isEnabled());
  EXPECT_EQ(W().StatusPanels[3]->text(), "CheckSum:0000FF00H");
  EXPECT_EQ(W().StatusPanels[0]->text(), QString::fromUtf8("设备离线"));
  EXPECT_TRUE(W().reDownFileAddr->toPlainText().startsWith("00000000H  "));
  EXPECT_TRUE(W().reDownFile->toPlainText().startsWith("FF FF FF"));
  // Rendering the restored chip ran no handler: a handler would have logged
  // the choice, since the restore used up the quiet mark.
  EXPECT_TRUE(LogLines().isEmpty()) << LogLines().join('|').toStdString();

  EXPECT_EQ(window->windowTitle(), "Halvern Tessary Series Programmer  V1.1.0");
  EXPECT_EQ(Caption("Menu_File"), QString::fromUtf8("文件(&F)"));
  EXPECT_EQ(Caption("sbChipDetect"), QString::fromUtf8("芯片检测"));
  EXPECT_EQ(Caption("sbChipFind"), QString::fromUtf8("芯片查找"));
  EXPECT_EQ(Caption("ledtChipVoltage"), QString::fromUtf8("芯片电压："));
  EXPECT_EQ(Caption("rgbSocketType"), QString::fromUtf8("通道选择："));
  auto* items = window->findChild<QButtonGroup*>("rgbSocketTypeItems");
  EXPECT_EQ(items->button(0)->text(), QString::fromUtf8("单片烧录(CH1)"));
  EXPECT_EQ(items->button(1)->text(), QString::fromUtf8("单片烧录(CH1)"));
  EXPECT_TRUE(items->button(0)->isChecked());
  EXPECT_TRUE(window->menuItem("Menu_Settings_Lang_CN")->isChecked());
  EXPECT_FALSE(window->menuItem("MenuHelp")->isVisible());
  EXPECT_FALSE(window->menuItem("MenuPrjOffline")->isVisible());
  EXPECT_TRUE(window->menuItem("mmIgnoreInvalidBlocks")->isChecked());
  EXPECT_TRUE(W().pbDLChip1->isVisibleTo(window.get()));
  EXPECT_FALSE(W().pbDLChip2->isVisibleTo(window.get()));
}

struct StartedWindowWithLanguages : StartedWindow {
  StartedWindowWithLanguages() : StartedWindow(true, true) {}
};

TEST_F(StartedWindowWithLanguages, LanguageSevenIsEnglishAndTheMenuSwitchesBack) {
  folder.WriteFile("dev.ini", "[SystemOption]\nLanguage=7\n");
  Start();
  EXPECT_TRUE(window->menuItem("Menu_Settings_Lang_EN")->isChecked());
  EXPECT_FALSE(window->menuItem("Menu_Settings_Lang_CN")->isChecked());
  EXPECT_EQ(Caption("Menu_File"), "File(&F)");
  EXPECT_EQ(Caption("sbOpenFile"), "Open");
  EXPECT_EQ(Caption("gbChipInfo"), "Chip");
  EXPECT_EQ(Caption("ledtChipCap"), "Capacity:");
  EXPECT_EQ(Caption("sbChipDetect"), "Detect");
  EXPECT_EQ(W().StatusPanels[0]->text(), "Programmer offline");
  auto* items = window->findChild<QButtonGroup*>("rgbSocketTypeItems");
  EXPECT_EQ(items->button(1)->text(), "Dual socket (CH1+CH2)");

  window->menuItem("Menu_Settings_Lang_CN")->trigger();
  EXPECT_TRUE(window->menuItem("Menu_Settings_Lang_CN")->isChecked());
  EXPECT_FALSE(window->menuItem("Menu_Settings_Lang_EN")->isChecked());
  EXPECT_EQ(ctx.DeviceInfo.Language, 0);
  EXPECT_TRUE(Caption("Menu_File").endsWith("(&F)"));
  EXPECT_NE(Caption("Menu_File"), "File(&F)");
  EXPECT_NE(W().StatusPanels[0]->text(), "Programmer offline");
  EXPECT_TRUE(window->windowTitle().startsWith(QString::fromStdString(ctx.Texts.MainSoftWareInfo)));
}

TEST_F(StartedWindow, PickingAChipTypeCascadesAndLogsOneLine) {
  Start();
  Pick(*Frame().cmbChipType(), "25 FLASH");

  ASSERT_EQ(LogLines().size(), 1) << "one line for the chip that ends up selected";
  const QString chip = Frame().cmbDownChipName()->currentText();
  EXPECT_FALSE(chip.isEmpty());
  EXPECT_EQ(QString::fromStdString(ctx.CurrentPrj.ChipName), chip);
  EXPECT_EQ(LogLines()[0], QString::fromUtf8("09:30:00 手动选择芯片成功，型号：") + chip + " " +
                               QString::fromUtf8("容量：") +
                               window->findChild<QLineEdit*>("ledtChipCap")->text());
  EXPECT_EQ(QString::fromStdString(ctx.ChipFrame.cmbDownChipManuf.text),
            Frame().cmbDownChipManuf()->currentText());
  EXPECT_TRUE(Frame().sbChipDetect()->isEnabled());
  EXPECT_EQ(W().StatusPanels[3]->text().left(9), "CheckSum:");
  EXPECT_NE(W().StatusPanels[3]->text(), "CheckSum:0000FF00H") << "a bigger buffer of 0xFF";

  Pick(*Frame().cmbChipType(), "93 EEPROM");
  EXPECT_FALSE(W().rgbSocketType->isEnabled()) << "93-series chips take one socket only";
  EXPECT_EQ(LogLines().size(), 2);
}

TEST_F(StartedWindow, TypingANameSelectsItOnlyWhenTheCatalogueKnowsIt) {
  Start();
  Pick(*Frame().cmbChipType(), "24 EEPROM");
  const std::string first = ctx.CurrentPrj.ChipName;
  EXPECT_EQ(first, Frame().cmbDownChipName()->currentText().toStdString());
  const int lines = static_cast<int>(LogLines().size());

  TypeInto(*Frame().cmbDownChipName(), "NO-SUCH");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, first) << "an unknown name keeps the current chip";
  EXPECT_EQ(Frame().cmbDownChipName()->currentText(), "NO-SUCH") << "the typed text stays";

  TypeInto(*Frame().cmbDownChipName(), "24C04");
  EXPECT_EQ(ctx.CurrentPrj.ChipName, "24C04");
  EXPECT_EQ(ctx.RamFile.Data.size(), 512u);
  EXPECT_EQ(Frame().cmbDownChipName()->currentText(), "24C04");
  EXPECT_GT(static_cast<int>(LogLines().size()), lines);
  EXPECT_TRUE(LogLines().last().contains("24C04"));
}

TEST_F(StartedWindow, ACatalogueFailureShowsTheErrorBoxAndStopsTheHandler) {
  Start();
  const std::string chip = ctx.CurrentPrj.ChipName;
  ctx.Database.Close();
  QString shown;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  Pick(*Frame().cmbChipType(), "25 FLASH");
  EXPECT_FALSE(shown.isEmpty());
  EXPECT_EQ(ctx.CurrentPrj.ChipName, chip);
  EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(StartedWindow, AboutDialogShowsTheEnabledPartnersAndOpensTheirLinks) {
  {
    ChipDatabase db;
    std::string error;
    ASSERT_TRUE(db.Open(folder.path() / "login.dat", error)) << error;
    for (int n = 1; n <= 3; ++n) {
      const std::string id = std::to_string(n);
      db.ExecStatement(
          "INSERT INTO [Parterner] (Title, pName, website, Enable) VALUES (?, ?, ?, ?)",
          {"Friends", "Partner" + id, "https://p" + id + ".example", "Enable"});
    }
  }
  Start();
  AboutDialog& about = *window->frmAbout();
  QStringList opened;
  about.SetLinkOpener([&](const QString& address) { opened << address; });

  W().sbAbout->click();
  ASSERT_TRUE(about.isVisible());
  EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于"));
  EXPECT_EQ(about.findChild<QLabel*>("labelParterner")->text(), QString::fromUtf8("特别合作："));
  EXPECT_EQ(about.findChild<QLabel*>("lableSoftVer")->text(), window->windowTitle());
  EXPECT_EQ(about.height(), 198 + 20);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_TRUE(about.PartnerSlotLabel(k)->isVisible()) << k;
  }
  EXPECT_FALSE(about.PartnerSlotLabel(3)->isVisible());
  EXPECT_EQ(about.PartnerSlotLabel(2)->pos(), QPoint(8, 158));
  EXPECT_EQ(about.PartnerSlotLabel(1)->text(), "Partner2");

  const auto click = [](QLabel* label) {
    const QPointF at(2, 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &release);
  };
  click(about.PartnerSlotLabel(1));
  click(about.findChild<QLabel*>("Label5"));
  about.labelParternerWebSiteClick(5);  // an empty slot opens nothing
  EXPECT_EQ(opened, QStringList({"https://p2.example", kMakerWebAddress}));

  // After a language change the dialog reopens with the new heading.
  about.hide();
  window->menuItem("Menu_Settings_Lang_EN")->trigger();
  window->menuItem("Menu_About")->trigger();
  EXPECT_EQ(about.findChild<QLabel*>("labelParterner")->text(), "Partners:");
  EXPECT_EQ(about.PartnerSlotLabel(0)->text(), "Partner1");
}

TEST_F(StartedWindow, ClosingSavesTheSettingsAndReleasesTheBuffer) {
  Start();
  Pick(*Frame().cmbChipType(), "25 FLASH");
  const std::string chip = ctx.CurrentPrj.ChipName;
  window->menuItem("Menu_File_Exit")->trigger();

  const std::string saved = ReadFile(folder.path() / "dev.ini");
  EXPECT_NE(saved.find("ChipName=" + chip), std::string::npos) << saved;
  EXPECT_TRUE(ctx.RamFile.Data.empty());
  EXPECT_EQ(ctx.RamFile.DataLen, 0u);
}

TEST_F(StartedWindow, TheWindowsCloseButtonSavesToo) {
  folder.WriteFile("dev.ini", "[SystemOption]\nLanguage=1\n");
  Start();
  window->close();
  EXPECT_NE(ReadFile(folder.path() / "dev.ini").find("ChipName=24C02"), std::string::npos);
}

struct StartedWindowWithoutCatalogue : StartedWindow {
  StartedWindowWithoutCatalogue() : StartedWindow(false) {}
};

TEST_F(StartedWindowWithoutCatalogue, FailsWithOneMessageAndSavesNothing) {
  window = std::make_unique<MainWindow>(ctx, panel, folder.path());
  const StartUpOutcome outcome = window->StartUp();
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.message.find("login.dat"), std::string::npos);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the caller shows the message";
  window->close();
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "dev.ini"));
}

}  // namespace
}  // namespace tessary
