// RowSlots: the physical storage behind TLumoStrings, an eight-byte slot (bytes, length) per row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/TextFormat.h"

namespace quiret {

// A slot points at its row's bytes. Loaded rows are written back to back into large shared
// blocks and their slots point there; a whole-text wrap or unwrap only moves slot
// boundaries within those bytes (rows adjacent in a block join without a copy), so a large
// file is held once, whatever its layout. Rows made by edits are allocated one by one.
// Each block counts the bytes its slots still use and is given back when none are left.
// The slots live in chunks of at most kChunkSlots, so inserting or removing a row moves
// the slots of one chunk and the start indexes of the chunks after it, never all rows.
// Views returned by Get stay valid until that row is replaced or removed.
class RowSlots {
 public:
  // A row's length must stay below 2 GiB.
  static constexpr std::size_t kMaxRowBytes = 0x7FFFFFFF;
  static constexpr std::size_t kChunkShift = 11;
  static constexpr std::size_t kChunkSlots = std::size_t{1} << kChunkShift;
  // Rows shorter than this keep their length in the slot itself; longer ones in a record.
  static constexpr std::size_t kLongRow = 0x7FFF;
  // Every row's bytes can be read this far past its end (what lies there means nothing), so
  // that a scan may load whole words without copying a row's last bytes first.
  static constexpr std::size_t kReadSlack = 16;

  RowSlots() = default;
  ~RowSlots();
  RowSlots(const RowSlots&) = delete;
  RowSlots& operator=(const RowSlots&) = delete;

  std::size_t Size() const { return size_; }
  std::string_view Get(std::size_t index) const {
    const Slot& s = index < uniform_ ? chunks_[index >> kChunkShift]->slots[index & (kChunkSlots - 1)]
                                     : SlotAfterUniform(index);
    return s.View();
  }

  // The row is the concatenation of the parts.
  void Append(std::initializer_list<std::string_view> parts);

  // Bulk loading: bytes are added to the open row in the shared blocks, and EndRow closes
  // it as the next row (an empty open row gives an empty row). Throws std::length_error
  // when the open row would reach kMaxRowBytes. The bytes may lie in the free part of the
  // current block at or after the open row's end (see Room).
  void AppendBytes(const char* data, std::size_t size);
  void EndRow();
  std::size_t OpenRowSize() const { return static_cast<std::size_t>(blockNext_ - openRow_); }
  // Where the open row's next `size` bytes would go (the open row may move to make room):
  // bytes a caller reads there are added by AppendBytes of that address without a copy.
  char* Room(std::size_t size);
  // How many bytes fit after the open row without moving it.
  std::size_t RoomLeft() const { return static_cast<std::size_t>(blockEnd_ - blockNext_); }

  // Moves all rows of `other` (no open row in either) to the end, with their blocks.
  void AppendAll(RowSlots& other);

  void Insert(std::size_t index, std::string_view row);
  // Inserts the rows in order before `index`.
  void InsertAll(std::size_t index, const std::vector<std::string_view>& rows);
  void Set(std::size_t index, std::string_view row);
  void Erase(std::size_t index);
  // Removes rows [index, index + count).
  void EraseRange(std::size_t index, std::size_t count);
  // Shrinking frees the rows cut off; growing adds empty rows.
  void Resize(std::size_t count);
  void Clear();
  void Reserve(std::size_t count);
  // Cuts the bytes of all rows, taken in order as one stream, into new rows of the given
  // lengths (a length of 0 is an empty row). A new row whose bytes lie side by side in a
  // block points there; only the others are copied (a row of its own is moved into the
  // blocks). Old rows are released as the new ones pass them, so the two slot arrays are
  // never held whole at once. Returns false and changes nothing when the lengths do not
  // add up to the bytes held or a row would reach kMaxRowBytes. On an exception the rows
  // hold the same bytes: the new rows made so far, then the old ones (the first perhaps
  // only in part).
  bool Recut(const std::vector<std::uint32_t>& lengths);

