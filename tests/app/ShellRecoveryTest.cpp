// The shell's crash recovery at start: the question about journals a run left, restoring
// them into tabs, the changed-base, damaged and unreadable cases, and a state folder that
// cannot be used.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/RecoveryJournal.h"
#include "app/RecoveryRestore.h"
#include "platform/FileHash.h"
#include "platform/IniFile.h"
#include "tests/app/RecoveryModel.h"
#include "tests/support/IconvText.h"
#include "tests/support/TestShell.h"

namespace quiret {
namespace {

struct Change {
  int line, offset;
  std::string removed, inserted;
};

std::string Folder(const TestShell& s) { return s.stateHome + "/quiret"; }

// Leaves a journal in the shell's state folder as a run that ended without a word would.
std::string LeaveJournal(const TestShell& s, JournalHeader header, const std::vector<Change>& changes,
                         const std::string* snapshot = nullptr) {
  mkdir(Folder(s).c_str(), 0700);
  RecoveryRun run;
  std::string reason;
  EXPECT_TRUE(run.Start(Folder(s), reason));
  test::TextModel model{snapshot ? *snapshot : ""};
  std::string path;
  {
    DocumentJournal journal(run);
    journal.SetSource(test::SourceOf(model));
    journal.Restart(header, model.Size());
    if (snapshot) journal.Compact();
    for (const Change& c : changes) journal.Append(c.line, c.offset, c.removed, c.inserted);
    journal.FinishHashing();
    path = journal.Path();
    run.Sync().Drain();
  }
  return path;
}

JournalHeader FileHeader(const std::string& path, std::int64_t opened = 1) {
  JournalHeader h;
  h.hasFile = true;
  h.path = path;
  h.caption = path.substr(path.rfind('/') + 1);
  h.base = IdentityOf(path);
  h.openedNs = opened;
  return h;
}

JournalHeader NewHeader(const std::string& caption, std::int64_t opened = 2) {
  JournalHeader h;
  h.caption = caption;
  h.openedNs = opened;
  return h;
}

void SetTime(const std::string& path, std::time_t utc) {
  const timespec times[2] = {{utc, 0}, {utc, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string Text(TFormBase& f, int tab) { return f.Tab(tab).Editor->Lines->GetText(); }

std::vector<std::string> Journals(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == ".qrj") names.push_back(e.path().filename().string());
  return names;
}

const char kAsk[] = "前回は正常に終了しなかったため、保存されていない変更が残っています。\r\n";
const char kAskEnd[] =
    "これらの変更を復元しますか？\r\n（「いいえ」を選ぶと、残っている変更は破棄されます。）";

class ShellRecovery : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) oldTz_ = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (oldTz_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", oldTz_.c_str(), 1);
    tzset();
  }
  std::string oldTz_;
};

TEST_F(ShellRecovery, OneQuestionRestoresEveryDocumentModifiedIntoItsTab) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\nbeta");
  SetTime(LeaveJournal(s, FileHeader(a), {{0, 5, "", "!"}, {1, 0, "beta", "BETA"}}), 1714566896);
  SetTime(LeaveJournal(s, NewHeader("(Untitled2)"), {{0, 0, "", "new\r\ntext"}}), 1714566900);
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  EXPECT_EQ(s.boxes.Texts("yesno"),
            (std::vector<std::string>{std::string(kAsk) + "   a.txt（最終変更 2024/05/01 12:34:56）\r\n" +
                                      "   (Untitled2)（最終変更 2024/05/01 12:35:00）\r\n" + kAskEnd}));
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(f.Tab(0).Hint, a);
  EXPECT_EQ(Text(f, 0), "alpha!\r\nBETA");
  EXPECT_EQ(f.Tab(0).Editor->CaretRow * 100 + f.Tab(0).Editor->CaretCol, 104);  // after the last change
  EXPECT_EQ(f.Tab(1).Hint, "New File");
  EXPECT_EQ(s.strip.captions, (std::vector<std::string>{"a.txt", "(Untitled2)"}));
  EXPECT_EQ(Text(f, 1), "new\r\ntext");
  for (int i = 0; i < 2; ++i) {
    TLumoEdit& ed = *f.Tab(i).Editor;
    EXPECT_TRUE(ed.GetModified());
    s.Modify(i);
    ed.Undo();
    EXPECT_TRUE(ed.GetModified()) << i;  // never looks like the file again
  }
  EXPECT_EQ(s.status.panels[2], "更新");
  EXPECT_TRUE(s.boxes.Texts("information").empty());
  // The tabs carry the journals on; a save removes its tab's (and asks nothing more), a
  // clean end the others.
  EXPECT_EQ(Journals(Folder(s)).size(), 2u);
  f.MoveLeftTab();
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(a), Text(f, 0));
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 1u);
  EXPECT_EQ(Journals(Folder(s)).size(), 1u);
  f.FormClose();
  EXPECT_TRUE(Journals(Folder(s)).empty());
}

