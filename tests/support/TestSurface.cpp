// The deterministic test surface: fixed metrics and a log of drawing calls.
#include "tests/support/TestSurface.h"

#include <cstdlib>

namespace quiret {

namespace {
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
}  // namespace

bool TestSurface::IsDoubleByteAt(std::string_view text, size_t pos) {
  return pos + 1 < text.size() && IsLead(static_cast<unsigned char>(text[pos])) &&
         IsTrail(static_cast<unsigned char>(text[pos + 1]));
}

int TestSurface::CellHeight() const {
  int h = std::abs(font_.Height);
  return h == 0 ? 16 : h;
}

void TestSurface::SetFont(const TLogFont& font) {
  font_ = font;
  underline_ = font.Underline;
  SurfaceCall c;
  c.kind = SurfaceCall::SetFont;
  c.font = font;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::SetUnderline(bool on) {
  underline_ = on;
  SurfaceCall c;
  c.kind = SurfaceCall::SetUnderline;
  c.underline = on;
  calls.push_back(std::move(c));
}

TFontMetrics TestSurface::Metrics() {
  int h = CellHeight();
  return TFontMetrics{h / 2, h, h * 7 / 8};
}

int TestSurface::TextWidth(std::string_view text) {
  ++widthCalls;
  const int half = HalfWidth();
  int w = 0;
  for (size_t i = 0; i < text.size();) {
    if (IsDoubleByteAt(text, i)) {
      w += 2 * half;
      i += 2;
    } else {
      w += half;
      ++i;
    }
  }
  return w;
}

void TestSurface::FillRect(const TRect& r, TColor color) {
  SurfaceCall c;
  c.kind = SurfaceCall::FillRect;
  c.rect = r;
  c.fore = color;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::TextOut(int x, int y, const TRect& clip, std::string_view text, TColor fore, TColor back) {
  SurfaceCall c;
  c.kind = SurfaceCall::TextOut;
  c.rect = clip;
  c.p1 = {x, y};
  c.text = std::string(text);
  c.fore = fore;
  c.back = back;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::Line(int x1, int y1, int x2, int y2, TColor color) {
  SurfaceCall c;
  c.kind = SurfaceCall::Line;
  c.p1 = {x1, y1};
  c.p2 = {x2, y2};
  c.fore = color;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::SetPixel(int x, int y, TColor color) {
  SurfaceCall c;
  c.kind = SurfaceCall::SetPixel;
  c.p1 = {x, y};
  c.fore = color;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::ScrollPixels(const TRect& clip, int dx, int dy) {
  SurfaceCall c;
  c.kind = SurfaceCall::ScrollPixels;
  c.rect = clip;
  c.p1 = {dx, dy};
  c.underline = underline_;
  calls.push_back(std::move(c));
}

void TestSurface::Invalidate(const TRect& r) {
  SurfaceCall c;
  c.kind = SurfaceCall::Invalidate;
  c.rect = r;
  c.underline = underline_;
  calls.push_back(std::move(c));
}

std::vector<SurfaceCall> TestSurface::Calls(SurfaceCall::Kind kind) const {
  std::vector<SurfaceCall> out;
  for (const SurfaceCall& c : calls)
    if (c.kind == kind) out.push_back(c);
  return out;
}

std::vector<std::string> TestSurface::TextsAt(int y) const {
  std::vector<std::string> out;
  for (const SurfaceCall& c : calls)
    if (c.kind == SurfaceCall::TextOut && c.p1.y == y) out.push_back(c.text);
  return out;
}

}  // namespace quiret
