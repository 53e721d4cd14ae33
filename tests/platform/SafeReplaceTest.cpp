// The safe replace: what it leaves when it fails or is killed, what the saved file still is
// (owner, group, mode, inode, links), and which leftovers count as its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <system_error>

#include "platform/SafeReplace.h"
#include "platform/SaveNotes.h"
#include "tests/platform/TempDir.h"
#include "tests/support/AsUser.h"

namespace quiret {
namespace {

using test::TempDir;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st;
}

SaveOptions NotesIn(const std::string& folder) {
  SaveOptions options;
  options.NotesFolder = folder;
  return options;
}

// Saves "new" into path as that user (in the shared group), with notes in a folder of its
// own: 0, or the error the save threw; 91 when the save left something among the notes.
int SaveNewAs(uid_t user, const std::string& path) {
  return test::RunAsUser(user, test::kSharedGroup, {test::kSharedGroup}, [&] {
    char notes[] = "/tmp/quiret-notes-XXXXXX";
    if (!mkdtemp(notes)) return 90;
    int code = 0;
    try {
      ReplaceFileSafely(
          path, [](const std::string& p) { TempDir::Write(p, "new"); }, NotesIn(notes));
    } catch (const std::system_error& e) {
      code = e.code().value();
    }
    const bool clean = Entries(notes).empty();
    std::filesystem::remove_all(notes);
    return clean ? code : 91;
  });
}

TEST(SafeReplace, FailedWriteLeavesTheOldFileAndNoTemporary) {
  TempDir dir;
  const std::string path = dir.File("doc.txt");
  TempDir::Write(path, "old");
  EXPECT_THROW(ReplaceFileSafely(path,
                                 [](const std::string& temp) {
                                   TempDir::Write(temp, "half");
                                   throw std::runtime_error("disk full");
                                 }),
               std::runtime_error);
  EXPECT_EQ(TempDir::Read(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_THROW(ReplaceFileSafely(dir.File("no/such.txt"), [](const std::string&) {}), std::system_error);
}

// Saves of earlier versions named their temporary files "<name>.tmp<pid>_<n>"; those go.
// Anything else that merely looks like a temporary may be the user's and stays.
TEST(SafeReplace, StaleTemporariesOfThatFileOnly) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  const struct {
    const char* name;
    bool stale;
  } cases[] = {
      {".quiret.ini.a1B2c3", false}, {"quiret.ini.tmp123_0", true},  {"quiret.ini.tmp9_42", true},
      {".quiret.ini.a1B2c", false},  {".quiret.ini.a1B2c3d", false}, {"quiret.ini.tmp123", false},
      {"quiret.ini.tmpx_1", false},  {"quiret.ini.tmp1_", false},    {".other.ini.a1B2c3", false},
      {"quiret.ini.bak", false},     {"quiret.ini", false},          {".quiret.ini.backup", false},
      {".quiret-a1b2c3.tmp", false},
  };
  for (const auto& c : cases) TempDir::Write(dir.File(c.name), "x");
  std::filesystem::create_directory(dir.File("quiret.ini.tmp1_2"));
  EXPECT_EQ(RemoveStaleTemporaries(path), 2);
  for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), !c.stale) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("quiret.ini.tmp1_2")));
  EXPECT_EQ(RemoveStaleTemporaries(dir.File("none/quiret.ini")), 0);
}

// The temporary name is short and our own: a name at the limit (85 Japanese characters,
// 255 bytes) saves.
TEST(SafeReplace, NamesAtTheLimitSave) {
  TempDir dir, notes;
  std::string name;
  for (int i = 0; i < 85; ++i) name += "あ";
  const std::string path = dir.File(name);
  TempDir::Write(path, "old");
  const FileIdentity id = ReplaceFileSafely(
      path, [](const std::string& p) { TempDir::Write(p, "new"); }, NotesIn(notes.Path()));
  EXPECT_EQ(TempDir::Read(path), "new");
  EXPECT_EQ(id, IdentityOf(path));
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{name});
  EXPECT_TRUE(Entries(notes.Path()).empty());
}

