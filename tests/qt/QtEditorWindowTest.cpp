// The Qt editor window as the control sees it: which handler calls arrive for Qt events
// (size, paint, keys, characters, input method, mouse, wheel, scroll bars) and what the
// window does for the control's requests (caret, scroll bars, composition point, timer).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextCharFormat>
#include <QWheelEvent>
#include <algorithm>
#include <memory>

#include "platform/qt/QtEditorWindow.h"
#include "tests/qt/QtTestApp.h"
#include "tests/qt/RecordingClient.h"

namespace quiret {
namespace {

using testqt::RecordingClient;

void Pump(int ms = 0) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (t.elapsed() < ms);
}

bool Has(const RecordingClient& c, const std::string& call) {
  return std::find(c.calls.begin(), c.calls.end(), call) != c.calls.end();
}

class EditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testqt::EnsureQtApp();
    window = std::make_unique<QtEditorWindow>();
    window->SetClient(&client);
    window->messageHandler = [this](const std::string& s) { messages.push_back(s); };
    window->beepHandler = [this] { ++beeps; };
    window->resize(300, 200);
    window->show();
    Pump();
  }
  void Key(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text, bool repeat = false) {
    QKeyEvent e(type, key, mods, text, repeat);
    QCoreApplication::sendEvent(window.get(), &e);
  }
  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(p), window->viewport()->mapToGlobal(QPointF(p)), b, held, mods);
    QCoreApplication::sendEvent(window->viewport(), &e);
  }
  void Wheel(int dy) {
    QWheelEvent e(QPointF(10, 10), window->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->viewport(), &e);
  }
  QRect ArrowRect(QScrollBar* bar, QStyle::SubControl sc) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, sc, bar);
  }

  RecordingClient client;
  std::unique_ptr<QtEditorWindow> window;
  std::vector<std::string> messages;
  int beeps = 0;
};

TEST_F(EditorWindowTest, ShowingDeliversTheClientSizeAndOneWholeViewPaint) {
  int bar = window->VScrollBarWidth();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(window->ClientWidth(), 300 - bar);
  EXPECT_EQ(window->ClientHeight(), 200);
  // Created first (the control had not re-created the window itself), then sized, then painted.
  // (The offscreen platform may also focus the new top-level window.)
  std::vector<std::string> calls;
  for (auto& c : client.calls)
    if (c != "SetFocus") calls.push_back(c);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"Create", "Size " + std::to_string(300 - bar) + " 200", "Paint"}));
  EXPECT_EQ(window->BackingImage().size(), QSize(300 - bar, 200));

  // Our own drawing only updates the screen; it does not ask the control to paint again.
  client.Clear();
  window->Canvas().FillRect({10, 10, 20, 20}, 0x0000FF);
  Pump();
  EXPECT_EQ(client.Count("Paint"), 0);
  EXPECT_EQ(window->grab().toImage().pixelColor(12, 12), QColor(255, 0, 0));

  // An invalidated area does.
  window->Canvas().Invalidate({0, 0, 5, 5});
  Pump();
  EXPECT_EQ(client.Count("Paint"), 1);
}

TEST_F(EditorWindowTest, AWindowTheControlAlreadyCreatedIsNotCreatedAgainOnShow) {
  RecordingClient other;
  QtEditorWindow second;
  second.SetClient(&other);
  second.SetStyle(false, true, false);  // the control's own re-creation
  second.resize(200, 100);
  second.show();
  Pump();
  EXPECT_EQ(other.Count("Create"), 0);
  EXPECT_EQ(other.Count("Size"), 1);
  EXPECT_EQ(other.Count("Paint"), 1);
}

// A control that hides its bar and shows it again while handling a size notice, as it does
// for an empty scroll range.
class BarFlappingClient : public RecordingClient {
 public:
  QtEditorWindow* window = nullptr;
  void WmSize(int w, int h) override {
    RecordingClient::WmSize(w, h);
    window->SetScrollRange(ScrollBarKind::Vert, 0, 0, false);
    window->ShowScrollBar(ScrollBarKind::Vert, true);
  }
};

