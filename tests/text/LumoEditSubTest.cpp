// Character helpers: double-byte classification, character lengths and row terminators.
#include <gtest/gtest.h>

#include <random>

#include "editor/LumoEditSub.h"
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

// Walks from the start: a lead byte takes the next byte unless that is a break byte; a lead
// byte at the very end is still reported as a lead.
std::vector<int> ForwardKinds(const std::string& s) {
  std::vector<int> kinds(s.size(), 0);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!IsLeadByte(static_cast<unsigned char>(s[i]))) continue;
    if (i + 1 == s.size()) kinds[i] = 1;
    if (i + 1 < s.size() && !IsBreak(s[i + 1])) {
      kinds[i] = 1;
      kinds[++i] = 2;
    }
  }
  return kinds;
}

TEST(CharHelpers, ByteKindAtPairsBytesByTheRunBeforeThem) {
  EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0x9F) && IsLeadByte(0xE0) && IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0x80) || IsLeadByte(0xA0) || IsLeadByte(0xDF) || IsLeadByte(0xFD));
  EXPECT_EQ(Kinds("\x82\xa0\x82\xa2"), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(ByteKindAt("\x82\xa0", 0), 0);
  EXPECT_EQ(ByteKindAt("\x82\xa0", 3), 0);
  EXPECT_EQ(Kinds("\x81\x81\x81\x81"), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(Kinds("a\x82\xa0"), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Kinds("a\x82"), (std::vector<int>{0, 1}));  // a lead byte at the end
  EXPECT_EQ(Kinds("\x95\x5c"
                  "a\xb1"),
            (std::vector<int>{1, 2, 0, 0}));
  // Break bytes are never trail bytes, and a lead byte before one stands alone.
  EXPECT_EQ(Kinds("\x82\r\n"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Kinds(B("\x81\x81\x81\0\0")), (std::vector<int>{1, 2, 0, 0, 0}));
  EXPECT_EQ(Kinds("\x81\x81\r\n"), (std::vector<int>{1, 2, 0, 0}));
}

TEST(CharHelpers, CharLenAtStepsWholeCharactersAndStopsAtTerminators) {
  std::string row = "a\x82\xa0\x82\r\n";
  std::vector<int> lens;
  for (std::int32_t off = -1; off <= 6; ++off) lens.push_back(CharLenAt(row, off));
  EXPECT_EQ(lens, (std::vector<int>{0, 1, 2, 1, 1, 1, 1, 0}));
  EXPECT_EQ(CharLenAt(B("\x82\0\0"), 0), 1);
}

// Hostile input: random bytes crowded with lead bytes and break bytes.
TEST(CharHelpers, RandomBytesKeepTerminatorsIntact) {
  std::mt19937 rng(3141);
  const unsigned char alphabet[] = {'\r', '\n', 0,    'a',  0x81, 0x82, 0x9f,
                                    0xe0, 0xfc, 0xa0, 0x40, 0x7f, 0xfd, 0x5c};
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    for (std::size_t n = rng() % 40; n > 0; --n) s += static_cast<char>(alphabet[rng() % 14]);
    std::vector<int> kinds = Kinds(s);
    ASSERT_EQ(kinds, ForwardKinds(s)) << testing::PrintToString(s);
    // Stepping by CharLenAt lands on every break byte and never on a trail byte.
    std::vector<bool> visited(s.size(), false);
    std::size_t off = 0;
    while (off < s.size()) {
      ASSERT_NE(kinds[off], 2) << testing::PrintToString(s);
      visited[off] = true;
      off += static_cast<std::size_t>(CharLenAt(s, static_cast<std::int32_t>(off)));
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
      ASSERT_TRUE(!IsBreak(s[i]) || (visited[i] && kinds[i] == 0)) << testing::PrintToString(s);
    }
  }
}

// Walking from the start, the length found without looking back agrees at every step.
TEST(CharHelpers, CharLenFromAgreesWithCharLenAtOnAForwardWalk) {
  EXPECT_EQ(CharLenFrom("a\x82\xa0\x82\r\n", 1), 2);
  EXPECT_EQ(CharLenFrom("a\x82\xa0\x82\r\n", 3), 1);  // a lead byte before CR stands alone
  EXPECT_EQ(CharLenFrom("\x82", 0), 1);
  EXPECT_EQ(CharLenFrom("ab", 2), 0);
  std::mt19937 rng(2718);
  const unsigned char alphabet[] = {'\r', '\n', 0, 'a', 0x81, 0x82, 0x9f, 0xe0, 0xfc, 0xa0, 0x40, 0xfd};
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    for (std::size_t n = rng() % 40; n > 0; --n) s += static_cast<char>(alphabet[rng() % 12]);
    for (std::size_t off = 0; off < s.size();) {
      const int len = CharLenAt(s, static_cast<std::int32_t>(off));
      ASSERT_EQ(CharLenFrom(s, off), len) << testing::PrintToString(s) << " at " << off;
      off += static_cast<std::size_t>(len);
    }
  }
}

TEST(CharHelpers, LineEndsAreReadFromTheSecondToLastByte) {
  for (const char* row : {"", "a", "abc", "ab\n"}) EXPECT_FALSE(HasLineEnd(row)) << row;
  EXPECT_TRUE(HasLineEnd("abc\r\n"));
  EXPECT_TRUE(HasLineEnd(B("abc\0\0")));
  EXPECT_TRUE(HasLineEnd("\rx"));  // the last byte is not looked at
  EXPECT_EQ(StripLineEnd(B("\0\0")), "");
  EXPECT_EQ(StripLineEnd("abc"), "abc");
  EXPECT_EQ(StripLineEnd("abc\r\n"), "abc");
  EXPECT_EQ(StripLineEnd(B("\x82\xa0\0\0")), "\x82\xa0");
}

}  // namespace
}  // namespace quiret::test
