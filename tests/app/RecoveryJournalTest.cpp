// Recovery journals from writing to rebuilding: random changes come back byte for byte, a
// cut or damaged journal gives back every record before the damage, a changed base is
// never replayed onto, and a writer killed at any moment loses nothing it wrote.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "app/RecoveryJournal.h"
#include "app/RecoveryReplay.h"
#include "app/RecoveryRestore.h"
#include "tests/app/RecoveryModel.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::RowsOf;
using test::TempDir;
using test::TextModel;

struct Rebuilt {
  std::size_t found = 0;
  std::size_t unreadable = 0;
  RestoreFrom from = RestoreFrom::Nothing;
  bool damaged = false;
  std::string text;
};

// What the next start would rebuild from the one journal left in `folder`.
Rebuilt Rebuild(const std::string& folder) {
  Rebuilt out;
  std::vector<std::string> unreadable;
  std::vector<LeftJournal> left = FindLeftJournals(folder, unreadable);
  out.found = left.size();
  out.unreadable = unreadable.size();
  if (left.size() != 1) return out;
  RestorePlan plan = PlanRestore(left[0]);
  out.from = plan.from;
  std::unique_ptr<TLumoStrings> rows;
  if (plan.from == RestoreFrom::Nothing) return out;
  if (plan.from == RestoreFrom::File) {
    rows = std::make_unique<TLumoStrings>();
    rows->LoadFromFile(left[0].header.path);
  } else {
    std::string bytes;
    if (plan.from != RestoreFrom::Empty) EXPECT_TRUE(ReadPlanned(left[0], plan, bytes));
    rows = RowsOf(bytes);
  }
  const ReplayOutcome outcome = ReplayJournal(*left[0].file, plan.recordsAt, *rows);
  out.damaged = outcome.damaged;
  out.text = rows->GetText();
  EXPECT_EQ(rows->CheckInvariant(), "");
  return out;
}

JournalHeader FileBase(const std::string& path) {
  JournalHeader h;
  h.hasFile = true;
  h.path = path;
  h.caption = path.substr(path.rfind('/') + 1);
  h.base = IdentityOf(path);
  return h;
}

std::string RandomLines(std::mt19937& rng, int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    if (i) text += "\r\n";
    for (int k = static_cast<int>(rng() % 30); k > 0; --k) text += static_cast<char>('a' + rng() % 26);
  }
  return text;
}

// A journal written through random changes, with snapshots taken along the way.
class JournalRandom : public ::testing::TestWithParam<int> {};

TEST_P(JournalRandom, RebuildsTheTextByteForByte) {
  std::mt19937 rng(static_cast<unsigned>(GetParam()));
  TempDir files, state;
  const bool fromFile = GetParam() % 3 != 0;
  TextModel model;
  if (fromFile) model.text = RandomLines(rng, 1 + static_cast<int>(rng() % 40));
  const std::string path = files.File("base.txt");
  TempDir::Write(path, model.text);
  RecoveryRun run;
  std::string reason;
  ASSERT_TRUE(run.Start(state.Path(), reason)) << reason;
  int compactions = 0;
  {
    DocumentJournal journal(run, 4096);
    journal.SetSource(test::SourceOf(model));
    journal.Restart(fromFile ? FileBase(path) : JournalHeader{}, model.Size());
    std::uint64_t lastSize = 0;
    for (int step = 0; step < 500; ++step) {
      for (int k = rng() % 3 == 0 ? 1 + static_cast<int>(rng() % 4) : 1; k > 0; --k)
        model.RandomChange(
            rng,
            [&](int line, int offset, const std::string& removed, const std::string& inserted) {
              journal.Add(line, offset, removed, inserted);
            },
            3000);
      journal.EndStep();
      const std::uint64_t size = journal.Bytes();
      compactions += size < lastSize;
      lastSize = size;
    }
    run.Sync().Drain();
  }
  const Rebuilt r = Rebuild(state.Path());
  ASSERT_EQ(r.found, 1u);
  EXPECT_FALSE(r.damaged);
  EXPECT_EQ(r.from, compactions ? RestoreFrom::Snapshot : fromFile ? RestoreFrom::File : RestoreFrom::Empty);
  EXPECT_TRUE(r.text == model.text) << "seed " << GetParam();
  EXPECT_GT(compactions, 0);  // the big insertions outgrow the small floor
}