  // Cuts `count` rows given as views (readable kReadSlack bytes past their ends): appends,
  // for each row in order, the
  // lengths of its pieces, which add up to the row's length (one piece: the row stays).
  // kCutLater as a row's one piece leaves it whole for now and asks for it to be cut again
  // by the first cutter, on the calling thread, once all rows are done.
  using ChunkCutter = std::function<void(const std::string_view* rows, std::size_t count,
                                         std::vector<std::uint32_t>& pieces)>;
  static constexpr std::uint32_t kCutLater = 0xFFFFFFFFu;
  // Splits every row into the pieces `cut` gives for it, rewriting the slots chunk by chunk
  // (a piece of a block row points into it; a piece of a row of its own is copied into the
  // blocks). With `cutSecond`, the second half of the chunks is cut at once on another
  // thread by it. `progress` hears the rows of the first half done after each chunk. On an
  // exception the rows hold the same bytes, some cut and the others not. With `lfBits`, it
  // gets one bit per row, set where the row ends with LF, or stays empty when no bits are
  // known (a row was cut afterwards).
  void SplitAll(const ChunkCutter& cut, const ChunkCutter* cutSecond,
                const std::function<void(std::size_t done, std::size_t total)>& progress = {},
                std::vector<std::uint64_t>* lfBits = nullptr);

  // ---- Line ends as a loaded file had them (RowSlotsBreaks.cpp) ----
  // Every loaded line is stored with CR LF; its file's break is noted at the address of that
  // LF, in the block the load wrote it to. Loaded bytes never move while a row points at
  // them, so an untouched line keeps its note through edits elsewhere, wraps and undo,
  // whereas an edited line's row is new bytes without one. Each block keeps only the notes
  // that differ from its first, so a file of one style costs a compare per line.
  void NoteBreak(const char* lf, LineEnd style) {
    if (lf >= markFrom_ && lf < markTo_ && style == markBase_) return;
    NoteBreakInBlock(lf, style);
  }
  // Where the next bulk row's bytes go (after the last closed row's LF).
  const char* BulkEnd() const { return blockNext_; }
  // The end of a load: bytes written into its last block later have no break noted.
  void CloseBreaks();
  // The break the file had at the end of row `index`, for a row that ends with the LF of a
  // loaded line; nothing for any other row.
  std::optional<LineEnd> LoadedBreak(std::size_t index) const;

  // Bytes held in shared blocks (given back or not yet), for tests and benchmarks.
  std::size_t BlockBytes() const;
  // Chunks holding the slots, for tests.
  std::size_t ChunkCount() const { return chunks_.size(); }
  // The most chunks all stores held at once since the last call (for tests).
  static std::size_t TakeChunkPeak();

  // Byte counts without reading every row: each chunk keeps the sum of its rows' lengths,
  // so these read the rows of at most two chunks and the sums of the chunks between.
  // The bytes of rows [from, to), from <= to <= Size().
  std::size_t Bytes(std::size_t from, std::size_t to) const;
  // The first row r >= from whose last byte lies at or past byte n counted from row from's
  // start (the row holding that byte), with `before` set to the bytes of rows [from, r);
  // Size() and all the bytes from `from` on when there are not more than n of them.
  std::size_t RowHoldingByte(std::size_t from, std::size_t n, std::size_t& before) const;
  // "" when every chunk's byte sum matches its rows, else the first fault (for checks).
  std::string CheckSums() const;

 private:
  // A row in eight bytes: the address of its bytes in the low 48 bits (all that user space
  // addresses use), its length in the next 15 and, in the top bit, whether the bytes are a
  // heap row of its own. A row of kLongRow bytes or more keeps in the address bits a record
  // of its own with its address and length (such rows are rare: the slot of a wrapped row
  // is never one, unless the wrap column is that wide).
  struct LongRow {
    const char* data;
    std::size_t length;
  };
  struct Slot {
    static constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << 48) - 1;
    static constexpr std::uint64_t kOwnBit = std::uint64_t{1} << 63;
    std::uint64_t bits;

