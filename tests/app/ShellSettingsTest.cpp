// Settings file: defaults, every key's round trip, forms on disk and the tab-strip rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(ShellSettings, DefaultsWithoutAFile) {
  TestShell s;
  TFormBase& f = s.Start();
  EXPECT_EQ(s.window.bounds, (TWindowBounds{10, 10, 600, 400}));
  EXPECT_FALSE(s.window.maximized);
  EXPECT_EQ(f.FontName, "ＭＳ ゴシック");
  EXPECT_EQ(f.FontSize, 12);
  EXPECT_EQ(f.BGColor, 0x00F6F6F6u);
  EXPECT_EQ(f.MKColor, 0x00808040u);
  EXPECT_EQ(f.SLColor, 0x00FF8000u);
  EXPECT_EQ(f.LinkColor, 0x00FF0000u);
  EXPECT_TRUE(f.Checked("MmScroll"));
  EXPECT_EQ(s.strip.width, 0);
  EXPECT_EQ(s.strip.position, 0);
  EXPECT_TRUE(f.Checked("MmTabFit"));
  EXPECT_TRUE(f.Checked("MmStyleTab"));
  EXPECT_TRUE(f.Checked("MmTabTop"));
  EXPECT_TRUE(f.Checked("MmCloseAsk"));
  EXPECT_TRUE(f.Checked("MmFileMemory"));
  EXPECT_FALSE(f.Checked("MmCloseOpt"));
  EXPECT_FALSE(f.Checked("MmAutoClipOpen"));
}

TEST(ShellSettings, WrittenInOrderAndForm) {
  TestShell s;
  TFormBase& f = s.Start();
  s.window.bounds = {30, 20, 700, 500};
  f.BGColor = 0x000000FF;  // pure red
  f.FormClose();
  const std::string expected =
      "[Window]\nMaximized=0\nTop=20\nLeft=30\nHeight=500\nWidth=700\n"
      "[Edit]\nFontName=ＭＳ ゴシック\nFontSize=12\nFontColor=00000000\nBGColor=000000FF\nMKColor=00808040\n"
      "SLColor=00FF8000\nLinkColor=00FF0000\nTurnUp=1\n"
      "[Tab]\nWidth=0\nStyle=0\nPos=0\nCloseActive=0\nCloseAsk=1\nStateSave=1\nAutoClipLoad=0\n"
      "[File]\nNum=0\n"
      "[Encoding]\nAutoOpen=1\nKeepLineEnds=0\n";
  // Blank lines and the line-end style are the file writer's business, not the order's.
  std::istringstream in(s.ReadSettings());
  std::string squeezed, line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) squeezed += line + "\n";
  }
  EXPECT_EQ(squeezed, expected);
  s.Restart();
  EXPECT_EQ(s.Start().BGColor, 0x000000FFu);
  EXPECT_EQ(s.window.bounds, (TWindowBounds{30, 20, 700, 500}));
}

TEST(ShellSettings, MaximizedWritesOnlyTheFlagAndRestoresAtDefaults) {
  TestShell s;
  s.Start();
  s.window.maximized = true;
  s.window.bounds = {0, 0, 1280, 900};
  s.Form().FormClose();
  IniFile ini(s.settingsPath);
  EXPECT_TRUE(ini.ReadBool("Window", "Maximized", false));
  EXPECT_EQ(ini.ReadInteger("Window", "Top", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Window", "Width", -1), -1);
  s.Restart();
  s.Start();
  EXPECT_TRUE(s.window.maximized);
  EXPECT_EQ(s.window.bounds, (TWindowBounds{10, 10, 600, 400}));
  // Bounds first, so they become the restore bounds of the maximized window.
  EXPECT_EQ(s.window.log, (std::vector<std::string>{"bounds", "maximize"}));
}

TEST(ShellSettings, OddTabWidthIsKeptWithTheFitItemChecked) {
  TestShell s;
  IniFile(s.settingsPath).WriteInteger("Tab", "Width", 90);
  TFormBase& f = s.Start();
  EXPECT_EQ(s.strip.width, 90);
  EXPECT_TRUE(f.Checked("MmTabFit"));
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadInteger("Tab", "Width", -1), 90);
}

TEST(ShellSettings, TabWidthItemsFollowTheStoredWidth) {
  for (int w : {60, 80, 100, 120}) {
    TestShell s;
    IniFile(s.settingsPath).WriteInteger("Tab", "Width", w);
    TFormBase& f = s.Start();
    EXPECT_TRUE(f.Checked("MmTab" + std::to_string(w))) << w;
    EXPECT_FALSE(f.Checked("MmTabFit")) << w;
  }
}

TEST(ShellSettings, ButtonStyleForcesTopAndWritesPosZero) {
  TestShell s;
  IniFile ini(s.settingsPath);
  ini.WriteInteger("Tab", "Style", 1);
  ini.WriteInteger("Tab", "Pos", 1);
  TFormBase& f = s.Start();
  EXPECT_EQ(s.strip.style, 1);
  EXPECT_EQ(s.strip.position, 0);
  EXPECT_TRUE(f.Checked("MmStyleButton"));
  EXPECT_TRUE(f.Checked("MmTabTop"));
  EXPECT_FALSE(f.Checked("MmTabBottom"));
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadInteger("Tab", "Pos", -1), 0);
}

