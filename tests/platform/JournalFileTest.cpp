// The pieces under recovery journals: the hash, the locked append-only file, the sync thread
// and the end-of-session signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/DurableSync.h"
#include "platform/Hash64.h"
#include "platform/JournalFile.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

// Values of the reference XXH64.
TEST(Hash64, KnownValuesAndAnySplitOfTheInput) {
  std::string ramp;
  for (int i = 0; i < 3 * 256; ++i) ramp.push_back(static_cast<char>(i & 255));
  ramp += "xyz";
  const struct {
    std::string input;
    std::uint64_t seed, want;
  } cases[] = {
      {"", 0, 0xef46db3751d8e999ULL},    {"", 7, 0x95f0626f6f0a4409ULL},
      {"a", 0, 0xd24ec4f1a98c6e5bULL},   {"abc", 0, 0x44bc2cf5ad770999ULL},
      {"abc", 7, 0x9e755206156676d7ULL}, {"0123456789abcdef0123456789abcdef0", 0, 0xe87684f08d6d0816ULL},
      {ramp, 0, 0xe921a1b45bd779f8ULL},  {ramp, 7, 0xb63555d1bf05377fULL},
  };
  std::mt19937 rng(5);
  for (const auto& c : cases) {
    EXPECT_EQ(Hash64::Of(c.input, c.seed), c.want) << c.input.size();
    for (int trial = 0; trial < 20; ++trial) {
      Hash64 h(c.seed);
      for (std::size_t at = 0; at < c.input.size();) {
        const std::size_t n = std::min<std::size_t>(rng() % 70, c.input.size() - at);
        h.Update(c.input.data() + at, n);
        at += n;
      }
      ASSERT_EQ(h.Digest(), c.want) << c.input.size() << " trial " << trial;
    }
  }
}

TEST(JournalFile, PrivateLockedAndAppendedAtItsEnd) {
  TempDir dir;
  const std::string path = dir.File("j.qrj");
  int error = 0;
  auto file = JournalFile::Create(path, error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
  EXPECT_FALSE(JournalFile::Create(path, error));  // never over an existing journal
  EXPECT_TRUE(file->Append("abc", 3) == 0 && file->Append("defg", 4) == 0 && file->WriteAt(1, "B", 1) == 0);
  // Room is allocated ahead: zeros follow what was appended until the file is closed.
  const std::string open = TempDir::Read(path);
  EXPECT_TRUE(open.size() > 7 && open.substr(0, 7) == "aBcdefg" &&
              open.find_first_not_of('\0', 7) == open.npos);
  // A second opening, even in the same process, finds it held; once closed, it is free.
  EXPECT_FALSE(JournalFile::OpenLocked(path, error));
  EXPECT_EQ(error, EWOULDBLOCK);
  file.reset();
  auto again = JournalFile::OpenLocked(path, error);
  ASSERT_TRUE(again);
  char buf[8] = {};
  EXPECT_EQ(again->Size(), 7u);
  EXPECT_EQ(again->ReadAt(5, buf, 8), 2);
  EXPECT_TRUE(again->TruncateTo(3) == 0 && again->Append("!", 1) == 0 && again->RenameTo(dir.File("k")) == 0);
  const std::string renamed = TempDir::Read(dir.File("k"));
  EXPECT_TRUE(renamed.substr(0, 4) == "aBc!" && renamed.find_first_not_of('\0', 4) == renamed.npos);
  EXPECT_TRUE(again->Unlink() == 0 && !std::filesystem::exists(dir.File("k")));
}

TEST(DurableSync, ChangedFilesAreSyncedWithinTheDelayAndOncePerBatch) {
  TempDir dir;
  int error = 0;
  std::shared_ptr<JournalFile> a = JournalFile::Create(dir.File("a.qrj"), error);
  std::shared_ptr<JournalFile> b = JournalFile::Create(dir.File("b.qrj"), error);
  DurableSync sync;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) {
    a->Append("x", 1);
    sync.Changed(a);
  }
  b->Append("y", 1);
  sync.Changed(b);
  sync.FolderChanged(dir.Path());
  while (sync.SyncCount() < 2 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(sync.SyncCount(), 2u);  // a hundred changes of one file share a sync
  EXPECT_FALSE(a->Dirty.load());
  a->Append("z", 1);
  sync.Changed(a);
  sync.Drain();
  EXPECT_EQ(sync.SyncCount(), 3u);
  EXPECT_FALSE(a->Dirty.load());
}

// Each end signal lets the process end as the signal says, after the journal's bytes are in;
// a signal the process ignored stays ignored.
TEST(DurableSync, EndSignalsSyncJournalsAndStillEndTheProcess) {
  const struct {
    int sig;
    bool ignoredBefore;
  } cases[] = {{SIGTERM, false}, {SIGHUP, false}, {SIGINT, false}, {SIGHUP, true}};
  for (const auto& c : cases) {
    TempDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (c.ignoredBefore) signal(c.sig, SIG_IGN);
      DurableSync::InstallEndSignalHandlers();
      int error = 0;
      auto file = JournalFile::Create(dir.File("j.qrj"), error);
      if (!file || file->Append("complete", 8) != 0) _exit(3);
      raise(c.sig);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (c.ignoredBefore) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.sig;
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << c.sig << " status " << status;
    }
    const std::string bytes = TempDir::Read(dir.File("j.qrj"));
    EXPECT_TRUE(bytes.substr(0, 8) == "complete" && bytes.find_first_not_of('\0', 8) == bytes.npos) << c.sig;
  }
}

}  // namespace
}  // namespace quiret
