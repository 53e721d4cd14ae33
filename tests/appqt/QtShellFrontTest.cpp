// The shell's Qt front end: menu texts and key hints, radio and option items, the pop-up menu,
// the viewer's keys in a real modal run, the version window, the font dialog, Ctrl+wheel and
// the font size keys, the recent-files submenu and the go-to-line dialog.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "app/qt/QtFormAbout.h"
#include "app/qt/QtFormClip.h"
#include "app/qt/QtMainWindow.h"
#include "app/qt/QtShellActions.h"
#include "platform/qt/QtEditorWindow.h"
#include "platform/qt/QtFontDialog.h"
#include "platform/qt/QtShellStatusBar.h"
#include "platform/qt/TabStripWidget.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

struct Front : ::testing::Test {
  PrivateStateHome state;
  TestShellBoxes boxes;
  TestShellProcess process;
  TestClipboard clipboard;
  std::string dir;
  std::unique_ptr<QtMainWindow> w;
  void SetUp() override {
    testqt::EnsureQtApp();
    std::string pattern = (std::filesystem::temp_directory_path() / "quiret-front-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    process.args = {dir + "/quiret"};
    w = std::make_unique<QtMainWindow>(boxes, process, clipboard, dir + "/quiret.ini");
    w->Form().FormCreate();
    w->Actions().UpdateEnabled();  // the first idle moment
  }
  // Shortcuts reach only the active window.
  void ShowActive() {
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  void TearDown() override {
    w.reset();
    std::filesystem::remove_all(dir);
  }
  QAction* Item(const char* name) { return w->Actions().Item(name); }
  void Open(const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    w->Form().OpenFile(dir + "/" + name);
  }
  QtEditorWindow* Page(int tab) { return dynamic_cast<QtEditorWindow*>(w->Form().Tab(tab).Page.get()); }
};

TEST_F(Front, KeyHintsAreRightAlignedTextNeverShortcutsAndFollowTheirCommand) {
  const char* const hinted[][2] = {{"MmUndo", "元に戻す(&Z)\tCtrl+Z"},
                                   {"PmRedo", "やり直し(&R)\tCtrl+Y"},
                                   {"PmCopy", "コピー(&C)\tCtrl+C | Ctrl+Ins"},
                                   {"MmCut", "切り取り(&X)\tCtrl+X | Shift+Del"},
                                   {"PmPaste", "貼り付け(&V)\tCtrl+V | Shift+Ins"},
                                   {"MmSelectAll", "すべてを選択(&A)\tCtrl+A"},
                                   {"PmHome", "テキストの先頭へ(&H)\tCtrl+Home"},
                                   {"MmEnd", "テキストの最後へ(&E)\tCtrl+End"}};
  for (const auto& [name, text] : hinted) EXPECT_EQ(Item(name)->text(), QString::fromUtf8(text)) << name;
  // No action anywhere may take a key the editor handles itself.
  const QStringList editorKeys = {"Ctrl+Z", "Ctrl+Y",    "Ctrl+C", "Ctrl+Ins",  "Ctrl+X",  "Shift+Del",
                                  "Ctrl+V", "Shift+Ins", "Ctrl+A", "Ctrl+Home", "Ctrl+End"};
  for (QAction* a : w->findChildren<QAction*>())
    for (const QKeySequence& k : a->shortcuts())
      EXPECT_FALSE(editorKeys.contains(k.toString())) << a->text().toStdString();
  w->Form().Execute("FileNew");
  w->Form().Tab(0).Editor->TypeText("text");
  w->Form().Execute("EditSelectAll");
  w->Actions().UpdateEnabled();
  EXPECT_EQ(std::make_tuple(Item("PmUndo")->isEnabled(), Item("MmCopy")->isEnabled()),
            std::make_tuple(true, true));
  w->Form().Execute("EditUndo");
  w->Actions().UpdateEnabled();
  EXPECT_EQ(
      std::make_tuple(Item("MmUndo")->isEnabled(), Item("PmCut")->isEnabled(), Item("MmRedo")->isEnabled()),
      std::make_tuple(false, false, true));
}

TEST_F(Front, RadioItemsToggleItemsAndTheOptionMenuRule) {
  EXPECT_TRUE(Item("MmTabFit")->isChecked());
  EXPECT_NE(Item("MmTabFit")->actionGroup(), nullptr);
  Item("MmTab80")->trigger();
  EXPECT_EQ(w->Strip().TabWidth(), 80);
  EXPECT_TRUE(Item("MmTab80")->isChecked());
  EXPECT_FALSE(Item("MmTabFit")->isChecked());
  Item("MmTabBottom")->trigger();
  EXPECT_EQ(w->Strip().TabPosition(), TabStripWidget::PositionBottom);
  QMenu* option = w->menuBar()->findChild<QMenu*>("MmOption");
  ASSERT_NE(option, nullptr);
  emit option->aboutToShow();
  EXPECT_FALSE(Item("MmStyleButton")->isEnabled());
  EXPECT_FALSE(Item("MmStyleFlat")->isEnabled());
  EXPECT_TRUE(Item("MmTabBottom")->isEnabled());
  Item("MmScroll")->trigger();
  EXPECT_FALSE(Item("MmScroll")->isChecked());
  EXPECT_FALSE(w->Form().Checked("MmScroll"));
  Item("MmCloseAsk")->trigger();
  EXPECT_FALSE(Item("MmCloseAsk")->isChecked());
  EXPECT_FALSE(w->Form().Checked("MmCloseAsk"));
}

TEST_F(Front, EditorPopupOpensThePopupMenuAtThePoint) {
  w->show();
  w->Form().Execute("FileNew");
  auto* page = dynamic_cast<QtEditorWindow*>(w->Form().Tab(0).Page.get());
  ASSERT_NE(page, nullptr);
  emit page->popupMenuRequested(QPoint(120, 90));
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), "PopupMenu");
  EXPECT_EQ(menu->actions().size(), 11);  // eight items, three separators
  EXPECT_EQ(menu->pos(), QPoint(120, 90));
  menu->close();
}

