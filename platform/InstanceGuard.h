// One instance per user session: a named lock the kernel releases when the process ends.
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

 private:
  int fd_ = -1;
  bool existed_ = false;
};

}  // namespace quiret
