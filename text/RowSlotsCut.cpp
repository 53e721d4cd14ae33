// Row storage: cutting the bytes of all rows into new rows (any cut, and the whole-text split).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>

#include "text/RowSlots.h"

namespace quiret {

// ---- Any cut ----

// The new slots are built chunk by chunk, their rows pointing into the blocks wherever
// their bytes lie side by side there; only the rest is copied. The old rows are released
// as soon as the new ones have passed them, and their chunks hold the new slots, so the
// old and the new slot arrays are never held whole at once.
bool RowSlots::Recut(const std::vector<std::uint32_t>& lengths) {
  std::size_t total = 0;
  for (const std::size_t length : lengths) {
    if (length >= kMaxRowBytes) return false;
    total += length;
  }
  std::size_t held = 0;
  for (const Chunk* c : chunks_) held += c->bytes;
  if (total != held || OpenRowSize() > 0) return false;

  // Everything an exception would need is reserved first (see below).
  const std::size_t n = (lengths.size() + kChunkSlots - 1) / kChunkSlots;
  std::vector<Chunk*> fresh;
  std::vector<Chunk*> pool;
  fresh.reserve(n + chunks_.size());
  pool.reserve(chunks_.size());
  starts_.reserve(n + chunks_.size());
  sums_.reserve(n + chunks_.size());
  auto spare = std::make_unique<LongRow>();
  std::size_t made = 0;
  // The old rows are read through a cursor: chunk, slot in it, byte in the slot.
  struct Cursor {
    std::size_t chunk = 0, slot = 0, at = 0;
  };
  auto slotAt = [this](const Cursor& c) -> Slot& { return chunks_[c.chunk]->slots[c.slot]; };
  auto lengthAt = [&](const Cursor& c) { return slotAt(c).Length(); };
  auto skipDone = [&](Cursor& c) {
    while (c.chunk < chunks_.size() && c.at == lengthAt(c)) {
      c.at = 0;
      if (++c.slot == chunks_[c.chunk]->size) ++c.chunk, c.slot = 0;
    }
  };
  Cursor cur;    // where the rows made so far end
  Cursor freed;  // the old rows before it are released
  auto releasePassed = [&] {
    while (freed.chunk < cur.chunk || (freed.chunk == cur.chunk && freed.slot < cur.slot)) {
      Chunk* c = chunks_[freed.chunk];
      if (freed.slot < c->size) {
        Release(c->slots[freed.slot++]);
        continue;
      }
      pool.push_back(c);
      chunks_[freed.chunk++] = nullptr;
      freed.slot = 0;
    }
  };
  // A row of its own about to be read is moved into the blocks first: a row cut in two can
  // then always keep its second part where it lies.
  auto intoBlock = [&](const Cursor& c) {
    Slot& s = slotAt(c);
    if (!s.Own()) return;
    const std::string_view bytes = s.View();
    char* out;
    const Slot moved = PackRoom(bytes.size(), out);
    std::memcpy(out, bytes.data(), bytes.size());
    std::free(const_cast<char*>(bytes.data()));
    Slot::DropRecord(s);
    s = moved;
  };
  auto put = [&](const Slot& s, std::size_t length) {
    Chunk* c = fresh[made >> kChunkShift];
    c->slots[c->size++] = s;
    c->bytes += length;
    ++made;
  };
  try {
    for (const std::size_t length : lengths) {
      if ((made & (kChunkSlots - 1)) == 0) {
        Chunk* c = pool.empty() ? NewChunk() : pool.back();
        if (!pool.empty() && pool.back() == c) pool.pop_back();
        c->size = c->bytes = 0;
        fresh.push_back(c);
      }
      if (length == 0) {
        put(Slot::Empty(), 0);
        continue;
      }
      skipDone(cur);
      intoBlock(cur);
      const char* start = slotAt(cur).Data() + cur.at;
      bool adjacent = true;
      Cursor end = cur;
      const char* expect = start;
      for (std::size_t need = length; need > 0;) {
        skipDone(end);
        if (end.at == 0) intoBlock(end);
        const std::string_view s = slotAt(end).View();
        adjacent = adjacent && s.data() + end.at == expect;
        const std::size_t take = std::min(need, s.size() - end.at);
        expect = s.data() + end.at + take;
        end.at += take;
        need -= take;
      }
      if (adjacent) {
        const Slot slot = Slot::Make(start, length, false);
        BlockOf(start)->live += length;
        put(slot, length);
      } else {
        char* out;
        put(PackRoom(length, out), length);
        for (std::size_t need = length; need > 0;) {
          skipDone(cur);
          const std::size_t take = std::min(need, lengthAt(cur) - cur.at);
          std::memcpy(out, slotAt(cur).Data() + cur.at, take);
          out += take;
          cur.at += take;
          need -= take;
        }
      }
      cur = end;
      releasePassed();
    }
  } catch (...) {
    KeepPartCut(fresh, pool, cur.chunk, cur.slot, cur.at, spare);
    releasePassed();
    JoinPartCut(fresh, pool, cur.chunk, cur.slot);
    throw;
  }
  cur = Cursor{chunks_.size(), 0, 0};
  releasePassed();
  for (Chunk* c : pool) FreeChunk(c);
  chunks_.swap(fresh);
  Renumber(0);
  return true;
}

void RowSlots::KeepPartCut(std::vector<Chunk*>& fresh, std::vector<Chunk*>& pool, std::size_t& chunk,
                           std::size_t& slot, std::size_t at, std::unique_ptr<LongRow>& spare) noexcept {
  // A fresh chunk taken for a row that was not made goes back.
  if (!fresh.empty() && fresh.back()->size == 0) {
    pool.push_back(fresh.back());
    fresh.pop_back();
  }
  if (chunk < chunks_.size() && at == chunks_[chunk]->slots[slot].Length()) {
    at = 0;
    if (++slot == chunks_[chunk]->size) ++chunk, slot = 0;
  }
  if (chunk >= chunks_.size() || at == 0) return;
  // The row the new rows end inside keeps its rest where it lies (rows of their own were
  // moved into the blocks before they were read, so it is a block row).
  Slot& s = chunks_[chunk]->slots[slot];
  const std::string_view bytes = s.View();
  const std::size_t rest = bytes.size() - at;
  Slot kept{reinterpret_cast<std::uintptr_t>(bytes.data() + at) | (std::uint64_t{rest} << 48)};
  if (rest >= kLongRow) {
    *spare = LongRow{bytes.data() + at, rest};
    kept = Slot{reinterpret_cast<std::uintptr_t>(spare.release()) | (std::uint64_t{kLongRow} << 48)};
  }
  BlockOf(bytes.data())->live -= at;
  Slot::DropRecord(s);
  s = kept;
}

void RowSlots::JoinPartCut(std::vector<Chunk*>& fresh, std::vector<Chunk*>& pool, std::size_t chunk,
                           std::size_t slot) noexcept {
  // The new rows, then the old ones not taken: the chunk the new rows end in keeps those
  // at its front. Nothing here allocates: the room was reserved.
  if (chunk < chunks_.size()) {
    Chunk* c = chunks_[chunk];
    std::memmove(c->slots, c->slots + slot, (c->size - slot) * sizeof(Slot));
    c->size -= slot;
    c->bytes = LengthsOf(c->slots, c->size);
  }
  for (std::size_t k = chunk; k < chunks_.size(); ++k) fresh.push_back(chunks_[k]);
  for (Chunk* c : pool) FreeChunk(c);
  pool.clear();
  chunks_.swap(fresh);
  Renumber(0);
}

// ---- The whole-text split ----

// One half of a split: its old chunks in order, and the new ones made from them. Old
// chunks are reused for new rows once all their rows are taken.
struct RowSlots::SplitHalf {
  std::vector<Chunk*> in;
  std::size_t next = 0;  // the first old chunk not yet taken
  std::vector<Chunk*> out;
  std::size_t outRows = 0;
  std::vector<Chunk*> pool;
  std::vector<std::size_t> later;  // new rows to cut again, by index in `out`
  std::vector<std::uint64_t> lf;   // bit r: new row r ends with LF
  std::exception_ptr error;
};

void RowSlots::CutHalf(SplitHalf& half, const ChunkCutter& cut, bool mainThread,
                       const std::function<void(std::size_t, std::size_t)>& progress, std::size_t total) {
  half.pool.reserve(half.in.size());
  std::size_t inRows = 0;
  for (const Chunk* c : half.in) inRows += c->size;
  half.lf.reserve(inRows / 40 + 1);  // room for half as many rows again
  std::vector<std::string_view> views(kChunkSlots);
  std::vector<std::uint32_t> pieces;
  Chunk* filling = half.out.empty() ? nullptr : half.out.back();  // the new chunk rows go to
  auto nextChunk = [&half, &filling] {
    Chunk* c = half.pool.empty() ? NewChunk() : half.pool.back();
    try {
      half.out.push_back(c);
    } catch (...) {
      if (half.pool.empty() || half.pool.back() != c) FreeChunk(c);
      throw;
    }
    if (!half.pool.empty() && half.pool.back() == c) half.pool.pop_back();
    c->size = 0;
    c->bytes = 0;
    filling = c;
  };
  // Stores a new row of `length` bytes, `end` being its last byte.
  auto push = [&half, &filling, &nextChunk ](const Slot& s, std::size_t length, const char* end)
      __attribute__((always_inline)) {
    if (filling == nullptr || filling->size == kChunkSlots) nextChunk();
    const std::size_t bit = half.outRows & 63;
    if (bit == 0) half.lf.push_back(0);
    half.lf.back() |= static_cast<std::uint64_t>(end != nullptr && *end == '\n') << bit;
    filling->slots[filling->size++] = s;
    filling->bytes += length;
    ++half.outRows;
  };
  // Takes the new rows back to `rows`, releasing them when they are copies.
  auto truncate = [&half, &filling, this](std::size_t rows, bool copies) {
    while (half.outRows > rows) {
      Chunk* c = half.out.back();
      const Slot s = c->slots[--c->size];
      c->bytes -= s.Length();
      --half.outRows;
      if (copies) {
        Release(s);
      } else {
        Slot::DropRecord(s);
      }
      if (c->size == 0) {
        half.out.pop_back();
        FreeChunk(c);
      }
    }
    filling = half.out.empty() ? nullptr : half.out.back();
  };
  std::size_t done = 0;
  for (; half.next < half.in.size(); ++half.next) {
    Chunk* c = half.in[half.next];
    const std::size_t n = c->size;
    for (std::size_t i = 0; i < n; ++i) views[i] = c->slots[i].View();
    pieces.clear();
    cut(views.data(), n, pieces);
    std::size_t p = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const Slot s = c->slots[i];
      const std::size_t length = views[i].size();
      const char* const data = views[i].data();
      const bool own = s.Own();
      const std::size_t rowStart = half.outRows;
      try {
        if (p >= pieces.size()) throw std::invalid_argument("pieces missing");
        if (pieces[p] == length) {  // most rows stay whole
          ++p;
          push(s, length, length > 0 ? data + length - 1 : nullptr);
          continue;
        }
        if (pieces[p] == kCutLater || pieces[p] == length || (own && !mainThread)) {
          // Whole for now; a row of its own is copied in pieces only here, where the
          // blocks may grow.
          const bool later = pieces[p] != length;
          if (pieces[p] == kCutLater) {
            ++p;
          } else {
            std::size_t sum = 0;
            do {
              sum += pieces.at(p++);
            } while (sum < length);
          }
          push(s, length, length > 0 ? data + length - 1 : nullptr);
          if (later) half.later.push_back(half.outRows - 1);
          continue;
        }
        for (std::size_t off = 0; off < length;) {
          const std::size_t len = p < pieces.size() ? pieces[p++] : 0;
          if (len == 0 || len > length - off) throw std::invalid_argument("pieces do not add up");
          if (own) {
            char* out;
            const Slot copy = PackRoom(len, out);
            std::memcpy(out, data + off, len);
            try {
              push(copy, len, out + len - 1);
            } catch (...) {
              Release(copy);
              throw;
            }
          } else {
            const Slot piece = Slot::Make(data + off, len, false);
            try {
              push(piece, len, data + off + len - 1);
            } catch (...) {
              Slot::DropRecord(piece);
              throw;
            }
          }
          off += len;
        }
        if (own) std::free(const_cast<char*>(data));
        Slot::DropRecord(s);
      } catch (...) {
        // The rows from this one on stay as they were, at the front of their chunk.
        truncate(rowStart, own);
        std::memmove(c->slots, c->slots + i, (n - i) * sizeof(Slot));
        c->size = n - i;
        c->bytes = LengthsOf(c->slots, c->size);
        throw;
      }
    }
    half.pool.push_back(c);
    done += n;
    if (progress) progress(done, total);
  }
  for (Chunk* c : half.pool) FreeChunk(c);
  half.pool.clear();
}

