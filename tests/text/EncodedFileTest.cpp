// Files in other encodings: the round trip of every encoding, BOM and line end with
// Japanese, half-width katakana, both forms of the code page's twin symbols and characters
// it lacks; bytes that do not read; random texts in random blocks; rows that a format
// cannot write.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>
#include <tuple>

#include "platform/Codec932.h"
#include "tests/support/IconvText.h"
#include "tests/text/LineStoreTestUtil.h"
#include "text/EncodedFile.h"
#include "text/FileDecoder.h"
#include "text/LineEndTally.h"
#include "text/RowFile.h"

namespace quiret {
namespace {

using Kind = DecodeProblem::Kind;

using test::Iconv;
using test::Rows;

std::string Replace(std::string s, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size())
    s.replace(at, from.size(), to);
  return s;
}

std::string Sjis(std::string_view utf8) { return Codec932::Instance().FromUtf8(utf8); }

// A file of these bytes in a scratch folder.
struct Scratch : test::ScratchDir {
  std::string Write(const std::string& bytes) const { return ScratchDir::Write("f.txt", bytes); }
};

std::string ReadBack(const std::string& path) { return test::ScratchDir::Read(path); }

void LoadText(TLumoStrings& rows, const std::string& bytes) {
  std::istringstream in(bytes);
  rows.LoadFromStream(in);
}

std::string Hex(std::string_view s) {
  std::string out;
  for (unsigned char c : s) out += "0123456789ABCDEF"[c >> 4], out += "0123456789ABCDEF"[c & 15], out += ' ';
  return out;
}

struct Target {
  Encoding enc;
  bool bom;
  const char* iconvName;
};
const Target kTargets[] = {
    {Encoding::Utf8, false, "UTF-8"},       {Encoding::Utf8, true, "UTF-8"},
    {Encoding::Utf16Le, false, "UTF-16LE"}, {Encoding::Utf16Le, true, "UTF-16LE"},
    {Encoding::Utf16Be, false, "UTF-16BE"}, {Encoding::Utf16Be, true, "UTF-16BE"},
    {Encoding::EucJp, false, "EUC-JP"},     {Encoding::Iso2022Jp, false, "ISO-2022-JP"},
};

// Open, check the rows, save untouched, type one character at the start, save again: the
// bytes are the file's, then the file's with that character, in the same encoding, BOM and
// line ends. Texts an encoding cannot hold make no file and are skipped.
TEST(EncodedFile, EveryEncodingBomAndLineEndRoundTrips) {
  const char* const texts[] = {
      "日本語のテキスト、漢字とかな。",
      "ﾊﾝｶｸ ｶﾀｶﾅ｡ｰ",
      "JIS: 〜‖−—¢£¬",
      "JIS, EUC-JP: 〜‖−―¢£¬",
      "MS: ～∥－―￠￡￢",
      "NEC, IBM: ①≒ⅰ纊",
      "",
  };
  Scratch scratch;
  int files = 0;
  for (const Target& t : kTargets) {
    for (const char* text : texts) {
      for (LineEnd style : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr}) {
        const std::string eol(LineEndBytes(style));
        const std::string utf8 = std::string(text) + eol + "2行目" + eol + eol + "end";
        const auto body = Iconv(t.iconvName, utf8);
        const auto edited = Iconv(t.iconvName, "あ" + utf8);
        if (!body || !edited) continue;
        ++files;
        const std::string bom(t.bom ? BomBytes(t.enc) : "");
        SCOPED_TRACE(std::string(t.iconvName) + (t.bom ? " BOM " : " ") + LineEndName(style) + " " + text);
        TLumoStrings lines;
        const std::string path = scratch.Write(bom + *body);
        const EncodedLoad load = LoadEncodedFile(lines, path, t.enc);
        EXPECT_EQ(load.Problem.What, Kind::None);
        EXPECT_EQ(load.Format.Enc, t.enc);
        EXPECT_EQ(load.Format.Bom, t.bom);
        EXPECT_EQ(load.Format.Break, style);
        EXPECT_FALSE(load.Format.MixedBreaks);
        EXPECT_EQ(lines.GetText(), Sjis(Replace(utf8, eol, "\r\n")));
        EXPECT_SOUND(lines);
        WriteRowsInFormat(path, lines, load.Format);
        EXPECT_EQ(ReadBack(path), bom + *body);
        lines.Put(0, "\x82\xA0" + std::string(lines.Get(0)));
        WriteRowsInFormat(path, lines, load.Format);
        EXPECT_EQ(ReadBack(path), bom + *edited);
      }
    }
  }
  EXPECT_GE(files, 100);
}

