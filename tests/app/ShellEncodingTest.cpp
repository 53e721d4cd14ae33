// Files in other encodings through the shell: how each opens (the status line, editable or
// not, what the user is told), what a save writes after one typed character, Save As with
// another encoding and line end, reopening in a chosen encoding, the command line and the
// reopen list.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "tests/support/IconvText.h"
#include "tests/support/TestShell.h"
#include "text/EncodingGuess.h"

namespace quiret {
namespace {

using test::Iconv;

const char kJapanese[] = "日本語のテキスト\nｶﾀｶﾅと〜\n";
// Japanese prose: in UTF-16 its zero bytes sit on both sides of the byte pairs.
const char kProse[] =
    "　吾輩は猫である。　名前はまだ無い。\r\n　一つ、どこで生れたかとんと見当がつかぬ。\r\n";

std::string Crlf(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// Opened as they come, one character typed at the start and saved: the file is its old
// bytes with that character, in its own encoding, byte-order mark and line ends.
TEST(ShellEncoding, FilesOpenInTheirEncodingAndSaveInIt) {
  const struct {
    std::string bytes, status, typed;
    bool keepLineEnds = false;
  } cases[] = {
      {kJapanese, "UTF-8 · LF", "x" + std::string(kJapanese)},
      {"\xEF\xBB\xBF" + Crlf(kJapanese), "UTF-8 BOM · CRLF", "\xEF\xBB\xBFx" + Crlf(kJapanese)},
      {"\xFF\xFE" + *Iconv("UTF-16LE", kJapanese), "UTF-16LE BOM · LF",
       "\xFF\xFE" + *Iconv("UTF-16LE", "x" + std::string(kJapanese))},
      {*Iconv("UTF-16BE", Crlf(kJapanese)), "UTF-16BE · CRLF", *Iconv("UTF-16BE", "x" + Crlf(kJapanese))},
      {*Iconv("EUC-JP", "吾輩は猫である。名前はまだ無い。\rどこで生れたかとんと見当がつかぬ。\r"),
       "EUC-JP · CR",
       *Iconv("EUC-JP", "x吾輩は猫である。名前はまだ無い。\rどこで生れたかとんと見当がつかぬ。\r")},
      {*Iconv("CP932", "a\nb\n"), "Shift-JIS · CRLF", "xa\r\nb\r\n"},
      // Without a byte-order mark: Japanese UTF-16 (zero bytes on both sides), ISO-2022-JP.
      {*Iconv("UTF-16LE", kProse), "UTF-16LE · CRLF", *Iconv("UTF-16LE", "x" + std::string(kProse))},
      {*Iconv("UTF-16BE", kProse), "UTF-16BE · CRLF", *Iconv("UTF-16BE", "x" + std::string(kProse))},
      {*Iconv("ISO-2022-JP", "日本語のテキスト\nカタカナ\n"), "ISO-2022-JP · LF",
       *Iconv("ISO-2022-JP", "x日本語のテキスト\nカタカナ\n")},
      // Mixed line ends: each line keeps its own.
      {*Iconv("CP932", "a\nb\r\nc"), "Shift-JIS · LF（改行混在）", "xa\nb\r\nc", true},
      {"日本\r\nb\nc\rd", "UTF-8 · CRLF（改行混在）", "x日本\r\nb\nc\rd"},
      {*Iconv("EUC-JP", "かな\nカナ\r\n漢字\r"), "EUC-JP · LF（改行混在）",
       *Iconv("EUC-JP", "xかな\nカナ\r\n漢字\r")},
      {"\xFE\xFF" + *Iconv("UTF-16BE", "あ\rい\n\n"), "UTF-16BE BOM · CR（改行混在）",
       "\xFE\xFF" + *Iconv("UTF-16BE", "xあ\rい\n\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    TestShell s;
    IniFile(s.settingsPath).WriteBool("Encoding", "KeepLineEnds", c.keepLineEnds);
    TFormBase& f = s.Start();
    const std::string path = s.Write("a.txt", c.bytes);
    f.OpenFile(path);
    EXPECT_EQ(s.status.panels[kFormatPanel], c.status);
    EXPECT_EQ(s.status.panels[kNoticePanel], "");
    EXPECT_TRUE(s.boxes.shown.empty());
    f.Execute("FileSave");  // nothing to save yet
    EXPECT_EQ(TestShell::Read(path), c.bytes);
    s.Modify();
    EXPECT_TRUE(f.Execute("FileSave"));
    EXPECT_EQ(TestShell::Read(path), c.typed);
    EXPECT_EQ(s.status.panels[kFormatPanel], c.status);
  }
}

// Bytes the rows leave out (zero bytes) or a file that would be written back otherwise: the
// text opens read-only, and the first such place is named with its line.
TEST(ShellEncoding, ZeroBytesAndOtherEscapesOpenReadOnlyNamingTheirLine) {
  const char kNul[] = "行目に NUL 文字 (U+0000) があり、テキストに入れられません。";
  const struct {
    std::string bytes;
    bool automatic;
    std::string what, status;  // the message names the place and the encoding of the status
  } cases[] = {
      {std::string("a\r\nb\r\nc\0d\r\n", 10), true, std::string("3 ") + kNul, "Shift-JIS · CRLF"},
      {std::string("abc\r\n\0\0", 7), true, std::string("2 ") + kNul, "Shift-JIS · CRLF"},
      // Read as Shift-JIS when the encoding is not chosen by the file.
      {*Iconv("UTF-16LE", kProse), false, std::string("1 ") + kNul, "Shift-JIS · CRLF"},
      {"\xFF\xFE" + *Iconv("UTF-16LE", "あ\nい\n") + std::string("\0\0\n\0", 4), true,
       std::string("3 ") + kNul, "UTF-16LE BOM · LF"},
      // The older sets of ISO-2022-JP read, but are written back in the newer ones.
      {"\x1B$@F|K\\\x1B(J\n", true,
       "1 行目のバイト列 (40 46 7C 4B 5C 1B 28 4A) が、同じバイト列で書き戻せません。", "ISO-2022-JP · LF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    TestShell s;
    IniFile(s.settingsPath).WriteBool("Encoding", "AutoOpen", c.automatic);
    TFormBase& f = s.Start();
    const std::string path = s.Write("z.txt", c.bytes);
    f.OpenFile(path);
    const std::string enc = c.status.substr(0, c.status.find(' '));
    EXPECT_EQ(s.boxes.Texts("information"),
              std::vector<std::string>{path + "\r\n の " + c.what + "\r\n元のとおりに保存できないため、" +
                                       enc + " として読み取り専用で開きました。"});
    EXPECT_EQ(s.status.panels[kFormatPanel], c.status);
    EXPECT_EQ(s.status.panels[kNoticePanel], "元のとおりに保存できないため読み取り専用");
    TLumoEdit& ed = *f.ActiveEditor();
    EXPECT_TRUE(ed.ReadOnly);
    ed.TypeText("x");
    EXPECT_FALSE(ed.GetModified());
    EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
    EXPECT_EQ(TestShell::Read(path), c.bytes);
  }
}

// A character code page 932 lacks: the text is shown, read-only, and what it cannot hold
// is named with its line; the file can be written nowhere but under another name.
TEST(ShellEncoding, AFileThatWouldNotComeBackOpensReadOnlyAndIsNeverWrittenBack) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string bytes = "line one\nsmile \xF0\x9F\x98\x80 here\n";
  const std::string path = s.Write("emoji.txt", bytes);
  f.OpenFile(path);
  EXPECT_EQ(s.boxes.Texts("information"),
            std::vector<std::string>{
                path + "\r\n の 2 行目の「😀」(U+1F600) は Shift-JIS で表せない文字です（「〓」で表示して"
                       "います）。\r\n元のとおりに保存できないため、UTF-8 として読み取り専用で開きました。"});
  EXPECT_EQ(s.status.panels[1], "読み取り専用");
  EXPECT_EQ(s.status.panels[kNoticePanel], "元のとおりに保存できないため読み取り専用");
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(ed.Lines->GetText(), "line one\r\nsmile \x81\xAC here\r\n");
  ed.WmChar('x');
  ed.WmImeResult("\x82\xA0");
  EXPECT_FALSE(ed.GetModified());
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
  s.dialogs.saveNames = {path, s.Path("copy.txt")};
  f.Execute("FileSaveAs");
  EXPECT_EQ(s.boxes.Texts("information").back(),
            "このテキストはファイルの内容をそのまま表したものではないため、\r\n元のファイルに上書き保存するこ"
            "とはできません。");
  EXPECT_EQ(TestShell::Read(path), bytes);
  f.Execute("FileSaveAs");
  EXPECT_EQ(TestShell::Read(s.Path("copy.txt")), "line one\nsmile 〓 here\n");
  EXPECT_EQ(TestShell::Read(path), bytes);
}

// Bytes that do not read in the encoding a byte-order mark, the guess or the user named: the
// bytes are shown as Shift-JIS, read-only, and where they do not read is told.
TEST(ShellEncoding, BytesThatDoNotReadOpenAsShiftJisBytes) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string bom = s.Write("bom.txt",
                                  "\xEF\xBB\xBF"
                                  "ok\n\xFF\xFE!\n");
  f.OpenFile(bom);
  EXPECT_EQ(s.boxes.Texts("information").at(0),
            bom +
                "\r\n の 2 行目に UTF-8 として読めないバイト (FF FE 21 0A) があります。\r\nShift-JIS "
                "として読み取り専用で開きました。");
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "\xEF\xBB\xBFok\r\n\xFF\xFE!\r\n");
  EXPECT_EQ(s.status.panels[kFormatPanel], "Shift-JIS · CRLF");
  EXPECT_TRUE(f.ActiveEditor()->ReadOnly);
  const std::string odd = s.Write("odd.txt", std::string("\xFF\xFEh\0i", 5));
  f.OpenFile(odd);
  EXPECT_EQ(
      s.boxes.Texts("information").at(1),
      odd + "\r\n は UTF-16LE としてはバイト数が奇数です。\r\nShift-JIS として読み取り専用で開きました。");
  // Valid UTF-8 as far as the guess looks, then a byte that is not.
  std::string text;
  while (text.size() < kGuessSampleBytes + 10) text += "日本語の行\n";
  const std::string late = s.Write("late.txt", text + "\xFF\n");
  f.OpenFile(late);
  EXPECT_EQ(s.status.panels[kFormatPanel], "Shift-JIS · CRLF");
  EXPECT_EQ(s.status.panels[kNoticePanel], "UTF-8 として読めないため読み取り専用");
  EXPECT_TRUE(f.ActiveEditor()->ReadOnly);
  EXPECT_EQ(s.boxes.Texts("information").at(2),
            late + "\r\n の " + std::to_string(text.size() / 16 + 1) +
                " 行目に UTF-8 として読めないバイト (FF 0A) があります。\r\nShift-JIS "
                "として読み取り専用で開きました。");
}

TEST(ShellEncoding, SaveAsOffersEncodingAndLineEndAndRefusesWhatTheyCannotHold) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string path = s.Write("a.txt",
                                   "\xEF\xBB\xBF"
                                   "a\nb①\n");
  f.OpenFile(path);
  s.dialogs.saveNames = {s.Path("le.txt"), s.Path("euc.txt")};
  s.dialogs.saveChoices = {{3, 2}, {7, -1}};  // UTF-16LE BOM with CR, then EUC-JP
  s.Modify();
  f.Execute("FileSaveAs");
  const TSaveChoice& shown = s.dialogs.saveChoicePresets.at(0);
  EXPECT_EQ(shown.Encodings.at(shown.EncodingIndex), "UTF-8 BOM");
  EXPECT_EQ(shown.LineEnds, (std::vector<std::string>{"CR LF", "LF", "CR"}));
  EXPECT_EQ(shown.LineEndIndex, 1);
  EXPECT_EQ(TestShell::Read(s.Path("le.txt")), "\xFF\xFE" + *Iconv("UTF-16LE", "xa\rb①\r"));
  EXPECT_EQ(s.status.panels[kFormatPanel], "UTF-16LE BOM · CR");
  EXPECT_EQ(s.dialogs.saveChoicePresets.size(), 1u);
  s.Modify();
  f.Execute("FileSaveAs");
  EXPECT_EQ(
      s.boxes.Texts("information").back(),
      "2 行目の「①」は EUC-JP で保存できません。\r\n別の文字コードを「名前をつけて保存」で選んでください。");
  EXPECT_FALSE(FileExists(s.Path("euc.txt")));
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  EXPECT_EQ(s.status.panels[kFormatPanel], "UTF-16LE BOM · CR");
}

TEST(ShellEncoding, ReopenInAChosenEncodingAsksFirstWhenModified) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string euc = *Iconv("EUC-JP", "かな\n");
  const std::string path = s.Write("k.txt", euc);
  f.OpenFile(path);
  EXPECT_EQ(s.status.panels[kFormatPanel], "Shift-JIS · CRLF");  // too short to tell
  f.MenuPopup("MmReopen");
  EXPECT_TRUE(f.Checked("MmReopenShiftJis"));
  EXPECT_TRUE(f.MenuClick("MmReopenEucJp"));
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), *Iconv("CP932", "かな\r\n"));
  EXPECT_EQ(s.status.panels[kFormatPanel], "EUC-JP · LF");
  f.MenuPopup("MmReopen");
  EXPECT_TRUE(f.Checked("MmReopenEucJp"));
  EXPECT_FALSE(f.Checked("MmReopenShiftJis"));
  s.Modify();
  s.boxes.answers = {YesNoAnswer::No, YesNoAnswer::Yes};
  f.MenuClick("MmReopenShiftJis");
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  EXPECT_EQ(s.boxes.shown.back().text,
            "k.txt は変更されています。\r\n変更を破棄して Shift-JIS で開き直しますか？");
  EXPECT_TRUE(s.boxes.shown.back().defaultNo);
  f.MenuClick("MmReopenShiftJis");
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), euc.substr(0, 4) + "\r\n");
  f.Execute("FileNew");
  f.MenuPopup("MmFile");
  EXPECT_FALSE(f.ItemEnabled("MmReopenUtf8"));  // a new document has no file to read
}

