// Text that code page 932 cannot hold: what the user is told, and the JIS forms of symbols
// that the find and replace fields take like the code page's own.
#include <gtest/gtest.h>

#include "tests/support/TestShell.h"

namespace quiret {
namespace {

const char kTold[] = "Shift-JISで表せない文字を「?」に置き換えました（3文字）";

// Every way in that reads the clipboard tells once per paste, with the count; a paste
// without replacements leaves the status as it was.
TEST(ShellCodePage, ReplacedCharactersAreToldOncePerPaste) {
  TestShell s;
  TFormBase& f = s.Start();
  s.clipboard.PutFromOutside("a???");
  s.clipboard.replaced = 3;
  for (const auto& paste : std::vector<std::function<void()>>{
           [&] { f.Execute("FileNewFromClip"); },
           [&] { f.ActiveEditor()->PasteFromClipboard(); },  // the editor's own keys
           [&] { f.Execute("EditPaste"); }}) {
    s.status.panels[kFindPanel].clear();
    paste();
    EXPECT_EQ(s.status.panels[kFindPanel], kTold);
  }
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "a???a???a???");
  s.status.panels[kFindPanel] = "before";
  s.clipboard.replaced = 0;
  f.Execute("EditPaste");
  EXPECT_EQ(s.status.panels[kFindPanel], "before");
}

TEST(ShellCodePage, FindFieldsTakeTheJisFormsOfSymbols) {
  TestShell s;
  TFormBase& f = s.Start();
  f.Execute("FileNew");
  f.ActiveEditor()->TypeText("\x82\xA0\x81\x60\x81\x7C");  // あ～－
  f.MoveTopExecute();
  ASSERT_TRUE(f.SetFindTexts("〜−", "‖"));
  EXPECT_EQ(f.FindStr, "\x81\x60\x81\x7C");
  EXPECT_EQ(f.ChangeStr, "\x81\x61");
  f.ReplaceAllExecute();
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), "\x82\xA0\x81\x61");
  EXPECT_FALSE(f.SetFindTexts("😀", ""));  // still refused: it would find "?"
}

}  // namespace
}  // namespace quiret