// Mixed line ends: each line is written with its own break, the first style standing for
// a line without one (an edited line; after a lone CR an empty line's LF would join it into
// one CR LF, so it takes CR); asked for one style, every line gets it.
TEST(EncodedFile, MixedLineEndsAreKeptLineByLine) {
  Scratch scratch;
  const struct {
    const char *text, *edited;  // the second line edited
    LineEnd first;
  } cases[] = {
      {"a\nb\r\nc\rd", "a\nxb\nc\rd", LineEnd::Lf},
      {"a\r\nb\nc", "a\r\nxb\r\nc", LineEnd::CrLf},
      {"a\rb\r\n\n\r\r", "a\rxb\r\r\r\r", LineEnd::Cr},
  };
  for (const Target& t : kTargets) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(t.iconvName) + " " + LineEndName(c.first));
      TLumoStrings lines;
      const std::string bom(t.bom ? BomBytes(t.enc) : "");
      const std::string file = bom + *Iconv(t.iconvName, c.text);
      const std::string path = scratch.Write(file);
      const EncodedLoad load = LoadEncodedFile(lines, path, t.enc);
      EXPECT_EQ(load.Problem.What, Kind::None);
      EXPECT_EQ(load.Format.Break, c.first);
      EXPECT_TRUE(load.Format.MixedBreaks);
      EXPECT_TRUE(WriteRowsInFormat(path, lines, load.Format));
      EXPECT_EQ(ReadBack(path), file);
      lines.Put(1, "x" + std::string(lines.Get(1)));
      WriteRowsInFormat(path, lines, load.Format);
      EXPECT_EQ(ReadBack(path), bom + *Iconv(t.iconvName, c.edited));
      TextFormat one = load.Format;
      one.MixedBreaks = false;
      EXPECT_FALSE(WriteRowsInFormat(path, lines, one));
      const std::string eol(LineEndBytes(c.first));
      EXPECT_EQ(
          ReadBack(path),
          bom + *Iconv(t.iconvName, Replace(Replace(Replace(Replace(c.edited, "\r\n", "\x01"), "\r", "\x01"),
                                                    "\n", "\x01"),
                                            "\x01", eol)));
    }
  }
}

// Files that read but would not be written back the same: the first character and its line.
TEST(EncodedFile, TextThatWouldNotWriteBackIsNamedWithItsLine) {
  const struct {
    Encoding enc;
    std::string bytes;
    Kind kind;
    std::uint64_t line;
    char32_t c;
    std::string rows;  // the text shown, in code page 932
  } cases[] = {
      {Encoding::Utf8, "a\n\xF0\x9F\x98\x80!", Kind::NotInCp932, 2, 0x1F600, "a\r\n\x81\xAC!"},
      {Encoding::Utf16Le, *Iconv("UTF-16LE", "x\r\ny\r\né"), Kind::NotInCp932, 3, 0xE9, "x\r\ny\r\n\x81\xAC"},
      {Encoding::Utf8, "\xE3\x80\x9C\n\xEF\xBD\x9E", Kind::NotKept, 2, 0xFF5E, "\x81\x60\r\n\x81\x60"},
      {Encoding::EucJp, *Iconv("EUC-JP", "a\rÄ"), Kind::NotInCp932, 2, 0xC4, "a\r\n\x81\xAC"},
      {Encoding::Utf16Be, test::B("\0a\0\0\0b"), Kind::ZeroChar, 1, 0, "ab"},
      {Encoding::Iso2022Jp, "\x1b$B$\"\n$$\x1b(B", Kind::Reencoded, 1, 0, "\x82\xA0\r\n\x82\xA2"},
      {Encoding::Iso2022Jp, "a\x1b$B$\"", Kind::Reencoded, 1, 0, "a\x82\xA0"},
  };
  Scratch scratch;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    TLumoStrings lines;
    const EncodedLoad load = LoadEncodedFile(lines, scratch.Write(c.bytes), c.enc);
    EXPECT_EQ(load.Problem.What, c.kind);
    EXPECT_EQ(load.Problem.Line, c.line);
    EXPECT_EQ(load.Problem.Char, c.c);
    EXPECT_FALSE(load.Problem.Unreadable());
    EXPECT_EQ(lines.GetText(), c.rows);
  }
}

