// Save notes: one small locked file per running save in <state folder>/saves, and the clear-up
// at the next start.
#include "platform/SaveNotes.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/StateDir.h"

namespace quiret {

namespace {

constexpr char kNoteSuffix[] = ".note";
constexpr char kNewSuffix[] = ".new";  // a note being made, until it is locked and named

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Paths may hold any byte but zero; line ends and "%" are escaped so one field is one line.
std::string Escape(const std::string& s) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c == '%') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const int hi = s[i] == '%' && i + 2 < s.size() ? HexValue(s[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(s[i + 2]) : -1;
    if (lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string IdText(const FileIdentity& id) {
  if (!id.Exists) return "-";
  return std::to_string(id.Size) + " " + std::to_string(id.MtimeNs) + " " + std::to_string(id.Inode) + " " +
         std::to_string(id.Device);
}

FileIdentity IdFrom(const std::string& text) {
  FileIdentity id;
  if (text == "-" || text.empty()) return id;
  unsigned long long size = 0, ino = 0, dev = 0;
  long long mtime = 0;
  if (std::sscanf(text.c_str(), "%llu %lld %llu %llu", &size, &mtime, &ino, &dev) != 4) return id;
  id.Exists = true;
  id.Size = size;
  id.MtimeNs = mtime;
  id.Inode = ino;
  id.Device = dev;
  return id;
}

const char* const kStages[] = {"writing", "copying", "copied", "written"};

std::string RecordText(const SaveRecord& r) {
  std::string t =
      std::string("method=") + (r.method == SaveRecord::Method::Replace ? "replace" : "inplace") + "\n";
  t += std::string("stage=") + kStages[static_cast<int>(r.stage)] + "\n";
  t += "target=" + Escape(r.Target) + "\n";
  if (r.method == SaveRecord::Method::Replace) {
    t += "temporary=" + Escape(r.Temporary) + "\n";
  } else {
    t += "copy=" + Escape(r.Copy) + "\n";
    t += "before=" + IdText(r.Before) + "\n";
  }
  return t;
}

bool ParseRecord(const std::string& text, SaveRecord& r) {
  bool method = false, stage = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;  // cut short
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "method") {
      method = value == "replace" || value == "inplace";
      r.method = value == "replace" ? SaveRecord::Method::Replace : SaveRecord::Method::InPlace;
    } else if (key == "stage") {
      for (int i = 0; i < 4; ++i)
        if (value == kStages[i]) r.stage = static_cast<SaveRecord::Stage>(i), stage = true;
    } else if (key == "target") {
      r.Target = Unescape(value);
    } else if (key == "temporary") {
      r.Temporary = Unescape(value);
    } else if (key == "copy") {
      r.Copy = Unescape(value);
    } else if (key == "before") {
      r.Before = IdFrom(value);
    }
  }
  return method && stage && !r.Target.empty();
}

std::string ReadAll(int fd) {
  std::string out;
  char buf[4096];
  for (off_t at = 0;;) {
    const ssize_t n = pread(fd, buf, sizeof buf, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
    at += n;
  }
  return out;
}

// Removes a plain file of this user (never a link or a folder). The caller has checked that
// the name is one of ours.
void RemoveOurs(const std::string& path) {
  struct stat st;
  if (!path.empty() && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid())
    unlink(path.c_str());
}

// A note is only a file in our folder, and another program may have written it: the names it
// gives are trusted only in the shape a save of ours gives them. A temporary file lies beside
// its target and is named ".quiret-XXXXXX.tmp"; a copy is the note's own name with ".old".
bool IsOurTemporary(const std::string& temporary, const std::string& target) {
  return temporary.find('/') != std::string::npos && ExtractFileDir(temporary) == ExtractFileDir(target) &&
         IsSaveTemporaryName(ExtractFileName(temporary));
}

std::string CopyPathOf(const std::string& notePath) {
  return notePath.substr(0, notePath.size() - (sizeof kNoteSuffix - 1)) + ".old";
}

}  // namespace

bool IsSaveTemporaryName(const std::string& name) {
  const std::string lead = kSaveTemporaryLead, end = kSaveTemporaryEnd;
  if (name.size() != lead.size() + kSaveTemporaryRandom + end.size() ||
      name.compare(0, lead.size(), lead) != 0 || !EndsWith(name, end))
    return false;
  for (size_t i = lead.size(); i < lead.size() + kSaveTemporaryRandom; ++i)
    if (!((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= '0' && name[i] <= '9'))) return false;
  return true;
}

std::string SaveNotesFolderPath() {
  const std::string state = StateDirPath();
  return state.empty() ? state : state + "/saves";
}

std::string SaveNotesFolder() {
  const std::string state = EnsureStateDir();
  if (state.empty()) return state;
  const std::string folder = state + "/saves";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(folder.c_str(), W_OK | X_OK) != 0)
    return {};
  return folder;
}

SaveNote::SaveNote(const std::string& folder) {
  if (folder.empty()) return;
  std::string name = folder + "/save-XXXXXX" + kNewSuffix;
  const int fd = mkostemps(name.data(), static_cast<int>(sizeof kNewSuffix - 1), O_CLOEXEC);
  if (fd < 0) return;
  // Locked before it gets its real name, so a start never sees it unlocked while it runs.
  if (flock(fd, LOCK_EX) != 0) {
    close(fd);
    unlink(name.c_str());
    return;
  }
  const std::string note = name.substr(0, name.size() - (sizeof kNewSuffix - 1)) + kNoteSuffix;
  if (rename(name.c_str(), note.c_str()) != 0) {
    close(fd);
    unlink(name.c_str());
    return;
  }
  fd_ = fd;
  path_ = note;
}

SaveNote::~SaveNote() {
  if (fd_ < 0) return;
  if (!keep_) unlink(path_.c_str());
  close(fd_);
}

std::string SaveNote::CopyPath() const { return path_.empty() ? path_ : CopyPathOf(path_); }

bool SaveNote::Record(const SaveRecord& record, bool durable) {
  if (fd_ < 0) return false;
  const std::string text = RecordText(record);
  if (ftruncate(fd_, 0) != 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return !durable || fsync(fd_) == 0;
}

InterruptedSave::InterruptedSave(int lockedFd, std::string notePath, SaveRecord record)
    : fd_(lockedFd), notePath_(std::move(notePath)), record_(std::move(record)) {}

InterruptedSave::~InterruptedSave() {
  if (fd_ >= 0) close(fd_);
}

InterruptedSave::InterruptedSave(InterruptedSave&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      notePath_(std::move(other.notePath_)),
      record_(std::move(other.record_)) {}

bool InterruptedSave::TargetIsSameFile() const { return IdentityOf(record_.Target).SameFile(record_.Before); }

void InterruptedSave::Restore() {
  CopyFileInPlace(record_.Copy, record_.Target);
  unlink(record_.Copy.c_str());
  KeepCopy();
}

void InterruptedSave::KeepCopy() {
  if (fd_ < 0) return;
  unlink(notePath_.c_str());
  close(fd_);
  fd_ = -1;
}

std::vector<InterruptedSave> ClearUpInterruptedSaves(const std::string& folder) {
  std::vector<InterruptedSave> pending;
  DIR* d = folder.empty() ? nullptr : opendir(folder.c_str());
  if (!d) return pending;
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) names.emplace_back(e->d_name);
  closedir(d);
  for (const std::string& name : names) {
    const bool note = EndsWith(name, kNoteSuffix), fresh = EndsWith(name, kNewSuffix);
    if (name.rfind("save-", 0) != 0 || (!note && !fresh)) continue;
    const std::string path = folder + "/" + name;
    const int fd = OpenRegularFile(path, O_RDWR | O_NOFOLLOW);
    if (fd < 0) continue;
    // Locked: a save of a running program (another session's).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      continue;
    }
    SaveRecord r;
    if (fresh || !ParseRecord(ReadAll(fd), r)) {  // killed before it said anything
      unlink(path.c_str());
      close(fd);
      continue;
    }
    using Stage = SaveRecord::Stage;
    if (r.method == SaveRecord::Method::Replace) {
      if (IsOurTemporary(r.Temporary, r.Target)) RemoveOurs(r.Temporary);
    } else if (r.Copy != CopyPathOf(path)) {
      // Not a note of ours: it goes, and nothing it names is touched.
    } else if (r.stage == Stage::Copying || r.stage == Stage::Written) {
      RemoveOurs(r.Copy);  // the file was not touched yet, or is whole again
    } else if (SameBytes(r.Copy, r.Target)) {
      RemoveOurs(r.Copy);  // killed before the first byte was written: the file is whole
    } else {
      pending.emplace_back(fd, path, std::move(r));
      continue;
    }
    unlink(path.c_str());
    close(fd);
  }
  return pending;
}

}  // namespace quiret
