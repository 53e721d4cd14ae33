// Write to a temporary file beside the target, then rename it over the target.
#include "app/SafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>

#include "platform/Files.h"
#include "text/LumoStrings.h"

namespace quiret {

namespace {

// The file a path finally names: symbolic links followed, even when the target is missing.
std::string FinalTarget(const std::string& fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buf[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    if (n < 0) return path;
    std::string link(buf, static_cast<size_t>(n));
    if (!link.empty() && link[0] == '/') {
      path = link;
    } else {
      const std::string dir = ExtractFileDir(path);
      path = dir.empty() ? link : dir + "/" + link;
    }
  }
  return path;
}

}  // namespace

void SaveReplacing(const std::string& fileName, const std::function<void(const std::string&)>& write) {
  const std::string target = FinalTarget(fileName);
  const std::string dir = ExtractFileDir(target);
  std::string pattern = (dir.empty() ? std::string(".") : dir) + "/." + ExtractFileName(target) + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw EFileError(fileName, errno);
  close(fd);
  const std::string temp = pattern;
  try {
    try {
      write(temp);
    } catch (const EFileError& e) {
      throw EFileError(fileName, e.ErrorCode());  // name the file the user saves, not the temporary
    }
    // The new file takes the old one's permissions; a new file gets the usual ones.
    struct stat st;
    mode_t mode = 0666;
    if (stat(target.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = umask(0);
      umask(mask);
      mode &= ~mask;
    }
    if (chmod(temp.c_str(), mode) != 0) throw EFileError(fileName, errno);
    // The new content must be on the disk before the name points at it: a crash soon after
    // the rename could otherwise leave an empty file where the old one was. Some file
    // systems also report a failed write only here.
    const int syncFd = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (syncFd < 0) throw EFileError(fileName, errno);
    const int synced = fsync(syncFd);
    const int syncError = errno;
    close(syncFd);
    if (synced != 0) throw EFileError(fileName, syncError);
    if (rename(temp.c_str(), target.c_str()) != 0) throw EFileError(fileName, errno);
  } catch (...) {
    unlink(temp.c_str());
    throw;
  }
}

}  // namespace quiret