// A document read in an encoding the guess would not choose comes back in it after a crash:
// the changes are replayed onto the text as it was read then, and a save writes that
// encoding and line end again.
TEST_F(ShellRecovery, ADocumentReadInAnotherEncodingIsRestoredAndSavedInIt) {
  TestShell s;
  const std::string a = s.Write("a.txt", *test::Iconv("EUC-JP", "かな\nab\n"));
  s.process.args = {s.Path("quiret"), "-e", "EUC-JP", a};
  s.Start();
  s.Modify(0);
  s.Restart();  // ends without FormClose, as a crash would: the reopen list is not written
  s.process.args.resize(1);
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(Text(f, 0), *test::Iconv("CP932", "xかな\r\nab\r\n"));
  EXPECT_EQ(s.status.panels[kFormatPanel], "EUC-JP · LF");
  EXPECT_TRUE(f.Execute("FileSave"));
  EXPECT_EQ(TestShell::Read(a), *test::Iconv("EUC-JP", "xかな\nab\n"));
}

TEST_F(ShellRecovery, ARestoredDocumentSurvivesTheNextCrashToo) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha\r\nbeta");
  LeaveJournal(s, FileHeader(a), {{1, 4, "", "!"}});
  s.boxes.answers = {YesNoAnswer::Yes};
  s.Start();
  s.Restart();  // ends without FormClose, as a crash would
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(Text(f, 0), "alpha\r\nbeta!");
  EXPECT_EQ(s.boxes.Texts("yesno").size(), 2u);
}

// No gives the changes up; closing the box without a choice keeps them for the next start.
TEST_F(ShellRecovery, NoDropsTheJournalsAndNoChoiceKeepsThem) {
  const struct {
    YesNoAnswer answer;
    std::size_t left;
  } cases[] = {{YesNoAnswer::No, 0}, {YesNoAnswer::Closed, 2}};
  for (const auto& c : cases) {
    TestShell s;
    LeaveJournal(s, NewHeader("(Untitled1)", 1), {{0, 0, "", "x"}});
    LeaveJournal(s, NewHeader("(Untitled2)", 2), {{0, 0, "", "y"}});
    s.boxes.answers = {c.answer};
    EXPECT_EQ(s.Start().TabCount(), 0);
    EXPECT_EQ(Journals(Folder(s)).size(), c.left);
    s.Restart();
    s.boxes.shown.clear();
    s.boxes.answers = {YesNoAnswer::Yes};
    EXPECT_EQ(s.Start().TabCount(), static_cast<int>(c.left));
    EXPECT_EQ(s.boxes.Texts("yesno").size(), c.left ? 1u : 0u);
  }
}

// The journal holds the bytes the changes were made to: whatever another program does to the
// file afterwards, they come back, in a new tab, and the file is left as that program left it.
TEST_F(ShellRecovery, AFileChangedAfterTheFirstChangeComesBackInANewTab) {
  enum Outside { Appended, Replaced, Removed };
  for (const Outside outside : {Appended, Replaced, Removed}) {
    TestShell s;
    const std::string a = s.Write("a.txt", "alpha\r\nbeta");
    s.process.args = {s.Path("quiret"), a};
    s.Start().Tab(0).Editor->TypeText("x");
    s.Form().Tab(0).Journal->FinishHashing();
    if (outside == Appended) std::ofstream(a, std::ios::app) << "\r\nappended";
    if (outside == Replaced) s.Write("a.txt", "other");
    if (outside == Removed) std::filesystem::remove(a);
    s.Restart();  // ends without FormClose, as a crash would
    s.process.args.resize(1);
    s.boxes.answers = {YesNoAnswer::Yes};
    TFormBase& f = s.Start();
    ASSERT_EQ(f.TabCount(), 1) << outside;
    EXPECT_EQ(Text(f, 0), "xalpha\r\nbeta");
    EXPECT_EQ(f.Tab(0).Hint, "New File");
    EXPECT_TRUE(f.Tab(0).Editor->GetModified());
    ASSERT_EQ(s.boxes.Texts("yesno").size(), 1u);
    EXPECT_NE(s.boxes.Texts("yesno")[0].find("a.txt（最終変更 "), std::string::npos);
    EXPECT_NE(s.boxes.Texts("yesno")[0].find("）：ファイルが変更されているため、新しいタブに復元します\r\n"),
              std::string::npos);
    EXPECT_EQ(
        s.boxes.Texts("information"),
        (std::vector<std::string>{a + "\r\n は前回の編集のあとで変更されていたため、a.txt の変更は新しいタブ "
                                      "(Untitled1) に復元しました。"}));
    const char* const left[] = {"alpha\r\nbeta\r\nappended", "other", ""};
    EXPECT_EQ(std::filesystem::exists(a) ? TestShell::Read(a) : "", left[outside]);
  }
}

