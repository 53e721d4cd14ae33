// Immediate drawing into the backing image: text in cells, pen lines, pixel scrolling.
#include "platform/qt/QtSurface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Codec932.h"
#include "platform/qt/QtFontResolver.h"

namespace quiret {

namespace {

QString FromCode(char32_t code) {
  char32_t one[1] = {code};
  return QString::fromUcs4(one, 1);
}

// Control codes have no glyph of their own; they are shown like bytes we cannot decode.
bool IsDrawable(char32_t code) { return code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0); }

}  // namespace

QtSurface::QtSurface(QImage* image, RectFn changed, RectFn invalidate)
    : image_(image), changed_(std::move(changed)), invalidate_(std::move(invalidate)) {
  TLogFont initial;
  initial.Height = -16;
  initial.PitchAndFamily = 1;
  SetFont(initial);
}

void QtSurface::SetFont(const TLogFont& font) {
  font_ = QtFontResolver::MakeFont(font);
  // A fixed-pitch request puts every character on the half-width grid, as the editor's
  // column arithmetic expects, even where the font's advances are fractional.
  fixedPitch_ = (font.PitchAndFamily & 3) == 1;
  QFontMetricsF fm(font_);
  QFontMetrics fmi(font_);
  ascent_ = fmi.ascent();
  cellHeight_ = fmi.ascent() + fmi.descent();
  halfWidth_ = fixedPitch_ ? std::max(1, qRound(fm.horizontalAdvance(QLatin1Char('0'))))
                           : std::max(1, fmi.averageCharWidth());
  widths_.assign(0x10000, -1);
  naturals_.assign(0x10000, 0);
}

void QtSurface::SetUnderline(bool on) { font_.setUnderline(on); }

TFontMetrics QtSurface::Metrics() {
  TFontMetrics m;
  m.AveCharWidth = halfWidth_;
  m.Height = cellHeight_;
  m.Ascent = ascent_;
  return m;
}

void QtSurface::Measure(char32_t code, int& width, bool& natural) {
  if (code < 0x10000 && widths_[code] >= 0) {
    width = widths_[code];
    natural = naturals_[code] != 0;
    return;
  }
  qreal advance = QFontMetricsF(font_).horizontalAdvance(FromCode(code));
  if (fixedPitch_) {
    width = std::max(1, static_cast<int>(std::lround(advance / halfWidth_))) * halfWidth_;
  } else {
    width = std::max(1, qRound(advance));
  }
  natural = std::abs(advance - width) < 1e-6;
  if (code < 0x10000) {
    widths_[code] = static_cast<short>(std::min(width, 0x7FFF));
    naturals_[code] = natural ? 1 : 0;
  }
}

QtSurface::Cell QtSurface::CellAt(std::string_view text, size_t pos) {
  Cell cell;
  int len = 1;
  char32_t code = Codec932::Instance().DecodeAt(text, pos, len);
  cell.bytes = len < 1 ? 1 : len;
  if (code == 0 || !IsDrawable(code)) {
    // Undecodable and control bytes: one half-width box per byte.
    cell.bytes = 1;
    cell.width = halfWidth_;
    return cell;
  }
  cell.code = code;
  Measure(code, cell.width, cell.natural);
  return cell;
}

int QtSurface::TextWidth(std::string_view text) {
  int total = 0;
  for (size_t pos = 0; pos < text.size();) {
    Cell c = CellAt(text, pos);
    total += c.width;
    pos += c.bytes;
  }
  return total;
}

void QtSurface::FillRect(const TRect& r, TColor color) {
  if (!Ready() || r.IsEmpty()) return;
  QRect q = ToQRect(r).intersected(image_->rect());
  if (q.isEmpty()) return;
  QPainter p(image_);
  p.fillRect(q, ToQColor(color));
  p.end();
  if (changed_) changed_(q);
}

