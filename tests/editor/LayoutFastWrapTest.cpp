// The whole-text wrap's fast paths against the measuring rule itself (SplitRows), on hostile
// bytes, every tab stop, narrow and wide areas, fonts whose widths break the usual pattern,
// and texts large enough to be cut on two threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/EditorRows.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {
namespace {

// The test surface's widths, or with `odd` set widths that break the pattern here and there:
// zero-width control bytes, a narrow CR, narrow and wide double-byte characters, a lone lead
// byte of odd width; with `odd` 2 also a wide 'W' and a narrow blank, which leave no common
// width for printable ASCII; with `odd` 3 only pairs whose second byte is not a trail byte
// of the code page are of an odd width.
class OddSurface : public TestSurface {
 public:
  int odd = 0;
  int TextWidth(std::string_view text) override {
    const int usual = TestSurface::TextWidth(text);
    if (odd == 0) return usual;
    if (odd == 3) {  // odd second bytes only
      const auto b1 = text.size() == 2 ? static_cast<unsigned char>(text[1]) : 0x40;
      return b1 < 0x40 || b1 == 0x7F || b1 > 0xFC ? 5 : usual;
    }
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (text.size() == 1) {
      if (b0 == 'W' && odd == 2) return 12;
      if (b0 == 0x01 || b0 == 0x00) return 0;
      if (b0 == '\r') return 3;
      if (b0 == 0x88) return 5;  // a lead byte measured alone
      if (b0 == ' ' && odd == 2) return 6;
      return usual;
    }
    const auto b1 = static_cast<unsigned char>(text[1]);
    if (b0 == 0x88) return 7 + b1 % 20;  // double-byte widths from 7 to 26
    return usual;
  }
};

class OddWindow : public TestEditorWindow {
 public:
  Surface& Canvas() override { return odd; }
  OddSurface odd;
};

std::string HostileRow(std::mt19937& rng, int length) {
  static const std::vector<std::string> pieces = {
      "a",
      "W",
      " ",
      "\t",
      "\t\t",
      "\x82\xA0",
      "\x88\x9F",
      "\x88\x40",
      "\x88\x95",
      "\x81\x88",
      "\x81\x81",
      "\x82",    // lone lead
      "\x82\t",  // a lead byte before a tab
      "\xE0\r",
      std::string("\x83\0", 2),
      std::string(1, '\0'),
      "\r",
      "\x01",
      "\xB1",
      "\x7F",
      "\xFD",
      "\xFC\xFC\xFC",
      "abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz0123456789"};
  std::string s;
  while (static_cast<int>(s.size()) < length) s += pieces[rng() % pieces.size()];
  switch (rng() % 4) {
    case 0:
      return s + "\r\n";
    case 1:
      return s + std::string("\0\0", 2);
    case 2:
      return s + "\x82";  // a lead byte at the very end
    default:
      return s;
  }
}

class FastWrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFont f;
    f.Name = "ＭＳ ゴシック";
    f.SetSize(12);  // cells of 8 pixels on the test surface
    edit.SetFont(f);
    edit.ApplySettings();
  }

  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < edit.Lines->Count(); ++i) out.emplace_back(edit.Lines->Get(i));
    return out;
  }

  // The whole-text wrap gives SplitRows' rows. The wrap runs first, from an empty width
  // cache, so that it meets pairs never measured.
  void ExpectSameRows(const std::vector<std::string>& rows) {
    edit.ResetWidthCache();
    LoadRowsInto(edit, rows);
    edit.Relayout(true, false);
    const std::vector<std::string> wrapped = Rows();
    LoadRowsInto(edit, rows);
    ASSERT_EQ(wrapped, edit.SplitRows());
  }

  OddWindow win;
  TLumoEdit edit{win};
};

TEST_F(FastWrapTest, MatchesTheMeasuringRuleOnHostileBytes) {
  std::mt19937 rng(20240611);
  int cases = 0;
  for (int odd = 0; odd <= 2; ++odd) {
    win.odd.odd = odd;
    edit.ResetWidthCache();
    for (int round = 0; round < 200; ++round) {
      std::vector<std::string> rows;
      const int count = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < count; ++i) rows.push_back(HostileRow(rng, static_cast<int>(rng() % 400)));
      edit.SetTabCount(1 + static_cast<int>(rng() % 8));
      edit.Column = 10 + static_cast<int>(rng() % 191);
      edit.AutoWrap = rng() % 4 != 0;
      // Narrow areas (down to less than a cell), areas near the column limit, wide areas.
      const int widths[] = {0, 5, 8, 13, 16, 17, 40, 77, 8 * edit.Column, 8 * edit.Column + 7, 2000, 4000};
      edit.TextAreaWidth = widths[rng() % std::size(widths)];
      SCOPED_TRACE(::testing::Message() << "odd " << odd << " round " << round << " column " << edit.Column
                                        << " width " << edit.TextAreaWidth << " auto " << edit.AutoWrap);
      ExpectSameRows(rows);
      ++cases;
    }
  }
  EXPECT_EQ(cases, 600);
}

