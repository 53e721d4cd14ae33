// The parts under find: the two-form byte scan against a plain loop, and the text a regular
// expression's every match holds.
#include <gtest/gtest.h>

#include <random>

#include "editor/FindScan.h"
#include "editor/RegexLiteral.h"

namespace quiret {
namespace {

// Texts of every length around the 16-byte steps, needles of 1 to 5 bytes whose bytes
// take one or two forms, every start offset.
TEST(FindScan, TwoFormScanAgreesWithAPlainLoop) {
  std::mt19937 rng(1993);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::string alphabet = "aAbB\x82\x60\x81";
  for (int round = 0; round < 3000; ++round) {
    std::string hay;
    for (int k = pick(0, 70); k > 0; --k) hay += alphabet[static_cast<std::size_t>(pick(0, 6))];
    TwoFormText n;
    for (int k = pick(1, 5); k > 0; --k) {
      n.a += alphabet[static_cast<std::size_t>(pick(0, 6))];
      n.b += pick(0, 1) ? n.a.back() : alphabet[static_cast<std::size_t>(pick(0, 6))];
    }
    for (std::size_t from = 0; from <= hay.size() + 1; ++from) {
      std::size_t expect = std::string::npos;
      for (std::size_t i = from; expect == std::string::npos && i + n.size() <= hay.size(); ++i) {
        bool fits = true;
        for (std::size_t k = 0; k < n.size(); ++k)
          fits = fits && (hay[i + k] == n.a[k] || hay[i + k] == n.b[k]);
        if (fits) expect = i;
      }
      ASSERT_EQ(expect, FindTwoForm(hay, from, n)) << "round " << round << " from " << from;
    }
  }
  const TwoFormText ab = TwoFormText::AsciiCaseless("a1Z");
  EXPECT_EQ(ab.a, "a1Z");
  EXPECT_EQ(ab.b, "A1z");
}

TEST(FindScan, RequiredLiteralOfAPattern) {
  for (const auto& [pattern, literal] : std::vector<std::pair<std::string, std::string>>{
           {"#ab+sent#", "sent#"},   // b may repeat: "#ab" ends after it; the longest run
           {"zebra\\d", "zebra"},    // an escape class ends the run
           {"ab?cde", "cde"},        // an optional character is left out
           {"wx{2}y", "wx"},         // a repeated one ends the run it is in
           {"ab{1}c", "abc"},        // exactly once is as plain
           {"(abc)de", "de"},        // groups are skipped whole
           {"[xyz]+abc[d]", "abc"},  // and classes, ']' first included: below
           {"[]a]bcd", "bcd"},
           {"a\\.b\\$c", "a.b$c"},  // escaped signs stand for themselves
           {"\\bword\\b", "word"},
           {"^start", "start"},
           {"(?<=ab)cd(?=ef)", "cd"},  // lookarounds are groups too
           {"a|b", ""},                // an alternative at the top: none
           {"(a|b)", ""},
           {"(?i)abc", ""},  // inline options: none
           {"a(?x) b", ""},
           {"\\Qa|b\\E", ""},  // quoting: none
           {"(*UCP)abc", ""},  // verbs: none
           {"\\x41bc", ""},    // escapes of several characters: none
           {"a{,2}bc", ""},    // a brace PCRE2 reads as a character: none
           {"\xE3\x81\x82"
            "abc",
            "abc"},  // non-ASCII characters end a run
           {".*", ""},
       })
    EXPECT_EQ(RequiredLiteral(pattern), literal) << pattern;
}

}  // namespace
}  // namespace quiret
