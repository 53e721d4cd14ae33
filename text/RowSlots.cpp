// Row storage for the line store: shared blocks for the bytes, chunks of slots for the rows.
#include "text/RowSlots.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/HugePages.h"
#include "platform/HugePool.h"

namespace quiret {
namespace {

constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
constexpr std::size_t kLargestBlock = std::size_t{2} << 20;

// Full-size blocks are whole huge pages mapped from the system directly (platform/HugePages),
// so that unmapping gives the memory back at once (such blocks freed into the heap stayed
// resident) and a block costs one page fault, not 512. The smaller first blocks come from
// the heap, whose pages are usually mapped already.
static_assert(kLargestBlock == kHugePageBytes);

char* AllocateBlock(std::size_t size) {
  if (size % kLargestBlock != 0) {
    void* block = std::malloc(size);
    if (!block) throw std::bad_alloc();
    return static_cast<char*>(block);
  }
  return MapHuge(size);
}

void ReleaseBlock(char* block, std::size_t size) {
  if (size % kLargestBlock != 0) {
    std::free(block);
  } else {
    UnmapHuge(block, size);
  }
}

}  // namespace

RowSlots::~RowSlots() { Clear(); }

// ---- Slots ----

RowSlots::Slot RowSlots::Slot::MakeOther(const char* data, std::size_t length, bool own) {
  if (length == 0) return Empty();
  const auto address = reinterpret_cast<std::uintptr_t>(data);
  const std::uint64_t ownBit = own ? kOwnBit : 0;
  if (length < kLongRow) {
    if (address > kAddressMask) throw std::bad_alloc();
    return Slot{address | (std::uint64_t{length} << 48) | ownBit};
  }
  auto* record = new LongRow{data, length};
  const auto recordAddress = reinterpret_cast<std::uintptr_t>(record);
  if (recordAddress > kAddressMask || address > kAddressMask) {
    delete record;
    throw std::bad_alloc();
  }
  return Slot{recordAddress | (std::uint64_t{kLongRow} << 48) | ownBit};
}

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
  // The bytes at each block's end stay unused: rows of two blocks are then never adjacent
  // in memory (adjacency alone tells that two rows can join without a copy), and every row
  // can be read kReadSlack bytes past its end.
  need += kReadSlack;
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
  blockEnd_ = block->start + size - kReadSlack;
  if (previous && previous->live == 0) {
    blocks_.erase(std::find(blocks_.begin(), blocks_.end(), previous));
    if (lastFound_ == previous) lastFound_ = nullptr;
    ForgetBlock(previous);
    ReleaseBlock(previous->start, previous->size);
    delete previous;
  }
}

std::size_t RowSlots::BlockBytes() const {
  std::size_t total = 0;
  for (const Block* b : blocks_) total += b->size;
  return total;
}

RowSlots::Slot RowSlots::MakeOwn(std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view p : parts) length += p.size();
  if (length == 0) return Slot::Empty();
  if (length > kMaxRowBytes) throw std::length_error("row too long");
  char* bytes = static_cast<char*>(std::malloc(length + kReadSlack));
  if (!bytes) throw std::bad_alloc();
  char* out = bytes;
  for (std::string_view p : parts) {
    if (!p.empty()) std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
  try {
    return Slot::Make(bytes, length, true);
  } catch (...) {
    std::free(bytes);
    throw;
  }
}

RowSlots::Slot RowSlots::PackRoom(std::size_t length, char*& out) {
  out = nullptr;
  if (length == 0) return Slot::Empty();
  if (static_cast<std::size_t>(blockEnd_ - blockNext_) < length) NewBlock(length);
  const Slot made = Slot::Make(blockNext_, length, false);
  out = blockNext_;
  blockNext_ += length;
  openRow_ = blockNext_;
  current_->live += length;
  return made;
}

