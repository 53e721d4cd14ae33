// Reading files straight into the row blocks: the rows of the plain rule, with or without huge
// pages, and a single long line held about once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/HugePages.h"
#include "tests/text/LineStoreTestUtil.h"
#include "text/RowFile.h"

namespace quiret::test {
namespace {

int Refuse(void*, std::size_t, int) { return -1; }

// The rule stated the simple way: drop zero bytes, then CR LF, LF and CR each end a line.
Strings Model(const std::string& bytes) {
  Strings rows{""};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\0') continue;
    if (c != '\r' && c != '\n') {
      rows.back() += c;
      continue;
    }
    rows.back() += "\r\n";
    rows.emplace_back();
    std::size_t j = i + 1;
    while (c == '\r' && j < bytes.size() && bytes[j] == '\0') ++j;
    if (c == '\r' && j < bytes.size() && bytes[j] == '\n') i = j;
  }
  rows.back() += B("\0\0");
  return rows;
}

// Each case runs with the system's huge-page advice and with one that always fails.
class RowFileRead : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) previous_ = SetHugeAdvice(&Refuse);
  }
  void TearDown() override {
    if (GetParam()) SetHugeAdvice(previous_);
  }
  HugeAdvice previous_ = nullptr;
};

// Files of mostly CR LF lines (read in place) with every kind of byte that cannot stay
// where it was read, lines longer than a block, CR at every read boundary, in one or two
// halves and at block sizes from tiny to larger than the blocks' free room.
TEST_P(RowFileRead, GivesTheRowsOfThePlainRule) {
  ScratchDir dir;
  std::mt19937 rng(GetParam() ? 29 : 31);
  const std::string odd[] = {"\n", "\r", B("\0"), "\r\n", B("\r\0\n"), "\n\n", "\r\r"};
  for (int round = 0; round < 24; ++round) {
    std::string in;
    const std::size_t size = round % 3 == 0 ? rng() % 3000 : (std::size_t{1} << 20) + rng() % (6u << 20);
    while (in.size() < size) {
      const unsigned pick = rng() % 100;
      if (pick < 2) {
        in += odd[rng() % std::size(odd)];
      } else if (pick < 3) {
        in.append(rng() % (3u << 20), static_cast<char>('A' + rng() % 26));  // a line of megabytes
      } else {
        in.append(rng() % 120, static_cast<char>(rng() % 2 ? 'x' : '\x82'));
        in += "\r\n";
      }
    }
    const std::size_t blocks[] = {1, 7, 4093, 65536, 262144, std::size_t{3} << 20};
    const std::size_t block = size < 3000 ? blocks[rng() % 3] : blocks[2 + rng() % 4];
    const std::string file = dir.Write("f", in);
    RowSlots slots;
    RowFileReader(file).ReadInto(slots, SIZE_MAX, {}, block, rng() % 2 ? 1 : UINT64_MAX);
    Strings rows;
    for (std::size_t i = 0; i < slots.Size(); ++i) rows.emplace_back(slots.Get(i));
    const Strings expected = Model(in);
    ASSERT_EQ(rows.size(), expected.size()) << "round " << round << ", block " << block;
    for (std::size_t i = 0; i < rows.size(); ++i)
      ASSERT_EQ(rows[i], expected[i]) << "round " << round << ", block " << block << ", row " << i;
  }
}

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

// A line of 48 MB once grew by copies into ever larger blocks whose pages were all made
// resident: the peak was one and a half times the line and more. Now its block grows
// under it.
TEST_P(RowFileRead, ASingleLongLineIsHeldAboutOnce) {
  ScratchDir dir;
  const std::size_t size = std::size_t{48} << 20;
  const std::string file = dir.File("line");
  {
    std::ofstream out(file, std::ios::binary);
    const std::string chunk(std::size_t{1} << 20, 'q');
    for (std::size_t i = 0; i < size / chunk.size(); ++i) out << chunk;
  }
  // Writing 5 starts the peak resident size afresh.
  if (!std::ofstream("/proc/self/clear_refs").write("5", 1)) GTEST_SKIP() << "peak cannot be reset here";
  const long base = StatusKiB("VmRSS:");
  RowSlots slots;
  RowFileReader(file).ReadInto(slots, SIZE_MAX);
  ASSERT_EQ(slots.Size(), 1u);
  ASSERT_EQ(slots.Get(0).size(), size + 2);
  const long grown = StatusKiB("VmHWM:") - base;
  EXPECT_LT(grown, static_cast<long>(size / 1024 * 5 / 4)) << "KiB above the start";
}

// Another program writing into the file (same inode, no new file) or cutting it short
// changes nothing in rows already read: they are the program's own copy.
TEST_P(RowFileRead, RowsAreAPrivateCopyOfTheFile) {
  ScratchDir dir;
  std::string in;
  for (int i = 0; in.size() < (std::size_t{5} << 20); ++i) in += "line " + std::to_string(i) + "\r\n";
  const std::string file = dir.Write("f", in);
  RowSlots slots;
  RowFileReader(file).ReadInto(slots, SIZE_MAX);
  {
    std::fstream over(file, std::ios::in | std::ios::out | std::ios::binary);
    const std::string other(in.size(), 'Z');
    over.write(other.data(), static_cast<std::streamsize>(other.size()));
  }
  std::string joined;
  for (std::size_t i = 0; i < slots.Size(); ++i) joined += slots.Get(i);
  EXPECT_EQ(joined, in + B("\0\0"));
  std::filesystem::resize_file(file, 0);
  EXPECT_EQ(slots.Get(slots.Size() - 2), Model(in)[slots.Size() - 2]);
}

INSTANTIATE_TEST_SUITE_P(AdviceTakenOrRefused, RowFileRead, ::testing::Values(false, true));

}  // namespace
}  // namespace quiret::test
