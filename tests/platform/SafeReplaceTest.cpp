// The safe replace: what it leaves when it fails, and which leftovers count as its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/SafeReplace.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

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

TEST(SafeReplace, StaleTemporariesOfThatFileOnly) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  const struct {
    const char* name;
    bool stale;
  } cases[] = {
      {".quiret.ini.a1B2c3", true}, {"quiret.ini.tmp123_0", true},  {"quiret.ini.tmp9_42", true},
      {".quiret.ini.a1B2c", false}, {".quiret.ini.a1B2c3d", false}, {"quiret.ini.tmp123", false},
      {"quiret.ini.tmpx_1", false}, {"quiret.ini.tmp1_", false},    {".other.ini.a1B2c3", false},
      {"quiret.ini.bak", false},    {"quiret.ini", false},
  };
  for (const auto& c : cases) TempDir::Write(dir.File(c.name), "x");
  std::filesystem::create_directory(dir.File(".quiret.ini.folder"));
  EXPECT_EQ(RemoveStaleTemporaries(path), 3);
  for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), !c.stale) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File(".quiret.ini.folder")));
  EXPECT_EQ(RemoveStaleTemporaries(dir.File("none/quiret.ini")), 0);
}

}  // namespace
}  // namespace quiret
