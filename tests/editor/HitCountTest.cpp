// Counting hits a slice at a time against one search over the whole text: random rows
// (wrapped continuations, double-byte characters whose trail bytes look like the letters
// searched for), parts of long lines cut small, any slice size; and the limits.
#include <gtest/gtest.h>

#include <random>

#include "editor/HitCounter.h"
#include "text/LumoStrings.h"

namespace quiret {
namespace {

// The hits a search from the text's start selects one after another.
std::vector<RowPos> Reference(const TLumoStrings& rows, const std::string& pattern, const TFindOptions& o) {
  FindChunk chunk;
  for (std::int32_t r = 0; r < rows.Count(); ++r) {
    chunk.rowStarts.push_back(chunk.text.size());
    chunk.text.append(rows.Get(r));
  }
  FindMatcher m;
  EXPECT_TRUE(m.Compile(pattern, o));
  m.Load(chunk);
  std::vector<RowPos> out;
  std::size_t off = 0, at = 0, len = 0;
  while (m.First(chunk, off, at, len)) {
    const auto k = static_cast<std::size_t>(
        std::upper_bound(chunk.rowStarts.begin(), chunk.rowStarts.end(), at) - chunk.rowStarts.begin() - 1);
    out.push_back(RowPos{static_cast<std::int32_t>(at - chunk.rowStarts[k]), static_cast<std::int32_t>(k)});
    off = at + len;
  }
  return out;
}

TEST(HitCount, AgreesWithOneSearchOverTheWholeText) {
  std::mt19937 rng(7);
  const std::vector<std::string> pieces = {"a",        "A",        "b",        "ab", "\x82\x61",
                                           "\x82\x60", "\x81\x81", "\x88\x9f", " "};
  const std::vector<std::string> patterns = {"a",        "ab",        "aa",  "b a",
                                             "\x82\x61", "a\x82\x61", "aba", "\x81\x81"};
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> rows;
    const int count = 1 + static_cast<int>(rng() % 12);
    for (int r = 0; r < count; ++r) {
      std::string row;
      for (int n = static_cast<int>(rng() % 9); n > 0; --n) row += pieces[rng() % pieces.size()];
      if (r + 1 == count)
        row += std::string("\0\0", 2);
      else if (rng() % 3 != 0 && !row.empty())
        ;  // a continuation row
      else
        row += "\r\n";
      rows.push_back(row);
    }
    TLumoStrings store;
    store.Assign(rows);
    const std::string pattern = patterns[rng() % patterns.size()];
    const TFindOptions options{rng() % 2 == 0, false};
    const std::vector<RowPos> want = Reference(store, pattern, options);
    HitCounter c;
    c.MaxChunk = 1 + rng() % 16;
    ASSERT_TRUE(c.Start(store, pattern, options));
    HitCounter::State s = HitCounter::State::Running;
    for (int steps = 0; s == HitCounter::State::Running && steps < 10000; ++steps) s = c.Step(rng() % 20);
    ASSERT_EQ(s, HitCounter::State::Done) << round;
    ASSERT_EQ(c.Count(), want.size()) << round << " pattern " << pattern;
    for (std::size_t i = 0; i < want.size(); ++i) {
      // The same place as a logical position.
      LinePos at{0, 0};
      for (std::int32_t r = 0; r < want[i].Row; ++r) {
        const std::string_view row = store.Get(r);
        at = EndsWithLf(row) ? LinePos{0, at.Line + 1}
                             : LinePos{at.Offset + static_cast<std::int32_t>(row.size()), at.Line};
      }
      at.Offset += want[i].Col;
      EXPECT_EQ(c.IndexOf(at), i + 1) << round;
    }
  }
}

TEST(HitCount, StopsAtTheLimitOnAChangeAndOnALongLineForARegularExpression) {
  TLumoStrings store;
  store.SetText(std::string(HitCounter::kMaxHits + 1, 'x') + "\r\nx");
  HitCounter c;
  ASSERT_TRUE(c.Start(store, "x", TFindOptions{}));
  EXPECT_EQ(c.Step(std::size_t{1} << 30), HitCounter::State::Capped);
  EXPECT_EQ(c.Count(), HitCounter::kMaxHits);

  ASSERT_TRUE(c.Start(store, "x+", TFindOptions{true, true}));
  c.MaxChunk = 1000;  // the first line is longer
  EXPECT_EQ(c.Step(std::size_t{1} << 30), HitCounter::State::Partial);

  ASSERT_TRUE(c.Start(store, "x", TFindOptions{}));
  EXPECT_EQ(c.Step(10), HitCounter::State::Running);
  store.Assign(std::vector<std::string>{std::string("x\0\0", 3)});
  EXPECT_FALSE(c.Fresh(store));
  EXPECT_EQ(c.Step(10), HitCounter::State::Changed);
  EXPECT_FALSE(c.Start(store, "", TFindOptions{}));
}

}  // namespace
}  // namespace quiret
