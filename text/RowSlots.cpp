// Row storage for the line store: shared blocks, slots, in-place re-cutting.
#include "text/RowSlots.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace quiret {
namespace {

constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
constexpr std::size_t kLargestBlock = std::size_t{2} << 20;

// Full-size blocks are mapped from the system directly, so that unmapping gives the memory
// back at once (such blocks freed into the heap stayed resident). They are not advised as
// huge pages: faulting those in made the kernel compact memory first, which cost more than
// the small page faults it saved (seconds for a file of a gigabyte). The smaller first
// blocks come from the heap, whose pages are usually mapped already.
char* AllocateBlock(std::size_t size) {
  if (size % kLargestBlock != 0) {
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
    return static_cast<char*>(block);
  }
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  return static_cast<char*>(mapped);
}

void ReleaseBlock(char* block, std::size_t size) {
  if (size % kLargestBlock != 0) {
    std::free(block);
  } else {
    ::munmap(block, size);
  }
}

}  // namespace

RowSlots::~RowSlots() { Clear(); }

// ---- Blocks ----

RowSlots::Block* RowSlots::BlockOf(const char* p) {
  if (lastFound_ && p >= lastFound_->start && p < lastFound_->start + lastFound_->size) return lastFound_;
  auto it = std::upper_bound(blocks_.begin(), blocks_.end(), p,
                             [](const char* q, const Block* b) { return q < b->start; });
  // Every block row lies inside a block, so the block before the bound holds it.
  lastFound_ = *(it - 1);
  return lastFound_;
}

void RowSlots::NewBlock(std::size_t need) {
  // One byte at each block's end stays unused, so rows of two blocks are never adjacent
  // in memory and adjacency alone tells that two rows can join without a copy.
  need += 1;
  std::size_t size = blocks_.empty() ? kFirstBlock : std::min(kLargestBlock, 2 * blockSize_);
  if (need > size) size = (need + kLargestBlock - 1) / kLargestBlock * kLargestBlock;
  auto* block = new Block{AllocateBlock(size), size, 0};
  try {
    blocks_.insert(std::upper_bound(blocks_.begin(), blocks_.end(), block,
                                    [](const Block* a, const Block* b) { return a->start < b->start; }),
                   block);
  } catch (...) {
    ReleaseBlock(block->start, size);
    delete block;
    throw;
  }
  // The open row moves along; what it left behind in the old block is not counted as used.
  const std::size_t open = OpenRowSize();
  if (open > 0) std::memcpy(block->start, openRow_, open);
  Block* previous = current_;
  current_ = block;
  blockSize_ = std::max(blockSize_, std::min(size, kLargestBlock));
  openRow_ = block->start;
  blockNext_ = block->start + open;
  blockEnd_ = block->start + size - 1;
  if (previous && previous->live == 0) {
    blocks_.erase(std::find(blocks_.begin(), blocks_.end(), previous));
    if (lastFound_ == previous) lastFound_ = nullptr;
    ReleaseBlock(previous->start, previous->size);
    delete previous;
  }
}

std::size_t RowSlots::BlockBytes() const {
  std::size_t total = 0;
  for (const Block* b : blocks_) total += b->size;
  return total;
}

// ---- Slots ----

void RowSlots::Grow(std::size_t count) {
  if (count <= capacity_) return;
  const std::size_t capacity = std::max({count, 2 * capacity_, std::size_t{16}});
  // realloc: a large slot array is remapped by the allocator rather than copied, and the
  // old and the new array are never both resident.
  void* grown = std::realloc(slots_, capacity * sizeof(Slot));
  if (!grown) throw std::bad_alloc();
  slots_ = static_cast<Slot*>(grown);
  capacity_ = capacity;
}

void RowSlots::Reserve(std::size_t count) { Grow(count); }

void RowSlots::OpenGap(std::size_t index, std::size_t count) {
  Grow(size_ + count);
  std::memmove(slots_ + index + count, slots_ + index, (size_ - index) * sizeof(Slot));
  size_ += count;
}

RowSlots::Slot RowSlots::MakeOwn(std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view p : parts) length += p.size();
  if (length == 0) return {nullptr, 0};
  if (length > kMaxRowBytes) throw std::length_error("row too long");
  char* bytes = static_cast<char*>(std::malloc(length));
  if (!bytes) throw std::bad_alloc();
  char* out = bytes;
  for (std::string_view p : parts) {
    if (!p.empty()) std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
  return {bytes, static_cast<std::uint32_t>(length) | kOwnBit};
}

