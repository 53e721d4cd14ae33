// Write to a temporary file beside the target, flush it, then rename it over the target.
#include "platform/SafeReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>

#include "platform/Files.h"

namespace quiret {

namespace {

[[noreturn]] void ThrowErrno(int code, const std::string& fileName) {
  throw std::system_error(code, std::generic_category(), fileName);
}

std::string FolderOf(const std::string& path) {
  const std::string dir = ExtractFileDir(path);
  return dir.empty() ? std::string(".") : dir;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// ".<name>.XXXXXX" as made here, or "<name>.tmp<pid>_<n>" as earlier versions named them.
bool IsOurTemporary(const std::string& entry, const std::string& name) {
  const std::string ours = "." + name + ".";
  if (entry.size() == ours.size() + 6 && entry.compare(0, ours.size(), ours) == 0) return true;
  const std::string old = name + ".tmp";
  if (entry.size() <= old.size() || entry.compare(0, old.size(), old) != 0) return false;
  const std::string rest = entry.substr(old.size());
  const size_t bar = rest.find('_');
  return bar != std::string::npos && AllDigits(rest.substr(0, bar)) && AllDigits(rest.substr(bar + 1));
}

}  // namespace

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

void ReplaceFileSafely(const std::string& fileName, const std::function<void(const std::string&)>& write) {
  const std::string target = FinalTarget(fileName);
  std::string pattern = FolderOf(target) + "/." + ExtractFileName(target) + ".XXXXXX";
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno, fileName);
  close(fd);
  const std::string temp = pattern;
  try {
    write(temp);
    struct stat st;
    mode_t mode = 0666;
    if (stat(target.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = umask(0);
      umask(mask);
      mode &= ~mask;
    }
    if (chmod(temp.c_str(), mode) != 0) ThrowErrno(errno, fileName);
    // The new content must be on the disk before the name points at it: a crash soon after
    // the rename could otherwise leave an empty file where the old one was. Some file
    // systems also report a failed write only here.
    const int syncFd = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (syncFd < 0) ThrowErrno(errno, fileName);
    const int synced = fsync(syncFd);
    const int syncError = errno;
    close(syncFd);
    if (synced != 0) ThrowErrno(syncError, fileName);
    if (rename(temp.c_str(), target.c_str()) != 0) ThrowErrno(errno, fileName);
  } catch (...) {
    unlink(temp.c_str());
    throw;
  }
}

int RemoveStaleTemporaries(const std::string& fileName) {
  const std::string target = FinalTarget(fileName);
  const std::string folder = FolderOf(target);
  const std::string name = ExtractFileName(target);
  DIR* d = opendir(folder.c_str());
  if (!d) return 0;
  int removed = 0;
  while (const dirent* e = readdir(d)) {
    const std::string entry = e->d_name;
    if (!IsOurTemporary(entry, name)) continue;
    const std::string path = folder + "/" + entry;
    struct stat st;
    // Only plain files of this user: never a folder, a link or someone else's file.
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) continue;
    if (unlink(path.c_str()) == 0) ++removed;
  }
  closedir(d);
  return removed;
}

}  // namespace quiret
