// Durable byte copies with plain reads and writes, of regular files only (the paths may come
// from a note another program could have written: a FIFO there must not hang the start).
#include "platform/FileCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/Files.h"

namespace quiret {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now, so that an error of the close itself is seen.
  int Close() {
    const int r = close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

[[noreturn]] void Fail(int code, const std::string& path) {
  throw std::system_error(code, std::generic_category(), path);
}

void CopyBytes(int from, int to, const std::string& fromPath, const std::string& toPath) {
  constexpr size_t kBlock = 1 << 20;
  std::unique_ptr<char[]> buf(new char[kBlock]);
  for (;;) {
    const ssize_t n = read(from, buf.get(), kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno, fromPath);
    if (n == 0) return;
    if (const int error = WriteAllBytes(to, buf.get(), static_cast<size_t>(n)); error != 0)
      Fail(error, toPath);
  }
}

void Finish(Fd& to, const std::string& toPath) {
  if (fsync(to.get()) != 0) Fail(errno, toPath);
  if (to.Close() != 0) Fail(errno, toPath);
}

}  // namespace

void CopyFileToNew(const std::string& from, const std::string& to) {
  Fd in(OpenRegularFile(from, O_RDONLY));
  if (in.get() < 0) Fail(errno, from);
  Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.get() < 0) Fail(errno, to);
  try {
    CopyBytes(in.get(), out.get(), from, to);
    Finish(out, to);
  } catch (...) {
    unlink(to.c_str());
    throw;
  }
}

void CopyFileInPlace(const std::string& from, const std::string& to) {
  Fd in(OpenRegularFile(from, O_RDONLY));
  if (in.get() < 0) Fail(errno, from);
  Fd out(OpenRegularFile(to, O_WRONLY | O_TRUNC));
  if (out.get() < 0) Fail(errno, to);
  CopyBytes(in.get(), out.get(), from, to);
  Finish(out, to);
}

bool SameBytes(const std::string& a, const std::string& b) {
  Fd fa(OpenRegularFile(a, O_RDONLY)), fb(OpenRegularFile(b, O_RDONLY));
  if (fa.get() < 0 || fb.get() < 0) return false;
  constexpr size_t kBlock = 1 << 16;
  std::unique_ptr<char[]> ba(new char[kBlock]), bb(new char[kBlock]);
  for (;;) {
    // Whole blocks from each: a short read is only ever the end of a plain file.
    const ssize_t na = read(fa.get(), ba.get(), kBlock), nb = read(fb.get(), bb.get(), kBlock);
    if (na < 0 || nb < 0 || na != nb) return false;
    if (na == 0) return true;
    if (std::memcmp(ba.get(), bb.get(), static_cast<size_t>(na)) != 0) return false;
  }
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace quiret