TEST(ShellSettings, NormalTabsMayGoToTheBottom) {
  TestShell s;
  IniFile(s.settingsPath).WriteInteger("Tab", "Pos", 1);
  TFormBase& f = s.Start();
  EXPECT_EQ(s.strip.position, 1);
  EXPECT_TRUE(f.Checked("MmTabBottom"));
  EXPECT_FALSE(f.Checked("MmTabTop"));
}

TEST(ShellSettings, BooleanOptionsAndHexIntegersRoundTrip) {
  TestShell s;
  IniFile ini(s.settingsPath);
  ini.WriteString("Edit", "FontSize", "$10");
  ini.WriteString("Window", "Width", "0x200");
  ini.WriteString("Window", "Height", "tall");  // malformed: the default
  ini.WriteString("Edit", "TurnUp", "0");
  ini.WriteString("Tab", "CloseActive", "7");
  ini.WriteString("Tab", "StateSave", "0");
  ini.WriteString("Tab", "AutoClipLoad", "1");
  TFormBase& f = s.Start();
  EXPECT_EQ(f.FontSize, 16);
  EXPECT_EQ(s.window.bounds.Width, 512);
  EXPECT_EQ(s.window.bounds.Height, 400);
  EXPECT_FALSE(f.Checked("MmScroll"));
  EXPECT_TRUE(f.Checked("MmCloseOpt"));
  EXPECT_FALSE(f.Checked("MmFileMemory"));
  EXPECT_TRUE(f.Checked("MmAutoClipOpen"));
  f.OpenFile(s.Write("a.txt", "a\r\n"));
  f.FormClose();
  IniFile after(s.settingsPath);
  EXPECT_EQ(after.ReadString("Edit", "FontSize", ""), "16");
  EXPECT_EQ(after.ReadString("Tab", "CloseActive", ""), "1");
  // Reopening is off: the File section stays empty.
  EXPECT_EQ(after.ReadString("File", "Num", "none"), "none");
  EXPECT_EQ(after.ReadString("File", "File1", "none"), "none");
}

TEST(ShellSettings, MalformedColourIsReportedAndStartGoesOnWithItsDefault) {
  TestShell s;
  const std::string a = s.Write("a.txt", "a\r\n");
  IniFile ini(s.settingsPath);
  ini.WriteString("Edit", "BGColor", "GREEN");
  ini.WriteString("Edit", "MKColor", "");
  ini.WriteString("Edit", "LinkColor", "00abcdef");
  ini.WriteInteger("Tab", "Width", 80);
  ini.WriteString("File", "File1", a);
  ini.WriteInteger("File", "Num", 1);
  TFormBase& f = s.Start();
  EXPECT_EQ(f.BGColor, 0x00F6F6F6u);
  EXPECT_EQ(f.MKColor, 0x00808040u);
  EXPECT_EQ(f.LinkColor, 0x00ABCDEFu);  // lower-case hexadecimal is still hexadecimal
  ASSERT_EQ(s.boxes.Texts("error").size(), 2u);
  EXPECT_NE(s.boxes.Texts("error")[0].find("GREEN"), std::string::npos);
  EXPECT_EQ(s.strip.width, 80);  // the rest of the settings was read
  EXPECT_EQ(f.TabCount(), 1);    // and the reopen list
  EXPECT_TRUE(s.window.acceptDrops);
  f.FormClose();
  EXPECT_EQ(IniFile(s.settingsPath).ReadString("Edit", "BGColor", ""), "00F6F6F6");
}

TEST(ShellSettings, ReopenListSkipsNewDocumentsWithoutGaps) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("one.txt", "1\r\n"));
  f.Execute("FileNew");
  f.OpenFile(s.Write("two.txt", "2\r\n"));
  f.FormClose();
  IniFile ini(s.settingsPath);
  EXPECT_EQ(ini.ReadInteger("File", "Num", -1), 2);
  EXPECT_EQ(ini.ReadString("File", "File1", ""), s.Path("one.txt"));
  EXPECT_EQ(ini.ReadString("File", "File2", ""), s.Path("two.txt"));
}

TEST(ShellSettings, LocationIsBesideTheProgramWhenItsFolderIsWritable) {
  TestShell s;
  EXPECT_EQ(SettingsFilePath(s.Path("quiret")), s.Path("quiret.ini"));
}

TEST(ShellSettings, LocationFallsBackToTheUserConfigFolder) {
  TestShell s;
  const std::string config = s.Path("config");
  mkdir(config.c_str(), 0777);
  chmod(config.c_str(), 0777);
  chmod(s.dir.c_str(), 0755);
  // Root may write into any folder, so the question is asked as an ordinary user.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string path = SettingsFilePath("/usr/bin/quiret");
    _exit(path == config + "/quiret/quiret.ini" ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(DirectoryExists(config + "/quiret"));
}

}  // namespace
}  // namespace quiret
