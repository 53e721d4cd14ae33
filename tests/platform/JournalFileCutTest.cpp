// A journal file another process cuts short while it is mapped: appends fail (no SIGBUS
// ends the program) and never fill the cut with zeros that would end the records silently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/JournalFile.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

TEST(JournalFileCut, AppendsAfterACutFailAndLeaveTheFileAsTheCutLeftIt) {
  for (const std::size_t next : {std::size_t{10}, std::size_t{200000}}) {  // within the room, beyond it
    SCOPED_TRACE(next);
    test::TempDir dir;
    const std::string path = dir.File("doc.qrj");
    int error = 0;
    std::unique_ptr<JournalFile> file = JournalFile::Create(path, error);
    ASSERT_TRUE(file);
    const std::string first(100, 'r'), more(next, 'n');
    ASSERT_EQ(file->Append(first.data(), first.size()), 0);
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_EQ(file->Append(more.data(), more.size()), JournalFile::kCutShort);
    EXPECT_EQ(file->Append("x", 1), JournalFile::kCutShort);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
  }
}

}  // namespace
}  // namespace quiret
