// Start and exit with hostile input: files that are not files, absurd settings, odd names,
// read-only and half-written settings files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/SafeReplace.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

const char kNotAFile[] = "\r\n は通常のファイルではありません。";

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Devices and FIFOs never reach the reader, however they are named; start goes on after them.
TEST(ShellLimits, OnlyRegularFilesAreOpenedFromEveryPath) {
  TestShell s;
  const std::string fifo = s.Path("fifo.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", s.Path("zero.txt"));
  std::filesystem::create_symlink("/dev/urandom", s.Path("random.txt"));
  const std::string good = s.Write("good.txt", "ok\r\n");
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", s.Path("zero.txt"));
  ini.WriteString("File", "File2", good);
  ini.WriteInteger("File", "Num", 2);
  s.process.args = {s.Path("quiret"), fifo, s.Path("random.txt")};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, good);
  s.dialogs.openNames = {fifo};
  f.Execute("FileOpen");
  f.FilesDropped({s.Path("zero.txt")});
  EXPECT_EQ(f.TabCount(), 1);
  // The command line and the drop name theirs in one message each.
  const std::string listed = "次のものは開けませんでした。\r\n   ";
  EXPECT_EQ(s.boxes.Texts("plain"),
            (std::vector<std::string>{s.Path("zero.txt") + kNotAFile,
                                      listed + fifo + ": 通常のファイルではありません\r\n   " +
                                          s.Path("random.txt") + ": 通常のファイルではありません\r\n",
                                      fifo + kNotAFile,
                                      listed + s.Path("zero.txt") + ": 通常のファイルではありません\r\n"}));
  EXPECT_TRUE(s.boxes.Texts("error").empty());
}

// An entry that names nothing is skipped silently, and Num never reads past the entries.
TEST(ShellLimits, ReopenListSkipsEmptyEntriesAndTrustsNoCount) {
  TestShell s;
  const std::string a = s.Write("a.txt", "a\r\n");
  s.Write("quiret.ini", "[File]\nFile1=\nFile2=" + a + "\nFile3=" + s.Path("gone.txt") + "\nNum=999999\n");
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(s.boxes.Texts("plain"),
            (std::vector<std::string>{s.Path("gone.txt") + "\r\n が見つかりません。"}));
  f.FormClose();  // a clean exit: the settings' list, not the session, is read next
  s.Restart();
  s.boxes.shown.clear();
  s.Write("quiret.ini", "[File]\nNum=999999\n");
  EXPECT_EQ(s.Start().TabCount(), 0);
  EXPECT_TRUE(s.boxes.shown.empty());
}

TEST(ShellLimits, FontSizeAndTabWidthAreBroughtIntoRange) {
  struct Case {
    const char* font;
    int fontSize;
    const char* tab;
    int tabWidth;
  };
  const Case cases[] = {
      {"12", 12, "90", 90},         {"1610612736", 500, "100000", 500},
      {"100000", 500, "501", 500},  {"500", 500, "500", 500},
      {"501", 500, "0", 0},         {"1", 1, "-1", 0},
      {"0", 1, "-2147483648", 0},   {"-5", 1, "2147483647", 500},
      {"-2147483648", 1, "60", 60},
  };
  for (const Case& c : cases) {
    TestShell s;
    s.Write("quiret.ini", std::string("[Edit]\nFontSize=") + c.font + "\n[Tab]\nWidth=" + c.tab + "\n");
    TFormBase& f = s.Start();
    EXPECT_EQ(f.FontSize, c.fontSize) << c.font;
    EXPECT_EQ(s.strip.width, c.tabWidth) << c.tab;
    f.Execute("FileNew");
    EXPECT_EQ(f.ActiveEditor()->GetFont().Size(), c.fontSize) << c.font;
  }
}

TEST(ShellLimits, NameWithALineBreakStaysOutOfTheReopenList) {
  TestShell s;
  TFormBase& f = s.Start();
  for (const char* name : {"a.txt", "two\nlines.txt", "cr\rname.txt", "b.txt"})
    f.OpenFile(s.Write(name, "x\r\n"));
  ASSERT_EQ(f.TabCount(), 4);
  f.FormClose();
  EXPECT_TRUE(s.boxes.Texts("error").empty());
  const std::string text = s.ReadSettings();
  EXPECT_NE(text.find("[File]\nFile1=" + s.Path("a.txt") + "\nFile2=" + s.Path("b.txt") + "\nNum=2\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("lines.txt"), std::string::npos);
}

TEST(ShellLimits, ReadOnlySettingsFileIsLeftAsItIsWithOneMessage) {
  TestShell s;
  const std::string before = "[Edit]\nBGColor=000000FF\n";
  s.Write("quiret.ini", before);
  ASSERT_EQ(chmod(s.settingsPath.c_str(), 0444), 0);
  TFormBase& f = s.Start();
  EXPECT_EQ(f.BGColor, 0x000000FFu);
  f.BGColor = 0x0000FF00;
  f.FormClose();
  EXPECT_EQ(s.ReadSettings(), before);
  struct stat st;
  ASSERT_EQ(stat(s.settingsPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  ASSERT_EQ(s.boxes.Texts("information").size(), 1u);
  EXPECT_NE(s.boxes.Texts("information")[0].find(s.settingsPath), std::string::npos);
  EXPECT_TRUE(s.boxes.Texts("error").empty());
}

// An exit that changes nothing leaves the file alone, so a read-only one is not announced.
TEST(ShellLimits, UnchangedSettingsAreNotRewritten) {
  TestShell s;
  s.Start().FormClose();
  struct stat first, second;
  ASSERT_EQ(stat(s.settingsPath.c_str(), &first), 0);
  ASSERT_EQ(chmod(s.settingsPath.c_str(), 0444), 0);
  s.Restart();
  s.Start().FormClose();
  ASSERT_EQ(stat(s.settingsPath.c_str(), &second), 0);
  EXPECT_EQ(first.st_ino, second.st_ino);
  EXPECT_TRUE(s.boxes.shown.empty());
}

// A save killed before its rename leaves the old file whole; the next start clears the remains.
TEST(ShellLimits, KilledSaveLeavesTheOldFileAndNextStartRemovesTheTemporary) {
  TestShell s;
  const std::string old = "[Edit]\nFontSize=20\n";
  s.Write("quiret.ini", old);
  s.Write("quiret.ini.tmp4242_7", "[Edit]\nFontSize=9\n");  // left by an earlier version
  s.Write("quiret.ini.bak", "keep");
  s.Write(".quiret.ini.longer-than-ours", "keep");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ReplaceFileSafely(s.settingsPath, [](const std::string& temp) {
      IniFile(temp).WriteInteger("Edit", "FontSize", 30);
      raise(SIGKILL);
    });
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(s.ReadSettings(), old);
  EXPECT_EQ(FolderEntries(s.dir).size(), 5u);
  EXPECT_EQ(s.Start().FontSize, 20);
  EXPECT_EQ(FolderEntries(s.dir),
            (std::vector<std::string>{".quiret.ini.longer-than-ours", "quiret.ini", "quiret.ini.bak"}));
}

// Root ignores folder permissions, so the question is asked as an ordinary user.
TEST(ShellLimits, SettingsFileBesideTheProgramIsUsedInALockedFolder) {
  TestShell s;
  const std::string locked = s.Path("bin");
  mkdir(locked.c_str(), 0755);
  s.Write("bin/quiret.ini", "[Edit]\nFontSize=14\n");
  chmod(s.dir.c_str(), 0755);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
    _exit(SettingsFilePath(locked + "/quiret") == locked + "/quiret.ini" ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace quiret