void RowSlots::SplitRowLater(std::size_t index, const ChunkCutter& cut) {
  const Slot s = SlotAt(index);
  const std::string_view view = s.View();
  const std::size_t length = view.size();
  std::vector<std::uint32_t> pieces;
  cut(&view, 1, pieces);
  if (pieces.size() <= 1 || pieces[0] == kCutLater) return;
  const bool own = s.Own();
  std::vector<Slot> made;
  try {
    made.reserve(pieces.size());
    std::size_t off = 0;
    for (const std::size_t len : pieces) {
      if (len == 0 || len > length - off) throw std::invalid_argument("pieces do not add up");
      if (own) {
        char* out;
        const Slot copy = PackRoom(len, out);
        std::memcpy(out, view.data() + off, len);
        try {
          made.push_back(copy);
        } catch (...) {
          Release(copy);
          throw;
        }
      } else {
        const Slot piece = Slot::Make(view.data() + off, len, false);
        try {
          made.push_back(piece);
        } catch (...) {
          Slot::DropRecord(piece);
          throw;
        }
      }
      off += len;
    }
    if (off != length) throw std::invalid_argument("pieces do not add up");
    OpenGap(index + 1, made.size() - 1);
  } catch (...) {
    for (const Slot& m : made) {
      if (own) {
        Release(m);
      } else {
        Slot::DropRecord(m);
      }
    }
    throw;
  }
  const Place p = Locate(index);
  chunks_[p.chunk]->slots[p.offset] = made[0];
  SubBytes(p.chunk, length - pieces[0]);
  std::size_t k = 1;
  ForEachSlot(index + 1, index + made.size(), [&](Slot& slot, std::size_t c) {
    slot = made[k++];
    AddBytes(c, slot.Length());
  });
  if (own) std::free(const_cast<char*>(view.data()));
  Slot::DropRecord(s);
}

