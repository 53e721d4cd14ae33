// Replace all with replacements that break lines (\n in a regular expression's template),
// against a reference replacement on the logical text: wrapped or not, undone and redone,
// every byte and the rows' invariant must come back each time, and the changes reported
// (which the recovery journal writes) must rebuild the same text.
#include <random>

#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class ReplaceBreakRandomTest : public EditorFixture {};

TEST_F(ReplaceBreakRandomTest, BrokenLinesAreUndoneAndRedoneToTheSameBytes) {
  const std::vector<std::string> pieces = {"a", "b", " ", "\x83\x41", "\x82\x60"};
  const std::vector<std::string> tokens = {"x", "\\n", "$0", "\x83\x41", "\\n\\n"};
  std::mt19937 rng(20261209);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Create();
  edit.OnChangeRedoMode = [](TLumoEdit*, bool) {};
  // The text rebuilt from the reports alone, each applied where it says.
  std::string rebuilt;
  edit.OnTextChange = [&rebuilt](TLumoEdit*, LinePos at, std::string_view removed,
                                 std::string_view inserted) {
    std::size_t p = 0;
    for (std::int32_t l = 0; l < at.Line; ++l) p = rebuilt.find('\n', p) + 1;
    p += static_cast<std::size_t>(at.Offset);
    ASSERT_EQ(rebuilt.compare(p, removed.size(), removed), 0);
    rebuilt.replace(p, removed.size(), inserted);
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> lines(static_cast<std::size_t>(pick(1, 4)));
    for (std::string& l : lines)
      for (int k = pick(0, 30); k > 0; --k) l += pieces[static_cast<std::size_t>(pick(0, 4))];
    std::string needle, templ, text;
    for (int k = pick(1, 2); k > 0; --k) needle += pieces[static_cast<std::size_t>(pick(0, 4))];
    for (int k = pick(0, 3); k > 0; --k) templ += tokens[static_cast<std::size_t>(pick(0, 4))];
    for (std::size_t l = 0; l < lines.size(); ++l) text += lines[l] + (l + 1 < lines.size() ? "\r\n" : "");
    SCOPED_TRACE("round " + std::to_string(round) + " needle [" + needle + "] template [" + templ +
                 "] text [" + text + "]");
    // The reference: matches left to right, each after the one before.
    std::string expect;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      const std::string& s = lines[l];
      std::size_t copied = 0;
      for (std::size_t i = 0; i < s.size(); i += (static_cast<unsigned char>(s[i]) >= 0x81 ? 2 : 1)) {
        if (i < copied || s.compare(i, needle.size(), needle) != 0) continue;
        std::string repl;
        for (std::size_t t = 0; t < templ.size();) {
          if (templ.compare(t, 2, "\\n") == 0) {
            repl += "\r\n";
            t += 2;
          } else if (templ.compare(t, 2, "$0") == 0) {
            repl += needle;
            t += 2;
          } else {
            repl += templ[t++];
          }
        }
        expect += s.substr(copied, i - copied) + repl;
        copied = i + needle.size();
      }
      expect += s.substr(copied) + (l + 1 < lines.size() ? "\r\n" : "");
    }
    const bool wrap = pick(0, 1) == 1;
    edit.SetWordWrap(false);
    SetLines(lines);
    edit.ClearUndoList();
    edit.ClearRedoList();
    if (wrap) {
      edit.SetColumn(6 + pick(0, 4));
      edit.SetWordWrap(true);
    }
    rebuilt = text;
    edit.ReplaceAll(needle, templ, TFindOptions{true, true}, false);
    ASSERT_EQ(expect, edit.Lines->GetText());
    ASSERT_EQ(expect, rebuilt);
    ASSERT_EQ("", edit.Lines->CheckInvariant());
    for (int cycle = 0; cycle < 2; ++cycle) {
      edit.Undo();
      ASSERT_EQ(text, edit.Lines->GetText());
      ASSERT_EQ(text, rebuilt);
      ASSERT_EQ("", edit.Lines->CheckInvariant());
      edit.Redo();
      ASSERT_EQ(expect, edit.Lines->GetText());
      ASSERT_EQ(expect, rebuilt);
      ASSERT_EQ("", edit.Lines->CheckInvariant());
    }
  }
}

}  // namespace
}  // namespace quiret
