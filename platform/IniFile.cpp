// The settings file: profile-style reads and writes that keep everything they do not touch.
#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace quiret {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// The file as lines, with the details needed to write it back the way it was.
struct IniText {
  std::vector<std::string> lines;
  bool bom = false;
  bool crlf = false;  // a new file uses the platform's LF
};

std::optional<std::string> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  size_t close = t.find(']');
  return std::string(Trim(t.substr(1, close == std::string_view::npos ? close : close - 1)));
}

// Splits "key = value" into its trimmed parts; comments and other lines are not entries.
bool EntryOf(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

IniText Load(const std::string& path) {
  IniText ini;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ini;  // a missing file reads as an empty one
  std::ostringstream buf;
  buf << in.rdbuf();
  std::string data = buf.str();
  std::string_view rest = data;
  if (rest.substr(0, kBom.size()) == kBom) {
    ini.bom = true;
    rest.remove_prefix(kBom.size());
  }
  size_t firstLf = rest.find('\n');
  ini.crlf = firstLf != std::string_view::npos && firstLf > 0 && rest[firstLf - 1] == '\r';
  while (!rest.empty()) {
    size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines.emplace_back(line);
    if (lf == std::string_view::npos) break;
    rest.remove_prefix(lf + 1);
  }
  return ini;
}

// The [begin, end) range of lines after the first header named `section`, or nullopt.
std::optional<std::pair<size_t, size_t>> FindSection(const IniText& ini, const std::string& section) {
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    auto name = SectionOf(ini.lines[i]);
    if (!name || !EqualNoCase(*name, section)) continue;
    size_t end = i + 1;
    while (end < ini.lines.size() && !SectionOf(ini.lines[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// Writes `data` and closes `fd`; on failure removes `temp` (when given) and throws.
void WriteAll(int fd, const std::string& data, const std::string& path, const std::string& temp) {
  size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  std::string msg = ok ? "" : SystemError("Cannot write", path);
  if (close(fd) != 0 && ok) {
    ok = false;
    msg = SystemError("Cannot write", path);
  }
  if (!ok) {
    if (!temp.empty()) unlink(temp.c_str());
    throw std::runtime_error(msg);
  }
}

// Writes next to the target and renames over it, so a crash never leaves half a file. No
// fsync: the settings are written key by key at exit, and a flush per key costs ~10 ms.
void Save(const std::string& path, const IniText& ini) {
  std::string target = path;
  if (char* real = realpath(path.c_str(), nullptr)) {  // write through a symbolic link
    target = real;
    std::free(real);
  }
  std::string data;
  if (ini.bom) data += kBom;
  const char* eol = ini.crlf ? "\r\n" : "\n";
  for (const std::string& line : ini.lines) data += line + eol;

  static std::atomic<unsigned> counter{0};
  std::string temp = target + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    // A writable file in a folder we may not add to: rewrite it in place instead.
    fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(SystemError("Cannot write", path));
    WriteAll(fd, data, path, "");
    return;
  }
  if (fd < 0) throw std::runtime_error(SystemError("Cannot write", path));
  struct stat st;
  if (stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);  // keep its permissions
  WriteAll(fd, data, path, temp);
  if (rename(temp.c_str(), target.c_str()) != 0) {
    std::string msg = SystemError("Cannot replace", path);
    unlink(temp.c_str());
    throw std::runtime_error(msg);
  }
}

std::optional<unsigned> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Decimal with an optional sign, or hexadecimal after "0x" or "$". Hexadecimal takes all 32
// bits, so a colour with its system-colour bit set ("$80000005") reads back as written.
std::optional<int> ParseIntegerText(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::string_view hex;
  if (s[0] == '$') {
    hex = s.substr(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    hex = s.substr(2);
  }
  if (!hex.empty() || s == "$") {
    if (hex.empty()) return std::nullopt;
    unsigned long long v = 0;
    for (char c : hex) {
      auto d = HexDigit(c);
      if (!d) return std::nullopt;
      v = v * 16 + *d;
      if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<int>(static_cast<std::uint32_t>(v));
  }
  bool negative = s[0] == '-';
  if (s[0] == '-' || s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) { return ParseIntegerText(text); }

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  IniText ini = Load(path_);
  auto range = FindSection(ini, section);
  if (!range) return def;
  for (size_t i = range->first; i < range->second; ++i) {
    std::string_view k, v;
    if (!EntryOf(ini.lines[i], k, v) || !EqualNoCase(k, key)) continue;
    // Like the classic API, one pair of matching quotes around the value is not part of it.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
  }
  return def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  return ParseProfileInteger(ReadString(section, key, "")).value_or(def);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  IniText ini = Load(path_);
  auto range = FindSection(ini, section);
  if (!range) {
    if (!ini.lines.empty() && !Trim(ini.lines.back()).empty()) ini.lines.emplace_back();
    ini.lines.push_back("[" + section + "]");
    ini.lines.push_back(key + "=" + value);
    Save(path_, ini);
    return;
  }
  for (size_t i = range->first; i < range->second; ++i) {
    std::string_view k, v;
    if (!EntryOf(ini.lines[i], k, v) || !EqualNoCase(k, key)) continue;
    std::string& line = ini.lines[i];
    // Only the value changes: the key's spelling and the blanks around "=" stay.
    size_t at = line.find('=') + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    line = line.substr(0, at) + value;
    Save(path_, ini);
    return;
  }
  // A new key goes after the section's last line that is not blank.
  size_t at = range->second;
  while (at > range->first && Trim(ini.lines[at - 1]).empty()) --at;
  ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
  Save(path_, ini);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(const std::string& section) {
  IniText ini = Load(path_);
  bool changed = false;
  // Every header of that name goes, so that no duplicate shows through afterwards.
  while (auto range = FindSection(ini, section)) {
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
                    ini.lines.begin() + static_cast<std::ptrdiff_t>(range->second));
    // Blank lines that only separated it from the section before it go too.
    if (range->first - 1 == ini.lines.size()) {
      while (!ini.lines.empty() && Trim(ini.lines.back()).empty()) ini.lines.pop_back();
    }
    changed = true;
  }
  if (changed) Save(path_, ini);
}

}  // namespace quiret
