// Row storage: cutting the bytes of all rows into new rows (any cut, and the whole-text split).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>

#include "text/RowSlots.h"

namespace quiret {

// ---- Any cut ----

// A new slot array is built chunk by chunk, its rows pointing into the blocks wherever
// their bytes lie side by side there; only the rest is copied. The old slots are released
// once all new ones are made.
bool RowSlots::Recut(const std::vector<std::uint32_t>& lengths) {
  std::size_t total = 0;
  for (const std::size_t length : lengths) {
    if (length >= kMaxRowBytes) return false;
    total += length;
  }
  std::size_t held = 0;
  for (const Chunk* c : chunks_) held += c->bytes;
  if (total != held || OpenRowSize() > 0) return false;

  std::vector<Chunk*> fresh;
  std::size_t made = 0;
  auto freshSlot = [&fresh](std::size_t k) -> Slot& {
    return fresh[k >> kChunkShift]->slots[k & (kChunkSlots - 1)];
  };
  auto drop = [&] {
    for (std::size_t k = 0; k < made; ++k) Release(freshSlot(k));
    for (Chunk* c : fresh) FreeChunk(c);
  };
  // The old rows are read through a cursor: chunk, slot in it, byte in the slot.
  struct Cursor {
    std::size_t chunk = 0, slot = 0, at = 0;
  };
  auto slotAt = [this](const Cursor& c) -> const Slot& { return chunks_[c.chunk]->slots[c.slot]; };
  auto lengthAt = [&](const Cursor& c) { return slotAt(c).Length(); };
  auto skipDone = [&](Cursor& c) {
    while (c.chunk < chunks_.size() && c.at == lengthAt(c)) {
      c.at = 0;
      if (++c.slot == chunks_[c.chunk]->size) ++c.chunk, c.slot = 0;
    }
  };
  try {
    const std::size_t n = (lengths.size() + kChunkSlots - 1) / kChunkSlots;
    fresh.reserve(n);
    starts_.reserve(n);
    sums_.reserve(n);
    while (fresh.size() < n) fresh.push_back(NewChunk());
    Cursor cur;
    for (const std::size_t length : lengths) {
      if (length == 0) {
        freshSlot(made++) = Slot::Empty();
        continue;
      }
      skipDone(cur);
      const char* start = slotAt(cur).Data() + cur.at;
      bool adjacent = true;
      Cursor end = cur;
      const char* expect = start;
      for (std::size_t need = length; need > 0;) {
        skipDone(end);
        const std::string_view s = slotAt(end).View();
        adjacent = adjacent && !slotAt(end).Own() && s.data() + end.at == expect;
        const std::size_t take = std::min(need, s.size() - end.at);
        expect = s.data() + end.at + take;
        end.at += take;
        need -= take;
      }
      if (adjacent) {
        const Slot slot = Slot::Make(start, length, false);
        BlockOf(start)->live += length;
        freshSlot(made++) = slot;
      } else {
        char* out;
        freshSlot(made++) = PackRoom(length, out);
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
    }
  } catch (...) {
    drop();
    throw;
  }
  for (std::size_t k = 0; k < fresh.size(); ++k) {
    const std::size_t first = k << kChunkShift;
    fresh[k]->size = std::min(kChunkSlots, lengths.size() - first);
    std::size_t bytes = 0;
    for (std::size_t r = first; r < first + fresh[k]->size; ++r) bytes += lengths[r];
    fresh[k]->bytes = bytes;
  }
  for (Chunk* c : chunks_) {
    for (std::size_t i = 0; i < c->size; ++i) Release(c->slots[i]);
  }
  FreeAllChunks();
  chunks_.swap(fresh);
  Renumber(0);
  return true;
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
