// The files a user names: which open whatever their extension, the clipboard rule the
// extension test keeps, the one message for the rest, second starts, the open dialog's
// several files, the command line's options and the word a double click selects.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/CommandLine.h"
#include "app/WordSelect.h"
#include "platform/Codec932.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

const std::string kListed = "次のものは開けませんでした。\r\n";

// One argument per case, with AutoClipLoad on or off and text on the clipboard or not.
TEST(ShellArgs, WhatEachKindOfArgumentOpensOrIsNamedFor) {
  struct Case {
    std::string arg;   // a name in the folder, or an absolute path
    const char* make;  // "file", "dir", "fifo", "none"
    bool autoClip, clip;
    std::string expect;  // "open", "clip", or the reason the message gives
  };
  const std::string tooLong = "/" + std::string(PATH_MAX + 10, 'x');
  const Case cases[] = {
      {"noun.csv", "file", false, false, "open"},
      {"README", "file", false, true, "open"},
      {"UPPER.TXT", "file", false, true, "open"},
      {"notes.TXT", "file", true, true, "clip"},  // the extension test's one role
      {"notes.TXT", "file", true, false, "open"},
      {"a.txt", "file", true, true, "open"},
      {"c", "none", true, true, "clip"},  // refused by the test: the clipboard, as ever
      {"gone.txt", "none", true, true, "見つかりません"},
      {"c", "none", false, true, "見つかりません"},
      {"folder", "dir", true, true, "フォルダーです"},
      {"pipe.txt", "fifo", false, false, "通常のファイルではありません"},
      {"/dev/null", "none", false, false, "通常のファイルではありません"},
      {tooLong, "none", false, false, "名前が長すぎます"},
      // Opened, but every read fails: the reader's own error is named.
      {"/proc/self/mem", "none", false, false, "/proc/self/mem: Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg.substr(0, 40) + (c.autoClip ? " autoclip" : "") + (c.clip ? " clip" : ""));
    TestShell s;
    const std::string path = c.arg[0] == '/' ? c.arg : s.Path(c.arg);
    if (std::string(c.make) == "file") s.Write(c.arg, "text\r\n");
    if (std::string(c.make) == "dir") mkdir(path.c_str(), 0700);
    if (std::string(c.make) == "fifo") mkfifo(path.c_str(), 0600);
    if (c.clip) s.clipboard.PutFromOutside("from clip");
    IniFile(s.settingsPath).WriteBool("Tab", "AutoClipLoad", c.autoClip);
    s.process.args.push_back(path);
    TFormBase& f = s.Start();
    if (c.expect == "open") {
      ASSERT_EQ(f.TabCount(), 1);
      EXPECT_EQ(f.Tab(0).Hint, path);
      EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), "text\r\n");
      EXPECT_TRUE(s.boxes.shown.empty());
    } else if (c.expect == "clip") {
      ASSERT_EQ(f.TabCount(), 1);
      EXPECT_EQ(f.Tab(0).Hint, kNewFileHint);
      EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), "from clip");
      EXPECT_TRUE(s.boxes.shown.empty());
    } else {
      EXPECT_EQ(f.TabCount(), 0);
      const std::string entry = c.expect[0] == '/' ? c.expect : path + ": " + c.expect;
      if (path.size() < 200)
        EXPECT_EQ(s.boxes.Texts("plain"), std::vector<std::string>{kListed + "   " + entry + "\r\n"});
      ASSERT_EQ(s.boxes.shown.size(), 1u);
      EXPECT_NE(s.boxes.shown[0].text.find(c.expect), std::string::npos);
    }
  }
}

