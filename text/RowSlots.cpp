// Row blocks for the line store: allocation, replacement and release of rows.
#include "text/RowSlots.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace quiret {

// A row block: the length, then the bytes directly behind it.
struct RowSlots::Row {
  std::size_t length;
  char* Bytes() { return reinterpret_cast<char*>(this + 1); }
  const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
};

namespace {

// Packed rows are marked in their slot by the lowest pointer bit (rows are 8-aligned), so
// that freeing skips them.
constexpr std::uintptr_t kPackedTag = 1;
constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
constexpr std::size_t kLargestBlock = std::size_t{2} << 20;

std::size_t TotalLength(std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view p : parts) length += p.size();
  return length;
}

void CopyParts(char* out, std::initializer_list<std::string_view> parts) {
  for (std::string_view p : parts) {
    if (!p.empty()) std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
}

// Full-size blocks are mapped from the system directly and aligned to and advised as huge
// pages: a large load then takes a page fault per 2 MiB instead of per 4 KiB, which is
// most of its cost otherwise, and unmapping gives the memory back at once (such blocks
// freed into the heap stayed resident around the rows of the next layout). The smaller
// first blocks come from the heap, whose pages are usually mapped already.
void* AllocateBlock(std::size_t size) {
  if (size % kLargestBlock != 0) {
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
    return block;
  }
  const std::size_t span = size + kLargestBlock;
  void* mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  // Keep the aligned part of the span and unmap the rest.
  auto* start = static_cast<char*>(mapped);
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(start);
  const std::size_t head = (kLargestBlock - address % kLargestBlock) % kLargestBlock;
  if (head > 0) ::munmap(start, head);
  const std::size_t tail = span - head - size;
  if (tail > 0) ::munmap(start + head + size, tail);
#ifdef MADV_HUGEPAGE
  ::madvise(start + head, size, MADV_HUGEPAGE);
#endif
  return start + head;
}

void ReleaseBlock(void* block, std::size_t size) {
  if (size % kLargestBlock != 0) {
    std::free(block);
  } else {
    ::munmap(block, size);
  }
}

}  // namespace

RowSlots::~RowSlots() { Clear(); }

const RowSlots::Row* RowSlots::Untag(const Row* row) {
  return reinterpret_cast<const Row*>(reinterpret_cast<std::uintptr_t>(row) & ~kPackedTag);
}

RowSlots::Row* RowSlots::Make(std::initializer_list<std::string_view> parts) {
  std::size_t length = TotalLength(parts);
  if (length == 0) return nullptr;
  // malloc rather than new: one block of exactly the header and the bytes.
  void* block = std::malloc(sizeof(Row) + length);
  if (!block) throw std::bad_alloc();
  Row* row = static_cast<Row*>(block);
  row->length = length;
  CopyParts(row->Bytes(), parts);
  return row;
}

RowSlots::Row* RowSlots::AllocatePacked(std::size_t length) {
  std::size_t need = (sizeof(Row) + length + 7) & ~std::size_t{7};
  Row* row;
  if (need > kLargestBlock / 4) {
    // A row too big to share a block is a block of its own, freed like any other row.
    row = static_cast<Row*>(std::malloc(sizeof(Row) + length));
    if (!row) throw std::bad_alloc();
    row->length = length;
    return row;
  }
  if (need > static_cast<std::size_t>(blockEnd_ - blockNext_)) {
    // Blocks double up to a limit, so a small file takes little and a large one few blocks.
    std::size_t size = blocks_.empty() ? kFirstBlock : std::min(kLargestBlock, 2 * blockSize_);
    size = std::max(size, need);
    void* block = AllocateBlock(size);
    try {
      blocks_.push_back({block, size});
    } catch (...) {
      ReleaseBlock(block, size);
      throw;
    }
    blockSize_ = size;
    blockNext_ = static_cast<char*>(block);
    blockEnd_ = blockNext_ + size;
  }
  row = reinterpret_cast<Row*>(blockNext_);
  blockNext_ += need;
  row->length = length;
  return reinterpret_cast<Row*>(reinterpret_cast<std::uintptr_t>(row) | kPackedTag);
}

RowSlots::Row* RowSlots::MakePacked(std::initializer_list<std::string_view> parts) {
  std::size_t length = TotalLength(parts);
  if (length == 0) return nullptr;
  Row* row = AllocatePacked(length);
  CopyParts(const_cast<Row*>(Untag(row))->Bytes(), parts);
  return row;
}