void RowSlots::SplitAll(const ChunkCutter& cut, const ChunkCutter* cutSecond,
                        const std::function<void(std::size_t, std::size_t)>& progress,
                        std::vector<std::uint64_t>* lfBits) {
  if (lfBits) lfBits->clear();
  SplitHalf halves[2];
  const std::size_t mid = cutSecond && chunks_.size() >= 2 ? chunks_.size() / 2 : chunks_.size();
  halves[0].in.assign(chunks_.begin(), chunks_.begin() + static_cast<std::ptrdiff_t>(mid));
  halves[1].in.assign(chunks_.begin() + static_cast<std::ptrdiff_t>(mid), chunks_.end());
  const std::size_t firstRows = mid < chunks_.size() ? starts_[mid] : size_;
  std::vector<Chunk*>().swap(chunks_);
  starts_.clear();
  sums_.clear();
  size_ = uniform_ = 0;
  std::thread helper;
  bool helperRuns = false;
  if (!halves[1].in.empty()) {
    try {
      helper = std::thread([this, &halves, cutSecond] {
        try {
          CutHalf(halves[1], *cutSecond, false, {}, 0);
        } catch (...) {
          halves[1].error = std::current_exception();
        }
      });
      helperRuns = true;
    } catch (...) {
    }
  }
  try {
    CutHalf(halves[0], cut, true, progress, firstRows);
  } catch (...) {
    halves[0].error = std::current_exception();
  }
  if (helperRuns) {
    helper.join();
  } else if (!halves[1].in.empty() && !halves[0].error) {
    try {
      CutHalf(halves[1], cut, true, {}, 0);
    } catch (...) {
      halves[1].error = std::current_exception();
    }
  }
  // The rows in order: each half's new chunks, then its old chunks not taken.
  std::size_t laterBase[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    SplitHalf& h = halves[k];
    laterBase[k] = size_;
    chunks_.insert(chunks_.end(), h.out.begin(), h.out.end());
    chunks_.insert(chunks_.end(), h.in.begin() + static_cast<std::ptrdiff_t>(h.next), h.in.end());
    for (Chunk* c : h.pool) FreeChunk(c);
    Renumber(0);
    // An empty chunk can be left where a half stopped at a chunk's first row.
    for (std::size_t c = chunks_.size(); c-- > 0;) {
      if (chunks_[c]->size == 0) {
        FreeChunk(chunks_[c]);
        chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
      }
    }
    Renumber(0);
  }
  for (const SplitHalf& h : halves) {
    if (h.error) std::rethrow_exception(h.error);
  }
  if (lfBits && halves[0].later.empty() && halves[1].later.empty()) {
    // The second half's bits follow the first's.
    std::vector<std::uint64_t>& bits = halves[0].lf;
    const std::size_t shift = halves[0].outRows & 63;
    bits.reserve((size_ + 63) / 64);
    for (const std::uint64_t word : halves[1].lf) {
      if (shift == 0) {
        bits.push_back(word);
      } else {
        bits.back() |= word << shift;
        bits.push_back(word >> (64 - shift));
      }
    }
    bits.resize((size_ + 63) / 64);
    lfBits->swap(bits);
  }
  std::size_t added = 0;
  for (int k = 0; k < 2; ++k) {
    for (const std::size_t row : halves[k].later) {
      const std::size_t before = size_;
      SplitRowLater(laterBase[k] + row + added, cut);
      added += size_ - before;
    }
  }
}

}  // namespace quiret
