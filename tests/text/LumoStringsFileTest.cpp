// Loading and saving text files through TLumoStrings: break styles, zero bytes, errors.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <sstream>

#include "tests/text/LineStoreTestUtil.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

class LumoStringsFile : public testing::Test {
 protected:
  Strings Load(const std::string& bytes) {
    store_.LoadFromFile(dir_.Write("in.txt", bytes));
    EXPECT_SOUND(store_);
    EXPECT_EQ(store_.Capacity(), store_.Count());
    return Rows(store_);
  }
  std::string Save() {
    store_.SaveToFile(dir_.File("out.txt"));
    return ScratchDir::Read(dir_.File("out.txt"));
  }

  ScratchDir dir_;
  TLumoStrings store_;
};

TEST_F(LumoStringsFile, BreakStylesZeroBytesAndFileEnds) {
  struct Case {
    std::string file;
    Strings rows;
    std::string saved;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a\r\n", "b\r\n", B("\0\0")}, "a\r\nb\r\n"},
      {"a\r\nb", {"a\r\n", B("b\0\0")}, "a\r\nb"},
      {"\r\n", {"\r\n", B("\0\0")}, "\r\n"},
      {"", {B("\0\0")}, ""},
      {"abc", {B("abc\0\0")}, "abc"},
      {"a\nb", {"a\r\n", B("b\0\0")}, "a\r\nb"},
      {"a\rb\r", {"a\r\n", "b\r\n", B("\0\0")}, "a\r\nb\r\n"},
      {"\n\n", {"\r\n", "\r\n", B("\0\0")}, "\r\n\r\n"},
      // Mixed styles: every CR LF, lone LF and lone CR ends one line.
      {"a\r\nb\nc\rd", {"a\r\n", "b\r\n", "c\r\n", B("d\0\0")}, "a\r\nb\r\nc\r\nd"},
      {"a\nb\r\nc", {"a\r\n", "b\r\n", B("c\0\0")}, "a\r\nb\r\nc"},
      {"\n\r\r\n", {"\r\n", "\r\n", "\r\n", B("\0\0")}, "\r\n\r\n\r\n"},
      // Zero bytes vanish; a file ends with a break when its last other byte is CR or LF.
      {B("a\0b\r\n\0c\0"), {"ab\r\n", B("c\0\0")}, "ab\r\nc"},
      {B("\0\0\0"), {B("\0\0")}, ""},
      {B("abc\r\0"), {"abc\r\n", B("\0\0")}, "abc\r\n"},
      {B("abc\r\0\ndef"), {"abc\r\n", B("def\0\0")}, "abc\r\ndef"},
      // Shift-JIS, including trail bytes that look like ASCII, passes untouched.
      {"\x95\x5c\x83\x5c\r\n\x82\xa0",
       {"\x95\x5c\x83\x5c\r\n", B("\x82\xa0\0\0")},
       "\x95\x5c\x83\x5c\r\n\x82\xa0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Load(c.file), c.rows) << testing::PrintToString(c.file);
    EXPECT_EQ(Save(), c.saved) << testing::PrintToString(c.file);
  }
}

TEST_F(LumoStringsFile, LongLinesAndReadBlockBoundaries) {
  std::string line(40000, 'L');
  for (const char* brk : {"\r\n", "\n", "\r"}) {
    EXPECT_EQ(Load(line + brk + line), (Strings{line + "\r\n", line + B("\0\0")}));
  }
  std::string huge(kFileReadBlock * 2 + 123, 'H');  // longer than a read block
  EXPECT_EQ(Load("a\r\n" + huge + "\r\nb").at(1), huge + "\r\n");
  EXPECT_EQ(Save(), "a\r\n" + huge + "\r\nb");

  // The block's last byte is a CR; what follows it decides.
  const std::string head(kFileReadBlock - 1, 'a');
  EXPECT_EQ(Load(head + "\r\nz"), (Strings{head + "\r\n", B("z\0\0")}));
  EXPECT_EQ(Save(), head + "\r\nz");
  EXPECT_EQ(Load(head + "\rz\n"), (Strings{head + "\r\n", "z\r\n", B("\0\0")}));
  EXPECT_EQ(Load(head + B("\r\0\n")), (Strings{head + "\r\n", B("\0\0")}));
  EXPECT_EQ(Load(head + "\r"), (Strings{head + "\r\n", B("\0\0")}));
}

// Random Shift-JIS lines across several read blocks: CR LF files come back byte for byte,
// LF and CR files come back with CR LF and nothing else changed.
TEST_F(LumoStringsFile, RandomDocumentsRoundTripInEachStyle) {
  std::mt19937 rng(932);
  Strings lines;
  for (std::size_t total = 0; total < kFileReadBlock * 3; total += lines.back().size() + 2) {
    std::string text;
    for (int i = static_cast<int>(rng() % 60); i > 0; --i) {
      if (rng() % 3 == 0) {  // a lead byte and a trail byte that is never CR, LF or zero
        text += static_cast<char>(0x81 + rng() % 31);
        text += static_cast<char>(0x40 + rng() % 0xBD);
      } else {
        text += static_cast<char>(0x20 + rng() % 0x5F);
      }
    }
    lines.push_back(text);
  }
  for (const char* brk : {"\r\n", "\n", "\r"}) {
    std::string file, expected;
    for (const std::string& l : lines) {
      file += l + brk;
      expected += l + "\r\n";
    }
    EXPECT_EQ(Load(file).size(), lines.size() + 1);
    EXPECT_EQ(store_.Get(7), lines[7] + "\r\n");
    EXPECT_TRUE(Save() == expected) << "break " << testing::PrintToString(std::string(brk));
  }
}

// Loaded rows live in shared blocks; editing them must behave like editing any other row.
TEST_F(LumoStringsFile, EditingALoadedDocumentAndSavingWrappedRows) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "row " + std::to_string(i) + "\n";
  Load(text);
  std::string_view kept = store_.Get(19999);
  store_.Put(0, store_.Get(0).substr(2));  // rebuilt from its own bytes
  store_.Delete(1);
  for (int i = 0; i < 3000; ++i) store_.Insert(5, "new\r\n");  // the slots move
  store_.SetCount(3100);
  store_.Add(B("end\0\0"));
  EXPECT_EQ(kept, "row 19999\r\n");
  const std::string head = "w 0\r\nrow 2\r\nrow 3\r\nrow 4\r\nrow 5\r\nnew\r\n";
  std::string saved = Save();
  EXPECT_EQ(saved.substr(0, head.size()), head);
  EXPECT_EQ(saved.substr(saved.size() - 12), "row 100\r\nend");
  store_.Assign(Strings{"ab", "cd\r\n", "ef", B("g\0\0")});  // wrapped rows join
  EXPECT_EQ(Save(), "abcd\r\nefg");
}

