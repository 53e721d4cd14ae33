// The single-instance lock: flock on a per-user file, which the kernel drops with the process.
#include "platform/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quiret {

std::string InstanceGuard::LockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
      access(runtime, W_OK | X_OK) == 0) {
    return std::string(runtime) + "/" + name + ".lock";
  }
  // /tmp is shared by every user, so the user id keeps one user's lock from blocking another's.
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceGuard::InstanceGuard(const std::string& name) {
  std::string path = LockPath(name);
  // Close-on-exec, so a program this one starts does not inherit the lock.
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;  // no lock file possible: run rather than refuse to start
  int rc;
  do {
    rc = flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    existed_ = errno == EWOULDBLOCK;
    close(fd_);
    fd_ = -1;
  }
}

InstanceGuard::~InstanceGuard() {
  if (fd_ >= 0) close(fd_);  // the file itself stays; deleting it would race with a new start
}

}  // namespace quiret
