// Find and replace commands: the Edit menu items, the bar the front end shows, the status
// texts made of the editor's find events and the question before each replacement.
#include <gtest/gtest.h>

#include "app/Menus.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(ShellFind, MenuKeysAndEnabling) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::vector<TMenuItem> menus = MainMenuItems();
  for (const auto& [item, action, caption, keys] :
       std::vector<std::tuple<const char*, const char*, const char*, const char*>>{
           {"MmFind", "EditFind", "検索(&F)...", "Ctrl+F"},
           {"MmFindNext", "EditFindNext", "次を検索(&N)", "F3"},
           {"MmFindPrev", "EditFindPrev", "前を検索(&P)", "Shift+F3"},
           {"MmReplace", "EditReplace", "置換(&H)...", "Ctrl+R"}}) {
    ASSERT_NE(FindMenuItem(menus, item), nullptr) << item;
    EXPECT_EQ(FindMenuItem(menus, item)->Action, action);
    EXPECT_EQ(f.Actions.Find(action)->Caption, caption);
    EXPECT_EQ(f.Actions.Find(action)->Shortcut, keys);
  }
  EXPECT_FALSE(f.Actions.IsEnabled("EditFind"));  // no tab
  f.OpenFile(s.Write("a.txt", "one\r\n"));
  EXPECT_TRUE(f.Actions.IsEnabled("EditFind"));
  EXPECT_FALSE(f.Actions.IsEnabled("EditFindNext"));  // nothing to search for yet
  std::vector<bool> shown;
  f.ShowFindBar = [&shown](bool replace) { shown.push_back(replace); };
  f.Execute("EditFind");
  f.Execute("EditReplace");
  EXPECT_EQ(shown, (std::vector<bool>{false, true}));
}

TEST(ShellFind, StatusTextsAndConfirmedReplacements) {
  TestShell s;
  TFormBase& f = s.Start();
  f.OpenFile(s.Write("a.txt", "cat dog\r\ncat\r\ncat\r\n"));
  EXPECT_FALSE(f.SetFindTexts("猫\xF0\x9F\x90\x88", ""));  // CP932 has no emoji
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "Shift-JISで表せない文字は検索、置換できません");
  ASSERT_TRUE(f.SetFindTexts("dog", "cow"));
  f.Execute("EditFindNext");
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "「dog」が見つかりました（1行目）");
  f.Execute("EditFindNext");
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "「dog」は見つかりません（次は先頭から検索します）");
  f.Execute("EditFindPrev");  // nothing before the one selected; the next one starts at the end
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "「dog」は見つかりません（次は末尾から検索します）");
  f.Execute("EditFindPrev");
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "「dog」が見つかりました（1行目）");
  ASSERT_TRUE(f.SetFindTexts("cat", "cow"));
  f.ReplaceConfirm = true;
  s.boxes.answers = {YesNoAnswer::Yes, YesNoAnswer::No, YesNoAnswer::Yes};
  f.ReplaceAllExecute();
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "cow dog\r\ncat\r\ncow\r\n");
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "2件置換しました");
  f.Execute("EditUndo");
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "cat dog\r\ncat\r\ncat\r\n");
  s.boxes.answers = {YesNoAnswer::Yes, YesNoAnswer::Closed};  // closing the box stops
  f.ReplaceAllExecute();
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "cow dog\r\ncat\r\ncat\r\n");
  f.FindOptions.Regex = true;
  ASSERT_TRUE(f.SetFindTexts("(", ""));
  f.Execute("EditFindNext");
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel].rfind("正規表現の誤り：", 0), 0u);
}

}  // namespace
}  // namespace quiret
