// Saving a file: a temporary file renamed over it, or a write in place behind a durable copy
// of the old bytes, each noted in the state folder while it runs.
#include "platform/SafeReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/SaveNotes.h"

namespace quiret {

namespace {

using WriteFn = std::function<void(const std::string&)>;

[[noreturn]] void ThrowErrno(int code, const std::string& fileName) {
  throw std::system_error(code, std::generic_category(), fileName);
}

std::string FolderOf(const std::string& path) {
  const std::string dir = ExtractFileDir(path);
  return dir.empty() ? std::string(".") : dir;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "<name>.tmp<pid>_<n>", as earlier versions named their temporary files.
bool IsEarlierTemporary(const std::string& entry, const std::string& name) {
  const std::string old = name + ".tmp";
  if (entry.size() <= old.size() || entry.compare(0, old.size(), old) != 0) return false;
  const std::string rest = entry.substr(old.size());
  const size_t bar = rest.find('_');
  return bar != std::string::npos && AllDigits(rest.substr(0, bar)) && AllDigits(rest.substr(bar + 1));
}

// A short name of our own, whatever the length of the file's name: ".quiret-XXXXXX.tmp".
std::string TemporaryName() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char raw[kSaveTemporaryRandom];
  if (getrandom(raw, sizeof raw, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof raw)) {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    unsigned long long x =
        static_cast<unsigned long long>(t.tv_nsec) ^ (static_cast<unsigned long long>(getpid()) << 20);
    for (unsigned char& b : raw) b = static_cast<unsigned char>(x), x = x * 6364136223846793005ull + 1;
  }
  std::string name = kSaveTemporaryLead;
  for (unsigned char b : raw) name += kChars[b % 36];
  return name + kSaveTemporaryEnd;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The names in a list from listxattr; empty when the file system keeps none.
std::vector<std::string> AttributeNames(const std::function<ssize_t(char*, std::size_t)>& list) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t need = list(nullptr, 0);
    if (need <= 0) return {};
    std::string buf(static_cast<std::size_t>(need), '\0');
    const ssize_t got = list(buf.data(), buf.size());
    if (got < 0 && errno == ERANGE) continue;  // grew in between
    std::vector<std::string> names;
    for (std::size_t at = 0; got > 0 && at < static_cast<std::size_t>(got);) {
      const std::size_t end = buf.find('\0', at);
      names.push_back(buf.substr(at, end - at));
      at = end + 1;
    }
    return names;
  }
  return {};
}

std::optional<std::string> AttributeValue(const std::function<ssize_t(void*, std::size_t)>& get) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ssize_t need = get(nullptr, 0);
    if (need < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(need), '\0');
    const ssize_t got = get(value.data(), value.size());
    if (got >= 0) return value.substr(0, static_cast<std::size_t>(got));
    if (errno != ERANGE) return std::nullopt;
  }
  return std::nullopt;
}

// Gives the new file the old one's extended attributes (its ACL, security label, user
// attributes) and takes away those it was born with that the old one lacks (a folder's
// default ACL). False when that cannot be done: a rename would change what the file is.
bool SameAttributes(const std::string& target, int fd) {
  const std::vector<std::string> wanted =
      AttributeNames([&](char* buf, std::size_t size) { return listxattr(target.c_str(), buf, size); });
  for (const std::string& name :
       AttributeNames([&](char*buf, std::size_t size) { return flistxattr(fd, buf, size); }))
    if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() && fremovexattr(fd, name.c_str()) != 0)
      return false;
  for (const std::string& name : wanted) {
    const std::optional<std::string> value = AttributeValue(
        [&](void* buf, std::size_t size) { return getxattr(target.c_str(), name.c_str(), buf, size); });
    if (!value) return false;
    const std::optional<std::string> mine =
        AttributeValue([&](void* buf, std::size_t size) { return fgetxattr(fd, name.c_str(), buf, size); });
    if (mine == value) continue;  // e.g. the label the folder gave it anyway
    if (fsetxattr(fd, name.c_str(), value->data(), value->size(), 0) != 0) return false;
  }
  return true;
}