INSTANTIATE_TEST_SUITE_P(Seeds, JournalRandom, ::testing::Range(0, 9));

// A journal of a few dozen steps of one or more changes, with the text after each and where
// each step's record ends.
struct History {
  TempDir state;
  std::vector<std::string> texts;   // texts[k]: after k steps
  std::vector<std::uint64_t> ends;  // ends[k]: the journal's size after k steps (k >= 1)
  std::uint64_t recordsAt = 0;      // where the first record starts
  std::string bytes;                // the whole journal
};

void Write(History& h, unsigned seed, int changes) {
  std::mt19937 rng(seed);
  TextModel model;
  RecoveryRun run;
  std::string reason;
  ASSERT_TRUE(run.Start(h.state.Path(), reason));
  DocumentJournal journal(run);
  journal.Restart(JournalHeader{}, 0);
  h.texts = {model.text};
  h.ends = {0};
  for (int k = 0; k < changes; ++k) {
    for (int n = k % 3 == 2 ? 3 : 1; n > 0; --n)
      model.RandomChange(rng,
                         [&](int line, int offset, const std::string& removed, const std::string& inserted) {
                           journal.Add(line, offset, removed, inserted);
                         });
    journal.EndStep();
    h.texts.push_back(model.text);
    h.ends.push_back(journal.Bytes());
  }
  h.recordsAt = HashSlotOffset(journal.Header()) + kHashSlotBytes;
  h.bytes = TempDir::Read(journal.Path()).substr(0, journal.Bytes());
  run.Sync().Drain();
}

// The journal's bytes as another run would find them, in a folder of their own.
std::string Leave(const History& h, const std::string& bytes, const std::string& name) {
  const std::string folder = h.state.Path() + "/" + name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  TempDir::Write(folder + "/doc.qrj", bytes);
  return folder;
}

// Cut after any byte, or with any byte flipped, a journal gives back every step that is
// whole before the damage, never part of one, and says it was damaged; zeros after the last
// whole step are where its writer stopped, not damage.
TEST(JournalDamage, EveryCutAndEveryFlippedByteKeepsTheRecordsBeforeIt) {
  History h;
  Write(h, 11, 25);
  auto wholeBefore = [&](std::uint64_t at) {  // records ending at or before `at`
    std::size_t k = 0;
    while (k + 1 < h.ends.size() && h.ends[k + 1] <= at) ++k;
    return k;
  };
  const std::uint64_t slotAt = h.recordsAt - kHashSlotBytes;
  for (std::uint64_t at = 0; at < h.bytes.size(); ++at) {
    const std::uint64_t cut = at + 1;
    const Rebuilt c = Rebuild(Leave(h, h.bytes.substr(0, cut), "cut"));
    if (cut < h.recordsAt) {
      EXPECT_EQ(c.unreadable, 1u) << cut;  // no sound header: nothing to rebuild
    } else if (cut == h.recordsAt) {
      EXPECT_EQ(c.found + c.unreadable, 0u) << cut;  // no change recorded: removed quietly
    } else {
      ASSERT_EQ(c.found, 1u) << cut;
      EXPECT_EQ(c.text, h.texts[wholeBefore(cut)]) << cut;
      EXPECT_EQ(c.damaged, cut != h.ends[wholeBefore(cut)]) << cut;
      // Killed while copying a step into the room ahead: its first byte is still zero.
      std::string killed = h.bytes.substr(0, cut) + std::string(3000, '\0');
      if (cut != h.ends[wholeBefore(cut)]) killed[h.ends[wholeBefore(cut)]] = '\0';
      const Rebuilt k = Rebuild(Leave(h, killed, "killed"));
      const std::size_t whole = wholeBefore(cut);  // none: nothing to offer, removed quietly
      EXPECT_TRUE(whole == 0 ? k.found + k.unreadable == 0
                             : k.found == 1 && k.text == h.texts[whole] && !k.damaged)
          << cut;
    }
    std::string flipped = h.bytes;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
    const Rebuilt f = Rebuild(Leave(h, flipped, "flip"));
    if (at < slotAt) {
      EXPECT_EQ(f.unreadable, 1u) << at;
    } else if (at < h.recordsAt) {
      EXPECT_EQ(f.text, h.texts.back()) << at;  // a new document needs no base hash
      EXPECT_FALSE(f.damaged) << at;
    } else {
      EXPECT_EQ(f.text, h.texts[wholeBefore(at)]) << at;
      EXPECT_TRUE(f.damaged) << at;
    }
  }
}

