// Running part of a test as another user, for the permission cases: root may write anything,
// so they run in a child process that has given up root (only when the tests run as root).
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace quiret::test {

inline constexpr uid_t kOtherUser = 65534;   // nobody
inline constexpr gid_t kSharedGroup = 4242;  // a group only the tests use; it needs no name
inline bool CanSwitchUser() { return geteuid() == 0; }

// Runs fn in a child under uid, with gid as its group and groups as its supplementary groups;
// returns fn's result (the child's exit status), 100 and up when the switch failed or fn threw.
inline int RunAsUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const std::function<int()>& fn) {
  const pid_t pid = fork();
  if (pid < 0) return 110;
  if (pid == 0) {
    if (setgroups(groups.size(), groups.data()) != 0 || setresgid(gid, gid, gid) != 0 ||
        setresuid(uid, uid, uid) != 0)
      _exit(101);
    int result = 102;
    try {
      result = fn();
    } catch (...) {
      result = 103;
    }
    _exit(result);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 120;
}

}  // namespace quiret::test