void RowSlots::Release(const Slot& slot) {
  const std::string_view row = slot.View();
  const std::size_t length = row.size();
  if (length == 0) return;
  Slot::DropRecord(slot);
  if (slot.Own()) {
    std::free(const_cast<char*>(row.data()));
    return;
  }
  Block* block = BlockOf(row.data());
  block->live -= length;
  if (block->live == 0 && block != current_) {
    blocks_.erase(std::find(blocks_.begin(), blocks_.end(), block));
    lastFound_ = nullptr;
    ForgetBlock(block);
    ReleaseBlock(block->start, block->size);
    delete block;
  }
}

// ---- Chunks ----

namespace {

std::atomic<std::size_t> chunksHeld{0};
std::atomic<std::size_t> chunkPeak{0};

}  // namespace

std::size_t RowSlots::TakeChunkPeak() { return chunkPeak.exchange(chunksHeld.load()); }

// Chunks come by the thousand with a large file: from huge pages they cost a page fault
// per 127 of them, not four each. The first few held come from the heap, so that small
// texts do not make (and zero) a huge page. Never destroyed, so stores that are statics
// can go last.
constexpr std::size_t kHeapChunks = 64;

HugePool& ChunkPool(std::size_t chunkBytes) {
  static HugePool* pool = new HugePool(chunkBytes);
  return *pool;
}

RowSlots::Chunk* RowSlots::NewChunk() {
  const bool pooled = chunksHeld.load(std::memory_order_relaxed) >= kHeapChunks;
  auto* c = static_cast<Chunk*>(pooled ? ChunkPool(sizeof(Chunk)).Take() : std::malloc(sizeof(Chunk)));
  if (!c) throw std::bad_alloc();
  const std::size_t held = chunksHeld.fetch_add(1, std::memory_order_relaxed) + 1;
  std::size_t peak = chunkPeak.load(std::memory_order_relaxed);
  while (held > peak && !chunkPeak.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
  }
  c->size = 0;
  c->bytes = 0;
  c->pooled = pooled;
  return c;
}

void RowSlots::FreeChunk(Chunk* c) {
  chunksHeld.fetch_sub(1, std::memory_order_relaxed);
  if (c->pooled) {
    ChunkPool(sizeof(Chunk)).Give(c);
  } else {
    std::free(c);
  }
}

std::size_t RowSlots::LengthsOf(const Slot* slots, std::size_t count) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += slots[i].Length();
  return total;
}

std::size_t RowSlots::SumSlots(const Chunk* c, std::size_t from, std::size_t to) {
  if (2 * (to - from) <= c->size) return LengthsOf(c->slots + from, to - from);
  return c->bytes - LengthsOf(c->slots, from) - LengthsOf(c->slots + to, c->size - to);
}

const RowSlots::Slot& RowSlots::SlotAfterUniform(std::size_t index) const {
  const Place p = Locate(index);
  return chunks_[p.chunk]->slots[p.offset];
}

RowSlots::Place RowSlots::Locate(std::size_t index) const {
  if (index < uniform_) return {index >> kChunkShift, index & (kChunkSlots - 1)};
  if (chunks_.empty()) return {0, 0};
  if (index >= size_) return {chunks_.size() - 1, chunks_.back()->size};
  // No chunk holds more than kChunkSlots rows, so the chunk the index would be in if all
  // were full starts at or before it. A load or a wrap leaves only a few chunks not full:
  // the right one is then that one or a few after it.
  std::size_t guess = std::min(index >> kChunkShift, chunks_.size() - 1);
  for (int step = 0; step < 4; ++step, ++guess) {
    if (guess + 1 == chunks_.size() || starts_[guess + 1] > index) return {guess, index - starts_[guess]};
  }
  const auto from = starts_.begin() + static_cast<std::ptrdiff_t>(guess);
  const auto it = std::upper_bound(from, starts_.end(), index) - 1;
  const auto c = static_cast<std::size_t>(it - starts_.begin());
  return {c, index - *it};
}

