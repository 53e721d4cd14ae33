// Aligned anonymous mappings with transparent huge pages asked for, and their silent fallback.
#include "platform/HugePages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace quiret {
namespace {

int SystemAdvice(void* at, std::size_t bytes, int advice) { return ::madvise(at, bytes, advice); }

std::atomic<HugeAdvice> adviceCall{&SystemAdvice};

// A private anonymous mapping of `bytes` at a 2 MiB boundary: what lies around the aligned
// part of a larger mapping is given back. nullptr when the addresses cannot be had.
char* MapAligned(std::size_t bytes, int protection, int flags) {
  const std::size_t over = bytes + kHugePageBytes;
  void* mapped = ::mmap(nullptr, over, protection, MAP_PRIVATE | MAP_ANONYMOUS | flags, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* raw = static_cast<char*>(mapped);
  const auto address = reinterpret_cast<std::uintptr_t>(raw);
  char* aligned = raw + (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
  if (aligned > raw) ::munmap(raw, static_cast<std::size_t>(aligned - raw));
  if (char* tail = aligned + bytes; tail < raw + over)
    ::munmap(tail, static_cast<std::size_t>(raw + over - tail));
  return aligned;
}

bool AskForHugePages(char* at, std::size_t bytes) {
  return HugePagesOffered() && adviceCall.load(std::memory_order_relaxed)(at, bytes, MADV_HUGEPAGE) == 0;
}

}  // namespace

bool HugePagesOffered() {
  // "always [madvise] never": the bracketed word is the mode in force. No file (another
  // kernel, a container without /sys) means none to ask for.
  static const bool offered = [] {
    // For measuring without them on a machine that has them.
    if (const char* off = std::getenv("QUIRET_NO_HUGE_PAGES"); off && *off) return false;
    char modes[128] = {};
    const int fd = ::open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t n = ::read(fd, modes, sizeof modes - 1);
    ::close(fd);
    if (n <= 0) return false;
    return std::strstr(modes, "[always]") != nullptr || std::strstr(modes, "[madvise]") != nullptr;
  }();
  return offered;
}

HugeAdvice SetHugeAdvice(HugeAdvice advise) { return adviceCall.exchange(advise ? advise : &SystemAdvice); }

char* MapHuge(std::size_t bytes) {
  bytes = HugeRound(bytes == 0 ? 1 : bytes);
  char* at = MapAligned(bytes, PROT_READ | PROT_WRITE, 0);
  if (!at) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
  if (!AskForHugePages(at, bytes)) ::madvise(at, bytes, MADV_POPULATE_WRITE);  // else page by page
#else
  AskForHugePages(at, bytes);
#endif
  return at;
}

void UnmapHuge(char* at, std::size_t bytes) noexcept {
  if (at) ::munmap(at, HugeRound(bytes));
}

char* GrowHuge(char* at, std::size_t bytes, std::size_t newBytes) {
  bytes = HugeRound(bytes);
  newBytes = HugeRound(newBytes);
  if (newBytes <= bytes) return at;
  // In place first: the mapping keeps its address and its advice.
  if (::mremap(at, bytes, newBytes, 0) != MAP_FAILED) return at;
  // Addresses only, until the move takes them over.
  char* target = MapAligned(newBytes, PROT_NONE, MAP_NORESERVE);
  if (!target) throw std::bad_alloc();
  void* moved = ::mremap(at, bytes, newBytes, MREMAP_MAYMOVE | MREMAP_FIXED, target);
  if (moved == MAP_FAILED) {
    ::munmap(target, newBytes);
    throw std::bad_alloc();
  }
  // The part added is a continuation of the moved mapping: it has its advice; asking again
  // covers a kernel that kept it only for the old part.
  AskForHugePages(target, newBytes);
  return target;
}

}  // namespace quiret
