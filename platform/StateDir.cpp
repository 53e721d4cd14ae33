// The program's crash-surviving state folder under the XDG state home.
#include "platform/StateDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quiret {

std::string StateDirPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  // The XDG rule: a relative value is invalid and is ignored.
  if (state && state[0] == '/') return std::string(state) + "/quiret";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/state/quiret";
  return {};
}

std::string EnsureStateDir() {
  const std::string dir = StateDirPath();
  if (dir.empty()) {
    errno = ENOENT;
    return {};
  }
  // Parents get the usual mode; only our own folder is private.
  for (std::size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1)) {
    const std::string parent = dir.substr(0, slash);
    if (mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST) return {};
  }
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) return {};
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return {};
  }
  if (access(dir.c_str(), W_OK | X_OK) != 0) return {};
  return dir;
}

}  // namespace quiret