// A file changed before the first change (or a document too large for its bytes to be
// copied) has nothing but the file to replay onto: once the program sees the file changed,
// the journal takes a snapshot of the text. Unseen, the journal is kept and nothing is asked.
TEST_F(ShellRecovery, AChangedFileTheProgramSawLeavesASnapshotAndAnUnseenOneIsKept) {
  for (const bool seen : {true, false}) {
    TestShell s;
    const std::string a = s.Write("a.txt", "alpha");
    s.process.args = {s.Path("quiret"), a};
    TFormBase& f = s.Start();
    s.Write("a.txt", "alpha, changed by another program");
    f.Tab(0).Editor->TypeText("!");
    f.Tab(0).Journal->FinishHashing();
    const std::string journal = f.Tab(0).Journal->Path();
    if (seen) f.WindowActivated();
    EXPECT_TRUE(s.boxes.shown.empty());  // a modified text is asked about when it is saved
    s.Restart();
    s.process.args.resize(1);
    s.boxes.answers = {YesNoAnswer::Yes};
    TFormBase& g = s.Start();
    if (seen) {
      ASSERT_EQ(g.TabCount(), 1);
      EXPECT_EQ(Text(g, 0), "!alpha");
      EXPECT_EQ(s.boxes.Texts("yesno").size(), 1u);
      continue;
    }
    // Nothing of the journal could come back; the session still reopens the file as it is now.
    ASSERT_EQ(g.TabCount(), 1);
    EXPECT_EQ(Text(g, 0), "alpha, changed by another program");
    EXPECT_FALSE(g.Tab(0).Editor->GetModified());
    EXPECT_TRUE(s.boxes.Texts("yesno").empty());
    const std::string kept = Folder(s) + "/kept/" + journal.substr(journal.rfind('/') + 1);
    EXPECT_EQ(s.boxes.Texts("information"),
              (std::vector<std::string>{
                  a +
                  "\r\n は前回の編集のあとで変更されたため、a.txt の変更を復元できませんでした。"
                  "\r\n回復用の記録は次の場所に残してあります：\r\n" +
                  kept}));
    EXPECT_TRUE(std::filesystem::exists(kept));
    s.Restart();
    s.boxes.shown.clear();
    s.Start();
    EXPECT_TRUE(s.boxes.shown.empty());  // a kept journal is not offered again
  }
}

// Bytes this process has read so far (read(2) and its kin).
std::uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

