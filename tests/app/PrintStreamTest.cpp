// The print stream's line, tab, breaking and page rules, drawn on a recording test page.
#include <gtest/gtest.h>

#include "app/PrintStream.h"
#include "tests/support/TestPrintPage.h"

namespace quiret {
namespace {

// "表" is 0x95 0x5C: its trail byte is a backslash, so a split shows up as a stray byte.
const std::string kHyo = "\x95\x5C";
// "漢" is 0x8A 0xBF.
const std::string kKan = "\x8A\xBF";

class PrintStreamTest : public ::testing::Test {
 protected:
  // Line height with text: font height 16 + 2.
  static constexpr int kLine = 18;

  void Print(std::string_view text) {
    PrintStream stream(page);
    ASSERT_TRUE(stream.Open("doc"));
    stream.Write(text);
    stream.Close();
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& d : page.Texts) out.push_back(d.text);
    return out;
  }

  TestPrintPage page;
};

TEST_F(PrintStreamTest, StartsTheJobWithTitleAndPrinterFontAndEndsIt) {
  Print("hello");
  EXPECT_EQ(page.Title, "doc");
  ASSERT_GE(page.Calls.size(), 4u);
  EXPECT_EQ(page.Calls[0], "BeginDoc");
  EXPECT_EQ(page.Calls[1], "SelectPrinterFont");
  EXPECT_EQ(page.Calls.back(), "EndDoc");
  ASSERT_EQ(page.Texts.size(), 1u);
  EXPECT_EQ(page.Texts[0].text, "hello");
  EXPECT_EQ(page.Texts[0].x, 0);
  EXPECT_EQ(page.Texts[0].y, 0);
}

TEST_F(PrintStreamTest, LineFeedsAdvanceByTextHeightPlusTwoAndEmptyLinesByFontHeight) {
  Print("a\nb\n\nc");
  ASSERT_EQ(page.Texts.size(), 3u);
  EXPECT_EQ(page.Texts[0].y, 0);
  EXPECT_EQ(page.Texts[1].y, kLine);
  EXPECT_EQ(page.Texts[2].y, 2 * kLine + 16);  // the empty line is 16 high
  for (const auto& d : page.Texts) EXPECT_EQ(d.x, 0);
}

TEST_F(PrintStreamTest, CarriageReturnOnlyOutputsThePendingTextAndZeroBytesAreDropped) {
  Print(std::string("ab\rc\0\0d", 7));
  ASSERT_EQ(Texts(), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(page.Texts[1].x, 20);
  EXPECT_EQ(page.Texts[1].y, 0);
}

TEST_F(PrintStreamTest, TabsAdvanceToStopsEightAverageWidthsApart) {
  Print("a\tb\n12345678\tc\n\td\n" + kKan + "\t\te");
  ASSERT_EQ(page.Texts.size(), 7u);
  EXPECT_EQ(page.Texts[1].text, "b");
  EXPECT_EQ(page.Texts[1].x, 80);
  EXPECT_EQ(page.Texts[3].text, "c");  // text ending on a stop goes on to the next stop
  EXPECT_EQ(page.Texts[3].x, 160);
  EXPECT_EQ(page.Texts[4].text, "d");
  EXPECT_EQ(page.Texts[4].x, 80);
  EXPECT_EQ(page.Texts[6].text, "e");  // a double-byte character is two cells wide
  EXPECT_EQ(page.Texts[6].x, 160);

  TestPrintPage narrow;
  narrow.AveWidth = 7;  // stops follow the font's average width
  PrintStream stream(narrow);
  ASSERT_TRUE(stream.Open("doc"));
  stream.Write("ab\tc");
  stream.Close();
  ASSERT_EQ(narrow.Texts.size(), 2u);
  EXPECT_EQ(narrow.Texts[1].x, 56);
}

TEST_F(PrintStreamTest, LongLineBreaksBeforeTheFirstCharacterThatDoesNotFit) {
  page.Width = 100;
  Print("abcdefghijklmnopqrstuvwxy");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"abcdefghij", "klmnopqrst", "uvwxy"}));
  EXPECT_EQ(page.Texts[1].y, kLine);
  EXPECT_EQ(page.Texts[2].y, 2 * kLine);
  EXPECT_EQ(page.Texts[2].x, 0);
}

TEST_F(PrintStreamTest, TextFillingThePageExactlyStaysOnOneLine) {
  page.Width = 100;
  Print("abcdefghij\nk");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"abcdefghij", "k"}));
  EXPECT_EQ(page.Texts[1].y, kLine);
}

TEST_F(PrintStreamTest, DoubleByteCharacterAtTheEdgeMovesWholeToTheNextLine) {
  page.Width = 100;
  // 10 + 4 * 20 = 90 fits; the fifth character would end at 110.
  Print("a" + kHyo + kHyo + kHyo + kHyo + kHyo + "b");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"a" + kHyo + kHyo + kHyo + kHyo, kHyo + "b"}));
  EXPECT_EQ(page.Texts[1].x, 0);
  EXPECT_EQ(page.Texts[1].y, kLine);
}

