// Document tabs: creation, editor configuration, closing with its question, status texts,
// tab strip mouse rules, switching and dropped files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/support/TestShell.h"

namespace quiret {
namespace {

// Four new tabs A B C D ((Untitled1)..(Untitled4)) with C active.
struct FourTabs : ::testing::Test {
  TestShell s;
  TFormBase* f = nullptr;
  void SetUp() override {
    f = &s.Start();
    for (int i = 0; i < 4; ++i) f->Execute("FileNew");
    s.strip.active = 2;
    f->TabChanged();
  }
  std::vector<std::string> Captions() const { return s.strip.captions; }
};

TEST(ShellTabs, NewTabsAreNumberedAndNumbersAreNeverReused) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  EXPECT_EQ(s.strip.captions, (std::vector<std::string>{"(Untitled1)", "(Untitled2)"}));
  EXPECT_EQ(f.Tab(1).Name, "TabSheet2");
  EXPECT_EQ(f.Tab(1).EditorName, "SEdit2");
  EXPECT_EQ(f.ActiveIndex(), 1);
  f.Execute("FileClose");
  f.Execute("FileClose");
  f.Execute("FileNew");
  EXPECT_EQ(s.strip.captions, (std::vector<std::string>{"(Untitled3)"}));
  EXPECT_EQ(s.status.panels[0], "ファイル数：1");
  EXPECT_EQ(s.status.panels[1], "新規未保存");
  EXPECT_EQ(s.status.panels[3], "New File");
  EXPECT_EQ(s.pages.shown, f.Tab(0).Page.get());
  EXPECT_TRUE(static_cast<TestEditorWindow*>(f.Tab(0).Page.get())->focused);
}

TEST(ShellTabs, NewEditorTakesTheSettings) {
  TestShell s;
  TFormBase& f = s.Start();
  f.FontName = "IPAGothic";
  f.FontSize = 15;
  f.FontColor = 0x00112233;
  f.BGColor = 0x00445566;
  f.MKColor = 0x00778899;
  f.SLColor = 0x00AABBCC;
  f.LinkColor = 0x00DDEEFF;
  f.Execute("FileNew");
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(ed.Color, 0x00445566u);
  EXPECT_EQ(ed.CREOFcolor, 0x00778899u);
  EXPECT_EQ(ed.SelColor, 0x00AABBCCu);
  EXPECT_EQ(ed.URLColor, 0x00DDEEFFu);
  EXPECT_EQ(ed.InyoColor, 0x00112233u);
  EXPECT_EQ(ed.UlineColor, 0x00112233u);
  EXPECT_EQ(ed.Inyostr, "");
  EXPECT_EQ(ed.GetFont().Name, "IPAGothic");
  EXPECT_EQ(ed.GetFont().Size(), 15);
  EXPECT_EQ(ed.GetFont().Color, 0x00112233u);
  EXPECT_EQ(ed.TabCount, 4);
  EXPECT_TRUE(ed.WordWrap);
  EXPECT_TRUE(ed.AutoWrap);
  EXPECT_FALSE(ed.HorzScrollBar);
  EXPECT_EQ(ed.Column, ed.NoWrapColumns);
  EXPECT_EQ(ed.ScrollStep, 2);
  EXPECT_FALSE(ed.UlineF);
  EXPECT_FALSE(ed.GetModified());
  f.SetChecked("MmScroll", false);
  f.Execute("FileNew");
  EXPECT_FALSE(f.ActiveEditor()->WordWrap);
  EXPECT_TRUE(f.ActiveEditor()->HorzScrollBar);
}

TEST_F(FourTabs, MiddleClickOnLeftNeighbourKeepsTheSameTabActive) {
  f->TabCloseClick(1);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"(Untitled1)", "(Untitled3)", "(Untitled4)"}));
  EXPECT_EQ(f->TabCaption(f->ActiveIndex()), "(Untitled3)");
  EXPECT_EQ(s.pages.shown, f->Tab(f->ActiveIndex()).Page.get());
}

TEST_F(FourTabs, MiddleClickOnRightNeighbourKeepsTheSameTabActive) {
  f->TabCloseClick(3);
  EXPECT_EQ(f->TabCaption(f->ActiveIndex()), "(Untitled3)");
}