// A reload after another program's change reads the file in the encoding it was asked for:
// bytes that no longer read in it make the text read-only Shift-JIS bytes with the place
// told, and a reload of sound bytes makes it editable, and saved in that encoding, again.
TEST(ShellEncoding, ReloadReadsInTheEncodingAskedForAndJudgesTheNewBytes) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string path = s.Write("k.txt", *Iconv("EUC-JP", "かな\n"));
  f.OpenFile(path);
  f.MenuClick("MmReopenEucJp");
  const struct {
    std::string bytes, text, status, notice;
    bool readOnly;
  } steps[] = {
      {*Iconv("EUC-JP", "漢字\r\nｶﾅ\r\n"), *Iconv("CP932", "漢字\r\nｶﾅ\r\n"), "EUC-JP · CRLF", "", false},
      {*Iconv("EUC-JP", "かな\n") + "\xA4", "\xA4\xAB\xA4\xCA\r\n\xA4", "Shift-JIS · CRLF",
       "EUC-JP として読めないため読み取り専用", true},
      {*Iconv("EUC-JP", "あ\r"), *Iconv("CP932", "あ\r\n"), "EUC-JP · CR", "", false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.status);
    s.Write("k.txt", step.bytes);
    s.boxes.answers = {YesNoAnswer::Yes};
    f.WindowActivated();
    TLumoEdit& ed = *f.ActiveEditor();
    EXPECT_EQ(ed.Lines->GetText(), step.text);
    EXPECT_EQ(s.status.panels[kFormatPanel], step.status);
    EXPECT_EQ(s.status.panels[kNoticePanel], step.notice);
    EXPECT_EQ(ed.ReadOnly, step.readOnly);
    ed.TypeText("y");
    EXPECT_EQ(ed.GetModified(), !step.readOnly);
    if (ed.GetModified()) ed.Undo();  // unmodified again, so that the next change is offered
    EXPECT_EQ(TestShell::Read(path), step.bytes);
  }
  EXPECT_EQ(s.boxes.Texts("information"),
            std::vector<std::string>{
                path + "\r\n は 2 行目で EUC-JP の文字の途中 (A4) で終わっています。\r\nShift-JIS "
                       "として読み取り専用で開きました。"});
  s.Modify();
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(path), *Iconv("EUC-JP", "xあ\r"));
}

