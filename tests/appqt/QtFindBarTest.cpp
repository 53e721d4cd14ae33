// The find bar in the real event loop while a long search runs: Esc stops it and goes no
// further, other input waits, and a stopped replace all leaves the text as it was.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/qt/QtFindBar.h"
#include "app/qt/QtMainWindow.h"
#include "platform/qt/QtEditorWindow.h"
#include "platform/qt/QtShellStatusBar.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

// A main window on a file holding `text`, shown and active (shortcuts reach only the active
// window), with its own state and a temporary folder removed at the end.
struct OpenWindow {
  explicit OpenWindow(const std::string& text) { Open(text); }
  ~OpenWindow() {
    w.reset();
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  // Apart from the constructor, which cannot hold a fatal assertion.
  void Open(const std::string& text) {
    testqt::EnsureQtApp();
    std::string pattern = (std::filesystem::temp_directory_path() / "quiret-findbar-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    process.args = {dir + "/quiret"};
    std::ofstream(dir + "/a.txt", std::ios::binary) << text;
    w = std::make_unique<QtMainWindow>(boxes, process, clipboard, dir + "/quiret.ini");
    w->Form().FormCreate();
    w->Form().OpenFile(dir + "/a.txt");
    w->resize(800, 600);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  }
  PrivateStateHome state;
  TestShellBoxes boxes;
  TestShellProcess process;
  TestClipboard clipboard;
  std::string dir;
  std::unique_ptr<QtMainWindow> w;
};

TEST(QtFindBar, EscapeStopsALongReplaceAllAndIsNotPassedOn) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "abc def " + std::to_string(i % 7) + "\r\n";
  {
    OpenWindow o(text);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    QtMainWindow& w = *o.w;
    TFormBase& f = w.Form();
    TLumoEdit& ed = *f.ActiveEditor();
    w.FindBar().Open(true);
    ASSERT_TRUE(f.SetFindTexts("[0-9]", "y"));
    f.FindOptions = TFindOptions{true, true};
    f.FindProgressDelayMs = 0;
    f.FindPollMs = 0;
    auto* page = w.findChild<QtEditorWindow*>();
    ASSERT_NE(page, nullptr);

    // Typing, a menu's shortcut and Esc arrive while it runs (as keys do, shortcuts tried
    // first): the typing and the shortcut are dropped, Esc stops it.
    QTimer::singleShot(0, [&] {
      QTest::keyClick(page, Qt::Key_Z);
      QTest::keyClick(page, Qt::Key_Z, Qt::ControlModifier);
      QTest::keyClick(w.FindBar().FindField(), Qt::Key_Escape);  // the focus is there
    });
    f.ReplaceAllExecute();
    EXPECT_EQ(ed.Lines->GetText(), text);
    EXPECT_EQ(w.Status().PanelText(kFindPanel).toStdString(),
              "「[0-9]」の置換を中止しました（何も置換していません）");
    EXPECT_TRUE(w.FindBar().isVisibleTo(&w));  // the Esc did not reach the bar

    // Without Esc the same command runs to its end.
    f.ReplaceAllExecute();
    EXPECT_EQ(w.Status().PanelText(kFindPanel).toStdString(), "20000件置換しました");
    EXPECT_EQ(ed.Lines->GetText().find_first_of("0123456789z"), std::string::npos);
  }
}

// Ctrl+R puts the cursor in the search field; typing searches, the count follows from the
// event loop, Esc goes back and gives the text the focus; after replace all from the bar,
// Ctrl+Z and Ctrl+Y act on the document.
TEST(QtFindBar, TypingSearchesEscapeGoesBackAndUndoReachesTheDocument) {
  const std::string text = "one cat\r\ndog cat\r\n";
  {
    OpenWindow o(text);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    QtMainWindow& w = *o.w;
    TFormBase& f = w.Form();
    TLumoEdit& ed = *f.ActiveEditor();
    auto* page = w.findChild<QtEditorWindow*>();
    ASSERT_NE(page, nullptr);
    page->setFocus();
    QTest::keyClick(page, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(w.FindBar().isVisible());
    EXPECT_TRUE(w.FindBar().FindField()->hasFocus());
    QTest::keyClicks(w.FindBar().FindField(), "cat");
    EXPECT_TRUE(ed.SelActive);
    EXPECT_EQ(ed.CaretCol, 7);
    QTRY_COMPARE(w.Status().PanelText(kHitCountPanel), QString::fromUtf8("1 / 2 件"));
    QTest::keyClick(w.FindBar().FindField(), Qt::Key_Escape);
    EXPECT_FALSE(w.FindBar().isVisible());
    EXPECT_FALSE(ed.SelActive);
    EXPECT_EQ(ed.CaretCol, 0);
    EXPECT_EQ(QApplication::focusWidget(), page);

    QTest::keyClick(page, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(w.FindBar().FindField()->text(), QString::fromUtf8("cat"));
    w.FindBar().ReplaceField()->setText("cow");
    QPushButton* all = nullptr;
    for (auto* b : w.FindBar().findChildren<QPushButton*>())
      if (b->text() == QString::fromUtf8("すべて置換")) all = b;
    ASSERT_NE(all, nullptr);
    QTest::mouseClick(all, Qt::LeftButton);
    EXPECT_EQ(ed.Lines->GetText(), "one cow\r\ndog cow\r\n");
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(w.FindBar().FindField()->hasFocus() || w.FindBar().ReplaceField()->hasFocus());
    QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ed.Lines->GetText(), text);
    QTest::keyClick(focus, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(ed.Lines->GetText(), "one cow\r\ndog cow\r\n");
    EXPECT_EQ(w.FindBar().ReplaceField()->text(), QString::fromUtf8("cow"));  // the field kept its text
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(w.FindBar().isVisible());
    EXPECT_EQ(QApplication::focusWidget(), page);
    EXPECT_EQ(ed.Lines->GetText(), "one cow\r\ndog cow\r\n");  // Esc after a command only closes
  }
}

}  // namespace
}  // namespace quiret
