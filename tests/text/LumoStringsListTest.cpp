// Row list behaviour of TLumoStrings: index errors, growth and capacity, editing operations.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/text/LineStoreTestUtil.h"
#include "text/LumoStrings.h"

namespace quiret::test {
namespace {

using Strings = std::vector<std::string>;
const char* const kIndexMessage = "インデックスがリストの範囲を超えています";

// Expects `op` to raise the index error and to leave rows, Count and Capacity as they were.
template <typename Op>
void ExpectIndexError(TLumoStrings& store, Op op) {
  Strings before = Rows(store);
  std::int32_t capacity = store.Capacity();
  try {
    op();
    ADD_FAILURE() << "no index error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), kIndexMessage);
  }
  EXPECT_EQ(Rows(store), before);
  EXPECT_EQ(store.Capacity(), capacity);
}

TEST(LumoStringsIndex, OutOfRangeRaisesTheListErrorAndChangesNothing) {
  TLumoStrings s;
  s.Assign(Strings{"a\r\n", "b\r\n", B("c\0\0")});
  ExpectIndexError(s, [&] { s.Get(3); });
  ExpectIndexError(s, [&] { s.Get(-1); });
  ExpectIndexError(s, [&] { s.Put(3, "x"); });
  ExpectIndexError(s, [&] { s.Delete(3); });
  ExpectIndexError(s, [&] { s.Delete(-1); });
  ExpectIndexError(s, [&] { s.Insert(4, "x"); });
  ExpectIndexError(s, [&] { s.Insert(-1, "x"); });
  ExpectIndexError(s, [&] { s.SetCount(-1); });
  ExpectIndexError(s, [&] { s.SetCount(TLumoStrings::kMaxListSize + 1); });
  ExpectIndexError(s, [&] { s.SetCapacity(TLumoStrings::kMaxListSize + 1); });
  ExpectIndexError(s, [&] { s.SetCapacity(2); });
  std::int32_t index = 5;
  ExpectIndexError(s, [&] { s.InsertText(index, "x\r\ny"); });
  EXPECT_EQ(index, 5);
  ExpectIndexError(s, [&] { s.Error(); });
}

TEST(LumoStringsIndex, InsertAtCountAppends) {
  TLumoStrings s;
  s.Add("a\r\n");
  s.Insert(1, B("b\0\0"));
  s.Insert(0, "z\r\n");
  EXPECT_EQ(Rows(s), (Strings{"z\r\n", "a\r\n", B("b\0\0")}));
  EXPECT_SOUND(s);
}

TEST(LumoStringsGrowth, AddAndInsertGrowByAtLeast32OrCountDiv128) {
  TLumoStrings s;
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Add("r"), 0);
  EXPECT_EQ(s.Capacity(), 32);
  for (int i = 1; i < 32; ++i) s.Add("r");
  EXPECT_EQ(s.Capacity(), 32);
  EXPECT_EQ(s.Add("r"), 32);
  EXPECT_EQ(s.Capacity(), 64);
  s.Insert(0, "i");
  EXPECT_EQ(s.Capacity(), 64);

  // With 6400 rows a full list grows by 6400 div 128 = 50.
  s.SetCount(6400);
  EXPECT_EQ(s.Capacity(), 6400);
  s.Insert(10, "i");
  EXPECT_EQ(s.Capacity(), 6450);
  EXPECT_EQ(s.Count(), 6401);
  EXPECT_EQ(s.Get(10), "i");
  EXPECT_EQ(s.Get(11), "r");
  EXPECT_EQ(s.Get(6000), "");  // rows made by SetCount are empty
  // 4095 div 128 = 31, so the minimum of 32 still applies.
  s.SetCount(4095);
  s.SetCapacity(4095);
  s.Add("r");
  EXPECT_EQ(s.Capacity(), 4095 + 32);
}

TEST(LumoStringsGrowth, SetCountAndSetCapacityRules) {
  TLumoStrings s;
  s.Assign(Strings{"a", "b", "c"});
  EXPECT_EQ(s.Capacity(), 3);
  s.SetCapacity(3);  // equal: nothing happens
  s.SetCapacity(10);
  EXPECT_EQ(s.Capacity(), 10);
  EXPECT_EQ(Rows(s), (Strings{"a", "b", "c"}));
  s.SetCapacity(3);  // down to Count is allowed
  EXPECT_EQ(s.Capacity(), 3);

  s.SetCount(1);  // shrinking releases rows and keeps the capacity
  EXPECT_EQ(s.Capacity(), 3);
  s.SetCount(3);  // the released rows come back empty, not with their old text
  EXPECT_EQ(Rows(s), (Strings{"a", "", ""}));
  s.SetCount(5);
  EXPECT_EQ(s.Capacity(), 5);
  EXPECT_EQ(s.Count(), 5);
}

TEST(LumoStringsGrowth, ClearDropsEverythingAndIsANoOpAtCapacityZero) {
  TLumoStrings s;
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), 0);
  s.Add("a");
  s.Delete(0);
  EXPECT_EQ(s.Capacity(), 32);  // Delete keeps the slots
  s.Clear();
  EXPECT_EQ(s.Capacity(), 0);
  s.Assign(Strings{"a", "b"});
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Add("new"), 0);
  EXPECT_EQ(Rows(s), Strings{"new"});
}