// A failing write in place puts the old bytes back; without a place for the copy nothing
// is written at all.
TEST(SafeReplace, InPlaceWritesFailSafely) {
  TempDir dir, notes;
  const std::string path = dir.File("doc.txt");
  TempDir::Write(path, "old bytes");
  ASSERT_EQ(link(path.c_str(), dir.File("second").c_str()), 0);
  auto half = [](const std::string& p) {
    TempDir::Write(p, "ne");
    throw std::runtime_error("disk full");
  };
  EXPECT_THROW(ReplaceFileSafely(path, half, NotesIn(notes.Path())), std::runtime_error);
  EXPECT_EQ(TempDir::Read(path), "old bytes");
  EXPECT_TRUE(Entries(notes.Path()).empty());
  try {
    ReplaceFileSafely(path, half, NotesIn(""));
    ADD_FAILURE() << "wrote in place without a copy";
  } catch (const EInPlaceSave& e) {
    EXPECT_EQ(e.Kind, EInPlaceSave::Problem::NoCopy);
  }
  EXPECT_EQ(TempDir::Read(path), "old bytes");
}

// Saves killed at each point: the next start's clear-up removes the temporary file or the
// copy that is no longer needed, and offers the old bytes when the file may be half
// written. Files that only look like ours stay.
TEST(SafeReplace, KilledSavesAreClearedUpAtTheNextStart) {
  enum Point { InWrite, AtTemporary, AtCopy, AtWritten };
  const struct {
    const char* name;
    bool inPlace;
    Point point;
    const char* after;  // the file after the clear-up
    int pending;        // saves offered to the user
  } cases[] = {
      {"rename, killed while writing", false, InWrite, "old bytes", 0},
      {"rename, killed after making the temporary", false, AtTemporary, "old bytes", 0},
      {"in place, killed after the copy", true, AtCopy, "old bytes", 0},
      {"in place, killed while writing", true, InWrite, "new", 1},
      {"in place, killed once written", true, AtWritten, "new bytes", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir, notes;
    const std::string name = "doc\n%41.txt";  // notes hold any name
    const std::string path = dir.File(name);
    TempDir::Write(path, "old bytes");
    const std::vector<std::string> users = {".doc.txt.a1B2c3", ".quiret-zzzzzz.tmp", "doc.txt.backup"};
    for (const std::string& u : users) TempDir::Write(dir.File(u), "mine");
    if (c.inPlace) {
      ASSERT_EQ(link(path.c_str(), dir.File("second").c_str()), 0);
    }
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      SaveOptions options = NotesIn(notes.Path());
      options.OnStage = [&](SaveStage s) {
        if ((s == SaveStage::TemporaryMade && c.point == AtTemporary) ||
            (s == SaveStage::CopyMade && c.point == AtCopy) ||
            (s == SaveStage::Written && c.point == AtWritten))
          raise(SIGKILL);
      };
      ReplaceFileSafely(
          path,
          [&](const std::string& p) {
            TempDir::Write(p, c.point == InWrite ? "new" : "new bytes");
            if (c.point == InWrite) raise(SIGKILL);
          },
          options);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::vector<InterruptedSave> pending = ClearUpInterruptedSaves(notes.Path());
    ASSERT_EQ(static_cast<int>(pending.size()), c.pending);
    EXPECT_EQ(TempDir::Read(path), c.after);
    std::vector<std::string> expected = users;
    expected.push_back(name);
    if (c.inPlace) expected.push_back("second");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(dir.Path()), expected);
    for (const std::string& u : users) EXPECT_EQ(TempDir::Read(dir.File(u)), "mine");
    if (pending.empty()) {
      EXPECT_TRUE(Entries(notes.Path()).empty());
      continue;
    }
    InterruptedSave& save = pending[0];
    EXPECT_EQ(save.Target(), path);
    EXPECT_TRUE(save.TargetIsSameFile());
    EXPECT_EQ(TempDir::Read(save.Copy()), "old bytes");
    save.Restore();
    EXPECT_EQ(TempDir::Read(dir.File("second")), "old bytes");  // in place: the link sees it too
    EXPECT_TRUE(Entries(notes.Path()).empty());
  }
}

