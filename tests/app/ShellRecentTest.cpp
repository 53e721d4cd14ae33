// The recent-files list: what adds to it, its order and limit, the File menu's items, and
// its own section of the settings file.
#include <gtest/gtest.h>

#include <sstream>

#include "app/Menus.h"
#include "platform/IniFile.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

std::vector<std::string> Paths(const TFormBase& f) {
  std::vector<std::string> out;
  for (const TRecentFile& r : f.RecentFiles()) out.push_back(r.Path);
  return out;
}

// The [Recent] section as written, lines without blank ones.
std::string RecentSection(const TestShell& s) {
  std::istringstream in(s.ReadSettings());
  std::string out, line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') inside = line == "[Recent]";
    if (inside && !line.empty()) out += line + "\n";
  }
  return out;
}

TEST(ShellRecent, OpenedAndSavedFilesNewestFirstInTheirOwnSection) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string a = s.Write("a.txt", "a\r\n"), jp = s.Write("日本語の名前.txt", "j\r\n");
  const std::string saved = s.Path("保存先.txt");
  f.OpenFile(a);
  f.OpenFile(jp);
  f.Execute("FileNew");
  s.dialogs.saveNames = {saved};
  f.Execute("FileSaveAs");
  EXPECT_EQ(Paths(f), (std::vector<std::string>{saved, jp, a}));
  s.dialogs.openNames = {a};
  f.Execute("FileOpen");  // already open: its tab comes forward, and so does its entry
  EXPECT_EQ(Paths(f), (std::vector<std::string>{a, saved, jp}));
  f.Execute("MoveRightTab");
  s.Modify();
  f.Execute("FileSave");
  EXPECT_EQ(Paths(f), (std::vector<std::string>{jp, a, saved}));
  s.Write("ReadMe.txt", "guide\r\n");
  ASSERT_TRUE(f.MenuClick("MmReadMeOpen"));  // the guide has an item of its own
  ASSERT_EQ(f.TabCount(), 4);
  f.FormClose();
  EXPECT_EQ(RecentSection(s), "[Recent]\nFile1=" + jp + "\nFile2=" + a + "\nFile3=" + saved + "\nNum=3\n");
  // The design's [File] section is as it was, and a new start reads the same list back,
  // the reopened files leaving its order alone.
  IniFile ini(s.settingsPath);
  EXPECT_EQ(ini.ReadInteger("File", "Num", -1), 4);
  EXPECT_EQ(ini.ReadString("File", "File1", ""), a);
  s.Restart();
  EXPECT_EQ(Paths(s.Start()), (std::vector<std::string>{jp, a, saved}));
}

TEST(ShellRecent, TenAtMostAndCleanedWhenRead) {
  TestShell s;
  {
    IniFile ini(s.settingsPath);
    ini.WriteString("Recent", "File1", s.Path("x.txt"));
    ini.WriteString("Recent", "File2", "");
    ini.WriteString("Recent", "File3", s.Path("x.txt"));
    ini.WriteString("Recent", "File4", s.Path("y.txt"));
    ini.WriteInteger("Recent", "Num", 40);
  }
  TFormBase& f = s.Start();
  EXPECT_EQ(Paths(f), (std::vector<std::string>{s.Path("x.txt"), s.Path("y.txt")}));
  std::vector<std::string> expected;
  for (int i = 0; i < 12; ++i) {
    const std::string p = s.Write("f" + std::to_string(i) + ".txt", "");
    f.OpenFile(p);
    expected.insert(expected.begin(), p);
  }
  expected.resize(10);
  EXPECT_EQ(Paths(f), expected);
  s.Form().FormClose();
  IniFile ini(s.settingsPath);
  EXPECT_EQ(ini.ReadInteger("Recent", "Num", -1), 10);
  EXPECT_EQ(ini.ReadString("Recent", "File10", ""), expected[9]);
  EXPECT_EQ(ini.ReadString("Recent", "File11", "none"), "none");
}

TEST(ShellRecent, MenuOpensReportsMissingAndClears) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::vector<TMenuItem> menus = MainMenuItems();
  const TMenuItem* sub = FindMenuItem(menus, "MmRecent");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub, &menus.at(0).Items.at(3));  // in the File menu, after Open
  EXPECT_EQ(sub->Caption, "最近使ったファイル(&R)");
  f.MenuPopup("MmRecent");
  EXPECT_FALSE(f.ItemEnabled("MmRecentClear"));  // nothing to clear
  const std::string gone = s.Write("gone.txt", "g\r\n"), here = s.Write("here.txt", "h\r\n");
  f.OpenFile(gone);
  f.OpenFile(here);
  while (f.TabCount() > 0) f.Execute("FileClose");
  std::remove(gone.c_str());
  EXPECT_TRUE(f.MenuClick(TFormBase::RecentItemName(1)));  // gone.txt, the older one
  EXPECT_EQ(s.boxes.Texts("plain"), std::vector<std::string>{gone + "\r\n が見つかりません。"});
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_EQ(Paths(f), std::vector<std::string>{here});
  EXPECT_FALSE(f.MenuClick(TFormBase::RecentItemName(1)));  // no such entry any more
  EXPECT_TRUE(f.MenuClick(TFormBase::RecentItemName(0)));
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, here);
  EXPECT_TRUE(static_cast<TestEditorWindow&>(f.ActiveEditor()->Window()).focused);
  f.MenuPopup("MmRecent");
  EXPECT_TRUE(f.MenuClick("MmRecentClear"));
  EXPECT_TRUE(f.RecentFiles().empty());
  f.FormClose();
  EXPECT_EQ(RecentSection(s), "");  // an empty list leaves no section behind
}

}  // namespace
}  // namespace quiret
