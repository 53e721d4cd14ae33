// Row blocks for the line store: allocation, replacement and release of rows.
#include "text/RowSlots.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace quiret {

// A row block: the length, then the bytes directly behind it.
struct RowSlots::Row {
  std::size_t length;
  char* Bytes() { return reinterpret_cast<char*>(this + 1); }
  const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
};

RowSlots::~RowSlots() { Clear(); }

RowSlots::Row* RowSlots::Make(std::initializer_list<std::string_view> parts) {
  std::size_t length = 0;
  for (std::string_view p : parts) length += p.size();
  if (length == 0) return nullptr;
  // malloc rather than new: one block of exactly the header and the bytes.
  void* block = std::malloc(sizeof(Row) + length);
  if (!block) throw std::bad_alloc();
  Row* row = static_cast<Row*>(block);
  row->length = length;
  char* out = row->Bytes();
  for (std::string_view p : parts) {
    if (!p.empty()) std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
  return row;
}

void RowSlots::Free(Row* row) { std::free(row); }

std::string_view RowSlots::Get(std::size_t index) const {
  const Row* row = slots_[index];
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

void RowSlots::Resize(std::size_t count) {
  for (std::size_t i = count; i < slots_.size(); ++i) Free(slots_[i]);
  slots_.resize(count, nullptr);
}

void RowSlots::Clear() {
  for (Row* row : slots_) Free(row);
  // Release the slot array itself too: a cleared store holds no capacity.
  std::vector<Row*>().swap(slots_);
}

}  // namespace quiret
