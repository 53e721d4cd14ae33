// The editor's window on Qt: forwards Qt events to the control's handlers and carries out
// the control's requests (caret, scroll bars, cursor, timer, input method).
#include "platform/qt/QtEditorWindow.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "platform/qt/QtFontResolver.h"
#include "platform/qt/QtKeyMap.h"
#include "platform/qt/SystemColors.h"

namespace quiret {

namespace {

int Index(ScrollBarKind kind) { return static_cast<int>(kind); }

// The key and button state that goes with a mouse message.
int MouseShift(const QMouseEvent* e) {
  return QtKeyMap::ShiftFlags(e->modifiers()) | QtKeyMap::ButtonFlags(e->buttons());
}

// Draws a drag cursor: an arrow with a dotted box under it (text being carried), and for a copy
// a boxed plus beside that. Black on white reads on both light and dark text.
QPixmap DrawDragCursor(bool copy) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const QPoint arrow[] = {{0, 0}, {0, 15}, {4, 11}, {7, 18}, {9, 17}, {6, 10}, {11, 10}};
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawPolygon(arrow, 7);
  const QRect box(5, 20, 14, 9);
  p.fillRect(box, Qt::white);
  for (int x = box.left(); x <= box.right(); x += 2) {
    p.drawPoint(x, box.top());
    p.drawPoint(x, box.bottom());
  }
  for (int y = box.top(); y <= box.bottom(); y += 2) {
    p.drawPoint(box.left(), y);
    p.drawPoint(box.right(), y);
  }
  if (copy) {
    const QRect plus(19, 17, 11, 11);
    p.fillRect(plus, Qt::white);
    p.drawRect(plus.adjusted(0, 0, -1, -1));
    p.drawLine(plus.left() + 2, plus.center().y(), plus.right() - 2, plus.center().y());
    p.drawLine(plus.center().x(), plus.top() + 2, plus.center().x(), plus.bottom() - 2);
  }
  return pm;
}

// Built on first use (a pixmap needs the application object); the hotspot is the arrow's tip.
const QCursor& DragCursor(bool copy) {
  static const QCursor move(DrawDragCursor(false), 0, 0);
  static const QCursor copying(DrawDragCursor(true), 0, 0);
  return copy ? copying : move;
}

}  // namespace

QtEditorWindow::QtEditorWindow(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setFrameStyle(QFrame::NoFrame);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::IBeamCursor);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  surface_ = std::make_unique<QtSurface>(
      &image_, [this](const QRect& r) { viewport()->update(r); },
      [this](const QRect& r) { RequestClientPaint(r); });

  for (ScrollBarKind kind : {ScrollBarKind::Horz, ScrollBarKind::Vert}) {
    QScrollBar* bar = Bar(kind);
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, kind](int action) { OnBarAction(kind, action); });
    connect(bar, &QAbstractSlider::sliderPressed, this, [this, kind] { barDragging_[Index(kind)] = true; });
  }

  int flash = QApplication::cursorFlashTime();
  caretTimer_.setInterval(flash > 0 ? flash / 2 : 500);
  connect(&caretTimer_, &QTimer::timeout, this, [this] {
    caretBlinkOn_ = !caretBlinkOn_;
    UpdateCaretArea();
  });
  connect(&clientTimer_, &QTimer::timeout, this, [this] {
    if (client_) client_->WmTimer();
  });
  compFont_ = surface_->Font();
}

QtEditorWindow::~QtEditorWindow() = default;

QScrollBar* QtEditorWindow::Bar(ScrollBarKind bar) const {
  return bar == ScrollBarKind::Vert ? verticalScrollBar() : horizontalScrollBar();
}

// ---- Geometry and style ----

int QtEditorWindow::ClientWidth() {
  int w = contentsRect().width();
  if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) w -= VScrollBarWidth();
  return std::max(0, w);
}

int QtEditorWindow::ClientHeight() {
  int h = contentsRect().height();
  if (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn) h -= HScrollBarHeight();
  return std::max(0, h);
}