RowSlots::Slot RowSlots::PackRoom(std::size_t length, char*& out) {
  out = nullptr;
  if (length == 0) return {nullptr, 0};
  if (static_cast<std::size_t>(blockEnd_ - blockNext_) < length) NewBlock(length);
  out = blockNext_;
  blockNext_ += length;
  openRow_ = blockNext_;
  current_->live += length;
  return {out, static_cast<std::uint32_t>(length)};
}

void RowSlots::Release(const Slot& slot) {
  const std::size_t length = slot.length & kLengthMask;
  if (length == 0) return;
  if (slot.length & kOwnBit) {
    std::free(const_cast<char*>(slot.data));
    return;
  }
  Block* block = BlockOf(slot.data);
  block->live -= length;
  if (block->live == 0 && block != current_) {
    blocks_.erase(std::find(blocks_.begin(), blocks_.end(), block));
    lastFound_ = nullptr;
    ReleaseBlock(block->start, block->size);
    delete block;
  }
}

void RowSlots::ReleaseRange(std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) Release(slots_[i]);
}

void RowSlots::Append(std::initializer_list<std::string_view> parts) {
  Slot made = MakeOwn(parts);
  try {
    Grow(size_ + 1);
  } catch (...) {
    Release(made);
    throw;
  }
  slots_[size_++] = made;
}

void RowSlots::AppendBytes(const char* data, std::size_t size) {
  if (size == 0) return;
  const std::size_t open = OpenRowSize();
  if (size >= kMaxRowBytes - open) throw std::length_error("row too long");
  if (static_cast<std::size_t>(blockEnd_ - blockNext_) < size) {
    // A row that outgrows full-size blocks moves to one twice its size, so a huge line
    // costs a linear number of copies in all.
    NewBlock(open + size > kLargestBlock / 2 ? 2 * (open + size) : open + size);
  }
  std::memcpy(blockNext_, data, size);
  blockNext_ += size;
}

void RowSlots::EndRow() {
  Grow(size_ + 1);
  const std::size_t length = OpenRowSize();
  if (length == 0) {
    slots_[size_++] = {nullptr, 0};
    return;
  }
  slots_[size_++] = {openRow_, static_cast<std::uint32_t>(length)};
  current_->live += length;
  openRow_ = blockNext_;
}

void RowSlots::AppendAll(RowSlots& other) {
  Grow(size_ + other.size_);
  blocks_.reserve(blocks_.size() + other.blocks_.size());
  if (other.size_ > 0) std::memcpy(slots_ + size_, other.slots_, other.size_ * sizeof(Slot));
  size_ += other.size_;
  for (Block* b : other.blocks_) {
    blocks_.insert(std::upper_bound(blocks_.begin(), blocks_.end(), b,
                                    [](const Block* x, const Block* y) { return x->start < y->start; }),
                   b);
  }
  other.blocks_.clear();
  std::free(other.slots_);
  other.slots_ = nullptr;
  other.size_ = other.capacity_ = 0;
  other.current_ = other.lastFound_ = nullptr;
  other.openRow_ = other.blockNext_ = other.blockEnd_ = nullptr;
  other.blockSize_ = 0;
}

void RowSlots::Insert(std::size_t index, std::string_view row) {
  Slot made = MakeOwn({row});
  try {
    OpenGap(index, 1);
  } catch (...) {
    Release(made);
    throw;
  }
  slots_[index] = made;
}

void RowSlots::InsertAll(std::size_t index, const std::vector<std::string_view>& rows) {
  std::vector<Slot> made;
  made.reserve(rows.size());
  try {
    for (std::string_view row : rows) made.push_back(MakeOwn({row}));
    OpenGap(index, made.size());
  } catch (...) {
    for (const Slot& s : made) Release(s);
    throw;
  }
  if (!made.empty()) std::memcpy(slots_ + index, made.data(), made.size() * sizeof(Slot));
}

void RowSlots::Set(std::size_t index, std::string_view row) {
  // Build first: the new bytes may be a view into the row being replaced.
  Slot made = MakeOwn({row});
  Release(slots_[index]);
  slots_[index] = made;
}

void RowSlots::Erase(std::size_t index) { EraseRange(index, 1); }

void RowSlots::EraseRange(std::size_t index, std::size_t count) {
  ReleaseRange(index, index + count);
  std::memmove(slots_ + index, slots_ + index + count, (size_ - index - count) * sizeof(Slot));
  size_ -= count;
}

