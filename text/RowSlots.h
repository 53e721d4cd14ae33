// RowSlots: the physical storage behind TLumoStrings, a slot (bytes, length) per row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace quiret {

// A slot points at its row's bytes. Loaded rows are written back to back into large shared
// blocks and their slots point there; a whole-text wrap or unwrap only moves slot
// boundaries within those bytes (rows adjacent in a block join without a copy), so a large
// file is held once, whatever its layout. Rows made by edits are allocated one by one.
// Each block counts the bytes its slots still use and is given back when none are left.
// Views returned by Get stay valid until that row is replaced or removed.
class RowSlots {
 public:
  // A row's length must stay below 2 GiB (one bit of the length marks a row of its own).
  static constexpr std::size_t kMaxRowBytes = 0x7FFFFFFF;

  RowSlots() = default;
  ~RowSlots();
  RowSlots(const RowSlots&) = delete;
  RowSlots& operator=(const RowSlots&) = delete;

  std::size_t Size() const { return size_; }
  std::string_view Get(std::size_t index) const {
    const Slot& s = slots_[index];
    return {s.data, s.length & kLengthMask};
  }

  // The row is the concatenation of the parts.
  void Append(std::initializer_list<std::string_view> parts);

  // Bulk loading: bytes are added to the open row in the shared blocks, and EndRow closes
  // it as the next row (an empty open row gives an empty row). Throws std::length_error
  // when the open row would reach kMaxRowBytes.
  void AppendBytes(const char* data, std::size_t size);
  void EndRow();
  std::size_t OpenRowSize() const { return static_cast<std::size_t>(blockNext_ - openRow_); }

  // Moves all rows of `other` (no open row in either) to the end, with their blocks.
  void AppendAll(RowSlots& other);

  void Insert(std::size_t index, std::string_view row);
  // Inserts the rows in order before `index`, moving the later slots once.
  void InsertAll(std::size_t index, const std::vector<std::string_view>& rows);
  void Set(std::size_t index, std::string_view row);
  void Erase(std::size_t index);
  // Removes rows [index, index + count) with one move of the later slots.
  void EraseRange(std::size_t index, std::size_t count);
  // Shrinking frees the rows cut off; growing adds empty rows.
  void Resize(std::size_t count);
  void Clear();
  void Reserve(std::size_t count);
  // Cuts the bytes of all rows, taken in order as one stream, into new rows of the given
  // lengths (a length of 0 is an empty row). A new row whose bytes lie side by side in a
  // block points there; only the others are copied. When every old boundary stays (only
  // splits) or every new boundary was one already (only joins), the slots are rewritten in
  // place; otherwise a new slot array is built before the old one goes. Returns false
  // and changes nothing when the lengths do not add up to the bytes held or a row would
  // reach kMaxRowBytes.
  bool Recut(const std::vector<std::uint32_t>& lengths);

  // Bytes held in shared blocks (given back or not yet), for tests and benchmarks.
  std::size_t BlockBytes() const;

 private:
#pragma pack(push, 4)
  struct Slot {
    const char* data;
    std::uint32_t length;  // kOwnBit: `data` is a heap row of its own
  };
#pragma pack(pop)
  static constexpr std::uint32_t kOwnBit = 0x80000000u;
  static constexpr std::uint32_t kLengthMask = 0x7FFFFFFFu;
  struct Block {
    char* start;
    std::size_t size;
    std::size_t live;  // bytes of rows still pointing into the block
  };

  static Slot MakeOwn(std::initializer_list<std::string_view> parts);
  // Room for a row of `length` bytes in the shared blocks, counted as used; `out` is where
  // its bytes go. No open row may be in progress.
  Slot PackRoom(std::size_t length, char*& out);
  void Release(const Slot& slot);
  void ReleaseRange(std::size_t from, std::size_t to);
  Block* BlockOf(const char* p);
  void NewBlock(std::size_t need);
  void Grow(std::size_t count);
  void OpenGap(std::size_t index, std::size_t count);
  bool Split(const std::vector<std::uint32_t>& lengths);
  bool Join(const std::vector<std::uint32_t>& lengths);
  void Rebuild(const std::vector<std::uint32_t>& lengths);

  Slot* slots_ = nullptr;  // malloc'd: growth can then remap instead of copy
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::vector<Block*> blocks_;  // ordered by address
  Block* current_ = nullptr;    // the block bulk rows are written into
  Block* lastFound_ = nullptr;  // BlockOf's last answer: neighbouring rows share blocks
  char* openRow_ = nullptr;     // start of the open row in the current block
  char* blockNext_ = nullptr;
  char* blockEnd_ = nullptr;
  std::size_t blockSize_ = 0;
};

}  // namespace quiret