void QtEditorWindow::SetStyle(bool border, bool vertScrollBar, bool horzScrollBar) {
  // New creation parameters: the control runs its own create step right after.
  created_ = true;
  setFrameStyle(border ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
  ShowScrollBar(ScrollBarKind::Vert, vertScrollBar);
  ShowScrollBar(ScrollBarKind::Horz, horzScrollBar);
}

int QtEditorWindow::VScrollBarWidth() {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

int QtEditorWindow::HScrollBarHeight() {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void QtEditorWindow::EnsureCreated() {
  if (created_ || !client_) return;
  created_ = true;
  client_->WmCreate();
}

void QtEditorWindow::ScheduleSize() {
  // The control answers a size notice by showing or hiding scroll bars, which the scroll
  // area cannot take while it is laying out; a bar hidden and shown again in one go also
  // leaves the size as it was and needs no notice at all.
  if (sizePending_) return;
  sizePending_ = true;
  QMetaObject::invokeMethod(
      this, [this] { DeliverSize(); }, Qt::QueuedConnection);
}

void QtEditorWindow::DeliverSize() {
  if (!sizePending_) return;
  sizePending_ = false;
  QSize size = viewport()->size();
  if (size == lastClientSize_) return;
  lastClientSize_ = size;
  EnsureCreated();
  if (client_) client_->WmSize(size.width(), size.height());
  RequestClientPaint(viewport()->rect());
}

void QtEditorWindow::ResizeImage(const QSize& size) {
  if (size == image_.size()) return;
  QImage next(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
  if (next.isNull()) {
    image_ = QImage();
    return;
  }
  next.fill(palette().color(QPalette::Base));
  if (!image_.isNull()) {
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = next;
}

// ---- Painting ----

void QtEditorWindow::RequestClientPaint(const QRect& r) {
  clientPaintPending_ = true;
  viewport()->update(r);
}

void QtEditorWindow::showEvent(QShowEvent* e) {
  QAbstractScrollArea::showEvent(e);
  EnsureCreated();
  RequestClientPaint(viewport()->rect());
}

void QtEditorWindow::paintEvent(QPaintEvent* e) {
  DeliverSize();
  if (clientPaintPending_ && client_ && !inClientPaint_ && !image_.isNull()) {
    // An expose or an invalidated area: the control redraws its whole view into the image.
    clientPaintPending_ = false;
    EnsureCreated();
    inClientPaint_ = true;
    client_->WmPaint();
    inClientPaint_ = false;
  }
  QPainter p(viewport());
  p.fillRect(e->rect(), palette().color(QPalette::Base));
  if (!image_.isNull()) p.drawImage(e->rect().topLeft(), image_, e->rect());
  if (!preedit_.isEmpty()) PaintPreedit(p);
  // While composing, the input method's own cursor inside the preedit stands for the caret.
  if (preedit_.isEmpty() && CaretShown() && caretBlinkOn_ && hasFocus()) {
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(CaretRect(), Qt::white);
  }
}

// ---- Caret ----

QRect QtEditorWindow::CaretRect() const { return QRect(caretPos_, caretSize_); }

void QtEditorWindow::UpdateCaretArea() {
  if (caretExists_) viewport()->update(CaretRect());
}

void QtEditorWindow::CreateCaret(int width, int height) {
  UpdateCaretArea();
  caretExists_ = true;
  caretHide_ = 1;  // a new caret starts hidden
  caretSize_ = QSize(std::max(1, width), std::max(1, height));
}

void QtEditorWindow::SetCaretPos(int x, int y) {
  UpdateCaretArea();
  caretPos_ = QPoint(x, y);
  caretBlinkOn_ = true;
  UpdateCaretArea();
}

void QtEditorWindow::ShowCaret() {
  if (!caretExists_ || caretHide_ == 0) return;
  if (--caretHide_ == 0) {
    caretBlinkOn_ = true;
    caretTimer_.start();
    UpdateCaretArea();
  }
}

void QtEditorWindow::HideCaret() {
  if (!caretExists_) return;
  if (caretHide_++ == 0) {
    caretTimer_.stop();
    UpdateCaretArea();
  }
}

void QtEditorWindow::DestroyCaret() {
  UpdateCaretArea();
  caretExists_ = false;
  caretHide_ = 1;
  caretTimer_.stop();
}

// ---- Scroll bars ----

void QtEditorWindow::SetScrollRange(ScrollBarKind kind, int min, int max, bool /*redraw*/) {
  QScrollBar* bar = Bar(kind);
  bar->setRange(min, std::max(min, max));
  // The position is kept inside the new range.
  barPos_[Index(kind)] = std::clamp(barPos_[Index(kind)], bar->minimum(), bar->maximum());
  bar->setValue(barPos_[Index(kind)]);
  // An empty range takes the bar away, as it does for a window's own scroll bars.
  ShowScrollBar(kind, max > min);
}

void QtEditorWindow::SetScrollPos(ScrollBarKind kind, int pos, bool /*redraw*/) {
  QScrollBar* bar = Bar(kind);
  barPos_[Index(kind)] = std::clamp(pos, bar->minimum(), bar->maximum());
  bar->setValue(barPos_[Index(kind)]);
}

int QtEditorWindow::ScrollPos(ScrollBarKind kind) { return barPos_[Index(kind)]; }

void QtEditorWindow::EnableScrollArrows(ScrollBarKind kind, bool enable) {
  arrowsEnabled_[Index(kind)] = enable;
  Bar(kind)->setEnabled(enable);
}

void QtEditorWindow::ShowScrollBar(ScrollBarKind kind, bool show) {
  Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (kind == ScrollBarKind::Vert) {
    if (verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
  } else if (horizontalScrollBarPolicy() != policy) {
    setHorizontalScrollBarPolicy(policy);
  }
}

void QtEditorWindow::scrollContentsBy(int, int) {
  // The control scrolls its own pixels when it handles the scroll message.
}

void QtEditorWindow::SendScroll(ScrollBarKind kind, int code, int pos) {
  if (!client_) return;
  if (kind == ScrollBarKind::Vert) {
    client_->WmVScroll(code, pos);
  } else {
    client_->WmHScroll(code, pos);
  }
}

void QtEditorWindow::OnBarAction(ScrollBarKind kind, int action) {
  QScrollBar* bar = Bar(kind);
  int code = -1;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = SB_LINEUP;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = SB_LINEDOWN;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = SB_PAGEUP;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = SB_PAGEDOWN;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = SB_TOP;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = SB_BOTTOM;
      break;
    case QAbstractSlider::SliderMove:
      code = SB_THUMBTRACK;
      break;
    default:
      return;
  }
  int pos = bar->sliderPosition();
  SendScroll(kind, code, code == SB_THUMBTRACK ? pos : 0);
  // The control decides where the bar stands; undo Qt's own step unless the thumb is held.
  if (code != SB_THUMBTRACK) bar->setSliderPosition(barPos_[Index(kind)]);
}

bool QtEditorWindow::eventFilter(QObject* watched, QEvent* e) {
  for (ScrollBarKind kind : {ScrollBarKind::Horz, ScrollBarKind::Vert}) {
    QScrollBar* bar = Bar(kind);
    if (watched != bar || e->type() != QEvent::MouseButtonRelease) continue;
    if (static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton) continue;
    int pos = bar->sliderPosition();
    if (barDragging_[Index(kind)]) {
      barDragging_[Index(kind)] = false;
      SendScroll(kind, SB_THUMBPOSITION, pos);
    }
    SendScroll(kind, SB_ENDSCROLL, 0);
  }
  return QAbstractScrollArea::eventFilter(watched, e);
}

// ---- Events ----

bool QtEditorWindow::event(QEvent* e) {
  // Tab belongs to the editor, not to focus traversal.
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
      keyPressEvent(k);
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

bool QtEditorWindow::viewportEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::Resize:
      ResizeImage(viewport()->size());
      ScheduleSize();
      return true;
    case QEvent::ContextMenu:
      return true;  // the control opens its menu from the right button itself
    default:
      return QAbstractScrollArea::viewportEvent(e);
  }
}

void QtEditorWindow::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  mods_ = QGuiApplication::queryKeyboardModifiers();  // keys went elsewhere meanwhile
  EnsureCreated();
  if (client_) client_->WmSetFocus();
}

void QtEditorWindow::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  if (client_) client_->WmKillFocus();
}

void QtEditorWindow::keyPressEvent(QKeyEvent* e) {
  e->accept();
  Qt::KeyboardModifiers mods = e->modifiers();
  // Some platforms report a modifier key's own press or release with the state before it.
  if (e->key() == Qt::Key_Control) mods |= Qt::ControlModifier;
  if (e->key() == Qt::Key_Shift) mods |= Qt::ShiftModifier;
  mods_ = mods;
  int vk = QtKeyMap::VirtualKey(e->key(), mods);
  if (vk == VK_CONVERT) convertKeyDown_ = true;
  if (vk != 0 && client_) client_->WmKeyDown(vk, QtKeyMap::ShiftFlags(mods));
  // Alt with a key is a menu accelerator, not typing (AltGr combinations carry Ctrl too).
  if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier)) return;
  QString text = e->text();
  if (text.isEmpty() && e->key() == Qt::Key_Backtab) text = QStringLiteral("\t");
  TypeText(text);
}