TEST_F(PrintStreamTest, OddWidthPageNeverSplitsDoubleByteCharacters) {
  page.Width = 95;
  std::string line;
  for (int i = 0; i < 13; ++i) line += kHyo;
  Print(line);
  // 4 characters (80 px) per line: 4 + 4 + 4 + 1.
  ASSERT_EQ(page.Texts.size(), 4u);
  std::string joined;
  for (const auto& d : page.Texts) {
    EXPECT_EQ(d.text.size() % 2, 0u) << "split character on a line";
    EXPECT_LE(page.TextWidth(d.text), 95);
    joined += d.text;
  }
  EXPECT_EQ(joined, line);
}

TEST_F(PrintStreamTest, VeryLongLineIsBrokenWithoutMeasuringItsWholeRestEachTime) {
  page.Width = 800;  // 80 characters a line
  page.Height = 1000000;
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "abc" + kHyo + "de";  // 7 bytes, 7 cells
  Print(line);
  ASSERT_GT(page.Texts.size(), 20000u * 7 / 80);
  std::string joined;
  for (size_t i = 0; i < page.Texts.size(); ++i) {
    const int width = page.TextWidth(page.Texts[i].text);
    EXPECT_LE(width, 800);
    // Full lines: only a double-byte character that would cross the edge leaves a cell free.
    if (i + 1 < page.Texts.size()) {
      EXPECT_GE(width, 790);
    }
    joined += page.Texts[i].text;
  }
  EXPECT_EQ(joined, line);
  EXPECT_LT(page.MeasuredBytes, 20LL * static_cast<long long>(line.size()));
}

TEST_F(PrintStreamTest, TextAfterATabBreaksAtTheEdgeToo) {
  page.Width = 100;
  Print("a\tbcdef");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "bc", "def"}));
  EXPECT_EQ(page.Texts[1].x, 80);
  EXPECT_EQ(page.Texts[2].x, 0);
  EXPECT_EQ(page.Texts[2].y, kLine);
}

TEST_F(PrintStreamTest, TabPastTheEdgeSendsTheNextTextToTheNextLine) {
  page.Width = 100;
  Print("abcdefghi\tx");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"abcdefghi", "x"}));
  EXPECT_EQ(page.Texts[1].x, 0);
  EXPECT_EQ(page.Texts[1].y, kLine);
}

TEST_F(PrintStreamTest, CharacterWiderThanThePageIsPrintedAloneOnEachLine) {
  page.Width = 15;
  Print(kKan + kKan + "a");
  EXPECT_EQ(Texts(), (std::vector<std::string>{kKan, kKan, "a"}));
}

TEST_F(PrintStreamTest, NewPageWhenTheNextLineWouldBeginBelowHeightMinusTwoLines) {
  page.Height = 100;  // lines begin at 0, 18, 36, 54; the fifth would begin at 72 > 100 - 36
  Print("1\n2\n3\n4\n5\n6\n7\n8\n9");
  EXPECT_EQ(page.Pages, 3);
  ASSERT_EQ(page.OnPage(0).size(), 4u);
  EXPECT_EQ(page.OnPage(0)[3].y, 54);
  ASSERT_EQ(page.OnPage(1).size(), 4u);
  EXPECT_EQ(page.OnPage(1)[0].text, "5");
  EXPECT_EQ(page.OnPage(1)[0].y, 0);
  ASSERT_EQ(page.OnPage(2).size(), 1u);
  EXPECT_EQ(page.OnPage(2)[0].text, "9");
}

TEST_F(PrintStreamTest, PageBreakUsesTheHeightOfTheLineJustEnded) {
  page.Height = 100;  // empty lines are 16 high: after four, 64 <= 68 stays on the page
  Print("\n\n\n\nx");
  EXPECT_EQ(page.Pages, 1);
  ASSERT_EQ(page.Texts.size(), 1u);
  EXPECT_EQ(page.Texts[0].y, 64);

  TestPrintPage second;
  second.Height = 100;  // after five, 80 > 68 starts a new page
  PrintStream stream(second);
  ASSERT_TRUE(stream.Open("doc"));
  stream.Write("\n\n\n\n\nx");
  stream.Close();
  EXPECT_EQ(second.Pages, 2);
  ASSERT_EQ(second.Texts.size(), 1u);
  EXPECT_EQ(second.Texts[0].page, 1);
  EXPECT_EQ(second.Texts[0].y, 0);
}

TEST_F(PrintStreamTest, BrokenLongLineContinuesOnTheNextPage) {
  page.Width = 100;
  page.Height = 100;
  Print(std::string(50, 'x'));  // five printed lines of ten
  EXPECT_EQ(page.Pages, 2);
  EXPECT_EQ(page.OnPage(0).size(), 4u);
  ASSERT_EQ(page.OnPage(1).size(), 1u);
  EXPECT_EQ(page.OnPage(1)[0].y, 0);
}

TEST_F(PrintStreamTest, TrailingBreaksLeaveNoBlankPage) {
  page.Height = 100;
  Print("1\n2\n3\n4\n\f\f");
  EXPECT_EQ(page.Pages, 1);
  EXPECT_EQ(page.Texts.size(), 4u);
}