void RowSlots::Renumber(std::size_t from) {
  starts_.resize(chunks_.size());  // never grows past the capacity reserved with the chunks
  sums_.resize(chunks_.size());
  std::size_t at = from == 0 ? 0 : starts_[from - 1] + chunks_[from - 1]->size;
  for (std::size_t c = from; c < chunks_.size(); ++c) {
    starts_[c] = at;
    sums_[c] = chunks_[c]->bytes;
    at += chunks_[c]->size;
  }
  size_ = at;
  uniform_ = std::min(uniform_, from << kChunkShift);
  while ((uniform_ >> kChunkShift) < chunks_.size() && chunks_[uniform_ >> kChunkShift]->size == kChunkSlots)
    uniform_ += kChunkSlots;
}

void RowSlots::PushSlot(const Slot& s) {
  if (chunks_.empty() || chunks_.back()->size == kChunkSlots) {
    Chunk* c = NewChunk();
    const std::size_t had = chunks_.size();
    try {
      chunks_.push_back(c);
      starts_.push_back(size_);
      sums_.push_back(0);
    } catch (...) {
      chunks_.resize(had);
      starts_.resize(had);
      sums_.resize(had);
      FreeChunk(c);
      throw;
    }
  }
  Chunk* last = chunks_.back();
  last->slots[last->size++] = s;
  const std::size_t length = s.Length();
  last->bytes += length;
  sums_.back() += length;
  ++size_;
  if (last->size == kChunkSlots && uniform_ == starts_.back()) uniform_ += kChunkSlots;
}

void RowSlots::OpenGap(std::size_t index, std::size_t count) {
  if (count == 0) return;
  if (chunks_.empty()) {
    for (std::size_t i = 0; i < count; ++i) PushSlot(Slot::Empty());
    return;
  }
  const Place p = Locate(index);
  Chunk* c = chunks_[p.chunk];
  if (c->size + count <= kChunkSlots) {
    std::memmove(c->slots + p.offset + count, c->slots + p.offset, (c->size - p.offset) * sizeof(Slot));
    std::fill(c->slots + p.offset, c->slots + p.offset + count, Slot::Empty());  // counts no bytes yet
    c->size += count;
    Renumber(p.chunk);
    return;
  }
  // The chunk's rows and the gap are spread evenly over as many chunks as they need; the
  // first is the chunk itself. Everything that can fail is done before anything changes.
  const std::size_t total = c->size + count;
  const std::size_t n = (total + kChunkSlots - 1) / kChunkSlots;
  std::vector<Chunk*> fresh;
  std::vector<Chunk*> seq;
  std::vector<std::size_t> sizes;
  try {
    fresh.reserve(n - 1);
    while (fresh.size() < n - 1) fresh.push_back(NewChunk());
    chunks_.reserve(chunks_.size() + n - 1);
    starts_.reserve(chunks_.size() + n - 1);
    sums_.reserve(chunks_.size() + n - 1);
    seq.reserve(n);
    sizes.assign(n, total / n);
  } catch (...) {
    for (Chunk* f : fresh) FreeChunk(f);
    throw;
  }
  // The tail of the old chunk moves to the end of the sequence first, from the back, so
  // that no slot is overwritten before it is moved.
  seq.push_back(c);
  seq.insert(seq.end(), fresh.begin(), fresh.end());
  for (std::size_t k = 0; k < total % n; ++k) ++sizes[k];
  auto at = [&](std::size_t i) -> Slot& {
    std::size_t k = 0;
    while (i >= sizes[k]) i -= sizes[k++];
    return seq[k]->slots[i];
  };
  // A slot only moves up in the sequence, so moving from the back overwrites none that is
  // still to move; the head slots that stay in the first chunk stay where they are.
  for (std::size_t i = c->size; i-- > 0;) {
    const std::size_t to = i < p.offset ? i : i + count;
    if (to == i && to < sizes[0]) break;
    at(to) = c->slots[i];
  }
  // The gap counts no bytes until it is filled; each chunk's sum is taken afresh.
  for (std::size_t k = 0, base = 0; k < n; base += sizes[k++]) {
    Chunk* s = seq[k];
    s->size = sizes[k];
    const std::size_t from = std::clamp(p.offset, base, base + sizes[k]);
    const std::size_t to = std::clamp(p.offset + count, base, base + sizes[k]);
    std::fill(s->slots + (from - base), s->slots + (to - base), Slot::Empty());
    s->bytes = LengthsOf(s->slots, s->size);
  }
  chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(p.chunk) + 1, fresh.begin(), fresh.end());
  Renumber(p.chunk);
}