TEST_F(EditorWindowTest, BarsToggledDuringASizeNoticeCauseNoFurtherNotice) {
  BarFlappingClient flapping;
  flapping.window = window.get();
  window->SetClient(&flapping);
  window->resize(320, 210);
  Pump();
  window->resize(330, 220);
  Pump();
  int bar = window->VScrollBarWidth();
  EXPECT_EQ(flapping.calls,
            (std::vector<std::string>{"Size " + std::to_string(320 - bar) + " 210", "Paint",
                                      "Size " + std::to_string(330 - bar) + " 220", "Paint"}));
  EXPECT_TRUE(window->Bar(ScrollBarKind::Vert)->isVisible());
  window->SetClient(&client);
}

TEST_F(EditorWindowTest, ResizingKeepsTheImageAndReportsTheNewClientArea) {
  window->Canvas().FillRect({10, 10, 20, 20}, 0x0000FF);
  client.Clear();
  window->resize(400, 260);
  Pump();
  int bar = window->VScrollBarWidth();
  EXPECT_EQ(client.calls.front(), "Size " + std::to_string(400 - bar) + " 260");
  EXPECT_EQ(client.Count("Paint"), 1);
  EXPECT_EQ(window->BackingImage().size(), QSize(400 - bar, 260));
  EXPECT_EQ(window->BackingImage().pixelColor(15, 15), QColor(255, 0, 0));
}

TEST_F(EditorWindowTest, ScrollBarVisibilityFollowsRangeShowAndStyle) {
  int bar = window->VScrollBarWidth();
  client.Clear();
  window->SetScrollRange(ScrollBarKind::Vert, 0, 0, false);  // an empty range hides the bar
  Pump();
  EXPECT_EQ(window->ClientWidth(), 300);
  EXPECT_TRUE(Has(client, "Size 300 200"));
  window->ShowScrollBar(ScrollBarKind::Vert, true);
  Pump();
  EXPECT_EQ(window->ClientWidth(), 300 - bar);
  window->SetStyle(true, true, true);
  Pump();
  int frame = window->frameWidth();
  EXPECT_GT(frame, 0);
  EXPECT_EQ(window->ClientWidth(), 300 - 2 * frame - bar);
  EXPECT_EQ(window->ClientHeight(), 200 - 2 * frame - window->HScrollBarHeight());
  EXPECT_EQ(window->viewport()->size(), QSize(window->ClientWidth(), window->ClientHeight()));
  window->SetScrollRange(ScrollBarKind::Vert, 0, 40, false);
  window->SetScrollPos(ScrollBarKind::Vert, 35, false);
  window->SetScrollRange(ScrollBarKind::Vert, 0, 20, false);
  EXPECT_EQ(window->ScrollPos(ScrollBarKind::Vert), 20);
  window->EnableScrollArrows(ScrollBarKind::Vert, false);
  EXPECT_FALSE(window->Bar(ScrollBarKind::Vert)->isEnabled());
}

TEST_F(EditorWindowTest, ScrollBarActionsArriveAsScrollCodesAndTheControlPlacesTheThumb) {
  QScrollBar* v = window->Bar(ScrollBarKind::Vert);
  window->SetScrollRange(ScrollBarKind::Vert, 0, 50, false);
  window->SetScrollPos(ScrollBarKind::Vert, 10, true);
  Pump();
  client.Clear();
  v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  v->triggerAction(QAbstractSlider::SliderSingleStepSub);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  v->triggerAction(QAbstractSlider::SliderPageStepSub);
  v->triggerAction(QAbstractSlider::SliderToMinimum);
  v->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"VScroll 1 0", "VScroll 0 0", "VScroll 3 0",
                                                    "VScroll 2 0", "VScroll 6 0", "VScroll 7 0"}));
  // The recording control moved nothing, so the thumb stays where it was put.
  EXPECT_EQ(v->value(), 10);
  EXPECT_EQ(window->ScrollPos(ScrollBarKind::Vert), 10);

  // Dragging the thumb: live positions, then the final position and the end of scrolling.
  client.Clear();
  v->setSliderDown(true);
  v->setSliderPosition(30);
  v->setSliderPosition(33);
  Mouse(QEvent::MouseMove, {}, Qt::NoButton, Qt::NoButton);  // not the bar: ignored
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), v->mapToGlobal(QPointF(1, 1)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(v, &release);
  v->setSliderDown(false);
  std::vector<std::string> scrolls;
  for (auto& c : client.calls)
    if (c.rfind("VScroll", 0) == 0) scrolls.push_back(c);
  EXPECT_EQ(scrolls,
            (std::vector<std::string>{"VScroll 5 30", "VScroll 5 33", "VScroll 4 33", "VScroll 8 0"}));
}