// Records that do not fit the text change nothing; those that do change it as they say.
TEST(JournalReplay, RecordsAreCheckedAgainstTheText) {
  const std::string text = "ab\r\ncd\r\n\r\nef";
  auto rec = [](int line, int offset, std::string removed, std::string inserted) {
    return EditRecord{line, offset, removed.size(), RemovedHash(removed), std::move(inserted)};
  };
  EditRecord wrongHash = rec(0, 0, "ab", "");
  wrongHash.removedHash ^= 1;
  const struct {
    EditRecord edit;
    const char* want;  // nullptr: refused
  } cases[] = {
      {rec(0, 1, "", "X"), "aXb\r\ncd\r\n\r\nef"},
      {rec(0, 2, "", "X"), "abX\r\ncd\r\n\r\nef"},
      {rec(3, 2, "", "X"), "ab\r\ncd\r\n\r\nefX"},
      {rec(0, 2, "\r\n", ""), "abcd\r\n\r\nef"},
      {rec(0, 1, "b\r\nc", "\r\n"), "a\r\nd\r\n\r\nef"},
      {rec(1, 0, "cd\r\n\r\nef", "Z"), "ab\r\nZ"},
      {rec(2, 0, "", "1\r\n2\r\n3"), "ab\r\ncd\r\n1\r\n2\r\n3\r\nef"},
      {rec(0, 0, "ab\r\ncd\r\n\r\nef", ""), ""},
      {rec(4, 0, "", "X"), nullptr},  // no such line
      {rec(0, 3, "", "X"), nullptr},  // past the line's end
      {rec(-1, 0, "", "X"), nullptr},
      {rec(3, 1, "f\r\n", ""), nullptr},                 // past the end of the text
      {rec(3, 0, std::string("ef\0", 3), ""), nullptr},  // the end marker is not text
      {rec(1, 0, "cd\r\n", ""), "ab\r\n\r\nef"},         // a whole line with its CR LF
      {rec(0, 2, "\r\ncd\r\n", ""), "ab\r\nef"},
      {wrongHash, nullptr},            // other bytes than those removed
      {rec(0, 1, "", "\r"), nullptr},  // a lone CR
      {rec(0, 1, "", "\n"), nullptr},  // a lone LF
      {rec(0, 1, "", std::string("\0", 1)), nullptr},
      {rec(0, 2, "\r", ""), nullptr},  // half a line end
  };
  for (const auto& c : cases) {
    auto rows = RowsOf(text);
    TextReplayer replayer(*rows);
    const bool applied = replayer.Apply(c.edit);
    replayer.Finish();
    EXPECT_EQ(applied, c.want != nullptr) << c.edit.line << "," << c.edit.offset << " +" << c.edit.inserted;
    EXPECT_EQ(rows->GetText(), c.want ? std::string(c.want) : text) << c.edit.line << "," << c.edit.offset;
    EXPECT_EQ(rows->CheckInvariant(), "");
  }
}