TEST_F(LumoStringsFile, StreamsFollowTheFileRules) {
  const std::pair<std::string, Strings> cases[] = {
      {"abc", {B("abc\0\0")}},
      {"", {B("\0\0")}},
      {"a\nb\rc\r\n", {"a\r\n", "b\r\n", "c\r\n", B("\0\0")}},
  };
  for (const auto& [bytes, rows] : cases) {
    std::istringstream in(bytes);
    store_.LoadFromStream(in);
    EXPECT_EQ(Rows(store_), rows) << bytes;
    EXPECT_SOUND(store_);
  }
}

TEST_F(LumoStringsFile, FileErrorsNameTheFileAndKeepTheRows) {
  Load("keep\r\nme");
  std::string missing = dir_.File("no-such-file.txt");
  try {
    store_.LoadFromFile(missing);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_EQ(std::string(e.what()), missing + ": " + std::strerror(ENOENT));
  }
  EXPECT_THROW(store_.LoadFromFile(dir_.File("")), EFileError);  // a directory
  // Nothing but regular files is read: a FIFO would block and a device never ends.
  const std::string fifo = dir_.File("fifo.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/urandom")})
    EXPECT_THROW(store_.LoadFromFile(path), EFileError) << path;
  EXPECT_EQ(Rows(store_), (Strings{"keep\r\n", B("me\0\0")}));
  try {
    store_.SaveToFile(dir_.File("no-dir/out.txt"));
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
  }
  if (::access("/dev/full", W_OK) == 0) {  // a device that is always out of space
    try {
      store_.SaveToFile("/dev/full");
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.ErrorCode(), ENOSPC);
    }
  }
}

}  // namespace
}  // namespace quiret::test
