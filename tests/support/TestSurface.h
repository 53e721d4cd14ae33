// A deterministic drawing surface for tests: fixed-cell metrics and a record of every call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Surface.h"

namespace quiret {

// One recorded surface call. Fields that a kind does not use keep their defaults.
struct SurfaceCall {
  enum Kind { SetFont, SetUnderline, FillRect, TextOut, Line, SetPixel, ScrollPixels, Invalidate };
  Kind kind = FillRect;
  TRect rect;              // FillRect, TextOut clip, ScrollPixels clip, Invalidate
  TPoint p1;               // TextOut origin, Line start, SetPixel point, ScrollPixels (dx, dy)
  TPoint p2;               // Line end
  std::string text;        // TextOut bytes (code page 932)
  TColor fore = 0;         // TextOut text colour, FillRect/Line/SetPixel colour
  TColor back = 0;         // TextOut background
  bool underline = false;  // underline state when the call was made (and SetUnderline's value)
  TLogFont font;           // SetFont
};

// Metrics: h = abs(font Height) (16 when 0); cells are h high, a half-width cell is h/2
// wide, a double-byte character 2*(h/2). Ascent is h*7/8. Widths are additive.
class TestSurface : public Surface {
 public:
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

  // Whether bytes at `pos` form a double-byte character under this surface's rule
  // (lead 0x81-0x9F/0xE0-0xFC followed by trail 0x40-0x7E/0x80-0xFC).
  static bool IsDoubleByteAt(std::string_view text, size_t pos);

  // Forgets recorded calls (the selected font and underline state stay).
  void Clear() { calls.clear(); }
  // Recorded calls of one kind, in order.
  std::vector<SurfaceCall> Calls(SurfaceCall::Kind kind) const;
  // Texts drawn by TextOut with their cell top at y, in call order.
  std::vector<std::string> TextsAt(int y) const;
  // Number of TextWidth calls so far (lets tests and benchmarks see measuring cost).
  long long widthCalls = 0;

  const TLogFont& Font() const { return font_; }
  bool Underline() const { return underline_; }
  int CellHeight() const;
  int HalfWidth() const { return CellHeight() / 2; }

  std::vector<SurfaceCall> calls;

 private:
  TLogFont font_;
  bool underline_ = false;
};

}  // namespace quiret
