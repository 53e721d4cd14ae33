// The Qt widget that hosts one editor control: backing image, caret, scroll bars, input.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTextLayout>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/EditorWindow.h"
#include "platform/qt/QtSurface.h"

class QScrollBar;

namespace quiret {

class QtEditorWindow : public QAbstractScrollArea, public EditorWindow {
  Q_OBJECT

 public:
  explicit QtEditorWindow(QWidget* parent = nullptr);
  ~QtEditorWindow() override;

  // ---- EditorWindow ----
  void SetClient(EditorWindowClient* client) override { client_ = client; }
  Surface& Canvas() override { return *surface_; }
  int ClientWidth() override;
  int ClientHeight() override;
  int Width() override { return width(); }
  int Height() override { return height(); }
  void SetStyle(bool border, bool vertScrollBar, bool horzScrollBar) override;
  int VScrollBarWidth() override;
  int HScrollBarHeight() override;
  bool HasFocus() override { return hasFocus(); }
  void SetFocus() override { setFocus(Qt::OtherFocusReason); }
  bool IsVisible() override { return isVisible(); }
  void CreateCaret(int width, int height) override;
  void SetCaretPos(int x, int y) override;
  void ShowCaret() override;
  void HideCaret() override;
  void DestroyCaret() override;
  void SetScrollRange(ScrollBarKind bar, int min, int max, bool redraw) override;
  void SetScrollPos(ScrollBarKind bar, int pos, bool redraw) override;
  int ScrollPos(ScrollBarKind bar) override;
  void EnableScrollArrows(ScrollBarKind bar, bool enable) override;
  void ShowScrollBar(ScrollBarKind bar, bool show) override;
  void SetCursor(CursorKind cursor) override;
  void SetCapture(bool capture) override;
  void PopupMenu(int x, int y) override;
  bool HasInputContext() override { return true; }
  void SetCompositionWindow(int x, int y, const TLogFont& font) override;
  void StartTimer(int intervalMs) override;
  void StopTimer() override;
  bool IsShiftDown() override;
  bool IsCtrlDown() override;
  bool IsConvertKeyDown() override { return convertKeyDown_; }
  void ShowMessage(const std::string& text) override;
  TColor ResolveColor(TColor color) override;

  // ---- For hosts and tests ----
  // Replaces the modal message box (headless runs, tests).
  std::function<void(const std::string&)> messageHandler;
  // Replaces the system beep (tests).
  std::function<void()> beepHandler;
  // Takes the wheel turned with Ctrl held, in whole notches (away from the user positive);
  // without one, such a wheel scrolls as any other.
  std::function<void(int notches)> zoomHandler;
  const QImage& BackingImage() const { return image_; }
  QScrollBar* Bar(ScrollBarKind bar) const;
  bool CaretShown() const { return caretExists_ && caretHide_ == 0; }
  QPoint CaretPos() const { return caretPos_; }
  QString PreeditText() const { return preedit_; }
  // Where the input method's cursor stands inside the preedit; -1 when it hides it.
  int PreeditCursor() const { return preeditCursor_; }
  bool Composing() const { return composing_; }
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 signals:
  // The control asked for its pop-up menu at a point (global screen coordinates).
  void popupMenuRequested(const QPoint& globalPos);
  // Typed or committed text had `count` characters code page 932 cannot hold; they went
  // in as "?". Once per key or commit.
  void charactersReplaced(int count);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // The first show creates the window for the control unless the control re-created it.
  void EnsureCreated();
  void ResizeImage(const QSize& size);
  // Size notices go out from the event loop, once the scroll area's layout has settled.
  void ScheduleSize();
  void DeliverSize();
  void RequestClientPaint(const QRect& r);
  void OnBarAction(ScrollBarKind kind, int action);
  void SendScroll(ScrollBarKind kind, int code, int pos);
  void TypeText(const QString& text);
  // Typed or committed text as CP932; beeps and reports once when characters had to become "?".
  std::string InputToCp932(const QString& text);
  void UpdateCaretArea();
  void PaintPreedit(class QPainter& p);
  // Lays the preedit out from the composition point, continuing at the left edge below
  // when it reaches the right edge, as a composition window placed at a point does.
  void LayoutPreedit(QTextLayout& layout) const;
  QRect CaretRect() const;

  EditorWindowClient* client_ = nullptr;
  bool created_ = false;
  bool sizePending_ = false;
  QImage image_;
  std::unique_ptr<QtSurface> surface_;
  bool clientPaintPending_ = true;
  bool inClientPaint_ = false;
  QSize lastClientSize_;

  bool caretExists_ = false;
  int caretHide_ = 1;
  bool caretBlinkOn_ = true;
  QSize caretSize_;
  QPoint caretPos_;
  QTimer caretTimer_;

  QTimer clientTimer_;
  bool convertKeyDown_ = false;
  // Shift and Ctrl as of the input event being handled. A live query runs ahead of a busy
  // event queue: a Ctrl let go just after a drop made with it would turn the copy into a move.
  Qt::KeyboardModifiers mods_;

  // Scroll bars: the position the control last set, and whether a thumb drag is running.
  int barPos_[2] = {0, 0};
  bool barDragging_[2] = {false, false};
  bool arrowsEnabled_[2] = {true, true};

  QPoint compPos_;
  // The record compFont_ was built from; caret moves repeat it and need no new font.
  std::optional<TLogFont> compLogFont_;
  QFont compFont_;
  int compHeight_ = 16;
  QString preedit_;
  QList<QTextLayout::FormatRange> preeditFormats_;
  int preeditCursor_ = -1;
  bool composing_ = false;
  int wheelRest_ = 0;
  bool captured_ = false;
};

}  // namespace quiret