void QtEditorWindow::keyReleaseEvent(QKeyEvent* e) {
  e->accept();
  if (e->isAutoRepeat()) return;
  Qt::KeyboardModifiers mods = e->modifiers();
  if (e->key() == Qt::Key_Control) mods &= ~Qt::ControlModifier;
  if (e->key() == Qt::Key_Shift) mods &= ~Qt::ShiftModifier;
  mods_ = mods;
  int vk = QtKeyMap::VirtualKey(e->key(), mods);
  if (vk == VK_CONVERT) convertKeyDown_ = false;
  if (vk != 0 && client_) client_->WmKeyUp(vk, QtKeyMap::ShiftFlags(mods));
}

void QtEditorWindow::mousePressEvent(QMouseEvent* e) {
  mods_ = e->modifiers();
  int button = QtKeyMap::Button(e->button());
  if (!client_ || button == 0) return;
  QPoint p = e->position().toPoint();
  int shift = MouseShift(e);
  client_->WmMouseDown(button, shift, p.x(), p.y());
}

void QtEditorWindow::mouseMoveEvent(QMouseEvent* e) {
  mods_ = e->modifiers();
  if (!client_) return;
  QPoint p = e->position().toPoint();
  client_->WmMouseMove(MouseShift(e), p.x(), p.y());
}

