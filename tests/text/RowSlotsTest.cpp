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

namespace quiret::test {
namespace {

// A cutter that cuts each row into pieces of `width` bytes; with `later`, every third row
// that would be cut is left for the first cutter instead.
RowSlots::ChunkCutter PiecesOf(std::size_t width, bool later) {
  return [width, later](const std::string_view* rows, std::size_t count, std::vector<std::uint32_t>& pieces) {
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t n = rows[k].size();
      if (later && n > width && k % 3 == 0) {
        pieces.push_back(RowSlots::kCutLater);
        continue;
      }
      std::size_t left = n;
      do {
        const std::size_t take = std::min(left, width);
        pieces.push_back(static_cast<std::uint32_t>(take));
        left -= take;
      } while (left > 0);
    }
  };
}

Strings ModelPieces(const Strings& rows, std::size_t width) {
  Strings out;
  for (const std::string& r : rows) {
    std::size_t at = 0;
    do {
      out.push_back(r.substr(at, width));
      at += width;
    } while (at < r.size());
  }
  return out;
}

// Many rows, so that edits and cuts meet chunk boundaries: inserts of single rows and of
// runs larger than a chunk, removals across chunks, rows of their own, splits on one or two
// threads, and the number of chunks staying in proportion to the rows.
TEST(RowSlots, ChunkedEditsAndSplitsAgreeWithAPlainList) {
  std::mt19937 rng(23);
  for (int round = 0; round < 12; ++round) {
    std::string text;
    const std::size_t lines = rng() % (3 * RowSlots::kChunkSlots);
    for (std::size_t i = 0; i < lines; ++i) text += std::string(rng() % 12, 'a' + i % 26) + "\r\n";
    RowSlots slots;
    Load(slots, text);
    Strings model = Dump(slots);
    for (int step = 0; step < 40; ++step) {
      const std::size_t at = model.empty() ? 0 : rng() % (model.size() + 1);
      switch (rng() % 7) {
        case 0: {
          const std::size_t n = rng() % 3 == 0 ? rng() % (2 * RowSlots::kChunkSlots + 5) : rng() % 4;
          std::vector<std::string> owned(n);
          std::vector<std::string_view> views;
          for (std::size_t i = 0; i < n; ++i)
            views.push_back(owned[i] = "r" + std::to_string(rng() % 1000) + "\r\n");
          slots.InsertAll(at, views);
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), owned.begin(), owned.end());
          break;
        }
        case 1:
          slots.Insert(at, "single\r\n");
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), "single\r\n");
          break;
        case 2: {
          const std::size_t from = std::min(at, model.size());
          const std::size_t n =
              std::min(model.size() - from, rng() % 2 ? rng() % 5 : rng() % (3 * RowSlots::kChunkSlots));
          slots.EraseRange(from, n);
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(from),
                      model.begin() + static_cast<std::ptrdiff_t>(from + n));
          break;
        }
        case 3:
          if (at < model.size()) {
            slots.Set(at, "set row of its own\r\n");
            model[at] = "set row of its own\r\n";
          }
          break;
        case 4: {
          const std::size_t width = 1 + rng() % 6;
          const RowSlots::ChunkCutter first = PiecesOf(width, false);
          const RowSlots::ChunkCutter second = PiecesOf(width, true);
          slots.SplitAll(first, rng() % 2 ? &second : nullptr);
          model = ModelPieces(model, width);
          break;
        }
        case 5: {
          std::vector<std::uint32_t> back;  // join runs of rows
          std::size_t run = 0;
          for (std::size_t i = 0; i < model.size(); ++i) {
            run += model[i].size();
            if (i + 1 == model.size() || rng() % 4 == 0)
              back.push_back(static_cast<std::uint32_t>(run)), run = 0;
          }
          ASSERT_TRUE(slots.Recut(back));
          model = CutText(Joined(model), back);
          break;
        }
        default:
          slots.Resize(std::min(model.size(), at));
          model.resize(std::min(model.size(), at));
          break;
      }
      ASSERT_EQ(slots.Size(), model.size()) << "round " << round << " step " << step;
      ASSERT_EQ(Dump(slots), model) << "round " << round << " step " << step;
      ASSERT_LE(slots.ChunkCount(), 2 + 4 * model.size() / RowSlots::kChunkSlots) << "round " << round;
    }
  }
}

// Enter in the middle of a long text moves the slots of one chunk, not all of them: the
// rows around it stay where they were, in memory as in order.
TEST(RowSlots, InsertingInTheMiddleTouchesOneChunk) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "row " + std::to_string(i) + "\r\n";
  RowSlots slots;
  Load(slots, text);
  const std::size_t chunks = slots.ChunkCount();
  const char* before = slots.Get(10).data();
  const char* after = slots.Get(99990).data();
  for (int k = 0; k < 1000; ++k) slots.Insert(50000, "new\r\n");
  EXPECT_LE(slots.ChunkCount(), chunks + 1);
  EXPECT_EQ(slots.Get(10).data(), before);
  EXPECT_EQ(slots.Get(100990).data(), after);
  EXPECT_EQ(slots.Get(50000), "new\r\n");
  EXPECT_EQ(slots.Get(51000), "row 50000\r\n");
}

}  // namespace
}  // namespace quiret::test

