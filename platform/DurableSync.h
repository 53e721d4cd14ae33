// Making journal files durable without making the writer wait: a thread of its own
// fdatasyncs every changed file within a short delay, and the signals that end a session
// (SIGTERM, SIGHUP, SIGINT) first sync every open journal file.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/JournalFile.h"

namespace quiret {

class DurableSync {
 public:
  // A file handed to Changed is durable within `delay` plus the time its fdatasync takes.
  explicit DurableSync(std::chrono::milliseconds delay = std::chrono::milliseconds(200));
  ~DurableSync();  // syncs what is still queued, then ends the thread
  DurableSync(const DurableSync&) = delete;
  DurableSync& operator=(const DurableSync&) = delete;

  // After an append: the first change since the file's last sync queues it; later ones cost
  // one atomic exchange.
  void Changed(const std::shared_ptr<JournalFile>& file);
  // Names in `dir` were made, renamed or removed: the folder is synced with the next batch
  // (and by the signal handler). One folder per process.
  void FolderChanged(const std::string& dir);
  // Returns once everything queued before the call is durable.
  void Drain();
  // fdatasync calls made so far (files only).
  std::uint64_t SyncCount() const { return syncs_.load(); }

  // SIGTERM, SIGHUP and SIGINT sync every open journal file and the folder, then end the
  // process as they would have. A signal the process ignores stays ignored.
  static void InstallEndSignalHandlers();

 private:
  void Run();

  const std::chrono::milliseconds delay_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::vector<std::shared_ptr<JournalFile>> queue_;
  bool folderDirty_ = false;
  bool hurry_ = false;
  bool busy_ = false;
  bool stop_ = false;
  std::atomic<std::uint64_t> syncs_{0};
  std::thread thread_;
};

}  // namespace quiret
