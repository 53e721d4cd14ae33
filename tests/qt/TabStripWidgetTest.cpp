// Tests of the document tab strip: rows, hit tests, mouse signals, tab list edits and drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QToolTip>
#include <QVBoxLayout>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/qt/TabStripWidget.h"
#include "tests/qt/QtTestApp.h"

namespace quiret {
namespace {

QApplication* EnsureApplication() { return testqt::EnsureQtApp(); }

// Five 100-pixel tabs fill one row of this strip exactly (2 pixels of margin on each side).
constexpr int kFiveTabWidth = 2 + 5 * 100 + 2;

struct Recorded {
  std::vector<int> activated, middle, leftRight, right;
  std::vector<QPoint> rightGlobal;
  int reflowed = 0;
};

class TabStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    rec = Recorded{};
    strip = std::make_unique<TabStripWidget>();
    TabStripWidget* s = strip.get();
    QObject::connect(s, &TabStripWidget::tabActivated, [this](int i) { rec.activated.push_back(i); });
    QObject::connect(s, &TabStripWidget::middleClicked, [this](int i) { rec.middle.push_back(i); });
    QObject::connect(s, &TabStripWidget::leftRightClicked, [this](int i) { rec.leftRight.push_back(i); });
    QObject::connect(s, &TabStripWidget::rightClicked, [this](int i, QPoint g) {
      rec.right.push_back(i);
      rec.rightGlobal.push_back(g);
    });
    QObject::connect(s, &TabStripWidget::tabsReflowed, [this] { ++rec.reflowed; });
  }

  void AddTabs(int n) {
    for (int i = 0; i < n; ++i) strip->AddTab(QString("tab%1.txt").arg(i));
  }

  // Twelve tabs of 100 pixels in a strip five tabs wide: rows of 5, 5 and 2, shown on screen.
  void ThreeFixedRows() {
    strip->SetTabWidth(100);
    AddTabs(12);
    strip->resize(kFiveTabWidth, strip->heightForWidth(kFiveTabWidth));
    strip->show();
  }

  void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held,
            Qt::KeyboardModifiers mods = Qt::NoModifier) {
    // A mouse of our own, never destroyed: Qt's primary device dies after its registry at exit
    // when the application object is a static, which crashes the test program as it ends.
    static auto* mouse =
        new QPointingDevice("test mouse", 1, QInputDevice::DeviceType::Mouse,
                            QPointingDevice::PointerType::Generic, QInputDevice::Capability::Position, 1, 3);
    QMouseEvent e(type, QPointF(pos), QPointF(strip->mapToGlobal(pos)), button, held, mods, mouse);
    QCoreApplication::sendEvent(strip.get(), &e);
  }
  void Press(QPoint pos, Qt::MouseButton button, Qt::MouseButtons held,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Send(QEvent::MouseButtonPress, pos, button, held, mods);
  }
  void Release(QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
    Send(QEvent::MouseButtonRelease, pos, button, held);
  }
  void LeftClick(int tab) {
    const QPoint c = strip->TabRect(tab).center();
    Press(c, Qt::LeftButton, Qt::LeftButton);
    Release(c, Qt::LeftButton, Qt::NoButton);
  }

  std::vector<QRect> AllRects() const {
    std::vector<QRect> rects;
    for (int i = 0; i < strip->Count(); ++i) rects.push_back(strip->TabRect(i));
    return rects;
  }

  QStringList Captions() const {
    QStringList list;
    for (int i = 0; i < strip->Count(); ++i) list << strip->Caption(i);
    return list;
  }

  std::unique_ptr<TabStripWidget> strip;
  Recorded rec;
};

