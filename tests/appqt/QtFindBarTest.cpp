// The find bar in the real event loop while a long search runs: Esc stops it and goes no
// further, other input waits, and a stopped replace all leaves the text as it was.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "app/qt/QtFindBar.h"
#include "app/qt/QtMainWindow.h"
#include "platform/qt/QtEditorWindow.h"
#include "platform/qt/QtShellStatusBar.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(QtFindBar, EscapeStopsALongReplaceAllAndIsNotPassedOn) {
  testqt::EnsureQtApp();
  TestShellBoxes boxes;
  TestShellProcess process;
  TestShellClipboard clipboard;
  std::string pattern = (std::filesystem::temp_directory_path() / "quiret-findbar-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::string dir = pattern;
  process.args = {dir + "/quiret"};
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "abc def " + std::to_string(i % 7) + "\r\n";
  std::ofstream(dir + "/a.txt", std::ios::binary) << text;
  {
    QtMainWindow w(boxes, process, clipboard, dir + "/quiret.ini");
    TFormBase& f = w.Form();
    f.FormCreate();
    f.OpenFile(dir + "/a.txt");
    TLumoEdit& ed = *f.ActiveEditor();
    w.FindBar().Open(true);
    ASSERT_TRUE(f.SetFindTexts("[0-9]", "y"));
    f.FindOptions = TFindOptions{true, true};
    f.FindProgressDelayMs = 0;
    f.FindPollMs = 0;
    auto* page = w.findChild<QtEditorWindow*>();
    ASSERT_NE(page, nullptr);

    // Typing and Esc arrive while it runs: the typing is dropped, Esc stops it.
    QCoreApplication::postEvent(page, new QKeyEvent(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, "z"));
    QCoreApplication::postEvent(w.FindBar().FindField(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
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
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quiret
