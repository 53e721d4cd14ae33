// Find and replace on a wrapped 100 MB document (about 1.5 million lines, as bench_edit):
// finding a text that is absent, replacing all of a frequent word (about 10^5 matches) and
// taking that back with one undo. Prints the seconds of each step once; the text after the
// undo is compared with the loaded one.
#include <chrono>
#include <cstdio>
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

int Run() {
  TestEditorWindow win;
  TLumoEdit edit{win};
  SetUpBenchEditor(edit, win);
  OpenAsFile(edit, MakeText(std::size_t{100} << 20));
  win.SetFocus();
  const std::string original = edit.Lines->GetText();
  std::printf("document: %zu bytes, %d rows\n", original.size(), edit.Lines->Count());

  auto time = [&](const char* what, auto op) {
    win.surface.Clear();
    const auto t = std::chrono::steady_clock::now();
    const auto result = op();
    std::printf("%-46s %8.3f s  (%lld)\n", what, Seconds(t), static_cast<long long>(result));
  };
  const TFindOptions plain{true, false}, folded{false, false}, regex{true, true};
  time("find absent text, forward from the start", [&] { return edit.FindText("#absent#", plain, false); });
  edit.MoveToTextEnd();
  time("find absent text, backward from the end", [&] { return edit.FindText("#absent#", plain, true); });
  edit.MoveToTextStart();
  time("find absent text, any case", [&] { return edit.FindText("#ABSENT#", folded, false); });
  edit.MoveToTextStart();
  time("find absent regular expression", [&] { return edit.FindText("#ab+sent#", regex, false); });
  edit.MoveToTextStart();
  time("replace all zebra -> ZEBRA (same length)",
       [&] { return edit.ReplaceAll("zebra", "ZEBRA", plain, false); });
  time("undo", [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  time("replace all zebra -> okapi-x (rows re-cut)",
       [&] { return edit.ReplaceAll("zebra", "okapi-x", plain, false); });
  std::printf("undo records after replace all: %zu, bytes %d of %d\n", edit.UndoList.size(), edit.UndoBytes,
              edit.UndoBuf);
  time("undo", [&] {
    edit.Undo();
    return edit.UndoList.size();
  });
  const bool same = edit.Lines->GetText() == original;
  std::printf("text after undo equals the loaded text: %s; modified: %s\n", same ? "yes" : "NO",
              edit.GetModified() ? "yes" : "no");
  return same && !edit.GetModified() ? 0 : 1;
}

}  // namespace
}  // namespace quiret

int main() { return quiret::Run(); }
