// Files of mixed line ends edited at random through the editor and saved: every line nobody
// touched keeps its own break, in every encoding that keeps a file's line ends, with word
// wrap or without, after edits, deletions, undo and redo around it.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <set>

#include "platform/Codec932.h"
#include "platform/IniFile.h"
#include "tests/support/IconvText.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

using test::Iconv;

struct Line {
  std::string text;  // UTF-8
  std::string brk;   // "\r\n", "\n", "\r" or "" (the last)
};

// The lines of a text and the break after each, as the line store reads them.
std::vector<Line> SplitLines(const std::string& s) {
  std::vector<Line> lines(1);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\r' && s[i] != '\n') {
      lines.back().text += s[i];
      continue;
    }
    const bool crlf = s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n';
    lines.back().brk = crlf ? "\r\n" : std::string(1, s[i]);
    i += crlf;
    lines.emplace_back();
  }
  return lines;
}

// Bytes in encoding `from` as UTF-8.
std::string FromEncoding(const char* from, std::string bytes) {
  iconv_t cd = iconv_open("UTF-8", from);
  std::string out(bytes.size() * 3 + 16, '\0');
  char* in = bytes.data();
  char* o = out.data();
  std::size_t inLeft = bytes.size(), outLeft = out.size();
  const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  EXPECT_NE(r, static_cast<std::size_t>(-1)) << from;
  out.resize(out.size() - outLeft);
  return out;
}

// The line numbers "<n>" a text holds.
std::vector<int> Ids(const std::string& text) {
  std::vector<int> ids;
  for (std::size_t at = 0; (at = text.find('<', at)) != std::string::npos; ++at) {
    const std::size_t end = text.find('>', at);
    if (end == std::string::npos) break;
    const std::string digits = text.substr(at + 1, end - at - 1);
    if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos)
      ids.push_back(std::stoi(digits));
  }
  return ids;
}

TEST(ShellLineEnds, UntouchedLinesKeepTheirBreakThroughRandomEdits) {
  const struct {
    Encoding enc;
    const char* iconvName;
    std::string bom;
  } kinds[] = {
      {Encoding::Utf8, "UTF-8", ""},
      {Encoding::EucJp, "EUC-JP", ""},
      {Encoding::Utf16Le, "UTF-16LE", "\xFF\xFE"},
      {Encoding::Utf16Be, "UTF-16BE", ""},
      {Encoding::Iso2022Jp, "ISO-2022-JP", ""},
      {Encoding::ShiftJis, "CP932", ""},
  };
  const char* const words[] = {"日本語", "かな", "カナ", "abc", "漢字", "の", "x", "テキスト"};
  const char* const breaks[] = {"\n", "\n", "\n", "\r\n", "\r"};
  int checked = 0;
  for (int seed = 0; seed < 24; ++seed) {
    const auto& kind = kinds[seed % std::size(kinds)];
    const bool wrap = seed / std::size(kinds) % 2 == 1;
    SCOPED_TRACE(std::string(kind.iconvName) + (wrap ? " wrapped" : "") + " seed " + std::to_string(seed));
    std::mt19937 rng(static_cast<unsigned>(seed));
    auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
    std::vector<Line> original;
    std::string utf8;
    for (int i = 0; i < 120; ++i) {
      Line l{"<" + std::to_string(i) + ">", breaks[(i == 0 ? 0 : pick(std::size(breaks)))]};
      for (int k = pick(6); k >= 0; --k) l.text += words[pick(std::size(words))];
      utf8 += l.text + l.brk;
      original.push_back(l);
    }
    TestShell s;
    IniFile(s.settingsPath).WriteBool("Encoding", "KeepLineEnds", true);
    TFormBase& f = s.Start();
    const std::string path = s.Write("mixed.txt", kind.bom + *Iconv(kind.iconvName, utf8));
    f.OpenFile(path, kind.enc);
    const std::string status = s.status.panels[kFormatPanel];
    ASSERT_NE(status.find("（改行混在）"), std::string::npos) << status;
    TLumoEdit& ed = *f.ActiveEditor();
    if (wrap) {
      ed.SetColumn(12);
      ed.SetWordWrap(true);
      ed.ApplySettings();
    }
    auto lines = [&] { return SplitLines(Codec932::Instance().ToUtf8(ed.Lines->GetText())); };
    std::set<int> touched;
    auto touch = [&](int from, int to) {  // lines [from, to], 0-based, as they are now
      const std::vector<Line> now = lines();
      for (int n = std::max(from, 0); n <= to && n < static_cast<int>(now.size()); ++n)
        for (const int id : Ids(now[static_cast<std::size_t>(n)].text)) touched.insert(id);
    };
    for (int step = 0; step < 150; ++step) {
      const int count = static_cast<int>(lines().size());
      const int n = pick(static_cast<std::size_t>(count));  // 0-based line
      f.GoToLine(n + 1);
      switch (pick(8)) {
        case 0:
          touch(n, n);
          ed.TypeText("Z");
          break;
        case 1:
          touch(n, n);
          for (int k = pick(4); k > 0; --k) ed.CaretRight(false);
          ed.NewLine();
          break;
        case 2:
          touch(n - 1, n);
          ed.DeleteCharBefore();  // at the line's start: joins it to the one before
          break;
        case 3: {
          for (int k = 1 + pick(4); k > 0; --k) ed.CaretUpDown(1, true);
          touch(n, ed.Lines->LfRowsBefore(ed.CaretRow));
          ed.DeleteChar();
          break;
        }
        case 4:
          touch(n, n);
          ed.WmImeResult(Codec932::Instance().FromUtf8("新\r\nしい行\r\n"));
          break;
        case 5:
        case 6:
          ed.Undo();
          break;
        default:
          ed.Redo();
          break;
      }
      ASSERT_EQ(ed.CheckInvariant(), "") << "step " << step;
    }
    if (!ed.GetModified()) ed.TypeText("Z");
    ASSERT_TRUE(f.Execute("FileSave"));
    std::string bytes = TestShell::Read(path);
    ASSERT_TRUE(bytes.starts_with(kind.bom));
    // The file reads back as the text shown, line for line.
    std::string text = bytes.substr(kind.bom.size());
    std::string shown;
    for (const Line& l : lines()) shown += l.text + (l.brk.empty() ? "" : "\n");
    std::string read;
    const std::vector<Line> saved = SplitLines(FromEncoding(kind.iconvName, text));
    for (const Line& l : saved) read += l.text + (l.brk.empty() ? "" : "\n");
    ASSERT_EQ(read, shown);
    bool otherKept = false;
    for (const Line& l : saved) {
      const std::vector<int> ids = Ids(l.text);
      if (ids.size() != 1 || touched.count(ids[0]) ||
          l.text != original[static_cast<std::size_t>(ids[0])].text)
        continue;
      EXPECT_EQ(l.brk, original[static_cast<std::size_t>(ids[0])].brk) << l.text;
      otherKept = otherKept || l.brk != original[0].brk;
      ++checked;
    }
    if (otherKept) {
      EXPECT_EQ(s.status.panels[kFormatPanel], status);
    }
  }
  EXPECT_GE(checked, 24 * 20) << checked;
}

}  // namespace
}  // namespace quiret
