// Regular-expression find and replace of a control checked against the reference of
// RegexReference.h: every forward and backward hit, then replace all and its undo. Used by
// a randomized test and by the find fuzz target.
#pragma once

#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/RegexReference.h"

namespace quiret::testref {

// `lines` are the control's logical lines (ASCII). `re` is the pattern's tree, or null when
// the pattern must be refused (it holds \C). Returns "" when everything agrees, else what
// differed. A search the engine's limit stops is not compared, but must change nothing.
inline std::string CheckRegexFind(TLumoEdit& edit, const std::vector<std::string>& lines,
                                  const std::string& pattern, const Re* re, bool caseless,
                                  const std::string& repl) {
  const TFindOptions o{!caseless, true};
  const std::string original = edit.Lines->GetText();
  bool stopped = false;
  edit.OnFindStop = [&stopped](TLumoEdit*, const std::string&, TFindStop, int) { stopped = true; };
  auto selection = [&edit](LinePos& a, LinePos& b) {
    RowPos lo, hi;
    edit.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    a = edit.ToLine(lo);
    b = edit.ToLine(hi);
  };
  auto where = [](const char* what, std::size_t line, std::size_t at) {
    return std::string(what) + " at line " + std::to_string(line) + " offset " + std::to_string(at);
  };
  edit.MoveToTextStart();
  if (!re) {
    if (edit.FindText(pattern, o, false) || edit.FindError.empty())
      return "a pattern with \\C was not refused";
    if (edit.ReplaceAll(pattern, repl, o, false) != 0 || edit.Lines->GetText() != original)
      return "a pattern with \\C replaced something";
    return "";
  }

  // Forward: each hit at the leftmost start after the previous hit's end.
  struct Hit {
    std::size_t line, start, end;
  };
  std::vector<Hit> hits;
  std::size_t line = 0, off = 0;
  for (;;) {
    std::vector<bool> ends;
    std::size_t st = std::string::npos;
    for (; line < lines.size(); ++line, off = 0)
      if ((st = FirstStart(*re, lines[line], off, caseless, ends)) != std::string::npos) break;
    const bool found = edit.FindText(pattern, o, false);
    if (stopped) return edit.Lines->GetText() == original ? "" : "a stopped find changed the text";
    if (!found) return st == std::string::npos ? "" : where("missed a match", line, st);
    LinePos a, b;
    selection(a, b);
    if (st == std::string::npos) return where("found a match the reference has not", a.Line, a.Offset);
    if (a.Line != static_cast<std::int32_t>(line) || a.Offset != static_cast<std::int32_t>(st) ||
        b.Line != a.Line || b.Offset <= a.Offset || !ends[b.Offset])
      return where("found", a.Line, a.Offset) + " to " + std::to_string(b.Offset) + ", not " +
             where("the match", line, st);
    hits.push_back(Hit{line, st, static_cast<std::size_t>(b.Offset)});
    off = hits.back().end;
    if (hits.size() > 4096) return "too many hits";
  }
}

// Backward from the end: each hit the last start before the previous hit's start.
inline std::string CheckRegexFindBackward(TLumoEdit& edit, const std::vector<std::string>& lines,
                                          const std::string& pattern, const Re& re, bool caseless) {
  const TFindOptions o{!caseless, true};
  bool stopped = false;
  edit.OnFindStop = [&stopped](TLumoEdit*, const std::string&, TFindStop, int) { stopped = true; };
  edit.EndSelection();
  edit.MoveToTextEnd();
  std::size_t line = lines.size() - 1, limit = lines.back().size();
  for (int guard = 0; guard < 4096; ++guard) {
    std::vector<bool> ends;
    std::size_t st = std::string::npos;
    for (;;) {
      for (std::size_t k = limit; k-- > 0 && st == std::string::npos;) {
        std::vector<bool> start(lines[line].size() + 1, false);
        start[k] = true;
        ends = Ends(re, lines[line], start, caseless);
        for (std::size_t e = k + 1; e <= lines[line].size() && st == std::string::npos; ++e)
          if (ends[e]) st = k;
      }
      if (st != std::string::npos || line == 0) break;
      limit = lines[--line].size();
    }
    const bool found = edit.FindText(pattern, o, true);
    if (stopped) return "";
    if (!found)
      return st == std::string::npos ? "" : "missed a match backwards at line " + std::to_string(line);
    RowPos lo, hi;
    edit.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    const LinePos a = edit.ToLine(lo), b = edit.ToLine(hi);
    if (st == std::string::npos || a.Line != static_cast<std::int32_t>(line) ||
        a.Offset != static_cast<std::int32_t>(st) || b.Line != a.Line || !ends[b.Offset])
      return "backwards found line " + std::to_string(a.Line) + " offset " + std::to_string(a.Offset) +
             ", not line " + std::to_string(line) + " offset " + std::to_string(st);
    limit = st;
  }
  return "too many hits backwards";
}

// Replace all replaces exactly the forward hits; one undo gives every byte back.
inline std::string CheckRegexReplaceAll(TLumoEdit& edit, const std::vector<std::string>& lines,
                                        const std::string& pattern, bool caseless, const std::string& repl) {
  const TFindOptions o{!caseless, true};
  const std::string original = edit.Lines->GetText();
  bool stopped = false;
  edit.OnFindStop = [&stopped](TLumoEdit*, const std::string&, TFindStop, int) { stopped = true; };
  // The hits, as find gives them from the start of the text.
  std::vector<std::pair<LinePos, LinePos>> hits;
  edit.EndSelection();
  edit.MoveToTextStart();
  while (hits.size() < 4096 && edit.FindText(pattern, o, false)) {
    RowPos lo, hi;
    edit.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    hits.emplace_back(edit.ToLine(lo), edit.ToLine(hi));
  }
  if (stopped) return "";
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
  if (count != static_cast<std::int32_t>(hits.size()))
    return "replace all counted " + std::to_string(count) + ", find " + std::to_string(hits.size());
  if (edit.Lines->GetText() != expect) return "replace all gave another text than the hits";
  if (const std::string fault = edit.Lines->CheckInvariant(); !fault.empty()) return fault;
  if (count > 0) edit.Undo();
  if (edit.Lines->GetText() != original) return "the undo of replace all did not give the text back";
  return edit.Lines->CheckInvariant();
}

}  // namespace quiret::testref