void QtSurface::DrawReplacement(QPainter& p, int x, int y, int w, const QColor& color) const {
  // A small hollow box inside the cell, so the byte is visible but not mistaken for text.
  int top = y + cellHeight_ / 4;
  int h = std::max(2, cellHeight_ / 2);
  int left = x + 1;
  int width = std::max(2, w - 3);
  p.setPen(QPen(color, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(left, top, width - 1, h - 1);
}

void QtSurface::TextOut(int x, int y, const TRect& clip, std::string_view text, TColor fore, TColor back) {
  if (!Ready() || clip.IsEmpty()) return;
  QRect area = ToQRect(clip).intersected(image_->rect());
  if (area.isEmpty()) return;
  QPainter p(image_);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(area, ToQColor(back));
  p.setClipRect(area);
  p.setFont(font_);
  QColor foreColor = ToQColor(fore);
  p.setPen(foreColor);
  int baseline = y + ascent_;

  // Characters whose own advance matches their cell are drawn together; the others one by
  // one at their cell, so drawn positions always equal the sum of TextWidth.
  QString run;
  int runX = x;
  auto flush = [&] {
    if (!run.isEmpty()) p.drawText(QPoint(runX, baseline), run);
    run.clear();
  };
  int cx = x;
  for (size_t pos = 0; pos < text.size();) {
    Cell c = CellAt(text, pos);
    pos += c.bytes;
    if (cx + c.width <= area.left()) {
      cx += c.width;
      continue;
    }
    if (cx > area.right()) break;
    if (c.code == 0) {
      flush();
      DrawReplacement(p, cx, y, c.width, foreColor);
      p.setPen(foreColor);
    } else if (c.natural) {
      if (run.isEmpty()) runX = cx;
      run += FromCode(c.code);
    } else {
      flush();
      p.drawText(QPoint(cx, baseline), FromCode(c.code));
    }
    cx += c.width;
  }
  flush();
  p.end();
  if (changed_) changed_(area);
}

void QtSurface::PutPixel(int x, int y, QRgb rgb) {
  if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  reinterpret_cast<QRgb*>(image_->scanLine(y))[x] = rgb;
}

void QtSurface::Line(int x1, int y1, int x2, int y2, TColor color) {
  if (!Ready()) return;
  QRgb rgb = ToQColor(color).rgb();
  // Bresenham walk that stops before the end point, as a pen moved with LineTo does.
  int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  int x = x1, y = y1;
  int minX = x, maxX = x, minY = y, maxY = y;
  while (x != x2 || y != y2) {
    PutPixel(x, y, rgb);
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
    int e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
  if (changed_ && (x1 != x2 || y1 != y2)) changed_(QRect(QPoint(minX, minY), QPoint(maxX, maxY)));
}

void QtSurface::SetPixel(int x, int y, TColor color) {
  if (!Ready()) return;
  PutPixel(x, y, ToQColor(color).rgb());
  if (changed_) changed_(QRect(x, y, 1, 1));
}

void QtSurface::ScrollPixels(const TRect& clip, int dx, int dy) {
  if (!Ready() || clip.IsEmpty() || (dx == 0 && dy == 0)) return;
  QRect area = ToQRect(clip).intersected(image_->rect());
  if (area.isEmpty()) return;
  QRect source = area.translated(-dx, -dy).intersected(area);
  if (!source.isEmpty()) {
    QImage moved = image_->copy(source);
    QPainter p(image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(source.topLeft() + QPoint(dx, dy), moved);
  }
  if (changed_) changed_(area);
  // The strip that scrolled in has no valid pixels; the window asks for a paint there.
  QRegion uncovered = QRegion(area) - QRegion(source.translated(dx, dy));
  if (invalidate_ && !uncovered.isEmpty()) invalidate_(uncovered.boundingRect());
}

void QtSurface::Invalidate(const TRect& r) {
  if (invalidate_ && !r.IsEmpty()) invalidate_(ToQRect(r));
}

}  // namespace quiret
