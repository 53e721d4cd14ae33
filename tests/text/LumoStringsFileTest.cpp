// Loading and saving text files through TLumoStrings: break styles, zero bytes, errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/text/LineStoreTestUtil.h"
#include "text/LumoStrings.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

using Strings = std::vector<std::string>;

class LumoStringsFile : public testing::Test {
 protected:
  // Writes `bytes`, loads them into store_, checks the row model and returns the rows.
  Strings Load(const std::string& bytes) {
    store_.LoadFromFile(dir_.Write("in.txt", bytes));
    EXPECT_SOUND(store_);
    EXPECT_EQ(store_.Capacity(), store_.Count());
    return Rows(store_);
  }
  std::string Save() {
    std::string file = dir_.File("out.txt");
    store_.SaveToFile(file);
    return ScratchDir::Read(file);
  }

  ScratchDir dir_;
  TLumoStrings store_;
};

TEST_F(LumoStringsFile, CrLfFilesRoundTripByteForByte) {
  EXPECT_EQ(Load("a\r\nb\r\n"), (Strings{"a\r\n", "b\r\n", B("\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb\r\n");
  EXPECT_EQ(Load("a\r\nb"), (Strings{"a\r\n", B("b\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb");
  EXPECT_EQ(Load("\r\n"), (Strings{"\r\n", B("\0\0")}));
  EXPECT_EQ(Save(), "\r\n");
  // Shift-JIS bytes, including trail bytes that look like ASCII, pass untouched.
  std::string sjis = "\x82\xa0\x82\xa2\x95\x5c\x8e\xa6\r\n\x83\x5c\x83\x74\x83\x67\r\n";
  Load(sjis);
  EXPECT_EQ(Save(), sjis);
}

TEST_F(LumoStringsFile, EmptyAndUnterminatedFiles) {
  EXPECT_EQ(Load(""), Strings{B("\0\0")});
  EXPECT_EQ(Save(), "");
  EXPECT_EQ(Load("abc"), Strings{B("abc\0\0")});
  EXPECT_EQ(Save(), "abc");
}

TEST_F(LumoStringsFile, LfAndCrFilesComeBackAsCrLf) {
  EXPECT_EQ(Load("a\nb"), (Strings{"a\r\n", B("b\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb");
  EXPECT_EQ(Load("a\nb\n"), (Strings{"a\r\n", "b\r\n", B("\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb\r\n");
  EXPECT_EQ(Load("a\rb\r"), (Strings{"a\r\n", "b\r\n", B("\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb\r\n");
  EXPECT_EQ(Load("\n\n"), (Strings{"\r\n", "\r\n", B("\0\0")}));
  EXPECT_EQ(Load("\r\r"), (Strings{"\r\n", "\r\n", B("\0\0")}));
  EXPECT_EQ(Load("x\r"), (Strings{"x\r\n", B("\0\0")}));  // ends with a lone CR
  EXPECT_EQ(Load("x\n"), (Strings{"x\r\n", B("\0\0")}));  // ends with a lone LF
}

TEST_F(LumoStringsFile, EveryBreakStyleEndsALineInAMixedFile) {
  EXPECT_EQ(Load("a\r\nb\nc\rd"), (Strings{"a\r\n", "b\r\n", "c\r\n", B("d\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(Load("a\nb\r\nc"), (Strings{"a\r\n", "b\r\n", B("c\0\0")}));
  EXPECT_EQ(Save(), "a\r\nb\r\nc");  // no CR kept as content
  EXPECT_EQ(Load("\n\r"), (Strings{"\r\n", "\r\n", B("\0\0")}));  // LF then lone CR
  EXPECT_EQ(Load("\r\r\n"), (Strings{"\r\n", "\r\n", B("\0\0")}));
  // A CR LF file whose first line is far longer than any detection window.
  std::string longFirst(5000, 'x');
  EXPECT_EQ(Load(longFirst + "\r\ny\r\n"), (Strings{longFirst + "\r\n", "y\r\n", B("\0\0")}));
  EXPECT_EQ(Save(), longFirst + "\r\ny\r\n");
}

TEST_F(LumoStringsFile, ZeroBytesAreDroppedEverywhere) {
  EXPECT_EQ(Load(B("a\0b\r\n\0c\0")), (Strings{"ab\r\n", B("c\0\0")}));
  EXPECT_EQ(Save(), "ab\r\nc");
  EXPECT_EQ(Load(B("a\0\0b\nc")), (Strings{"ab\r\n", B("c\0\0")}));
  EXPECT_EQ(Load(B("\0\0\0")), Strings{B("\0\0")});
  // The file ends with a break when its last byte, zeros aside, is CR or LF.
  EXPECT_EQ(Load(B("abc\r\n\0\0")), (Strings{"abc\r\n", B("\0\0")}));
  EXPECT_EQ(Load(B("abc\r\0")), (Strings{"abc\r\n", B("\0\0")}));
  EXPECT_EQ(Load(B("abc\r\0\ndef")), (Strings{"abc\r\n", B("def\0\0")}));  // still CR LF
}

TEST_F(LumoStringsFile, LongLinesAreReadWhole) {
  std::string line(40000, 'L');
  for (const char* brk : {"\r\n", "\n", "\r"}) {
    Strings rows = Load(line + brk + line);
    ASSERT_EQ(rows.size(), 2u) << brk;
    EXPECT_EQ(rows[0], line + "\r\n");
    EXPECT_EQ(rows[1], line + B("\0\0"));
  }
  // Longer than a whole read block.
  std::string huge(kFileReadBlock * 2 + 123, 'H');
  Strings rows = Load("a\n" + huge + "\nb");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], huge + "\r\n");
  EXPECT_EQ(Save(), "a\r\n" + huge + "\r\nb");
}

TEST_F(LumoStringsFile, BreaksStraddlingTheReadBlockBoundary) {
  const std::size_t block = kFileReadBlock;
  // CR as the block's last byte, LF as the next block's first.
  std::string crlf(block - 1, 'a');
  crlf += "\r\nz";
  EXPECT_EQ(Load(crlf), (Strings{std::string(block - 1, 'a') + "\r\n", B("z\0\0")}));
  EXPECT_EQ(Save(), crlf);
  // A lone CR at the block's end must not swallow a line.
  std::string lone(block - 1, 'a');
  lone += "\rz\n";
  EXPECT_EQ(Load(lone), (Strings{std::string(block - 1, 'a') + "\r\n", "z\r\n", B("\0\0")}));
  // A zero byte between CR and LF across the boundary.
  std::string zero(block - 1, 'a');
  zero += std::string("\r\0\n", 3);
  EXPECT_EQ(Load(zero), (Strings{std::string(block - 1, 'a') + "\r\n", B("\0\0")}));
  // A file of exactly one block ending with CR.
  std::string exact(block - 1, 'a');
  exact += "\r";
  EXPECT_EQ(Load(exact), (Strings{std::string(block - 1, 'a') + "\r\n", B("\0\0")}));
}

// Random Shift-JIS lines over several read blocks: CR LF files come back byte for byte,
// LF and CR files come back with CR LF and nothing else changed.
TEST_F(LumoStringsFile, RandomDocumentsInEachStyleRoundTrip) {
  std::mt19937 rng(932);
  for (int endsWithBreak = 0; endsWithBreak < 2; ++endsWithBreak) {
    std::vector<std::string> lines;
    std::size_t total = 0;
    while (total < kFileReadBlock * 3) {
      std::string line;
      int n = static_cast<int>(rng() % 90);
      for (int i = 0; i < n; ++i) {
        if (rng() % 3 == 0) {
          line += static_cast<char>(0x81 + rng() % 31);  // lead byte
          line += static_cast<char>(0x40 + rng() % 0xBD);  // trail byte, never CR/LF/0
        } else {
          line += static_cast<char>(0x20 + rng() % 0x5F);
        }
      }
      total += line.size() + 2;
      lines.push_back(line);
    }
    for (const char* brk : {"\r\n", "\n", "\r"}) {
      std::string file, expected;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        bool last = i + 1 == lines.size();
        file += lines[i];
        expected += lines[i];
        if (!last || endsWithBreak) {
          file += brk;
          expected += "\r\n";
        }
      }
      Strings rows = Load(file);
      ASSERT_EQ(rows.size(), lines.size() + (endsWithBreak ? 1 : 0)) << brk;
      EXPECT_EQ(rows[7], lines[7] + "\r\n");
      EXPECT_EQ(Save(), expected) << "break " << testing::PrintToString(std::string(brk));
    }
  }
}

TEST_F(LumoStringsFile, SavingJoinsWrappedRowsAndDropsTheEndMarker) {
  store_.Assign(Strings{"ab", "cd\r\n", "ef", B("g\0\0")});
  EXPECT_EQ(Save(), "abcd\r\nefg");
  store_.Assign(Strings{"x\r\n", B("\0\0")});
  EXPECT_EQ(Save(), "x\r\n");
  store_.Clear();
  EXPECT_EQ(Save(), "");
  // Saving truncates a longer file that was there before.
  dir_.Write("out.txt", std::string(100, 'q'));
  store_.Assign(Strings{B("short\0\0")});
  EXPECT_EQ(Save(), "short");
}

TEST_F(LumoStringsFile, LoadingReplacesTheRows) {
  Load("one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(Load("x"), Strings{B("x\0\0")});
  EXPECT_EQ(store_.Capacity(), 1);
}

// Loaded rows live in shared blocks; editing them must behave like editing any other row.
TEST_F(LumoStringsFile, EditingALoadedDocument) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "row " + std::to_string(i) + "\n";
  Load(text);
  ASSERT_EQ(store_.Count(), 20001);
  std::string_view kept = store_.Get(19999);
  store_.Put(0, store_.Get(0).substr(2));  // rebuilt from its own packed bytes
  store_.Delete(1);
  store_.Insert(5, "new\r\n");
  store_.Put(7, store_.Get(8));
  store_.SetCount(19000);
  EXPECT_EQ(store_.Get(0), "w 0\r\n");
  EXPECT_EQ(store_.Get(1), "row 2\r\n");
  EXPECT_EQ(store_.Get(5), "new\r\n");
  EXPECT_EQ(store_.Get(7), store_.Get(8));
  EXPECT_EQ(kept, "row 19999\r\n");
  store_.Add(std::string("end\0\0", 5));
  EXPECT_EQ(store_.Get(19000), B("end\0\0"));
  std::string saved = Save();
  EXPECT_EQ(saved.substr(0, 17), "w 0\r\nrow 2\r\nrow 3");
  EXPECT_EQ(saved.substr(saved.size() - 14), "row 18999\r\nend");
  // Loading again over an edited document starts from scratch.
  EXPECT_EQ(Load("a\r\nb"), (Strings{"a\r\n", B("b\0\0")}));
}

TEST_F(LumoStringsFile, AFileThatCannotBeOpenedLeavesTheRowsAlone) {
  Load("keep\r\nme");
  std::string missing = dir_.File("no-such-file.txt");
  try {
    store_.LoadFromFile(missing);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos);
  }
  EXPECT_EQ(Rows(store_), (Strings{"keep\r\n", B("me\0\0")}));
  // A directory is not a file either.
  EXPECT_THROW(store_.LoadFromFile(dir_.File("")), EFileError);
  EXPECT_EQ(Rows(store_), (Strings{"keep\r\n", B("me\0\0")}));
}

TEST_F(LumoStringsFile, WriteFailuresRaiseTheFileError) {
  store_.Assign(Strings{B("x\0\0")});
  std::string bad = dir_.File("missing-dir/out.txt");
  try {
    store_.SaveToFile(bad);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos);
  }
  if (::geteuid() != 0) {  // root writes through permission bits
    std::string locked = dir_.Write("locked.txt", "old");
    ::chmod(locked.c_str(), 0444);
    EXPECT_THROW(store_.SaveToFile(locked), EFileError);
    EXPECT_EQ(ScratchDir::Read(locked), "old");
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