TEST_F(TabStripTest, FixedWidthTabsFillRowsAndHeightFollowsTheWidth) {
  ThreeFixedRows();
  EXPECT_EQ(strip->RowCount(), 3);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(strip->TabRect(i).width(), 100) << i;
  // Tabs 0-4, 5-9 and 10-11 share a row, each row starting at the left; all inside the strip.
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(strip->TabRect(i).top(), strip->TabRect(i / 5 * 5).top()) << i;
    EXPECT_EQ(strip->TabRect(i).left(), strip->TabRect(0).left() + i % 5 * 100) << i;
    EXPECT_TRUE(strip->rect().contains(strip->TabRect(i))) << i;
  }
  EXPECT_LT(strip->TabRect(0).top(), strip->TabRect(5).top());
  EXPECT_LT(strip->TabRect(5).top(), strip->TabRect(10).top());

  const int threeRows = strip->heightForWidth(kFiveTabWidth);
  EXPECT_LT(strip->heightForWidth(kFiveTabWidth + 100), threeRows);  // 6 a row: 2 rows
  EXPECT_LT(strip->heightForWidth(2 + 12 * 100 + 2), strip->heightForWidth(kFiveTabWidth + 100));
  EXPECT_GT(strip->heightForWidth(2 + 3 * 100 + 2), threeRows);  // 3 a row: 4 rows
  EXPECT_EQ(strip->sizeHint().height(), strip->heightForWidth(strip->sizeHint().width()));
}

TEST_F(TabStripTest, ResizingReportsOnlyRealRowChanges) {
  ThreeFixedRows();
  rec.reflowed = 0;
  strip->resize(kFiveTabWidth + 10, strip->height());  // still five a row
  EXPECT_EQ(rec.reflowed, 0);
  strip->resize(2 + 6 * 100 + 2, strip->height());  // six a row: two rows
  EXPECT_EQ(strip->RowCount(), 2);
  EXPECT_EQ(rec.reflowed, 1);
  strip->AddTab("one-more.txt");  // a thirteenth tab opens a third row
  EXPECT_EQ(strip->RowCount(), 3);
  EXPECT_EQ(rec.reflowed, 2);
  strip->RemoveTab(12);
  EXPECT_EQ(strip->RowCount(), 2);
  EXPECT_EQ(rec.reflowed, 3);
}

TEST_F(TabStripTest, InAWindowLayoutNoRowIsCutOff) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* owned = strip.release();
  layout->addWidget(owned);
  layout->addWidget(new QWidget, 1);  // the page takes the spare height
  owned->SetTabWidth(100);
  for (int i = 0; i < 12; ++i) owned->AddTab("t");
  for (int width : {900, 400, 700}) {
    window.resize(width, 400);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_GE(owned->RowCount(), 2) << width;
    EXPECT_EQ(owned->height(), owned->heightForWidth(owned->width())) << width;
    EXPECT_TRUE(owned->rect().contains(owned->TabRect(11))) << width;
  }
}

TEST_F(TabStripTest, FitWidthFollowsTheCaptionAndFixedWidthDoesNot) {
  strip->AddTab("a.txt");
  strip->AddTab("a-much-longer-file-name.txt");
  strip->AddTab("日本語のファイル名.txt");
  strip->resize(2000, strip->heightForWidth(2000));
  const QFontMetrics fm(strip->font());
  EXPECT_EQ(strip->RowCount(), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(strip->TabRect(i).width(), fm.horizontalAdvance(strip->Caption(i))) << i;
    if (i > 0) {
      EXPECT_LE(strip->TabRect(i - 1).right(), strip->TabRect(i).left());
    }
  }

  const int before = strip->TabRect(0).width();
  strip->SetCaption(0, "renamed-to-something-long.txt");
  EXPECT_GT(strip->TabRect(0).width(), before);
  EXPECT_EQ(strip->Caption(0), "renamed-to-something-long.txt");

  for (int w : {60, 80, 100, 120}) {
    strip->SetTabWidth(w);
    EXPECT_EQ(strip->TabWidth(), w);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(strip->TabRect(i).width(), w) << w;
  }
  strip->SetTabWidth(0);
  EXPECT_GT(strip->TabRect(1).width(), 120);
  EXPECT_LT(strip->TabRect(2).width(), strip->TabRect(1).width());
}