TEST(EncodedFile, BytesThatDoNotReadAreNamedWithTheirLine) {
  const struct {
    Encoding enc;
    std::string bytes;
    Kind kind;
    std::uint64_t line;
    std::string at;
  } cases[] = {
      {Encoding::Utf8, "ab\r\ncd\xFFz", Kind::Invalid, 2, "\xFFz"},
      {Encoding::Utf8, "\xEF\xBB\xBF\xE3\x81\x82\n\xC0\xAF", Kind::Invalid, 2,
       "\xC0\xAF"},                                                        // BOM, then overlong
      {Encoding::Utf8, "\xED\xA0\x80", Kind::Invalid, 1, "\xED\xA0\x80"},  // a surrogate
      {Encoding::Utf8, "ab\n\xE3\x81", Kind::Truncated, 2, "\xE3\x81"},
      {Encoding::Utf8, "\xF0\x9F\x98\x80\n\xFF", Kind::Invalid, 2, "\xFF"},  // after a character it lacks
      {Encoding::Utf16Le, test::B("a\0\n\0b"), Kind::OddLength, 2, "b"},
      {Encoding::Utf16Le, test::B("a\0\x00\xDC"), Kind::Invalid, 1, test::B("\x00\xDC")},
      {Encoding::Utf16Be, "\xD8\x3D", Kind::Truncated, 1, "\xD8\x3D"},
      {Encoding::EucJp, "\xA4\xA2\r\n\xA4", Kind::Truncated, 2, "\xA4"},
      {Encoding::EucJp, "\xA4\x20", Kind::Invalid, 1, "\xA4\x20"},
      {Encoding::Iso2022Jp, "a\n\x1b$", Kind::Truncated, 2, "\x1b$"},
  };
  Scratch scratch;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    TLumoStrings lines;
    const EncodedLoad load = LoadEncodedFile(lines, scratch.Write(c.bytes), c.enc);
    EXPECT_EQ(load.Problem.What, c.kind);
    EXPECT_TRUE(load.Problem.Unreadable());
    EXPECT_EQ(load.Problem.Line, c.line);
    EXPECT_EQ(load.Problem.Bytes, c.at);
  }
}

// Random texts in random encodings: the text, the format and the problem do not depend on
// where the blocks are cut; exactly the texts holding a character the code page lacks, or
// both forms of one symbol, fail; the others encode back to the file's bytes.
TEST(EncodedFile, RandomTextsInRandomBlocks) {
  const char* const pool[] = {"a", "Z",  " ",  "\r", "\n", "\r\n", "あ", "漢", "、",
                              "ｱ", "〜", "～", "−",  "－", "①",    "😀",  "é",  "\t"};
  const Target targets[] = {kTargets[0], kTargets[1], kTargets[2], kTargets[5], kTargets[6], kTargets[7]};
  std::mt19937 rng(19);
  for (int round = 0; round < 400; ++round) {
    const Target& t = targets[rng() % std::size(targets)];
    std::string utf8;
    bool lacking = false, wave[2] = {false, false}, minus[2] = {false, false};
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      const std::string piece = pool[rng() % std::size(pool)];
      utf8 += piece;
      lacking |= piece == "😀" || piece == "é";
      wave[0] |= piece == "〜", wave[1] |= piece == "～";
      minus[0] |= piece == "−", minus[1] |= piece == "－";
    }
    const auto body = Iconv(t.iconvName, utf8);
    if (!body) continue;
    const std::string file = std::string(t.bom ? BomBytes(t.enc) : "") + *body;
    auto decode = [&](std::size_t maxBlock) {
      FileDecoder d(t.enc);
      std::string out;
      for (std::size_t at = 0; at < file.size();) {
        const std::size_t k = std::min(file.size() - at, 1 + rng() % maxBlock);
        d.Feed(std::string_view(file).substr(at, k), out);
        at += k;
      }
      d.Finish(out);
      return std::tuple{out, d.Problem().What, d.Problem().Line, d.Format()};
    };
    SCOPED_TRACE(std::string(t.iconvName) + ": " + utf8);
    const auto whole = decode(file.size() + 1);
    EXPECT_EQ(decode(7), whole);
    const Kind kind = std::get<1>(whole);
    EXPECT_EQ(kind != Kind::None, lacking || (wave[0] && wave[1]) || (minus[0] && minus[1]));
    if (kind != Kind::None) continue;
    FileEncoder e(t.enc, std::get<3>(whole).JisForms);
    std::string back(t.bom ? BomBytes(t.enc) : "");
    std::size_t bad = 0;
    ASSERT_TRUE(e.Put(std::get<0>(whole), back, bad));
    e.Finish(back);
    EXPECT_EQ(back, file);
  }
}

