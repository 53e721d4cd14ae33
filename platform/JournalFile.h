// An append-only file held locked while it is open: the lock (flock) tells another process
// that the file's writer is alive, and the kernel drops it when the writer dies, however it
// dies. Every open journal file can be made durable from a signal handler (SyncAllOpen).
// Room is allocated well ahead of the append point and appends are copied into a shared
// mapping of it: an append makes no system call and never waits for the file system (a
// write(2) that grows the file can wait for the sync thread's commit), and the page cache
// keeps what was copied when the process is killed. Zeros follow the last append until the
// file is closed, which cuts them off.
#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace quiret {

class JournalFile {
 public:
  // Creates `path` (it must not exist), mode 0600, locked. Empty with `error` set on failure.
  static std::unique_ptr<JournalFile> Create(const std::string& path, int& error);
  // Opens an existing file for reading and appending, locked, the append point at its end.
  // Empty with `error` set on failure; EWOULDBLOCK: another living process holds it.
  static std::unique_ptr<JournalFile> OpenLocked(const std::string& path, int& error);
  ~JournalFile();  // closes the file, which drops the lock; the file itself stays
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }
  // Bytes up to the append point.
  std::uint64_t Size() const { return size_.load(std::memory_order_relaxed); }

  // The error of an append once another process cut the file short under the mapping (a
  // SIGBUS caught): the records up to the cut may be gone, and the file is of no more use.
  static constexpr int kCutShort = EFAULT;
  // Writes all bytes at the append point, at once (a killed process loses none of them), the
  // first byte last: a process killed in the middle leaves a zero where they start. Returns
  // 0, or the errno of a failure, which leaves no partial bytes behind.
  int Append(const void* data, std::size_t size);
  // Moves the append point `size` bytes on over zeros, room that WriteAt fills later (from
  // any thread); the bytes are allocated, not written. Returns 0 or the errno.
  int Skip(std::uint64_t size);
  // Overwrites bytes before the append point (a fixed field); returns 0 or the errno, or
  // kCutShort without writing when the file no longer reaches them.
  int WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // Reads up to `size` bytes at `offset`; returns the count read (short at the end), or -1.
  long long ReadAt(std::uint64_t offset, void* data, std::size_t size) const;
  // Cuts the file to `size` bytes and moves the append point there; returns 0 or the errno.
  int TruncateTo(std::uint64_t size);
  // fdatasync; returns 0 or the errno.
  int Sync();
  // Makes the pages just ahead of the append point writable again (a sync write-protects the
  // pages it wrote), so that the next appends take no page fault. For the syncing thread.
  void PrepareAhead();
  // Renames the file; the open file (and its lock) goes with it. Returns 0 or the errno.
  int RenameTo(const std::string& path);
  // Removes the file's name; returns 0 or the errno.
  int Unlink();

  // Set by a writer after an append, cleared by whoever syncs it next.
  std::atomic<bool> Dirty{false};

  // fdatasync of every journal file open in the process; async-signal-safe.
  static void SyncAllOpen();

 private:
  JournalFile(std::string path, int fd, std::uint64_t size);
  // Room for appends up to `end`, mapped; 0 or the errno.
  int Reserve(std::uint64_t end);
  void Unmap();
  // Writes all bytes at `offset`, the file made longer where they pass its end.
  int WriteAll(std::uint64_t offset, const void* data, std::size_t size);
  int AppendByWrite(const void* data, std::size_t size);
  std::string path_;
  int fd_;
  std::atomic<std::uint64_t> size_;
  std::uint64_t room_;    // the file's size: bytes allocated, the append point included
  char* map_ = nullptr;   // the first room_ bytes, shared
  bool byWrite_ = false;  // the file system cannot allocate ahead: appends use write(2)
  bool cut_ = false;      // cut short by another process: every append fails
  std::mutex mapMutex_;   // held while the mapping changes, and by PrepareAhead
  int slot_ = -1;         // place in the table SyncAllOpen goes through
};

}  // namespace quiret