TEST_F(TabStripTest, PickingATabInAnotherRowKeepsEveryRowInPlace) {
  for (int style : {0, 1, 2}) {
    SCOPED_TRACE(style);
    strip = nullptr;
    SetUp();
    strip->SetTabStyle(style);
    ThreeFixedRows();
    strip->SetActiveIndex(1);
    const std::vector<QRect> before = AllRects();
    LeftClick(11);
    EXPECT_EQ(strip->ActiveIndex(), 11);
    EXPECT_EQ(rec.activated, std::vector<int>{11});
    EXPECT_EQ(AllRects(), before);
    LeftClick(6);
    EXPECT_EQ(strip->ActiveIndex(), 6);
    EXPECT_EQ(AllRects(), before);
  }
}

TEST_F(TabStripTest, TabAtAndTabRectAgree) {
  strip->SetTabStyle(1);  // buttons, so that there are gaps between tabs
  ThreeFixedRows();
  for (int i = 0; i < strip->Count(); ++i) {
    const QRect r = strip->TabRect(i);
    for (QPoint p : {r.center(), r.topLeft(), r.bottomRight()}) EXPECT_EQ(strip->TabAt(p), i);
  }
  const QRect a = strip->TabRect(0);
  EXPECT_EQ(strip->TabAt(QPoint(a.right() + 1, a.center().y())), -1);  // the gap
  const QRect last = strip->TabRect(11);
  EXPECT_EQ(strip->TabAt(QPoint(last.right() + 50, last.center().y())), -1);
  EXPECT_EQ(strip->TabAt(QPoint(-5, 5)), -1);
  EXPECT_EQ(strip->TabRect(12), QRect());
}

