// Find and replace commands: the Edit menu items, the bar the front end shows, the status
// texts made of the editor's find events and the question before each replacement.
#include <gtest/gtest.h>

#include <algorithm>

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

// The engine's limit is said as such, never as "not found"; a replace all it stops changes
// nothing, and says so.
TEST(ShellFind, EngineLimitIsReportedWithTheLine) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string text = "z\r\n" + std::string(40, 'a') + "Xb\r\n";
  f.OpenFile(s.Write("a.txt", text));
  f.FindOptions.Regex = true;
  ASSERT_TRUE(f.SetFindTexts("^(a|aa)+$|b", "c"));
  for (const auto& [command, status] : std::vector<std::pair<const char*, const char*>>{
           {"EditFindNext", "「^(a|aa)+$|b」の検索を中止しました（2行目で正規表現の照合が上限に達しました）"},
           {"EditFindPrev", "「^(a|aa)+$|b」の検索を中止しました（2行目で正規表現の照合が上限に達しました）"},
           {"ReplaceAll",
            "「^(a|aa)+$|b」の置換を中止しました（2行目で正規表現の照合が上限に達しました。"
            "何も置換していません）"}}) {
    s.status.panels[TFormBase::kFindPanel].clear();
    if (std::string(command) == "EditFindPrev")
      f.ActiveEditor()->MoveToTextEnd();
    else
      f.ActiveEditor()->MoveToTextStart();
    if (std::string(command) == "ReplaceAll")
      f.ReplaceAllExecute();
    else
      f.Execute(command);
    EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], status) << command;
  }
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), text);
  EXPECT_FALSE(f.ActiveEditor()->GetModified());
}

// A search that runs long shows its progress and stops at Esc; a quick one shows nothing.
TEST(ShellFind, LongSearchesShowProgressAndStopOnEscape) {
  TestShell s;
  TFormBase& f = s.Start();
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "abc def " + std::to_string(i % 7) + "\r\n";
  f.OpenFile(s.Write("a.txt", text));
  TLumoEdit& ed = *f.ActiveEditor();
  f.FindOptions.Regex = true;
  ASSERT_TRUE(f.SetFindTexts("[0-9]", "y"));  // found at once
  int polls = 0, escAt = 0;
  f.FindEscPressed = [&] { return ++polls == escAt; };
  f.Execute("EditFindNext");
  EXPECT_TRUE(s.status.progress.empty());
  EXPECT_EQ(polls, 0);

  // No match anywhere, and no literal to skip lines by: every line goes to the engine.
  ASSERT_TRUE(f.SetFindTexts("[0-9][a-z]", "y"));
  f.FindProgressDelayMs = 0;
  f.FindPollMs = 0;
  f.ReplaceAllExecute();  // runs to the end: the bar rises, then goes
  ASSERT_GE(s.status.progress.size(), 3u);
  EXPECT_TRUE(std::is_sorted(s.status.progress.begin(), s.status.progress.end() - 1));
  EXPECT_GE(s.status.progress.end()[-2], 900);
  EXPECT_EQ(s.status.progress.back(), -1);
  EXPECT_EQ(s.status.panels[TFormBase::kFindPanel], "0件置換しました");

  for (const char* command : {"EditFindNext", "EditFindPrev", "ReplaceAll"}) {
    polls = 0;
    escAt = 2;
    s.status.progress.clear();
    const bool all = std::string(command) == "ReplaceAll", back = std::string(command) == "EditFindPrev";
    if (back)
      ed.MoveToTextEnd();
    else
      ed.MoveToTextStart();
    if (all)
      f.ReplaceAllExecute();
    else
      f.Execute(command);
    EXPECT_EQ(polls, 2) << command;
    ASSERT_FALSE(s.status.progress.empty()) << command;
    EXPECT_LT(s.status.progress.end()[-2], 500) << command;  // stopped early
    EXPECT_EQ(s.status.progress.back(), -1) << command;
    EXPECT_EQ(s.status.panels[TFormBase::kFindPanel],
              all ? "「[0-9][a-z]」の置換を中止しました（何も置換していません）"
                  : "「[0-9][a-z]」の検索を中止しました")
        << command;
    EXPECT_FALSE(ed.SelActive) << command;
  }
  EXPECT_EQ(ed.Lines->GetText(), text);
  EXPECT_TRUE(ed.UndoList.empty());
}

}  // namespace
}  // namespace quiret
