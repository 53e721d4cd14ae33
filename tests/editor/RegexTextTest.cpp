// The UTF-8 form of code page 932 text that regular expressions read: every character one
// to one and back, offsets both ways through the sparse marks of a line, and the premise
// of the search's literal prefilter (no character but an ASCII byte becomes ASCII).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "editor/LumoEditSub.h"
#include "editor/RegexText.h"
#include "platform/Codec932.h"

namespace quiret {
namespace {

// Every single byte and every lead byte with every trail byte.
TEST(RegexText, EveryCharacterConvertsOneToOneAndBack) {
  const Codec932& codec = Codec932::Instance();
  std::string utf8;
  std::vector<std::size_t> map;
  for (unsigned lead = 1; lead < 256; ++lead)
    for (unsigned trail = IsLeadByte(static_cast<unsigned char>(lead)) ? 1 : 256; trail <= 256; ++trail) {
      std::string cp(1, static_cast<char>(lead));
      if (trail < 256) cp += static_cast<char>(trail);
      ToUtf8Mapped(cp, utf8, map);
      ASSERT_EQ(FromUtf8Mapped(utf8), cp) << lead << " " << trail;
      const std::size_t chars = static_cast<std::size_t>(CharLenFrom(cp, 0)) == cp.size() ? 1 : 2;
      int len = 0;
      const char32_t c = codec.DecodeAt(cp, 0, len);
      if (chars == 1 && c != 0 && FromUtf8Mapped(codec.ToUtf8(cp)) == cp) {
        ASSERT_EQ(utf8, codec.ToUtf8(cp)) << lead << " " << trail;  // a character as itself
        // The prefilter looks for ASCII letters as bytes: only the byte itself may be one,
        // and nothing may fold to one (KELVIN SIGN, LONG S).
        ASSERT_TRUE(c >= 0x80 ? cp.size() == 2 || lead >= 0x80 : cp.size() == 1 && c == lead) << lead;
        ASSERT_TRUE(c != 0x212A && c != 0x017F) << lead << " " << trail;
      }
      ASSERT_EQ(map.back(), cp.size());
    }
}

// A line's marks give the same offsets as the full map, at every character start and at
// every byte (the first character starting there or after), for lines of every mix.
TEST(RegexText, LineOffsetsAgreeWithTheFullMap) {
  std::mt19937 rng(77);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::vector<std::string> pieces = {"a",    " ",    "\x82\xA0", "\x88\x9F", "\x81",    "\x80",
                                           "\xA6", "\xFD", "\xEF\xFC", "\x85\x40", "\x9F\x9F"};
  for (int round = 0; round < 400; ++round) {
    std::string cp;
    for (int k = pick(0, 200); k > 0; --k) cp += pieces[static_cast<std::size_t>(pick(0, 10))];
    std::string utf8;
    std::vector<std::size_t> map;
    ToUtf8Mapped(cp, utf8, map);
    Utf8Line line;
    line.Assign(cp);
    ASSERT_EQ(line.Text(), utf8) << round;
    for (std::size_t u = 0; u <= utf8.size(); ++u) {
      if (u < utf8.size() && (static_cast<unsigned char>(utf8[u]) & 0xC0) == 0x80) continue;
      ASSERT_EQ(line.ToCp(u), map[u]) << round << " utf8 offset " << u;
    }
    for (std::size_t b = 0; b <= cp.size() + 1; ++b) {
      const auto expect = static_cast<std::size_t>(std::lower_bound(map.begin(), map.end(), b) - map.begin());
      ASSERT_EQ(line.ToUtf(b), expect) << round << " byte " << b;
    }
  }
}

}  // namespace
}  // namespace quiret