TEST_F(TabStripTest, MouseButtonsSendTheirSignals) {
  ThreeFixedRows();
  strip->SetActiveIndex(2);
  const QPoint t3 = strip->TabRect(3).center();
  const QPoint t7 = strip->TabRect(7).center();

  Press(t3, Qt::MiddleButton, Qt::MiddleButton);
  Release(t3, Qt::MiddleButton, Qt::NoButton);
  EXPECT_EQ(rec.middle, std::vector<int>{3});
  EXPECT_EQ(strip->ActiveIndex(), 2);  // a middle click does not switch
  EXPECT_TRUE(rec.activated.empty());

  // Right click: reported with the screen position, the active tab stays.
  Press(t7, Qt::RightButton, Qt::RightButton);
  EXPECT_TRUE(rec.right.empty());  // the menu waits for the release
  Release(t7, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(rec.right, std::vector<int>{7});
  EXPECT_EQ(rec.rightGlobal.at(0), strip->mapToGlobal(t7));
  EXPECT_EQ(strip->ActiveIndex(), 2);

  // Left then right held together: the left press picks the tab, the chord is reported,
  // and releasing the chord opens no menu.
  Press(t7, Qt::LeftButton, Qt::LeftButton);
  Press(t7, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
  Release(t7, Qt::RightButton, Qt::LeftButton);
  Release(t7, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(rec.activated, std::vector<int>{7});
  EXPECT_EQ(rec.leftRight, std::vector<int>{7});
  EXPECT_EQ(rec.right, std::vector<int>{7});

  // After the chord an ordinary right click reports again.
  Press(t3, Qt::RightButton, Qt::RightButton);
  Release(t3, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(rec.right, (std::vector<int>{7, 3}));

  // A left click on the active tab is reported too, so the host can focus its editor.
  LeftClick(7);
  EXPECT_EQ(rec.activated, (std::vector<int>{7, 7}));
}

TEST_F(TabStripTest, CloseClicksAreIgnoredWithModifiersDoubleClicksOrOutsideTabs) {
  ThreeFixedRows();
  const QPoint t1 = strip->TabRect(1).center();
  Press(t1, Qt::MiddleButton, Qt::MiddleButton, Qt::ControlModifier);
  Release(t1, Qt::MiddleButton, Qt::NoButton);
  Press(t1, Qt::MiddleButton, Qt::MiddleButton, Qt::ShiftModifier);
  Release(t1, Qt::MiddleButton, Qt::NoButton);
  Send(QEvent::MouseButtonDblClick, t1, Qt::MiddleButton, Qt::MiddleButton);
  Release(t1, Qt::MiddleButton, Qt::NoButton);
  const QPoint nowhere(strip->TabRect(11).right() + 40, strip->TabRect(11).center().y());
  Press(nowhere, Qt::MiddleButton, Qt::MiddleButton);
  Release(nowhere, Qt::MiddleButton, Qt::NoButton);
  Press(nowhere, Qt::LeftButton, Qt::LeftButton);
  Press(nowhere, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
  Release(nowhere, Qt::RightButton, Qt::LeftButton);
  Release(nowhere, Qt::LeftButton, Qt::NoButton);
  Press(t1, Qt::MiddleButton, Qt::MiddleButton | Qt::LeftButton);  // not exactly the middle one
  Release(t1, Qt::MiddleButton, Qt::NoButton);
  EXPECT_TRUE(rec.middle.empty());
  EXPECT_TRUE(rec.leftRight.empty());
  EXPECT_TRUE(rec.right.empty());
  EXPECT_TRUE(rec.activated.empty());
  EXPECT_EQ(strip->ActiveIndex(), 0);
}

TEST_F(TabStripTest, EditingTheTabListKeepsTheActiveTabSensibleAndSilent) {
  EXPECT_EQ(strip->ActiveIndex(), -1);
  EXPECT_EQ(strip->AddTab("A"), 0);
  EXPECT_EQ(strip->ActiveIndex(), 0);  // the first tab becomes the active one
  for (const char* c : {"B", "C", "D"}) strip->AddTab(c);
  strip->SetActiveIndex(2);  // C
  strip->SetActiveIndex(9);  // out of range: ignored
  EXPECT_EQ(strip->ActiveIndex(), 2);
  strip->RemoveTab(1);  // a tab left of the active one
  EXPECT_EQ(Captions(), QStringList({"A", "C", "D"}));
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "C");
  strip->RemoveTab(2);  // a tab right of it
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "C");
  strip->AddTab("E");
  strip->AddTab("F");
  strip->RemoveTab(1);  // the active C, in the middle: its right neighbour takes over
  EXPECT_EQ(Captions(), QStringList({"A", "E", "F"}));
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "E");
  strip->SetActiveIndex(2);
  strip->RemoveTab(2);  // the active last tab: the new last one
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "E");

  strip->InsertTab(0, "Z");  // before the active tab
  EXPECT_EQ(Captions(), QStringList({"Z", "A", "E"}));
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "E");
  strip->MoveTab(2, 0);  // the active tab itself
  EXPECT_EQ(Captions(), QStringList({"E", "Z", "A"}));
  EXPECT_EQ(strip->ActiveIndex(), 0);
  strip->MoveTab(2, 0);  // a tab moved in front of it
  EXPECT_EQ(Captions(), QStringList({"A", "E", "Z"}));
  EXPECT_EQ(strip->Caption(strip->ActiveIndex()), "E");
  EXPECT_TRUE(rec.activated.empty());

  for (int i = 0; i < 3; ++i) strip->RemoveTab(0);
  EXPECT_EQ(strip->Count(), 0);
  EXPECT_EQ(strip->ActiveIndex(), -1);
  EXPECT_EQ(strip->TabAt(QPoint(5, 5)), -1);
}

TEST_F(TabStripTest, ButtonStylesLiveOnlyOnTopAndRowsTouchThePage) {
  EXPECT_EQ(strip->TabStyle(), 0);
  EXPECT_EQ(strip->TabPosition(), 0);
  strip->SetTabPosition(1);
  EXPECT_EQ(strip->TabPosition(), 1);
  strip->SetTabStyle(2);  // a button style takes the strip to the top
  EXPECT_EQ(strip->TabStyle(), 2);
  EXPECT_EQ(strip->TabPosition(), 0);
  strip->SetTabPosition(1);  // refused while buttons are shown
  EXPECT_EQ(strip->TabPosition(), 0);
  strip->SetTabStyle(1);
  strip->SetTabPosition(1);
  EXPECT_EQ(strip->TabPosition(), 0);
  strip->SetTabStyle(0);
  strip->SetTabPosition(1);
  EXPECT_EQ(strip->TabPosition(), 1);
  strip->SetTabStyle(7);  // unknown styles are normal tabs
  EXPECT_EQ(strip->TabStyle(), 0);

  // The rows touch the page: on top the last row ends at the lower edge, at the bottom the
  // first row starts at the upper edge; reading order is kept either way.
  AddTabs(12);
  strip->SetTabWidth(100);
  strip->resize(kFiveTabWidth, strip->heightForWidth(kFiveTabWidth));
  EXPECT_EQ(strip->TabRect(0).top(), 0);
  EXPECT_LT(strip->TabRect(5).top(), strip->TabRect(10).top());
  strip->SetTabPosition(0);
  EXPECT_EQ(strip->TabRect(11).bottom(), strip->height() - 1);
}