void RowSlots::Free(Row* row) {
  if ((reinterpret_cast<std::uintptr_t>(row) & kPackedTag) == 0) std::free(row);
}

std::string_view RowSlots::Get(std::size_t index) const {
  const Row* row = Untag(slots_[index]);
  return row ? std::string_view(row->Bytes(), row->length) : std::string_view();
}

void RowSlots::Append(std::initializer_list<std::string_view> parts) {
  Row* row = Make(parts);
  try {
    slots_.push_back(row);
  } catch (...) {
    Free(row);
    throw;
  }
}

void RowSlots::AppendPacked(std::initializer_list<std::string_view> parts) {
  Row* row = MakePacked(parts);
  try {
    slots_.push_back(row);
  } catch (...) {
    Free(row);  // a packed row's bytes simply stay unused in their block
    throw;
  }
}

void RowSlots::Insert(std::size_t index, std::string_view row) {
  Row* made = Make({row});
  try {
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(index), made);
  } catch (...) {
    Free(made);
    throw;
  }
}

void RowSlots::InsertAll(std::size_t index, const std::vector<std::string_view>& rows) {
  std::vector<Row*> made;
  made.reserve(rows.size());
  try {
    for (std::string_view row : rows) made.push_back(Make({row}));
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(index), made.begin(), made.end());
  } catch (...) {
    for (Row* row : made) Free(row);
    throw;
  }
}

void RowSlots::Set(std::size_t index, std::string_view row) {
  // Build first: the new bytes may be a view into the row being replaced.
  Row* made = Make({row});
  Free(slots_[index]);
  slots_[index] = made;
}

void RowSlots::Erase(std::size_t index) {
  Free(slots_[index]);
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(index));
}

void RowSlots::EraseRange(std::size_t index, std::size_t count) {
  const auto first = slots_.begin() + static_cast<std::ptrdiff_t>(index);
  const auto last = first + static_cast<std::ptrdiff_t>(count);
  for (auto it = first; it != last; ++it) Free(*it);
  slots_.erase(first, last);
}

void RowSlots::Resize(std::size_t count) {
  for (std::size_t i = count; i < slots_.size(); ++i) Free(slots_[i]);
  slots_.resize(count, nullptr);
}

bool RowSlots::Recut(const std::vector<std::size_t>& lengths) {
  RowSlots fresh;
  fresh.slots_.reserve(lengths.size());
  const std::size_t oldCount = slots_.size();
  std::size_t next = 0;   // the old row to read after `rest`
  std::string_view rest;  // what is left of the old row being read
  for (std::size_t length : lengths) {
    Row* row = length == 0 ? nullptr : fresh.AllocatePacked(length);
    char* out = row ? const_cast<Row*>(Untag(row))->Bytes() : nullptr;
    // Pushed before filling (the slot array is reserved): a failure below leaves the block
    // owned by `fresh`, which frees it.
    fresh.slots_.push_back(row);
    while (length > 0) {
      while (rest.empty()) {
        if (next == oldCount) return false;  // the lengths ask for more bytes than there are
        rest = Get(next++);
      }
      const std::size_t take = std::min(length, rest.size());
      std::memcpy(out, rest.data(), take);
      out += take;
      rest.remove_prefix(take);
      length -= take;
    }
  }
  if (!rest.empty()) return false;
  for (; next < oldCount; ++next) {
    if (!Get(next).empty()) return false;  // bytes left over
  }
  Swap(fresh);  // `fresh` now holds the old storage and releases it
  return true;
}

void RowSlots::Swap(RowSlots& other) noexcept {
  slots_.swap(other.slots_);
  blocks_.swap(other.blocks_);
  std::swap(blockNext_, other.blockNext_);
  std::swap(blockEnd_, other.blockEnd_);
  std::swap(blockSize_, other.blockSize_);
}

void RowSlots::Clear() {
  for (Row* row : slots_) Free(row);
  // Release the slot array itself too: a cleared store holds no capacity.
  std::vector<Row*>().swap(slots_);
  for (const Block& block : blocks_) ReleaseBlock(block.start, block.size);
  blocks_.clear();
  blockNext_ = blockEnd_ = nullptr;
  blockSize_ = 0;
}

}  // namespace quiret
