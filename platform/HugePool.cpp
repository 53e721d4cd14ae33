// Fixed-size objects in huge-page arenas: a free list per arena, arenas found by address.
#include "platform/HugePool.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/HugePages.h"

namespace quiret {

struct HugePool::Arena {
  void* free = nullptr;   // first free object; each free object holds the next
  std::size_t fresh = 0;  // objects never handed out start here (not yet on the list)
  std::size_t live = 0;
  bool listed = false;  // in open_
};

namespace {

constexpr std::size_t kHeader = 64;

HugePool::Arena* ArenaOf(void* object) {
  return reinterpret_cast<HugePool::Arena*>(reinterpret_cast<std::uintptr_t>(object) & ~(kHugePageBytes - 1));
}

}  // namespace

HugePool::HugePool(std::size_t objectBytes)
    : objectBytes_((std::max(objectBytes, sizeof(void*)) + 15) / 16 * 16),
      perArena_((kHugePageBytes - kHeader) / objectBytes_) {
  static_assert(sizeof(Arena) <= kHeader);
  if (perArena_ == 0) throw std::bad_alloc();
}

HugePool::~HugePool() {
  if (spare_) UnmapHuge(reinterpret_cast<char*>(spare_), kHugePageBytes);
}

HugePool::Arena* HugePool::NewArena() {
  if (Arena* a = spare_) {
    spare_ = nullptr;
    return a;
  }
  char* mapped = MapHuge(kHugePageBytes);
  ++arenas_;
  return new (mapped) Arena{};
}

void* HugePool::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (open_.empty()) {
    Arena* a = NewArena();
    try {
      open_.push_back(a);
    } catch (...) {
      spare_ = a;
      throw;
    }
    a->listed = true;
  }
  Arena* a = open_.back();
  void* object;
  if (a->free) {
    object = a->free;
    a->free = *static_cast<void**>(object);
  } else {
    object = reinterpret_cast<char*>(a) + kHeader + a->fresh++ * objectBytes_;
  }
  if (++a->live == perArena_) {
    open_.pop_back();
    a->listed = false;
  }
  return object;
}

void HugePool::Give(void* object) noexcept {
  if (!object) return;
  std::lock_guard<std::mutex> lock(mutex_);
  Arena* a = ArenaOf(object);
  *static_cast<void**>(object) = a->free;
  a->free = object;
  if (--a->live == 0) {
    if (a->listed) open_.erase(std::find(open_.begin(), open_.end(), a));
    if (spare_) {
      UnmapHuge(reinterpret_cast<char*>(a), kHugePageBytes);
      --arenas_;
    } else {
      *a = Arena{};
      spare_ = a;
    }
    return;
  }
  if (!a->listed) {
    // Cannot fail for long: open_ held this arena before, so it had room; should the
    // vector still refuse, the arena's free objects wait until another is given back.
    try {
      open_.push_back(a);
      a->listed = true;
    } catch (...) {
    }
  }
}

std::size_t HugePool::Arenas() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return arenas_;
}

}  // namespace quiret
