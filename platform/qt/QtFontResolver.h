// Maps the font names the editor asks for onto fonts installed on this machine.
#pragma once

#include <QFont>
#include <QString>
#include <string>

#include "platform/Types.h"

namespace quiret {

class QtFontResolver {
 public:
  // The installed family to use for a requested family name (UTF-8). Installed families are
  // used as they are; anything else ("ＭＳ ゴシック", "FixedSys", a font from another
  // machine) becomes a fixed-pitch Japanese font whose full-width glyphs are twice as wide
  // as its half-width ones.
  static QString ResolveFamily(const std::string& requested);
  // The fixed-pitch Japanese fallback family: IPAGothic first, then other CJK monospace
  // families, then the system fixed font.
  static QString FallbackFamily();
  // A font for a logical-font record. A negative Height is the character (em) height in
  // pixels; a positive Height is the cell height (ascent + descent) in pixels.
  static QFont MakeFont(const TLogFont& logFont);

 private:
  static QFont BaseFont(const TLogFont& logFont);
};

}  // namespace quiret
