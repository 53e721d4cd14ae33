// Status texts that belong to a document follow its tab, and the not-Shift-JIS notice box is
// shown when the user opens such a file, not again when the reopen list brings it back.
#include <gtest/gtest.h>

#include "tests/support/TestShell.h"

namespace quiret {
namespace {

TEST(ShellStatus, FindTextsStayWithTheirTab) {
  TestShell s;
  TFormBase& f = s.Start();
  const std::string& find = s.status.panels[kFindPanel];
  f.OpenFile(s.Write("a.txt", "x x x\r\n"));
  f.OpenFile(s.Write("b.txt", "y\r\n"));
  ASSERT_TRUE(f.SetFindTexts("x", "z"));
  f.Execute("EditFindNext");
  EXPECT_EQ(find, "「x」は見つかりません（次は先頭から検索します）");  // b.txt has none
  f.Execute("MoveLeftTab");
  EXPECT_EQ(find, "");
  f.ReplaceAllExecute();
  EXPECT_EQ(find, "3件置換しました");
  s.strip.active = 1;  // the user clicks b.txt's tab
  f.TabChanged();
  EXPECT_EQ(find, "「x」は見つかりません（次は先頭から検索します）");
  f.Execute("FileNew");
  EXPECT_EQ(find, "");
  f.Execute("MoveRightTab");  // wraps round to a.txt
  EXPECT_EQ(find, "3件置換しました");
  s.boxes.answers = {YesNoAnswer::No};  // closed unsaved; its text goes with it
  f.Execute("FileClose");
  EXPECT_EQ(f.Tab(f.ActiveIndex()).Hint, s.Path("b.txt"));
  EXPECT_EQ(find, "「x」は見つかりません（次は先頭から検索します）");
  while (f.TabCount() > 0) f.Execute("FileClose");
  EXPECT_EQ(find, "");
  f.OpenFile(s.Path("a.txt"));  // a new tab for the same file starts without a text
  EXPECT_EQ(find, "");
}

TEST(ShellStatus, NotShiftJisNoticeOnlyWhenTheUserOpensTheFile) {
  TestShell s;
  const std::string utf8 = s.Write("u.txt", "\xEF\xBB\xBF\xE6\x97\xA5\r\n");
  const std::string message =
      utf8 + "\r\n は UTF-8 (BOM 付き) の可能性があります。\r\nShift-JIS として開きました。";
  s.Start().OpenFile(utf8);
  EXPECT_EQ(s.boxes.Texts("information"), std::vector<std::string>{message});
  s.Form().FormClose();
  for (int run = 0; run < 2; ++run) {  // every later start keeps quiet
    s.boxes.shown.clear();
    s.Restart();
    TFormBase& f = s.Start();
    ASSERT_EQ(f.TabCount(), 1);
    EXPECT_TRUE(s.boxes.shown.empty()) << run;
    EXPECT_EQ(s.status.panels[kNoticePanel], "UTF-8 (BOM 付き) の可能性") << run;
    f.FormClose();
  }
  // Opened again by the user, the file is told about again.
  s.Form().Execute("FileClose");
  s.Form().OpenFile(utf8);
  EXPECT_EQ(s.boxes.Texts("information"), std::vector<std::string>{message});
}

}  // namespace
}  // namespace quiret
