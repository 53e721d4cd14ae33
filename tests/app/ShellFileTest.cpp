// File commands: the extension test, opening, saving with its refusals and safety, printing,
// the ReadMe command and the enabling rules of the File menu.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "app/Menus.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st;
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(ShellFile, IsTextFileNameAcceptsTheTenExtensionsExactly) {
  for (const char* ok : {"a.txt", "a.ini", "a.log", "a.htm", "a.html", "a.css", "a.js", "a.pas", "a.bas",
                         "a.cpp", "/x.y/dir/b.c.txt", ".txt"})
    EXPECT_TRUE(TFormBase::IsTextFileName(ok)) << ok;
  for (const char* bad : {"a.TXT", "a.Txt", "a.txt~", "a.md", "a", "/dir.txt/a", "a.txt/", "", "a.", "a.h"})
    EXPECT_FALSE(TFormBase::IsTextFileName(bad)) << bad;
}

TEST(ShellFile, OpeningAnOpenPathActivatesItsTabEvenFromTheDialog) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "a\r\n");
  f.OpenFile(a);
  f.Execute("FileNew");
  s.dialogs.openNames = {a};
  EXPECT_TRUE(f.Execute("FileOpen"));
  EXPECT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.ActiveIndex(), 0);
  EXPECT_EQ(s.status.panels[3], a);
  EXPECT_EQ(s.dialogs.openFilters.at(0),
            "テキストファイル(*.txt;*.ini;*.log;*.pas;*.htm;*.css)|*.txt;*.ini;*.log;*.pas;*.htm;*.css|"
            "すべてのファイル|*");
}

TEST(ShellFile, PathsDifferingInCaseOpenTwoTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "a\r\n"));
  f.OpenFile(s.Write("A.txt", "A\r\n"));
  EXPECT_EQ(f.TabCount(), 2);
  EXPECT_EQ(s.strip.captions, (std::vector<std::string>{"a.txt", "A.txt"}));
}

TEST(ShellFile, OpenedFileIsNotModifiedAndCannotBeSavedYet) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "one\ntwo\n"));
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
  EXPECT_EQ(f.ActiveEditor()->CaretRow, 0);
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "one\r\ntwo\r\n");
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
  EXPECT_TRUE(f.Actions.IsEnabled("FileSaveAs"));
  s.Modify();
  EXPECT_TRUE(f.Actions.IsEnabled("FileSave"));
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(s.Path("a.txt")), "xone\r\ntwo\r\n");  // the typed x is saved
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
}

TEST(ShellFile, EnablingRulesFollowTheActiveTab) {
  TestShell s;
  s.Write("ReadMe.txt", "r\r\n");
  TFormBase& f = s.Start();
  for (const char* name :
       {"FileSaveAs", "FileSave", "FilePrint", "FileClose", "MoveLeftTab", "FileNewFromClip"})
    EXPECT_FALSE(f.Actions.IsEnabled(name)) << name;
  for (const char* name : {"FileNew", "FileOpen", "FilePrintSetup", "FileExit"})
    EXPECT_TRUE(f.Actions.IsEnabled(name)) << name;
  s.clipboard.PutFromOutside("t");
  EXPECT_TRUE(f.Actions.IsEnabled("FileNewFromClip"));
  f.Execute("FileNew");
  s.Modify();
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));  // new documents save through Save As only
  f.MenuClick("MmReadMeOpen");
  s.Modify();
  EXPECT_FALSE(f.Actions.IsEnabled("FileSaveAs"));
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
  EXPECT_FALSE(f.Execute("FileSaveAs"));  // checked again just before it runs
  EXPECT_TRUE(s.dialogs.savePresets.empty());
  const std::string ro = s.Write("ro.txt", "r\r\n");
  chmod(ro.c_str(), 0444);
  f.OpenFile(ro);
  s.Modify();
  EXPECT_FALSE(f.Actions.IsEnabled("FileSave"));
  EXPECT_TRUE(f.Actions.IsEnabled("FileSaveAs"));
}

TEST(ShellFile, SaveAsProposesTheUntitledNameAndRenamesTheTab) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  s.clipboard.PutFromOutside("hello\r\nworld");
  f.Execute("FileNewFromClip");
  s.dialogs.saveNames = {s.Path("out.txt")};
  EXPECT_TRUE(f.Execute("FileSaveAs"));
  EXPECT_EQ(s.dialogs.savePresets.at(0), "(Untitled3).txt");
  EXPECT_EQ(
      s.dialogs.saveFilters.at(0),
      "すべてのファイル|*|テキストファイル|*.txt|Pascalファイル|*.pas|HTMLファイル|*.htm|CSSファイル|*.css");
  EXPECT_EQ(TestShell::Read(s.Path("out.txt")), "hello\r\nworld");
  EXPECT_EQ(f.TabCaption(2), "out.txt");
  EXPECT_EQ(f.Tab(2).Hint, s.Path("out.txt"));
  EXPECT_EQ(s.status.panels[3], s.Path("out.txt"));
  EXPECT_EQ(s.status.panels[1], "");
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
  // A file's own path is proposed next time.
  s.dialogs.saveNames = {std::nullopt};
  f.Execute("FileSaveAs");
  EXPECT_EQ(s.dialogs.savePresets.at(1), s.Path("out.txt"));
}

