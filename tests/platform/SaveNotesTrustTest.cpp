// Save notes another program planted in the notes folder: they remove no file of the user, and
// a FIFO they name makes nothing wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/SaveNotes.h"
#include "tests/platform/TempDir.h"
#include "tests/support/WithinASecond.h"

namespace quiret {
namespace {

using test::TempDir;

void Plant(const TempDir& notes, const std::string& text) {
  TempDir::Write(notes.File("save-planted.note"), text);
}

TEST(SaveNotesTrust, APlantedNoteRemovesOnlyATemporaryOfOurNamingBesideItsTarget) {
  const struct {
    const char* note;    // "@U" stands for the user's folder, "@N" for the notes folder
    const char* victim;  // a file in the user's folder
    bool removed;
  } cases[] = {
      {"method=replace\nstage=writing\ntarget=@U/doc.txt\ntemporary=@U/doc.txt.bak\n", "doc.txt.bak", false},
      {"method=replace\nstage=writing\ntarget=@U/doc.txt\ntemporary=@U/.quiret-abc12.tmp\n",
       ".quiret-abc12.tmp", false},
      {"method=replace\nstage=writing\ntarget=@N/doc.txt\ntemporary=@U/.quiret-abc123.tmp\n",
       ".quiret-abc123.tmp", false},
      {"method=replace\nstage=writing\ntarget=@U/doc.txt\ntemporary=@U/.quiret-abc123.tmp\n",
       ".quiret-abc123.tmp", true},
      {"method=inplace\nstage=written\ntarget=@U/doc.txt\ncopy=@U/mine.txt\nbefore=-\n", "mine.txt", false},
      {"method=inplace\nstage=copying\ntarget=@U/doc.txt\ncopy=@U/mine.txt\nbefore=-\n", "mine.txt", false},
      {"method=inplace\nstage=copied\ntarget=@U/doc.txt\ncopy=@U/doc.txt\nbefore=-\n", "doc.txt", false},
      {"method=inplace\nstage=copied\ntarget=@U/mine.txt\ncopy=@U/doc.txt\nbefore=-\n", "doc.txt", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    TempDir user, notes;
    std::string text = c.note;
    for (const auto& [mark, folder] : {std::pair{"@U", user.Path()}, std::pair{"@N", notes.Path()}})
      for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += folder.size())
        text.replace(at, 2, folder);
    for (const char* name : {"doc.txt", "mine.txt", c.victim})
      TempDir::Write(user.File(name), "the same bytes");
    Plant(notes, text);
    EXPECT_TRUE(ClearUpInterruptedSaves(notes.Path()).empty());
    EXPECT_EQ(std::filesystem::exists(user.File(c.victim)), !c.removed);
    EXPECT_FALSE(std::filesystem::exists(notes.File("save-planted.note")));
  }
}

// A note of a write in place whose target is now a FIFO: the start compares and writes back
// regular files only, so neither the clear-up nor putting the old bytes back waits for a writer.
TEST(SaveNotesTrust, ANoteNamingAFifoMakesNothingWait) {
  TempDir user, notes;
  const std::string fifo = user.File("doc.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  TempDir::Write(notes.File("save-planted.old"), "old bytes");
  Plant(notes, "method=inplace\nstage=copied\ntarget=" + fifo + "\ncopy=" + notes.File("save-planted.old") +
                   "\nbefore=0 " + std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec) +
                   " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_dev) + "\n");
  std::vector<InterruptedSave> pending;
  ASSERT_TRUE(test::ReturnsWithinASecond([&] { pending = ClearUpInterruptedSaves(notes.Path()); }, fifo));
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_TRUE(
      test::ReturnsWithinASecond([&] { EXPECT_THROW(pending[0].Restore(), std::system_error); }, fifo));
  EXPECT_EQ(TempDir::Read(notes.File("save-planted.old")), "old bytes");
}

}  // namespace
}  // namespace quiret
