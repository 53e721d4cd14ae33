// File-system questions and path-string helpers with the classic desktop semantics.
#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace quiret {

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The desktop's read-only attribute has no direct equivalent; a file that nobody may write
// (no write bit for owner, group or others) is the closest, and it does not depend on who
// runs the program, just like an attribute stored with the file.
bool IsReadOnlyFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool MayWriteFile(const std::string& path) {
  return !path.empty() && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// O_NONBLOCK: opening a FIFO without a writer, or some devices, would otherwise wait forever.
// A file that cannot be opened is judged by its name alone; the reader reports why it fails.
bool IsRegularFile(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  close(fd);
  return regular;
}

int OpenRegularFile(const std::string& path, int flags) {
  const int fd = open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (error == 0 && (flags & O_TRUNC) && ftruncate(fd, 0) != 0) error = errno;
  if (error == 0 && !(flags & O_NONBLOCK) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    error = errno;
  if (error != 0) {
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// A path in the root keeps its "/", so that the folder of "/x" is "/", not an empty text.
std::string ExtractFileDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string ExtractFileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Replaces the text from the last "." of the file-name part; a name without one gets `ext`
// appended. A dot in a folder name never counts.
std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string AbsolutePath(const std::string& path, const std::string& base) {
  if (path.empty()) return path;
  std::error_code ec;
  std::filesystem::path abs = base.empty() || path.front() == '/' ? std::filesystem::absolute(path, ec)
                                                                  : std::filesystem::path(base) / path;
  if (ec) return path;
  std::string result = abs.lexically_normal().string();
  // "dir/." normalises to "dir/"; keep the plain folder name.
  if (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

PathKind KindOfPath(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) {
    switch (path.empty() ? ENOENT : errno) {
      case EACCES:
        return PathKind::NoAccess;
      case ENAMETOOLONG:
        return PathKind::TooLong;
      default:
        return PathKind::Missing;
    }
  }
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  if (!S_ISREG(st.st_mode)) return PathKind::Special;
  return access(path.c_str(), R_OK) == 0 ? PathKind::Regular : PathKind::NoAccess;
}

int WriteAllBytes(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace quiret