TEST(ShellFile, SaveAsRefusesReadOnlyTargetsAndTheReadMeFile) {
  TestShell s;
  const std::string readme = s.Write("ReadMe.txt", "r\r\n");
  const std::string ro = s.Write("ro.txt", "old\r\n");
  chmod(ro.c_str(), 0444);
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("mine.txt", "mine\r\n"));
  s.Modify();
  s.dialogs.saveNames = {ro, readme};
  f.Execute("FileSaveAs");
  f.Execute("FileSaveAs");
  EXPECT_EQ(s.boxes.Texts("information"),
            (std::vector<std::string>{"読み取り属性のファイルへの上書き保存はできません。",
                                      "ReadMe ファイルへの上書き保存はできません。"}));
  EXPECT_EQ(TestShell::Read(ro), "old\r\n");
  EXPECT_EQ(TestShell::Read(readme), "r\r\n");
  EXPECT_EQ(f.Tab(0).Hint, s.Path("mine.txt"));
  EXPECT_EQ(f.TabCaption(0), "mine.txt");
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
}

TEST(ShellFile, SaveFallsThroughToSaveAsWhenTheFileIsGone) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "a\r\n");
  f.OpenFile(a);
  s.Modify();
  unlink(a.c_str());
  s.dialogs.saveNames = {s.Path("b.txt")};
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(s.dialogs.savePresets, (std::vector<std::string>{a}));
  EXPECT_EQ(TestShell::Read(s.Path("b.txt")), "xa\r\n");
  EXPECT_EQ(f.Tab(0).Hint, s.Path("b.txt"));
  EXPECT_FALSE(FileExists(a));
}

TEST(ShellFile, SaveKeepsPermissionsAndWritesThroughSymbolicLinks) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string target = s.Write("target.txt", "old\r\n");
  chmod(target.c_str(), 0640);
  const std::string link = s.Path("link.txt");
  ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
  f.OpenFile(link);
  s.clipboard.PutFromOutside("new\r\n");
  f.Execute("EditSelectAll");
  f.Execute("EditPaste");
  EXPECT_TRUE(f.Execute("FileSave"));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(TestShell::Read(target), "new\r\n");
  EXPECT_EQ(ModeOf(target), 0640u);
}

// Limits the size of files this process may write, as a full disk would, while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST(ShellFile, FailedSaveLeavesTheOldFileAndKeepsTheDocumentModified) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string path = s.Write("a.txt", "old\r\n");
  f.OpenFile(path);
  s.clipboard.PutFromOutside(std::string(4000, 'x') + "\r\n");
  f.Execute("EditSelectAll");
  f.Execute("EditPaste");
  {
    FileSizeLimit full(1000);
    EXPECT_TRUE(f.Execute("FileSave"));
  }
  EXPECT_EQ(TestShell::Read(path), "old\r\n");
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  ASSERT_EQ(s.boxes.Texts("error").size(), 1u);
  EXPECT_NE(s.boxes.Texts("error")[0].find(path), std::string::npos);
  EXPECT_EQ(f.Tab(0).Hint, path);
  // No temporary file is left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(s.dir))
    entries += e.path().filename() != "quiret.ini";
  EXPECT_EQ(entries, 1);
  // Once there is room again the same command saves.
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(path).size(), 4002u);
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
}

TEST(ShellFile, FailedSaveAsKeepsTheHint) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  s.Modify();
  s.dialogs.saveNames = {s.Path("missing/folder/x.txt")};
  f.Execute("FileSaveAs");
  EXPECT_EQ(f.Tab(0).Hint, kNewFileHint);
  EXPECT_TRUE(f.ActiveEditor()->GetModified());
  EXPECT_EQ(s.boxes.Texts("error").size(), 1u);
}

TEST(ShellFile, UnreadableFileFromTheDialogIsReported) {
  TestShell s;
  TFormBase& f = s.Start();
  s.dialogs.openNames = {s.Path("nowhere.txt")};
  f.Execute("FileOpen");
  EXPECT_EQ(s.boxes.Texts("error").size(), 1u);
}