    bool Own() const { return (bits & kOwnBit) != 0; }
    bool Long() const { return ((bits >> 48) & kLongRow) == kLongRow; }
    std::string_view View() const {
      const std::size_t length = (bits >> 48) & kLongRow;
      const auto* at = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(bits & kAddressMask));
      if (length != kLongRow) return {at, length};
      const auto* record = reinterpret_cast<const LongRow*>(at);
      return {record->data, record->length};
    }
    const char* Data() const { return View().data(); }
    std::size_t Length() const { return View().size(); }
    // A slot for `length` bytes at `data` (an empty one when length is 0). Throws
    // std::bad_alloc when the record of a long row cannot be made or the address does not
    // fit in 48 bits; nothing is held then.
    static Slot Make(const char* data, std::size_t length, bool own) {
      const auto address = reinterpret_cast<std::uintptr_t>(data);
      if (length - 1 < kLongRow - 1 && address <= kAddressMask)
        return Slot{address | (std::uint64_t{length} << 48) | (own ? kOwnBit : 0)};
      return MakeOther(data, length, own);
    }
    // Make for an empty or long row, or an address that does not fit.
    static Slot MakeOther(const char* data, std::size_t length, bool own);
    // Frees the record of a long row, not its bytes (the bytes go with Release).
    static void DropRecord(const Slot& s) noexcept {
      if (s.Long()) delete reinterpret_cast<LongRow*>(static_cast<std::uintptr_t>(s.bits & kAddressMask));
    }
    static constexpr Slot Empty() { return Slot{0}; }
  };
  static_assert(sizeof(Slot) == 8);
  // The breaks noted in one block: its first one's style, and the others that differ, by
  // the offset of their LF (offset << 2 | style, in order). Offsets from `end` on hold rows
  // written after the load.
  struct BreakNotes {
    LineEnd base;
    std::size_t end = SIZE_MAX;
    std::vector<std::uint64_t> others;
  };
  struct Block {
    char* start;
    std::size_t size;
    std::size_t live;  // bytes of rows still pointing into the block
    std::unique_ptr<BreakNotes> breaks = nullptr;
  };
  struct Chunk {
    std::size_t size;
    std::size_t bytes;  // the lengths of its rows added up
    bool pooled;        // from the huge-page pool, not the heap
    Slot slots[kChunkSlots];
  };
  struct Place {
    std::size_t chunk;
    std::size_t offset;
  };
  struct SplitHalf;

  // ---- chunks (RowSlots.cpp) ----
  static Chunk* NewChunk();
  static void FreeChunk(Chunk* c);
  const Slot& SlotAfterUniform(std::size_t index) const;
  Slot& SlotAt(std::size_t index) {
    return const_cast<Slot&>(static_cast<const RowSlots*>(this)->SlotAt(index));
  }
  const Slot& SlotAt(std::size_t index) const {
    return index < uniform_ ? chunks_[index >> kChunkShift]->slots[index & (kChunkSlots - 1)]
                            : SlotAfterUniform(index);
  }
  // The chunk and offset of row `index` <= size_ (size_ gives the end of the last chunk).
  Place Locate(std::size_t index) const;
  // Start indexes, byte sums and the uniform prefix again, from chunk `from` on.
  void Renumber(std::size_t from);
  // The lengths of slots [from, to) of a chunk added up, reading the fewer slots: those
  // inside the range or those outside it.
  static std::size_t SumSlots(const Chunk* c, std::size_t from, std::size_t to);
  static std::size_t LengthsOf(const Slot* slots, std::size_t count);
  // A slot written into a gap or over another: its chunk's sum follows.
  void AddBytes(std::size_t chunk, std::size_t n) {
    chunks_[chunk]->bytes += n;
    sums_[chunk] += n;
  }
  void SubBytes(std::size_t chunk, std::size_t n) {
    chunks_[chunk]->bytes -= n;
    sums_[chunk] -= n;
  }
  // Puts a made slot into a gap OpenGap left at `index`.
  void FillGap(std::size_t index, const Slot& s);
  // Room for `count` slots at `index`, which the caller fills (they hold garbage).
  void OpenGap(std::size_t index, std::size_t count);
  void PushSlot(const Slot& s);
  // Joins chunk c with a neighbour when both are small.
  void Tidy(std::size_t c);
  void FreeAllChunks();
  // Calls fn(slot, chunk index) for rows [from, to).
  template <typename Fn>
  void ForEachSlot(std::size_t from, std::size_t to, Fn fn);

  // ---- blocks (RowSlots.cpp) ----
  static Slot MakeOwn(std::initializer_list<std::string_view> parts);
  // Room for a row of `length` bytes in the shared blocks, counted as used; `out` is where
  // its bytes go. No open row may be in progress.
  Slot PackRoom(std::size_t length, char*& out);
  void Release(const Slot& slot);
  Block* BlockOf(const char* p);
  void NewBlock(std::size_t need);
  // Room for `size` more bytes of the open row, which may move.
  void MakeRoom(std::size_t size);

  // ---- breaks (RowSlotsBreaks.cpp) ----
  void NoteBreakInBlock(const char* lf, LineEnd style);
  // A block is about to be freed: no cached answer may point at it.
  void ForgetBlock(const Block* b) noexcept;

  // ---- cutting (RowSlotsCut.cpp) ----
  // After an exception in Recut: the row the new rows end inside keeps only its rest (with
  // `spare` as its record if it needs one), and the cursor moves past the rows taken.
  void KeepPartCut(std::vector<Chunk*>& fresh, std::vector<Chunk*>& pool, std::size_t& chunk,
                   std::size_t& slot, std::size_t at, std::unique_ptr<LongRow>& spare) noexcept;
  // Then the new rows and the old ones from (chunk, slot) on become the rows.
  void JoinPartCut(std::vector<Chunk*>& fresh, std::vector<Chunk*>& pool, std::size_t chunk,
                   std::size_t slot) noexcept;
  void CutHalf(SplitHalf& half, const ChunkCutter& cut, bool mainThread,
               const std::function<void(std::size_t, std::size_t)>& progress, std::size_t total);
  void SplitRowLater(std::size_t index, const ChunkCutter& cut);

  std::vector<Chunk*> chunks_;
  std::vector<std::size_t> starts_;  // first row of each chunk
  std::vector<std::size_t> sums_;    // each chunk's byte sum, side by side for quick adding
  std::size_t size_ = 0;
  std::size_t uniform_ = 0;     // rows [0, uniform_) lie in full chunks: index >> kChunkShift finds them
  std::vector<Block*> blocks_;  // ordered by address
  Block* current_ = nullptr;    // the block bulk rows are written into
  Block* lastFound_ = nullptr;  // BlockOf's last answer: neighbouring rows share blocks
  char* openRow_ = nullptr;     // start of the open row in the current block
  char* blockNext_ = nullptr;
  char* blockEnd_ = nullptr;
  std::size_t blockSize_ = 0;
  // The block the last break was noted in, and its first style: the common case needs no
  // look-up. breakHint_ is the last block LoadedBreak found.
  const char* markFrom_ = nullptr;
  const char* markTo_ = nullptr;
  LineEnd markBase_ = LineEnd::CrLf;
  mutable const Block* breakHint_ = nullptr;
};

template <typename Fn>
void RowSlots::ForEachSlot(std::size_t from, std::size_t to, Fn fn) {
  if (from >= to) return;
  Place p = Locate(from);
  for (std::size_t i = from; i < to; ++i) {
    while (p.offset == chunks_[p.chunk]->size) ++p.chunk, p.offset = 0;
    fn(chunks_[p.chunk]->slots[p.offset++], p.chunk);
  }
}

}  // namespace quiret
