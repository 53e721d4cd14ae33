// The whole-text wrap's cells way against the wrap rule itself, with each vector
// instruction set the processor has: fonts where all characters are whole cells but for a
// few byte values or pairs (as the default font on Linux, where one pair is narrow), rows
// full of tabs and of those patterns in every role, rows of their own and rows in blocks,
// one thread and two.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "editor/WrapEngine.h"
#include "editor/WrapFitter.h"
#include "tests/support/TestSurface.h"
#include "text/LumoStrings.h"

namespace quiret {
namespace {

// The test surface's 8-pixel cells, with some single bytes and pairs of other widths.
class PatternSurface : public TestSurface {
 public:
  std::map<unsigned char, int> singles;
  std::map<std::pair<unsigned char, unsigned char>, int> pairs;
  int TextWidth(std::string_view text) override {
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (text.size() == 1 && singles.count(b0)) return singles[b0];
    if (text.size() == 2) {
      const auto it = pairs.find({b0, static_cast<unsigned char>(text[1])});
      if (it != pairs.end()) return it->second;
    }
    return TestSurface::TextWidth(text);
  }
};

struct Font {
  const char* name;
  std::map<unsigned char, int> singles;
  std::map<std::pair<unsigned char, unsigned char>, int> pairs;
  bool cells;  // whether the cells way applies
};

const std::vector<Font>& Fonts() {
  static const std::vector<Font> fonts = {
      {"all cells", {}, {}, true},
      {"one narrow pair", {}, {{{0x87, 0x94}, 8}}, true},
      {"odd singles and pairs",
       {{0x01, 0}, {0xB1, 3}, {0x82, 5}},
       {{{0x88, 0x9F}, 24}, {{0x81, 0x0D}, 9}, {{0xE0, 0x40}, 0}},
       true},
      {"a narrow letter", {{'W', 4}}, {{{0x82, 0xA0}, 16}}, true},
      {"too many odd pairs",
       {},
       {{{0x88, 0x40}, 8}, {{0x88, 0x41}, 8}, {{0x88, 0x42}, 8}, {{0x88, 0x43}, 8}, {{0x88, 0x44}, 8}},
       false},
  };
  return fonts;
}

// Rows built from pieces that put the fonts' patterns in every role: as a pair, as the
// second byte of another pair, before a tab, at a row's end, cut by the limit.
std::string PatternRow(std::mt19937& rng, std::size_t length) {
  static const std::vector<std::string> pieces = {"a",
                                                  "W",
                                                  " ",
                                                  "\t",
                                                  "\t\t",
                                                  "\x82\xA0",
                                                  "\x87\x94",
                                                  "\x87\x87\x94",
                                                  "\x87\t",
                                                  "\x88\x9F",
                                                  "\x88\x40",
                                                  "\x88\x44",
                                                  "\x81\r\n",
                                                  "\x81",
                                                  "\x82",
                                                  "\x82\t",
                                                  "\x01",
                                                  "\xB1",
                                                  "\xE0\x40",
                                                  "\xE0@@",
                                                  "\x7F",
                                                  "\xFD",
                                                  "\x94",
                                                  "\x82\x87",
                                                  "0123456789abcdefghij0123456789abcdefghij"};
  std::string s;
  while (s.size() < length) s += pieces[rng() % pieces.size()];
  switch (rng() % 4) {
    case 0:
      return s + "\r\n";
    case 1:
      return s + std::string("\0\0", 2);
    case 2:
      return s + "\x87";  // a lead byte at the very end
    default:
      return s;
  }
}

// The rows of the rule itself: NextRowLength piece by piece.
std::vector<std::string> RuleRows(const std::vector<std::string>& rows, const WrapRule& r,
                                  WidthTable& widths) {
  std::vector<std::string> out;
  for (const std::string& row : rows) {
    std::string_view data = row;
    for (;;) {
      const std::size_t take =
          NextRowLength(data, data.size(), r.column, r.autoWrap, r.areaWidth, r.tabCount, widths);
      out.emplace_back(data.substr(0, take));
      if (take >= data.size()) break;
      data.remove_prefix(take);
    }
  }
  return out;
}

std::vector<std::string> Rows(const TLumoStrings& lines) {
  std::vector<std::string> out;
  for (std::int32_t i = 0; i < lines.Count(); ++i) out.emplace_back(lines.Get(i));
  return out;
}

// "" when the rows agree, else where they first differ.
std::string FirstDifference(const std::vector<std::string>& got, const std::vector<std::string>& want) {
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  if (i == got.size() && i == want.size()) return "";
  auto show = [](const std::vector<std::string>& rows, std::size_t at) {
    std::string s;
    for (std::size_t k = at > 0 ? at - 1 : 0; k < rows.size() && k <= at + 1; ++k) {
      s += "[";
      for (const char c : rows[k]) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
        s += hex;
      }
      s += "] ";
    }
    return s;
  };
  return "row " + std::to_string(i) + ": got " + show(got, i) + "want " + show(want, i);
}

std::vector<WrapSimd> Levels() {
  std::vector<WrapSimd> levels = {WrapSimd::kBaseline};
  if (BestWrapSimd() >= WrapSimd::kAvx2) levels.push_back(WrapSimd::kAvx2);
  if (BestWrapSimd() >= WrapSimd::kAvx512) levels.push_back(WrapSimd::kAvx512);
  return levels;
}

TEST(WrapCells, EveryInstructionSetGivesTheRulesRows) {
  std::mt19937 rng(2024);
  int compared = 0;
  for (const Font& font : Fonts()) {
    PatternSurface surface;  // 8-pixel cells
    surface.singles = font.singles;
    surface.pairs = font.pairs;
    std::vector<int> cache;
    WidthTable widths(cache, surface);
    {
      // A text of many rows has every pair measured first; the cache keeps them.
      TLumoStrings warm;
      warm.Assign(std::vector<std::string>(1 << 14, "x\r\n"));
      WrapInPlace(warm, WrapRule{80, true, 640, 4}, widths, {}, false);
    }
    for (int round = 0; round < 120; ++round) {
      WrapRule rule{10 + static_cast<std::int32_t>(rng() % 191), rng() % 4 != 0, 0,
                    1 + static_cast<int>(rng() % 8)};
      const std::int32_t areas[] = {0, 5, 8, 13, 40, 77, 8 * rule.column, 8 * rule.column + 7, 2000, 4000};
      rule.areaWidth = areas[rng() % std::size(areas)];
      ASSERT_EQ(RowFitter(rule, widths, true, WrapSimd::kBest).CellsApply(), font.cells) << font.name;
      // Once per font enough rows for the second thread.
      const bool big = round == 0;
      std::vector<std::string> rows;
      for (int i = big ? 33000 : 1 + static_cast<int>(rng() % 12); i > 0; --i)
        rows.push_back(PatternRow(rng, rng() % (big ? 60 : 300)) + "\r\n");
      rows.push_back(PatternRow(rng, rng() % 80) + std::string("\0\0", 2));
      for (const WrapSimd simd : Levels()) {
        for (const bool blocks : {false, true}) {
          TLumoStrings lines;
          if (blocks) {
            std::string text;
            for (const std::string& r : rows) text += r;
            lines.SetText(text);  // rows in shared blocks, back to back (split again at CR)
          } else {
            lines.Assign(rows);  // rows of their own
          }
          const std::vector<std::string> expected = RuleRows(Rows(lines), rule, widths);
          WrapInPlace(lines, rule, widths, {}, big, simd);
          ASSERT_EQ(FirstDifference(Rows(lines), expected), "")
              << font.name << " round " << round << " simd " << static_cast<int>(simd) << " blocks " << blocks
              << " column " << rule.column << " width " << rule.areaWidth << " tabs " << rule.tabCount;
          ++compared;
        }
      }
    }
  }
  EXPECT_EQ(compared, static_cast<int>(Fonts().size() * 120 * 2 * Levels().size()));
}

}  // namespace
}  // namespace quiret