TEST(ShellFile, PrintWritesEachLineOnce) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("p.txt", "first\r\nsecond\r\n"));
  s.dialogs.printConfirms = false;
  f.Execute("FilePrint");
  EXPECT_TRUE(s.dialogs.printedTexts.empty());
  s.dialogs.printConfirms = true;
  EXPECT_TRUE(f.Execute("FilePrint"));
  ASSERT_EQ(s.dialogs.printedTexts.size(), 1u);
  EXPECT_EQ(s.dialogs.printedTexts[0], "firstsecond");
  EXPECT_TRUE(s.boxes.Texts("error").empty());
  s.dialogs.printerRefuses = true;
  f.Execute("FilePrint");
  EXPECT_EQ(s.boxes.Texts("error"), std::vector<std::string>{"印刷を開始できませんでした。"});
  f.Execute("FilePrintSetup");
  EXPECT_EQ(s.dialogs.printerSetups, 1);
}

TEST(ShellFile, ReadMeCommandReportsAMissingFile) {
  TestShell s;
  TFormBase& f = s.Start();
  f.MenuClick("MmReadMeOpen");
  EXPECT_EQ(s.boxes.Texts("plain"),
            (std::vector<std::string>{s.Path("ReadMe.txt") + "\r\n が見つかりません。"}));
  EXPECT_EQ(f.TabCount(), 0);
}

TEST(ShellFile, ExitAsksTheWindowToClose) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileExit");
  EXPECT_EQ(s.window.closeRequests, 1);
}

TEST(ShellFile, FileMenuAndTabMenuShowTheirActions) {
  TestShell s;
  TFormBase& f = s.Form();
  const TMenuItem file = MainMenuItems().at(0);
  EXPECT_EQ(file.Name, "MmFile");
  EXPECT_EQ(file.Caption, "ファイル(&F)");
  std::vector<std::string> shown;
  for (const TMenuItem& item : file.Items) {
    if (item.IsSeparator() || item.IsSubmenu()) {
      shown.push_back(item.IsSeparator() ? "-" : item.Caption);
      continue;
    }
    const TAction* a = f.Actions.Find(item.Action);
    ASSERT_NE(a, nullptr) << item.Name;
    shown.push_back(a->Caption + (a->Shortcut.empty() ? "" : " " + a->Shortcut));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "新規作成(&N) Ctrl+N", "クリップボードから作成(&B) Ctrl+Alt+N", "開く(&O) Ctrl+O",
                       "最近使ったファイル(&R)", "文字コードを指定して開き直す(&K)", "-",
                       "名前をつけて保存(&W) Ctrl+W", "上書き保存(&S) Ctrl+S", "-", "プリンタの設定(&U)",
                       "印刷(&P) Ctrl+P", "-", "閉じる(&Z) F4", "-", "終了(&Q) Ctrl+Q"}));
  std::vector<std::string> tabMenu;
  for (const TMenuItem& item : TabMenuItems().Items)
    tabMenu.push_back(item.IsSeparator() ? "-" : item.Action);
  EXPECT_EQ(tabMenu, (std::vector<std::string>{"FileClose", "-", "FileSaveAs", "FileSave"}));
}

// A file that is probably not Shift-JIS: a status line for its tab while it is active, one
// message naming the probable encoding when the window shows it, the bytes loaded as they are.
TEST(ShellFile, ProbablyNotShiftJisFilesGetANoticeOnceAndKeepTheirBytes) {
  TestShell s;
  const std::string utf8 = s.Write("u.txt", "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\r\n");
  const std::string bin = s.Write("b.txt", std::string("\x01\0\x02\0\0\xff\x10", 7));
  const std::string sjis = s.Write("s.txt", "\x93\xfa\x96\x7b \xb1\xb2\xb3\r\n");
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", utf8);
  ini.WriteInteger("File", "Num", 1);
  ini.WriteBool("Encoding", "AutoOpen", false);  // every file is read as Shift-JIS
  TFormBase& f = s.Form();
  f.FormCreate();
  EXPECT_TRUE(s.boxes.shown.empty());  // not before the window shows
  EXPECT_EQ(s.status.panels[kNoticePanel], "UTF-8 (BOM 付き) の可能性");
  f.FormShow();
  EXPECT_TRUE(s.boxes.shown.empty());  // brought back by the reopen list: the status line only
  f.OpenFile(sjis);
  EXPECT_EQ(s.status.panels[kNoticePanel], "");
  f.OpenFile(bin);  // its zero bytes would not come back: that is what it is told
  EXPECT_EQ(s.status.panels[kNoticePanel], "元のとおりに保存できないため読み取り専用");
  ASSERT_EQ(s.boxes.shown.size(), 1u);
  EXPECT_EQ(s.boxes.shown[0].text,
            bin +
                "\r\n の 1 行目に NUL 文字 (U+0000) があり、テキストに入れられません。\r\n元の"
                "とおりに保存できないため、Shift-JIS として読み取り専用で開きました。");
  f.OpenFile(utf8);  // already open: its tab comes forward with its line, no second message
  EXPECT_EQ(s.status.panels[kNoticePanel], "UTF-8 (BOM 付き) の可能性");
  f.MoveRightTab();
  EXPECT_EQ(s.status.panels[kNoticePanel], "");
  EXPECT_EQ(s.boxes.shown.size(), 1u);
  // Saved unedited, the file is written back as it was read.
  f.MoveLeftTab();
  const std::string copy = s.Path("copy.txt");
  s.dialogs.saveNames = {copy};
  f.Execute("FileSaveAs");
  EXPECT_EQ(TestShell::Read(copy), TestShell::Read(utf8));
  while (f.TabCount() > 0) f.Execute("FileClose");
  EXPECT_EQ(s.status.panels[kNoticePanel], "");
}

