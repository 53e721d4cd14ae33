// Row list behaviour of TLumoStrings: index errors, growth and capacity, text forms.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "tests/text/LineStoreTestUtil.h"

namespace quiret::test {
namespace {

TEST(LumoStringsList, OutOfRangeRaisesTheListErrorAndChangesNothing) {
  TLumoStrings s;
  s.Assign(Strings{"a\r\n", "b\r\n", B("c\0\0")});
  std::int32_t index = 5;
  const std::function<void()> ops[] = {[&] { s.Get(3); },
                                       [&] { s.Get(-1); },
                                       [&] { s.Put(3, "x"); },
                                       [&] { s.Delete(3); },
                                       [&] { s.DeleteRange(2, 2); },
                                       [&] { s.DeleteRange(-1, 1); },
                                       [&] { s.Insert(4, "x"); },
                                       [&] { s.Insert(-1, "x"); },
                                       [&] { s.SetCount(-1); },
                                       [&] { s.SetCount(TLumoStrings::kMaxListSize + 1); },
                                       [&] { s.SetCapacity(TLumoStrings::kMaxListSize + 1); },
                                       [&] { s.SetCapacity(2); },
                                       [&] { s.InsertText(index, "x\r\ny"); }};
  for (const auto& op : ops) {
    try {
      op();
      ADD_FAILURE() << "no index error";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "インデックスがリストの範囲を超えています");
    }
    EXPECT_EQ(Rows(s), (Strings{"a\r\n", "b\r\n", B("c\0\0")}));
    EXPECT_EQ(s.Capacity(), 3);
  }
  EXPECT_EQ(index, 5);
  s.Insert(3, "d");  // Insert at Count appends
  EXPECT_EQ(s.Get(3), "d");
  s.Put(0, "a longer row made of many bytes\r\n");
  s.Put(0, s.Get(0).substr(2));  // a row rebuilt from its own bytes
  s.Insert(1, s.Get(0));
  EXPECT_EQ(s.Get(0), "longer row made of many bytes\r\n");
  EXPECT_EQ(s.Get(1), s.Get(0));
}

TEST(LumoStringsList, DeleteRangeRemovesExactlyThoseRows) {
  TLumoStrings s;
  s.Assign(Strings{"a\r\n", "b", "c\r\n", "d\r\n", B("e\0\0")});
  s.DeleteRange(1, 0);
  s.DeleteRange(1, 2);
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Get(1), "d\r\n");
  EXPECT_EQ(s.Get(2), B("e\0\0"));
  EXPECT_EQ(s.LfRowsBefore(2), 2);
  EXPECT_EQ(s.CheckInvariant(), "");
}

TEST(LumoStringsList, GrowthAndCapacityRules) {
  TLumoStrings s;
  EXPECT_EQ(s.Add("r"), 0);
  EXPECT_EQ(s.Capacity(), 32);
  for (int i = 1; i < 32; ++i) s.Add("r");
  s.Insert(0, "i");  // full at 32: grows by the minimum of 32
  EXPECT_EQ(s.Capacity(), 64);
  s.SetCount(6400);  // raises Capacity to exactly the count; new rows are empty
  EXPECT_EQ(s.Capacity(), 6400);
  EXPECT_EQ(s.Get(6000), "");
  s.Insert(10, "i");  // 6400 div 128 = 50
  EXPECT_EQ(s.Capacity(), 6450);
  EXPECT_EQ(s.Get(10), "i");

  s.Assign(Strings{"a", "b", "c"});
  EXPECT_EQ(s.Capacity(), 3);
  s.SetCapacity(10);
  s.SetCount(1);  // releases rows, keeps the capacity
  EXPECT_EQ(s.Capacity(), 10);
  s.SetCount(3);  // released rows come back empty, not with their old text
  EXPECT_EQ(Rows(s), (Strings{"a", "", ""}));
  s.AddStrings(Strings{"d"});  // Capacity := Count + items
  EXPECT_EQ(s.Capacity(), 4);
  s.Delete(0);
  EXPECT_EQ(s.Capacity(), 4);
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), 0);
  s.Clear();  // nothing to do at Capacity 0
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(LumoStringsList, TextSplitsTwoBytesAfterEachCrOrZero) {
  const std::pair<std::string, Strings> cases[] = {
      {"a\r\nb\r\n", {"a\r\n", "b\r\n"}},  // no empty piece after a final CR LF
      {B("a\r\nb\0\0"), {"a\r\n", B("b\0\0")}},
      {"ab\r", {B("ab\r\0")}},  // a final CR or zero takes the string's trailing zero
      {B("ab\0"), {B("ab\0\0")}},
      {"a\nb", {"a\nb"}},  // LF alone does not split
      {"a\rbc", {"a\rb", "c"}},
      {"", {""}},
  };
  for (const auto& [text, rows] : cases) {
    TLumoStrings s;
    s.SetText(text);
    EXPECT_EQ(Rows(s), rows) << testing::PrintToString(text);
    EXPECT_EQ(s.Capacity(), s.Count());
  }
  TLumoStrings s;
  s.Assign(Strings{"0\r\n", "1\r\n", "2\r\n", "3\r\n", B("4\0\0")});
  std::int32_t index = 3;
  s.InsertText(index, "x\r\ny");
  EXPECT_EQ(index, 4);
  EXPECT_EQ(Rows(s), (Strings{"0\r\n", "1\r\n", "2\r\n", "x\r\n", "y", "3\r\n", B("4\0\0")}));
  EXPECT_EQ(s.Capacity(), 7);
  EXPECT_EQ(s.GetText(), "0\r\n1\r\n2\r\nx\r\ny3\r\n4");
}

