// The word a double click selects, and the hook that selects it.
#include "app/WordSelect.h"

#include <algorithm>
#include <memory>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"
#include "platform/Codec932.h"

namespace quiret {

WordClass ClassOfChar(char32_t c) {
  if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0x3005 && c <= 0x3007))  // 々 〆 〇
    return WordClass::Kanji;
  if (c >= 0x3041 && c <= 0x309F) return WordClass::Hiragana;
  // The middle dot (U+30FB) separates katakana words; the long vowel mark belongs to them.
  if ((c >= 0x30A1 && c <= 0x30FF && c != 0x30FB) || (c >= 0xFF66 && c <= 0xFF9F)) return WordClass::Katakana;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
      (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A) ||
      (c >= 0x0391 && c <= 0x03C9) || (c >= 0x0401 && c <= 0x0451))
    return WordClass::LetterOrDigit;
  return WordClass::Other;
}

std::pair<std::size_t, std::size_t> WordSpanAt(std::string_view line, std::size_t at) {
  const Codec932& codec = Codec932::Instance();
  // A walk from the line's start (a trail byte can look like a lead byte, so only a walk from
  // a known boundary finds the characters), keeping where the current run began.
  auto next = [&](std::size_t p, WordClass& cls) {
    int len = 1;
    cls = ClassOfChar(codec.DecodeAt(line, p, len));
    return p + static_cast<std::size_t>(
                   std::max(len, CharLenFrom(line, p)));  // an undecodable pair is one character
  };
  std::size_t runStart = 0;
  WordClass runClass = WordClass::Other;
  for (std::size_t p = 0; p < line.size();) {
    WordClass cls;
    const std::size_t end = next(p, cls);
    if (cls != runClass || cls == WordClass::Other) runStart = p;
    runClass = cls;
    if (at < end) {
      if (cls == WordClass::Other) return {p, end};  // no run: the character alone
      std::size_t last = end;
      for (WordClass c; last < line.size();) {
        const std::size_t after = next(last, c);
        if (c != cls) break;
        last = after;
      }
      return {runStart, last};
    }
    p = end;
  }
  return {at, at};
}

void InstallDoubleClickWord(TLumoEdit& ed) {
  // Where the last left press was: the caret went to the boundary nearest to it, and which
  // side of the caret the pointer was on tells the character under it.
  auto pressX = std::make_shared<int>(0);
  auto before = ed.OnMouseDown;
  ed.OnMouseDown = [pressX, before](TLumoEdit* sender, int button, int shift, int x, int y) {
    if (button == MB_LEFT) *pressX = x;
    if (before) before(sender, button, shift, x, y);
  };
  ed.OnDblClick = [pressX](TLumoEdit* e) {
    std::int32_t lastRow = 0;
    const LinePos caret = e->ToLine(RowPos{e->CaretCol, e->CaretRow});
    const std::int32_t firstRow = e->ToRow(LinePos{0, caret.Line}).Row;
    const std::string text = e->JoinRows(firstRow, lastRow);
    const std::string_view line = StripLineEnd(text);
    std::size_t at = static_cast<std::size_t>(caret.Offset);
    // Left of the caret, the pointer was on the character before it: the one that holds the
    // byte before the caret.
    if (*pressX - e->TextLeft < e->CaretX && at > 0) --at;
    const auto [from, to] = WordSpanAt(line, at);
    if (from == to) return;
    e->SelectRange(e->ToRow(LinePos{static_cast<std::int32_t>(from), caret.Line}),
                   e->ToRow(LinePos{static_cast<std::int32_t>(to), caret.Line}));
  };
}

}  // namespace quiret