TEST_F(EditorWindowTest, ClickingTheArrowsOfTheRealBars) {
  window->SetStyle(false, true, true);
  window->SetScrollRange(ScrollBarKind::Vert, 0, 50, false);
  window->SetScrollRange(ScrollBarKind::Horz, 0, 80, false);
  Pump();
  for (ScrollBarKind kind : {ScrollBarKind::Vert, ScrollBarKind::Horz}) {
    QScrollBar* bar = window->Bar(kind);
    QRect add = ArrowRect(bar, QStyle::SC_ScrollBarAddLine);
    ASSERT_TRUE(add.isValid());
    client.Clear();
    QPointF at = QPointF(add.center());
    QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
    std::string name = kind == ScrollBarKind::Vert ? "VScroll" : "HScroll";
    EXPECT_EQ(client.calls, (std::vector<std::string>{name + " 1 0", name + " 8 0"}));
  }
}

// A control that answers a scroll request by setting its own position.
class PositioningClient : public RecordingClient {
 public:
  QtEditorWindow* window = nullptr;
  void WmVScroll(int code, int pos) override {
    RecordingClient::WmVScroll(code, pos);
    if (code == SB_LINEDOWN) window->SetScrollPos(ScrollBarKind::Vert, 42, true);
  }
};

TEST_F(EditorWindowTest, ThePositionTheControlSetsWinsOverTheBarsOwnStep) {
  PositioningClient positioning;
  positioning.window = window.get();
  window->SetClient(&positioning);
  window->SetScrollRange(ScrollBarKind::Vert, 0, 50, false);
  window->SetScrollPos(ScrollBarKind::Vert, 10, false);
  window->Bar(ScrollBarKind::Vert)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(window->Bar(ScrollBarKind::Vert)->value(), 42);
  EXPECT_EQ(window->ScrollPos(ScrollBarKind::Vert), 42);
  window->SetClient(&client);
}

TEST_F(EditorWindowTest, KeysGiveVirtualKeysAndTypedTextGivesCharactersOrImeResults) {
  client.Clear();
  Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  Key(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
  Key(QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier, "");
  Key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  Key(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, "\b");
  Key(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
  Key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
  Key(QEvent::KeyPress, Qt::Key_Comma, Qt::ControlModifier, ",");
  EXPECT_EQ(client.calls,
            (std::vector<std::string>{"KeyDown 41 0", "Char 61", "KeyUp 41 0", "KeyDown 25 1", "KeyDown 0D 0",
                                      "Char 0D", "KeyDown 08 0", "Char 08", "KeyDown 09 0", "Char 09",
                                      "KeyDown 2E 0", "KeyDown BC 2", "Char 2C"}));

  client.Clear();
  Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("ｱ"));  // half-width katakana
  Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("あ"));
  Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("x漢字y"));
  Key(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f");  // a menu accelerator, not typing
  EXPECT_EQ(client.calls, (std::vector<std::string>{"Char B1", "ImeResult 82 A0", "Char 78",
                                                    "ImeResult 8A BF 8E 9A", "Char 79", "KeyDown 46 4"}));

  // Auto-repeat sends further downs without ups; the convert key's state is tracked.
  client.Clear();
  Key(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, "", true);
  EXPECT_TRUE(client.calls.empty());
  Key(QEvent::KeyPress, Qt::Key_Henkan, Qt::NoModifier, "");
  EXPECT_TRUE(window->IsConvertKeyDown());
  Key(QEvent::KeyRelease, Qt::Key_Henkan, Qt::NoModifier, "");
  EXPECT_FALSE(window->IsConvertKeyDown());
}