void RowSlots::Tidy(std::size_t c) {
  if (c >= chunks_.size()) return;
  if (chunks_[c]->size == 0) {
    FreeChunk(chunks_[c]);
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
    return;
  }
  // A small chunk joins a neighbour that leaves it room, so removals leave no crowd of
  // tiny chunks behind.
  if (chunks_[c]->size >= kChunkSlots / 4) return;
  std::size_t first = chunks_.size();
  if (c + 1 < chunks_.size() && chunks_[c]->size + chunks_[c + 1]->size <= kChunkSlots * 3 / 4) {
    first = c;
  } else if (c > 0 && chunks_[c]->size + chunks_[c - 1]->size <= kChunkSlots * 3 / 4) {
    first = c - 1;
  }
  if (first == chunks_.size()) return;
  Chunk* a = chunks_[first];
  Chunk* b = chunks_[first + 1];
  std::memcpy(a->slots + a->size, b->slots, b->size * sizeof(Slot));
  a->size += b->size;
  a->bytes += b->bytes;
  FreeChunk(b);
  chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(first) + 1);
}

void RowSlots::FreeAllChunks() {
  for (Chunk* c : chunks_) FreeChunk(c);
  chunks_.clear();
  starts_.clear();
  sums_.clear();
  size_ = uniform_ = 0;
}

// ---- Rows ----

void RowSlots::Append(std::initializer_list<std::string_view> parts) {
  Slot made = MakeOwn(parts);
  try {
    PushSlot(made);
  } catch (...) {
    Release(made);
    throw;
  }
}

void RowSlots::AppendBytes(const char* data, std::size_t size) {
  if (size == 0) return;
  const std::size_t open = OpenRowSize();
  if (size >= kMaxRowBytes - open) throw std::length_error("row too long");
  if (static_cast<std::size_t>(blockEnd_ - blockNext_) < size) MakeRoom(size);
  if (data != blockNext_) std::memmove(blockNext_, data, size);
  blockNext_ += size;
}

char* RowSlots::Room(std::size_t size) {
  if (RoomLeft() < size) {
    if (size >= kMaxRowBytes - OpenRowSize()) throw std::length_error("row too long");
    MakeRoom(size);
  }
  return blockNext_;
}

void RowSlots::MakeRoom(std::size_t size) {
  const std::size_t open = OpenRowSize();
  // A row that outgrows full-size blocks goes to one twice its size (never more than a row
  // can hold), so a huge line costs a linear amount of work in all. When the open row is
  // alone in a mapped block, that block grows under it without a copy (and without the
  // doubled block's pages all becoming resident).
  if (open + size <= kLargestBlock / 2) {
    NewBlock(open + size);
    return;
  }
  const std::size_t want = std::min(2 * (open + size), kMaxRowBytes) + kReadSlack;
  if (!current_ || current_->live != 0 || openRow_ != current_->start ||
      current_->size % kLargestBlock != 0) {
    NewBlock(want - kReadSlack);
    return;
  }
  Block* b = current_;
  char* grown = GrowHuge(b->start, b->size, want);
  blocks_.erase(std::find(blocks_.begin(), blocks_.end(), b));
  if (lastFound_ == b) lastFound_ = nullptr;
  b->start = grown;
  b->size = HugeRound(want);
  // Cannot fail: the vector had room for the block a moment ago.
  blocks_.insert(std::upper_bound(blocks_.begin(), blocks_.end(), b,
                                  [](const Block* x, const Block* y) { return x->start < y->start; }),
                 b);
  openRow_ = grown;
  blockNext_ = grown + open;
  blockEnd_ = grown + b->size - kReadSlack;
}

