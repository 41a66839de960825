// The file merge window: its grid and texts, rows added and removed, the end
// address following the start while it is typed, and the merge button's
// checks, questions and messages.
#include "ui/file_merge_window.h"
#include "buffer/file_merge.h"
#include "support/recording_panel.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class FileMergeWindowTest : public ::testing::Test {
 protected:
  FileMergeWindowTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) / (std::string("merge-window-") + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    window.setOpenFileChooser([this](const QString& title, std::string_view filter) {
      return Choose(opened, title, filter);
    });
    window.setSaveFileChooser([this](const QString& title, std::string_view filter) {
      return Choose(saved, title, filter);
    });
    window.show();
  }
  ~FileMergeWindowTest() override { fs::remove_all(dir); }

  struct Chooser {
    std::deque<std::optional<fs::path>> answers;
    std::vector<std::pair<QString, std::string>> asked;  // title, filter
  };
  static std::optional<fs::path> Choose(Chooser& chooser, const QString& title,
                                        std::string_view filter) {
    chooser.asked.emplace_back(title, std::string(filter));
    if (chooser.answers.empty()) return std::nullopt;
    std::optional<fs::path> answer = chooser.answers.front();
    chooser.answers.pop_front();
    return answer;
  }

  fs::path Write(const std::string& name, std::size_t size, char value) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << std::string(size, value);
    return path;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Add(const fs::path& file) {
    opened.answers.push_back(file);
    window.btnMergeAddFile()->click();
  }
  QString CellText(int row, int column) {
    const QTableWidgetItem* item = window.sgFileCombin()->item(row, column);
    return item != nullptr ? item->text() : QString();
  }
  // Types into the start cell of `row` through its editor, key by key.
  void TypeStart(int row, const QString& text) {
    QTableWidget* grid = window.sgFileCombin();
    grid->setCurrentCell(row, 2);
    grid->editItem(grid->item(row, 2));
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->model()->index(row, 2)));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(editor, &press);
      typed_ends.push_back(CellText(row, 3));
    }
    // Enter leaves the cell with the text as typed.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();  // the delegate commits and closes the editor queued
    EXPECT_EQ(CellText(row, 2), text);
  }
  QString LastMessage() const {
    return panel.messages.empty() ? QString() : QString::fromStdString(panel.messages.back().text);
  }

  fs::path dir;
  testing::RecordingPanel panel;
  TfrmFileCombin window{panel};
  Chooser opened, saved;
  std::vector<QString> typed_ends;
};

TEST_F(FileMergeWindowTest, GridAndTexts) {
  QTableWidget* grid = window.sgFileCombin();
  EXPECT_EQ(window.windowTitle(), "文件合并");
  EXPECT_EQ(grid->columnCount(), 5);
  EXPECT_EQ(grid->rowCount(), 0);
  EXPECT_EQ(grid->size(), QSize(550, 130));
  const QStringList titles = {"序号", "文件名", "起始地址(H)", "结束地址(H)"};
  const int widths[] = {40, 280, 110, 110};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), titles[c]);
    EXPECT_EQ(grid->columnWidth(c), widths[c]);
  }
  EXPECT_EQ(window.btnMergeAddFile()->text(), "添加文件");
  EXPECT_EQ(window.btnMergeDelFile()->text(), "删除文件");
  EXPECT_EQ(window.btnMergeMergeFile()->text(), "合并文件");
  EXPECT_EQ(window.lableBlankChar()->text(), "FF");
  EXPECT_EQ(window.findChild<QLineEdit*>("lableBlankChar"), window.lableBlankChar());
}

