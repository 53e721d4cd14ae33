// The drawing surface of a window: what the self-drawn editor paints with.
#pragma once

#include <string_view>

#include "platform/Types.h"

namespace quiret {

// All text is code page 932 bytes. Drawing happens at once (no deferred paint); the
// implementation makes the changed pixels visible. Coordinates are client pixels.
class Surface {
 public:
  virtual ~Surface() = default;

  // Selects the canvas font. Widths and metrics below refer to the selected font.
  virtual void SetFont(const TLogFont& font) = 0;
  // Switches the underline style of the selected font (URL drawing).
  virtual void SetUnderline(bool on) = 0;
  virtual TFontMetrics Metrics() = 0;
  // Pixel width of the text. Widths are additive: the width of a string is the sum of the
  // widths of its characters (a double-byte character counts as one character; bytes that
  // are not valid code page 932 are drawn as a replacement of one half-width cell per byte).
  virtual int TextWidth(std::string_view text) = 0;

  virtual void FillRect(const TRect& r, TColor color) = 0;
  // Draws text with its cell's top-left at (x, y), clipped to `clip`; the whole clip
  // rectangle is first filled with `back` (opaque output).
  virtual void TextOut(int x, int y, const TRect& clip, std::string_view text, TColor fore, TColor back) = 0;
  // A pen line from (x1, y1) to (x2, y2); the end point itself is not drawn.
  virtual void Line(int x1, int y1, int x2, int y2, TColor color) = 0;
  virtual void SetPixel(int x, int y, TColor color) = 0;
  // Moves the pixels inside `clip` by (dx, dy); the uncovered strip keeps stale pixels
  // until something draws there.
  virtual void ScrollPixels(const TRect& clip, int dx, int dy) = 0;
  // Marks a rectangle for a later paint request of the window.
  virtual void Invalidate(const TRect& r) = 0;
};

}  // namespace quiret