TEST_F(PrintStreamTest, FormFeedStartsANewPageAtTheTopLeft) {
  Print("ab\fc\f\fd");
  EXPECT_EQ(page.Pages, 4);  // the third page is left blank by the second form feed
  ASSERT_EQ(page.Texts.size(), 3u);
  EXPECT_EQ(page.Texts[1].page, 1);
  EXPECT_EQ(page.Texts[1].x, 0);
  EXPECT_EQ(page.Texts[1].y, 0);
  EXPECT_EQ(page.Texts[2].page, 3);
}

TEST_F(PrintStreamTest, DoubleByteCharacterSplitOverTwoWritesIsKeptWhole) {
  page.Width = 100;
  PrintStream stream(page);
  ASSERT_TRUE(stream.Open("doc"));
  stream.Write("abcdefghi" + kHyo.substr(0, 1));
  stream.Write(kHyo.substr(1));
  stream.Close();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"abcdefghi", kHyo}));
}

// Display rows as the editor stores them.
std::vector<std::string> LinesOf(const std::vector<std::string>& rows) {
  return LogicalLines(static_cast<std::int32_t>(rows.size()),
                      [&rows](std::int32_t i) { return std::string_view(rows[i]); });
}

const std::string kEnd("\0\0", 2);

TEST(PrintDocumentLines, WrappedRowsJoinAndTerminatorsAreDropped) {
  EXPECT_EQ(LinesOf({"abc", "def\r\n", "g" + kHyo + "\r\n", "hi" + kEnd}),
            (std::vector<std::string>{"abcdef", "g" + kHyo, "hi"}));
  EXPECT_EQ(LinesOf({"abc\r\n", kEnd}), (std::vector<std::string>{"abc", ""}));
  EXPECT_EQ(LinesOf({kEnd}), (std::vector<std::string>{""}));
  EXPECT_EQ(LinesOf({"\r\n", "\r\n", kEnd}), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(LinesOf({"ab", "cd"}), (std::vector<std::string>{"abcd"}));  // no end marker
}

TEST(PrintDocumentLines, EmptyDocumentPrintsOneEmptyPage) {
  TestPrintPage page;
  ASSERT_TRUE(PrintLines(LinesOf({kEnd}), page, "(Untitled1)"));
  EXPECT_TRUE(page.Began);
  EXPECT_TRUE(page.Ended);
  EXPECT_EQ(page.Pages, 1);
  EXPECT_TRUE(page.Texts.empty());
}

TEST(PrintDocumentLines, PrinterThatCannotStartDrawsNothing) {
  TestPrintPage page;
  page.FailToStart = true;
  EXPECT_FALSE(PrintLines({"abc"}, page, "a.txt"));
  EXPECT_TRUE(page.Texts.empty());
  EXPECT_FALSE(page.Ended);
  EXPECT_EQ(page.Calls, (std::vector<std::string>{"BeginDoc"}));
}

TEST(PrintDocumentLines, WrappedDocumentPrintsEachLogicalLineOnceWithoutTerminators) {
  TLumoStrings rows;
  rows.Add("first ");
  rows.Add("half\r\n");
  rows.Add("\r\n");
  rows.Add(kKan + "\tx\r\n");
  rows.Add("last" + kEnd);
  ASSERT_EQ(rows.CheckInvariant(), "");
  TestPrintPage page;
  ASSERT_TRUE(PrintDocument(rows, page, "b.txt"));
  ASSERT_EQ(page.Texts.size(), 4u);
  EXPECT_EQ(page.Texts[0].text, "first half");
  EXPECT_EQ(page.Texts[1].text, kKan);
  EXPECT_EQ(page.Texts[1].y, 18 + 16);  // one empty line between, no double spacing
  EXPECT_EQ(page.Texts[2].text, "x");
  EXPECT_EQ(page.Texts[2].x, 80);
  EXPECT_EQ(page.Texts[3].text, "last");
  EXPECT_EQ(page.Texts[3].y, 2 * 18 + 16);
  for (const auto& d : page.Texts) {
    EXPECT_EQ(d.text.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << d.text;
  }
  EXPECT_EQ(page.Title, "b.txt");
  EXPECT_EQ(page.Pages, 1);
  EXPECT_TRUE(page.Ended);
}

}  // namespace
}  // namespace quiret

namespace quiret {
namespace {

// 26,843,546 tabs eight 10-pixel cells apart pass the int range; the text still goes on to
// the next line instead of landing left of the page.
TEST_F(PrintStreamTest, TabsPastTheIntRangeStillSendTheTextToTheNextLine) {
  Print(std::string(26843546, '\t') + "x");
  ASSERT_EQ(Texts(), (std::vector<std::string>{"x"}));
  EXPECT_EQ(page.Texts[0].x, 0);
  EXPECT_EQ(page.Texts[0].y, kLine - 2);  // the line of tabs holds no text
}

}  // namespace
}  // namespace quiret
