// RowSlots: the physical storage behind TLumoStrings, one compact heap block per row.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace quiret {

// A row is a block holding its length and bytes; an empty row is a null slot, so slots that
// were grown but never written cost only a pointer. Rows appended by a loader or made by
// Recut are packed into large shared blocks (no per-row allocation, no allocator overhead)
// that are released together by Clear or the next Recut; replacing or removing a packed
// row leaves its bytes unused until then, which costs at most the size of what was loaded.
// Other rows are allocated one by one and freed at once. Views returned by Get stay valid
// until that row is replaced or removed, because rows never move in memory.
class RowSlots {
 public:
  RowSlots() = default;
  ~RowSlots();
  RowSlots(const RowSlots&) = delete;
  RowSlots& operator=(const RowSlots&) = delete;

  std::size_t Size() const { return slots_.size(); }
  std::string_view Get(std::size_t index) const;

  // The row is the concatenation of the parts (a loader joins carried bytes, new bytes and
  // a terminator without building a temporary string).
  void Append(std::initializer_list<std::string_view> parts);
  // Like Append, for bulk loads: the row goes into the shared blocks.
  void AppendPacked(std::initializer_list<std::string_view> parts);
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
  void Reserve(std::size_t count) { slots_.reserve(count); }
  // Cuts the bytes of all rows, taken in order as one stream, into new rows of the given
  // lengths (a length of 0 is an empty row). The new rows are packed into fresh shared
  // blocks; the old rows and blocks are released only once all new rows are built, so the
  // peak is the old and the new storage together. Returns false and changes nothing when
  // the lengths do not add up to the bytes held.
  bool Recut(const std::vector<std::size_t>& lengths);

 private:
  struct Row;
  static Row* Make(std::initializer_list<std::string_view> parts);
  static void Free(Row* row);
  static const Row* Untag(const Row* row);
  Row* MakePacked(std::initializer_list<std::string_view> parts);
  // Room for a row of `length` (> 0) bytes with its length set, in the shared blocks when
  // it is small enough; the result is tagged as MakePacked's.
  Row* AllocatePacked(std::size_t length);
  void Swap(RowSlots& other) noexcept;

  std::vector<Row*> slots_;
  struct Block {
    void* start;
    std::size_t size;
  };
  std::vector<Block> blocks_;  // shared blocks of packed rows
  char* blockNext_ = nullptr;
  char* blockEnd_ = nullptr;
  std::size_t blockSize_ = 0;
};

}  // namespace quiret
