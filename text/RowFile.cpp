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

#include "platform/Files.h"
#include "text/LumoStrings.h"

namespace quiret {
namespace {

void WriteAll(int fd, const std::string& fileName, const char* data, std::size_t size) {
  if (const int error = WriteAllBytes(fd, data, size); error != 0) throw EFileError(fileName, error);
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

// Reads up to `want` bytes at `at` into `into`; 0 at the file's end.
std::size_t ReadAt(int fd, const std::string& fileName, char* into, std::size_t want, std::uint64_t at) {
  for (;;) {
    const ssize_t n = ::pread(fd, into, want, static_cast<off_t>(at));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw EFileError(fileName, errno);
  }
}

// Feeds the bytes from `from` up to `to` (or the end of the file) to the splitter, calling
// `step` with the bytes read after each block is split. Without a filter the file is read
// straight into the rows' own blocks, so each byte is copied once from the page cache, and
// lines ending CR LF stay where they were read. Bytes that must change on the way (another
// line end, a zero byte) are moved aside and fed by copy; after a block that needed that
// for most of its bytes, a few blocks are read aside at once.
void Pump(int fd, const std::string& fileName, std::uint64_t from, std::uint64_t to, RowSplitter& splitter,
          RowSlots& rows, std::size_t blockSize, const std::function<void(std::uint64_t)>& step,
          BlockFilter* filter) {
  std::unique_ptr<char[]> aside(new char[blockSize]);
  std::string text;                // what the filter makes of a block
  int readAside = filter ? 1 : 0;  // blocks still to read aside
  std::uint64_t at = from;
  while (at < to) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, to - at));
    std::size_t n = 0;
    // Room for a whole read is refused once the open row could pass the longest a row may
    // be, though a line end in the read would close it in time: such a read goes aside.
    if (readAside == 0 && want >= RowSlots::kMaxRowBytes - rows.OpenRowSize()) readAside = 1;
    if (readAside > 0) {
      n = ReadAt(fd, fileName, aside.get(), want, at);
      if (n == 0) break;
      if (filter) {
        text.clear();
        filter->Feed(aside.get(), n, text);
        splitter.Feed(text.data(), text.size());
      } else {
        splitter.Feed(aside.get(), n);
        --readAside;
      }
    } else {
      // The rest of the current block is used while a useful amount of it is left.
      if (rows.RoomLeft() >= std::min<std::size_t>(want, kFileReadBlock / 4))
        want = std::min(want, rows.RoomLeft());
      char* into = rows.Room(want);
      n = ReadAt(fd, fileName, into, want, at);
      if (n == 0) break;
      // A CR at the end is left for the next read: whether an LF follows decides what it
      // makes, and an LF at the start of a read would have to be cut out of it.
      if (n > 1 && into[n - 1] == '\r') --n;
      const std::size_t taken = splitter.FeedInPlace(into, n);
      if (taken < n) {
        std::memcpy(aside.get(), into + taken, n - taken);
        splitter.Feed(aside.get(), n - taken);
        if (2 * taken < n) readAside = 8;
      }
    }
    at += n;
    step(at - from);
  }
  if (filter) {
    text.clear();
    filter->Finish(text);
    splitter.Feed(text.data(), text.size());
  }
}

// The rows the splitter would close reading [from, to) of the file after its current state.
std::size_t CountRowsAhead(int fd, const std::string& fileName, std::uint64_t from, std::uint64_t to,
                           bool afterCr, BlockFilter* filter) {
  std::unique_ptr<char[]> block(new char[kFileReadBlock]);
  std::size_t rows = 0;
  for (std::uint64_t at = from; at < to;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kFileReadBlock, to - at));
    const ssize_t n = ::pread(fd, block.get(), want, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(fileName, errno);
    }
    if (n == 0) break;
    const std::size_t size = static_cast<std::size_t>(n);
    rows += filter ? filter->CountRows(block.get(), size, afterCr)
                   : RowSplitter::CountRows(block.get(), size, afterCr);
    at += static_cast<std::uint64_t>(n);
  }
  return rows;
}