// Coming back to the window looks at the active document's file (from the event loop, once);
// typed text that became "?" is told in the status bar.
TEST_F(Front, ActivationLooksForOutsideChangesAndReplacedTypingIsTold) {
  const std::string path = dir + "/a.txt";
  std::ofstream(path) << "old\n";
  w->Form().OpenFile(path);
  ShowActive();
  QCoreApplication::processEvents();
  boxes.shown.clear();
  std::ofstream(path) << "changed by another program\n";
  QEvent activation(QEvent::ActivationChange);
  QApplication::sendEvent(w.get(), &activation);
  EXPECT_TRUE(boxes.shown.empty()) << "asked inside the activation itself";
  QCoreApplication::processEvents();
  ASSERT_EQ(boxes.Texts("yesno").size(), 1u);
  EXPECT_EQ(boxes.Texts("yesno")[0].rfind(path + "\r\n は他のプログラムによって変更されました。", 0), 0u);

  auto* page = dynamic_cast<QtEditorWindow*>(&w->Form().Tab(0).Editor->Window());
  ASSERT_NE(page, nullptr);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("😀"));
  QApplication::sendEvent(page, &key);
  EXPECT_EQ(w->Status().PanelText(kFindPanel),
            QString::fromUtf8("Shift-JISで表せない文字を「?」に置き換えました（1文字）"));
}

// A message of any length is cut in its panel (the whole of it in the tooltip); the window
// keeps its width.
TEST_F(Front, LongStatusMessagesDoNotWidenTheWindow) {
  ShowActive();
  QCoreApplication::processEvents();
  const int width = w->width(), least = w->minimumSizeHint().width();
  const QString message =
      QString::fromUtf8("「") + QString(400, 'q') + QString::fromUtf8("」は見つかりません");
  for (int panel : {kFindPanel, kNoticePanel}) w->Status().SetPanelText(panel, message.toStdString());
  QCoreApplication::processEvents();
  EXPECT_EQ(w->width(), width);
  EXPECT_LT(w->minimumSizeHint().width(), least + 200);
  EXPECT_EQ(w->Status().PanelText(kFindPanel), message);
}

TEST_F(Front, ViewerOpensWithF9AndTakesF5F12AndF9InItsModalRun) {
  ShowActive();
  clipboard.PutFromOutside("abc");
  w->Actions().UpdateEnabled();  // the idle moment after the clipboard changed
  QtFormClip& viewer = w->FormClip();
  QStringList seen;
  // The viewer's keys: actions of the viewer window, so its shortcuts work while it is active
  // (the offscreen platform does not hand the modal window the keyboard, so they are triggered).
  auto key = [&](Qt::Key k) {
    for (QAction* a : viewer.actions())
      if (a->shortcut() == QKeySequence(k) && a->isEnabled()) return a->trigger(), true;
    return false;
  };
  auto shown = [&] { return QString::fromStdString(w->Form().FormClip->SEditC().Lines->GetText()); };
  QTimer::singleShot(0, &viewer, [&] {
    seen << QString::number(viewer.isVisible()) << shown();
    clipboard.PutFromOutside("new");
    seen << QString::number(key(Qt::Key_F5));
    seen << shown();
    seen << QString::number(key(Qt::Key_F12));
    seen << shown() + "|" + QString::number(clipboard.HasText());
    w->Actions().UpdateEnabled();
    seen << QString::number(key(Qt::Key_F12));  // nothing left to clear: disabled
    key(Qt::Key_F9);
  });
  // A safety net: if F9 fails to close the viewer, the test still ends.
  QTimer::singleShot(3000, &viewer, [&] { viewer.reject(); });
  QTest::keyClick(w.get(), Qt::Key_F9);
  EXPECT_EQ(seen, (QStringList{"1", "abc", "1", "new", "1", "|0", "0"}));
  EXPECT_FALSE(viewer.isVisible());
  EXPECT_EQ(viewer.windowTitle(), "Quiret - Clipboard Viewer");
  QStringList menus;
  for (QAction* a : viewer.MenuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"ウィンドウ(&W)", "表示(&V)", "編集(&E)"}));
}

