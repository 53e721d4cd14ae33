// File access for the line store through POSIX calls, with errors raised as EFileError.
#include "text/RowFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <string_view>
#include <thread>

#include "text/LumoStrings.h"

namespace quiret {
namespace {

void WriteAll(int fd, const std::string& fileName, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(fileName, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Collects small rows into one buffer so that a file of short lines costs few system calls.
class BlockWriter {
 public:
  BlockWriter(int fd, const std::string& fileName)
      : fd_(fd), fileName_(fileName), buffer_(new char[kFileReadBlock]) {}

  void Put(std::string_view bytes) {
    if (bytes.size() > kFileReadBlock - used_) {
      Flush();
      if (bytes.size() >= kFileReadBlock) {
        WriteAll(fd_, fileName_, bytes.data(), bytes.size());
        return;
      }
    }
    std::char_traits<char>::copy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  void Flush() {
    WriteAll(fd_, fileName_, buffer_.get(), used_);
    used_ = 0;
  }

 private:
  int fd_;
  const std::string& fileName_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

RowFileReader::RowFileReader(const std::string& fileName) : fileName_(fileName) {
  // Without blocking: opening a FIFO for reading would otherwise wait for a writer.
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) throw EFileError(fileName, errno);
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    // Only regular files are text: a directory, a device (endless zeros or random bytes), a
    // FIFO or a socket is refused before any reading.
    int code = errno;
    if (code == 0 || S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode))
      code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd_);
    fd_ = -1;
    throw EFileError(fileName, code);
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  size_ = static_cast<std::uint64_t>(st.st_size);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

RowFileReader::~RowFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

// Feeds the bytes from `from` up to `to` (or the end of the file) to the splitter, telling
// `step` the bytes read after each block.
void Pump(int fd, const std::string& fileName, std::uint64_t from, std::uint64_t to, RowSplitter& splitter,
          std::size_t blockSize, const std::function<void(std::uint64_t)>& step) {
  std::unique_ptr<char[]> block(new char[blockSize]);
  std::uint64_t at = from;
  while (at < to) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, to - at));
    const ssize_t n = ::pread(fd, block.get(), want, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(fileName, errno);
    }
    if (n == 0) break;
    splitter.Feed(block.get(), static_cast<std::size_t>(n));
    at += static_cast<std::uint64_t>(n);
    step(at - from);
  }
}

// Where a large file can be read in two halves: just after the first LF at or after its
// middle. After an LF the reader is always back in its starting state (no bytes of an open
// line, no CR waiting for its LF), so the second half's rows are exactly those a single
// pass would make. 0 when there is no LF there.
std::uint64_t HalfwayAfterLf(int fd, std::uint64_t size) {
  char buf[65536];
  for (std::uint64_t at = size / 2; at < size;) {
    const ssize_t n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(at));
    if (n <= 0) return 0;
    if (const void* lf = std::memchr(buf, '\n', static_cast<std::size_t>(n)))
      return at + static_cast<std::uint64_t>(static_cast<const char*>(lf) - buf) + 1;
    at += static_cast<std::uint64_t>(n);
  }
  return 0;
}

}  // namespace

void RowFileReader::ReadInto(RowSlots& rows, std::size_t maxRows,
                             const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                             std::size_t blockSize, std::uint64_t twoThreadBytes) {
  if (blockSize == 0) blockSize = 1;
  const std::uint64_t end = std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t half =
      size_ >= twoThreadBytes && std::thread::hardware_concurrency() > 1 ? HalfwayAfterLf(fd_, size_) : 0;
  if (half == 0) {
    RowSplitter splitter(rows, maxRows);
    Pump(fd_, fileName_, 0, end, splitter, blockSize, [&](std::uint64_t done) {
      if (progress) progress(done, std::max(done, size_));
    });
    splitter.Finish();
    return;
  }
  // Both halves are read and split at once, the second into rows of its own that are
  // appended at the end.
  RowSlots second;
  second.Reserve(static_cast<std::size_t>((size_ - half) / 64));
  std::atomic<std::uint64_t> secondDone{0};
  std::atomic<bool> secondFinished{false};
  std::exception_ptr secondError;
  std::thread helper([&] {
    try {
      RowSplitter splitter(second, maxRows);
      Pump(fd_, fileName_, half, end, splitter, blockSize,
           [&](std::uint64_t done) { secondDone.store(done, std::memory_order_relaxed); });
      splitter.Finish();
    } catch (...) {
      secondError = std::current_exception();
    }
    secondFinished.store(true, std::memory_order_release);
  });
  std::exception_ptr firstError;
  std::uint64_t firstDone = 0;
  auto report = [&] {
    if (!progress) return;
    const std::uint64_t done = firstDone + secondDone.load(std::memory_order_relaxed);
    progress(done, std::max(done, size_));
  };
  try {
    RowSplitter splitter(rows, maxRows);
    Pump(fd_, fileName_, 0, half, splitter, blockSize, [&](std::uint64_t done) {
      firstDone = done;
      report();
    });
  } catch (...) {
    firstError = std::current_exception();
  }
  while (!secondFinished.load(std::memory_order_acquire)) {
    report();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  helper.join();
  report();
  if (firstError) std::rethrow_exception(firstError);
  if (secondError) std::rethrow_exception(secondError);
  if (rows.Size() + second.Size() > maxRows) throw RowSplitter::TooManyRows{};
  rows.AppendAll(second);
}

void WriteRowsToFile(const std::string& fileName, const RowSlots& rows) {
  int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFileError(fileName, errno);
  try {
    BlockWriter out(fd, fileName);
    std::size_t count = rows.Size();
    for (std::size_t i = 0; i + 1 < count; ++i) out.Put(rows.Get(i));
    if (count > 0) {
      std::string_view last = rows.Get(count - 1);
      // The end marker is the document's own; it never reaches the file.
      if (last.size() > 2) out.Put(last.substr(0, last.size() - 2));
    }
    out.Flush();
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) throw EFileError(fileName, errno);
}

}  // namespace quiret
