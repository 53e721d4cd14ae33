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
