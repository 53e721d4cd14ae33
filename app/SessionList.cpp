// The session file's format and its safe replacement. Fields are separated by zero bytes,
// which no path holds, so a path needs no escaping.
#include "app/SessionList.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "platform/Files.h"

namespace quiret {

namespace {

constexpr std::string_view kMagic = "quiret-session 1";
constexpr std::size_t kLargest = std::size_t{16} << 20;

bool ToInt(std::string_view s, std::int64_t& value) {
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  return error == std::errc() && end == s.data() + s.size() && !s.empty();
}

}  // namespace

std::string EncodeSession(const Session& session) {
  std::string out(kMagic);
  const auto field = [&](std::string_view f) { (out += '\0') += f; };
  field(std::to_string(session.active));
  field(std::to_string(session.tabs.size()));
  for (const SessionTab& tab : session.tabs) {
    field(std::to_string(tab.openedNs));
    field(tab.encoding);
    field(tab.path);
  }
  out += '\0';  // a file cut short before it lacks this end
  return out;
}

std::optional<Session> ParseSession(std::string_view text) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    fields.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  std::int64_t active = 0, count = 0;
  if (fields.size() < 3 || fields[0] != kMagic || !ToInt(fields[1], active) || !ToInt(fields[2], count) ||
      count < 0 || static_cast<std::size_t>(count) != (fields.size() - 3) / 3 ||
      (fields.size() - 3) % 3 != 0 || active < -1 || active >= count)
    return std::nullopt;
  Session session;
  session.active = static_cast<int>(active);
  for (std::size_t i = 3; i < fields.size(); i += 3) {
    SessionTab tab;
    if (!ToInt(fields[i], tab.openedNs)) return std::nullopt;
    tab.encoding = fields[i + 1];
    tab.path = fields[i + 2];
    session.tabs.push_back(std::move(tab));
  }
  return session;
}

std::string SessionFilePath(const std::string& stateFolder, const std::string& name) {
  return stateFolder + "/" + name;
}

int WriteSessionFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".new";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return errno;
  int error = WriteAllBytes(fd, text.data(), text.size());
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) unlink(temp.c_str());
  return error;
}

std::optional<std::string> ReadSessionFile(const std::string& path) {
  const int fd = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  std::string text;
  char block[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || text.size() + static_cast<std::size_t>(n) > kLargest) {
      close(fd);
      return n == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
    }
    text.append(block, static_cast<std::size_t>(n));
  }
}

void RemoveSessionFile(const std::string& path) { unlink(path.c_str()); }

}  // namespace quiret
