// Large anonymous buffers in 2 MiB-aligned mappings that ask the kernel for transparent huge pages.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace quiret {

// Fresh memory costs a page fault per page touched, and on some machines that fault is the
// largest part of loading a file; a huge page costs one fault for 512 small ones. Debian's
// default mode ("madvise") gives huge pages only to mappings that ask for them, and only
// where a whole aligned 2 MiB lies inside the mapping: hence whole, aligned huge pages here.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

constexpr std::size_t HugeRound(std::size_t bytes) {
  return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

// A fresh zeroed mapping of HugeRound(bytes) bytes starting at a 2 MiB boundary, with huge
// pages asked for before anything touches it. Where the kernel gives none (mode "never", or
// the request fails) the small pages are faulted in here at once, which is cheaper than one
// fault at a time while the caller writes. Throws std::bad_alloc.
char* MapHuge(std::size_t bytes);
// Gives back a mapping from MapHuge or GrowHuge, or whole huge pages of one.
void UnmapHuge(char* at, std::size_t bytes) noexcept;
// The mapping at `at` of HugeRound(bytes), grown to HugeRound(newBytes) with its contents
// kept without copying them: in place where the addresses after it are free, else moved to
// a new aligned place (the kernel moves page tables, not bytes). Pages of the new part are
// not faulted in ahead, so growing far ahead of need costs address space only. Returns the
// new address; throws std::bad_alloc with the old mapping as it was.
char* GrowHuge(char* at, std::size_t bytes, std::size_t newBytes);

// The call that asks for huge pages, with madvise's signature: tests put a failing one in
// to check that every buffer still works without. Returns the one it replaces.
using HugeAdvice = int (*)(void* at, std::size_t bytes, int advice);
HugeAdvice SetHugeAdvice(HugeAdvice advise);

// Whether the kernel offers huge pages to a mapping that asks (read once). A non-empty
// QUIRET_NO_HUGE_PAGES in the environment says no, for measuring without them.
bool HugePagesOffered();

// A standard allocator that takes arrays of a huge page or more from MapHuge and smaller
// ones from the heap: a vector that grows into megabytes then costs a fault per 2 MiB.
template <typename T>
struct HugeAllocator {
  using value_type = T;
  HugeAllocator() = default;
  template <typename U>
  HugeAllocator(const HugeAllocator<U>&) noexcept {}

  static bool Mapped(std::size_t n) { return n * sizeof(T) >= kHugePageBytes; }
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    if (Mapped(n)) return reinterpret_cast<T*>(MapHuge(n * sizeof(T)));
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (Mapped(n)) {
      UnmapHuge(reinterpret_cast<char*>(p), n * sizeof(T));
    } else {
      std::allocator<T>().deallocate(p, n);
    }
  }
  template <typename U>
  bool operator==(const HugeAllocator<U>&) const noexcept {
    return true;
  }
};

template <typename T>
using HugeVector = std::vector<T, HugeAllocator<T>>;

}  // namespace quiret