TEST_F(FourTabs, ClosingTheActiveTabActivatesItsRightNeighbourOrTheNewLast) {
  f->TabCloseClick(2);
  EXPECT_EQ(f->TabCaption(f->ActiveIndex()), "(Untitled4)");
  f->TabCloseClick(f->ActiveIndex());
  EXPECT_EQ(f->TabCaption(f->ActiveIndex()), "(Untitled2)");
  EXPECT_EQ(s.status.panels[0], "ファイル数：2");
}

TEST_F(FourTabs, CloseActiveOptionOnlyFocusesForOtherTabs) {
  f->SetChecked("MmCloseOpt", true);
  auto* page = static_cast<TestEditorWindow*>(f->Tab(2).Page.get());
  page->focused = false;
  f->TabCloseClick(0);
  EXPECT_EQ(f->TabCount(), 4);
  EXPECT_TRUE(page->focused);
  f->TabCloseClick(-1);  // outside every tab
  EXPECT_EQ(f->TabCount(), 4);
  f->TabCloseClick(2);
  EXPECT_EQ(f->TabCount(), 3);
}

TEST_F(FourTabs, OtherPressesFocusTheEditorOnlyOnTheActiveTab) {
  auto* page = static_cast<TestEditorWindow*>(f->Tab(2).Page.get());
  page->focused = false;
  f->TabOtherPress(1);
  EXPECT_FALSE(page->focused);
  EXPECT_EQ(f->ActiveIndex(), 2);
  f->TabOtherPress(2);
  EXPECT_TRUE(page->focused);
}

TEST_F(FourTabs, RightReleaseOpensTheMenuOnlyOnTheActiveTab) {
  f->TabRightRelease(1, {5, 6});
  EXPECT_TRUE(s.strip.menus.empty());
  f->TabRightRelease(2, {7, 8});
  EXPECT_EQ(s.strip.menus, (std::vector<TPoint>{{7, 8}}));
}

TEST_F(FourTabs, F7AndF8WrapAroundWithoutMovingTheFocus) {
  s.strip.active = 0;
  f->TabChanged();
  auto* first = static_cast<TestEditorWindow*>(f->Tab(0).Page.get());
  EXPECT_TRUE(first->focused);
  for (int i = 0; i < f->TabCount(); ++i)
    static_cast<TestEditorWindow*>(f->Tab(i).Page.get())->focused = false;
  EXPECT_TRUE(f->Execute("MoveLeftTab"));
  EXPECT_EQ(f->ActiveIndex(), 3);
  EXPECT_EQ(s.pages.shown, f->Tab(3).Page.get());
  EXPECT_FALSE(static_cast<TestEditorWindow*>(f->Tab(3).Page.get())->focused);
  EXPECT_TRUE(f->Execute("MoveRightTab"));
  EXPECT_EQ(f->ActiveIndex(), 0);
  const auto* a = f->Actions.Find("MoveLeftTab");
  EXPECT_EQ(a->Shortcut, "F7");
  EXPECT_EQ(f->Actions.Find("MoveRightTab")->Shortcut, "F8");
}

TEST(ShellTabs, MovingNeedsTwoTabs) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  EXPECT_FALSE(f.Execute("MoveRightTab"));
}

TEST(ShellTabs, ModifiedMarkFollowsTypingUndoAndSaving) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(s.status.panels[2], "");
  ed.WmChar('a');
  EXPECT_EQ(s.status.panels[2], "更新");
  ed.Undo();
  EXPECT_EQ(s.status.panels[2], "");
  ed.WmChar('b');
  f.Execute("FileNew");  // another tab is active: its own state shows
  EXPECT_EQ(s.status.panels[2], "");
  f.Execute("MoveLeftTab");
  EXPECT_EQ(s.status.panels[2], "更新");
}

TEST(ShellTabs, ClosingTheOnlyTabShowsNoFile) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileClose");
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_EQ(s.status.panels[0], "ファイル数：0");
  EXPECT_EQ(s.status.panels[1], "");
  EXPECT_EQ(s.status.panels[3], "No File");
  EXPECT_EQ(s.pages.shown, nullptr);
  EXPECT_EQ(f.ActiveEditor(), nullptr);
}