void RowSlots::EndRow() {
  const std::size_t length = OpenRowSize();
  if (length == 0) {
    PushSlot(Slot::Empty());
    return;
  }
  const Slot made = Slot::Make(openRow_, length, false);
  try {
    PushSlot(made);
  } catch (...) {
    Slot::DropRecord(made);
    throw;
  }
  current_->live += length;
  openRow_ = blockNext_;
}

void RowSlots::AppendAll(RowSlots& other) {
  chunks_.reserve(chunks_.size() + other.chunks_.size());
  starts_.reserve(chunks_.size() + other.chunks_.size());
  sums_.reserve(chunks_.size() + other.chunks_.size());
  blocks_.reserve(blocks_.size() + other.blocks_.size());
  const std::size_t from = chunks_.size();
  chunks_.insert(chunks_.end(), other.chunks_.begin(), other.chunks_.end());
  Renumber(from);
  for (Block* b : other.blocks_) {
    blocks_.insert(std::upper_bound(blocks_.begin(), blocks_.end(), b,
                                    [](const Block* x, const Block* y) { return x->start < y->start; }),
                   b);
  }
  other.blocks_.clear();
  other.chunks_.clear();
  other.starts_.clear();
  other.sums_.clear();
  other.size_ = other.uniform_ = 0;
  other.current_ = other.lastFound_ = nullptr;
  other.markFrom_ = other.markTo_ = nullptr;
  other.breakHint_ = nullptr;
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
  FillGap(index, made);
}

void RowSlots::FillGap(std::size_t index, const Slot& s) {
  const Place p = Locate(index);
  chunks_[p.chunk]->slots[p.offset] = s;
  AddBytes(p.chunk, s.Length());
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
  std::size_t k = 0;
  ForEachSlot(index, index + made.size(), [&](Slot& s, std::size_t c) {
    s = made[k++];
    AddBytes(c, s.Length());
  });
}

void RowSlots::Set(std::size_t index, std::string_view row) {
  // Build first: the new bytes may be a view into the row being replaced.
  Slot made = MakeOwn({row});
  const Place p = Locate(index);
  Slot& slot = chunks_[p.chunk]->slots[p.offset];
  SubBytes(p.chunk, slot.Length());
  Release(slot);
  slot = made;
  AddBytes(p.chunk, row.size());
}

void RowSlots::Erase(std::size_t index) { EraseRange(index, 1); }

void RowSlots::EraseRange(std::size_t index, std::size_t count) {
  if (count == 0) return;
  ForEachSlot(index, index + count, [this](Slot& s, std::size_t c) {
    SubBytes(c, s.Length());
    Release(s);
  });
  const Place a = Locate(index);
  const Place b = Locate(index + count);
  if (a.chunk == b.chunk) {
    Chunk* c = chunks_[a.chunk];
    std::memmove(c->slots + a.offset, c->slots + b.offset, (c->size - b.offset) * sizeof(Slot));
    c->size -= count;
  } else {
    chunks_[a.chunk]->size = a.offset;
    Chunk* last = chunks_[b.chunk];
    std::memmove(last->slots, last->slots + b.offset, (last->size - b.offset) * sizeof(Slot));
    last->size -= b.offset;
    for (std::size_t k = a.chunk + 1; k < b.chunk; ++k) FreeChunk(chunks_[k]);
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(a.chunk) + 1,
                  chunks_.begin() + static_cast<std::ptrdiff_t>(b.chunk));
    Tidy(a.chunk + 1);
  }
  Tidy(a.chunk);
  Renumber(std::min(a.chunk, chunks_.size()) > 0 ? std::min(a.chunk, chunks_.size()) - 1 : 0);
}