// A damaged journal is listed as one that cannot come back and is kept where the user is
// told; a sound one beside it is restored (or dropped on いいえ) all the same. A length that
// was never written (a hole in the file) is found without reading it.
TEST_F(ShellRecovery, ADamagedJournalKeepsNoOtherFromComingBack) {
  enum Damage { Claims100GB, Claims3GB, FlippedByte };
  const struct {
    Damage damage;
    YesNoAnswer answer;
  } cases[] = {{Claims100GB, YesNoAnswer::Yes},
               {Claims100GB, YesNoAnswer::No},
               {Claims3GB, YesNoAnswer::Yes},
               {FlippedByte, YesNoAnswer::Yes}};
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.damage) + (c.answer == YesNoAnswer::Yes ? " yes" : " no");
    TestShell s;
    const std::string text = "snapshot text";
    const std::string bad = LeaveJournal(s, NewHeader("(Untitled1)", 1), {{0, 0, "", "x"}}, &text);
    LeaveJournal(s, NewHeader("(Untitled2)", 2), {{0, 0, "", "sound"}});
    {
      int error = 0;
      auto file = JournalFile::OpenLocked(bad, error);
      ASSERT_TRUE(file);
      JournalReader reader(*file);
      JournalHeader h;
      std::optional<std::uint64_t> hash;
      ASSERT_TRUE(reader.ReadHeader(h, hash));
      const std::uint64_t at = reader.Position();  // the snapshot record
      if (c.damage == FlippedByte) {
        ASSERT_EQ(file->WriteAt(at + 10, "?", 1), 0);
      } else {
        const std::uint64_t claim =
            c.damage == Claims100GB ? std::uint64_t{100} << 30 : std::uint64_t{3} << 30;
        char length[8];
        for (int i = 0; i < 8; ++i) length[i] = static_cast<char>(claim >> (8 * i));
        ASSERT_EQ(file->WriteAt(at + 1, length, 8), 0);
        ASSERT_EQ(truncate(bad.c_str(), static_cast<off_t>(at + 13 + claim + 64)), 0);
      }
    }
    s.boxes.answers = {c.answer};
    const std::uint64_t readBefore = BytesRead();
    TFormBase& f = s.Start();
    EXPECT_LT(BytesRead() - readBefore, std::uint64_t{64} << 20) << what;
    const std::vector<std::string> asked = s.boxes.Texts("yesno");
    ASSERT_EQ(asked.size(), 1u) << what;
    EXPECT_EQ(asked[0].find("(Untitled1)（最終変更 ") != std::string::npos &&
                  asked[0].find("）：復元できません\r\n") != std::string::npos,
              c.damage != FlippedByte)
        << what;  // a flipped byte shows only once the snapshot is read
    const std::string kept = Folder(s) + "/kept/" + bad.substr(bad.rfind('/') + 1);
    if (c.answer == YesNoAnswer::Yes) {
      ASSERT_EQ(f.TabCount(), 1) << what;
      EXPECT_EQ(Text(f, 0), "sound");
    } else {
      EXPECT_EQ(f.TabCount(), 0);
      EXPECT_EQ(Journals(Folder(s)).size(), 0u);
    }
    EXPECT_EQ(
        s.boxes.Texts("information"),
        (std::vector<std::string>{"(Untitled1) の変更を復元できませんでした（回復用の記録が壊れています）。"
                                  "\r\n回復用の記録は次の場所に残してあります：\r\n" +
                                  kept}))
        << what;
    EXPECT_TRUE(std::filesystem::exists(kept)) << what;
  }
}

TEST_F(ShellRecovery, AChangedFileWithASnapshotComesBackInANewTab) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha");
  const std::string base = "alpha";
  LeaveJournal(s, FileHeader(a), {{0, 5, "", "!"}}, &base);
  s.Write("a.txt", "changed");
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(f.Tab(0).Hint, "New File");
  EXPECT_EQ(Text(f, 0), "alpha!");
  EXPECT_TRUE(f.Tab(0).Editor->GetModified());
  EXPECT_EQ(
      s.boxes.Texts("information"),
      (std::vector<std::string>{a + "\r\n は前回の編集のあとで変更されていたため、a.txt の変更は新しいタブ "
                                    "(Untitled1) に復元しました。"}));
  EXPECT_EQ(TestShell::Read(a), "changed");
  // Its new journal stands on its own.
  s.Restart();
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& g = s.Start();
  ASSERT_EQ(g.TabCount(), 1);
  EXPECT_EQ(Text(g, 0), "alpha!");
  EXPECT_EQ(g.Tab(0).Hint, "New File");
}

TEST_F(ShellRecovery, ADamagedJournalGivesBackWhatItCanAndSaysSo) {
  TestShell s;
  const std::string a = s.Write("a.txt", "abc");
  const std::string journal = LeaveJournal(s, FileHeader(a), {{0, 3, "", "1"}, {0, 4, "", "2"}});
  const auto sound = std::filesystem::file_size(journal);
  std::filesystem::resize_file(journal, sound - 3);  // the last record torn
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(Text(f, 0), "abc1");
  EXPECT_EQ(s.boxes.Texts("information"),
            (std::vector<std::string>{
                "a.txt の回復用の記録は途中で壊れていました。壊れる前までの変更を復元しました。"}));
  // The torn tail is cut off, so the journal goes on soundly.
  s.Restart();
  s.boxes.shown.clear();
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& g = s.Start();
  EXPECT_EQ(Text(g, 0), "abc1");
  EXPECT_TRUE(s.boxes.Texts("information").empty());
}

TEST_F(ShellRecovery, UnreadableEmptyAndLiveJournalsAreNotOffered) {
  TestShell s;
  mkdir(Folder(s).c_str(), 0700);
  std::ofstream(Folder(s) + "/junk.qrj", std::ios::binary) << "not a journal";
  const std::string empty = Folder(s) + "/empty.qrj";  // killed before its first bytes
  std::ofstream(empty, std::ios::binary).close();
  const std::string live = LeaveJournal(s, NewHeader("(Untitled9)"), {{0, 0, "", "z"}});
  int error = 0;
  auto held = JournalFile::OpenLocked(live, error);  // as its writer would, still running
  ASSERT_TRUE(held);
  TFormBase& f = s.Start();
  EXPECT_EQ(f.TabCount(), 0);
  EXPECT_TRUE(s.boxes.Texts("yesno").empty());
  EXPECT_EQ(s.boxes.Texts("information"),
            (std::vector<std::string>{
                "回復用の記録を読めませんでした。\r\n回復用の記録は次の場所に残してあります：\r\n" +
                Folder(s) + "/kept/junk.qrj"}));
  EXPECT_FALSE(std::filesystem::exists(empty));
  EXPECT_TRUE(std::filesystem::exists(live));
}

