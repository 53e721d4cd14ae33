// Many equal objects of a few KiB carved from huge-page mappings, for storage made in bulk.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

namespace quiret {

// Storage that a load makes by the thousand (the slot chunks of a large file) costs a page
// fault per 4 KiB from the heap; from here it costs one per 2 MiB. Each mapping (an
// "arena", one huge page) holds as many objects as fit after a small header, and is given
// back when its last object is; one empty arena is kept for the next. Safe to use from
// several threads. Arenas with objects still out when the pool goes stay mapped, so a pool
// that must outlive every object (one behind static stores) is made and never destroyed.
class HugePool {
 public:
  explicit HugePool(std::size_t objectBytes);
  ~HugePool();
  HugePool(const HugePool&) = delete;
  HugePool& operator=(const HugePool&) = delete;

  // Room for one object, aligned to 16 bytes; throws std::bad_alloc.
  void* Take();
  // Gives back what Take returned.
  void Give(void* object) noexcept;

  std::size_t PerArena() const { return perArena_; }
  // Arenas mapped now (for tests).
  std::size_t Arenas() const;

  struct Arena;  // the header at an arena's start

 private:
  Arena* NewArena();

  const std::size_t objectBytes_;
  const std::size_t perArena_;
  mutable std::mutex mutex_;
  std::vector<Arena*> open_;  // arenas with free room
  Arena* spare_ = nullptr;    // an empty arena kept mapped
  std::size_t arenas_ = 0;
};

}  // namespace quiret
