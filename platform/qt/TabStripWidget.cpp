// The document tab strip: tab list, row flow, painting and the mouse rules of the strip.
#include "platform/qt/TabStripWidget.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace quiret {

namespace {

// Space between the strip's edge and the tabs, on the side away from the page.
constexpr int kMargin = 2;
// Room beside a caption inside a tab that fits its caption.
constexpr int kTextPad = 8;
// Room kept free at both ends of a drawn caption; fixed-width tabs elide theirs to fit.
constexpr int kFixedTextPad = 4;
constexpr int kButtonGap = 3;

}  // namespace

TabStripWidget::TabStripWidget(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::PointingHandCursor);
  // The strip never takes the keyboard focus away from the editor of the page.
  setFocusPolicy(Qt::NoFocus);
  // Not Fixed: a fixed policy caps the height at sizeHint() and would cut off rows that
  // heightForWidth asks for. The page beside the strip takes the spare height.
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  Reflow();
}

int TabStripWidget::AddTab(const QString& caption) {
  InsertTab(Count(), caption);
  return Count() - 1;
}

void TabStripWidget::InsertTab(int index, const QString& caption) {
  index = std::clamp(index, 0, Count());
  captions_.insert(index, caption);
  if (active_ < 0) {
    active_ = index;
  } else if (index <= active_) {
    ++active_;
  }
  Reflow();
}

void TabStripWidget::RemoveTab(int index) {
  if (index < 0 || index >= Count()) return;
  captions_.removeAt(index);
  if (Count() == 0) {
    active_ = -1;
  } else if (index < active_) {
    --active_;
  } else if (index == active_) {
    // The right neighbour moves into the place; the new last tab when the last one went.
    active_ = std::min(index, Count() - 1);
  }
  Reflow();
}

void TabStripWidget::MoveTab(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  captions_.move(from, to);
  // The active tab stays the same tab, wherever it now sits.
  if (active_ == from) {
    active_ = to;
  } else if (from < active_ && active_ <= to) {
    --active_;
  } else if (to <= active_ && active_ < from) {
    ++active_;
  }
  Reflow();
}

QString TabStripWidget::Caption(int index) const {
  if (index < 0 || index >= Count()) return QString();
  return captions_.at(index);
}

void TabStripWidget::SetCaption(int index, const QString& caption) {
  if (index < 0 || index >= Count() || captions_.at(index) == caption) return;
  captions_[index] = caption;
  Reflow();
}

void TabStripWidget::SetActiveIndex(int index) {
  if (index < 0 || index >= Count() || index == active_) return;
  active_ = index;
  update();
}

void TabStripWidget::SetTabWidth(int px) {
  px = std::max(0, px);
  if (px == tabWidth_) return;
  tabWidth_ = px;
  Reflow();
}

void TabStripWidget::SetTabStyle(int style) {
  if (style != StyleButtons && style != StyleFlatButtons) style = StyleTabs;
  if (style == style_) return;
  style_ = style;
  if (style_ != StyleTabs) position_ = PositionTop;
  Reflow();
}

void TabStripWidget::SetTabPosition(int position) {
  position = (position == PositionBottom && style_ == StyleTabs) ? PositionBottom : PositionTop;
  if (position == position_) return;
  position_ = position;
  Reflow();
}

int TabStripWidget::RowHeight() const { return fontMetrics().height() + 8; }

int TabStripWidget::RowGap() const { return style_ == StyleTabs ? 0 : kButtonGap; }

int TabStripWidget::TabGap() const { return style_ == StyleTabs ? 0 : kButtonGap; }

int TabStripWidget::HeightForRows(int rows) const {
  rows = std::max(1, rows);
  int height = rows * RowHeight() + (rows - 1) * RowGap() + kMargin;
  // Buttons stand free of the page; tabs touch it.
  if (style_ != StyleTabs) height += kMargin;
  return height;
}

int TabStripWidget::NaturalTabWidth(int index) const {
  if (tabWidth_ > 0) return tabWidth_;
  return fontMetrics().horizontalAdvance(captions_.at(index)) + 2 * kTextPad;
}

