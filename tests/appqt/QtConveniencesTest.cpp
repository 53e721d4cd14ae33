// The Qt front end of the conveniences: Ctrl+wheel and the zoom keys, the recent-files
// submenu's entries, the go-to-line dialog and the caret's panel.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QInputDialog>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "app/UnitQrBase.h"
#include "app/qt/QtMainWindow.h"
#include "app/qt/QtShellActions.h"
#include "platform/qt/QtEditorWindow.h"
#include "platform/qt/QtShellStatusBar.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

struct Conveniences : ::testing::Test {
  TestShellBoxes boxes;
  TestShellProcess process;
  TestShellClipboard clipboard;
  std::string dir;
  std::unique_ptr<QtMainWindow> w;
  void SetUp() override {
    testqt::EnsureQtApp();
    std::string pattern = (std::filesystem::temp_directory_path() / "quiret-conv-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    process.args = {dir + "/quiret"};
    w = std::make_unique<QtMainWindow>(boxes, process, clipboard, dir + "/quiret.ini");
    w->Form().FormCreate();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  void TearDown() override {
    w.reset();
    std::filesystem::remove_all(dir);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    return dir + "/" + name;
  }
  QtEditorWindow* Page(int tab) { return dynamic_cast<QtEditorWindow*>(w->Form().Tab(tab).Page.get()); }
  void Wheel(QtEditorWindow* page, int delta, Qt::KeyboardModifiers mods) {
    const QPointF at(50, 50);
    QWheelEvent e(at, page->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(page->viewport(), &e);
  }
};

TEST_F(Conveniences, CtrlWheelAndZoomKeysSizeEveryTabAPlainWheelScrolls) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line\r\n";
  TFormBase& f = w->Form();
  f.OpenFile(Write("a.txt", text));
  f.Execute("FileNew");
  f.Execute("MoveLeftTab");
  QtEditorWindow* page = Page(0);
  page->setFocus();
  Wheel(page, -120, Qt::NoModifier);
  EXPECT_EQ(f.Tab(0).Editor->TopRow, 2);  // a notch scrolls two rows
  EXPECT_EQ(f.FontSize, 12);
  Wheel(page, 240, Qt::ControlModifier);
  EXPECT_EQ(f.Tab(0).Editor->TopRow, 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(f.Tab(i).Editor->GetFont().Size(), 14) << i;
  Wheel(page, 60, Qt::ControlModifier);  // half a notch waits for the other half
  EXPECT_EQ(f.FontSize, 14);
  Wheel(page, 60, Qt::ControlModifier);
  EXPECT_EQ(f.FontSize, 15);
  Wheel(page, -120, Qt::ControlModifier);
  EXPECT_EQ(f.FontSize, 14);
  w->Actions().UpdateEnabled();
  for (const auto& [key, mods, size] : std::vector<std::tuple<int, Qt::KeyboardModifiers, int>>{
           {Qt::Key_Plus, Qt::ControlModifier, 15},  // the + key, however the layout shifts it
           {Qt::Key_Equal, Qt::ControlModifier, 16},
           {Qt::Key_Semicolon, Qt::ControlModifier, 17},
           {Qt::Key_Minus, Qt::ControlModifier, 16},
           {Qt::Key_0, Qt::ControlModifier, 12}}) {
    QTest::keyClick(page, static_cast<Qt::Key>(key), mods);
    EXPECT_EQ(f.FontSize, size) << key;
  }
  EXPECT_EQ(f.Tab(1).Editor->GetFont().Size(), 12);
}

TEST_F(Conveniences, RecentSubmenuListsNumberedPathsAndOpensThem) {
  TFormBase& f = w->Form();
  QMenu* recent = w->Actions().Item("MmRecent")->menu();
  ASSERT_NE(recent, nullptr);
  auto texts = [&] {
    emit recent->aboutToShow();
    QStringList out;
    for (QAction* a : recent->actions())
      out << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : "!"));
    return out;
  };
  EXPECT_EQ(texts(), (QStringList{"（なし）!", "-", "一覧をクリア(&C)!"}));
  const std::string first = Write("R&D 日本語.txt", "x\r\n");
  f.OpenFile(first);
  for (int i = 0; i < 9; ++i) f.OpenFile(Write("f" + std::to_string(i) + ".txt", ""));
  const QStringList shown = texts();
  ASSERT_EQ(shown.size(), 12);
  EXPECT_EQ(shown[0], QString::fromStdString("&1 " + dir + "/f8.txt"));
  EXPECT_EQ(shown[9], QString::fromStdString("&0 " + dir + "/R&&D 日本語.txt"));
  EXPECT_EQ(shown.mid(10), (QStringList{"-", "一覧をクリア(&C)"}));
  while (f.TabCount() > 0) f.Execute("FileClose");
  recent->actions().at(9)->trigger();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, first);
  EXPECT_EQ(texts().first(), QString::fromStdString("&1 " + dir + "/R&&D 日本語.txt"));
}

TEST_F(Conveniences, GoToLineDialogAndTheCaretPanel) {
  TFormBase& f = w->Form();
  f.OpenFile(Write("a.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n"));
  QtShellStatusBar& status = w->Status();
  EXPECT_EQ(status.PanelText(kCaretPanel), QString::fromUtf8("1 行、1 桁"));
  QString label;
  int preset = -1;
  QTimer::singleShot(0, w.get(), [&] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    label = dialog->labelText();
    preset = dialog->intValue();
    dialog->findChild<QSpinBox*>()->setValue(5);
    dialog->accept();
  });
  QTest::keyClick(Page(0), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(label, QString::fromUtf8("行番号（1～7）(&L):"));
  EXPECT_EQ(preset, 1);
  EXPECT_EQ(f.ActiveEditor()->CaretRow, 4);
  EXPECT_EQ(status.PanelText(kCaretPanel), QString::fromUtf8("5 行、1 桁"));
  EXPECT_EQ(w->focusWidget(), Page(0));
}

}  // namespace
}  // namespace quiret
