// The settings file: lookups, integer forms, and what a write leaves on the disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/IniFile.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("quiret.ini");
  IniFile ini{path};

  void Given(const std::string& text) { TempDir::Write(path, text); }
  std::string OnDisk() const { return TempDir::Read(path); }
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsNotCreatedByReads) {
  EXPECT_EQ(ini.ReadString("Edit", "FontName", "ＭＳ ゴシック"), "ＭＳ ゴシック");
  EXPECT_EQ(ini.ReadInteger("Window", "Top", 10), 10);
  EXPECT_TRUE(ini.ReadBool("Tab", "CloseAsk", true));
  EXPECT_FALSE(ini.ReadBool("Tab", "CloseActive", false));
  ini.EraseSection("File");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ini.Path(), path);
}

TEST_F(IniFileTest, FirstWriteCreatesTheFile) {
  ini.WriteInteger("Window", "Top", 10);
  EXPECT_EQ(OnDisk(), "[Window]\nTop=10\n");
  ini.WriteInteger("Window", "Left", -3);
  ini.WriteString("Edit", "FontName", "ＭＳ ゴシック");
  EXPECT_EQ(OnDisk(), "[Window]\nTop=10\nLeft=-3\n\n[Edit]\nFontName=ＭＳ ゴシック\n");
  EXPECT_EQ(ini.ReadString("Edit", "FontName", ""), "ＭＳ ゴシック");
  EXPECT_EQ(ini.ReadInteger("Window", "Left", 0), -3);
}

TEST_F(IniFileTest, NamesCompareWithoutCase) {
  Given("[window]\nTOP=5\n[Edit]\nfontsize=9\n");
  EXPECT_EQ(ini.ReadInteger("Window", "Top", 0), 5);
  EXPECT_EQ(ini.ReadInteger("EDIT", "FontSize", 0), 9);
  ini.WriteInteger("WINDOW", "top", 7);
  // The existing line changes; no second section or key appears.
  EXPECT_EQ(OnDisk(), "[window]\nTOP=7\n[Edit]\nfontsize=9\n");
}

TEST_F(IniFileTest, WritesKeepEverythingElse) {
  const std::string before =
      "; settings of the editor\n"
      "stray line before any section\n"
      "[Window]\n"
      "Top = 1\n"
      "; a comment inside\n"
      "not an entry\n"
      "\n"
      "[Edit]\n"
      "FontSize=12\n"
      "\n"
      "\n"
      "[Tab]\n"
      "Width=0\n";
  Given(before);
  ini.WriteInteger("Edit", "FontColor", 0);  // new key after the section's last entry
  ini.WriteInteger("Window", "Top", 20);     // spacing before the value is kept
  EXPECT_EQ(OnDisk(),
            "; settings of the editor\n"
            "stray line before any section\n"
            "[Window]\n"
            "Top = 20\n"
            "; a comment inside\n"
            "not an entry\n"
            "\n"
            "[Edit]\n"
            "FontSize=12\n"
            "FontColor=0\n"
            "\n"
            "\n"
            "[Tab]\n"
            "Width=0\n");
  ini.WriteInteger("File", "Num", 0);
  const std::string tail = "Width=0\n\n[File]\nNum=0\n";
  ASSERT_GE(OnDisk().size(), tail.size());
  EXPECT_EQ(OnDisk().substr(OnDisk().size() - tail.size()), tail);
}

TEST_F(IniFileTest, ReadsTrimAndIgnoreNonEntries) {
  Given(
      "top=9\n[ Edit ]\n  FontName  =  Noto Sans Mono  \n;Key=commented\nQuoted=\"a b \"\n"
      "Empty=\n[Other]\nFontName=other\n");
  EXPECT_EQ(ini.ReadString("Edit", "FontName", "x"), "Noto Sans Mono");
  EXPECT_EQ(ini.ReadString("Edit", "Quoted", "x"), "a b ");  // the classic API drops quotes
  EXPECT_EQ(ini.ReadString("Edit", "Empty", "x"), "");       // present but empty is not missing
  EXPECT_EQ(ini.ReadString("Edit", ";Key", "x"), "x");
  EXPECT_EQ(ini.ReadString("Edit", "Key", "x"), "x");
  EXPECT_EQ(ini.ReadString("Edit", "top", "x"), "x");  // lines before any section
  EXPECT_EQ(ini.ReadString("Other", "FontName", "x"), "other");
  EXPECT_EQ(ini.ReadString("Missing", "FontName", "x"), "x");
}