void QtEditorWindow::mouseReleaseEvent(QMouseEvent* e) {
  mods_ = e->modifiers();
  int button = QtKeyMap::Button(e->button());
  if (!client_ || button == 0) return;
  QPoint p = e->position().toPoint();
  int shift = MouseShift(e);
  client_->WmMouseUp(button, shift, p.x(), p.y());
}

void QtEditorWindow::mouseDoubleClickEvent(QMouseEvent* e) {
  mods_ = e->modifiers();
  int button = QtKeyMap::Button(e->button());
  if (!client_ || button == 0) return;
  QPoint p = e->position().toPoint();
  int shift = MouseShift(e) | SS_DOUBLE;
  // The second press of a double click: the double-click notice first, then the press
  // itself, flagged as a double click.
  client_->WmDoubleClick(button, shift, p.x(), p.y());
  client_->WmMouseDown(button, shift, p.x(), p.y());
}

void QtEditorWindow::wheelEvent(QWheelEvent* e) {
  e->accept();
  mods_ = e->modifiers();
  if (!client_) return;
  int delta = e->angleDelta().y();
  if (delta == 0) return;
  // Fine-grained devices send fractions of a notch; hand them on in whole notches.
  if ((wheelRest_ > 0) != (delta > 0)) wheelRest_ = 0;
  wheelRest_ += delta;
  int whole = wheelRest_ / 120 * 120;
  if (whole == 0) return;
  wheelRest_ -= whole;
  // Ctrl with the wheel is the host's zoom, not a scroll.
  if ((e->modifiers() & Qt::ControlModifier) && zoomHandler) {
    zoomHandler(whole / 120);
    return;
  }
  client_->WmMouseWheel(whole, QtKeyMap::ShiftFlags(e->modifiers()));
}

// ---- Cursor, capture, menu, timer, key state ----

void QtEditorWindow::SetCursor(CursorKind cursor) {
  switch (cursor) {
    case CursorKind::IBeam:
      viewport()->setCursor(Qt::IBeamCursor);
      break;
    case CursorKind::Arrow:
      viewport()->setCursor(Qt::ArrowCursor);
      break;
    case CursorKind::DragMove:
      viewport()->setCursor(DragCursor(false));
      break;
    case CursorKind::DragCopy:
      viewport()->setCursor(DragCursor(true));
      break;
    case CursorKind::No:
      viewport()->setCursor(Qt::ForbiddenCursor);
      break;
  }
}

void QtEditorWindow::SetCapture(bool capture) {
  if (capture == captured_) return;
  captured_ = capture;
  if (capture) {
    viewport()->grabMouse();
  } else {
    viewport()->releaseMouse();
  }
}

void QtEditorWindow::PopupMenu(int x, int y) {
  emit popupMenuRequested(viewport()->mapToGlobal(QPoint(x, y)));
}

void QtEditorWindow::StartTimer(int intervalMs) { clientTimer_.start(std::max(1, intervalMs)); }

void QtEditorWindow::StopTimer() { clientTimer_.stop(); }

bool QtEditorWindow::IsShiftDown() { return mods_ & Qt::ShiftModifier; }

bool QtEditorWindow::IsCtrlDown() { return mods_ & Qt::ControlModifier; }

void QtEditorWindow::ShowMessage(const std::string& text) {
  if (messageHandler) {
    messageHandler(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok, this);
  box.exec();
}

TColor QtEditorWindow::ResolveColor(TColor color) { return ResolveSystemColor(color); }

}  // namespace quiret
