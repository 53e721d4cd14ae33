// A journal's writer killed at a random moment, or stopped by a full disk: the next start
// rebuilds exactly the text the writer held when it last wrote.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "app/RecoveryJournal.h"
#include "app/RecoveryReplay.h"
#include "app/RecoveryRestore.h"
#include "tests/app/RecoveryModel.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;
using test::TextModel;

constexpr int kChildSteps = 3000;

JournalHeader BaseOf(const std::string& path) {
  JournalHeader h;
  h.hasFile = true;
  h.path = path;
  h.caption = "base.txt";
  h.base = IdentityOf(path);
  return h;
}

// The child's side: random changes through a journal, each step reported once written.
[[noreturn]] void WriteChanges(unsigned seed, const std::string& folder, const std::string& base, int report,
                               std::uint64_t compactFloor) {
  std::mt19937 rng(seed);
  TextModel model{TempDir::Read(base)};
  RecoveryRun run;
  std::string reason;
  if (!run.Start(folder, reason)) _exit(2);
  int failedAt = -1;
  int step = 0;
  run.OnFailure = [&](const std::string&) { failedAt = step; };
  DocumentJournal journal(run, compactFloor);
  journal.SetSource(test::SourceOf(model));
  journal.Restart(BaseOf(base), model.Size());
  for (; step < kChildSteps; ++step) {
    model.RandomChange(
        rng,
        [&](int line, int offset, const std::string& removed, const std::string& inserted) {
          journal.Append(line, offset, removed, inserted);
        },
        300);
    const int sent = failedAt >= 0 ? -1 - failedAt : step;
    if (write(report, &sent, sizeof sent) != sizeof sent) _exit(3);
  }
  for (;;) pause();
}

// The text after each of the first `count` changes, the last two of them kept.
struct Replica {
  std::string beforeLast, last;
};

Replica TextsUpTo(unsigned seed, const std::string& base, int count) {
  std::mt19937 rng(seed);
  TextModel model{base};
  Replica r{model.text, model.text};
  for (int step = 0; step < count; ++step) {
    model.RandomChange(
        rng, [](int, int, const std::string&, const std::string&) {}, 300);
    r.beforeLast = std::move(r.last);
    r.last = model.text;
  }
  return r;
}

std::string RebuildOnly(const std::string& folder, std::size_t& found) {
  std::vector<std::string> unreadable;
  std::vector<LeftJournal> left = FindLeftJournals(folder, unreadable);
  found = left.size();
  if (found != 1) return "";
  RestorePlan plan = PlanRestore(left[0]);
  std::unique_ptr<TLumoStrings> rows;
  if (plan.from == RestoreFrom::File) {
    rows = std::make_unique<TLumoStrings>();
    rows->LoadFromFile(left[0].header.path);
  } else {
    std::string bytes;
    if (plan.from != RestoreFrom::Empty) EXPECT_TRUE(ReadPlanned(left[0], plan, bytes));
    rows = test::RowsOf(bytes);
  }
  ReplayJournal(*left[0].file, plan.recordsAt, *rows);
  return rows->GetText();
}

class JournalKill : public ::testing::TestWithParam<int> {};

TEST_P(JournalKill, TheKilledWritersLastWrittenTextComesBack) {
  const unsigned seed = static_cast<unsigned>(GetParam());
  TempDir files, state;
  const std::string base = files.File("base.txt");
  TempDir::Write(base, "first line\r\nsecond line\r\n\x82\xa0\x82\xa2\r\nlast");
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    WriteChanges(seed, state.Path(), base, pipeFds[1], seed % 2 ? 8192 : std::uint64_t{1} << 20);
  }
  close(pipeFds[1]);
  std::mt19937 rng(seed * 7919u);
  const int target = static_cast<int>(rng() % (kChildSteps - 200)) + 1;
  int last = -1, got;
  bool checkedAlive = false;
  while (last < target && read(pipeFds[0], &got, sizeof got) == sizeof got) {
    last = got;
    if (!checkedAlive && last > 10) {
      std::size_t found = 9;
      RebuildOnly(state.Path(), found);
      EXPECT_EQ(found, 0u);  // a living writer's journal is never offered
      checkedAlive = true;
    }
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  while (read(pipeFds[0], &got, sizeof got) == sizeof got) last = got;
  close(pipeFds[0]);
  ASSERT_GE(last, 0);
  std::size_t found = 0;
  const std::string text = RebuildOnly(state.Path(), found);
  ASSERT_EQ(found, 1u);
  // Every reported change is in; the one being written when the kill came may be too.
  const int reported = last + 1;
  const Replica r = TextsUpTo(seed, TempDir::Read(base), std::min(reported + 1, kChildSteps));
  if (reported == kChildSteps) {
    EXPECT_TRUE(text == r.last) << "all changes";
  } else {
    EXPECT_TRUE(text == r.beforeLast || text == r.last) << "after " << reported << " changes";
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, JournalKill, ::testing::Range(0, 8));

// A file size limit stands in for a full disk: the first append that does not fit stops the
// journals for the run, once, without holding up later changes, and the journal holds every
// change before it, whole.
TEST(JournalFull, AFailedAppendStopsJournalsOnceAndKeepsWhatWasWritten) {
  TempDir files, state;
  const std::string base = files.File("base.txt");
  TempDir::Write(base, "abc\r\ndef");
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  int failedAt = -1;
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20000, 20000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::mt19937 rng(3);
    TextModel model{TempDir::Read(base)};
    RecoveryRun run;
    std::string reason;
    if (!run.Start(state.Path(), reason)) _exit(10);
    int failures = 0, step = 0;
    run.OnFailure = [&](const std::string& r) {
      ++failures;
      failedAt = step;
      reason = r;
    };
    {
      DocumentJournal journal(run);
      journal.SetSource(test::SourceOf(model));
      journal.Restart(BaseOf(base), model.Size());
      for (; step < 2000; ++step)
        model.RandomChange(
            rng,
            [&](int line, int offset, const std::string& removed, const std::string& inserted) {
              journal.Append(line, offset, removed, inserted);
            },
            300);
      if (journal.Compact()) _exit(11);  // nothing more is written this run
      run.Sync().Drain();
    }
    if (write(pipeFds[1], &failedAt, sizeof failedAt) != sizeof failedAt) _exit(12);
    _exit(failures == 1 && !run.On() && reason == std::strerror(EFBIG) ? 0 : 1);
  }
  close(pipeFds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(read(pipeFds[0], &failedAt, sizeof failedAt), static_cast<ssize_t>(sizeof failedAt));
  close(pipeFds[0]);
  ASSERT_GT(failedAt, 10);
  std::size_t found = 0;
  const std::string text = RebuildOnly(state.Path(), found);
  ASSERT_EQ(found, 1u);
  EXPECT_TRUE(text == TextsUpTo(3, TempDir::Read(base), failedAt).last) << failedAt;
}

}  // namespace
}  // namespace quiret