namespace quiret::test {
namespace {

// Rows around the length up to which a slot holds the length itself, and far longer ones:
// loaded, set, inserted, removed, joined and split (on one or two threads), on either side
// of that length, against a plain list. Long rows made and dropped must also leave no
// record behind (the sanitizer build checks for leaks).
TEST(RowSlots, RowsAcrossTheLongRowLengthAgreeWithAPlainList) {
  std::mt19937 rng(31);
  constexpr std::size_t kLong = RowSlots::kLongRow;
  const std::size_t sizes[] = {0, 1, 5, kLong - 3, kLong - 2, kLong - 1, kLong, kLong + 1, 3 * kLong + 7};
  auto row = [&](char fill) { return std::string(sizes[rng() % std::size(sizes)], fill) + "\r\n"; };
  for (int round = 0; round < 16; ++round) {
    std::string text;
    for (std::size_t i = rng() % 9; i > 0; --i) text += row(static_cast<char>('a' + i));
    RowSlots slots;
    Load(slots, text);
    Strings model = Dump(slots);
    for (int step = 0; step < 14; ++step) {
      const std::size_t at = rng() % (model.size() + 1);
      switch (rng() % 6) {
        case 0:
          if (at < model.size()) {
            model[at] = row('s');
            slots.Set(at, model[at]);
          }
          break;
        case 1: {
          const Strings rows = {row('i'), row('j'), row('k')};
          const std::vector<std::string_view> views(rows.begin(), rows.begin() + 1 + rng() % 3);
          slots.InsertAll(at, views);
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), views.begin(), views.end());
          break;
        }
        case 2: {
          const std::size_t n = std::min<std::size_t>(model.size() - std::min(at, model.size()), rng() % 3);
          slots.EraseRange(std::min(at, model.size()), n);
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(std::min(at, model.size())),
                      model.begin() + static_cast<std::ptrdiff_t>(std::min(at, model.size()) + n));
          break;
        }
        case 3: {
          const std::vector<std::uint32_t> lengths = Cut(model, rng, 1);
          ASSERT_TRUE(slots.Recut(lengths));
          model = CutText(Joined(model), lengths);
          break;
        }
        case 4: {
          const std::size_t widths[] = {kLong - 1, kLong, kLong + 1, 2 * kLong + 3, 7};
          const std::size_t width = widths[rng() % std::size(widths)];
          const RowSlots::ChunkCutter first = PiecesOf(width, false);
          const RowSlots::ChunkCutter second = PiecesOf(width, true);
          slots.SplitAll(first, rng() % 2 ? &second : nullptr);
          model = ModelPieces(model, width);
          break;
        }
        default: {
          RowSlots other;
          const std::string more = row('m') + row('n');
          Load(other, more);
          const Strings added = Dump(other);
          slots.AppendAll(other);
          model.insert(model.end(), added.begin(), added.end());
          break;
        }
      }
      ASSERT_EQ(Dump(slots), model) << "round " << round << " step " << step;
    }
  }
}

}  // namespace
}  // namespace quiret::test

namespace quiret::test {
namespace {

// The split tells which new rows end with LF, on one thread or two, for rows in blocks and
// rows of their own, LF inside rows included. Rows the second thread leaves to the first
// (rows it may not cut, rows of their own) are cut afterwards, and then it tells nothing.
TEST(RowSlots, SplitTellsWhichRowsEndWithLf) {
  std::mt19937 rng(41);
  int told = 0;
  for (int round = 0; round < 40; ++round) {
    std::string text;
    for (std::size_t i = rng() % (3 * RowSlots::kChunkSlots); i > 0; --i)
      text += std::string(rng() % 9, "ab\n\x82"[rng() % 4]) + "\r\n";
    RowSlots slots;
    Load(slots, text);
    const bool own = rng() % 3 == 0;
    for (int k = own ? 20 : 0; k > 0 && slots.Size() > 0; --k) slots.Set(rng() % slots.Size(), "o\nwn\r\n");
    const std::size_t width = 1 + rng() % 5;
    const bool later = rng() % 4 == 0;
    const bool two = rng() % 2 == 0;
    const RowSlots::ChunkCutter first = PiecesOf(width, false);
    const RowSlots::ChunkCutter second = PiecesOf(width, later);
    std::vector<std::uint64_t> bits{1, 2, 3};
    slots.SplitAll(first, two ? &second : nullptr, {}, &bits);
    const Strings rows = Dump(slots);
    if (bits.empty()) {
      EXPECT_TRUE(two && (later || own)) << "round " << round;
      continue;
    }
    ++told;
    ASSERT_EQ(bits.size(), (rows.size() + 63) / 64) << "round " << round;
    for (std::size_t r = 0; r < bits.size() * 64; ++r) {
      const bool bit = (bits[r / 64] >> (r % 64)) & 1;
      ASSERT_EQ(bit, r < rows.size() && !rows[r].empty() && rows[r].back() == '\n')
          << "round " << round << " row " << r;
    }
  }
  EXPECT_GT(told, 20);
}

}  // namespace
}  // namespace quiret::test