// The row limit over the parts of a file read at once (one, or two halves). Each part
// reports its rows after each block; the limit is passed as soon as the parts' rows add up
// to more, so an oversized file stops early on any part. Where a block is dense enough
// that the rest of the file, at its density, could come near the limit, its part counts the
// rest of its range first, without storing it: a file of many empty lines is refused
// after one block and a fast count, never after holding its rows. A failing part stops the
// others at their next block.
class RowBudget {
 public:
  struct Stopped {};  // another part failed; its error is the one to report

  RowBudget(std::size_t maxRows, std::uint64_t fileSize) : maxRows_(maxRows), fileSize_(fileSize) {}

  void Stop() { stop_.store(true, std::memory_order_relaxed); }

  // After a block of `blockBytes` bytes that left part k with `rows` rows after reading
  // `done` bytes of its range; `countRest` counts the rows of the rest of the range.
  template <typename CountRest>
  void AfterBlock(int k, std::size_t rows, std::size_t blockRows, std::size_t blockBytes, std::uint64_t done,
                  CountRest countRest) {
    if (stop_.load(std::memory_order_relaxed)) throw Stopped{};
    Part& p = parts_[k];
    p.bytes.store(done, std::memory_order_relaxed);
    if (!p.final.load(std::memory_order_relaxed)) {
      p.rows.store(rows, std::memory_order_relaxed);
      const std::uint64_t rest = fileSize_ - std::min(fileSize_, BytesDone());
      const double dense =
          static_cast<double>(blockRows) / static_cast<double>(std::max<std::size_t>(blockBytes, 1));
      // Half the limit: a file near it is counted rather than risked. Once one part
      // counts, all do, and each waits for the others' counts before it stores more rows.
      if (counting_.load(std::memory_order_relaxed) ||
          2 * (static_cast<double>(RowsDone()) + dense * static_cast<double>(rest)) >
              static_cast<double>(maxRows_)) {
        counting_.store(true, std::memory_order_relaxed);
        p.rows.store(rows + countRest(), std::memory_order_relaxed);
        p.final.store(true, std::memory_order_relaxed);
        while (!AllFinal() && !stop_.load(std::memory_order_relaxed) && RowsDone() <= maxRows_) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (stop_.load(std::memory_order_relaxed)) throw Stopped{};
      }
    }
    if (RowsDone() > maxRows_) {
      Stop();
      throw RowSplitter::TooManyRows{};
    }
  }

  // Part k has all its rows; nothing of it waits for the others any more.
  void Finished(int k, std::size_t rows) {
    parts_[k].rows.store(rows, std::memory_order_relaxed);
    parts_[k].final.store(true, std::memory_order_relaxed);
  }

  // A single part never waits for another.
  void SinglePart() { parts_[1].final.store(true, std::memory_order_relaxed); }

 private:
  struct Part {
    std::atomic<std::size_t> rows{0};  // rows so far, or all of the part's when final
    std::atomic<bool> final{false};
    std::atomic<std::uint64_t> bytes{0};
  };
  std::size_t RowsDone() const {
    return parts_[0].rows.load(std::memory_order_relaxed) + parts_[1].rows.load(std::memory_order_relaxed);
  }
  bool AllFinal() const {
    return parts_[0].final.load(std::memory_order_relaxed) && parts_[1].final.load(std::memory_order_relaxed);
  }
  std::uint64_t BytesDone() const {
    return parts_[0].bytes.load(std::memory_order_relaxed) + parts_[1].bytes.load(std::memory_order_relaxed);
  }

  const std::size_t maxRows_;
  const std::uint64_t fileSize_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> counting_{false};
  Part parts_[2];
};

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

