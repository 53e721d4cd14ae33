// Font family resolution and pixel sizing for the editor's logical fonts.
#include "platform/qt/QtFontResolver.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

namespace quiret {

namespace {

// Families whose full-width glyphs are exactly two half-width cells, best first.
const char* const kCjkMonoFamilies[] = {
    "IPAGothic",   "IPAゴシック", "Noto Sans Mono CJK JP", "Noto Sans CJK JP", "VL Gothic",
    "VL ゴシック", "TakaoGothic", "Takao Gothic",          "IPAexGothic",      "Source Han Code JP",
};

bool IsInstalled(const QString& family) {
  if (family.isEmpty()) return false;
  return QFontDatabase::hasFamily(family);
}

}  // namespace

QString QtFontResolver::FallbackFamily() {
  static const QString cached = [] {
    for (const char* name : kCjkMonoFamilies) {
      QString family = QString::fromUtf8(name);
      if (IsInstalled(family)) return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  }();
  return cached;
}

QString QtFontResolver::ResolveFamily(const std::string& requested) {
  QString family = QString::fromUtf8(requested.data(), static_cast<qsizetype>(requested.size()));
  // "FixedSys" is a bitmap font of another system; a same-named stand-in here would not
  // have the double-width Japanese glyphs the editor's columns rely on.
  if (family.compare(QStringLiteral("FixedSys"), Qt::CaseInsensitive) == 0) return FallbackFamily();
  if (IsInstalled(family)) return family;
  return FallbackFamily();
}

QFont QtFontResolver::BaseFont(const TLogFont& logFont) {
  QFont font(ResolveFamily(logFont.FaceName));
  font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferFullHinting);
  if (logFont.Weight >= 600) font.setWeight(QFont::Bold);
  font.setItalic(logFont.Italic);
  font.setUnderline(logFont.Underline);
  font.setStrikeOut(logFont.StrikeOut);
  return font;
}

QFont QtFontResolver::MakeFont(const TLogFont& logFont) {
  QFont font = BaseFont(logFont);
  if (logFont.Height < 0) {
    font.setPixelSize(-logFont.Height);
    return font;
  }
  // Zero asks for a default size, as it does for a logical font.
  int cell = logFont.Height > 0 ? logFont.Height : 16;
  // The largest pixel size whose cell (ascent + descent) still fits the requested height.
  // The cell grows with the pixel size, so the size is found by halving the range: a few
  // measurements even for a huge size from a settings file.
  int best = 1, last = cell;  // the answer lies in [best, last]
  while (best < last) {
    const int px = best + (last - best + 1) / 2;
    font.setPixelSize(px);
    QFontMetrics fm(font);
    if (fm.ascent() + fm.descent() > cell) {
      last = px - 1;
    } else {
      best = px;
    }
  }
  font.setPixelSize(best);
  return font;
}

}  // namespace quiret