// A large file shows its progress in steps and hides it at the end; the window may repaint
// meanwhile but files dropped then open after it, and closing waits.
TEST(ShellFile, LargeFileLoadsWithProgressAndQueuesWhatArrivesMeanwhile) {
  TestShell s;
  TFormBase& f = s.Start();
  f.ProgressBytes = 1 << 20;
  std::string text;
  while (text.size() < (3u << 20)) text += "line of text " + std::to_string(text.size()) + "\r\n";
  const std::string big = s.Write("big.txt", text);
  const std::string small = s.Write("small.txt", "x\r\n");
  bool dropped = false;
  s.status.onProgress = [&] {
    EXPECT_EQ(f.Loading(), s.status.progress.back() >= 0);
    if (!dropped) f.FilesDropped({small});
    dropped = true;
  };
  f.OpenFile(big);
  const std::vector<int>& p = s.status.progress;
  ASSERT_GE(p.size(), 4u);
  EXPECT_EQ(p.back(), -1);
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end() - 1));
  EXPECT_GE(p.front(), 0);
  EXPECT_LE(p[p.size() - 2], 1000);
  EXPECT_GT(p[p.size() - 2], 600);  // the wrap reported too
  EXPECT_FALSE(f.Loading());
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), text);
  EXPECT_EQ(f.Tab(1).Hint, small);
  // A small file shows none.
  s.status.progress.clear();
  f.OpenFile(s.Write("b.txt", "y\r\n"));
  EXPECT_TRUE(s.status.progress.empty());
}

}  // namespace
}  // namespace quiret

namespace quiret {
namespace {

// A large file shows its first lines as soon as they are read; until the whole text is in
// and laid out, no command runs (nothing can change, save or close the partial text), and
// while it is read the editor holds no more than those lines.
TEST(ShellFile, LargeFileShowsItsFirstLinesWhileTheRestLoads) {
  TestShell s;
  TFormBase& f = s.Start();
  f.ProgressBytes = 1 << 20;
  std::string text;
  for (int i = 0; text.size() < (3u << 20); ++i) text += "line " + std::to_string(i) + "\r\n";
  const std::string big = s.Write("big.txt", text);
  int reports = 0;
  s.status.onProgress = [&] {
    if (!f.Loading()) return;
    const TLumoEdit& ed = *f.Tab(0).Editor;
    for (const char* command : {"FileSave", "FileSaveAs", "FileClose", "EditPaste", "FileNew", "FileExit"}) {
      EXPECT_FALSE(f.Execute(command)) << command;
    }
    EXPECT_EQ(f.TabCount(), 1);
    EXPECT_FALSE(ed.GetModified());
    if (s.status.progress.back() >= 600) return;  // the whole text is being laid out
    ++reports;
    ASSERT_GE(ed.Lines->Count(), 2);
    EXPECT_LE(ed.Lines->Count(), static_cast<std::int32_t>(TFormBase::kFirstScreenRows) + 1);
    const std::string shown = ed.Lines->GetText();
    EXPECT_EQ(text.compare(0, shown.size(), shown), 0);  // the start of the file, whole lines
    EXPECT_EQ(shown.substr(0, 8), "line 0\r\n");
  };
  f.OpenFile(big);
  EXPECT_GE(reports, 2);
  EXPECT_FALSE(f.Loading());
  EXPECT_EQ(f.Tab(0).Editor->Lines->GetText(), text);
  EXPECT_TRUE(f.Execute("FileClose"));
  EXPECT_EQ(f.TabCount(), 0);
}

}  // namespace
}  // namespace quiret