TEST(LumoStringsList, StreamsCommaTextAndIndexOf) {
  std::stringstream in(std::string("skip") + B("a\r\nb\r\n\0\0"));
  in.seekg(4);
  TLumoStrings s;
  s.LoadFromStream(in);
  EXPECT_EQ(Rows(s), (Strings{"a\r\n", "b\r\n", B("\0\0")}));
  EXPECT_SOUND(s);
  std::ostringstream out;
  s.SaveToStream(out);
  EXPECT_EQ(out.str(), "a\r\nb\r\n");
  EXPECT_EQ(s.IndexOf("b\r\n"), 1);
  EXPECT_EQ(s.IndexOf("b"), -1);  // the terminator is part of the row

  s.Assign(Strings{"a", "b c", "d,e", "say \"hi\"", ""});
  EXPECT_EQ(s.GetCommaText(), "a,\"b c\",\"d,e\",\"say \"hi\"\",");
  s.SetCommaText("a,\"b c\",,\"d,e\",f\r\ng");
  EXPECT_EQ(Rows(s), (Strings{"a", "b c", "", "d,e", "f", "\ng"}));
  s.Clear();
  EXPECT_EQ(s.GetCommaText(), "");
}

TEST(LumoStringsList, RecutSplitsAndJoinsRowsKeepingEveryByte) {
  const Strings start{"abc", "de\r\n", B("f\0\0")};
  const std::string all = B("abcde\r\nf\0\0");
  const std::vector<std::uint32_t> cuts[] = {{7, 3}, {1, 1, 1, 4, 3}, {3, 4, 3}, {2, 5, 1, 2}};
  for (const auto& lengths : cuts) {
    TLumoStrings s;
    s.Assign(start);
    s.SetCapacity(40);
    s.Recut(lengths);
    EXPECT_EQ(Rows(s), CutText(all, lengths)) << testing::PrintToString(lengths);
    EXPECT_EQ(s.Count(), static_cast<std::int32_t>(lengths.size()));
    EXPECT_EQ(s.Capacity(), s.Count());
    EXPECT_SOUND(s);
  }
  // Lengths that miss or overrun the text raise the index error and change nothing.
  for (const std::vector<std::uint32_t>& wrong : {std::vector<std::uint32_t>{7, 2}, {7, 4}, {}, {0, 9}}) {
    TLumoStrings s;
    s.Assign(start);
    EXPECT_THROW(s.Recut(wrong), EListError) << testing::PrintToString(wrong);
    EXPECT_EQ(Rows(s), start);
    EXPECT_EQ(s.Capacity(), 3);
  }
  // Empty rows are read past and can be made; an empty store cuts into nothing.
  TLumoStrings s;
  s.Assign(Strings{"", "ab", "", ""});
  s.Recut({1, 0, 1});
  EXPECT_EQ(Rows(s), (Strings{"a", "", "b"}));
  s.Clear();
  s.Recut({});
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(LumoStringsList, RecutOfLoadedEditedAndHugeRows) {
  // Loaded rows live in shared blocks, Put rows on their own, a very long row in a block of
  // its own; a recut reads all of them and the result can be edited and recut again.
  ScratchDir dir;
  std::string text;
  for (int i = 0; i < 30000; ++i) text += std::string(1 + i % 97, static_cast<char>('a' + i % 26)) + "\r\n";
  text += std::string(700000, 'L') + "\r\n";
  text += "end";
  TLumoStrings s;
  s.LoadFromFile(dir.Write("big.txt", text));
  s.Put(5, "put row\r\n");
  std::string all;
  for (const std::string& row : Rows(s)) all += row;
  ASSERT_EQ(all.size(), text.size() + 2 + 1);  // the end marker; "put row\r\n" replaced "ffffff\r\n"

  std::vector<std::uint32_t> lengths;
  for (std::size_t at = 0, k = 0; at < all.size(); ++k) {
    std::size_t n = std::min<std::size_t>(all.size() - at, k % 50 == 0 ? 600001 : 1 + k * 7 % 123);
    lengths.push_back(n);
    at += n;
  }
  s.Recut(lengths);
  ASSERT_EQ(Rows(s), CutText(all, lengths));
  EXPECT_EQ(s.Capacity(), s.Count());

  // Back to one row per line: the store is as loaded, apart from the Put row.
  std::vector<std::uint32_t> lines;
  for (std::size_t at = 0; at < all.size();) {
    std::size_t end = all.find("\r\n", at);
    end = end == std::string::npos ? all.size() : end + 2;
    lines.push_back(end - at);
    at = end;
  }
  s.Put(1, s.Get(1));
  s.Recut(lines);
  EXPECT_EQ(Rows(s), CutText(all, lines));
  EXPECT_SOUND(s);
}

TEST(LumoStringsList, InvariantReportsEachKindOfFault) {
  TLumoStrings s;
  s.Assign(Strings{"wrapped", "a\r\n", B("b\0\0")});
  EXPECT_EQ(s.CheckInvariant(), "");
  const Strings faulty[] = {
      {"a\r\n", "", B("\0\0")}, {"a\r\n", "b\r\n"},      {B("a\0\0"), B("\0\0")},
      {"a\nb\r\n", B("\0\0")},  {"a\rb\r\n", B("\0\0")}, {B("a\0b\r\n"), B("\0\0")},
  };
  for (const Strings& rows : faulty) {
    s.Assign(rows);
    EXPECT_NE(s.CheckInvariant(), "") << testing::PrintToString(rows);
  }
}

}  // namespace
}  // namespace quiret::test
