// File access for the line store through POSIX calls, with errors raised as EFileError.
#include "text/RowFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

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

void RowFileReader::ReadInto(RowSlots& rows, std::size_t maxRows,
                             const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                             std::size_t blockSize) {
  if (blockSize == 0) blockSize = 1;
  std::unique_ptr<char[]> block(new char[blockSize]);
  RowSplitter splitter(rows, maxRows);
  std::uint64_t done = 0;
  for (;;) {
    ssize_t n = ::read(fd_, block.get(), blockSize);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(fileName_, errno);
    }
    if (n == 0) break;
    splitter.Feed(block.get(), static_cast<std::size_t>(n));
    done += static_cast<std::uint64_t>(n);
    if (progress) progress(done, std::max(done, size_));
  }
  splitter.Finish();
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