TEST(ShellTabs, CloseQuestionLoopsUntilSavedOrDeclined) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  s.Modify();
  // Yes, then the save dialog is cancelled: the same question again; then No closes.
  s.boxes.answers = {YesNoAnswer::Yes, YesNoAnswer::No};
  s.dialogs.saveNames = {std::nullopt};
  f.Execute("FileClose");
  ASSERT_EQ(s.boxes.Texts("yesno").size(), 2u);
  EXPECT_EQ(s.boxes.Texts("yesno")[0], "(Untitled1) は変更されています。\r\n 閉じる前に保存しますか？");
  EXPECT_EQ(s.boxes.Texts("yesno")[1], s.boxes.Texts("yesno")[0]);
  EXPECT_EQ(f.TabCount(), 0);
}

TEST(ShellTabs, CloseQuestionYesSavesThenCloses) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  s.Modify();
  s.boxes.answers = {YesNoAnswer::Yes};
  s.dialogs.saveNames = {s.Path("kept.txt")};
  f.Execute("FileClose");
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_EQ(TestShell::Read(s.Path("kept.txt")), "x");
  EXPECT_EQ(s.dialogs.savePresets.at(0), "(Untitled1).txt");
}

TEST(ShellTabs, ClosingTheQuestionBoxCancelsTheClose) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.Execute("FileNew");
  s.Modify(0);
  s.boxes.answers = {YesNoAnswer::Closed};
  f.TabCloseClick(0);
  EXPECT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.ActiveIndex(), 0);  // the tab asked about stays active
}

TEST(ShellTabs, ModifiedReadMeAndUnaskedTabsCloseSilently) {
  TestShell s;
  s.Write("ReadMe.txt", "read me\r\n");
  TFormBase& f = s.Start();
  f.MenuClick("MmReadMeOpen");
  s.Modify();
  f.Execute("FileClose");
  EXPECT_EQ(f.TabCount(), 0);
  f.SetChecked("MmCloseAsk", false);
  f.Execute("FileNew");
  s.Modify();
  f.Execute("FileClose");
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_TRUE(s.boxes.Texts("yesno").empty());
}

TEST(ShellTabs, StatusShowsReadOnlyAndReadMeStates) {
  TestShell s;
  s.Write("ReadMe.txt", "read me\r\n");
  const std::string ro = s.Write("ro.txt", "ro\r\n");
  chmod(ro.c_str(), 0444);
  TFormBase& f = s.Start();
  f.OpenFile(ro);
  EXPECT_EQ(f.Tab(0).Flags, ReadOnlyFile);
  EXPECT_EQ(s.status.panels[1], "読み取り専用");
  EXPECT_EQ(s.status.panels[3], ro);
  f.MenuClick("MmReadMeOpen");
  EXPECT_EQ(f.Tab(1).Flags, ReadMeFile);
  EXPECT_EQ(s.status.panels[1], "保存不可");
  f.OpenFile(s.Write("plain.txt", "p\r\n"));
  EXPECT_EQ(s.status.panels[1], "");
  EXPECT_EQ(s.status.panels[0], "ファイル数：3");
}

TEST(ShellTabs, DropOpensEveryRegularFileWithWholePathsAndNamesTheRest) {
  TestShell s;
  TFormBase& f = s.Start();
  mkdir(s.Path("folder.txt").c_str(), 0700);
  // Deeper than 1,023 characters: a path cut there would name something else.
  std::string built = s.dir;
  for (int i = 0; i < 5; ++i) {
    built += "/" + std::string(200, static_cast<char>('k' + i));
    mkdir(built.c_str(), 0700);
  }
  const std::string longPath = built + "/a.txt";
  ASSERT_GT(longPath.size(), 1023u);
  { std::ofstream(longPath) << "deep\r\n"; }
  f.FilesDropped({s.Path("folder.txt"), s.Write("photo.jpg", "x"), s.Write("a.txt", "a\r\n"), longPath});
  ASSERT_EQ(f.TabCount(), 3);
  EXPECT_EQ(f.Tab(0).Hint, s.Path("photo.jpg"));
  EXPECT_EQ(f.Tab(1).Hint, s.Path("a.txt"));
  EXPECT_EQ(f.Tab(2).Hint, longPath);
  EXPECT_EQ(std::string(f.Tab(2).Editor->Lines->Get(0)), "deep\r\n");
  EXPECT_EQ(s.window.broughtToFront, 1);
  EXPECT_EQ(s.boxes.Texts("plain"), std::vector<std::string>{"次のものは開けませんでした。\r\n   " +
                                                             s.Path("folder.txt") + ": フォルダーです\r\n"});
}

}  // namespace
}  // namespace quiret