// A file read in two halves at once gives what one pass gives: the rows, the first problem
// and its line (a symbol form or a character in the second half, bytes that do not read
// there), the line end and whether it was mixed.
TEST(EncodedFile, TwoHalvesReadAsOne) {
  const char* const pool[] = {"a", "漢字", "\n", "\n", "\r\n", "\r", "〜", "～", "−", "－", "😀", "ｶ"};
  Scratch scratch;
  std::mt19937 rng(23);
  int split = 0;
  for (int round = 0; round < 200; ++round) {
    const Target& t = rng() % 2 ? kTargets[0] : kTargets[6];  // UTF-8, EUC-JP
    std::string utf8;
    for (int i = static_cast<int>(rng() % 60); i > 0; --i) {
      const std::size_t from = rng() % 3 ? 6 : std::size(pool);  // one draw after the other
      utf8 += pool[rng() % from];
    }
    auto body = Iconv(t.iconvName, utf8);
    if (!body) continue;
    if (rng() % 8 == 0) body->insert(rng() % (body->size() + 1), "\xFF");  // bytes that do not read
    const std::string path = scratch.Write(*body);
    TLumoStrings one, two;
    const EncodedLoad a = LoadEncodedFile(one, path, t.enc, {}, UINT64_MAX);
    const EncodedLoad b = LoadEncodedFile(two, path, t.enc, {}, 1);
    split += body->find('\n', body->size() / 2) != std::string::npos;
    SCOPED_TRACE(Hex(*body));
    EXPECT_EQ(std::tuple(b.Problem.What, b.Problem.Line, b.Problem.Char),
              std::tuple(a.Problem.What, a.Problem.Line, a.Problem.Char));
    if (a.Problem.Unreadable()) continue;  // what did read is not looked at
    EXPECT_EQ(b.Format, a.Format);
    EXPECT_EQ(Rows(two), Rows(one));
  }
  EXPECT_GE(split, 60);
  // The first part shows one form, the second the other and then the first again on one line:
  // the other form is what cannot be kept.
  std::string utf8 = "漢字－\n";
  for (int i = 0; i < 40; ++i) utf8 += "a\n";
  for (const char* last : {"−－\n", "－−\n", "x−\n"}) {
    SCOPED_TRACE(last);
    const std::string path = scratch.Write(utf8 + last);
    TLumoStrings one, two;
    const EncodedLoad a = LoadEncodedFile(one, path, Encoding::Utf8, {}, UINT64_MAX);
    const EncodedLoad b = LoadEncodedFile(two, path, Encoding::Utf8, {}, 1);
    EXPECT_EQ(std::tuple(a.Problem.What, a.Problem.Line, a.Problem.Char),
              std::tuple(Kind::NotKept, 42, U'−'));
    EXPECT_EQ(std::tuple(b.Problem.What, b.Problem.Line, b.Problem.Char),
              std::tuple(Kind::NotKept, 42, U'−'));
  }
}

// The row limit counts the rows of the converted text, in one part or two: a UTF-16 file
// whose kanji hold 0x0A bytes (上 is 0A 4E) of exactly the limit loads, one row more is not.
TEST(EncodedFile, RowLimitCountsTheConvertedText) {
  Scratch scratch;
  for (const Target& t : {kTargets[2], kTargets[0]}) {
    std::string lines;
    for (int i = 0; i < 999; ++i) lines += "上\n";  // 1000 rows with the end marker's
    const std::string file = scratch.Write(*Iconv(t.iconvName, lines));
    for (const std::size_t block : {std::size_t{64}, std::size_t{4096}}) {
      for (const std::size_t maxRows : {std::size_t{1000}, std::size_t{999}}) {
        std::unique_ptr<FileDecoder> parts[2];
        const TextFilter filter = DecodingFilter(t.enc, parts, 1);
        RowSlots slots;
        SCOPED_TRACE(std::string(t.iconvName) + " " + std::to_string(block) + " " + std::to_string(maxRows));
        if (maxRows == 1000) {
          RowFileReader(file).ReadInto(slots, maxRows, {}, block, 1, &filter);
          EXPECT_EQ(slots.Size(), 1000u);
          EXPECT_EQ(std::string(slots.Get(998)), "\x8F\xE3\r\n");
        } else {
          EXPECT_THROW(RowFileReader(file).ReadInto(slots, maxRows, {}, block, 1, &filter),
                       RowSplitter::TooManyRows);
        }
      }
    }
  }
}