TEST_F(FastWrapTest, TabsAtEveryColumnAndEveryTabCount) {
  for (int tabs = 1; tabs <= 8; ++tabs) {
    edit.SetTabCount(tabs);
    for (int column : {10, 11, 17, 130, 200}) {
      edit.Column = column;
      edit.AutoWrap = true;
      edit.TextAreaWidth = 8 * column;
      std::vector<std::string> rows;
      for (int at = 0; at < 150; ++at) {
        rows.push_back(std::string(static_cast<std::size_t>(at), 'x') + "\t" + std::string(30, 'y') + "\r\n");
        rows.push_back(std::string(static_cast<std::size_t>(at), 'x') + "\x82\t\x82\xA0" +
                       std::string(9, 'z') + "\r\n");
      }
      rows.push_back(std::string("\0\0", 2));
      SCOPED_TRACE(::testing::Message() << "tabs " << tabs << " column " << column);
      ExpectSameRows(rows);
    }
  }
}

// Enough rows for the helper thread; odd widths make it leave rows with unmeasured pairs to
// the main thread, which must put them back in their places.
TEST_F(FastWrapTest, TwoThreadsGiveTheSameRows) {
  std::mt19937 rng(7);
  for (int odd = 0; odd <= 1; ++odd) {
    win.odd.odd = odd;
    edit.ResetWidthCache();
    edit.SetTabCount(4);
    edit.Column = 72;
    edit.AutoWrap = true;
    edit.TextAreaWidth = 8 * 60 + 3;
    std::vector<std::string> rows;
    for (int i = 0; i < 40000; ++i) rows.push_back(HostileRow(rng, static_cast<int>(rng() % 120)) + "\r\n");
    // Pairs that only the second half holds, so the helper meets them unmeasured.
    for (int i = 30000; i < 40000; ++i) {
      const char lead = static_cast<char>(0x89 + i % 20);
      const char trail = static_cast<char>(0x40 + (i / 20) % 180);
      rows[static_cast<std::size_t>(i)].insert(0, std::string{lead, trail});
    }
    rows.push_back(std::string("\0\0", 2));
    ExpectSameRows(rows);
  }
}

}  // namespace
}  // namespace quiret

namespace quiret {
namespace {

// With every pair of the code page measured (as a large text has them before its wrap), the
// fitter skips pairs with a code-page trail byte; the rows must still be the rule's own.
TEST_F(FastWrapTest, MatchesTheMeasuringRuleWithEveryPairMeasured) {
  std::mt19937 rng(99);
  for (int odd : {0, 1, 3}) {
    win.odd.odd = odd;
    edit.ResetWidthCache();
    edit.Column = 80;
    edit.AutoWrap = true;
    edit.TextAreaWidth = 640;
    LoadRowsInto(edit, std::vector<std::string>(1 << 14, "a\r\n"));
    edit.Relayout(true, false);  // measures every pair
    for (int round = 0; round < 300; ++round) {
      std::vector<std::string> rows;
      for (int i = 1 + static_cast<int>(rng() % 6); i > 0; --i)
        rows.push_back(HostileRow(rng, static_cast<int>(rng() % 300)));
      edit.SetTabCount(1 + static_cast<int>(rng() % 8));
      edit.Column = 10 + static_cast<int>(rng() % 191);
      edit.AutoWrap = rng() % 4 != 0;
      const int widths[] = {5, 8, 40, 77, 8 * edit.Column, 8 * edit.Column + 7, 4000};
      edit.TextAreaWidth = widths[rng() % std::size(widths)];
      SCOPED_TRACE(::testing::Message() << "odd " << odd << " round " << round);
      LoadRowsInto(edit, rows);
      edit.Relayout(true, false);
      const std::vector<std::string> wrapped = Rows();
      LoadRowsInto(edit, rows);
      ASSERT_EQ(wrapped, edit.SplitRows());
    }
  }
}

}  // namespace
}  // namespace quiret
