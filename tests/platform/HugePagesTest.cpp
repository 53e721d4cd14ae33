// Huge-page buffers and the pool on them: they hold what is written, with or without huge pages.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/HugePages.h"
#include "platform/HugePool.h"

namespace quiret {
namespace {

int refusals = 0;
int Refuse(void*, std::size_t, int) {
  ++refusals;
  errno = EINVAL;
  return -1;
}

// The VmFlags of the mapping that holds `at` ("hg": huge pages asked for).
std::string FlagsOf(const void* at) {
  std::ifstream smaps("/proc/self/smaps");
  const auto address = reinterpret_cast<std::uintptr_t>(at);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t from = 0, to = 0;
    char dash = 0;
    if (std::istringstream head(line); head >> std::hex >> from >> dash >> to && dash == '-') {
      inside = from <= address && address < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

bool AllBytes(const char* at, std::size_t n, char c) {
  for (std::size_t i = 0; i < n; i += 4093)
    if (at[i] != c) return false;
  return at[n - 1] == c;
}

// Each case runs once with the system's advice and once with an advice that always fails.
class HugeBuffers : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    refusals = 0;
    if (GetParam()) previous_ = SetHugeAdvice(&Refuse);
  }
  void TearDown() override {
    if (GetParam()) SetHugeAdvice(previous_);
  }
  bool Refused() const { return GetParam(); }
  HugeAdvice previous_ = nullptr;
};

TEST_P(HugeBuffers, MappingsAreAlignedZeroedAndKeepTheirBytesAsTheyGrow) {
  const std::size_t mib = std::size_t{1} << 20;
  char* a = MapHuge(3 * mib);  // whole huge pages: 4 MiB
  ASSERT_EQ(reinterpret_cast<std::uintptr_t>(a) % kHugePageBytes, 0u);
  EXPECT_TRUE(AllBytes(a, 4 * mib, 0));
  if (HugePagesOffered()) {
    EXPECT_EQ(FlagsOf(a).find(" hg") != std::string::npos, !Refused()) << FlagsOf(a);
  }
  std::memset(a, 'a', 4 * mib);
  // Something right after the mapping: growing must move it, bytes and all.
  void* blocker =
      ::mmap(a + 4 * mib, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  char* b = GrowHuge(a, 4 * mib, 40 * mib);
  if (blocker != MAP_FAILED) {
    EXPECT_NE(b, a);
    ::munmap(blocker, 4096);
  }
  ASSERT_EQ(reinterpret_cast<std::uintptr_t>(b) % kHugePageBytes, 0u);
  EXPECT_TRUE(AllBytes(b, 4 * mib, 'a'));
  EXPECT_TRUE(AllBytes(b + 4 * mib, 36 * mib, 0));
  std::memset(b + 4 * mib, 'b', 36 * mib);
  // In place when nothing is in the way (it was just moved to a free range of its size).
  char* c = GrowHuge(b, 40 * mib, 41 * mib);
  EXPECT_TRUE(AllBytes(c, 4 * mib, 'a'));
  EXPECT_TRUE(AllBytes(c + 4 * mib, 36 * mib, 'b'));
  EXPECT_TRUE(AllBytes(c + 40 * mib, 2 * mib, 0));
  UnmapHuge(c, 41 * mib);
  if (Refused() && HugePagesOffered()) {
    EXPECT_GE(refusals, 2);
  }
}

TEST_P(HugeBuffers, PoolObjectsStayApartAndArenasGoBackWhenEmpty) {
  HugePool pool(16400);
  const std::size_t count = 3 * pool.PerArena() + 5;
  std::vector<unsigned char*> objects;
  for (std::size_t i = 0; i < count; ++i) {
    objects.push_back(static_cast<unsigned char*>(pool.Take()));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(objects.back()) % 16, 0u);
    std::memset(objects.back(), static_cast<int>(i % 251), 16400);
  }
  EXPECT_EQ(pool.Arenas(), 4u);
  // Every other object back, and taken again: the others keep their bytes.
  for (std::size_t i = 0; i < count; i += 2) pool.Give(objects[i]);
  for (std::size_t i = 0; i < count; i += 2) {
    objects[i] = static_cast<unsigned char*>(pool.Take());
    std::memset(objects[i], static_cast<int>(i % 251), 16400);
  }
  EXPECT_EQ(pool.Arenas(), 4u);
  for (std::size_t i = 0; i < count; ++i) {
    ASSERT_EQ(objects[i][0], i % 251) << i;
    ASSERT_EQ(objects[i][16399], i % 251) << i;
  }
  for (unsigned char* o : objects) pool.Give(o);
  EXPECT_EQ(pool.Arenas(), 1u);  // the one kept for the next
}

TEST_P(HugeBuffers, VectorsGrowFromTheHeapIntoMappingsAndKeepTheirElements) {
  HugeVector<std::uint64_t> v;
  for (std::uint64_t i = 0; i < 1'000'000; ++i) v.push_back(i * 7);  // 8 MB at the end
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.data()) % kHugePageBytes, 0u);
  for (std::uint64_t i = 0; i < v.size(); i += 997) ASSERT_EQ(v[i], i * 7);
  v.resize(10);
  v.shrink_to_fit();  // back to the heap
  EXPECT_EQ(v.back(), 63u);
}

INSTANTIATE_TEST_SUITE_P(AdviceTakenOrRefused, HugeBuffers, ::testing::Values(false, true));

}  // namespace
}  // namespace quiret
