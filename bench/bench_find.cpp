// Find and replace on a wrapped 100 MB document (about 1.5 million lines, as bench_edit):
// finding a text that is absent (plain, any case, regular expressions with a literal part),
// replacing all of a frequent word (about 10^5 matches) and taking that back with one undo;
// then replace all in one long line (2,000,000 matches; a regular expression over 100 KB)
// and a pattern that reaches the engine's limit. Prints the seconds of each step once, and
// the speed of the searches over the whole text; the text after the undo is compared with
// the loaded one.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "bench/BenchText.h"
#include "editor/LumoEdit.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {
namespace {

// One line in 15 holds the word "zebra".
std::string MakeText(std::size_t bytes) { return MakeBenchText(bytes, "the zebra "); }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Prints the wall time, the speed over `bytes` and, for a busy machine, the processor time.
template <typename Op>
double Time(const char* what, double bytes, Op op) {
  const auto t = std::chrono::steady_clock::now();
  const std::clock_t c = std::clock();
  const auto result = op();
  const double s = Seconds(t);
  const double cpu = static_cast<double>(std::clock() - c) / CLOCKS_PER_SEC;
  std::printf("%-52s %8.3f s", what, s);
  if (bytes > 0) std::printf("  %6.2f GB/s", bytes / s / 1e9);
  std::printf("  cpu %.3f s", cpu);
  std::printf("  (%lld)\n", static_cast<long long>(result));
  return s;
}

bool WholeDocument() {
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  OpenAsFile(edit, MakeText(std::size_t{100} << 20));
  win.SetFocus();
  const std::string original = edit.Lines->GetText();
  const auto size = static_cast<double>(original.size());
  std::printf("document: %zu bytes, %d rows\n", original.size(), edit.Lines->Count());

  const TFindOptions plain{true, false}, folded{false, false}, regex{true, true}, regexFolded{false, true};
  auto find = [&](const char* what, const char* text, const TFindOptions& o, bool backward) {
    if (backward)
      edit.MoveToTextEnd();
    else
      edit.MoveToTextStart();
    win.surface.Clear();
    Time(what, size, [&] { return edit.FindText(text, o, backward); });
  };
  find("find absent text, forward from the start", "#absent#", plain, false);
  find("find absent text, backward from the end", "#absent#", plain, true);
  find("find absent text, any case", "#ABSENT#", folded, false);
  find("find absent text, any case, backward", "#ABSENT#", folded, true);
  find("find absent regular expression (literal #a)", "#ab+sent#", regex, false);
  find("find regex, literal in 1 line of 15 (zebra\\d)", "zebra\\d", regex, false);
  find("the same, any case", "ZEBRA\\d", regexFolded, false);
  find("the same, backward", "zebra\\d", regex, true);
  find("find regex without a literal ([0-9]{3})", "[0-9]{3}", regex, false);

  edit.MoveToTextStart();
  Time("replace all zebra -> ZEBRA (same length)", 0,
       [&] { return edit.ReplaceAll("zebra", "ZEBRA", plain, false); });
  Time("undo", 0, [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  Time("replace all zebra -> okapi-x (rows re-cut)", 0,
       [&] { return edit.ReplaceAll("zebra", "okapi-x", plain, false); });
  std::printf("undo records after replace all: %zu, bytes %lld of %lld\n", edit.UndoList.size(),
              static_cast<long long>(edit.UndoBytes), static_cast<long long>(edit.UndoBuf));
  Time("undo", 0, [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  const bool same = edit.Lines->GetText() == original;
  std::printf("text after undo equals the loaded text: %s; modified: %s\n", same ? "yes" : "NO",
              edit.GetModified() ? "yes" : "no");
  return same && !edit.GetModified();
}

// Replace all in a document of one line; the undo must give it back.
bool LongLine(const char* what, const std::string& line, const char* findchr, const char* changechr,
              const TFindOptions& o) {
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  edit.UndoBuf = 64 << 20;  // room for the undo of every replacement
  OpenAsFile(edit, line);
  const std::string original = edit.Lines->GetText();
  Time(what, 0, [&] { return edit.ReplaceAll(findchr, changechr, o, false); });
  Time("  and its undo", 0, [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  const bool same = edit.Lines->GetText() == original;
  if (!same) std::printf("  the undo did NOT give back the line\n");
  return same;
}

std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

int Run() {
  bool ok = WholeDocument();
  ok = LongLine("replace all, one line of 2,000,000 matches", Repeat("ab ", 2000000), "ab", "x",
                TFindOptions{true, false}) &&
       ok;
  ok = LongLine("replace all a(b) -> [$1], one 100 KB line", Repeat("ab ", 34000), "a(b)", "[$1]",
                TFindOptions{true, true}) &&
       ok;
  ok = LongLine("the same, 2,000,000 matches", Repeat("ab ", 2000000), "a(b)", "[$1]",
                TFindOptions{true, true}) &&
       ok;

  // A line of forty a's then "Xb": the first alternative backtracks until the engine's limit.
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  OpenAsFile(edit, Repeat("a", 40) + "Xb\r\n");
  int stops = 0;
  edit.OnFindStop = [&stops](TLumoEdit*, const std::string&, TFindStop, int) { ++stops; };
  Time("find ^(a|aa)+$|b: time until the limit stops it", 0, [&] {
    return edit.FindText("^(a|aa)+$|b", TFindOptions{true, true}, false);
  });
  std::printf("stopped by the limit: %s\n", stops == 1 ? "yes" : "NO");
  return ok && stops == 1 ? 0 : 1;
}

}  // namespace
}  // namespace quiret

int main() { return quiret::Run(); }