// A reload after another program changed the file (with changes typed and undone before it,
// or after a save) starts the journal over against the bytes read: a crash after it gives
// back the reloaded text with the later changes, asking nothing about a changed base.
TEST_F(ShellRecovery, AReloadedFileIsTheBaseOfItsJournal) {
  for (const bool saveFirst : {false, true}) {
    TestShell s;
    const std::string a = s.Write("a.txt", "one\r\ntwo\r\n");
    TFormBase& f = s.Start();
    f.OpenFile(a);
    TLumoEdit& ed = *f.Tab(0).Editor;
    ed.TypeText("x\r\n");
    if (saveFirst)
      ASSERT_TRUE(f.Execute("FileSave"));
    else
      ed.Undo();
    ASSERT_FALSE(ed.GetModified());
    s.Write("a.txt", "ONE\r\nTWO\r\nTHREE\r\n");
    s.boxes.answers = {YesNoAnswer::Yes};
    f.WindowActivated();
    ASSERT_EQ(Text(f, 0), "ONE\r\nTWO\r\nTHREE\r\n");
    ed.TypeText("!");
    s.Restart();
    s.boxes.shown.clear();
    s.boxes.answers = {YesNoAnswer::Yes};
    TFormBase& g = s.Start();
    ASSERT_EQ(g.TabCount(), 1) << saveFirst;
    EXPECT_EQ(g.Tab(0).Hint, a);
    // The reload keeps the caret's line: the second after the save, the first after the undo.
    EXPECT_EQ(Text(g, 0), saveFirst ? "ONE\r\n!TWO\r\nTHREE\r\n" : "!ONE\r\nTWO\r\nTHREE\r\n");
    EXPECT_TRUE(s.boxes.Texts("information").empty()) << saveFirst;
  }
}

// Two journals of one file (two runs that each ended badly): the second comes back beside it.
TEST_F(ShellRecovery, ASecondJournalOfAnOpenFileComesBackInANewTab) {
  TestShell s;
  const std::string a = s.Write("a.txt", "abc");
  LeaveJournal(s, FileHeader(a, 1), {{0, 3, "", "1"}});
  LeaveJournal(s, FileHeader(a, 2), {{0, 3, "", "2"}});
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 2);
  EXPECT_EQ(Text(f, 0) + " " + Text(f, 1) + " " + f.Tab(1).Hint, "abc1 abc2 New File");
  EXPECT_EQ(s.boxes.Texts("information"),
            (std::vector<std::string>{a + "\r\n はほかのタブで開かれているため、a.txt の変更は新しいタブ "
                                          "(Untitled2) に復元しました。"}));
}

// A restored file opens once, however the reopen list and the command line name it.
TEST_F(ShellRecovery, RestoredFilesAreNotOpenedTwice) {
  TestShell s;
  const std::string a = s.Write("a.txt", "alpha");
  IniFile ini(s.settingsPath);
  ini.WriteString("File", "File1", a);
  ini.WriteInteger("File", "Num", 1);
  s.process.args.push_back(a);
  LeaveJournal(s, FileHeader(a), {{0, 0, "alpha", "omega"}});
  s.boxes.answers = {YesNoAnswer::Yes};
  TFormBase& f = s.Start();
  ASSERT_EQ(f.TabCount(), 1);
  EXPECT_EQ(Text(f, 0), "omega");
}

TEST_F(ShellRecovery, AStateFolderThatCannotBeMadeTurnsRecoveryOffWithOneMessage) {
  TestShell s;
  const std::string blocker = s.Write("blocker", "a file where a folder should be");
  setenv("XDG_STATE_HOME", blocker.c_str(), 1);
  TFormBase& f = s.Start();
  EXPECT_EQ(s.boxes.Texts("information"),
            (std::vector<std::string>{"回復用の記録を置くフォルダーを使えません（Not a directory）。\r\n" +
                                      blocker + "/quiret\r\nこの実行中は、回復用の記録を取りません。"}));
  f.Execute("FileNew");
  s.Modify();
  EXPECT_FALSE(f.Recovery().On());
  EXPECT_EQ(Text(f, 0), "x");
}

}  // namespace
}  // namespace quiret
