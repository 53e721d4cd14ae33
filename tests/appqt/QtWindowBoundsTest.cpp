// The real main window placed from absurd settings: on the screen, at most the screen's size.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QScreen>
#include <climits>
#include <filesystem>

#include "app/UnitQrBase.h"
#include "app/qt/QtMainWindow.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(QtWindowBounds, SettingsBoundsAreBroughtOntoTheScreen) {
  PrivateStateHome state;
  testqt::EnsureQtApp();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_GE(area.width(), 600);
  ASSERT_GE(area.height(), 400);
  std::string dir = (std::filesystem::temp_directory_path() / "quiret-bounds-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  TestShellBoxes boxes;
  TestShellProcess process;
  TestClipboard clipboard;
  process.args = {dir + "/quiret"};
  const struct {
    TWindowBounds in;
    bool whole;  // the window takes the whole area
  } cases[] = {
      {{99999999, -100000, INT_MAX, INT_MAX}, true},
      {{-100000, 99999999, 600, 400}, false},
      {{area.left() + 20, area.top() + 30, 600, 400}, false},
      {{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, false},
  };
  for (const auto& c : cases) {
    QtMainWindow w(boxes, process, clipboard, dir + "/quiret.ini");
    w.SetBounds(c.in);
    const QRect g = w.geometry();
    EXPECT_TRUE(area.contains(g)) << c.in.Left << " " << c.in.Top;
    EXPECT_GE(g.width(), 200);
    EXPECT_GE(g.height(), 150);
    if (c.whole) {
      EXPECT_EQ(g, area);
    }
    if (c.in.Width == 600) {
      EXPECT_EQ(g.size(), QSize(600, 400));
    }
    if (c.in.Left == area.left() + 20) {
      EXPECT_EQ(g.topLeft(), QPoint(area.left() + 20, area.top() + 30));
    }
    // What is written back at exit is what was used.
    const TWindowBounds used = w.Bounds();
    EXPECT_EQ(QRect(used.Left, used.Top, used.Width, used.Height), g);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quiret
