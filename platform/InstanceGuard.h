// One instance per user and desktop: a named lock the kernel releases when the process ends.
#pragma once

#include <string>

namespace quiret {

class InstanceGuard {
 public:
  // Takes the lock named `name`; AlreadyExisted() tells whether another process holds it.
  explicit InstanceGuard(const std::string& name);
  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;
  bool AlreadyExisted() const { return existed_; }
  // The lock file's path: $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock.
  static std::string LockPath(const std::string& name);
  // The local socket a running instance listens on for second starts, beside the lock:
  // the lock's path with ".sock" for ".lock".
  static std::string SocketPath(const std::string& name);
  // The desktop the program shows its windows on, named from the environment for the window
  // system `platform` chose ("xcb": $DISPLAY without its screen number, "wayland": the
  // compositor's socket name); another platform names itself. Made safe for a file name.
  static std::string DesktopName(const std::string& platform);
  // `name` followed by "-" and the desktop's name (or `name` alone when there is none), so
  // each display of one user has a lock of its own.
  static std::string DesktopLockName(const std::string& name, const std::string& platform);

 private:
  int fd_ = -1;
  bool existed_ = false;
};

}  // namespace quiret
