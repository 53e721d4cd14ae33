// The byte counts RowSlots answers from its chunk sums, against a plain walk over the rows,
// after every kind of change the store makes.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/LineStoreTestUtil.h"
#include "text/RowSlots.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

void LoadText(RowSlots& slots, const std::string& text) {
  RowSplitter splitter(slots);
  splitter.Feed(text.data(), text.size());
  splitter.Finish();
}

// Cuts each row into pieces of `width` bytes; with `later`, some rows are left to the
// first cutter.
RowSlots::ChunkCutter Pieces(std::size_t width, bool later) {
  return [width, later](const std::string_view* rows, std::size_t count, std::vector<std::uint32_t>& out) {
    for (std::size_t k = 0; k < count; ++k) {
      if (later && rows[k].size() > width && k % 3 == 0) {
        out.push_back(RowSlots::kCutLater);
        continue;
      }
      std::size_t left = rows[k].size();
      do {
        out.push_back(static_cast<std::uint32_t>(std::min(left, width)));
        left -= std::min(left, width);
      } while (left > 0);
    }
  };
}

// Random rows (some of a record's length), changed by every path that writes slots; after
// each change every chunk's sum is checked and random ranges and byte offsets are counted
// both ways, offsets past the end included.
TEST(RowSlotsSums, AgreeWithAPlainWalkAfterEveryKindOfChange) {
  std::mt19937 rng(47);
  constexpr std::size_t kLong = RowSlots::kLongRow;
  auto line = [&] {
    const std::size_t n = rng() % 50 == 0 ? kLong + rng() % 9 : rng() % 14;
    return std::string(n, static_cast<char>('a' + rng() % 26)) + "\r\n";
  };
  for (int round = 0; round < 14; ++round) {
    std::string text;
    for (std::size_t i = rng() % (3 * RowSlots::kChunkSlots); i > 0; --i) text += line();
    RowSlots slots;
    LoadText(slots, text);
    for (int step = 0; step < 36; ++step) {
      const std::size_t size = slots.Size();
      const std::size_t at = rng() % (size + 1);
      switch (rng() % 9) {
        case 0:
          if (at < size && !slots.Get(at).empty())
            slots.Set(at, rng() % 2 ? line() : slots.Get(at).substr(1));
          break;
        case 1:
          slots.Insert(at, line());
          break;
        case 2: {
          std::vector<std::string> owned(rng() % 3 == 0 ? rng() % (2 * RowSlots::kChunkSlots) : rng() % 4);
          for (std::string& s : owned) s = line();
          slots.InsertAll(at, std::vector<std::string_view>(owned.begin(), owned.end()));
          break;
        }
        case 3:
          slots.EraseRange(at,
                           std::min(size - at, rng() % 2 ? rng() % 5 : rng() % (3 * RowSlots::kChunkSlots)));
          break;
        case 4:
          slots.Resize(rng() % 2 ? at : size + rng() % 3000);
          break;
        case 5: {
          std::vector<std::uint32_t> lengths;  // joins runs of rows, or cuts bytes anew
          std::size_t run = 0;
          for (std::size_t r = 0; r < size; ++r) {
            run += slots.Get(r).size();
            while (rng() % 3 == 0 && run > 5) lengths.push_back(5), run -= 5;
            if (r + 1 == size || rng() % 3 == 0) lengths.push_back(static_cast<std::uint32_t>(run)), run = 0;
          }
          ASSERT_TRUE(slots.Recut(lengths));
          break;
        }
        case 6: {
          const std::size_t width = rng() % 4 == 0 ? kLong - 1 + rng() % 3 : 1 + rng() % 9;
          const RowSlots::ChunkCutter first = Pieces(width, false), second = Pieces(width, rng() % 2 == 0);
          slots.SplitAll(first, rng() % 2 ? &second : nullptr);
          break;
        }
        case 7: {
          RowSlots other;
          LoadText(other, line() + line());
          slots.AppendAll(other);
          break;
        }
        default:
          slots.Append({line(), "x"});
          break;
      }
      ASSERT_EQ(slots.CheckSums(), "") << "round " << round << " step " << step;
      std::vector<std::size_t> before(slots.Size() + 1, 0);  // bytes before each row
      for (std::size_t r = 0; r < slots.Size(); ++r) before[r + 1] = before[r] + slots.Get(r).size();
      for (int probe = 0; probe < 24; ++probe) {
        std::size_t a = rng() % (slots.Size() + 1), b = rng() % (slots.Size() + 1);
        if (a > b) std::swap(a, b);
        if (rng() % 4 == 0) b = std::min(slots.Size(), a + rng() % 3);
        ASSERT_EQ(slots.Bytes(a, b), before[b] - before[a]) << round << " " << step << " " << a << " " << b;
        const std::size_t rest = before.back() - before[a];
        const std::size_t n =
            rng() % 3 == 0 ? rest - std::min<std::size_t>(rest, rng() % 3) : rng() % (rest + 3);
        std::size_t expect = a;
        while (expect < slots.Size() && before[expect + 1] - before[a] <= n) ++expect;
        std::size_t got = 1;
        ASSERT_EQ(slots.RowHoldingByte(a, n, got), expect) << round << " " << step << " " << a << " " << n;
        ASSERT_EQ(got, before[expect] - before[a]);
      }
    }
  }
}

// An unwrap or a new wrap of a large text holds at most a few chunks more than the larger
// of the old and the new slot arrays, never both; the text stays what it was.
TEST(RowSlotsSums, RecutHoldsOneSlotArrayAtATime) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "row " + std::to_string(i % 977) + "\r\n";
  RowSlots slots;
  LoadText(slots, text);
  slots.Set(7, "own row\r\n");  // rows of their own are read too
  text.replace(text.find("row 7\r\n"), 7, "own row\r\n");
  text += std::string("\0\0", 2);  // the loader's end marker
  for (const std::size_t join : {5, 1, 3}) {
    std::vector<std::uint32_t> lengths;
    std::size_t run = 0;
    for (std::size_t r = 0; r < slots.Size(); ++r) {
      run += slots.Get(r).size();
      if ((r + 1) % join == 0 || r + 1 == slots.Size())
        lengths.push_back(static_cast<std::uint32_t>(run)), run = 0;
    }
    const std::size_t before = slots.ChunkCount();
    RowSlots::TakeChunkPeak();
    ASSERT_TRUE(slots.Recut(lengths));
    EXPECT_LE(RowSlots::TakeChunkPeak(), std::max(before, slots.ChunkCount()) + 2) << join;
    std::string back;
    for (std::size_t r = 0; r < slots.Size(); ++r) back += slots.Get(r);
    ASSERT_TRUE(back == text) << join;
    ASSERT_EQ(slots.CheckSums(), "");
  }
}

}  // namespace
}  // namespace quiret::test
