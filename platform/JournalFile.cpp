// Journal files: locked, allocated ahead and appended through a shared mapping (or with
// write(2) where the file system cannot allocate ahead).
#include "platform/JournalFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace quiret {

namespace {

// File descriptors of the open journal files plus one, for SyncAllOpen; 0 marks a free
// place. Plain lock-free atomics, so a signal handler may read them at any moment.
constexpr int kSlots = 1024;
std::atomic<int> gOpenFds[kSlots] = {};

int TakeSlot(int fd) {
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (gOpenFds[i].compare_exchange_strong(expected, fd + 1)) return i;
  }
  return -1;  // beyond the table the background syncing alone covers the file
}

int LockExclusive(int fd) {
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  return rc == 0 ? 0 : errno;
}

// Another process (of the same user) may cut a journal short while it is mapped: a copy into
// the lost pages raises SIGBUS. Copies run with a way back set, so the append fails instead
// of ending the program; any other SIGBUS goes where it went before.
thread_local sigjmp_buf* tCopyBack = nullptr;
struct sigaction gEarlierBus;

void OnBus(int sig, siginfo_t* info, void* context) {
  if (sigjmp_buf* back = tCopyBack) {
    tCopyBack = nullptr;
    siglongjmp(*back, 1);
  }
  if ((gEarlierBus.sa_flags & SA_SIGINFO) && gEarlierBus.sa_sigaction) {
    gEarlierBus.sa_sigaction(sig, info, context);
    return;
  }
  if (!(gEarlierBus.sa_flags & SA_SIGINFO) && gEarlierBus.sa_handler != SIG_DFL &&
      gEarlierBus.sa_handler != SIG_IGN) {
    gEarlierBus.sa_handler(sig);
    return;
  }
  signal(SIGBUS, SIG_DFL);
  raise(SIGBUS);  // SA_NODEFER: delivered at once, and it ends the program as it would have
}

void CatchBusOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction sa {};
    sa.sa_sigaction = OnBus;
    // Not blocked while handled: the jump back leaves the signal mask as it was, so the
    // way back needs no system call (sigsetjmp without saving the mask).
    sa.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGBUS, &sa, &gEarlierBus);
  });
}

// Copies `size` bytes to `to` in the mapping, the first byte last. False when the file was cut
// short under the mapping.
bool CopyIntoMap(char* to, const char* from, std::size_t size) {
  sigjmp_buf back;
  if (sigsetjmp(back, 0) != 0) return false;
  tCopyBack = &back;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(to + 1, from + 1, size - 1);
  std::atomic_ref<char>(to[0]).store(from[0], std::memory_order_release);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tCopyBack = nullptr;
  return true;
}

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

constexpr std::uint64_t kFirstRoom = std::uint64_t{64} << 10;
constexpr std::uint64_t kAhead = std::uint64_t{64} << 10;  // made writable ahead of appends
constexpr std::uint64_t kLargestStep = std::uint64_t{64} << 20;

int Allocate(int fd, std::uint64_t size) {
  int rc;
  do {
    rc = fallocate(fd, 0, 0, static_cast<off_t>(size));
  } while (rc != 0 && errno == EINTR);
  return rc == 0 ? 0 : errno;
}

}  // namespace

JournalFile::JournalFile(std::string path, int fd, std::uint64_t size)
    : path_(std::move(path)), fd_(fd), size_(size), room_(size), slot_(TakeSlot(fd)) {}

JournalFile::~JournalFile() {
  Unmap();
  // The zeros ahead go; a file that is kept ends with its last record.
  if (room_ > Size()) ftruncate(fd_, static_cast<off_t>(Size()));
  if (slot_ >= 0) gOpenFds[slot_].store(0);
  close(fd_);
}

void JournalFile::Unmap() {
  std::lock_guard<std::mutex> lock(mapMutex_);
  if (map_) munmap(map_, room_);
  map_ = nullptr;
}

void JournalFile::PrepareAhead() {
  std::lock_guard<std::mutex> lock(mapMutex_);
  if (!map_) return;
  const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  const std::uint64_t from = Size() / page * page;
  const std::uint64_t to = std::min(room_, from + kAhead);
  // Faults the pages in for writing without changing a byte (Linux 5.14 on; older kernels
  // refuse it, and appends then take the faults themselves).
  if (to > from) madvise(map_ + from, to - from, MADV_POPULATE_WRITE);
}