void RowSlots::Resize(std::size_t count) {
  if (count < size_) {
    ReleaseRange(count, size_);
  } else {
    Grow(count);
    for (std::size_t i = size_; i < count; ++i) slots_[i] = {nullptr, 0};
  }
  size_ = count;
}

void RowSlots::Clear() {
  // Block rows need no accounting here: every block goes.
  for (std::size_t i = 0; i < size_; ++i) {
    if (slots_[i].length & kOwnBit) std::free(const_cast<char*>(slots_[i].data));
  }
  // A cleared store holds no capacity.
  std::free(slots_);
  slots_ = nullptr;
  size_ = capacity_ = 0;
  for (Block* b : blocks_) {
    ReleaseBlock(b->start, b->size);
    delete b;
  }
  blocks_.clear();
  current_ = lastFound_ = nullptr;
  openRow_ = blockNext_ = blockEnd_ = nullptr;
  blockSize_ = 0;
}

// ---- Re-cutting ----

bool RowSlots::Recut(const std::vector<std::uint32_t>& lengths) {
  std::size_t total = 0;
  for (std::size_t length : lengths) {
    if (length >= kMaxRowBytes) return false;
    total += length;
  }
  std::size_t held = 0;
  bool emptyRows = false;
  for (std::size_t i = 0; i < size_; ++i) {
    const std::size_t length = slots_[i].length & kLengthMask;
    held += length;
    emptyRows = emptyRows || length == 0;
  }
  if (total != held || OpenRowSize() > 0) return false;
  // In place needs every old row to hold bytes (the store's rows always do), so that the
  // order of reading and writing slots follows from the lengths alone.
  if (!emptyRows && (lengths.size() >= size_ ? Split(lengths) : Join(lengths))) return true;
  Rebuild(lengths);
  return true;
}

// Only splits: each new row lies inside one old row, and the slots are rewritten from the
// back. New row j takes bytes of old row i <= j, so slot i is read before it is written.
bool RowSlots::Split(const std::vector<std::uint32_t>& lengths) {
  {
    std::size_t i = 0, left = size_ > 0 ? slots_[0].length & kLengthMask : 0;
    for (std::size_t j = 0; j < lengths.size(); ++j) {
      if (lengths[j] == 0) continue;
      if (left == 0) left = slots_[++i].length & kLengthMask;  // the bytes add up: in range
      if (lengths[j] > left || i > j) return false;
      left -= lengths[j];
    }
  }
  const std::size_t oldCount = size_;
  Grow(lengths.size());
  // Pieces of a row of its own become packed copies, and the row is freed once they are
  // all taken. Packing can fail, so the copies are made before anything is rewritten.
  std::vector<Slot> copies;
  try {
    std::size_t i = 0, offset = 0;
    for (std::size_t length : lengths) {
      if (length == 0) continue;
      if (offset == (slots_[i].length & kLengthMask)) ++i, offset = 0;
      if (slots_[i].length & kOwnBit) {
        char* out;
        copies.push_back(PackRoom(length, out));
        std::memcpy(out, slots_[i].data + offset, length);
      }
      offset += length;
    }
  } catch (...) {
    for (const Slot& s : copies) Release(s);
    throw;
  }
  std::size_t i = oldCount;
  Slot old{nullptr, 0};
  std::size_t rest = 0;  // bytes of `old` not yet given to a new row, counted from its start
  std::size_t copy = copies.size();
  for (std::size_t j = lengths.size(); j-- > 0;) {
    const std::size_t length = lengths[j];
    if (length == 0) {
      slots_[j] = {nullptr, 0};
      continue;
    }
    if (rest == 0) {
      if (old.length & kOwnBit) Release(old);
      old = slots_[--i];
      rest = old.length & kLengthMask;
    }
    rest -= length;
    slots_[j] =
        (old.length & kOwnBit) ? copies[--copy] : Slot{old.data + rest, static_cast<std::uint32_t>(length)};
  }
  if (old.length & kOwnBit) Release(old);
  size_ = lengths.size();
  return true;
}

