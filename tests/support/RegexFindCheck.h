// Regular-expression find and replace of a control checked against the reference of
// RegexReference.h: every hit forwards and backwards, then replace all and its undo. Used
// by a randomized test and by the find fuzz target.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/RegexReference.h"

namespace quiret::testref {

// `lines` are the control's logical lines (ASCII); `re` is the pattern's tree, or null when
// the pattern must be refused (it holds \C). Returns "" when everything agrees, else what
// differed. A search the engine's limit stops is not compared, but must change nothing.
inline std::string CheckRegexFind(TLumoEdit& edit, const std::vector<std::string>& lines,
                                  const std::string& pattern, const Re* re, bool caseless,
                                  const std::string& repl) {
  const TFindOptions o{!caseless, true};
  const std::string original = edit.Lines->GetText();
  bool stopped = false;
  edit.OnFindStop = [&stopped](TLumoEdit*, const std::string&, TFindStop, int) { stopped = true; };
  edit.EndSelection();
  edit.MoveToTextStart();
  if (!re) {
    if (edit.FindText(pattern, o, false) || edit.FindError.empty())
      return "a pattern with \\C was not refused";
    if (edit.ReplaceAll(pattern, repl, o, false) != 0 || edit.Lines->GetText() != original)
      return "a pattern with \\C replaced something";
    return "";
  }
  auto ends = [&](std::size_t line, std::size_t start) {
    std::vector<bool> from(lines[line].size() + 1, false);
    from[start] = true;
    return Ends(*re, lines[line], from, caseless);
  };
  auto nonEmpty = [&](std::size_t line, std::size_t start) {
    const std::vector<bool> e = ends(line, start);
    return std::find(e.begin() + static_cast<std::ptrdiff_t>(start) + 1, e.end(), true) != e.end();
  };
  auto text = [](const char* what, const LinePos& p) {
    return std::string(what) + " line " + std::to_string(p.Line) + " offset " + std::to_string(p.Offset);
  };
  // Forwards each hit is the leftmost start after the last hit's end; backwards the last
  // start before the last hit's start. Either ends where the reference can end.
  std::vector<std::pair<LinePos, LinePos>> hits;
  for (const bool backward : {false, true}) {
    const auto last = static_cast<std::int32_t>(lines.size()) - 1;
    LinePos at = backward ? LinePos{static_cast<std::int32_t>(lines.back().size()), last} : LinePos{0, 0};
    if (backward) edit.MoveToTextEnd();
    for (int guard = 0;; ++guard) {
      LinePos want{-1, -1};
      for (std::int32_t l = at.Line; want.Line < 0 && l >= 0 && l <= last; l += backward ? -1 : 1) {
        const auto size = static_cast<std::int32_t>(lines[static_cast<std::size_t>(l)].size());
        const std::int32_t from = l == at.Line ? at.Offset : backward ? size : 0;
        for (std::int32_t st = backward ? from - 1 : from; want.Line < 0 && st >= 0 && st < size;
             st += backward ? -1 : 1)
          if (nonEmpty(static_cast<std::size_t>(l), static_cast<std::size_t>(st))) want = LinePos{st, l};
      }
      const bool found = edit.FindText(pattern, o, backward);
      if (stopped) return edit.Lines->GetText() == original ? "" : "a stopped search changed the text";
      if (!found && want.Line < 0) break;
      if (!found) return text(backward ? "missed backwards" : "missed", want);
      RowPos lo, hi;
      edit.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
      const LinePos a = edit.ToLine(lo), b = edit.ToLine(hi);
      if (!(a == want) || b.Line != a.Line || b.Offset <= a.Offset ||
          !ends(static_cast<std::size_t>(a.Line),
                static_cast<std::size_t>(a.Offset))[static_cast<std::size_t>(b.Offset)])
        return text("found", a) + " to " + std::to_string(b.Offset) + ", " + text("not", want);
      if (!backward) hits.emplace_back(a, b);
      at = backward ? a : b;
      if (guard > 4096) return "too many hits";
    }
    edit.EndSelection();
  }
  // Replace all replaces exactly the forward hits; one undo gives every byte back.
  std::string expect;
  std::size_t k = 0;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    std::size_t copied = 0;
    for (; k < hits.size() && hits[k].first.Line == static_cast<std::int32_t>(l); ++k) {
      expect += lines[l].substr(copied, static_cast<std::size_t>(hits[k].first.Offset) - copied) + repl;
      copied = static_cast<std::size_t>(hits[k].second.Offset);
    }
    expect += lines[l].substr(copied) + (l + 1 < lines.size() ? "\r\n" : "");
  }
  const std::int32_t count = edit.ReplaceAll(pattern, repl, o, false);
  if (stopped) return edit.Lines->GetText() == original ? "" : "a stopped replace all changed the text";
  if (count != static_cast<std::int32_t>(hits.size()) || edit.Lines->GetText() != expect)
    return "replace all replaced " + std::to_string(count) + " matches, not the " +
           std::to_string(hits.size()) + " hits";
  if (const std::string fault = edit.CheckInvariant(); !fault.empty()) return fault;
  if (count > 0) edit.Undo();
  if (edit.Lines->GetText() != original) return "the undo of replace all did not give the text back";
  return edit.CheckInvariant();
}

}  // namespace quiret::testref