// Reads [from, to) of the file into `rows` as part k of the budget; the last part of the
// file adds the last row. `step` hears the bytes of the range read so far. Returns the
// line of the first zero byte dropped, counted in the part (0 for none).
std::uint64_t ReadPart(int fd, const std::string& fileName, int k, RowSlots& rows, std::uint64_t from,
                       std::uint64_t to, bool last, RowBudget& budget, std::size_t maxRows,
                       std::size_t blockSize, const std::function<void(std::uint64_t)>& step,
                       const TextFilter* textFilter) {
  RowSplitter splitter(rows, maxRows);
  const std::unique_ptr<BlockFilter> filter = textFilter ? textFilter->Make(k) : nullptr;
  const std::size_t first = rows.Size();
  std::size_t before = first;
  std::uint64_t read = 0;
  Pump(
      fd, fileName, from, to, splitter, rows, blockSize,
      [&](std::uint64_t done) {
        const std::size_t n = static_cast<std::size_t>(done - read);
        read = done;
        const std::size_t now = rows.Size();
        budget.AfterBlock(k, now - first, now - before, n, done, [&] {
          return CountRowsAhead(fd, fileName, from + done, to, splitter.AfterCr(), filter.get()) +
                 (last ? 1 : 0);
        });
        before = now;
        step(done);
      },
      filter.get());
  if (last) splitter.Finish();
  budget.Finished(k, rows.Size() - first);
  return splitter.ZeroLine();
}

}  // namespace

void RowFileReader::ReadInto(RowSlots& rows, std::size_t maxRows,
                             const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                             std::size_t blockSize, std::uint64_t twoThreadBytes, const TextFilter* filter) {
  if (blockSize == 0) blockSize = 1;
  const std::uint64_t end = std::numeric_limits<std::uint64_t>::max();
  if (filter)
    twoThreadBytes = filter->Splittable ? filter->TwoPartBytes : std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t half =
      size_ >= twoThreadBytes && std::thread::hardware_concurrency() > 1 ? HalfwayAfterLf(fd_, size_) : 0;
  RowBudget budget(maxRows, size_);
  if (half == 0) {
    budget.SinglePart();
    zeroLine_ = ReadPart(
        fd_, fileName_, 0, rows, 0, end, true, budget, maxRows, blockSize,
        [&](std::uint64_t done) {
          if (progress) progress(done, std::max(done, size_));
        },
        filter);
    return;
  }
  // Both halves are read and split at once, the second into rows of its own that are
  // appended at the end.
  RowSlots second;
  second.Reserve(static_cast<std::size_t>((size_ - half) / 64));
  std::atomic<std::uint64_t> secondDone{0};
  std::atomic<bool> secondFinished{false};
  std::exception_ptr errors[2];
  std::uint64_t zeros[2] = {0, 0};
  std::thread helper([&] {
    try {
      zeros[1] = ReadPart(
          fd_, fileName_, 1, second, half, end, true, budget, maxRows, blockSize,
          [&](std::uint64_t done) { secondDone.store(done, std::memory_order_relaxed); }, filter);
    } catch (...) {
      errors[1] = std::current_exception();
      budget.Stop();
    }
    secondFinished.store(true, std::memory_order_release);
  });
  std::uint64_t firstDone = 0;
  auto report = [&] {
    if (!progress) return;
    const std::uint64_t done = firstDone + secondDone.load(std::memory_order_relaxed);
    progress(done, std::max(done, size_));
  };
  try {
    zeros[0] = ReadPart(
        fd_, fileName_, 0, rows, 0, half, false, budget, maxRows, blockSize,
        [&](std::uint64_t done) {
          firstDone = done;
          report();
        },
        filter);
  } catch (...) {
    errors[0] = std::current_exception();
    budget.Stop();
  }
  while (!secondFinished.load(std::memory_order_acquire)) {
    report();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  helper.join();
  report();
  // The error to report is the one that stopped the other part, not its echo there.
  for (const std::exception_ptr& e : errors) {
    if (!e) continue;
    try {
      std::rethrow_exception(e);
    } catch (const RowBudget::Stopped&) {
    }
  }
  if (rows.Size() + second.Size() > maxRows) throw RowSplitter::TooManyRows{};
  zeroLine_ = zeros[0] != 0 || zeros[1] == 0 ? zeros[0] : rows.Size() + zeros[1];
  rows.AppendAll(second);
}

void RowFileReader::ReadBlocks(const std::function<void(const char*, std::size_t)>& take,
                               const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                               std::size_t blockSize) {
  std::unique_ptr<char[]> block(new char[blockSize]);
  for (std::uint64_t at = 0;;) {
    const ssize_t n = ::pread(fd_, block.get(), blockSize, static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(fileName_, errno);
    }
    if (n == 0) return;
    take(block.get(), static_cast<std::size_t>(n));
    at += static_cast<std::uint64_t>(n);
    if (progress) progress(at, std::max(at, size_));
  }
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
