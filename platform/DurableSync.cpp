// The sync thread and the end-of-session signal handler.
#include "platform/DurableSync.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace quiret {

namespace {

// The folder's descriptor plus one (0: none), read by the signal handler.
std::atomic<int> gFolderFd{0};

void SyncFolderNow() {
  const int fd = gFolderFd.load() - 1;
  if (fd >= 0) fsync(fd);
}

extern "C" void OnEndSignal(int sig) {
  const int saved = errno;
  JournalFile::SyncAllOpen();
  SyncFolderNow();
  // SA_RESETHAND put the default action back; raised again, the signal ends the process as
  // soon as this handler returns.
  raise(sig);
  errno = saved;
}

}  // namespace

DurableSync::DurableSync(std::chrono::milliseconds delay) : delay_(delay) {
  thread_ = std::thread([this] { Run(); });
}

DurableSync::~DurableSync() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void DurableSync::Changed(const std::shared_ptr<JournalFile>& file) {
  if (file->Dirty.exchange(true)) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(file);
  }
  wake_.notify_one();
}

void DurableSync::FolderChanged(const std::string& dir) {
  if (gFolderFd.load() == 0) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int expected = 0;
    if (fd >= 0 && !gFolderFd.compare_exchange_strong(expected, fd + 1)) close(fd);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    folderDirty_ = true;
  }
  wake_.notify_one();
}

void DurableSync::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  hurry_ = true;
  wake_.notify_all();
  idle_.wait(lock, [&] { return queue_.empty() && !folderDirty_ && !busy_; });
  hurry_ = false;
}

void DurableSync::Run() {
  // The end signals are handled on the program's own threads, never in the middle of a sync.
  sigset_t block;
  sigemptyset(&block);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&block, sig);
  pthread_sigmask(SIG_BLOCK, &block, nullptr);

  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || !queue_.empty() || folderDirty_; });
    // Changes that follow within the delay share one sync.
    if (!stop_ && !hurry_) wake_.wait_for(lock, delay_, [&] { return stop_ || hurry_; });
    std::vector<std::shared_ptr<JournalFile>> batch;
    batch.swap(queue_);
    const bool folder = folderDirty_;
    folderDirty_ = false;
    busy_ = true;
    lock.unlock();
    for (const auto& file : batch) {
      file->Dirty.store(false);  // an append from now on queues the file again
      file->Sync();
      file->PrepareAhead();
      ++syncs_;
    }
    batch.clear();  // a file dropped meanwhile is closed here, outside the lock
    if (folder) SyncFolderNow();
    lock.lock();
    busy_ = false;
    idle_.notify_all();
    if (stop_ && queue_.empty() && !folderDirty_) return;
  }
}

void DurableSync::InstallEndSignalHandlers() {
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction sa {};
    sa.sa_handler = OnEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(sig, &sa, nullptr);
  }
}

}  // namespace quiret