// The tally counts the breaks the line store makes rows of, wherever the blocks are cut;
// the style of the first break and whether others differ, zero bytes being no bytes.
TEST(EncodedFile, LineEndTallyAgreesWithTheRows) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 30);
    for (int i = 0; i < n; ++i) text += "a\r\n\0"[rng() % 4];
    LineEndTally tally;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t k = std::min<std::size_t>(text.size() - at, 1 + rng() % 5);
      tally.Feed(text.data() + at, k);
      at += k;
    }
    tally.Finish();
    TLumoStrings rows;
    LoadText(rows, text);
    EXPECT_EQ(tally.Breaks() + 1, static_cast<std::uint64_t>(rows.Count())) << Hex(text);
    std::string plain;  // zero bytes gone, each break one letter: W (CR LF), L, C
    for (char c : text)
      if (c != '\0') plain += c;
    plain = Replace(Replace(Replace(plain, "\r\n", "W"), "\r", "C"), "\n", "L");
    const std::size_t first = plain.find_first_of("WCL");
    EXPECT_EQ(tally.First().has_value(), first != std::string::npos);
    if (first == std::string::npos) continue;
    const char style = plain[first];
    EXPECT_EQ(tally.First(), style == 'W' ? LineEnd::CrLf : style == 'C' ? LineEnd::Cr : LineEnd::Lf);
    EXPECT_EQ(tally.Mixed(), plain.find_first_not_of(std::string("a") + style) != std::string::npos);
  }
}

// Shift-JIS rows in CR LF are written exactly as the line store saves them; in another line
// end, with only the terminators changed. Invalid bytes are the document's own and stay.
TEST(EncodedFile, ShiftJisRowsWriteAsTheLineStoreSavesThem) {
  Scratch scratch;
  std::mt19937 rng(3);
  const char bytes[] = "a\r\n\x82\xA0\xFF\x81\xB1";
  for (int round = 0; round < 100; ++round) {
    std::string text;
    for (int i = static_cast<int>(rng() % 40); i > 0; --i) text += bytes[rng() % (sizeof bytes - 1)];
    TLumoStrings rows;
    LoadText(rows, text);
    const std::string path = scratch.File("s.txt");
    rows.SaveToFile(path);
    const std::string saved = ReadBack(path);
    for (LineEnd style : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr}) {
      TextFormat f;
      f.Break = style;
      WriteRowsInFormat(path, rows, f);
      EXPECT_EQ(ReadBack(path), Replace(saved, "\r\n", LineEndBytes(style))) << Hex(text);
    }
  }
}

TEST(EncodedFile, RowsAFormatCannotWriteAreFoundBeforeAnythingIsWritten) {
  const struct {
    Encoding enc;
    std::string text;
    std::uint64_t line;
    std::string bad;
  } cases[] = {
      {Encoding::EucJp, "a\r\nb\r\nx\x87\x40y", 3, "\x87\x40"},  // ①: not in JIS X 0208
      {Encoding::Iso2022Jp, "\x82\xA0\xB1", 1, "\xB1"},          // half-width katakana
      {Encoding::Utf8, "a\r\n\x82", 2, "\x82"},                  // a lead byte without its trail
      {Encoding::Utf16Le, "\xFF", 1, "\xFF"},
  };
  Scratch scratch;
  for (const auto& c : cases) {
    TLumoStrings rows;
    LoadText(rows, c.text);
    TextFormat f;
    f.Enc = c.enc;
    const auto found = FindUnwritable(rows, f);
    ASSERT_TRUE(found.has_value()) << Hex(c.text);
    EXPECT_EQ(found->Line, c.line);
    EXPECT_EQ(found->Cp932, c.bad);
    EXPECT_THROW(WriteRowsInFormat(scratch.File("u.txt"), rows, f), std::runtime_error);
    f.Enc = Encoding::ShiftJis;
    EXPECT_FALSE(FindUnwritable(rows, f).has_value());
  }
}

}  // namespace
}  // namespace quiret