// The changes of one step are applied all together, or, when one of them does not fit the
// text, none of them.
TEST(JournalReplay, AStepIsAppliedWholeOrNotAtAll) {
  const std::string text = "ab\r\ncd\r\nef";
  auto rec = [](int line, int offset, std::string removed, std::string inserted) {
    return EditRecord{line, offset, removed.size(), RemovedHash(removed), std::move(inserted)};
  };
  const struct {
    std::vector<EditRecord> step;
    const char* want;  // nullptr: refused
  } cases[] = {
      {{rec(0, 0, "ab", ""), rec(1, 0, "", "ab")}, "\r\nabcd\r\nef"},  // a moved word
      {{rec(0, 1, "b\r\nc", ""), rec(0, 1, "", "Y\r\nZ")}, "aY\r\nZd\r\nef"},
      {{rec(0, 1, "", "Q"), rec(0, 3, "", "R"), rec(2, 0, "e", "")}, "aQbR\r\ncd\r\nf"},
      {{rec(0, 0, "ab", "X"), rec(1, 0, "zz", "")}, nullptr},                  // taken back in a line
      {{rec(0, 1, "", "Q"), rec(0, 2, "", "R"), rec(0, 9, "", "")}, nullptr},  // ... twice
      {{rec(0, 1, "b\r\nc", ""), rec(0, 0, "", "1\r\n2"), rec(3, 0, "", "X")}, nullptr},  // across lines
      {{rec(9, 0, "", "X"), rec(0, 0, "", "Y")}, nullptr},
  };
  for (const auto& c : cases) {
    auto rows = RowsOf(text);
    TextReplayer replayer(*rows);
    const bool applied = replayer.ApplyStep(c.step);
    replayer.Finish();
    EXPECT_EQ(applied, c.want != nullptr) << c.step.size() << " +" << c.step.back().inserted;
    EXPECT_EQ(rows->GetText(), c.want ? std::string(c.want) : text) << c.step.back().inserted;
    EXPECT_EQ(rows->CheckInvariant(), "");
  }
}

// Lines held as pieces (every line counts as long here) give exactly the text the gap buffer
// gives, through random changes, steps taken back, and the text rebuilt at the end.
TEST(JournalReplay, LongLinesHeldAsPiecesGiveTheSameText) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    TextModel model{RandomLines(rng, 1 + static_cast<int>(rng() % 6))};
    auto pieces = RowsOf(model.text), gap = RowsOf(model.text);
    TextReplayer byPieces(*pieces, 0), byGap(*gap);
    for (int step = 0; step < 300; ++step) {
      const std::string before = model.text;
      std::vector<EditRecord> edits;
      for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k)
        model.RandomChange(rng, [&](std::int32_t line, std::int32_t offset, std::string_view removed,
                                    std::string_view inserted) {
          edits.push_back(
              EditRecord{line, offset, removed.size(), RemovedHash(removed), std::string(inserted)});
        });
      const bool refused = rng() % 10 == 0;
      if (refused) edits.back().removedHash ^= 1;  // the step is taken back
      ASSERT_EQ(byPieces.ApplyStep(edits), !refused) << seed << " " << step;
      ASSERT_EQ(byGap.ApplyStep(edits), !refused) << seed << " " << step;
      if (refused) model.text = before;
    }
    byPieces.Finish();
    byGap.Finish();
    EXPECT_EQ(pieces->GetText(), model.text) << seed;
    EXPECT_EQ(gap->GetText(), model.text) << seed;
    EXPECT_EQ(pieces->CheckInvariant(), "") << seed;
  }
}

// A base file that is no longer what the changes were made to is never replayed onto; a
// snapshot still gives the text back.
enum class Change { None, Grown, SameSizeAndTime, Removed, NewInode, SameBytesNewTime };