TEST(LumoStringsGrowth, AddStringsSizesToCountPlusItems) {
  TLumoStrings s;
  s.Add("a\r\n");
  EXPECT_EQ(s.Capacity(), 32);
  s.AddStrings(Strings{"b\r\n", B("c\0\0")});
  EXPECT_EQ(s.Capacity(), 3);  // shrinks to exactly what it holds
  EXPECT_EQ(Rows(s), (Strings{"a\r\n", "b\r\n", B("c\0\0")}));
  EXPECT_SOUND(s);

  Strings moved{"x", "y"};
  s.Assign(std::move(moved));
  EXPECT_EQ(Rows(s), (Strings{"x", "y"}));
  EXPECT_EQ(s.Capacity(), 2);
}

TEST(LumoStringsEdit, DeletePutAndSelfAliasing) {
  TLumoStrings s;
  s.Assign(Strings{"a\r\n", "bb\r\n", "ccc\r\n", B("\0\0")});
  s.Delete(1);
  EXPECT_EQ(Rows(s), (Strings{"a\r\n", "ccc\r\n", B("\0\0")}));
  EXPECT_EQ(s.Capacity(), 4);
  s.Put(1, s.Get(1).substr(1));  // a row rebuilt from its own bytes
  EXPECT_EQ(s.Get(1), "cc\r\n");
  s.Insert(0, s.Get(1));
  EXPECT_EQ(Rows(s), (Strings{"cc\r\n", "a\r\n", "cc\r\n", B("\0\0")}));
  EXPECT_SOUND(s);
}

TEST(LumoStringsEdit, RowViewsSurviveChangesToOtherRows) {
  TLumoStrings s;
  for (int i = 0; i < 100; ++i) s.Add("row " + std::to_string(i) + "\r\n");
  std::string_view held = s.Get(50);
  for (int i = 0; i < 5000; ++i) s.Insert(0, "front\r\n");  // the slot array moves
  s.Delete(0);
  s.Put(1, "changed\r\n");
  EXPECT_EQ(held, "row 50\r\n");
}

TEST(LumoStringsEdit, InsertTextSplitsAfterEachTerminator) {
  TLumoStrings s;
  s.Assign(Strings{"0\r\n", "1\r\n", "2\r\n", "3\r\n", B("4\0\0")});
  std::int32_t index = 3;
  s.InsertText(index, "x\r\ny");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(Rows(s), (Strings{"0\r\n", "1\r\n", "2\r\n", "x\r\n", "y", "3\r\n", B("4\0\0")}));
  EXPECT_EQ(s.Capacity(), s.Count());

  index = 0;
  s.InsertText(index, "p\r\nq\r\n");  // no empty piece after a final CR LF
  EXPECT_EQ(index, 1);
  EXPECT_EQ(s.Get(0), "p\r\n");
  EXPECT_EQ(s.Get(1), "q\r\n");
  EXPECT_EQ(s.Count(), 9);

  index = s.Count();
  s.InsertText(index, "");  // an empty text is one empty piece
  EXPECT_EQ(index, 9);
  EXPECT_EQ(s.Get(9), "");
}

TEST(LumoStringsEdit, SplittingPairsEachCrOrZeroWithTheNextByte) {
  struct Case {
    std::string text;
    Strings rows;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a\r\n", "b\r\n"}},
      {B("a\r\nb\0\0"), {"a\r\n", B("b\0\0")}},
      {B("\0\0"), {B("\0\0")}},
      {"ab\r", {B("ab\r\0")}},          // a final CR takes the trailing zero
      {B("ab\0"), {B("ab\0\0")}},      // so does a final zero
      {"a\nb", {"a\nb"}},               // LF alone does not split
      {"\r\n\r\n", {"\r\n", "\r\n"}},
      {"a\rbc", {"a\rb", "c"}},         // a lone CR takes the byte after it
      {"abc", {"abc"}},
      {"", {""}},
  };
  for (const Case& c : cases) {
    TLumoStrings s;
    s.SetText(c.text);
    EXPECT_EQ(Rows(s), c.rows) << "SetText of " << testing::PrintToString(c.text);
    EXPECT_EQ(s.Capacity(), s.Count());
    std::int32_t index = 0;
    TLumoStrings t;
    t.InsertText(index, c.text);
    EXPECT_EQ(Rows(t), c.rows) << "InsertText of " << testing::PrintToString(c.text);
    EXPECT_EQ(index, static_cast<std::int32_t>(c.rows.size()) - 1);
  }
}