TEST_F(FileMergeWindowTest, RowsFollowOnAndTheEndFollowsTheTypedStart) {
  Add(Write("a.bin", 0x1000, 'a'));
  Add(Write("b.bin", 0x800, 'b'));
  ASSERT_EQ(opened.asked.size(), 2u);
  EXPECT_EQ(opened.asked[0].second, "Bin File|*.bin|ALL|*.*");

  QTableWidget* grid = window.sgFileCombin();
  ASSERT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(CellText(0, 0), "1");
  EXPECT_EQ(CellText(1, 0), "2");
  EXPECT_EQ(CellText(1, 1), QString::fromStdString((dir / "b.bin").string()));
  EXPECT_EQ(CellText(0, 2), "00000000");
  EXPECT_EQ(CellText(0, 3), "00000FFF");
  EXPECT_EQ(CellText(1, 2), "00001000");
  EXPECT_EQ(CellText(1, 3), "000017FF");
  // Only the start column can be edited.
  EXPECT_TRUE(grid->item(1, 2)->flags() & Qt::ItemIsEditable);
  for (int c : {0, 1, 3}) EXPECT_FALSE(grid->item(1, c)->flags() & Qt::ItemIsEditable) << c;

  // Every keystroke moves the end; a text that is no number leaves it and
  // says why, without a message box.
  TypeStart(1, "2000");
  EXPECT_EQ(typed_ends, (std::vector<QString>{"00000801", "0000081F", "000009FF", "000027FF"}))
      << "2, 20, 200, 2000";
  EXPECT_TRUE(window.lblStartNote()->text().isEmpty());
  typed_ends.clear();
  TypeStart(1, "20G");
  EXPECT_EQ(typed_ends, (std::vector<QString>{"00000801", "0000081F", "0000081F"}));
  EXPECT_TRUE(window.lblStartNote()->text().contains("20G"))
      << window.lblStartNote()->text().toStdString();
  EXPECT_TRUE(panel.messages.empty());

  // A committed cell counts too.
  grid->item(1, 2)->setText("00002000");
  EXPECT_EQ(CellText(1, 3), "000027FF");
  EXPECT_TRUE(window.lblStartNote()->text().isEmpty());

  const fs::path out = dir / "out.bin";
  saved.answers.push_back(out);
  std::vector<QString> merged;
  QObject::connect(&window, &TfrmFileCombin::merged,
                   [&merged](const QString& output) { merged.push_back(output); });
  window.btnMergeMergeFile()->click();
  ASSERT_EQ(saved.asked.size(), 1u);
  EXPECT_EQ(saved.asked[0].first, "保存合并后的文件");
  EXPECT_EQ(LastMessage(), "文件合并完成！");
  EXPECT_EQ(Read(out),
            std::string(0x1000, 'a') + std::string(0x1000, '\xFF') + std::string(0x800, 'b'));
  EXPECT_EQ(merged, std::vector<QString>{QString::fromStdString(out.string())});
}

TEST_F(FileMergeWindowTest, FourRowsAtMostAndDeleteTakesTheLast) {
  for (int i = 0; i < 4; ++i) Add(Write("f" + std::to_string(i), 0x10, 'x'));
  Add(Write("f4", 0x10, 'x'));
  EXPECT_EQ(opened.asked.size(), 4u) << "a full grid does not even ask";
  EXPECT_EQ(window.sgFileCombin()->rowCount(), 4);

  window.sgFileCombin()->setCurrentCell(0, 1);
  window.btnMergeDelFile()->click();
  ASSERT_EQ(window.sgFileCombin()->rowCount(), 3);
  EXPECT_EQ(CellText(0, 1), QString::fromStdString((dir / "f0").string()));
  EXPECT_EQ(CellText(2, 1), QString::fromStdString((dir / "f2").string()));
  for (int i = 0; i < 5; ++i) window.btnMergeDelFile()->click();
  EXPECT_EQ(window.sgFileCombin()->rowCount(), 0);
  EXPECT_TRUE(panel.messages.empty());
}

TEST_F(FileMergeWindowTest, MergeRefusalsAndQuestions) {
  const fs::path out = Write("out.bin", 3, 'o');

  // One file: the message, and no save dialog.
  Add(Write("a.bin", 0x10, 'a'));
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(LastMessage(), "添加的文件个数少于两个，无法合并！");
  EXPECT_TRUE(saved.asked.empty());

  // A file that cannot be read is reported and not added.
  Add(dir / "missing.bin");
  EXPECT_EQ(window.sgFileCombin()->rowCount(), 1);
  EXPECT_TRUE(LastMessage().contains("missing.bin"));

  Add(Write("b.bin", 0x10, 'b'));
  // Cancelling the save dialog: nothing.
  const std::size_t messages = panel.messages.size();
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(panel.messages.size(), messages);

  // A one-character fill.
  window.lableBlankChar()->setText("0");
  saved.answers.push_back(out);
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(LastMessage(), "空白区域填充数据格式错误！");
  EXPECT_EQ(Read(out), "ooo");

  // An overlap asks first; No writes nothing.
  window.lableBlankChar()->setText("00");
  window.sgFileCombin()->item(1, 2)->setText("8");
  saved.answers.push_back(out);
  panel.next_answer = MessageAnswer::No;
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(LastMessage(), "文件的起始位置比较小，会覆盖前面的文件，请确认！");
  EXPECT_EQ(panel.messages.back().kind, MessageKind::Question);
  EXPECT_EQ(Read(out), "ooo");

  // Yes: the later file goes to its own start, over the earlier one.
  saved.answers.push_back(out);
  panel.next_answer = MessageAnswer::Yes;
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(LastMessage(), "文件合并完成！");
  EXPECT_EQ(Read(out), std::string(8, 'a') + std::string(0x10, 'b'));

  // An output that cannot be written: the error, and the old file stays.
  saved.answers.push_back(dir / "no-such-folder" / "out.bin");
  window.btnMergeMergeFile()->click();
  EXPECT_EQ(panel.messages.back().kind, MessageKind::Error);
  EXPECT_TRUE(LastMessage().contains("no-such-folder"));
  EXPECT_EQ(Read(out), std::string(8, 'a') + std::string(0x10, 'b'));
}

}  // namespace
}  // namespace tessary