void Stage(const SaveOptions& options, SaveStage stage) {
  if (options.OnStage) options.OnStage(stage);
}

// Renames a temporary file over the target. Nothing (and nothing left behind) when the
// old file's owner, group or extended attributes cannot be given to the new one: the caller
// writes in place.
std::optional<FileIdentity> ReplaceByRename(const std::string& fileName, const std::string& target,
                                            const struct stat* old, const WriteFn& write,
                                            const SaveOptions& options) {
  const std::string folder = FolderOf(target);
  SaveNote note(options.NotesFolder);
  SaveRecord record;
  record.Target = target;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = folder + "/" + TemporaryName();
    record.Temporary = temp;
    note.Record(record, false);  // before the file exists: a kill after this point is cleared up
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && (errno != EEXIST || attempt >= 100)) ThrowErrno(errno, fileName);
  }
  try {
    Stage(options, SaveStage::TemporaryMade);
    struct stat mine;
    bool same = true;
    if (old && fstat(fd, &mine) == 0 && (mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) &&
        fchown(fd, old->st_uid, old->st_gid) != 0) {
      if (errno != EPERM && errno != EINVAL) ThrowErrno(errno, fileName);
      same = false;
    }
    // Before the bytes, so that a file whose attributes cannot be given is not written twice.
    // The chmod below leaves an ACL copied here as it is: the old mode agrees with it.
    if (!same || (old && !SameAttributes(target, fd))) {
      close(fd);
      unlink(temp.c_str());
      return std::nullopt;
    }
    write(temp);
    // After the owner: a change of owner clears the set-id bits.
    if (fchmod(fd, old ? old->st_mode & 07777 : NewFileMode()) != 0) ThrowErrno(errno, fileName);
    // The new content must be on the disk before the name points at it: a crash soon after
    // the rename could otherwise leave an empty file where the old one was. Some file
    // systems also report a failed write only here.
    if (fsync(fd) != 0) ThrowErrno(errno, fileName);
    const FileIdentity written = IdentityOfOpenFile(fd);  // a rename keeps the inode and time
    const int closed = close(fd);
    fd = -1;
    if (closed != 0) ThrowErrno(errno, fileName);
    if (rename(temp.c_str(), target.c_str()) != 0) ThrowErrno(errno, fileName);
    SyncFolder(folder);
    Stage(options, SaveStage::Written);
    return written;
  } catch (...) {
    if (fd >= 0) close(fd);
    unlink(temp.c_str());
    throw;
  }
}

FileIdentity Sync(const std::string& fileName, const std::string& target) {
  int fd = OpenRegularFile(target, O_RDONLY);
  if (fd < 0) fd = OpenRegularFile(target, O_WRONLY);  // a file we may write but not read
  if (fd < 0) ThrowErrno(errno, fileName);
  const int synced = fsync(fd);
  const int error = errno;
  const FileIdentity written = IdentityOfOpenFile(fd);
  close(fd);
  if (synced != 0) ThrowErrno(error, fileName);
  return written;
}

