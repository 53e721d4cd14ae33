// Code page 932 conversion: the whole code table, its quirks, and hostile input.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <set>

#include "platform/Codec932.h"

namespace quiret {
namespace {

const Codec932& codec = Codec932::Instance();

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

std::u16string Replaced(std::u16string s) {
  for (char16_t& c : s) {
    if (c == 0xFFFD) c = u'?';
  }
  return s;
}

TEST(Codec932Test, SingleBytesFollowTheCodePage) {
  for (int b = 0; b < 0x80; ++b) {
    int len = 0;
    EXPECT_EQ(codec.DecodeAt(Bytes({b}), 0, len), static_cast<char32_t>(b)) << b;
    EXPECT_EQ(len, 1);
  }
  // Backslash and tilde are themselves here, not yen and overline.
  EXPECT_EQ(codec.ToUtf8("\\~"), "\\~");
  for (int b = 0xA1; b <= 0xDF; ++b) {  // half-width katakana
    int len = 0;
    EXPECT_EQ(codec.DecodeAt(Bytes({b}), 0, len), static_cast<char32_t>(0xFF61 + b - 0xA1)) << b;
    EXPECT_EQ(len, 1);
    EXPECT_EQ(codec.FromUtf16(std::u16string(1, static_cast<char16_t>(0xFF61 + b - 0xA1))), Bytes({b}));
  }
  for (int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) {
    int len = 0;
    EXPECT_EQ(codec.DecodeAt(Bytes({b, 0x41}), 0, len), 0u) << b;
    EXPECT_EQ(len, 1) << b;
    EXPECT_EQ(codec.ToUtf16(Bytes({b, 0x41})), u"\uFFFDA") << b;
  }
}

TEST(Codec932Test, KnownDoubleByteCharacters) {
  struct Case {
    int lead, trail;
    char32_t c;
  };
  const Case cases[] = {
      {0x81, 0x40, 0x3000},  // ideographic space
      {0x82, 0xA0, 0x3042},  // あ
      {0x83, 0x41, 0x30A2},  // ア
      {0x81, 0x5F, 0xFF3C},  // fullwidth backslash
      {0x81, 0x60, 0xFF5E},  // wave dash as the system maps it
      {0x81, 0x61, 0x2225},  // parallel
      {0x81, 0x7C, 0xFF0D},  // fullwidth minus
      {0x81, 0x91, 0xFFE0},  // cent
      {0x81, 0xCA, 0xFFE2},  // not
      {0x87, 0x40, 0x2460},  // circled one (NEC row 13)
      {0x88, 0x9F, 0x4E9C},  // 亜
      {0xEA, 0xA4, 0x7199},  // last JIS X 0208 kanji
      {0xF0, 0x40, 0xE000},  // first user-defined character
      {0xFA, 0x40, 0x2170},  // small roman one (IBM extension)
  };
  for (const Case& k : cases) {
    int len = 0;
    EXPECT_EQ(codec.DecodeAt(Bytes({k.lead, k.trail}), 0, len), k.c) << std::hex << k.lead << k.trail;
    EXPECT_EQ(len, 2);
  }
  EXPECT_EQ(codec.ToUtf8("\x82\xA0\x83\x41 A"), "あア A");
  EXPECT_EQ(codec.FromUtf8("あア A"), "\x82\xA0\x83\x41 A");
}

// Every code of the table decodes, and encodes back to itself unless it is one of the
// duplicate codes (NEC row 13 and the two IBM extension blocks) that share a character.
TEST(Codec932Test, WholeTableRoundTrips) {
  int valid = 0;
  int duplicates = 0;
  std::set<char32_t> seen;
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      std::string code = Bytes({lead, trail});
      int len = 0;
      char32_t c = codec.DecodeAt(code, 0, len);
      if (len == 1) continue;  // not a double-byte character
      ASSERT_EQ(len, 2);
      ASSERT_GE(c, 0x80u) << "double-byte code decoding to ASCII";
      ASSERT_NE(c, 0xFFFDu);
      ++valid;
      seen.insert(c);
      std::string back = codec.FromUtf16(std::u16string(1, static_cast<char16_t>(c)), '?');
      if (back == code) continue;
      ++duplicates;
      EXPECT_TRUE(lead == 0x87 || lead == 0xED || lead == 0xEE || (lead >= 0xFA && lead <= 0xFC))
          << std::hex << lead << " " << trail << " came back as another code";
      ASSERT_EQ(back.size(), 2u);
      int backLen = 0;
      EXPECT_EQ(codec.DecodeAt(back, 0, backLen), c);
    }
  }
  // JIS X 0208 (6879) + NEC row 13 (83) + NEC-selected IBM (374) + IBM (388) + user (1880).
  EXPECT_EQ(valid, 9604);
  EXPECT_EQ(valid - duplicates, static_cast<int>(seen.size()));
  EXPECT_GE(duplicates, 374);  // at least the whole NEC-selected IBM block
  EXPECT_LE(duplicates, 400);