TEST_F(EditorWindowTest, InputMethodCompositionAndCommit) {
  client.Clear();
  QInputMethodEvent pre(QString::fromUtf8("にほん"), {});
  QCoreApplication::sendEvent(window.get(), &pre);
  EXPECT_EQ(client.calls, std::vector<std::string>{"ImeStart"});
  EXPECT_EQ(window->PreeditText(), QString::fromUtf8("にほん"));
  EXPECT_TRUE(window->Composing());

  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("日本"));
  QCoreApplication::sendEvent(window.get(), &commit);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"ImeStart", "ImeResult 93 FA 96 7B", "ImeEnd"}));
  EXPECT_TRUE(window->PreeditText().isEmpty());
  EXPECT_FALSE(window->Composing());

  // A commit with no composition before it is still bracketed by start and end.
  client.Clear();
  QInputMethodEvent direct;
  direct.setCommitString(QString::fromUtf8("a語"));
  QCoreApplication::sendEvent(window.get(), &direct);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"ImeStart", "ImeResult 61 8C EA", "ImeEnd"}));
}

TEST_F(EditorWindowTest, CharactersCodePage932LacksArriveAsQuestionMarksWithOneBeepPerEvent) {
  client.Clear();
  for (const char* typed : {"😀", "x한é漢", "?？", "?한"})  // a typed "?" alone is no fault
    Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(typed));
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(client.calls,
            (std::vector<std::string>{"Char 3F", "Char 78", "Char 3F", "Char 3F", "ImeResult 8A BF",
                                      "Char 3F", "ImeResult 81 48", "Char 3F", "Char 3F"}));
  client.Clear();
  QInputMethodEvent pre(QString::fromUtf8("😀"), {});  // a preedit is only shown, never entered
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("日😀本한"));
  QCoreApplication::sendEvent(window.get(), &pre);
  QCoreApplication::sendEvent(window.get(), &commit);
  EXPECT_EQ(beeps, 4);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"ImeStart", "ImeResult 93 FA 3F 96 7B 3F", "ImeEnd"}));
}

// The JIS forms other systems type go in as the code page's symbols; what still becomes "?"
// is reported with its count, once per key or commit.
TEST_F(EditorWindowTest, JisFormsGoInAsTheirCodesAndReplacementsAreCounted) {
  std::vector<int> reported;
  QObject::connect(window.get(), &QtEditorWindow::charactersReplaced, [&](int n) { reported.push_back(n); });
  client.Clear();
  Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("〜"));
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("‖−—¢£¬"));
  QCoreApplication::sendEvent(window.get(), &commit);
  EXPECT_EQ(beeps, 0);
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(client.calls,
            (std::vector<std::string>{"ImeResult 81 60", "ImeStart",
                                      "ImeResult 81 61 81 7C 81 5C 81 91 81 92 81 CA", "ImeEnd"}));
  Key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("é"));
  QInputMethodEvent mixed;
  mixed.setCommitString(QString::fromUtf8("𠮷a😀한"));
  QCoreApplication::sendEvent(window.get(), &mixed);
  EXPECT_EQ(reported, (std::vector<int>{1, 3}));
  EXPECT_EQ(beeps, 2);
}

