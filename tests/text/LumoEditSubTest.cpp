// Character helpers: double-byte classification, character lengths and row terminators.
#include "editor/LumoEditSub.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/text/LineStoreTestUtil.h"

namespace quiret::test {
namespace {

std::vector<int> Kinds(const std::string& s) {
  std::vector<int> kinds;
  for (std::int32_t pos = 1; pos <= static_cast<std::int32_t>(s.size()); ++pos) {
    kinds.push_back(ByteKindAt(s, pos));
  }
  return kinds;
}

bool IsBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// Classifies a whole string by walking it from the start: a lead byte takes the next byte
// unless that is a break byte; a lead byte at the very end is still reported as a lead.
std::vector<int> ForwardKinds(const std::string& s) {
  std::vector<int> kinds(s.size(), 0);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!IsLeadByte(static_cast<unsigned char>(s[i]))) continue;
    if (i + 1 == s.size()) {
      kinds[i] = 1;
    } else if (!IsBreak(s[i + 1])) {
      kinds[i] = 1;
      kinds[i + 1] = 2;
      ++i;
    }
  }
  return kinds;
}

TEST(CharHelpers, LeadByteRanges) {
  std::string leads;
  for (int b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) leads += static_cast<char>(b);
  }
  ASSERT_EQ(leads.size(), 31u + 29u);
  EXPECT_EQ(static_cast<unsigned char>(leads.front()), 0x81);
  EXPECT_FALSE(IsLeadByte(0x80));
  EXPECT_TRUE(IsLeadByte(0x9F));
  EXPECT_FALSE(IsLeadByte(0xA0));
  EXPECT_FALSE(IsLeadByte(0xDF));
  EXPECT_TRUE(IsLeadByte(0xE0));
  EXPECT_TRUE(IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0xFD));
}

TEST(CharHelpers, ByteKindAtPairsBytesByTheRunBeforeThem) {
  std::string two = "\x82\xa0\x82\xa2";  // two double-byte characters
  EXPECT_EQ(Kinds(two), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(ByteKindAt(two, 0), 0);
  EXPECT_EQ(ByteKindAt(two, 5), 0);
  EXPECT_EQ(ByteKindAt(two, -3), 0);
  EXPECT_EQ(Kinds("\x81\x81\x81\x81"), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(Kinds("a\x82\xa0"), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Kinds("a\x82"), (std::vector<int>{0, 1}));  // a lead byte at the end
  EXPECT_EQ(Kinds("\x95\x5c" "a"), (std::vector<int>{1, 2, 0}));  // ASCII-looking trail
  EXPECT_EQ(Kinds("\xb1\x82\xa0"), (std::vector<int>{0, 1, 2}));  // half-width kana
  EXPECT_EQ(Kinds("\x82\x81\x81\x40"), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(ByteKindAt("", 1), 0);
}

TEST(CharHelpers, BreakBytesAreNeverTrailBytes) {
  EXPECT_EQ(Kinds("\x82\r\n"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Kinds(B("\x82\0\0")), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Kinds("\x82\n"), (std::vector<int>{0, 0}));
  // A lead-range trail byte before CR LF stays a trail byte.
  EXPECT_EQ(Kinds("\x81\x81\r\n"), (std::vector<int>{1, 2, 0, 0}));
  // An odd run: the last lead has only the terminator behind it.
  EXPECT_EQ(Kinds(B("\x81\x81\x81\0\0")), (std::vector<int>{1, 2, 0, 0, 0}));
  EXPECT_EQ(Kinds("\x82\xa0\x82\r\nx"), (std::vector<int>{1, 2, 0, 0, 0, 0}));
}

TEST(CharHelpers, CharLenAtStepsWholeCharactersAndStopsAtTerminators) {
  std::string row = "a\x82\xa0\x82\r\n";
  EXPECT_EQ(CharLenAt(row, 0), 1);
  EXPECT_EQ(CharLenAt(row, 1), 2);
  EXPECT_EQ(CharLenAt(row, 3), 1);  // the lead byte before CR stands alone
  EXPECT_EQ(CharLenAt(row, 4), 1);
  EXPECT_EQ(CharLenAt(row, 5), 1);
  EXPECT_EQ(CharLenAt(row, 6), 0);
  EXPECT_EQ(CharLenAt(row, -1), 0);
  EXPECT_EQ(CharLenAt("\x82", 0), 1);  // a lead byte with nothing behind it
  EXPECT_EQ(CharLenAt(B("\x82\0\0"), 0), 1);
}

// Hostile input: random bytes crowded with lead bytes and break bytes.
TEST(CharHelpers, RandomBytesKeepTerminatorsIntact) {
  std::mt19937 rng(3141);
  const unsigned char alphabet[] = {'\r', '\n', 0, 'a', 0x81, 0x82, 0x9f, 0xe0,
                                    0xfc, 0xa0, 0x40, 0x7f, 0xfd, 0x5c};
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    std::size_t n = rng() % 40;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(alphabet[rng() % sizeof alphabet]);
    std::vector<int> kinds = Kinds(s);
    ASSERT_EQ(kinds, ForwardKinds(s)) << testing::PrintToString(s);
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (IsBreak(s[i])) {
        ASSERT_EQ(kinds[i], 0) << testing::PrintToString(s) << " at " << i;
      }
    }
    // Walking by CharLenAt lands on every break byte and on no trail byte.
    std::vector<bool> visited(s.size(), false);
    std::int32_t off = 0;
    while (off < static_cast<std::int32_t>(s.size())) {
      int len = CharLenAt(s, off);
      ASSERT_TRUE(len == 1 || len == 2);
      ASSERT_NE(kinds[static_cast<std::size_t>(off)], 2) << testing::PrintToString(s);
      visited[static_cast<std::size_t>(off)] = true;
      off += len;
    }
    ASSERT_EQ(off, static_cast<std::int32_t>(s.size()));
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (IsBreak(s[i])) {
        ASSERT_TRUE(visited[i]) << testing::PrintToString(s) << " at " << i;
      }
    }
  }
}

TEST(CharHelpers, LineEndsAreReadFromTheSecondToLastByte) {
  EXPECT_FALSE(HasLineEnd(""));
  EXPECT_FALSE(HasLineEnd("a"));
  EXPECT_FALSE(HasLineEnd("abc"));
  EXPECT_TRUE(HasLineEnd("abc\r\n"));
  EXPECT_TRUE(HasLineEnd(B("abc\0\0")));
  EXPECT_TRUE(HasLineEnd(B("\0\0")));
  EXPECT_TRUE(HasLineEnd("\rx"));  // only the second-to-last byte is looked at
  EXPECT_EQ(StripLineEnd(B("\0\0")), "");
  EXPECT_EQ(StripLineEnd("abc"), "abc");
  EXPECT_EQ(StripLineEnd("abc\r\n"), "abc");
  EXPECT_EQ(StripLineEnd(B("\x82\xa0\0\0")), "\x82\xa0");
  EXPECT_EQ(StripLineEnd("x"), "x");
}

}  // namespace
}  // namespace quiret::test