TEST(ShellArgs, OneMessageListsTenThenCountsTheRestAndShortensHugeNames) {
  TestShell s;
  for (int i = 0; i < 12; ++i) s.process.args.push_back(s.Path("gone" + std::to_string(i)));
  s.process.args.push_back(s.Write("here.log", "x\r\n"));
  TFormBase& f = s.Start();
  EXPECT_EQ(f.TabCount(), 1);
  ASSERT_EQ(s.boxes.Texts("plain").size(), 1u);
  const std::string text = s.boxes.Texts("plain")[0];
  EXPECT_NE(text.find("gone9: 見つかりません\r\n．．．ほか 2 件\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("gone10"), std::string::npos);
  // A name far beyond PATH_MAX keeps its head and tail, whole characters only.
  const std::string huge = "/" + std::string(3000, 'a') + "字" + std::string(3000, 'b') + ".txt";
  const std::string shown = TFormBase::NotOpenedMessage({huge + ": 見つかりません"});
  EXPECT_LT(shown.size(), 400u);
  EXPECT_EQ(shown.rfind(kListed + "   /aaa", 0), 0u);
  EXPECT_NE(shown.find("bbb.txt: 見つかりません\r\n"), std::string::npos);
  EXPECT_NE(shown.find("…"), std::string::npos);
  EXPECT_EQ(Codec932::Instance().ToUtf8(Codec932::Instance().FromUtf8(shown)), shown);  // valid UTF-8
}

// A second start's files: resolved against its folder, an open path only activates its tab,
// the window comes forward; before the show step they wait for it.
TEST(ShellArgs, HandOverOpensRelativeToItsFolderAndBringsTheWindowForward) {
  TestShell s;
  const std::string a = s.Write("a.txt", "a\r\n");
  mkdir(s.Path("other").c_str(), 0700);
  const std::string b = s.Write("other/b.csv", "b\r\n");
  const std::string c = s.Write("other/c", "c\r\n");
  s.process.args.push_back(a);
  TFormBase& f = s.Form();
  f.FormCreate();
  f.OpenHandOver(HandOver{s.Path("other"), {"b.csv", "./c", "missing"}});
  EXPECT_EQ(f.TabCount(), 0);  // waits for the show step
  f.FormShow();
  ASSERT_EQ(f.TabCount(), 3);
  EXPECT_EQ(f.Tab(0).Hint, a);  // the window's own arguments first
  EXPECT_EQ(f.Tab(1).Hint, b);
  EXPECT_EQ(f.Tab(2).Hint, c);
  EXPECT_EQ(s.boxes.Texts("plain"),
            std::vector<std::string>{kListed + "   " + s.Path("other/missing") + ": 見つかりません\r\n"});
  EXPECT_EQ(s.window.broughtToFront, 1);
  f.OpenHandOver(HandOver{"/", {a, "-e", "utf-8", "--", "-e"}});
  EXPECT_EQ(f.TabCount(), 3);
  EXPECT_EQ(f.ActiveIndex(), 0);
  EXPECT_EQ(s.boxes.Texts("plain").size(), 2u);  // "/-e" is missing
  f.OpenHandOver(HandOver{"/", {}});             // no files: only forward
  EXPECT_EQ(f.TabCount(), 3);
  EXPECT_EQ(s.window.broughtToFront, 3);
  EXPECT_EQ(s.boxes.shown.size(), 2u);
}

TEST(ShellArgs, OpenDialogTakesSeveralFilesAndOffersAllFiles) {
  TestShell s;
  TFormBase& f = s.Start();
  s.dialogs.openNameLists = {{s.Write("x.dat", "x\r\n"), s.Write("y", "y\r\n")}};
  f.Execute("FileOpen");
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.Tab(0).Hint, s.Path("x.dat"));
  EXPECT_EQ(f.ActiveIndex(), 1);
  EXPECT_NE(s.dialogs.openFilters.at(0).find("すべてのファイル|*"), std::string::npos);
}

TEST(CommandLine, HelpVersionAndUnknownOptions) {
  using A = CommandLineAction;
  const std::pair<std::vector<std::string>, A> cases[] = {
      {{}, A::Run},
      {{"a.txt", "-", "--encoding=utf-8", "-e", "--help"}, A::Run},  // -e takes the next as its name
      {{"--", "--version", "-x"}, A::Run},
      {{"a.txt", "--help"}, A::Help},
      {{"-h"}, A::Help},
      {{"--version", "a"}, A::Version},
      {{"-x", "--version"}, A::Version},
      {{"a", "--bogus", "-y"}, A::Refuse},
  };
  for (const auto& [args, action] : cases) {
    EXPECT_EQ(CheckCommandLine(args).Action, action) << ::testing::PrintToString(args);
    EXPECT_EQ(CheckCommandLine(args, false).Action, action == A::Refuse ? A::Run : action);
  }
  EXPECT_EQ(CheckCommandLine({"a", "--bogus", "-y"}).Option, "--bogus");
}

// Double click: the run of one class around the character under the pointer.
TEST(WordSelect, TheRunOfOneClassAroundTheCharacter) {
  const Codec932& codec = Codec932::Instance();
  const std::string line = codec.FromUtf8("日本語のテキストｶﾀｶﾅ、word_42 ＡＢＣ１ ");
  auto word = [&](const char* at) {
    const std::size_t p = line.find(codec.FromUtf8(at));
    const auto [from, to] = WordSpanAt(line, p + 1);  // a click on a character's second byte
    return codec.ToUtf8(line.substr(from, to - from));
  };
  EXPECT_EQ(word("本"), "日本語");
  EXPECT_EQ(word("の"), "の");
  EXPECT_EQ(word("キ"), "テキストｶﾀｶﾅ");  // full and half width: katakana both
  EXPECT_EQ(word("ﾀ"), "テキストｶﾀｶﾅ");
  EXPECT_EQ(word("、"), "、");
  EXPECT_EQ(word("_4"), "word_42");
  EXPECT_EQ(word("ＢＣ"), "ＡＢＣ１");
  EXPECT_EQ(WordSpanAt(line, line.size()), std::make_pair(line.size(), line.size()));
  // A trail byte that looks like a lead byte is found from the line's start: "ソ" is 83 5C.
  const std::string so = codec.FromUtf8("ソソa");
  EXPECT_EQ(WordSpanAt(so, 2), std::make_pair(std::size_t{0}, std::size_t{4}));
}

TEST(WordSelect, DoubleClickInTheEditorSelectsTheWordUnderThePointer) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("w.txt", Codec932::Instance().FromUtf8("abc 漢字かな\r\n")));
  TLumoEdit& ed = *f.Tab(0).Editor;
  const int half = ed.CharWidth;
  auto doubleClick = [&](int x) {
    const int y = ed.TopMargin + 2;
    ed.WmMouseDown(MB_LEFT, 0, x, y);
    ed.WmMouseUp(MB_LEFT, 0, x, y);
    ed.WmDoubleClick(MB_LEFT, SS_DOUBLE, x, y);
    ed.WmMouseDown(MB_LEFT, SS_DOUBLE, x, y);
    ed.WmMouseUp(MB_LEFT, 0, x, y);
    return Codec932::Instance().ToUtf8(ed.GetSelText());
  };
  // The right half of "c" puts the caret after it; the character under the pointer is still "c".
  EXPECT_EQ(doubleClick(ed.TextLeft + 2 * half + half * 3 / 4), "abc");
  EXPECT_EQ(doubleClick(ed.TextLeft + 4 * half + 1), "漢字");
  EXPECT_EQ(doubleClick(ed.TextLeft + 7 * half + 1), "漢字");  // the right half of 字
  EXPECT_EQ(doubleClick(ed.TextLeft + 9 * half), "かな");
  EXPECT_EQ(doubleClick(ed.TextLeft + 40 * half), "");  // past the line's end
}

}  // namespace
}  // namespace quiret