// Changes the file as said, keeping its modification time where the change allows.
void ChangeFile(const std::string& path, Change change) {
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  const std::string bytes = TempDir::Read(path);
  switch (change) {
    case Change::None:
      return;
    case Change::Grown:
      TempDir::Write(path, bytes + "!");
      break;
    case Change::SameSizeAndTime: {
      std::string other = bytes;
      other[0] ^= 0x20;
      TempDir::Write(path, other);  // written in place: the same inode
      break;
    }
    case Change::Removed:
      std::filesystem::remove(path);
      return;
    case Change::NewInode:
      TempDir::Write(path + ".new", bytes);
      std::filesystem::rename(path + ".new", path);
      break;
    case Change::SameBytesNewTime:
      TempDir::Write(path, bytes);
      return;
  }
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(JournalBase, ChangedFilesAreNotReplayedOnto) {
  const char* const restored = "one\r\ntwo!\r\nthree";
  const struct {
    Change change;
    bool hashKnown, snapshot;
    RestoreFrom want;
    const char* text;
  } cases[] = {
      {Change::None, true, false, RestoreFrom::File, restored},
      {Change::None, false, false, RestoreFrom::File, restored},
      {Change::Grown, false, false, RestoreFrom::Nothing, ""},
      {Change::SameSizeAndTime, true, false, RestoreFrom::Nothing, ""},  // only the hash tells
      // ... and without the hash nothing can tell.
      {Change::SameSizeAndTime, false, false, RestoreFrom::File, "One\r\ntwo!\r\nthree"},
      {Change::Removed, false, false, RestoreFrom::Nothing, ""},
      {Change::NewInode, false, false, RestoreFrom::Nothing, ""},
      {Change::NewInode, true, false, RestoreFrom::File, restored},  // the hash shows the same bytes
      {Change::SameBytesNewTime, true, false, RestoreFrom::File, restored},
      {Change::SameBytesNewTime, false, false, RestoreFrom::Nothing, ""},
      {Change::None, true, true, RestoreFrom::Snapshot, restored},
      {Change::Grown, true, true, RestoreFrom::Snapshot, restored},
      {Change::Removed, false, true, RestoreFrom::Snapshot, restored},
  };
  const std::string base = "one\r\ntwo\r\nthree";
  for (const auto& c : cases) {
    const std::string what = std::to_string(static_cast<int>(c.change)) + (c.hashKnown ? " hash" : "") +
                             (c.snapshot ? " snapshot" : "");
    TempDir files, state;
    const std::string path = files.File("a.txt");
    TempDir::Write(path, base);
    {
      int error = 0;
      auto file = JournalFile::Create(state.File("doc.qrj"), error);
      ASSERT_TRUE(file);
      std::string bytes = EncodeJournalStart(FileBase(path), c.hashKnown ? HashFile(path) : std::nullopt);
      file->Append(bytes.data(), bytes.size());
      if (c.snapshot)
        WriteSnapshot(*file, base.size(),
                      [&](const std::function<void(std::string_view)>& sink) { sink(base); });
      bytes.clear();
      EncodeEdit(bytes, 1, 3, "", "!");
      file->Append(bytes.data(), bytes.size());
    }
    ChangeFile(path, c.change);
    const Rebuilt r = Rebuild(state.Path());
    ASSERT_EQ(r.found, 1u) << what;
    EXPECT_EQ(r.from, c.want) << what;
    EXPECT_EQ(r.text, c.text) << what;
  }
}

// The hash the writer works out on its thread is what catches such a change, and the base's
// bytes it copies beside it give the changes back all the same.
TEST(JournalBase, TheWritersHashAndBytesOfTheBaseAreKept) {
  TempDir files, state;
  const std::string path = files.File("a.txt");
  TempDir::Write(path, std::string(3 << 20, 'x'));  // several blocks to hash
  RecoveryRun run;
  std::string reason;
  ASSERT_TRUE(run.Start(state.Path(), reason));
  {
    DocumentJournal journal(run);
    journal.Restart(FileBase(path), 3 << 20);
    journal.Append(0, 5, "x", "y");
    journal.FinishHashing();
    run.Sync().Drain();
  }
  EXPECT_EQ(Rebuild(state.Path()).from, RestoreFrom::File);
  ChangeFile(path, Change::SameSizeAndTime);
  const Rebuilt r = Rebuild(state.Path());
  EXPECT_EQ(r.from, RestoreFrom::Base);
  EXPECT_EQ(r.text, std::string(5, 'x') + "y" + std::string((3 << 20) - 6, 'x'));
}

}  // namespace
}  // namespace quiret