// A save still running (its note locked by a live process, another session's) is left alone
// until it ends.
TEST(SafeReplace, RunningSavesAreLeftAlone) {
  TempDir dir, notes;
  const std::string path = dir.File("doc.txt");
  TempDir::Write(path, "old bytes");
  const pid_t pid = fork();
  if (pid == 0) {
    ReplaceFileSafely(
        path,
        [](const std::string& p) {
          TempDir::Write(p, "new");
          raise(SIGSTOP);
        },
        NotesIn(notes.Path()));
    _exit(0);
  }
  waitpid(pid, nullptr, WUNTRACED);
  EXPECT_TRUE(ClearUpInterruptedSaves(notes.Path()).empty());
  EXPECT_EQ(Entries(dir.Path()).size(), 2u);  // its temporary file stays
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(ClearUpInterruptedSaves(notes.Path()).empty());
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"doc.txt"});
  EXPECT_EQ(TempDir::Read(path), "old bytes");
}

// As another user (the tests run as root here and in CI): what the file is stays what it
// was. A shared file keeps its owner and group and a file in a locked folder or with a
// second link is written in place; a file the user may not write is refused even where a
// rename would work; the user's own file is renamed over with its group and mode.
TEST(SafeReplace, OwnersGroupsModesAndLinksStayForAnotherUser) {
  if (!test::CanSwitchUser()) GTEST_SKIP() << "needs root to act as another user";
  constexpr uid_t kUser = test::kOtherUser;
  constexpr gid_t kGroup = test::kSharedGroup;
  const struct {
    const char* name;
    uid_t folderOwner;
    gid_t folderGroup;
    mode_t folderMode;
    uid_t fileOwner;
    gid_t fileGroup;
    mode_t fileMode;
    bool secondLink;
    int result;  // 0 saved, EACCES refused
    bool sameInode;
  } cases[] = {
      {"group-writable file in a shared folder", 0, kGroup, 0775, 0, kGroup, 0664, false, 0, true},
      {"writable file in a locked folder", 0, 0, 0755, kUser, kGroup, 0644, false, 0, true},
      {"second hard link", kUser, kGroup, 0755, kUser, kGroup, 0600, true, 0, true},
      {"a group the user is not in", kUser, kGroup, 0755, kUser, 5555, 0644, false, 0, true},
      {"someone else's file in the user's folder", kUser, kGroup, 0755, 0, 0, 0644, false, EACCES, true},
      {"the user's own file", kUser, kGroup, 0755, kUser, kGroup, 0640, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    const std::string folder = dir.File("f"), path = folder + "/doc.txt", link2 = folder + "/second";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    TempDir::Write(path, "old");
    if (c.secondLink) {
      ASSERT_EQ(link(path.c_str(), link2.c_str()), 0);
    }
    ASSERT_EQ(chown(path.c_str(), c.fileOwner, c.fileGroup), 0);
    ASSERT_EQ(chmod(path.c_str(), c.fileMode), 0);
    ASSERT_EQ(chown(folder.c_str(), c.folderOwner, c.folderGroup), 0);
    ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
    const ino_t inode = StatOf(path).st_ino;
    const int result = SaveNewAs(kUser, path);
    EXPECT_EQ(result, c.result);
    const struct stat st = StatOf(path);
    EXPECT_EQ(TempDir::Read(path), c.result == 0 ? "new" : "old");
    EXPECT_EQ(st.st_ino == inode, c.sameInode);
    EXPECT_EQ(st.st_uid, c.fileOwner);
    EXPECT_EQ(st.st_gid, c.fileGroup);
    EXPECT_EQ(st.st_mode & 07777, c.fileMode);
    if (c.secondLink) {
      EXPECT_EQ(TempDir::Read(link2), "new");
    }
    EXPECT_EQ(Entries(folder).size(), c.secondLink ? 2u : 1u);
    chmod(folder.c_str(), 0755);
  }
}

// A POSIX ACL as the kernel keeps it in its attribute: version 2, then (tag, permissions, id).
std::string Acl(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
  std::string v;
  const auto put = [&v](std::uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v += static_cast<char>(x >> (8 * i));
  };
  put(2, 4);
  for (const auto& e : entries) put(e[0], 2), put(e[1], 2), put(e[2], 4);
  return v;
}

std::map<std::string, std::string> AttributesOf(const std::string& path) {
  std::map<std::string, std::string> out;
  char names[4096];
  const ssize_t n = listxattr(path.c_str(), names, sizeof names);
  for (ssize_t at = 0; at < n; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
    char value[4096];
    const ssize_t size = getxattr(path.c_str(), names + at, value, sizeof value);
    out[names + at] = std::string(value, size > 0 ? static_cast<std::size_t>(size) : 0);
  }
  return out;
}

// A save keeps the file's ACL and other extended attributes, and gives it none it did not
// have; one this user cannot give a new file keeps the file itself, rewritten in place.
TEST(SafeReplace, ExtendedAttributesStayWhatTheyWere) {
  if (!test::CanSwitchUser()) GTEST_SKIP() << "needs root to set attributes for another user";
  constexpr std::uint32_t kNone = 0xFFFFFFFF, kUser = test::kOtherUser, kReader = 4243;
  const std::string acl =
      Acl({{0x01, 6, kNone}, {0x02, 4, kReader}, {0x04, 4, kNone}, {0x10, 4, kNone}, {0x20, 0, kNone}});
  const std::string folderAcl =
      Acl({{0x01, 7, kNone}, {0x02, 7, kReader}, {0x04, 5, kNone}, {0x10, 7, kNone}, {0x20, 5, kNone}});
  const struct {
    const char* name;
    std::vector<std::pair<const char*, std::string>> attributes;
    bool folderGivesAcl;
    bool sameInode;
  } cases[] = {
      {"an ACL and a user attribute",
       {{"system.posix_acl_access", acl}, {"user.origin", "scanner"}},
       false,
       false},
      {"no ACL in a folder whose default gives one", {}, true, false},
      {"an attribute only root may set", {{"security.quiret-test", "x"}}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    const std::string folder = dir.File("f"), path = folder + "/doc.txt";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(chown(folder.c_str(), kUser, test::kSharedGroup), 0);
    if (c.folderGivesAcl) {
      ASSERT_EQ(setxattr(folder.c_str(), "system.posix_acl_default", folderAcl.data(), folderAcl.size(), 0),
                0);
    }
    TempDir::Write(path, "old");
    ASSERT_EQ(chown(path.c_str(), kUser, test::kSharedGroup), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    removexattr(path.c_str(), "system.posix_acl_access");
    for (const auto& [name, value] : c.attributes)
      ASSERT_EQ(setxattr(path.c_str(), name, value.data(), value.size(), 0), 0) << name << " " << errno;
    const std::map<std::string, std::string> before = AttributesOf(path);
    ASSERT_EQ(before.size(), c.attributes.size());
    const ino_t inode = StatOf(path).st_ino;
    const int result = SaveNewAs(kUser, path);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(TempDir::Read(path), "new");
    EXPECT_EQ(StatOf(path).st_ino == inode, c.sameInode);
    EXPECT_EQ(AttributesOf(path), before);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(folder).size(), 1u);
  }
}

}  // namespace
}  // namespace quiret
