// Small value types shared by the core and its platform: colours, points, rectangles, fonts.
#pragma once

#include <cstdint>
#include <string>

namespace quiret {

// Colour laid out 0x00BBGGRR. A value with the high bit set names a system colour
// (index in the low byte); the platform resolves it to plain RGB.
using TColor = std::uint32_t;

constexpr bool IsSystemColor(TColor c) { return (c & 0x80000000u) != 0; }
constexpr TColor InvertRgb(TColor c) { return (c ^ 0xFFFFFFu) & 0xFFFFFFu; }

struct TPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Half-open rectangle: [left, right) x [top, bottom).
struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// Screen pixels per logical inch; point sizes and pixel heights convert through it.
constexpr int kPixelsPerInch = 96;

// A font as the host and the control configure it. Height follows the classic rule:
// negative = character height in pixels (what a point size gives), positive = cell height.
struct TFont {
  std::string Name;  // family name, UTF-8 (the name the user chose, kept as is)
  int Height = -19;
  TColor Color = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;

  int Size() const;          // points, from Height
  void SetSize(int points);  // sets Height = -round(points * 96 / 72)
  friend bool operator==(const TFont&, const TFont&) = default;
};

// The logical-font record the control builds for its canvas and the input method.
struct TLogFont {
  int Height = 0;  // > 0: cell height in pixels; < 0: character height
  int Weight = 0;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  std::uint8_t CharSet = 0;
  std::uint8_t PitchAndFamily = 0;
  std::string FaceName;  // UTF-8
  friend bool operator==(const TLogFont&, const TLogFont&) = default;
};

struct TFontMetrics {
  int AveCharWidth = 0;  // width of a half-width cell
  int Height = 0;        // cell height (ascent + descent)
  int Ascent = 0;
};

}  // namespace quiret
