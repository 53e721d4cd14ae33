// Find and replace against a simple reference search on the logical text: random lines of
// ASCII letters and double-byte characters whose trail bytes look like ASCII letters, wrapped
// at a narrow column, random search texts, both case modes.
#include <random>

#include "editor/FindMatcher.h"
#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

class FindRandomTest : public EditorFixture {
 protected:
  // Every match start (whole characters only), overlapping ones included, per line.
  static std::vector<LinePos> AllMatches(const std::vector<std::string>& lines, std::string needle,
                                         bool matchCase) {
    if (!matchCase) FindMatcher::FoldCase(needle);
    std::vector<LinePos> out;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      std::string line = lines[l];
      if (!matchCase) FindMatcher::FoldCase(line);
      for (std::size_t i = 0; i < line.size(); i += static_cast<std::size_t>(CharLen(line, i)))
        if (line.compare(i, needle.size(), needle) == 0)
          out.push_back(LinePos{static_cast<std::int32_t>(i), static_cast<std::int32_t>(l)});
    }
    return out;
  }
  static int CharLen(const std::string& s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    return (b == 0x82 || b == 0x83) && i + 1 < s.size() ? 2 : 1;
  }
  LinePos SelStart() {
    RowPos lo, hi;
    edit.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    return edit.ToLine(lo);
  }
};

TEST_F(FindRandomTest, FindAndReplaceAllAgreeWithAReferenceSearch) {
  const std::vector<std::string> pieces = {"a",        "A",        "b",        " ",
                                           "\x83\x41", "\x82\x60", "\x82\x81", "\x83\x61"};
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Create();
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines(static_cast<std::size_t>(pick(1, 5)));
    for (std::string& l : lines)
      for (int k = pick(0, 24); k > 0; --k) l += pieces[static_cast<std::size_t>(pick(0, 7))];
    std::string needle, repl;
    for (int k = pick(1, 3); k > 0; --k) needle += pieces[static_cast<std::size_t>(pick(0, 7))];
    for (int k = pick(0, 3); k > 0; --k) repl += pieces[static_cast<std::size_t>(pick(0, 7))];
    const bool matchCase = pick(0, 1) == 1;
    const TFindOptions o{matchCase, false};
    std::string trace = "round " + std::to_string(round) + " needle " + needle + " lines";
    for (const std::string& l : lines) trace += " [" + l + "]";
    SCOPED_TRACE(trace);
    edit.SetWordWrap(false);
    SetLines(lines);
    edit.SetColumn(10 + pick(0, 3));
    edit.SetWordWrap(true);
    edit.SetModified(false);
    edit.ClearUndoList();
    const std::string original = edit.Lines->GetText();
    const std::vector<LinePos> all = AllMatches(lines, needle, matchCase);

    // Forward: each search continues after the selected match.
    std::vector<LinePos> expect, got;
    for (const LinePos& p : all)
      if (expect.empty() || p.Line != expect.back().Line ||
          p.Offset >= expect.back().Offset + static_cast<std::int32_t>(needle.size()))
        expect.push_back(p);
    edit.MoveToTextStart();
    while (edit.FindText(needle, o, false) && got.size() <= expect.size()) got.push_back(SelStart());
    ASSERT_EQ(expect, got);
    // Backward from the end: each time the last match that starts before the selection.
    expect.assign(all.rbegin(), all.rend());
    got.clear();
    edit.EndSelection();  // the last match may already end at the end of the text
    edit.MoveToTextEnd();
    while (edit.FindText(needle, o, true) && got.size() <= expect.size()) got.push_back(SelStart());
    ASSERT_EQ(expect, got);

    // Replace all: the forward matches replaced; one undo restores every byte.
    std::string replaced;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      std::string line;
      std::size_t copied = 0;
      for (const LinePos& p : AllMatches({lines[l]}, needle, matchCase))
        if (static_cast<std::size_t>(p.Offset) >= copied) {
          line += lines[l].substr(copied, static_cast<std::size_t>(p.Offset) - copied) + repl;
          copied = static_cast<std::size_t>(p.Offset) + needle.size();
        }
      replaced += line + lines[l].substr(copied) + (l + 1 < lines.size() ? "\r\n" : "");
    }
    edit.ReplaceAll(needle, repl, o, false);
    ASSERT_EQ(replaced, edit.Lines->GetText());
    ASSERT_EQ("", edit.Lines->CheckInvariant());
    edit.Undo();
    ASSERT_EQ(original, edit.Lines->GetText());
    ASSERT_EQ("", edit.Lines->CheckInvariant());
    ASSERT_FALSE(edit.GetModified());
  }
}

// The compound record survives its encoding, and its inverse undoes the column shifts.
TEST(ReplacePiecesTest, RecordRoundTripsAndInverts) {
  const std::vector<ReplacePiece> pieces = {
      {0, 1, "ab", "xyz"}, {0, 5, "ab", "xyz"}, {3, 0, "AB", ""}, {300, 200, "AB", ""}};
  const std::string text = EncodeReplacePieces(pieces);
  const std::vector<ReplacePiece> back = DecodeReplacePieces(text);
  ASSERT_EQ(pieces.size(), back.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_EQ(pieces[i].Line, back[i].Line);
    EXPECT_EQ(pieces[i].Col, back[i].Col);
    EXPECT_EQ(pieces[i].Cur, back[i].Cur);
    EXPECT_EQ(pieces[i].Repl, back[i].Repl);
  }
  const std::vector<ReplacePiece> inv = InverseReplacePieces(pieces);
  EXPECT_EQ(1, inv[0].Col);
  EXPECT_EQ(6, inv[1].Col);  // after the first piece grew the line by one byte
  EXPECT_EQ("xyz", inv[1].Cur);
  EXPECT_EQ(0, inv[2].Col);
  EXPECT_THROW(DecodeReplacePieces(text.substr(0, text.size() - 1)), std::runtime_error);
}

// Bytes the code page does not define keep their offsets through the UTF-8 form and back.
TEST(ReplacePiecesTest, MappedUtf8KeepsUndefinedBytes) {
  const std::string cp = std::string("a\x80\x83\x41\x85\x40\xFD", 7) + "\xEF\xFC" + "z";
  std::string utf8;
  std::vector<std::size_t> map;
  ToUtf8Mapped(cp, utf8, map);
  EXPECT_EQ(cp, FromUtf8Mapped(utf8));
  EXPECT_EQ(cp.size(), map.back());
  EXPECT_TRUE(std::is_sorted(map.begin(), map.end()));
}

}  // namespace
}  // namespace quiret