TEST_F(EditorWindowTest, PreeditIsDrawnAtTheCompositionPointNotIntoTheImage) {
  TLogFont font;
  font.Height = -16;
  font.PitchAndFamily = 1;
  font.FaceName = "ＭＳ ゴシック";
  window->SetCompositionWindow(40, 30, font);
  QInputMethodEvent pre(QString::fromUtf8("■■"), {});
  QCoreApplication::sendEvent(window.get(), &pre);
  QImage shot = window->grab().toImage();
  EXPECT_LT(qGray(shot.pixel(48, 38)), 128);                    // inside the first square
  EXPECT_GT(qGray(shot.pixel(20, 38)), 128);                    // left of the composition point
  EXPECT_GT(qGray(window->BackingImage().pixel(48, 38)), 128);  // the control's pixels are untouched
}

int CountDark(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
  return n;
}

TEST_F(EditorWindowTest, PreeditShowsSegmentAndCursorAndWrapsAtTheRightEdge) {
  window->activateWindow();
  window->SetFocus();
  Pump();
  TLogFont font;
  font.Height = -16;
  font.PitchAndFamily = 1;
  font.FaceName = "ＭＳ ゴシック";
  window->SetCompositionWindow(40, 30, font);
  window->CreateCaret(2, 16);
  window->SetCaretPos(150, 100);
  window->ShowCaret();
  const int cw = 16, lh = QFontMetrics(window->inputMethodQuery(Qt::ImFont).value<QFont>()).height();
  const QPoint origin = window->viewport()->geometry().topLeft();
  auto cursorRect = [&] {
    return window->inputMethodQuery(Qt::ImCursorRectangle).toRect().topLeft() - origin;
  };
  // Full-width spaces leave only the underline, the segment's background and the cursor.
  QTextCharFormat converting;
  converting.setBackground(Qt::black);
  QInputMethodEvent pre(QString::fromUtf8("　　　　"),
                        {{QInputMethodEvent::TextFormat, 2, 2, QVariant(converting)},
                         {QInputMethodEvent::Cursor, 1, 1, QVariant()}});
  QCoreApplication::sendEvent(window.get(), &pre);
  QImage shot = window->grab().toImage();
  EXPECT_GT(CountDark(shot, QRect(40, 30, cw - 2, lh)), 4);  // underlined unasked
  EXPECT_LT(CountDark(shot, QRect(40, 30, cw - 2, lh)), 2 * cw);
  EXPECT_GT(CountDark(shot, QRect(40 + cw, 32, 1, lh - 4)), lh / 2);        // the cursor
  EXPECT_GT(CountDark(shot, QRect(40 + 2 * cw, 30, 2 * cw, lh)), cw * lh);  // the segment
  EXPECT_EQ(CountDark(shot, QRect(150, 100, 2, 16)), 0);  // the control's caret waits meanwhile
  EXPECT_EQ(cursorRect(), QPoint(40 + cw, 30));           // where the candidate list opens

  // At the right edge the preedit goes on from the left below; with no room at all it starts there.
  const int right = window->viewport()->width();
  QInputMethodEvent three(QString::fromUtf8("■■■"), {{QInputMethodEvent::Cursor, 3, 1, QVariant()}});
  QCoreApplication::sendEvent(window.get(), &three);
  window->SetCompositionWindow(right - 24, 30, font);
  shot = window->grab().toImage();
  EXPECT_GT(CountDark(shot, QRect(right - 24, 30, cw, lh)), cw * 4);
  EXPECT_GT(CountDark(shot, QRect(cw, 30 + lh, cw, lh)), cw * 4);
  EXPECT_EQ(CountDark(shot, QRect(2 * cw + 2, 30 + lh, cw, lh)), 0);
  EXPECT_EQ(cursorRect(), QPoint(2 * cw, 30 + lh));
  window->SetCompositionWindow(right - 8, 30, font);
  EXPECT_EQ(cursorRect(), QPoint(3 * cw, 30 + lh));

  QInputMethodEvent hidden(QString::fromUtf8("　"), {{QInputMethodEvent::Cursor, 1, 0, QVariant()}});
  QCoreApplication::sendEvent(window.get(), &hidden);
  EXPECT_EQ(cursorRect(), QPoint(right - 8, 30));
  QInputMethodEvent end;
  QCoreApplication::sendEvent(window.get(), &end);
  EXPECT_GT(CountDark(window->grab().toImage(), QRect(150, 100, 2, 16)), 16);
}

