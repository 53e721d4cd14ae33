// Logical line queries of TLumoStrings (LfRowsBefore, RowAfterLfRow) against a count of the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>

#include "tests/text/LineStoreTestUtil.h"

namespace quiret::test {
namespace {

// before[r]: rows of [0, r) ending with LF, counted the slow way.
std::vector<std::int32_t> LfCounts(const TLumoStrings& s) {
  std::vector<std::int32_t> before{0};
  for (std::int32_t r = 0; r < s.Count(); ++r) {
    std::string_view row = s.Get(r);
    before.push_back(before.back() + (!row.empty() && row.back() == '\n'));
  }
  return before;
}

TEST(LineIndex, EdgeCases) {
  struct Case {
    Strings rows;
    std::vector<std::int32_t> before;                          // LfRowsBefore(0..Count)
    std::vector<std::pair<std::int32_t, std::int32_t>> after;  // n -> RowAfterLfRow(n)
  };
  const Case cases[] = {
      {{}, {0}, {{0, 0}, {1, 0}, {5, 0}}},
      {{B("\0\0")}, {0, 0}, {{0, 0}, {1, 0}, {-3, 0}}},
      {{"a\r\n", "b", "c\r\n", B("d\0\0")}, {0, 1, 1, 2, 2}, {{1, 1}, {2, 3}, {3, 3}, {1000, 3}}},
      {{"a\r\n", "x\n"}, {0, 1, 2}, {{1, 1}, {2, 1}, {3, 1}}},  // a lone LF counts; clamped to the last row
      {{"a", "b", B("c\0\0")}, {0, 0, 0, 0}, {{1, 2}}},
  };
  for (const Case& c : cases) {
    TLumoStrings s;
    s.Assign(c.rows);
    const std::string label = testing::PrintToString(c.rows);
    for (std::size_t r = 0; r < c.before.size(); ++r)
      EXPECT_EQ(s.LfRowsBefore(static_cast<std::int32_t>(r)), c.before[r]) << label << " row " << r;
    for (auto [n, row] : c.after) EXPECT_EQ(s.RowAfterLfRow(n), row) << label << " n " << n;
    EXPECT_THROW(s.LfRowsBefore(-1), EListError);
    EXPECT_THROW(s.LfRowsBefore(s.Count() + 1), EListError);
  }
}

// Random edits of every kind; after each, the index must agree with the rows at probe
// points. Each phase starts with a bulk change (which rebuilds the index) and then edits
// row by row around a drifting spot, growing or shrinking, long enough that chunks fill
// and split, or shrink, join and vanish.
TEST(LineIndex, AgreesWithTheRowsUnderRandomEdits) {
  ScratchDir dir;
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    auto pick = [&](std::int64_t lo, std::int64_t hi) {  // inclusive
      return static_cast<std::int32_t>(std::uniform_int_distribution<std::int64_t>(lo, hi)(rng));
    };
    auto row = [&] {
      static const char* const ends[] = {"\r\n", "\r\n", "\r\n", "", "", "\n"};
      return std::string(static_cast<std::size_t>(pick(1, 4)), "ab \x82"[pick(0, 3)]) + ends[pick(0, 5)];
    };
    auto doc = [&](std::int32_t n) {  // n rows and the end marker
      Strings rows;
      for (std::int32_t i = 0; i < n; ++i) rows.push_back(row());
      rows.push_back(B("z\0\0"));
      return rows;
    };
    auto text = [&](std::int32_t lines) {
      std::string t;
      for (std::int32_t i = 0; i < lines; ++i) t += pick(0, 3) ? row() : "q,\"r s\",";
      return t;
    };
    TLumoStrings s;
    s.Assign(doc(1500));
    std::int32_t spot = 700, at = 0, in = 0;  // in: an existing row when there is one
    auto insertText = [&](const std::string& t) {
      std::int32_t index = at;
      s.InsertText(index, t);
    };
    auto recut = [&] {
      std::size_t bytes = 0;
      for (const std::string& r : Rows(s)) bytes += r.size();
      std::vector<std::uint32_t> lengths;
      for (; bytes > 0; bytes -= lengths.back()) lengths.push_back(std::min<std::size_t>(bytes, pick(0, 12)));
      s.Recut(lengths);
    };
    const std::function<void()> bulk[] = {
        [&] { s.Clear(); },
        [&] { s.Assign(static_cast<const Strings&>(doc(pick(0, 2500)))); },
        [&] { s.Assign(doc(pick(0, 2500))); },
        recut,
        [&] { s.LoadFromFile(dir.Write("in.txt", text(pick(0, 2000)))); },
        [&] {
          std::istringstream in(text(pick(0, 2000)));
          s.LoadFromStream(in);
        },
        [&] { s.SetText(text(pick(0, 2000))); },
        [&] { s.SetCommaText(text(pick(0, 300))); },
        [&] { insertText(text(pick(300, 600))); },
        [&] { s.SetCount(std::max(0, s.Count() + pick(-600, 600))); },
        [&] { s.AddStrings(doc(pick(300, 900))); },
        [&] { s.Assign(doc(pick(500, 3000))); },
    };
    bool growing = true;
    int whole = 0;
    for (int step = 0; step < 12000; ++step) {
      const std::int32_t count = s.Count();
      spot = std::clamp(spot + pick(-3, 3), 0, count);
      at = pick(0, 3) ? std::clamp(spot + pick(-4, 4), 0, count) : pick(0, count);
      in = std::min(at, count - 1);
      if (step % 600 == 0) growing = pick(0, 1) || count < 500;
      const int op = step % 600 == 0 || pick(0, 999) == 0 ? pick(0, std::size(bulk) - 1) : 100 + pick(0, 99);
      if (op < 100) {
        bulk[op]();
      } else if (op < 180) {  // mostly single rows
        const int r = pick(0, 99);
        if (r < (growing ? 65 : 10)) {
          s.Insert(at, row());
        } else if (count > 0) {
          r < 90 ? s.Delete(in) : s.Put(in, row());
        }
      } else if (op < 184) {
        s.Add(row());
      } else if (op < 190 && growing) {
        insertText(text(pick(0, 8)));
      } else if (op < 188) {
        for (std::int32_t k = pick(0, 8); k > 0 && s.Count() > 0; --k) s.Delete(std::min(in, s.Count() - 1));
      } else if (op < 190 && count > 0) {  // a range, now and then larger than is indexed row by row
        s.DeleteRange(in, std::min(count - in, pick(0, 1) ? pick(0, 8) : pick(200, 400)));
      } else if (op < 194) {
        s.SetCount(std::max(0, count + pick(-20, 20)));
      } else if (op < 197) {
        s.SetCapacity(count + pick(0, 50));
      } else {
        s.AddStrings(doc(pick(0, 20)));
      }
      // The structure is checked before any query, which would rebuild a stale index.
      const std::string where = " after op " + std::to_string(op) + " at step " + std::to_string(step);
      ASSERT_EQ(s.CheckInvariant().find("line index"), std::string::npos) << s.CheckInvariant() << where;
      // What the store claims to know of whole lines without looking must hold.
      if (s.LinesWhole()) {
        ++whole;
        for (std::int32_t r = 0; r + 1 < s.Count(); ++r) {
          const std::string_view row = s.Get(r);
          ASSERT_TRUE(row.size() >= 2 && (row[row.size() - 2] == '\r' || row[row.size() - 2] == '\0'))
              << "row " << r << where;
        }
      }
      const std::vector<std::int32_t> before = LfCounts(s);
      const std::int32_t last = std::max(s.Count() - 1, 0), lfs = before.back();
      for (std::int32_t r : {0, s.Count(), last, std::min(at, s.Count()), pick(0, s.Count())}) {
        ASSERT_EQ(s.LfRowsBefore(r), before[static_cast<std::size_t>(r)]) << "row " << r << where;
      }
      for (std::int32_t n :
           {0, 1, lfs, lfs + 1, before[static_cast<std::size_t>(std::clamp(in, 0, last))] + 1,
            pick(0, lfs + 2)}) {
        // The first row whose count of LF rows before it reaches n.
        const auto first = std::lower_bound(before.begin(), before.end(), n) - before.begin();
        ASSERT_EQ(s.RowAfterLfRow(n), n <= 0 ? 0 : std::min<std::int32_t>(first, last)) << "n " << n << where;
      }
    }
    EXPECT_GT(whole, 3);
  }
}

}  // namespace
}  // namespace quiret::test
