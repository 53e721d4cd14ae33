// Find: regular expressions drawn from a small grammar (\C, patterns that only match empty
// strings, nested and lazy quantifiers) over ASCII lines, in both case modes, with and
// without word wrap at a narrow column: every hit forwards and backwards agrees with the
// reference search, and replace all replaces exactly the hits and comes back with one undo.
#include <sstream>

#include "fuzz/EditorSetup.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/RegexFindCheck.h"

using namespace quiret;
using namespace quiret::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Editor e;
  TLumoEdit& edit = e.edit;
  edit.OnChangeRedoMode = [](TLumoEdit*, bool) {};
  std::vector<std::string> lines(static_cast<std::size_t>(in.Range(1, 4)));
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (int k = in.Range(0, 40); k > 0; --k) lines[i] += "abAB _x"[in.Range(0, 6)];
    text += (i > 0 ? "\r\n" : "") + lines[i];
  }
  std::string pattern;
  bool refused = false;
  const testref::Re re = testref::Draw([&in](int lo, int hi) { return in.Range(lo, hi); }, pattern, &refused);
  const bool caseless = in.Bool();
  const bool wrap = in.Bool();
  const int column = in.Range(10, 20);
  const std::string repl = std::string("xy").substr(0, static_cast<std::size_t>(in.Range(0, 2)));
  std::istringstream stream(text);
  edit.SetWordWrap(false);
  LoadStream(edit, stream);
  if (wrap) {
    edit.SetColumn(column);
    edit.SetWordWrap(true);
  }
  edit.ApplySettings();
  std::string where = " (pattern " + pattern + ", " + (caseless ? "any case" : "case") + ", lines";
  for (const std::string& l : lines) where += " [" + l + "]";
  where += ")";
  const std::string fault =
      testref::CheckRegexFind(edit, lines, pattern, refused ? nullptr : &re, caseless, repl);
  FUZZ_CHECK(fault.empty(), fault + where);
  return 0;
}