  // The system's choice among duplicates: IBM block over NEC-selected, NEC row 13 and the
  // basic rows over the IBM block.
  EXPECT_EQ(codec.FromUtf8(codec.ToUtf8("\xED\x40")), "\xFA\x5C");
  EXPECT_EQ(codec.FromUtf8(codec.ToUtf8("\x87\x90")), "\x81\xE0");
  EXPECT_EQ(codec.FromUtf8(codec.ToUtf8("\xFA\x4A")), "\x87\x54");
  EXPECT_EQ(codec.FromUtf8(codec.ToUtf8("\xEE\xF9")), "\x81\xCA");
}

TEST(Codec932Test, InvalidBytesBecomeOneReplacementEach) {
  EXPECT_EQ(codec.ToUtf16("\x81"), u"\uFFFD");         // lead byte at the end
  EXPECT_EQ(codec.ToUtf16("\x81\x20x"), u"\uFFFD x");  // trail byte out of range
  EXPECT_EQ(codec.ToUtf16("\x81\x7F"), u"\uFFFD\x7F");
  EXPECT_EQ(codec.ToUtf16("\x85\x40"), u"\uFFFD@");  // unassigned pair
  EXPECT_EQ(codec.ToUtf8("\xFF\xFE"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(codec.ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  int len = 7;
  EXPECT_EQ(codec.DecodeAt("ab", 5, len), 0u);  // past the end
  EXPECT_EQ(len, 1);
  EXPECT_EQ(codec.DecodeAt("", 0, len), 0u);
}

TEST(Codec932Test, RandomBytesNeverBreakTheConversions) {
  std::mt19937 rng(932);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string s(rng() % 40, '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    std::u16string u = codec.ToUtf16(s);
    ASSERT_LE(u.size(), s.size());
    // UTF-8 and UTF-16 results agree.
    ASSERT_EQ(codec.FromUtf8(codec.ToUtf8(s)), codec.FromUtf16(u));
    // Encoding what was decoded and decoding again changes nothing but the replacements.
    ASSERT_EQ(codec.ToUtf16(codec.FromUtf16(u)), Replaced(u));
    // Character boundaries: stepping with DecodeAt covers the text exactly.
    size_t pos = 0;
    size_t chars = 0;
    while (pos < s.size()) {
      int len = 0;
      codec.DecodeAt(s, pos, len);
      ASSERT_TRUE(len == 1 || len == 2);
      pos += len;
      ++chars;
    }
    ASSERT_EQ(pos, s.size());
    ASSERT_EQ(chars, u.size());
  }
}

TEST(Codec932Test, UnicodeOutsideTheCodePageBecomesReplacement) {
  EXPECT_EQ(codec.FromUtf8("é"), "?");      // not in the code page
  EXPECT_EQ(codec.FromUtf8("a😀b"), "a?b");  // beyond the BMP: one replacement
  EXPECT_EQ(codec.FromUtf8("é", '_'), "_");
  EXPECT_EQ(codec.FromUtf16(u"a😀b"), "a?b");
  EXPECT_EQ(codec.FromUtf16(std::u16string(u"\xD800x")), "?x");  // lone high surrogate
  EXPECT_EQ(codec.FromUtf16(std::u16string(u"x\xDC00")), "x?");  // lone low surrogate
  // Malformed UTF-8: one replacement per bad byte, the rest survives.
  EXPECT_EQ(codec.FromUtf8("\xC3"), "?");
  EXPECT_EQ(codec.FromUtf8("\xE3\x81"), "??");
  EXPECT_EQ(codec.FromUtf8("\xC0\xAF"
                           "a"),
            "??a");                                  // overlong
  EXPECT_EQ(codec.FromUtf8("\xED\xA0\x80"), "???");  // encoded surrogate
  EXPECT_EQ(codec.FromUtf8("\x80"
                           "あ"),
            "?\x82\xA0");
  EXPECT_EQ(codec.FromUtf8(std::string("\0", 1)), std::string("\0", 1));
}

// What the system's converter writes for one UTF-8 character, or "" when it refuses it.
std::string IconvCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  char out[8];
  char* in = const_cast<char*>(utf8.data());
  char* o = out;
  size_t inLeft = utf8.size(), outLeft = sizeof out;
  const bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  iconv_close(cd);
  return ok ? std::string(out, sizeof out - outLeft) : std::string();
}

// The JIS forms of seven symbols have no code of their own but the converter writes them as
// the code page's symbols; other characters still count as replaced, each once.
TEST(Codec932Test, JisFormsTakeTheConvertersCodesAndTheRestIsCounted) {
  const struct {
    const char* utf8;
    char16_t utf16;
    std::string cp932;
  } cases[] = {
      {"〜", u'\u301C', "\x81\x60"}, {"‖", u'\u2016', "\x81\x61"}, {"−", u'\u2212', "\x81\x7C"},
      {"—", u'\u2014', "\x81\x5C"},  {"¢", u'\u00A2', "\x81\x91"}, {"£", u'\u00A3', "\x81\x92"},
      {"¬", u'\u00AC', "\x81\xCA"},
  };
  for (const auto& c : cases) {
    int replaced = -1;
    EXPECT_EQ(IconvCp932(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(codec.FromUtf8(c.utf8, '?', &replaced), c.cp932) << c.utf8;
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(codec.FromUtf16(std::u16string(1, c.utf16), '?', &replaced), c.cp932) << c.utf8;
    EXPECT_EQ(replaced, 0);
  }
  int replaced = -1;
  EXPECT_EQ(codec.FromUtf16(u"〜a😀é𠮷", '?', &replaced),
            "\x81\x60"
            "a???");
  EXPECT_EQ(replaced, 3);
  EXPECT_EQ(codec.FromUtf8("¥‾\xC3x", '?', &replaced), "???x");  // yen, overline, a cut sequence
  EXPECT_EQ(replaced, 3);
  EXPECT_EQ(codec.FromUtf8("ok", '?', &replaced), "ok");
  EXPECT_EQ(replaced, 0);
  // Decoding still gives the code page's own characters.
  EXPECT_EQ(codec.ToUtf8("\x81\x60\x81\x5C"), "～―");
}

TEST(Codec932Test, LowerCaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(Codec932::LowerCase("ABC xyz [Z@]"), "abc xyz [z@]");
  EXPECT_EQ(Codec932::LowerCase("\x83\x41"), "\x83\x41");  // ア: trail looks like 'A'
  EXPECT_EQ(Codec932::LowerCase("\x83\x41"
                                "B\x83\x5A"),
            "\x83\x41"
            "b\x83\x5A");
  EXPECT_EQ(Codec932::LowerCase("\x82\x60"), "\x82\x60");  // fullwidth Ａ stays
  EXPECT_EQ(Codec932::LowerCase("\xB1"
                                "A"),
            "\xB1"
            "a");                                    // katakana is one byte
  EXPECT_EQ(Codec932::LowerCase("A\x83"), "a\x83");  // dangling lead byte
  EXPECT_EQ(Codec932::LowerCase(""), "");
}

TEST(Codec932Test, OneSharedInstance) { EXPECT_EQ(&Codec932::Instance(), &codec); }

}  // namespace
}  // namespace quiret
