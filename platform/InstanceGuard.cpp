// The single-instance lock: flock on a per-user, per-desktop file, which the kernel drops with
// the process.
#include "platform/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quiret {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// ":0.0", ":0" and "unix:0" are one X display: the screen number and the local-socket host
// name do not make another desktop.
std::string XDisplayName(std::string display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return display;
  const size_t dot = display.find('.', colon);
  if (dot != std::string::npos) display.erase(dot);
  if (display.compare(0, colon, "unix") == 0) display.erase(0, colon);
  return display;
}

// A relative socket name lives in $XDG_RUNTIME_DIR; an absolute path there is the same socket.
std::string WaylandDisplayName(std::string display) {
  if (display.empty()) display = "wayland-0";  // the compositor's default socket
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  if (!runtime.empty() && display.size() > runtime.size() + 1 &&
      display.compare(0, runtime.size(), runtime) == 0 && display[runtime.size()] == '/')
    display.erase(0, runtime.size() + 1);
  return display;
}

}  // namespace

std::string InstanceGuard::DesktopName(const std::string& platform) {
  std::string name;
  if (platform == "xcb")
    name = XDisplayName(Env("DISPLAY"));
  else if (platform.rfind("wayland", 0) == 0)
    name = WaylandDisplayName(Env("WAYLAND_DISPLAY"));
  else
    name = platform;
  // The name becomes part of a file name: no folder separators, nothing a shell would trip on.
  for (char& c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_' || c == ':';
    if (!plain) c = '_';
  }
  return name;
}

std::string InstanceGuard::DesktopLockName(const std::string& name, const std::string& platform) {
  const std::string desktop = DesktopName(platform);
  return desktop.empty() ? name : name + "-" + desktop;
}

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

std::string InstanceGuard::SocketPath(const std::string& name) {
  std::string path = LockPath(name);
  path.replace(path.size() - 5, 5, ".sock");
  return path;
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
