// The pieces under recovery journals: the hash, the locked append-only file, the sync thread
// and the end-of-session signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/DurableSync.h"
#include "platform/FileIdentity.h"
#include "platform/Hash64.h"
#include "platform/JournalFile.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

std::string Bytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  std::mt19937 rng(seed);
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

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

TEST(FileIdentity, SizeTimeInodeAndHash) {
  TempDir dir;
  const std::string path = dir.File("a.txt");
  TempDir::Write(path, "hello");
  const FileIdentity a = StatIdentity(path);
  ASSERT_TRUE(a.exists);
  EXPECT_EQ(a.size, 5u);
  EXPECT_TRUE(SameFile(a, StatIdentity(path)));
  EXPECT_EQ(HashFile(path), Hash64::Of("hello"));
  const std::string big = Bytes(3 << 20, 1);  // several read blocks
  TempDir::Write(path, big);
  EXPECT_EQ(HashFile(path), Hash64::Of(big));
  EXPECT_FALSE(SameFile(a, StatIdentity(path)));
  EXPECT_FALSE(HashFile(path, [] { return false; }).has_value());
  EXPECT_FALSE(StatIdentity(dir.File("none")).exists);
  EXPECT_FALSE(SameFile(StatIdentity(dir.File("none")), StatIdentity(dir.File("none"))));
  EXPECT_FALSE(HashFile(dir.Path()).has_value());
}

TEST(JournalFile, PrivateLockedAndAppendedAtItsEnd) {
  TempDir dir;
  const std::string path = dir.File("j.qrj");
  int error = 0;
  auto file = JournalFile::Create(path, error);
  ASSERT_TRUE(file) << error;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(JournalFile::Create(path, error));  // never over an existing journal
  EXPECT_EQ(error, EEXIST);
  EXPECT_EQ(file->Append("abc", 3), 0);
  EXPECT_EQ(file->Append("defg", 4), 0);
  EXPECT_EQ(file->WriteAt(1, "B", 1), 0);
  EXPECT_EQ(TempDir::Read(path), "aBcdefg");
  // A second opening, even in the same process, finds it held.
  EXPECT_FALSE(JournalFile::OpenLocked(path, error));
  EXPECT_EQ(error, EWOULDBLOCK);
  file.reset();
  auto again = JournalFile::OpenLocked(path, error);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Size(), 7u);
  char buf[8] = {};
  EXPECT_EQ(again->ReadAt(5, buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "fg");
  EXPECT_EQ(again->TruncateTo(3), 0);
  EXPECT_EQ(again->Append("!", 1), 0);
  EXPECT_EQ(again->RenameTo(dir.File("k.qrj")), 0);
  EXPECT_EQ(TempDir::Read(dir.File("k.qrj")), "aBc!");
  EXPECT_EQ(again->Unlink(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("k.qrj")));
}

// A file size limit stands in for a full disk: the append that does not fit is cut back
// whole, and the file takes appends again once there is room.
TEST(JournalFile, FailedAppendLeavesNoPartOfItBehind) {
  TempDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    int error = 0;
    auto file = JournalFile::Create(dir.File("j.qrj"), error);
    const std::string first = Bytes(100, 2), second = Bytes(100, 3);
    rlimit limit{150, 150};
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = file && file->Append(first.data(), first.size()) == 0 &&
                    file->Append(second.data(), second.size()) == EFBIG && file->Size() == 100 &&
                    TempDir::Read(dir.File("j.qrj")) == first && file->Append(second.data(), 50) == 0 &&
                    TempDir::Read(dir.File("j.qrj")) == first + second.substr(0, 50);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
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
    EXPECT_EQ(TempDir::Read(dir.File("j.qrj")), "complete");
  }
}

}  // namespace
}  // namespace quiret