TEST_F(Front, VersionWindowIsFixedHasTheIconAndClosesWithOK) {
  QtFormAbout& about = w->FormAbout();
  EXPECT_EQ(about.size(), QSize(256, 195));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(about.windowTitle(), "Quiret - Version");
  EXPECT_TRUE(about.OkButton()->isDefault());
  EXPECT_EQ(about.OkButton()->toolTip(), QString::fromUtf8("バージョン情報を閉じる"));
  auto* icon = about.findChild<QLabel*>("Icon");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));  // the compiled-in resource is there
  QTimer::singleShot(0, &about, [&] { about.OkButton()->click(); });
  QTimer::singleShot(3000, &about, [&] { about.reject(); });
  w->show();
  w->Form().MenuClick("MmAbout");
  EXPECT_FALSE(about.isVisible());
}

// The real save dialog carries the encoding and line end, preset with the document's; what
// is picked there is what the file gets. The reopen submenu marks the document's encoding.
TEST_F(Front, SaveAsDialogOffersEncodingAndLineEndAndTheReopenMenuMarksTheEncoding) {
  const std::string path = dir + "/u.txt";
  std::ofstream(path) << "\xEF\xBB\xBF\xE3\x81\x82\r\n";  // あ, UTF-8 with BOM, CR LF
  w->Form().OpenFile(path);
  EXPECT_EQ(w->Status().PanelText(kFormatPanel), QString::fromUtf8("UTF-8 BOM · CRLF"));
  QMenu* reopen = w->menuBar()->findChild<QMenu*>("MmReopen");
  ASSERT_NE(reopen, nullptr);
  emit reopen->aboutToShow();
  EXPECT_TRUE(Item("MmReopenUtf8")->isChecked());
  EXPECT_FALSE(Item("MmReopenShiftJis")->isChecked());
  QStringList seen;
  QTimer::singleShot(0, w.get(), [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    auto* encoding = dialog->findChild<QComboBox*>("encoding");
    auto* lineEnd = dialog->findChild<QComboBox*>("lineEnd");
    if (!encoding || !lineEnd) return dialog->reject();
    seen << encoding->currentText() << lineEnd->currentText();
    encoding->setCurrentIndex(encoding->findText("UTF-16BE"));
    lineEnd->setCurrentIndex(lineEnd->findText("LF"));
    dialog->selectFile(QString::fromStdString(dir + "/be.txt"));
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, as its button does
  });
  QTimer::singleShot(5000, w.get(), [&] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  w->show();
  w->Form().Execute("FileSaveAs");
  EXPECT_EQ(seen, (QStringList{"UTF-8 BOM", "CR LF"}));
  std::ifstream in(dir + "/be.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("\x30\x42\x00\x0A", 4));
  EXPECT_EQ(w->Status().PanelText(kFormatPanel), QString::fromUtf8("UTF-16BE · LF"));
}

TEST_F(Front, CtrlWheelAndKeysSizeEveryTabAPlainWheelScrolls) {
  ShowActive();
  TFormBase& f = w->Form();
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line\r\n";
  Open("a.txt", text);
  f.Execute("FileNew");
  f.Execute("MoveLeftTab");
  QtEditorWindow* page = Page(0);
  auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
    QWheelEvent e(QPointF(50, 50), page->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(page->viewport(), &e);
  };
  wheel(-120, Qt::NoModifier);
  wheel(240, Qt::ControlModifier);
  wheel(60, Qt::ControlModifier);  // half a notch waits for the other half
  EXPECT_EQ(std::make_pair(f.Tab(0).Editor->TopRow, f.FontSize), std::make_pair(2, 14));
  wheel(60, Qt::ControlModifier);
  EXPECT_EQ(f.Tab(1).Editor->GetFont().Size(), 15);
  // Ctrl with the + key (however the layout shifts it), =, ;, - and 0.
  for (const auto& [key, size] : {std::pair{Qt::Key_Plus, 16},
                                  {Qt::Key_Equal, 17},
                                  {Qt::Key_Semicolon, 18},
                                  {Qt::Key_Minus, 17},
                                  {Qt::Key_0, 12}}) {
    QTest::keyClick(page, key, Qt::ControlModifier);
    EXPECT_EQ(f.FontSize, size) << key;
  }
}

// Ctrl+PgUp and Ctrl+PgDn switch tabs from inside the editor, around the ends; with one tab
// the editor keeps the keys (its page scroll).
TEST_F(Front, CtrlPageKeysSwitchTabs) {
  ShowActive();
  TFormBase& f = w->Form();
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line\r\n";
  Open("a.txt", text);
  QTest::keyClick(Page(0), Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_GT(f.Tab(0).Editor->TopRow, 0);
  Open("b.txt", "b\r\n");
  Open("c.txt", "c\r\n");
  w->Actions().UpdateEnabled();
  std::vector<int> seen;
  for (auto key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageUp}) {
    QTest::keyClick(Page(f.ActiveIndex()), key, Qt::ControlModifier);
    seen.push_back(f.ActiveIndex());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 1, 0}));
}

