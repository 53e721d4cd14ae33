// The not-Shift-JIS guess on hand-made files (byte-order marks, UTF-8, UTF-16, EUC-JP,
// ISO-2022-JP, binary) and on random Japanese texts: each foreign encoding is named, genuine Shift-JIS
// (half-width katakana heavy, short, ASCII) never is.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Codec932.h"
#include "text/EncodingGuess.h"

namespace quiret {
namespace {

using G = GuessedEncoding;

std::string Convert(const char* to, std::string_view utf8) {
  iconv_t cd = iconv_open(to, "UTF-8");
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* o = out.data();
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  EXPECT_NE(r, static_cast<std::size_t>(-1)) << to;
  out.resize(out.size() - outLeft);
  return out;
}

std::string Sjis(std::string_view utf8) { return Codec932::Instance().FromUtf8(utf8); }
std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

const char kJapanese[] =
    "吾輩は猫である。名前はまだ無い。\r\nどこで生れたかとんと見当がつかぬ。"
    "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。\r\n";

TEST(EncodingGuess, HandMadeFiles) {
  const std::string utf8 = kJapanese;
  const std::string le = Convert("UTF-16LE", kJapanese), be = Convert("UTF-16BE", kJapanese);
  const std::string asciiLe = Convert("UTF-16LE", "Hello, world.\r\nReadMe 日本語\r\n");
  const struct {
    std::string bytes;
    G expected;
  } cases[] = {
      {"\xEF\xBB\xBF" + utf8, G::Utf8Bom},
      {"\xEF\xBB\xBF", G::Utf8Bom},
      {utf8, G::Utf8},
      {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\n", G::Utf8},  // テスト
      {"\xE2\x80\x9Cquoted\xE2\x80\x9D\r\n", G::Utf8},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE3\x81\x8B\xE3\x82\x89", G::Utf8},  // 日本から: also valid Shift-JIS bytes
      {"\xFF\xFE" + le, G::Utf16Le},
      {"\xFE\xFF" + be, G::Utf16Be},
      {asciiLe, G::Utf16Le},
      {Convert("UTF-16BE", "Hello, world.\r\nReadMe 日本語\r\n"), G::Utf16Be},
      {Convert("EUC-JP", kJapanese), G::EucJp},
      {Convert("EUC-JP", "テキスト\r\nカタカナ\r\n"), G::EucJp},  // kana only: rows 0xA4, 0xA5
      {std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3E\0",
                   20),
       G::Binary},
      {std::string("abc\0def", 7), G::Binary},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), G::Binary},
      // Genuine Shift-JIS and plain ASCII: no notice.
      {"", G::None},
      {"plain ASCII text\r\n", G::None},
      {Sjis(kJapanese), G::None},
      {Sjis("ﾃｽ"), G::None},  // two half-width katakana that also read as UTF-8 "ý"
      {Sjis("ﾃｽﾄ ｶﾀｶﾅ ﾃﾞｰﾀ\r\nｱｲｳｴｵ ｶｷｸｹｺ\r\n"), G::None},
      {Sjis("ｱｲ ｶｷ ｻｼ ﾀﾁ\r\n"), G::None},  // even runs of half-width katakana pair up as EUC-JP
      {Sjis("漢字とｶﾀｶﾅ、ひらがな。\r\n") + std::string(6, '\0'), G::None},  // zero padding at the end
  };
  for (const auto& c : cases) EXPECT_EQ(GuessEncoding(c.bytes, true), c.expected) << c.bytes;
  // A sample cut inside a character or a zero run is judged by what it holds.
  EXPECT_EQ(GuessEncoding(utf8.substr(0, utf8.size() - 3 - 2 - 1), false), G::Utf8);
  EXPECT_EQ(GuessEncoding(Sjis("漢字") + std::string(4, '\0'), false), G::Binary);
}