TEST_F(EditorWindowTest, CompositionFontFollowsEveryFontChangeAndPointFollowsEveryMove) {
  TLogFont small;
  small.Height = -12;
  small.PitchAndFamily = 1;
  small.FaceName = "ＭＳ ゴシック";
  TLogFont large = small;
  large.Height = -24;
  window->SetCompositionWindow(10, 10, small);
  EXPECT_EQ(window->inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 12);
  window->SetCompositionWindow(20, 10, large);
  EXPECT_EQ(window->inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 24);
  const int largeHeight = window->inputMethodQuery(Qt::ImCursorRectangle).toRect().height();
  EXPECT_GE(largeHeight, 24);
  window->SetCompositionWindow(50, 60, large);
  QRect r = window->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  EXPECT_EQ(r.topLeft(), window->viewport()->geometry().topLeft() + QPoint(50, 60));
  EXPECT_EQ(r.height(), largeHeight);
  window->SetCompositionWindow(50, 60, small);
  EXPECT_EQ(window->inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), 12);
  EXPECT_LT(window->inputMethodQuery(Qt::ImCursorRectangle).toRect().height(), largeHeight);
}

TEST_F(EditorWindowTest, InputMethodAsksForTheCompositionPointAndFont) {
  window->SetStyle(true, true, false);
  Pump();
  TLogFont font;
  font.Height = -16;
  font.PitchAndFamily = 1;
  font.FaceName = "ＭＳ ゴシック";
  window->SetCompositionWindow(30, 40, font);
  QRect r = window->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  QPoint origin = window->viewport()->geometry().topLeft();
  EXPECT_GT(origin.x(), 0);  // the border is accounted for
  EXPECT_EQ(r.topLeft(), origin + QPoint(30, 40));
  EXPECT_EQ(window->mapToGlobal(r.topLeft()), window->viewport()->mapToGlobal(QPoint(30, 40)));
  EXPECT_GE(r.height(), 16);
  QFont f = window->inputMethodQuery(Qt::ImFont).value<QFont>();
  EXPECT_EQ(f.pixelSize(), 16);
  EXPECT_TRUE(window->inputMethodQuery(Qt::ImEnabled).toBool());
  EXPECT_TRUE(window->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(EditorWindowTest, MouseAndWheelInClientCoordinates) {
  window->SetStyle(true, true, false);
  Pump();
  client.Clear();
  Mouse(QEvent::MouseButtonPress, {25, 30}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  Mouse(QEvent::MouseMove, {26, 31}, Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, {26, 31}, Qt::LeftButton, Qt::NoButton);
  Mouse(QEvent::MouseButtonDblClick, {26, 31}, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonPress, {5, 6}, Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"MouseDown 1 9 25 30", "MouseMove 8 26 31",
                                                    "MouseUp 1 0 26 31", "DoubleClick 1 72 26 31",
                                                    "MouseDown 1 72 26 31", "MouseDown 2 16 5 6"}));
  client.Clear();
  Wheel(120);
  Wheel(-240);
  Wheel(60);  // half a notch waits for the other half
  EXPECT_EQ(client.calls, (std::vector<std::string>{"Wheel 120 0", "Wheel -240 0"}));
  Wheel(60);
  EXPECT_EQ(client.calls.back(), "Wheel 120 0");
}

TEST_F(EditorWindowTest, DragCursorsAreOurOwnPicturesPointingWithTheArrowTip) {
  window->SetCursor(CursorKind::DragMove);
  const QCursor move = window->viewport()->cursor();
  window->SetCursor(CursorKind::DragCopy);
  const QCursor copy = window->viewport()->cursor();
  ASSERT_EQ(move.shape(), Qt::BitmapCursor);
  EXPECT_EQ(copy.hotSpot(), QPoint(0, 0));
  EXPECT_EQ(copy.pixmap().toImage().pixel(0, 0), qRgba(0, 0, 0, 255)) << "the tip is the hotspot";
  EXPECT_NE(move.pixmap().toImage(), copy.pixmap().toImage());
  window->SetCursor(CursorKind::IBeam);
  EXPECT_EQ(window->viewport()->cursor().shape(), Qt::IBeamCursor);
}

// Shift and Ctrl as the handled event was made with, even when a modifier key's own event
// carries the state from before it; a live query would be behind these events (ahead on a busy X).
TEST_F(EditorWindowTest, CtrlAloneArrivesAsItsKeyAndTheKeyStateIsTheEventsOwn) {
  client.suffix = [this] {
    return std::string(window->IsCtrlDown() ? " C" : "") + (window->IsShiftDown() ? " S" : "");
  };
  client.Clear();
  Key(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, QString());
  Key(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier, QString());
  Key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier, QString());
  Mouse(QEvent::MouseButtonRelease, {30, 40}, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"KeyDown 11 2 C", "KeyUp 11 0", "KeyDown 10 1 S",
                                                    "MouseUp 1 2 30 40 C"}));
}