TabStripWidget::Flow TabStripWidget::ComputeFlow(int width) const {
  Flow flow;
  const int count = Count();
  if (count == 0) return flow;
  flow.rects.resize(count);
  flow.rowOf.resize(count);
  const int right = std::max(kMargin + 1, width - kMargin);
  const int rowHeight = RowHeight();
  const int top = (position_ == PositionTop || style_ != StyleTabs) ? kMargin : 0;
  int x = kMargin;
  int row = 0;
  for (int i = 0; i < count; ++i) {
    const int w = NaturalTabWidth(i);
    // A tab wider than the whole strip still gets a row of its own.
    if (x > kMargin && x + w > right) {
      ++row;
      x = kMargin;
    }
    flow.rects[i] = QRect(x, top + row * (rowHeight + RowGap()), w, rowHeight);
    flow.rowOf[i] = row;
    x += w + TabGap();
  }
  flow.rows = row + 1;
  return flow;
}

const TabStripWidget::Flow& TabStripWidget::CurrentFlow() const {
  if (flowWidth_ != width()) {
    flow_ = ComputeFlow(width());
    flowWidth_ = width();
  }
  return flow_;
}

void TabStripWidget::Reflow() {
  flowWidth_ = -1;
  const int rows = CurrentFlow().rows;
  update();
  // Even with the same rows a style or font change alters the height.
  updateGeometry();
  if (rows != reportedRows_) {
    reportedRows_ = rows;
    emit tabsReflowed();
  }
}

QRect TabStripWidget::TabRect(int index) const {
  const Flow& flow = CurrentFlow();
  if (index < 0 || index >= flow.rects.size()) return QRect();
  return flow.rects.at(index);
}

int TabStripWidget::TabAt(QPoint pos) const {
  const Flow& flow = CurrentFlow();
  for (int i = 0; i < flow.rects.size(); ++i) {
    if (flow.rects.at(i).contains(pos)) return i;
  }
  return -1;
}

int TabStripWidget::heightForWidth(int width) const { return HeightForRows(ComputeFlow(width).rows); }

QSize TabStripWidget::sizeHint() const {
  int total = 2 * kMargin;
  for (int i = 0; i < Count(); ++i) total += NaturalTabWidth(i) + TabGap();
  // A multi-row strip only asks for a modest width; it wraps into rows instead.
  const int width = std::clamp(total, 4 * kMargin, 600);
  return QSize(width, heightForWidth(width));
}

QSize TabStripWidget::minimumSizeHint() const {
  int widest = 0;
  for (int i = 0; i < Count(); ++i) widest = std::max(widest, NaturalTabWidth(i));
  return QSize(std::min(widest, 200) + 2 * kMargin, HeightForRows(1));
}

bool TabStripWidget::event(QEvent* e) {
  // The strip shows no hints.
  if (e->type() == QEvent::ToolTip || e->type() == QEvent::WhatsThis) {
    e->ignore();
    return true;
  }
  return QWidget::event(e);
}

void TabStripWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Reflow();
}

void TabStripWidget::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) Reflow();
}

QString TabStripWidget::DisplayText(int index, int room) const {
  return fontMetrics().elidedText(captions_.at(index), Qt::ElideRight, std::max(0, room));
}

void TabStripWidget::PaintNormalTab(QPainter& p, int index) const {
  const QRect r = flow_.rects.at(index);
  const bool active = index == active_;
  // Drawn as a tab opening downwards; at the bottom the same picture is mirrored.
  p.save();
  if (position_ == PositionBottom) {
    p.translate(0, r.top() + r.bottom() + 1);
    p.scale(1, -1);
  }
  const QPalette& pal = palette();
  const QRect body = active ? r : r.adjusted(0, 2, 0, 0);
  const QColor edge = pal.color(active ? QPalette::Dark : QPalette::Mid);
  p.fillRect(body.adjusted(1, 1, -1, 0),
             active ? pal.color(QPalette::Base) : pal.color(QPalette::Button).darker(104));
  // Edges as one-pixel fills so that the mirrored picture lands on the same pixels.
  p.fillRect(QRect(body.left() + 1, body.top(), body.width() - 2, 1), edge);
  p.fillRect(QRect(body.left(), body.top() + 1, 1, body.height() - 1), edge);
  p.fillRect(QRect(body.right(), body.top() + 1, 1, body.height() - 1), edge);
  if (active) {
    p.fillRect(QRect(body.left() + 1, body.top() + 1, body.width() - 2, 2), pal.color(QPalette::Highlight));
  } else {
    p.fillRect(QRect(body.left(), body.bottom(), body.width(), 1), pal.color(QPalette::Mid));
  }
  p.restore();

  QRect textRect = r.adjusted(kFixedTextPad, 0, -kFixedTextPad, 0);
  // Tabs behind the active one sit a little further from the edge, as their shape does.
  if (!active) textRect.translate(0, position_ == PositionTop ? 1 : -1);
  p.setPen(pal.color(QPalette::WindowText));
  p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, DisplayText(index, textRect.width()));
}

