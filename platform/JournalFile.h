// An append-only file held locked while it is open: the lock (flock) tells another process
// that the file's writer is alive, and the kernel drops it when the writer dies, however it
// dies. Every open journal file can be made durable from a signal handler (SyncAllOpen).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
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
  std::uint64_t Size() const { return size_; }

  // Writes all bytes at the append point, at once (a killed process loses none of them).
  // Returns 0, or the errno of a failure, after which the file is cut back to its old size,
  // so a failed append leaves no partial bytes behind.
  int Append(const void* data, std::size_t size);
  // Overwrites bytes before the append point (a fixed field); returns 0 or the errno.
  int WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // Reads up to `size` bytes at `offset`; returns the count read (short at the end), or -1.
  long long ReadAt(std::uint64_t offset, void* data, std::size_t size) const;
  // Cuts the file to `size` bytes and moves the append point there; returns 0 or the errno.
  int TruncateTo(std::uint64_t size);
  // fdatasync; returns 0 or the errno.
  int Sync();
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
  std::string path_;
  int fd_;
  std::uint64_t size_;
  int slot_ = -1;  // place in the table SyncAllOpen goes through
};

}  // namespace quiret
