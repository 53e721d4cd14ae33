// The editor's drawing surface on Qt: immediate drawing into the window's backing image.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/Surface.h"

namespace quiret {

class QtSurface : public Surface {
 public:
  using RectFn = std::function<void(const QRect&)>;
  // `image` is owned by the window and may be replaced (resized) between calls. `changed`
  // is told which pixels were drawn; `invalidate` which ones need a paint request.
  QtSurface(QImage* image, RectFn changed, RectFn invalidate);

  void SetFont(const TLogFont& font) override;
  void SetUnderline(bool on) override;
  TFontMetrics Metrics() override;
  int TextWidth(std::string_view text) override;
  void FillRect(const TRect& r, TColor color) override;
  void TextOut(int x, int y, const TRect& clip, std::string_view text, TColor fore, TColor back) override;
  void Line(int x1, int y1, int x2, int y2, TColor color) override;
  void SetPixel(int x, int y, TColor color) override;
  void ScrollPixels(const TRect& clip, int dx, int dy) override;
  void Invalidate(const TRect& r) override;

  const QFont& Font() const { return font_; }

  static QColor ToQColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
  static TColor FromQColor(const QColor& c) {
    return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) |
           (static_cast<TColor>(c.blue()) << 16);
  }
  static QRect ToQRect(const TRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

 private:
  // One character of a code page 932 string as the surface draws it.
  struct Cell {
    char32_t code = 0;  // 0 = no glyph: drawn as a replacement box
    int bytes = 1;
    int width = 0;
    bool natural = false;  // the font's own advance equals `width` (can be drawn in a run)
  };
  Cell CellAt(std::string_view text, size_t pos);
  void Measure(char32_t code, int& width, bool& natural);
  void DrawReplacement(class QPainter& p, int x, int y, int w, const QColor& color) const;
  bool Ready() const { return image_ && !image_->isNull(); }
  void PutPixel(int x, int y, QRgb rgb);

  QImage* image_;
  RectFn changed_;
  RectFn invalidate_;
  QFont font_;
  bool fixedPitch_ = true;
  int halfWidth_ = 8;  // width of a half-width cell
  int ascent_ = 14;
  int cellHeight_ = 16;
  // Width and run flag per BMP code point; -1 = not measured yet.
  std::vector<short> widths_;
  std::vector<unsigned char> naturals_;
};

}  // namespace quiret
