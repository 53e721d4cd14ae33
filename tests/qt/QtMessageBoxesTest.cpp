// Message boxes and process services on Qt, driven under the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <functional>

#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtProcessServices.h"
#include "tests/qt/QtTestApp.h"

namespace quiret {
namespace {

QApplication* EnsureApplication() { return testqt::EnsureQtApp(); }

// What a box looked like when it was shown.
struct Seen {
  int boxes = 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  QStringList visibleButtons;
};

class QtMessageBoxesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    QtProcessServices().SetApplicationTitle("Quiret");
  }

  // Records each box, then runs `act` on it once its modal loop is running. A box that the
  // action fails to close is closed with done() so that a broken test cannot hang.
  void OnShow(std::function<void(QMessageBox&)> act) {
    boxes.SetBeforeShow([this, act](QMessageBox& box) {
      ++seen.boxes;
      seen.icon = box.icon();
      seen.title = box.windowTitle();
      seen.text = box.text();
      for (QAbstractButton* b : box.buttons()) {
        if (!b->isHidden()) seen.visibleButtons << b->text().remove('&');
      }
      QTimer::singleShot(0, &box, [&box, act] { act(box); });
      QTimer::singleShot(3000, &box, [&box] { box.done(-1); });
    });
  }

  static void Click(QMessageBox& box, QMessageBox::StandardButton which) { box.button(which)->click(); }
  static void PressKey(QMessageBox& box, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&box, &press);
  }

  QtMessageBoxes boxes;
  Seen seen;
};

TEST_F(QtMessageBoxesTest, StopBoxHasTheStopIconOkAndTheApplicationTitle) {
  OnShow([](QMessageBox& box) { Click(box, QMessageBox::Ok); });
  boxes.ShowStop("すでに起動しています。");
  EXPECT_EQ(seen.boxes, 1);
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.title, "Quiret");
  EXPECT_EQ(seen.text, "すでに起動しています。");
  EXPECT_EQ(seen.visibleButtons, QStringList{"OK"});
}

TEST_F(QtMessageBoxesTest, IconsOfTheOtherBoxes) {
  OnShow([](QMessageBox& box) { PressKey(box, Qt::Key_Return); });
  boxes.ShowInformation("info");
  EXPECT_EQ(seen.icon, QMessageBox::Information);
  boxes.ShowPlain("plain");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  boxes.ShowError("/home/u/<a>.txt\r\n が見つかりません。");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.text, "/home/u/<a>.txt\n が見つかりません。");  // plain text, LF line ends
  EXPECT_EQ(seen.boxes, 3);
}

TEST_F(QtMessageBoxesTest, YesNoReportsTheChoice) {
  OnShow([](QMessageBox& box) { Click(box, QMessageBox::Yes); });
  EXPECT_EQ(boxes.AskYesNo("保存しますか？", "確認"), YesNoAnswer::Yes);
  EXPECT_EQ(seen.title, "確認");
  EXPECT_EQ(seen.text, "保存しますか？");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.visibleButtons, (QStringList{"Yes", "No"}));

  OnShow([](QMessageBox& box) { Click(box, QMessageBox::No); });
  EXPECT_EQ(boxes.AskYesNo("q", "c"), YesNoAnswer::No);
  OnShow([](QMessageBox& box) { PressKey(box, Qt::Key_Return); });  // Yes is the default
  EXPECT_EQ(boxes.AskYesNo("q", "c"), YesNoAnswer::Yes);
}

TEST_F(QtMessageBoxesTest, YesNoClosedWithoutAChoice) {
  OnShow([](QMessageBox& box) { PressKey(box, Qt::Key_Escape); });
  EXPECT_EQ(boxes.AskYesNo("q", "c"), YesNoAnswer::Closed);
  OnShow([](QMessageBox& box) { box.close(); });  // the window's close box
  EXPECT_EQ(boxes.AskYesNo("q", ""), YesNoAnswer::Closed);
  EXPECT_EQ(seen.boxes, 2);
  EXPECT_EQ(seen.title, "Quiret");  // no caption: the application's title
}

TEST(QtProcessServicesTest, ArgumentZeroIsTheProgramFilesFullPath) {
  EnsureApplication();
  QtProcessServices process;
  const std::vector<std::string> args = process.Arguments();
  const QStringList raw = QCoreApplication::arguments();
  ASSERT_EQ(args.size(), static_cast<size_t>(raw.size()));
  EXPECT_EQ(args[0], QCoreApplication::applicationFilePath().toStdString());
  EXPECT_EQ(args[0].front(), '/');
  EXPECT_EQ(args[0], process.ProgramPath());
  for (qsizetype i = 1; i < raw.size(); ++i) EXPECT_EQ(args[i], raw[i].toStdString());
}

TEST(QtProcessServicesTest, TitleNamesTheApplication) {
  EnsureApplication();
  QtProcessServices process;
  process.SetApplicationTitle("Quiret");
  EXPECT_EQ(QCoreApplication::applicationName(), "Quiret");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Quiret");
  process.SetApplicationTitle("テスト");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "テスト");
}

}  // namespace
}  // namespace quiret
