// File-system questions and path helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/Files.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

TEST(FilesTest, ExistenceOfFilesAndFolders) {
  TempDir dir;
  std::string file = dir.File("a.txt");
  TempDir::Write(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir.File("missing.txt")));
  EXPECT_FALSE(DirectoryExists(dir.File("missing")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(DirectoryExists(""));
  // Something that is not a folder counts as a file; a dangling link is nothing.
  std::filesystem::create_symlink(file, dir.File("link"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  EXPECT_TRUE(FileExists(dir.File("link")));
  EXPECT_FALSE(FileExists(dir.File("dangling")));
  EXPECT_TRUE(FileExists("/dev/null"));
}

TEST(FilesTest, ReadOnlyMeansNoWriteBitForAnyone) {
  TempDir dir;
  std::string file = dir.File("a.txt");
  TempDir::Write(file, "x");
  struct Case {
    mode_t mode;
    bool readOnly;
  };
  for (Case c : {Case{0644, false}, Case{0444, true}, Case{0400, true}, Case{0200, false}, Case{0464, false},
                 Case{0446, false}, Case{0555, true}, Case{0000, true}}) {
    ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
    EXPECT_EQ(IsReadOnlyFile(file), c.readOnly) << std::oct << c.mode;
  }
  chmod(file.c_str(), 0644);
  EXPECT_FALSE(IsReadOnlyFile(dir.File("missing.txt")));
}

TEST(FilesTest, PathParts) {
  EXPECT_EQ(ExtractFileDir("/home/u/quiret"), "/home/u");
  EXPECT_EQ(ExtractFileDir("/quiret"), "/");
  EXPECT_EQ(ExtractFileDir("quiret"), "");
  EXPECT_EQ(ExtractFileDir("a/b/"), "a/b");
  EXPECT_EQ(ExtractFileName("/home/u/memo.txt"), "memo.txt");
  EXPECT_EQ(ExtractFileName("memo.txt"), "memo.txt");
  EXPECT_EQ(ExtractFileName("a/b/"), "");
  EXPECT_EQ(ExtractFileName("/home/u/\x83\x81\x83\x82.txt"), "\x83\x81\x83\x82.txt");
}

TEST(FilesTest, ChangeFileExtReplacesOnlyTheLastExtensionOfTheName) {
  EXPECT_EQ(ChangeFileExt("/opt/quiret/quiret", ".ini"), "/opt/quiret/quiret.ini");
  EXPECT_EQ(ChangeFileExt("/opt/quiret/quiret.exe", ".ini"), "/opt/quiret/quiret.ini");
  EXPECT_EQ(ChangeFileExt("/a/b.tar.gz", ".txt"), "/a/b.tar.txt");
  EXPECT_EQ(ChangeFileExt("/a.d/quiret", ".ini"), "/a.d/quiret.ini");  // dot of a folder
  EXPECT_EQ(ChangeFileExt("memo.txt", ""), "memo");
  EXPECT_EQ(ChangeFileExt("memo.", ".txt"), "memo.txt");
  EXPECT_EQ(ChangeFileExt("", ".ini"), ".ini");
}

}  // namespace
}  // namespace quiret

namespace quiret {
namespace {

// Asked without blocking: opening a FIFO that no one writes to must not wait for a writer.
TEST(FilesTest, OnlyRegularFilesAreRegular) {
  TempDir dir;
  const std::string file = dir.File("a.txt");
  TempDir::Write(file, "x");
  ASSERT_EQ(mkfifo(dir.File("fifo.txt").c_str(), 0600), 0);
  std::filesystem::create_symlink(file, dir.File("link.txt"));
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.txt"));
  const struct {
    std::string path;
    bool regular;
  } cases[] = {
      {file, true},
      {dir.File("link.txt"), true},
      {dir.File("fifo.txt"), false},
      {dir.File("zero.txt"), false},
      {"/dev/urandom", false},
      {"/dev/null", false},
      {dir.Path(), false},
      {dir.File("missing"), false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsRegularFile(c.path), c.regular) << c.path;
  // Unreadable is still regular: the reader reports why it cannot read it.
  chmod(file.c_str(), 0);
  EXPECT_TRUE(IsRegularFile(file));
}

}  // namespace
}  // namespace quiret