// Counts the pixels inside r that pass the test.
template <typename Test>
int CountPixels(const QImage& img, const QRect& r, Test test) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) n += test(img.pixelColor(x, y)) ? 1 : 0;
  }
  return n;
}

int CountNear(const QImage& img, const QRect& r, QColor c) {
  return CountPixels(img, r, [c](QColor p) {
    return std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < 40;
  });
}

// Dark pixels: the strokes of a caption.
int CountInk(const QImage& img, const QRect& r) {
  return CountPixels(img, r, [](QColor p) { return qGray(p.rgb()) < 128; });
}

TEST_F(TabStripTest, TheActiveTabIsDrawnDistinctlyInEveryStyle) {
  for (int style : {0, 1, 2}) {
    for (int pos : {0, 1}) {
      SCOPED_TRACE(QString("style %1 pos %2").arg(style).arg(pos).toStdString());
      strip = nullptr;
      SetUp();
      strip->SetTabStyle(style);
      strip->SetTabPosition(pos);
      strip->SetTabWidth(80);
      for (int i = 0; i < 8; ++i) strip->AddTab("x");
      strip->resize(2 + 4 * 83 + 2, strip->heightForWidth(2 + 4 * 83 + 2));
      strip->SetActiveIndex(5);
      const QImage img = strip->grab().toImage();
      // Same caption, same size: only the active state can make the pictures differ.
      const QImage active = img.copy(strip->TabRect(5));
      const QImage other = img.copy(strip->TabRect(6));
      EXPECT_NE(active, other);
      EXPECT_EQ(img.copy(strip->TabRect(6)), img.copy(strip->TabRect(7)));
      // Normal tabs carry a highlight line on the active one; flat buttons are filled with it.
      if (style != 1) {
        const QColor hl = strip->palette().color(QPalette::Highlight);
        const int lines = style == 2 ? 10 : 1;
        EXPECT_GT(CountNear(img, strip->TabRect(5), hl), (strip->TabRect(5).width() - 4) * lines);
        EXPECT_EQ(CountNear(img, strip->TabRect(6), hl), 0);
      }
    }
  }
}

TEST_F(TabStripTest, CaptionsInTheApplicationFontHandPointerNoTooltips) {
  strip->AddTab("日本語");
  strip->AddTab("");
  strip->resize(400, strip->heightForWidth(400));
  strip->SetActiveIndex(1);
  EXPECT_EQ(strip->font(), QApplication::font());
  const QImage img = strip->grab().toImage();
  // The empty caption leaves no ink; the Japanese one leaves a fair amount of it.
  EXPECT_EQ(CountInk(img, strip->TabRect(1).adjusted(3, 3, -3, -3)), 0);
  EXPECT_GT(CountInk(img, strip->TabRect(0).adjusted(3, 3, -3, -3)), 30);
  const QFontMetrics fm(QApplication::font());
  EXPECT_GE(strip->TabRect(0).width(), fm.horizontalAdvance("日本語"));

  strip->show();
  EXPECT_EQ(strip->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(strip->focusPolicy(), Qt::NoFocus);
  const QPoint c = strip->TabRect(0).center();
  QHelpEvent help(QEvent::ToolTip, c, strip->mapToGlobal(c));
  QCoreApplication::sendEvent(strip.get(), &help);
  EXPECT_FALSE(QToolTip::isVisible());
}

}  // namespace
}  // namespace quiret