int JournalFile::Reserve(std::uint64_t end) {
  if (cut_) return kCutShort;
  if (map_ && end <= room_) return 0;
  // Allocating again would fill a cut with zeros, which end the records silently.
  struct stat st;
  if (map_ && fstat(fd_, &st) == 0 && static_cast<std::uint64_t>(st.st_size) < room_) {
    cut_ = true;
    return kCutShort;
  }
  const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  std::uint64_t room = std::max({end, kFirstRoom, room_ + std::min(room_, kLargestStep)});
  room = (room + page - 1) / page * page;
  // Near a size limit or a full disk, just the room asked for.
  int error = Allocate(fd_, room);
  if (error == EFBIG || error == ENOSPC) error = Allocate(fd_, room = std::max(end, room_));
  if (error != 0) return error;
  Unmap();
  {
    std::lock_guard<std::mutex> lock(mapMutex_);
    room_ = room;
    void* map = mmap(nullptr, room_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) return errno;
    map_ = static_cast<char*>(map);
  }
  // The sync thread, woken by this append, makes the pages ahead writable.
  return 0;
}

std::unique_ptr<JournalFile> JournalFile::Create(const std::string& path, int& error) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  // Locked before anything is written: an unlocked file with a header would look abandoned.
  if ((error = LockExclusive(fd)) != 0) {
    close(fd);
    unlink(path.c_str());
    return nullptr;
  }
  CatchBusOnce();
  error = 0;
  return std::unique_ptr<JournalFile>(new JournalFile(path, fd, 0));
}

std::unique_ptr<JournalFile> JournalFile::OpenLocked(const std::string& path, int& error) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = fstat(fd, &st) != 0 ? errno : EINVAL;
    close(fd);
    return nullptr;
  }
  if ((error = LockExclusive(fd)) != 0) {
    close(fd);
    return nullptr;
  }
  // The size only now: a writer that ended between fstat and the lock may have added bytes.
  fstat(fd, &st);
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  CatchBusOnce();
  error = 0;
  return std::unique_ptr<JournalFile>(new JournalFile(path, fd, static_cast<std::uint64_t>(st.st_size)));
}

int JournalFile::Append(const void* data, std::size_t size) {
  if (size == 0) return 0;
  if (!byWrite_) {
    const int error = Reserve(size_ + size);
    if (error == 0) {
      const std::uint64_t at = Size();
      if (!CopyIntoMap(map_ + at, static_cast<const char*>(data), size)) {
        cut_ = true;
        return kCutShort;
      }
      size_.store(at + size, std::memory_order_relaxed);
      return 0;
    }
    if (error == kCutShort) return error;
    if (error != EOPNOTSUPP && error != ENODEV && error != ENOMEM) return error;
    byWrite_ = true;
    Unmap();
    if (room_ > Size() && ftruncate(fd_, static_cast<off_t>(Size())) != 0) return errno;
    room_ = Size();
  }
  return AppendByWrite(data, size);
}

int JournalFile::Skip(std::uint64_t size) {
  if (size == 0) return 0;
  const std::uint64_t end = Size() + size;
  if (!byWrite_) {
    if (const int error = Reserve(end); error != 0) return error;
  } else if (ftruncate(fd_, static_cast<off_t>(end)) != 0) {  // a hole until it is filled
    return errno;
  } else {
    room_ = end;
  }
  size_.store(end, std::memory_order_relaxed);
  return 0;
}

int JournalFile::AppendByWrite(const void* data, std::size_t size) {
  const std::uint64_t at = Size();
  const int err = WriteAll(at, data, size);
  if (err != 0) {
    // No torn record stays behind; cutting back needs no free space.
    ftruncate(fd_, static_cast<off_t>(at));
    return err;
  }
  size_.store(room_ = at + size, std::memory_order_relaxed);
  return 0;
}

int JournalFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  // Bytes before the append point lie inside the file unless another process cut it short:
  // a write there would make the file long again, and appends into the mapping would then
  // go on without a fault, into a journal whose start is zeros.
  struct stat st;
  if (fstat(fd_, &st) == 0 && static_cast<std::uint64_t>(st.st_size) < offset + size) return kCutShort;
  return WriteAll(offset, data, size);
}

int JournalFile::WriteAll(std::uint64_t offset, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd_, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

long long JournalFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
  auto* p = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

int JournalFile::TruncateTo(std::uint64_t size) {
  Unmap();
  if (ftruncate(fd_, static_cast<off_t>(size)) != 0) return errno;
  size_.store(room_ = size, std::memory_order_relaxed);
  return 0;
}

int JournalFile::Sync() { return fdatasync(fd_) == 0 ? 0 : errno; }

int JournalFile::RenameTo(const std::string& path) {
  if (rename(path_.c_str(), path.c_str()) != 0) return errno;
  path_ = path;
  return 0;
}

int JournalFile::Unlink() { return unlink(path_.c_str()) == 0 || errno == ENOENT ? 0 : errno; }

void JournalFile::SyncAllOpen() {
  for (auto& slot : gOpenFds) {
    const int fd = slot.load() - 1;
    if (fd >= 0) fdatasync(fd);
  }
}

}  // namespace quiret