TEST_F(Front, RecentSubmenuShowsNumberedPathsAndOpensThem) {
  QMenu* recent = w->Actions().Item("MmRecent")->menu();
  auto texts = [&] {
    emit recent->aboutToShow();
    QStringList out;
    for (QAction* a : recent->actions())
      out << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : "!"));
    return out;
  };
  EXPECT_EQ(texts(), (QStringList{"（なし）!", "-", "一覧をクリア(&C)!"}));
  Open("R&D 日本語.txt", "x\r\n");
  for (int i = 0; i < 9; ++i) Open(std::to_string(i) + ".txt", "");
  const QStringList shown = texts();
  EXPECT_EQ(shown.mid(8),
            (QStringList{QString::fromStdString("&9 " + dir + "/0.txt"),
                         QString::fromStdString("&0 " + dir + "/R&&D 日本語.txt"), "-", "一覧をクリア(&C)"}));
  while (w->Form().TabCount() > 0) w->Form().Execute("FileClose");
  recent->actions().at(9)->trigger();
  EXPECT_EQ(w->Form().Tab(0).Hint, dir + "/R&D 日本語.txt");
}

TEST_F(Front, CtrlGAsksForTheLineAndTheCaretPanelFollows) {
  ShowActive();
  Open("a.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
  w->Actions().UpdateEnabled();  // the idle moment after the file opened: Ctrl+G is enabled
  QString label;
  QTimer::singleShot(0, w.get(), [&] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    label = dialog->labelText() + QString::number(dialog->intValue());
    dialog->findChild<QSpinBox*>()->setValue(5);
    dialog->accept();
  });
  QTest::keyClick(Page(0), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(label, QString::fromUtf8("行番号（1～7）(&L):1"));
  EXPECT_EQ(w->Status().PanelText(kCaretPanel), QString::fromUtf8("5 行、1 桁"));
  EXPECT_EQ(w->focusWidget(), Page(0));
}

TEST(FontDialog, KeepsAnUninstalledNameListsJapaneseFacesAndReturnsNameSizeColour) {
  testqt::EnsureQtApp();
  QtFontDialog d(TFontChoice{"ＭＳ ゴシック", 12, 0x000000FF, 128});
  EXPECT_EQ(d.NameEdit()->text(), QString::fromUtf8("ＭＳ ゴシック"));
  EXPECT_EQ(d.NameList()->currentRow(), -1);
  EXPECT_EQ(d.SizeList()->currentItem()->text(), "12");
  EXPECT_EQ(d.Choice(), (TFontChoice{"ＭＳ ゴシック", 12, 0x000000FF, 128}));
  const auto found = d.NameList()->findItems("IPAGothic", Qt::MatchExactly);
  ASSERT_FALSE(found.isEmpty());  // the package the build installs
  EXPECT_TRUE(d.NameList()->findItems("DejaVu Sans", Qt::MatchExactly).isEmpty());  // writes no Japanese
  d.NameList()->setCurrentItem(found.first());
  d.SizeList()->setCurrentRow(d.SizeList()->count() - 1);
  d.SetColor(QColor(0, 0, 255));
  EXPECT_EQ(d.Choice(), (TFontChoice{"IPAGothic", 72, 0x00FF0000, 128}));
  EXPECT_EQ(d.Sample()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  d.SizeEdit()->clear();
  EXPECT_FALSE(d.OkButton()->isEnabled());
}

}  // namespace
}  // namespace quiret
