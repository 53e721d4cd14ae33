// Regular-expression find and replace against a reference on random ASCII lines and random
// patterns of a small grammar (nested and lazy quantifiers, empty alternatives, anchors,
// \C), in both case modes, with and without word wrap at a narrow column.
#include <random>

#include "tests/editor/EditorFixture.h"
#include "tests/support/RegexFindCheck.h"

namespace quiret {
namespace {

class FindRegexRandomTest : public EditorFixture {};

TEST_F(FindRegexRandomTest, AgreesWithTheReference) {
  std::mt19937 rng(8086);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Create();
  edit.OnChangeRedoMode = [](TLumoEdit*, bool) {};
  for (int round = 0; round < 600; ++round) {
    std::vector<std::string> lines(static_cast<std::size_t>(pick(1, 4)));
    for (std::string& l : lines)
      for (int k = pick(0, 30); k > 0; --k) l += "abAB _x"[pick(0, 6)];
    std::string pattern;
    bool refused = false;
    const testref::Re re = testref::Draw(pick, pattern, &refused);
    const bool caseless = pick(0, 1) == 1;
    const std::string repl = std::string("xy").substr(0, static_cast<std::size_t>(pick(0, 2)));
    std::string trace = "round " + std::to_string(round) + " pattern " + pattern + " lines";
    for (const std::string& l : lines) trace += " [" + l + "]";
    SCOPED_TRACE(trace);
    edit.SetWordWrap(false);
    SetLines(lines);
    if (pick(0, 1)) {
      edit.SetColumn(10 + pick(0, 4));
      edit.SetWordWrap(true);
    }
    edit.ClearUndoList();
    ASSERT_EQ("", testref::CheckRegexFind(edit, lines, pattern, refused ? nullptr : &re, caseless, repl));
  }
}

}  // namespace
}  // namespace quiret
