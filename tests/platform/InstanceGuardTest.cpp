// The single-instance lock across processes: held while its owner lives, free once it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/InstanceGuard.h"
#include "tests/platform/TempDir.h"

extern char** environ;

namespace quiret {
namespace {

using test::TempDir;

// Sets or clears one environment variable for a scope and puts the old value back afterwards.
class EnvScope {
 public:
  EnvScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~EnvScope() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

struct RuntimeDirScope : EnvScope {
  explicit RuntimeDirScope(const char* value) : EnvScope("XDG_RUNTIME_DIR", value) {}
};

class InstanceGuardTest : public ::testing::Test {
 protected:
  TempDir dir;
  RuntimeDirScope runtime{dir.Path().c_str()};
  std::string name = "QuiretTest" + std::to_string(getpid());
};

TEST_F(InstanceGuardTest, LockLivesInTheRuntimeFolderOrInTmp) {
  EXPECT_EQ(InstanceGuard::LockPath("Quiret070"), dir.Path() + "/Quiret070.lock");
  const std::string inTmp = "/tmp/Quiret070-" + std::to_string(getuid()) + ".lock";
  for (const char* runtimeDir : {static_cast<const char*>(nullptr), "", "/no/such/folder", "/dev/null"}) {
    RuntimeDirScope scope(runtimeDir);
    EXPECT_EQ(InstanceGuard::LockPath("Quiret070"), inTmp) << (runtimeDir ? runtimeDir : "unset");
  }
}

// A child process takes the lock and then dies without any clean-up of its own.
TEST_F(InstanceGuardTest, AnotherProcessHoldsTheLockUntilItEnds) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceGuard guard(name);
    char report = guard.AlreadyExisted() ? 'E' : 'L';
    if (write(ready[1], &report, 1) != 1) _exit(1);
    for (;;) pause();
  }
  char report = 0;
  ASSERT_EQ(read(ready[0], &report, 1), 1);
  EXPECT_EQ(report, 'L') << "the first process must get the lock";
  {
    InstanceGuard second(name);
    EXPECT_TRUE(second.AlreadyExisted());
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  InstanceGuard after(name);
  EXPECT_FALSE(after.AlreadyExisted()) << "the kernel should have released the lock";
}

TEST_F(InstanceGuardTest, ReleasedWhenTheGuardIsDestroyed) {
  {
    InstanceGuard first(name);
    EXPECT_FALSE(first.AlreadyExisted());
    InstanceGuard second(name);
    EXPECT_TRUE(second.AlreadyExisted());
    InstanceGuard other(name + "b");  // a different name is a different lock
    EXPECT_FALSE(other.AlreadyExisted());
  }
  InstanceGuard again(name);
  EXPECT_FALSE(again.AlreadyExisted());
}

TEST_F(InstanceGuardTest, ProgramsStartedByTheOwnerDoNotInheritTheLock) {
  pid_t sleeper = 0;
  {
    InstanceGuard guard(name);
    ASSERT_FALSE(guard.AlreadyExisted());
    char arg0[] = "sleep";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    ASSERT_EQ(posix_spawnp(&sleeper, "sleep", nullptr, nullptr, argv, environ), 0);
  }
  InstanceGuard after(name);
  EXPECT_FALSE(after.AlreadyExisted()) << "the started program still holds the lock";
  kill(sleeper, SIGKILL);
  waitpid(sleeper, nullptr, 0);
}

// The lock a start takes on a desktop: one per display, whatever spelling names that display.
TEST_F(InstanceGuardTest, EachDisplayHasALockOfItsOwn) {
  const std::string socket = dir.Path() + "/wayland-1";
  // Window system Qt chose, $DISPLAY, $WAYLAND_DISPLAY, the lock.
  const char* const cases[][4] = {
      {"xcb", ":0", "wayland-0", "Quiret070-:0"},
      {"xcb", "unix:0.1", nullptr, "Quiret070-:0"},  // one display, any screen
      {"xcb", "localhost:10.0", nullptr, "Quiret070-localhost:10"},
      {"xcb", "/tmp/x/org.x:0", nullptr, "Quiret070-_tmp_x_org.x:0"},
      {"wayland", ":0", socket.c_str(), "Quiret070-wayland-1"},  // the same socket
      {"wayland-egl", nullptr, nullptr, "Quiret070-wayland-0"},
      {"offscreen", ":0", nullptr, "Quiret070-offscreen"},
      {"", ":0", nullptr, "Quiret070"}};
  for (const auto& [platform, display, wayland, lock] : cases) {
    EnvScope x("DISPLAY", display), wl("WAYLAND_DISPLAY", wayland);
    EXPECT_EQ(InstanceGuard::LockPath(InstanceGuard::DesktopLockName("Quiret070", platform)),
              dir.Path() + "/" + lock + ".lock")
        << platform << " " << (wayland ? wayland : "-");
  }
  // Two displays of one user run side by side; the same display once only.
  EnvScope first("DISPLAY", ":5.0");
  InstanceGuard onFirst(InstanceGuard::DesktopLockName(name, "xcb"));
  EXPECT_TRUE(InstanceGuard(InstanceGuard::DesktopLockName(name, "xcb")).AlreadyExisted());
  EnvScope second("DISPLAY", ":6");
  EXPECT_FALSE(InstanceGuard(InstanceGuard::DesktopLockName(name, "xcb")).AlreadyExisted());
}

TEST_F(InstanceGuardTest, UnusableLockFolderDoesNotStopTheProgram) {
  RuntimeDirScope unset(nullptr);
  InstanceGuard guard("no/such/folder/" + name);  // the lock file cannot be created
  EXPECT_FALSE(guard.AlreadyExisted());
}

}  // namespace
}  // namespace quiret
