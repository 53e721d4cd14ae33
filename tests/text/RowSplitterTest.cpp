// RowSplitter against a plain model of line breaks, for every way of cutting the input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/text/LineStoreTestUtil.h"
#include "text/RowSlots.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

using Strings = std::vector<std::string>;

// The rule, stated the simple way: drop zero bytes, then CR LF, LF and CR each end a line.
Strings Model(const std::string& bytes) {
  std::string text;
  for (char c : bytes) {
    if (c != '\0') text += c;
  }
  Strings rows;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      rows.push_back(line + "\r\n");
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  rows.push_back(line + B("\0\0"));
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

TEST(RowSplitter, AgreesWithTheModelForEveryBlockSize) {
  const std::string inputs[] = {
      "",
      "abc",
      "a\r\nb\r\n",
      "a\nb\rc\r\nd",
      "\r\n\r\n\n\r\r",
      B("\0a\0\r\0\nb\0"),
      B("\r\0\0\0\n"),
      "0123456789abcdef0123456789\r\n0123456789abcdef\n",
      "\x82\xa0\r\n\x81\r\x81\n",
  };
  for (const std::string& in : inputs) {
    Strings expected = Model(in);
    for (std::size_t block = 1; block <= in.size() + 1; ++block) {
      EXPECT_EQ(Split(in, block), expected)
          << testing::PrintToString(in) << " in blocks of " << block;
    }
  }
}

// Dense random bytes exercise the word-at-a-time scan at every alignment.
TEST(RowSplitter, RandomBytesDenseInBreaks) {
  std::mt19937 rng(7);
  const char alphabet[] = {'\r', '\n', '\0', 'a', 'b', '\x82', '\xa0', '\x0b', '\x8d', '\x8a'};
  for (int round = 0; round < 300; ++round) {
    std::string in;
    std::size_t n = rng() % 200;
    for (std::size_t i = 0; i < n; ++i) in += alphabet[rng() % sizeof alphabet];
    Strings expected = Model(in);
    for (std::size_t block : {std::size_t{1}, std::size_t{3}, std::size_t{8}, std::size_t{13},
                              std::size_t{64}, n + 1}) {
      ASSERT_EQ(Split(in, block), expected) << testing::PrintToString(in) << " / " << block;
    }
  }
}

}  // namespace
}  // namespace quiret::test