TEST_F(IniFileTest, IntegerForms) {
  struct Case {
    const char* text;
    int expected;
  };
  const int def = 42;
  const Case cases[] = {
      {"10", 10},
      {" 12 ", 12},
      {"-5", -5},
      {"+7", 7},
      {"0", 0},
      {"0x1F", 31},
      {"0X1f", 31},
      {"$00F6F6F6", 0x00F6F6F6},
      {"$000000FF", 255},
      {"$80000005", static_cast<int>(0x80000005u)},  // a system colour keeps its bit
      {"$FFFFFFFF", -1},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", def},
      {"-2147483649", def},
      {"99999999999999999999", def},
      {"$100000000", def},
      {"12abc", def},
      {"abc", def},
      {"1.5", def},
      {"- 5", def},
      {"-", def},
      {"$", def},
      {"0x", def},
      {"$G0", def},
      {"", def},
  };
  for (const Case& c : cases) {
    ini.WriteString("N", "V", c.text);
    EXPECT_EQ(ini.ReadInteger("N", "V", def), c.expected) << '"' << c.text << '"';
  }
  EXPECT_EQ(ini.ReadInteger("N", "Missing", def), def);
  ini.WriteInteger("N", "V", INT_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "V", 0), INT_MIN);
}

TEST_F(IniFileTest, Booleans) {
  Given("[Tab]\nOne=1\nZero=0\nTwo=2\nMinus=-1\nWord=yes\nHex=$0\n");
  EXPECT_TRUE(ini.ReadBool("Tab", "One", false));
  EXPECT_FALSE(ini.ReadBool("Tab", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("Tab", "Two", false));
  EXPECT_TRUE(ini.ReadBool("Tab", "Minus", false));
  EXPECT_FALSE(ini.ReadBool("Tab", "Hex", true));
  EXPECT_TRUE(ini.ReadBool("Tab", "Word", true));  // malformed: the default
  EXPECT_FALSE(ini.ReadBool("Tab", "Word", false));
  EXPECT_TRUE(ini.ReadBool("Tab", "Missing", true));
  ini.WriteBool("Tab", "One", false);
  ini.WriteBool("Tab", "New", true);
  EXPECT_EQ(OnDisk(), "[Tab]\nOne=0\nZero=0\nTwo=2\nMinus=-1\nWord=yes\nHex=$0\nNew=1\n");
}

TEST_F(IniFileTest, EraseSectionRemovesItsKeysOnly) {
  Given(
      "; top\n[Window]\nTop=1\n\n[File]\nFile1=/a.txt\n; note\nNum=1\n\n[Tab]\nWidth=60\n"
      "[file]\nFile1=/dup.txt\n");
  ini.EraseSection("FILE");
  EXPECT_EQ(OnDisk(), "; top\n[Window]\nTop=1\n\n[Tab]\nWidth=60\n");
  EXPECT_EQ(ini.ReadString("File", "File1", "none"), "none");
  EXPECT_EQ(ini.ReadInteger("Tab", "Width", 0), 60);
  ini.WriteInteger("File", "Num", 0);
  EXPECT_EQ(OnDisk(), "; top\n[Window]\nTop=1\n\n[Tab]\nWidth=60\n\n[File]\nNum=0\n");
  ini.EraseSection("File");  // the last section: no blank line is left behind
  EXPECT_EQ(OnDisk(), "; top\n[Window]\nTop=1\n\n[Tab]\nWidth=60\n");
  ini.EraseSection("Nothing");
  EXPECT_EQ(OnDisk(), "; top\n[Window]\nTop=1\n\n[Tab]\nWidth=60\n");
}

TEST_F(IniFileTest, CrLfFilesStayCrLf) {
  Given("[Edit]\r\nFontName=IPAGothic\r\nFontSize=12\r\n");
  EXPECT_EQ(ini.ReadString("Edit", "FontName", ""), "IPAGothic");
  EXPECT_EQ(ini.ReadInteger("Edit", "FontSize", 0), 12);
  ini.WriteInteger("Edit", "FontSize", 14);
  ini.WriteString("Window", "Top", "3");
  EXPECT_EQ(OnDisk(), "[Edit]\r\nFontName=IPAGothic\r\nFontSize=14\r\n\r\n[Window]\r\nTop=3\r\n");
}

TEST_F(IniFileTest, ByteOrderMarkIsSkippedAndKept) {
  Given("\xEF\xBB\xBF[Edit]\nFontName=ＭＳ ゴシック\n");
  EXPECT_EQ(ini.ReadString("Edit", "FontName", ""), "ＭＳ ゴシック");
  ini.WriteInteger("Edit", "FontSize", 10);
  EXPECT_EQ(OnDisk(), "\xEF\xBB\xBF[Edit]\nFontName=ＭＳ ゴシック\nFontSize=10\n");
}

TEST_F(IniFileTest, FileWithoutFinalLineBreak) {
  Given("[Edit]\nFontSize=11");
  EXPECT_EQ(ini.ReadInteger("Edit", "FontSize", 0), 11);
  ini.WriteInteger("Edit", "TurnUp", 1);
  EXPECT_EQ(OnDisk(), "[Edit]\nFontSize=11\nTurnUp=1\n");
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeAndKeepsItsMode) {
  Given("[Edit]\nFontSize=11\n");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ini.WriteInteger("Edit", "FontSize", 12);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST_F(IniFileTest, WriteThroughSymbolicLinkUpdatesTheTarget) {
  std::string real = dir.File("real.ini");
  TempDir::Write(real, "[Edit]\nFontSize=11\n");
  std::filesystem::create_symlink(real, path);
  ini.WriteInteger("Edit", "FontSize", 13);
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(TempDir::Read(real), "[Edit]\nFontSize=13\n");
}

// Root ignores folder permissions, so the write is made as an ordinary user.
TEST_F(IniFileTest, WritableFileInALockedFolderIsRewrittenInPlace) {
  std::string sub = dir.File("locked");
  std::filesystem::create_directory(sub);
  std::string file = sub + "/quiret.ini";
  TempDir::Write(file, "[Edit]\nFontSize=11\n");
  ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    // That user's own state folder, where the old content is kept while it is rewritten.
    char state[] = "/tmp/quiret-state-XXXXXX";
    if (!mkdtemp(state)) _exit(4);
    setenv("XDG_STATE_HOME", state, 1);
    try {
      IniFile(file).WriteInteger("Edit", "FontSize", 12);
      std::filesystem::remove_all(state);
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  chmod(sub.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(TempDir::Read(file), "[Edit]\nFontSize=12\n");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(sub)) ++entries;
  EXPECT_EQ(entries, 1);
}

// A file with lone CR line ends: rewriting a value as it is leaves every byte.
TEST_F(IniFileTest, LoneCarriageReturnFilesAreStable) {
  const std::string text = "[Window]\rTop=10\r[Edit]\rFontSize=12\r";
  Given(text);
  for (int round = 0; round < 3; ++round) {
    ini.WriteInteger("Edit", "FontSize", 12);
    ini.WriteInteger("Window", "Top", 10);
    EXPECT_EQ(OnDisk(), text) << round;
  }
  EXPECT_EQ(ini.ReadInteger("Window", "Top", 0), 10);
  ini.WriteInteger("Edit", "FontSize", 13);
  EXPECT_EQ(OnDisk(), "[Window]\rTop=10\r[Edit]\rFontSize=13\r");
}

TEST_F(IniFileTest, FailedWriteThrows) {
  IniFile nowhere(dir.File("no-such-folder/quiret.ini"));
  EXPECT_THROW(nowhere.WriteInteger("Window", "Top", 1), std::runtime_error);
  EXPECT_EQ(nowhere.ReadInteger("Window", "Top", 5), 5);
}

}  // namespace
}  // namespace quiret