// Japanese UTF-16 without a byte-order mark, whose zero bytes sit on both sides of the pairs
// (U+3000 and kanji like U+4E00 on one, ASCII on the other), and ISO-2022-JP by its escape
// sequences; binary data, Shift-JIS with zero bytes and look-alike escapes are neither.
TEST(EncodingGuess, JapaneseUtf16WithoutBomAndIso2022Jp) {
  const std::string prose = Repeat("　吾輩は猫である。　一つ名前はまだ無い。\r\n", 3);
  const std::string iso = Convert("ISO-2022-JP", kJapanese);
  const struct {
    std::string bytes;
    G expected;
    bool whole = true;
  } cases[] = {
      {Convert("UTF-16LE", prose), G::Utf16Le},
      {Convert("UTF-16BE", prose), G::Utf16Be},
      {Convert("UTF-16LE", "カタカナ　とひらがな"), G::Utf16Le},  // no line end at all
      {Convert("UTF-16LE", prose + "😀"), G::Utf16Le},             // a surrogate pair
      {Convert("UTF-16LE", prose).substr(0, 13), G::Utf16Le, false},
      {Convert("UTF-16LE", prose) + std::string("\0\xD8", 2), G::Binary},  // a broken surrogate
      {Convert("UTF-16LE", prose) + std::string("\x01\0", 2), G::Binary},  // a control
      {Convert("UTF-16LE", "東京都大阪府\r\n一丁目\r\n"), G::Binary},      // kanji only: not telling
      {Sjis(prose) + std::string(1, '\0') + Sjis(prose), G::Binary},
      {iso, G::Iso2022Jp},
      {"\x1B$@F|K\\\x1B(J\r\n", G::Iso2022Jp},  // the older sets: named, the load judges them
      {iso.substr(0, iso.find('\x1B', 1) + 2), G::Iso2022Jp, false},
      {"\x1B$B\x1B(B", G::Iso2022Jp},
      {"plain\x1B(B text\r\n", G::None},                           // no double-byte set
      {"\x1B[31mred\x1B[0m \x1B$B\r\n", G::None},                  // terminal colours
      {"\x1B$BF|\x1B(I6\x1B(B\r\n", G::None},                      // half-width kana are no part of it
      {iso + "\x82\xA0", G::None},                                 // eight-bit bytes
      {"\x1B$BF|K\\\x1B(B" + std::string(1, '\0'), G::Iso2022Jp},  // a zero at the end is padding
      {std::string("\x1B$BF|\0K\\\x1B(B", 11), G::Binary},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(GuessEncoding(cases[i].bytes, cases[i].whole), cases[i].expected) << "case " << i;
}

// Random texts from one pool of characters: written in UTF-8 and EUC-JP they are named; the
// same texts in Shift-JIS, and half-width katakana texts, never are.
TEST(EncodingGuess, RandomJapaneseTexts) {
  const char* const words[] = {"日本", "語",   "漢字", "文章",     "読む",     "書く", "です",
                               "ます", "から", "こと", "テキスト", "ファイル", "、",   "。",
                               "「",   "」",   "ab",   "12",       " ",        "\r\n"};
  const char* const half[] = {"ｱ", "ｲ", "ｳ", "ｶ", "ﾃ", "ｽ", "ﾄ", "ﾞ",   "ﾟ",
                              "ｰ", "ﾝ", "､", "･", "｡", " ", "a", "\r\n"};
  for (int seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(static_cast<unsigned>(seed));
    std::string text, halfText;
    const int n = 10 + static_cast<int>(rng() % 200);
    for (int i = 0; i < n; ++i) {
      text += words[rng() % std::size(words)];
      halfText += half[rng() % std::size(half)];
    }
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      continue;
    EXPECT_EQ(GuessEncoding(text, true), G::Utf8) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Convert("EUC-JP", text), true), G::EucJp) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Convert("UTF-16LE", text), true), G::Utf16Le) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Convert("UTF-16BE", text), true), G::Utf16Be) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Convert("ISO-2022-JP", text), true), G::Iso2022Jp) << seed << " " << text;
    std::string zeroed = Sjis(text);
    zeroed.insert(rng() % zeroed.size(), 1, '\0');
    EXPECT_EQ(GuessEncoding(zeroed + "x", true), G::Binary) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Sjis(text), true), G::None) << seed << " " << text;
    EXPECT_EQ(GuessEncoding(Sjis(halfText), true), G::None) << seed << " " << halfText;
    EXPECT_EQ(GuessEncoding(Sjis(text + halfText), true), G::None) << seed;
  }
}

// Only the start of a file is read: a foreign tail past the sample goes unseen.
TEST(EncodingGuess, FilesAreSampledFromTheirStart) {
  const std::string path = (std::filesystem::temp_directory_path() / "quiret_guess_test.txt").string();
  const std::string sjis = Sjis(kJapanese);
  std::ofstream(path, std::ios::binary) << Repeat(sjis, 2 * kGuessSampleBytes / sjis.size()) + kJapanese;
  EXPECT_EQ(GuessFileEncoding(path), G::None);
  std::ofstream(path, std::ios::binary) << kJapanese;
  EXPECT_EQ(GuessFileEncoding(path), G::Utf8);
  std::filesystem::remove(path);
  EXPECT_EQ(GuessFileEncoding(path), G::None);  // gone: nothing to tell
}

}  // namespace
}  // namespace quiret