// --encoding=NAME and -e NAME name the encoding of the files after them (iconv's names, any
// letter case); an unknown name is said, and the files after it are not opened.
TEST(ShellEncoding, CommandLineNamesTheEncodingOfTheFilesAfterIt) {
  TestShell s;
  const std::string a = s.Write("a.txt", *Iconv("EUC-JP", "かな\n"));
  const std::string b = s.Write("b.txt", *Iconv("UTF-16LE", "x\n"));
  const std::string c = s.Write("c.txt", "c\n");
  const std::string d = s.Write("d.txt", "d\n");
  s.process.args = {s.Path("quiret"),     "-e", "eucjp",           a, "--encoding=utf-16le", b,
                    "--encoding=klingon", c,    "--encoding=SJIS", d};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 3);
  EXPECT_EQ(f.Tab(0).Format.Enc, Encoding::EucJp);
  EXPECT_EQ(f.Tab(1).Format.Enc, Encoding::Utf16Le);
  EXPECT_EQ(f.Tab(2).Hint, d);
  EXPECT_EQ(s.boxes.Texts("error"),
            std::vector<std::string>{
                "文字コード名「klingon」は使えません。\r\n使える名前：CP932, UTF-8, UTF-16, UTF-16LE, "
                "UTF-16BE, EUC-JP, ISO-2022-JP（大文字小文字は区別しません）\r\nこの後に続くファイルは"
                "開きません。"});
  // The reopen list keeps what was asked for, with its path, and the next start uses it.
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadString("FileEncoding", "File1", ""), "EUC-JP " + a);
  EXPECT_EQ(IniFile(s.settingsPath).ReadString("FileEncoding", "File3", ""), "CP932 " + d);
  s.Restart();
  s.process.args.resize(1);
  TFormBase& g = s.Start();
  ASSERT_EQ(g.TabCount(), 3);
  EXPECT_EQ(g.Tab(0).Format.Enc, Encoding::EucJp);
  EXPECT_EQ(g.Tab(1).Format.Enc, Encoding::Utf16Le);
  // So do the recent files, newest first.
  ASSERT_EQ(g.RecentFiles().size(), 3u);
  EXPECT_EQ(g.RecentFiles()[0], (TRecentFile{d, "CP932"}));
  EXPECT_EQ(g.RecentFiles()[2], (TRecentFile{a, "EUC-JP"}));
  while (g.TabCount() > 0) g.Execute("FileClose");
  g.RecentFileOpen(2);
  EXPECT_EQ(g.Tab(0).Format.Enc, Encoding::EucJp);
}

// An entry for another path (a list rewritten by a program that knows nothing of these
// keys) is not taken for the file now listed.
TEST(ShellEncoding, AReopenListEntryForAnotherPathIsIgnored) {
  TestShell s;
  const std::string a = s.Write("a.txt", *Iconv("EUC-JP", "かな\n"));
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", a);
  ini.WriteInteger("File", "Num", 1);
  ini.WriteString("FileEncoding", "File1", "EUC-JP " + s.Path("other.txt"));
  TFormBase& f = s.Start();
  EXPECT_EQ(f.Tab(0).Format.Enc, Encoding::ShiftJis);
}

}  // namespace
}  // namespace quiret