TEST_F(EditorWindowTest, CaretHidesCumulativelyAndIsDrawnOverTheImageWhenFocused) {
  window->activateWindow();
  window->SetFocus();
  Pump();
  ASSERT_TRUE(window->HasFocus());
  EXPECT_TRUE(Has(client, "SetFocus"));
  window->Canvas().FillRect({0, 0, 200, 100}, 0xFFFFFF);
  window->CreateCaret(2, 16);
  window->SetCaretPos(10, 4);
  EXPECT_FALSE(window->CaretShown());  // a new caret starts hidden
  window->ShowCaret();
  EXPECT_TRUE(window->CaretShown());
  window->HideCaret();
  window->HideCaret();
  window->ShowCaret();
  EXPECT_FALSE(window->CaretShown());
  window->ShowCaret();
  EXPECT_TRUE(window->CaretShown());

  QImage shot = window->grab().toImage();
  EXPECT_LT(qGray(shot.pixel(10, 4)), 128);
  EXPECT_LT(qGray(shot.pixel(11, 19)), 128);
  EXPECT_GT(qGray(shot.pixel(12, 10)), 128);  // two pixels wide
  EXPECT_GT(qGray(shot.pixel(10, 20)), 128);
  EXPECT_GT(qGray(window->BackingImage().pixel(10, 4)), 128);  // not drawn into the image

  window->DestroyCaret();
  EXPECT_FALSE(window->CaretShown());
  shot = window->grab().toImage();
  EXPECT_GT(qGray(shot.pixel(10, 4)), 128);
}

TEST_F(EditorWindowTest, TimerMessagesAndColoursAndMessageBoxes) {
  client.Clear();
  window->StartTimer(5);
  Pump(60);
  window->StopTimer();
  int ticks = client.Count("Timer");
  EXPECT_GE(ticks, 2);
  Pump(30);
  EXPECT_EQ(client.Count("Timer"), ticks);

  EXPECT_EQ(window->ResolveColor(0x00123456), 0x00123456u);
  QPalette pal = QApplication::palette();
  EXPECT_EQ(window->ResolveColor(0x80000005), QtSurface::FromQColor(pal.color(QPalette::Base)));
  EXPECT_EQ(window->ResolveColor(0x80000008), QtSurface::FromQColor(pal.color(QPalette::Text)));
  EXPECT_EQ(window->ResolveColor(0x8000000D), QtSurface::FromQColor(pal.color(QPalette::Highlight)));
  EXPECT_EQ(window->ResolveColor(0x8000000F), QtSurface::FromQColor(pal.color(QPalette::Button)));

  window->ShowMessage("Error:OC004");
  EXPECT_EQ(messages, std::vector<std::string>{"Error:OC004"});
}

}  // namespace
}  // namespace quiret