void TabStripWidget::PaintButton(QPainter& p, int index) const {
  const QRect rect = flow_.rects.at(index);
  const bool active = index == active_;
  QColor textColor = palette().color(QPalette::ButtonText);
  if (style_ == StyleButtons) {
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = rect;
    opt.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    opt.state |= active ? (QStyle::State_Sunken | QStyle::State_On) : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
  } else {
    if (active) {
      p.fillRect(rect, palette().color(QPalette::Highlight));
      p.setPen(palette().color(QPalette::Dark));
      p.drawRect(rect.adjusted(0, 0, -1, -1));
      textColor = palette().color(QPalette::HighlightedText);
    }
    // A thin etched line parts neighbouring flat buttons.
    const bool rowEnd = index == Count() - 1 || flow_.rowOf.at(index + 1) != flow_.rowOf.at(index);
    if (!rowEnd) {
      const int x = rect.right() + 1 + kButtonGap / 2;
      p.setPen(palette().color(QPalette::Mid));
      p.drawLine(x, rect.top() + 3, x, rect.bottom() - 3);
    }
  }
  QRect textRect = rect.adjusted(kFixedTextPad, 0, -kFixedTextPad, 0);
  if (active && style_ == StyleButtons) textRect.translate(1, 1);
  p.setPen(textColor);
  p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, DisplayText(index, textRect.width()));
}

void TabStripWidget::paintEvent(QPaintEvent*) {
  CurrentFlow();
  QPainter p(this);
  if (style_ != StyleTabs) {
    for (int i = 0; i < Count(); ++i) PaintButton(p, i);
    return;
  }
  // The edge of the page runs along the side of the strip next to it, open under the active
  // tab when that tab's row touches the page.
  const int edgeY = position_ == PositionTop ? height() - 1 : 0;
  const bool activeTouchesPage =
      active_ >= 0 && flow_.rowOf.at(active_) == (position_ == PositionTop ? flow_.rows - 1 : 0);
  // The active tab goes last so that its raised shape lies over its neighbours.
  for (int i = 0; i < Count(); ++i) {
    if (i != active_) PaintNormalTab(p, i);
  }
  if (active_ >= 0) PaintNormalTab(p, active_);
  p.fillRect(QRect(0, edgeY, width(), 1), palette().color(QPalette::Dark));
  if (activeTouchesPage) {
    const QRect r = flow_.rects.at(active_);
    p.fillRect(QRect(r.left() + 1, edgeY, r.width() - 2, 1), palette().color(QPalette::Base));
  }
}

bool TabStripWidget::IsCloseClick(const QMouseEvent& e) {
  const bool plain = (e.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
  const Qt::MouseButtons held = e.buttons();
  return plain && (held == Qt::MiddleButton || held == (Qt::LeftButton | Qt::RightButton));
}

void TabStripWidget::HandlePress(QMouseEvent* e, bool doubleClick) {
  const int tab = TabAt(e->position().toPoint());
  if (!doubleClick && IsCloseClick(*e)) {
    const bool chord = e->buttons() == (Qt::LeftButton | Qt::RightButton);
    if (chord) chordPressed_ = true;
    if (tab < 0) return;
    // The handler may close the tab, so nothing of this strip is touched afterwards.
    if (chord) {
      emit leftRightClicked(tab);
    } else {
      emit middleClicked(tab);
    }
    return;
  }
  if (e->button() == Qt::LeftButton && tab >= 0) {
    if (tab != active_) {
      active_ = tab;
      update();
    }
    emit tabActivated(tab);
  }
}

void TabStripWidget::mousePressEvent(QMouseEvent* e) {
  HandlePress(e, false);
  e->accept();
}

void TabStripWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  HandlePress(e, true);
  e->accept();
}

void TabStripWidget::mouseReleaseEvent(QMouseEvent* e) {
  const bool endsChord = chordPressed_;
  if (e->buttons() == Qt::NoButton) chordPressed_ = false;
  e->accept();
  if (e->button() != Qt::RightButton || endsChord) return;
  const int tab = TabAt(e->position().toPoint());
  if (tab >= 0) emit rightClicked(tab, e->globalPosition().toPoint());
}

}  // namespace quiret