// Rewrites the target itself: its inode, owner, group, mode and links stay. The old bytes
// are on the disk in the notes folder before the first new byte is written.
FileIdentity WriteInPlace(const std::string& fileName, const std::string& target, const WriteFn& write,
                          const SaveOptions& options) {
  // The user may choose to write without the copy, knowing that a failure or a kill now may
  // leave the file half written.
  const auto noCopy = [&](const std::string& where, int code) {
    if (!options.AskUnprotected || !options.AskUnprotected(where, code))
      throw EInPlaceSave(
          EInPlaceSave::Problem::NoCopy, where, code,
          fileName + ": no copy of the old content can be kept in " + where + ": " + std::strerror(code));
    write(target);
    return Sync(fileName, target);
  };
  errno = 0;
  SaveNote note(options.NotesFolder);
  if (!note.Active()) {
    if (options.NotesFolder.empty())
      return noCopy(options.NotesFolderWanted, options.NotesError ? options.NotesError : ENOENT);
    return noCopy(options.NotesFolder, errno ? errno : EIO);
  }
  SaveRecord record;
  record.method = SaveRecord::Method::InPlace;
  record.stage = SaveRecord::Stage::Copying;
  record.Target = target;
  record.Copy = note.CopyPath();
  record.Before = IdentityOf(target);
  try {
    if (!note.Record(record, true)) ThrowErrno(errno ? errno : EIO, record.Copy);
    CopyFileToNew(target, record.Copy);
    SyncFolder(options.NotesFolder);
    record.stage = SaveRecord::Stage::Copied;
    if (!note.Record(record, true)) ThrowErrno(errno ? errno : EIO, record.Copy);
  } catch (const std::system_error& e) {
    unlink(record.Copy.c_str());
    return noCopy(options.NotesFolder, e.code().value());
  }
  Stage(options, SaveStage::CopyMade);
  FileIdentity written;
  try {
    write(target);
    written = Sync(fileName, target);
  } catch (...) {
    try {
      CopyFileInPlace(record.Copy, target);
    } catch (const std::system_error& e) {
      note.Keep();  // the next start offers the copy again
      throw EInPlaceSave(EInPlaceSave::Problem::OldBytesKept, record.Copy, e.code().value(), e.what());
    }
    unlink(record.Copy.c_str());
    throw;
  }
  record.stage = SaveRecord::Stage::Written;
  note.Record(record, true);
  Stage(options, SaveStage::Written);
  unlink(record.Copy.c_str());
  return written;
}

}  // namespace

std::string FinalTarget(const std::string& fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buf[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    if (n < 0) return path;
    std::string link(buf, static_cast<size_t>(n));
    if (!link.empty() && link[0] == '/') {
      path = link;
    } else {
      const std::string dir = ExtractFileDir(path);
      path = dir.empty() ? link : dir + "/" + link;
    }
  }
  return path;
}

FileIdentity ReplaceFileSafely(const std::string& fileName, const WriteFn& write,
                               const SaveOptions& options) {
  const std::string target = FinalTarget(fileName);
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0;
  // Never replace what this user could not have changed: a rename in a folder of the user's
  // would otherwise take over another user's file.
  if (exists && !MayWriteFile(target)) ThrowErrno(EACCES, fileName);
  const bool regular = exists && S_ISREG(st.st_mode);
  const bool folderWritable = faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  if (!regular || (st.st_nlink == 1 && folderWritable)) {
    if (std::optional<FileIdentity> id =
            ReplaceByRename(fileName, target, exists ? &st : nullptr, write, options))
      return *id;
  }
  return WriteInPlace(fileName, target, write, options);
}

SaveOptions NotesInStateFolder() {
  SaveOptions options;
  errno = 0;
  options.NotesFolder = SaveNotesFolder();
  if (options.NotesFolder.empty()) {
    options.NotesError = errno ? errno : ENOENT;
    options.NotesFolderWanted = SaveNotesFolderPath();
  }
  return options;
}

FileIdentity ReplaceFileSafely(const std::string& fileName, const WriteFn& write) {
  return ReplaceFileSafely(fileName, write, NotesInStateFolder());
}

int RemoveStaleTemporaries(const std::string& fileName) {
  const std::string target = FinalTarget(fileName);
  const std::string folder = FolderOf(target);
  const std::string name = ExtractFileName(target);
  DIR* d = opendir(folder.c_str());
  if (!d) return 0;
  int removed = 0;
  while (const dirent* e = readdir(d)) {
    const std::string entry = e->d_name;
    if (!IsEarlierTemporary(entry, name)) continue;
    const std::string path = folder + "/" + entry;
    struct stat st;
    // Only plain files of this user: never a folder, a link or someone else's file.
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) continue;
    if (unlink(path.c_str()) == 0) ++removed;
  }
  closedir(d);
  return removed;
}

}  // namespace quiret
