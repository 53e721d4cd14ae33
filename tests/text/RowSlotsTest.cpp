// RowSlots against a plain vector of rows: loading, edits and re-cuts in random order, and
// what the shared blocks hold afterwards.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/LineStoreTestUtil.h"
#include "text/RowSlots.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

Strings Dump(const RowSlots& slots) {
  Strings rows;
  for (std::size_t i = 0; i < slots.Size(); ++i) rows.emplace_back(slots.Get(i));
  return rows;
}

std::string Joined(const Strings& rows) {
  std::string all;
  for (const std::string& r : rows) all += r;
  return all;
}

void Load(RowSlots& slots, const std::string& text) {
  RowSplitter splitter(slots);
  splitter.Feed(text.data(), text.size());
  splitter.Finish();
}

// Random row lengths over `total` bytes: only splits of `rows`, only joins, or any cut.
std::vector<std::uint32_t> Cut(const Strings& rows, std::mt19937& rng, int kind) {
  std::vector<std::uint32_t> lengths;
  if (kind == 0) {
    for (const std::string& r : rows) {
      std::size_t left = r.size();
      while (left > 0) {
        const std::size_t take = std::min<std::size_t>(left, 1 + rng() % 5);
        if (rng() % 8 == 0) lengths.push_back(0);
        lengths.push_back(take);
        left -= take;
      }
    }
  } else if (kind == 1) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      run += rows[i].size();
      if (i + 1 == rows.size() || rng() % 3 == 0) {
        lengths.push_back(run);
        run = 0;
      }
    }
  } else {
    std::size_t left = Joined(rows).size();
    while (left > 0) {
      const std::size_t take = std::min<std::size_t>(left, rng() % 12);
      lengths.push_back(take);
      left -= take;
    }
  }
  return lengths;
}

TEST(RowSlots, EditsAndRecutsAgreeWithAPlainList) {
  std::mt19937 rng(11);
  const char alphabet[] = {'a', 'b', '\x82', '\xa0', '\r', '\n', 'c'};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (std::size_t n = rng() % 200; n > 0; --n) text += alphabet[rng() % sizeof alphabet];
    RowSlots slots;
    Load(slots, text);
    Strings model = Dump(slots);
    for (int step = 0; step < 30; ++step) {
      const std::size_t at = model.empty() ? 0 : rng() % model.size();
      switch (rng() % 6) {
        case 0:
          if (!model.empty()) {
            // A view into the row replaced by part of itself.
            const std::string_view old = slots.Get(at);
            const std::string part(old.substr(0, old.size() / 2));
            slots.Set(at, old.substr(0, old.size() / 2));
            model[at] = part;
          }
          break;
        case 1:
          slots.Insert(at, "xy\r\n");
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), "xy\r\n");
          break;
        case 2:
          if (!model.empty()) {
            const std::size_t n = std::min<std::size_t>(model.size() - at, rng() % 4);
            slots.EraseRange(at, n);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at),
                        model.begin() + static_cast<std::ptrdiff_t>(at + n));
          }
          break;
        default: {
          const std::vector<std::uint32_t> lengths = Cut(model, rng, static_cast<int>(rng() % 3));
          ASSERT_TRUE(slots.Recut(lengths));
          model = CutText(Joined(model), lengths);
          break;
        }
      }
      ASSERT_EQ(Dump(slots), model) << "round " << round << " step " << step;
    }
    std::vector<std::uint32_t> wrong{static_cast<std::uint32_t>(Joined(model).size() + 1)};
    EXPECT_FALSE(slots.Recut(wrong));
    EXPECT_EQ(Dump(slots), model);
  }
}

TEST(RowSlots, WrapAndUnwrapOfALoadedTextMoveNoBytes) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "line " + std::to_string(i) + " of some text\r\n";
  RowSlots slots;
  Load(slots, text);
  const std::size_t held = slots.BlockBytes();
  const Strings lines = Dump(slots);
  std::mt19937 rng(3);
  const std::vector<std::uint32_t> rows = Cut(lines, rng, 0);
  ASSERT_TRUE(slots.Recut(rows));
  EXPECT_EQ(slots.BlockBytes(), held);
  std::vector<std::uint32_t> back;
  for (const std::string& l : lines) back.push_back(l.size());
  ASSERT_TRUE(slots.Recut(back));
  EXPECT_EQ(slots.BlockBytes(), held);
  EXPECT_EQ(Dump(slots), lines);
  // Rows replaced by edits give their blocks back once no row uses them.
  for (std::size_t i = 0; i < slots.Size(); ++i) slots.Set(i, "x\r\n");
  // Only the block bulk rows were last written into stays.
  EXPECT_GT(held, std::size_t{5} << 20);
  EXPECT_LE(slots.BlockBytes(), std::size_t{2} << 20);
}

TEST(RowSlots, ALineLongerThanABlockStaysWhole) {
  const std::string line(5 << 20, 'q');
  RowSlots slots;
  RowSplitter splitter(slots);
  for (std::size_t at = 0; at < line.size(); at += 4096) splitter.Feed(line.data() + at, 4096);
  splitter.Feed("\r\nz", 3);
  splitter.Finish();
  ASSERT_EQ(slots.Size(), 2u);
  EXPECT_EQ(slots.Get(0), line + "\r\n");
  EXPECT_EQ(slots.Get(1), B("z\0\0"));
}

TEST(RowSlots, RowLimitStopsTheSplitter) {
  RowSlots slots;
  RowSplitter splitter(slots, 3);
  EXPECT_THROW(splitter.Feed("a\nb\nc\nd\n", 8), RowSplitter::TooManyRows);
  EXPECT_EQ(slots.Size(), 3u);
}

}  // namespace
}  // namespace quiret::test
