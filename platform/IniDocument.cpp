// The settings file in memory: profile-style reads and writes that keep what they do not touch.
#include "platform/IniDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/Files.h"
#include "platform/SafeReplace.h"

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

std::optional<unsigned> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

void WriteAllTo(const std::string& path, const std::string& data, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), path);
  int error = WriteAllBytes(fd, data.data(), data.size());
  if (error == 0 && (flags & O_TRUNC) && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) throw std::system_error(error, std::generic_category(), path);
}

// A file that exists and that nobody may write, or that this user may not write.
bool IsWriteProtected(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

}  // namespace

// Decimal with an optional sign, or hexadecimal after "0x" or "$". Hexadecimal takes all 32
// bits, so a colour with its system-colour bit set ("$80000005") reads back as written.
std::optional<int> ParseProfileInteger(std::string_view s) {
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

IniDocument::IniDocument(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;  // a missing file reads as an empty one
  std::ostringstream buf;
  buf << in.rdbuf();
  loaded_ = buf.str();
  std::string_view rest = loaded_;
  if (rest.substr(0, kBom.size()) == kBom) {
    bom_ = true;
    rest.remove_prefix(kBom.size());
  }
  // CR LF, LF and a lone CR all end a line; the first one found is the file's style.
  bool styleKnown = false;
  while (!rest.empty()) {
    const size_t end = rest.find_first_of("\r\n");
    lines_.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    const size_t len = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1;
    if (!styleKnown) eol_ = std::string(rest.substr(end, len));
    styleKnown = true;
    rest.remove_prefix(end + len);
  }
}

std::string IniDocument::Text() const {
  std::string data;
  if (bom_) data += kBom;
  for (const std::string& line : lines_) data += line + eol_;
  return data;
}

// The [begin, end) range of lines after the first header named `section`, or nullopt.
std::optional<std::pair<size_t, size_t>> IniDocument::FindSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = SectionOf(lines_[i]);
    if (!name || !EqualNoCase(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !SectionOf(lines_[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

std::string IniDocument::ReadString(const std::string& section, const std::string& key,
                                    const std::string& def) const {
  auto range = FindSection(section);
  if (!range) return def;
  for (size_t i = range->first; i < range->second; ++i) {
    std::string_view k, v;
    if (!EntryOf(lines_[i], k, v) || !EqualNoCase(k, key)) continue;
    // Like the classic API, one pair of matching quotes around the value is not part of it.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
  }
  return def;
}

int IniDocument::ReadInteger(const std::string& section, const std::string& key, int def) const {
  return ParseProfileInteger(ReadString(section, key, "")).value_or(def);
}

bool IniDocument::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

int IniDocument::EntryCount(const std::string& section) const {
  auto range = FindSection(section);
  int n = 0;
  if (!range) return n;
  for (size_t i = range->first; i < range->second; ++i) {
    std::string_view k, v;
    if (EntryOf(lines_[i], k, v)) ++n;
  }
  return n;
}

void IniDocument::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  for (const std::string* s : {&section, &key, &value})
    if (s->find_first_of("\r\n") != std::string::npos)
      throw std::invalid_argument("a settings entry cannot hold a line break");
  auto range = FindSection(section);
  if (!range) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + section + "]");
    lines_.push_back(key + "=" + value);
    return;
  }
  for (size_t i = range->first; i < range->second; ++i) {
    std::string_view k, v;
    if (!EntryOf(lines_[i], k, v) || !EqualNoCase(k, key)) continue;
    std::string& line = lines_[i];
    // Only the value changes: the key's spelling and the blanks around "=" stay.
    size_t at = line.find('=') + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    line = line.substr(0, at) + value;
    return;
  }
  // A new key goes after the section's last line that is not blank.
  size_t at = range->second;
  while (at > range->first && Trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + value);
}

void IniDocument::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniDocument::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniDocument::EraseSection(const std::string& section) {
  // Every header of that name goes, so that no duplicate shows through afterwards.
  while (auto range = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->first - 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->second));
    // Blank lines that only separated it from the section before it go too.
    if (range->first - 1 == lines_.size()) {
      while (!lines_.empty() && Trim(lines_.back()).empty()) lines_.pop_back();
    }
  }
}

IniDocument::SaveResult IniDocument::Save() {
  const std::string data = Text();
  if (data == loaded_) return SaveResult::Unchanged;
  const std::string target = FinalTarget(path_);
  // The user's way of keeping the settings as they are; the rename would not ask.
  if (IsWriteProtected(target)) return SaveResult::ReadOnly;
  try {
    // A writable file in a folder we may not add to is rewritten in place there.
    ReplaceFileSafely(path_, [&](const std::string& temp) { WriteAllTo(temp, data, O_WRONLY | O_TRUNC); });
  } catch (const std::system_error& e) {
    throw std::runtime_error("Cannot write " + path_ + ": " + std::strerror(e.code().value()));
  } catch (const EInPlaceSave& e) {
    throw std::runtime_error("Cannot write " + path_ + ": " + e.what());
  }
  loaded_ = data;
  return SaveResult::Saved;
}

}  // namespace quiret
