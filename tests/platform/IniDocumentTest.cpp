// The settings file in memory: one read, one save, line-end styles and refused line breaks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/IniDocument.h"
#include "tests/platform/TempDir.h"

namespace quiret {
namespace {

using test::TempDir;

TEST(IniDocument, NothingReachesTheDiskBeforeSave) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  TempDir::Write(path, "[Window]\nTop=1\n");
  IniDocument doc(path);
  TempDir::Write(path, "[Window]\nTop=2\n");  // read once: later changes are not seen
  EXPECT_EQ(doc.ReadInteger("Window", "Top", 0), 1);
  doc.EraseSection("Window");
  for (int i = 0; i < 30; ++i) doc.WriteInteger("Window", "K" + std::to_string(i), i);
  EXPECT_EQ(TempDir::Read(path), "[Window]\nTop=2\n");
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(doc.Save(), IniDocument::SaveResult::Saved);
  EXPECT_EQ(IniDocument(path).EntryCount("Window"), 30);
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.Save(), IniDocument::SaveResult::Unchanged);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// Rewriting a value as it is changes nothing, whatever ends the lines.
TEST(IniDocument, SameValueKeepsTheBytesInEveryLineEndStyle) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  for (const std::string eol : {"\r", "\n", "\r\n"}) {
    const std::string text =
        "[Edit]" + eol + "FontSize=12" + eol + "; note" + eol + "[Tab]" + eol + "Width=0" + eol;
    TempDir::Write(path, text);
    for (int round = 0; round < 2; ++round) {
      IniDocument doc(path);
      EXPECT_EQ(doc.ReadInteger("Tab", "Width", -1), 0);
      doc.WriteInteger("Edit", "FontSize", 12);
      EXPECT_FALSE(doc.Modified());
      doc.Save();
      EXPECT_EQ(TempDir::Read(path), text) << round;
    }
    IniDocument doc(path);
    doc.WriteInteger("Edit", "FontSize", 14);
    doc.Save();
    EXPECT_EQ(TempDir::Read(path),
              "[Edit]" + eol + "FontSize=14" + eol + "; note" + eol + "[Tab]" + eol + "Width=0" + eol);
  }
}

TEST(IniDocument, LineBreaksInNamesOrValuesAreRefused) {
  TempDir dir;
  IniDocument doc(dir.File("quiret.ini"));
  EXPECT_THROW(doc.WriteString("File", "File1", "/tmp/a\nb.txt"), std::invalid_argument);
  EXPECT_THROW(doc.WriteString("File", "File1", "/tmp/a\rb.txt"), std::invalid_argument);
  EXPECT_THROW(doc.WriteString("Fi\nle", "File1", "x"), std::invalid_argument);
  EXPECT_THROW(doc.WriteInteger("File", "Num\r", 1), std::invalid_argument);
  EXPECT_FALSE(doc.Modified());
}

TEST(IniDocument, EntryCountCountsOnlyEntries) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  TempDir::Write(path, "[File]\nFile1=a\n; c=d\n\nnot an entry\nFile2=\nNum=9\n[Other]\nx=1\n");
  IniDocument doc(path);
  EXPECT_EQ(doc.EntryCount("file"), 3);
  EXPECT_EQ(doc.EntryCount("Other"), 1);
  EXPECT_EQ(doc.EntryCount("Missing"), 0);
}

// A file nobody may write is the user's way of keeping the settings; root obeys it too.
TEST(IniDocument, WriteProtectedFileIsNotReplaced) {
  TempDir dir;
  const std::string path = dir.File("quiret.ini");
  TempDir::Write(path, "[Edit]\nFontSize=11\n");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  IniDocument doc(path);
  doc.WriteInteger("Edit", "FontSize", 12);
  EXPECT_EQ(doc.Save(), IniDocument::SaveResult::ReadOnly);
  EXPECT_EQ(TempDir::Read(path), "[Edit]\nFontSize=11\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace quiret
