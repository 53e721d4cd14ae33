// RowSplitter against a plain model of line breaks, however the input is cut into blocks.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/LineStoreTestUtil.h"
#include "text/RowFile.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

// The rule stated the simple way: drop zero bytes, then CR LF, LF and CR each end a line.
Strings Model(const std::string& bytes) {
  std::string text;
  std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(text), [](char c) { return c; });
  Strings rows{""};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      rows.back() += text[i];
      continue;
    }
    rows.back() += "\r\n";
    rows.emplace_back();
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  rows.back() += B("\0\0");
  return rows;
}

Strings Split(const std::string& bytes, std::size_t blockSize) {
  RowSlots slots;
  RowSplitter splitter(slots);
  for (std::size_t at = 0; at < bytes.size(); at += blockSize) {
    splitter.Feed(bytes.data() + at, std::min(blockSize, bytes.size() - at));
  }
  splitter.Finish();
  Strings rows;
  for (std::size_t i = 0; i < slots.Size(); ++i) rows.emplace_back(slots.Get(i));
  return rows;
}

// Dense random bytes exercise the word-at-a-time scan at every alignment and every cut.
TEST(RowSplitter, AgreesWithTheModelForEveryBlockSize) {
  std::mt19937 rng(7);
  const char alphabet[] = {'\r', '\n', '\0', 'a', 'b', '\x82', '\xa0', '\x0b', '\x8d', '\x8a'};
  for (int round = 0; round < 300; ++round) {
    std::string in;
    for (std::size_t n = rng() % 100; n > 0; --n) in += alphabet[rng() % sizeof alphabet];
    Strings expected = Model(in);
    for (std::size_t block = 1; block <= in.size() + 1; ++block) {
      ASSERT_EQ(Split(in, block), expected) << testing::PrintToString(in) << " / " << block;
    }
  }
}

}  // namespace
}  // namespace quiret::test

namespace quiret::test {
namespace {

// A file read in two halves at once gives the rows of one pass, wherever the middle falls
// (inside CR LF, after a zero byte, in a line with no LF after it).
TEST(RowSplitter, TwoHalvesOfAFileGiveTheRowsOfOnePass) {
  ScratchDir dir;
  std::mt19937 rng(5);
  const char alphabet[] = {'\r', '\n', '\0', 'a', '\x82', '\xa0'};
  for (int round = 0; round < 200; ++round) {
    std::string in;
    for (std::size_t n = rng() % 60; n > 0; --n) in += alphabet[rng() % sizeof alphabet];
    const std::string file = dir.Write("f", in);
    RowSlots slots;
    std::uint64_t last = 0;
    RowFileReader(file).ReadInto(
        slots, SIZE_MAX, [&](std::uint64_t done, std::uint64_t) { last = done; }, 1 + rng() % 7, 1);
    Strings rows;
    for (std::size_t i = 0; i < slots.Size(); ++i) rows.emplace_back(slots.Get(i));
    ASSERT_EQ(rows, Model(in)) << testing::PrintToString(in);
    EXPECT_EQ(last, in.size());
  }
}

}  // namespace
}  // namespace quiret::test

namespace quiret::test {
namespace {

// Counting without storing gives the rows that feeding the same bytes closes, for any cut.
TEST(RowSplitter, CountingAgreesWithSplitting) {
  std::mt19937 rng(11);
  const char alphabet[] = {'\r', '\n', '\0', 'a', '\x82', '\r', '\n'};
  for (int round = 0; round < 2000; ++round) {
    std::string in;
    for (std::size_t n = rng() % 80; n > 0; --n) in += alphabet[rng() % sizeof alphabet];
    const std::size_t cut = in.empty() ? 0 : rng() % in.size();
    bool afterCr = false;
    std::size_t counted = RowSplitter::CountRows(in.data(), cut, afterCr);
    counted += RowSplitter::CountRows(in.data() + cut, in.size() - cut, afterCr);
    RowSlots slots;
    RowSplitter splitter(slots);
    splitter.Feed(in.data(), in.size());
    ASSERT_EQ(counted, slots.Size()) << testing::PrintToString(in) << " cut at " << cut;
    ASSERT_EQ(afterCr, splitter.AfterCr()) << testing::PrintToString(in);
  }
}

// The row limit holds for the whole file whichever half passes it: a file of exactly the
// limit loads and one row more is refused, and a file dense with empty lines is refused
// after its first block instead of after holding its rows.
TEST(RowSplitter, RowLimitCoversBothHalvesAndStopsEarly) {
  ScratchDir dir;
  struct Case {
    std::string text;
    std::size_t maxRows;
    bool loads;
    bool early = false;  // far over the limit
  };
  const std::string lines(999, '\n');  // 1000 rows with the end marker's
  const std::string mixed = std::string(600, 'x') + "\r\n" + std::string(997, '\n') + "tail";
  const Case cases[] = {
      {lines, 1000, true}, {lines, 999, false}, {lines, 400, false, true},
      {mixed, 999, true},  {mixed, 998, false}, {std::string(1 << 20, '\n'), 100000, false, true},
  };
  for (const Case& c : cases) {
    const std::string file = dir.Write("f", c.text);
    for (const std::uint64_t twoThreads : {std::uint64_t{1}, std::uint64_t{1} << 40}) {
      for (const std::size_t block : {std::size_t{64}, std::size_t{4096}}) {
        RowSlots slots;
        const std::string where = testing::PrintToString(c.maxRows) + " " + std::to_string(block) + " " +
                                  std::to_string(twoThreads) + " " + std::to_string(c.text.size());
        if (c.loads) {
          RowFileReader(file).ReadInto(slots, c.maxRows, {}, block, twoThreads);
          EXPECT_EQ(slots.Size(), c.maxRows) << where;
        } else {
          EXPECT_THROW(RowFileReader(file).ReadInto(slots, c.maxRows, {}, block, twoThreads),
                       RowSplitter::TooManyRows)
              << where;
          // At most a block of rows per half was held before the limit was known.
          if (c.early) {
            EXPECT_LE(slots.Size(), 2 * block) << where;
          }
        }
      }
    }
  }
}

// The store reports such a file by name and limit and keeps the empty text.
TEST(RowSplitter, TooManyRowsInAFileIsRefusedWithItsMessage) {
  ScratchDir dir;
  const std::string file = dir.Write("many.txt", std::string(TLumoStrings::kMaxListSize, '\n'));
  TLumoStrings store;
  store.Add("keep\r\n");
  try {
    store.LoadFromFile(file);
    ADD_FAILURE() << "loaded";
  } catch (const ETextTooLarge& e) {
    EXPECT_EQ(std::string(e.what()), file + ": 行数が多すぎるため開けません（最大 134,217,727 行）");
  }
  EXPECT_EQ(Rows(store), Strings{B("\0\0")});
}

}  // namespace
}  // namespace quiret::test
