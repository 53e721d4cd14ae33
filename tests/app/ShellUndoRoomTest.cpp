// The undo history's room: sized from the document and the machine, a question with No as
// its default before a change that could not be undone, and one note when old steps go.
#include <gtest/gtest.h>

#include "app/UndoRoom.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

TEST(UndoRoom, FollowsTheDocumentWithinAQuarterOfTheMemory) {
  for (const auto& [doc, memory, room] : std::vector<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>>{
           {0, 16384 * kMiB, 64 * kMiB},            // the floor
           {100 * kMiB, 16384 * kMiB, 200 * kMiB},  // twice the document
           {1024 * kMiB, 2048 * kMiB, 512 * kMiB},  // a quarter of the memory
           {1024 * kMiB, 0, 2048 * kMiB}})          // memory unknown: no cap
    EXPECT_EQ(UndoRoomFor(doc, memory), static_cast<std::int64_t>(room)) << doc << " " << memory;
}

constexpr const char* kQuestion = "この操作は元に戻せません。続けますか？";

TEST(ShellUndoRoom, AsksBeforeAChangeThatCouldNotBeUndoneNoByDefault) {
  TestShell s;
  TFormBase& f = s.Start();
  f.PhysicalMemory = 400;  // room for 100 bytes of history
  std::string text;
  for (int i = 0; i < 100; ++i) text += "a/";
  f.OpenFile(s.Write("a.txt", text + "\r\n"));
  TLumoEdit& ed = *f.ActiveEditor();
  EXPECT_EQ(ed.UndoBuf, 100);
  ASSERT_TRUE(f.SetFindTexts("/", "|"));
  // No, and a box closed without a choice, leave the text; each asked with No as the default.
  for (const YesNoAnswer answer : {YesNoAnswer::No, YesNoAnswer::Closed}) {
    s.boxes.answers = {answer};
    s.boxes.shown.clear();
    f.ReplaceAllExecute();
    ASSERT_EQ(s.boxes.shown.size(), 1u);
    EXPECT_EQ(s.boxes.shown[0].text, kQuestion);
    EXPECT_TRUE(s.boxes.shown[0].defaultNo);
    EXPECT_EQ(ed.Lines->GetText(), text + "\r\n");
    EXPECT_FALSE(ed.GetModified());
  }
  s.boxes.answers = {YesNoAnswer::Yes};
  f.ReplaceAllExecute();
  EXPECT_EQ(ed.Lines->GetText().substr(0, 4), "a|a|");
  f.Execute("EditUndo");  // nothing to undo: the change was never recorded
  EXPECT_EQ(ed.Lines->GetText().substr(0, 4), "a|a|");
  EXPECT_TRUE(ed.GetModified());
  // A paste too large for the room asks as well; a small one does not.
  s.boxes.shown.clear();
  s.clipboard.PutFromOutside(std::string(150, 'x'));
  s.boxes.answers = {YesNoAnswer::No};
  f.Execute("EditPaste");
  EXPECT_EQ(s.boxes.shown.size(), 1u);
  EXPECT_EQ(ed.Lines->GetText().substr(0, 4), "a|a|");
  ed.MoveToTextStart();
  s.clipboard.PutFromOutside("yz");
  f.Execute("EditPaste");
  EXPECT_EQ(s.boxes.shown.size(), 1u);
  EXPECT_EQ(ed.Lines->GetText().substr(0, 4), "yza|");
  // So does cutting a large selection.
  f.Execute("EditSelectAll");
  s.boxes.answers = {YesNoAnswer::No};
  f.Execute("EditCut");
  EXPECT_EQ(s.boxes.shown.size(), 2u);
  EXPECT_EQ(ed.Lines->GetText().substr(0, 4), "yza|");
}

TEST(ShellUndoRoom, DroppingOldStepsIsSaidOnce) {
  TestShell s;
  TFormBase& f = s.Start();
  f.PhysicalMemory = 160;  // room for 40 bytes of history
  f.OpenFile(s.Write("a.txt", "\r\n"));
  s.clipboard.PutFromOutside(std::string(30, 'x'));
  f.Execute("EditPaste");
  EXPECT_EQ(s.status.panels[kNoticePanel], "");
  f.Execute("EditPaste");  // the first paste's record goes to make room
  EXPECT_EQ(s.status.panels[kNoticePanel], "元に戻す履歴が一杯になり、古い操作は元に戻せなくなりました");
  s.status.panels[kNoticePanel].clear();
  f.Execute("EditPaste");
  EXPECT_EQ(s.status.panels[kNoticePanel], "");
  EXPECT_TRUE(s.boxes.shown.empty());
  f.Execute("EditUndo");
  EXPECT_EQ(f.ActiveEditor()->Lines->GetText(), std::string(60, 'x') + "\r\n");
}

}  // namespace
}  // namespace quiret