// Only joins: each new row is whole old rows, and the slots are rewritten from the front:
// new row j starts at old row i >= j (an empty one at i > j), so slot j was read before.
// Rows adjacent in one block join by widening the slot; others are copied into the blocks.
bool RowSlots::Join(const std::vector<std::uint32_t>& lengths) {
  // First the checks and the copies of the new rows that cannot be slices (packing can
  // fail, so nothing is rewritten before they are all made), each with its new index.
  std::vector<std::pair<std::size_t, Slot>> copies;
  auto drop = [&copies, this] {
    for (const auto& c : copies) Release(c.second);
  };
  std::size_t i = 0;
  try {
    for (std::size_t j = 0; j < lengths.size(); ++j) {
      if (j > i || (lengths[j] == 0 && j == i && i < size_)) {
        drop();
        return false;
      }
      const std::size_t first = i;
      bool adjacent = true;
      for (std::size_t need = lengths[j]; need > 0; ++i) {
        const std::size_t n = slots_[i].length & kLengthMask;
        if (n > need) {
          drop();
          return false;
        }
        adjacent =
            adjacent && !(slots_[i].length & kOwnBit) &&
            (i == first || slots_[i].data == slots_[i - 1].data + (slots_[i - 1].length & kLengthMask));
        need -= n;
      }
      if (!adjacent) {
        char* out;
        copies.emplace_back(j, PackRoom(lengths[j], out));
        for (std::size_t k = first; k < i; ++k) {
          const std::size_t n = slots_[k].length & kLengthMask;
          std::memcpy(out, slots_[k].data, n);
          out += n;
        }
      }
    }
  } catch (...) {
    drop();
    throw;
  }
  i = 0;
  std::size_t copy = 0;
  for (std::size_t j = 0; j < lengths.size(); ++j) {
    const std::size_t length = lengths[j];
    const std::size_t first = i;
    for (std::size_t need = length; need > 0; ++i) need -= slots_[i].length & kLengthMask;
    if (length == 0) {
      slots_[j] = {nullptr, 0};
    } else if (copy < copies.size() && copies[copy].first == j) {
      for (std::size_t k = first; k < i; ++k) Release(slots_[k]);
      slots_[j] = copies[copy++].second;
    } else {
      slots_[j] = {slots_[first].data, static_cast<std::uint32_t>(length)};
    }
  }
  size_ = lengths.size();
  return true;
}

// Any other cut: a new slot array, whose rows still point into the blocks wherever their
// bytes lie side by side there; only the rest is copied. The old slots are released once
// all new ones are made.
void RowSlots::Rebuild(const std::vector<std::uint32_t>& lengths) {
  auto* fresh = static_cast<Slot*>(std::malloc(std::max<std::size_t>(lengths.size(), 1) * sizeof(Slot)));
  if (!fresh) throw std::bad_alloc();
  std::size_t made = 0;
  auto lengthOf = [this](std::size_t k) { return static_cast<std::size_t>(slots_[k].length & kLengthMask); };
  try {
    std::size_t i = 0, offset = 0;  // where the next new row starts: old row i, byte offset
    for (const std::size_t length : lengths) {
      if (length == 0) {
        fresh[made++] = {nullptr, 0};
        continue;
      }
      while (offset == lengthOf(i)) ++i, offset = 0;
      const char* start = slots_[i].data + offset;
      bool adjacent = true;
      std::size_t k = i, at = offset;
      const char* expect = start;
      for (std::size_t need = length; need > 0;) {
        while (at == lengthOf(k)) ++k, at = 0;
        const Slot& s = slots_[k];
        adjacent = adjacent && !(s.length & kOwnBit) && s.data + at == expect;
        const std::size_t take = std::min(need, lengthOf(k) - at);
        expect = s.data + at + take;
        at += take;
        need -= take;
      }
      if (adjacent) {
        BlockOf(start)->live += length;
        fresh[made++] = {start, static_cast<std::uint32_t>(length)};
      } else {
        char* out;
        fresh[made++] = PackRoom(length, out);
        for (std::size_t need = length; need > 0;) {
          while (offset == lengthOf(i)) ++i, offset = 0;
          const std::size_t take = std::min(need, lengthOf(i) - offset);
          std::memcpy(out, slots_[i].data + offset, take);
          out += take;
          offset += take;
          need -= take;
        }
      }
      i = k;
      offset = at;
    }
  } catch (...) {
    for (std::size_t j = 0; j < made; ++j) Release(fresh[j]);
    std::free(fresh);
    throw;
  }
  ReleaseRange(0, size_);
  std::free(slots_);
  slots_ = fresh;
  size_ = lengths.size();
  capacity_ = std::max<std::size_t>(lengths.size(), 1);
}

}  // namespace quiret