void RowSlots::Resize(std::size_t count) {
  if (count < size_) {
    EraseRange(count, size_ - count);
  } else {
    Reserve(count);
    while (size_ < count) PushSlot(Slot::Empty());
  }
}

void RowSlots::Reserve(std::size_t count) {
  const std::size_t chunks = (count + kChunkSlots - 1) / kChunkSlots;
  chunks_.reserve(chunks);
  starts_.reserve(chunks);
  sums_.reserve(chunks);
}

void RowSlots::Clear() {
  // Block rows need no accounting here: every block goes.
  for (Chunk* c : chunks_) {
    for (std::size_t i = 0; i < c->size; ++i) {
      const Slot s = c->slots[i];
      if (s.Own()) std::free(const_cast<char*>(s.Data()));
      Slot::DropRecord(s);
    }
  }
  FreeAllChunks();
  // A cleared store holds no capacity.
  std::vector<Chunk*>().swap(chunks_);
  std::vector<std::size_t>().swap(starts_);
  std::vector<std::size_t>().swap(sums_);
  for (Block* b : blocks_) {
    ForgetBlock(b);
    ReleaseBlock(b->start, b->size);
    delete b;
  }
  blocks_.clear();
  current_ = lastFound_ = nullptr;
  openRow_ = blockNext_ = blockEnd_ = nullptr;
  blockSize_ = 0;
}

// ---- Byte counts ----

std::size_t RowSlots::Bytes(std::size_t from, std::size_t to) const {
  if (from >= to) return 0;
  const Place a = Locate(from);
  const Place b = Locate(to);
  if (a.chunk == b.chunk) return SumSlots(chunks_[a.chunk], a.offset, b.offset);
  std::size_t total = SumSlots(chunks_[a.chunk], a.offset, chunks_[a.chunk]->size);
  for (std::size_t c = a.chunk + 1; c < b.chunk; ++c) total += sums_[c];
  return total + SumSlots(chunks_[b.chunk], 0, b.offset);
}

std::size_t RowSlots::RowHoldingByte(std::size_t from, std::size_t n, std::size_t& before) const {
  before = 0;
  if (from >= size_) return size_;
  const Place a = Locate(from);
  std::size_t c = a.chunk;
  std::size_t i = a.offset;
  // The rows near `from` are read one by one (a line is mostly a few rows); farther on,
  // whole chunks are passed over by their sums and only the chunk that holds the byte is
  // read row by row.
  auto walk = [&](std::size_t stop) {
    const Chunk* chunk = chunks_[c];
    for (; i < stop; ++i) {
      const std::size_t length = chunk->slots[i].Length();
      if (before + length > n) return true;
      before += length;
    }
    return false;
  };
  if (walk(std::min(chunks_[c]->size, i + 64))) return starts_[c] + i;
  const std::size_t rest = SumSlots(chunks_[c], i, chunks_[c]->size);
  if (before + rest > n) {
    walk(chunks_[c]->size);
    return starts_[c] + i;
  }
  before += rest;
  for (++c, i = 0; c < chunks_.size() && before + sums_[c] <= n; ++c) before += sums_[c];
  if (c == chunks_.size()) return size_;
  walk(chunks_[c]->size);
  return starts_[c] + i;
}

std::string RowSlots::CheckSums() const {
  if (sums_.size() != chunks_.size()) return "chunk sums missing";
  for (std::size_t c = 0; c < chunks_.size(); ++c) {
    const std::size_t actual = LengthsOf(chunks_[c]->slots, chunks_[c]->size);
    if (chunks_[c]->bytes != actual || sums_[c] != actual)
      return "chunk " + std::to_string(c) + " holds " + std::to_string(actual) + " bytes, its sum says " +
             std::to_string(chunks_[c]->bytes) + " (" + std::to_string(sums_[c]) + ")";
  }
  return "";
}

}  // namespace quiret
