// Find and replace on a wrapped 100 MB document (about 1.5 million lines, as bench_edit):
// finding a text that is absent (plain, any case, regular expressions with a literal part),
// replacing all of a frequent word (about 10^5 matches) and taking that back with one undo;
// then replace all in one long line (2,000,000 matches; a regular expression over 100 KB)
// and a pattern that reaches the engine's limit; and replace all of "/" in a 51.6 MB
// dictionary-like text (about 786,000 matches) with its undo. Prints the seconds of each step
// once, the speed of the searches over the whole text and, for the replacements, the peak
// memory they took beyond the text; the text after the undo is compared with the loaded one.
// `bench_find long` runs only the replacements (for a profile of them).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
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

// Resident memory in KiB from /proc/self/status: the peak (VmHWM) or now (VmRSS).
long ResidentKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
  return -1;
}

// Starts a new peak: what an operation takes is then its peak above the memory before it.
long StartPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return ResidentKiB("VmRSS");
}

void PrintPeak(long before) {
  std::printf("  peak memory beyond the text before it: %.1f MiB\n",
              static_cast<double>(ResidentKiB("VmHWM") - before) / 1024.0);
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

// Times the one undo that takes back a replace all, with the memory it took.
void TimeUndo(TLumoEdit& edit) {
  const long before = StartPeak();
  Time("  and its undo", 0, [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  PrintPeak(before);
}

// Replace all in a document of one line; the undo must give it back.
// `heard`: a host hears each replacement first, as the shell does (its confirmation question
// when asked for).
bool LongLine(const char* what, const std::string& line, const char* findchr, const char* changechr,
              const TFindOptions& o, bool heard = false) {
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  edit.UndoBuf = 64 << 20;  // room for the undo of every replacement
  if (heard)
    edit.OnFindChange = [](TLumoEdit*, const std::string&, const std::string&, int, int, int, int, bool&,
                           bool&, bool&) {};
  OpenAsFile(edit, line);
  const std::string original = edit.Lines->GetText();
  const long before = StartPeak();
  Time(what, 0, [&] { return edit.ReplaceAll(findchr, changechr, o, false); });
  PrintPeak(before);
  TimeUndo(edit);
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

// Dictionary-like lines: a reading in kana, then slash-separated words, with a note now and
// then; 51.6 MB of them hold about 786,000 slashes.
std::string MakeDictionary(std::size_t bytes) {
  static const char* const kKana[] = {"\x82\xA9", "\x82\xF1", "\x82\xB6", "\x82\xA0", "\x82\xB3", "\x82\xE9"};
  static const char* const kWords[] = {"\x8A\xBF\x8E\x9A", "\x8E\x9A\x8F\x91", "\x95\xB6\x8E\x9A\x97\xF1",
                                       "\x8C\xBE\x97\x74"};
  std::string text;
  text.reserve(bytes + 200);
  unsigned seed = 4711;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  while (text.size() < bytes) {
    for (unsigned k = 0, n = 3 + next() % 6; k < n; ++k) text += kKana[next() % 6];
    text += " /";
    text += kWords[next() % 4];
    // A note of 110..130 bytes: the entries of such dictionaries explain their words.
    text += ";a note on the word, its reading, where it is used and what it is not to be confused with";
    text.append(12 + next() % 21, '.');
    text += "/\r\n";
  }
  return text;
}

bool Dictionary() {
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  edit.UndoBuf = 64 << 20;  // the shell's room for a document of this size
  OpenAsFile(edit, MakeDictionary(51600000));
  const std::string original = edit.Lines->GetText();
  std::printf("dictionary: %zu bytes, %d rows\n", original.size(), edit.Lines->Count());
  const long before = StartPeak();
  Time("replace all / -> | in the dictionary", 0, [&] {
    return edit.ReplaceAll("/", "|", TFindOptions{true, false}, false);
  });
  PrintPeak(before);
  std::printf("  undo record: %lld bytes\n", static_cast<long long>(edit.UndoBytes));
  TimeUndo(edit);
  const bool same = edit.Lines->GetText() == original;
  std::printf("  text after the undo equals the loaded text: %s\n", same ? "yes" : "NO");
  return same;
}

bool LongLines() {
  bool ok = LongLine("replace all, one 2 MB line of 2,000,000 one-byte matches", Repeat("/", 2000000), "/",
                     "|", TFindOptions{true, false});
  ok = LongLine("the same, each replacement heard by the host", Repeat("/", 2000000), "/", "|",
                TFindOptions{true, false}, true) &&
       ok;
  ok = LongLine("replace all, one line of 2,000,000 matches", Repeat("ab ", 2000000), "ab", "x",
                TFindOptions{true, false}) &&
       ok;
  ok = LongLine("replace all a(b) -> [$1], one 100 KB line", Repeat("ab ", 34000), "a(b)", "[$1]",
                TFindOptions{true, true}) &&
       ok;
  ok = LongLine("the same, 2,000,000 matches", Repeat("ab ", 2000000), "a(b)", "[$1]",
                TFindOptions{true, true}) &&
       ok;
  return Dictionary() && ok;
}

int Run(bool onlyReplace) {
  if (onlyReplace) return LongLines() ? 0 : 1;
  bool ok = WholeDocument();
  ok = LongLines() && ok;

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

int main(int argc, char** argv) { return quiret::Run(argc > 1 && std::strcmp(argv[1], "long") == 0); }