TEST(LumoStringsEdit, SetTextReplacesAndGetTextDropsTheEndMarker) {
  TLumoStrings s;
  s.Assign(Strings{"old\r\n", B("\0\0")});
  s.SetText(B("one\r\ntwo\r\nthree\0\0"));
  EXPECT_EQ(Rows(s), (Strings{"one\r\n", "two\r\n", B("three\0\0")}));
  EXPECT_SOUND(s);
  EXPECT_EQ(s.GetText(), "one\r\ntwo\r\nthree");
  // Wrapped rows join back into their line.
  s.Assign(Strings{"ab", "cd\r\n", B("e\0\0")});
  EXPECT_EQ(s.GetText(), "abcd\r\ne");
  s.Clear();
  EXPECT_EQ(s.GetText(), "");

  // A large text: Capacity ends equal to Count.
  std::string big;
  for (int i = 0; i < 1000; ++i) big += "line " + std::to_string(i) + "\r\n";
  big += std::string("\0\0", 2);
  s.SetText(big);
  EXPECT_EQ(s.Count(), 1001);
  EXPECT_EQ(s.Capacity(), 1001);
  EXPECT_EQ(s.Get(999), "line 999\r\n");
  EXPECT_SOUND(s);
}

TEST(LumoStringsStream, LoadsFromTheCurrentPositionAndSavesTheText) {
  std::stringstream in(std::string("skip") + "a\r\nb\r\n" + std::string("\0\0", 2));
  in.seekg(4);
  TLumoStrings s;
  s.Add("old");
  s.LoadFromStream(in);
  EXPECT_EQ(Rows(s), (Strings{"a\r\n", "b\r\n", B("\0\0")}));
  EXPECT_SOUND(s);
  std::ostringstream out;
  s.SaveToStream(out);
  EXPECT_EQ(out.str(), "a\r\nb\r\n");

  std::istringstream atEnd("abc");
  atEnd.seekg(3);
  s.LoadFromStream(atEnd);
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(LumoStringsCommaText, QuotesItemsWithSpacesOrCommas) {
  TLumoStrings s;
  EXPECT_EQ(s.GetCommaText(), "");
  s.Assign(Strings{"a", "b c", "d,e", "say \"hi\"", ""});
  EXPECT_EQ(s.GetCommaText(), "a,\"b c\",\"d,e\",\"say \"hi\"\",");
}

TEST(LumoStringsCommaText, ReadsQuotedAndPlainItems) {
  TLumoStrings s;
  s.Add("old");
  s.SetCommaText("a,\"b c\",,\"d,e\",f");
  EXPECT_EQ(Rows(s), (Strings{"a", "b c", "", "d,e", "f"}));
  s.SetCommaText("a,");
  EXPECT_EQ(Rows(s), Strings{"a"});
  s.SetCommaText("ab\r\ncd");  // CR ends an item too
  EXPECT_EQ(Rows(s), (Strings{"ab", "\ncd"}));
  s.SetCommaText("\"open");
  EXPECT_EQ(Rows(s), Strings{"open"});
  s.SetCommaText("");
  EXPECT_EQ(s.Count(), 0);
  // A list without quotes or separators inside items survives the round trip.
  s.Assign(Strings{"x", "y z", "w,v"});
  TLumoStrings t;
  t.SetCommaText(s.GetCommaText());
  EXPECT_EQ(Rows(t), Rows(s));
}

TEST(LumoStringsIndexOf, MatchesWholeRowsIncludingTerminators) {
  TLumoStrings s;
  EXPECT_EQ(s.IndexOf(""), -1);
  s.Assign(Strings{"a\r\n", "b\r\n", "a\r\n", B("b\0\0")});
  EXPECT_EQ(s.IndexOf("a\r\n"), 0);
  EXPECT_EQ(s.IndexOf("a"), -1);
  EXPECT_EQ(s.IndexOf(B("b\0\0")), 3);
  EXPECT_EQ(s.IndexOf("b\r\n"), 1);
}

TEST(LumoStringsInvariant, ReportsEachKindOfFault) {
  TLumoStrings s;
  EXPECT_EQ(s.CheckInvariant(), "");
  s.Assign(Strings{"a\r\n", B("b\0\0")});
  EXPECT_EQ(s.CheckInvariant(), "");
  s.Assign(Strings{"wrapped", B("row\0\0")});
  EXPECT_EQ(s.CheckInvariant(), "");

  const Strings faulty[] = {
      {"a\r\n", "", B("\0\0")},        // empty row
      {"a\r\n", "b\r\n"},               // no end marker
      {B("a\0\0"), B("\0\0")},          // end marker before the last row
      {"a\nb\r\n", B("\0\0")},          // LF inside a row
      {"a\rb\r\n", B("\0\0")},          // CR inside a row
      {B("a\0b\r\n"), B("\0\0")},       // zero byte inside a row
      {B("a\r\n\0\0")},                 // CR LF before the end marker
  };
  for (const Strings& rows : faulty) {
    s.Assign(rows);
    EXPECT_NE(s.CheckInvariant(), "") << testing::PrintToString(rows);
  }
}

}  // namespace
}  // namespace quiret::test
