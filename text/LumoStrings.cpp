// TLumoStrings: the row list operations, its growth rule, whole-text and comma-text forms.
#include "text/LumoStrings.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <istream>
#include <iterator>
#include <ostream>

#include "text/LineIndex.h"
#include "text/RowFile.h"
#include "text/RowSlots.h"
#include "text/RowSplitter.h"

namespace quiret {
namespace {

// Calls fn(piece, padZero) for each row a text splits into: a piece ends 2 bytes after the
// first CR or zero byte (taking CR LF or the end marker with it), or at the end of the
// text. A CR or zero byte that is the text's last byte is paired with a zero byte, as if
// the text carried a terminating zero: padZero then asks the caller to append it. An
// empty text is one empty piece.
template <typename Fn>
void ForEachPiece(std::string_view text, Fn fn) {
  if (text.empty()) {
    fn(std::string_view(), false);
    return;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = start;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\0') ++stop;
    if (stop == text.size()) {
      fn(text.substr(start), false);
      return;
    }
    std::size_t end = stop + 2;
    fn(text.substr(start, end - start), end > text.size());
    start = end;
  }
}

// Change stamps are unique across all stores, so that a stamp recorded for one store never
// matches another that took its place.
std::uint64_t NextChangeStamp() {
  static std::atomic<std::uint64_t> next{0};
  return next.fetch_add(1, std::memory_order_relaxed) + 1;
}

constexpr std::int32_t kBulkBytesPerRow = 28;  // estimate used to pre-size bulk loads

std::int32_t Estimate(std::size_t bytes) {
  std::size_t rows = bytes / kBulkBytesPerRow;
  return static_cast<std::int32_t>(
      std::min<std::size_t>(rows, static_cast<std::size_t>(TLumoStrings::kMaxListSize) + 1));
}

// A full list grows by a 128th of its rows, but never by fewer than 32 slots.
std::int32_t GrownCapacity(std::int32_t capacity, std::int32_t count) {
  std::int64_t grown = std::int64_t{capacity} + std::max(count / 128, 32);
  return static_cast<std::int32_t>(std::min<std::int64_t>(grown, TLumoStrings::kMaxListSize));
}

std::string FileErrorText(const std::string& fileName, int code) {
  return fileName + ": " + std::strerror(code);
}

}  // namespace

static_assert(TLumoStrings::kMaxRowBytes == RowSlots::kMaxRowBytes);

EListError::EListError() : std::out_of_range("インデックスがリストの範囲を超えています") {}

EListError::EListError(const std::string& what) : std::out_of_range(what) {}

EFileError::EFileError(const std::string& fileName, int errnoValue)
    : std::runtime_error(FileErrorText(fileName, errnoValue)), code_(errnoValue) {}

struct TLumoStrings::Impl {
  RowSlots rows;    // always exactly Count rows; Capacity is bookkeeping on top of it
  LineIndex lines;  // told of every change to `rows`, after it is made
};

TLumoStrings::TLumoStrings() : impl_(new Impl) {}

TLumoStrings::~TLumoStrings() {
  Clear();
  delete impl_;
}

void TLumoStrings::Error() const { throw EListError(); }

std::int32_t TLumoStrings::Add(std::string_view row) {
  changes_ = NextChangeStamp();
  if (count_ == capacity_) {
    if (count_ >= kMaxListSize) Error();
    SetCapacity(GrownCapacity(capacity_, count_));
  }
  const bool lf = EndsWithLf(row);
  impl_->rows.Append({row});
  impl_->lines.Inserted(static_cast<std::size_t>(count_), lf);
  return count_++;
}

void TLumoStrings::Insert(std::int32_t index, std::string_view row) {
  changes_ = NextChangeStamp();
  if (index < 0 || index > count_) Error();
  if (count_ == capacity_) {
    if (count_ >= kMaxListSize) Error();
    SetCapacity(GrownCapacity(capacity_, count_));
  }
  const bool lf = EndsWithLf(row);
  impl_->rows.Insert(static_cast<std::size_t>(index), row);
  impl_->lines.Inserted(static_cast<std::size_t>(index), lf);
  ++count_;
}

void TLumoStrings::InsertText(std::int32_t& index, std::string_view text) {
  changes_ = NextChangeStamp();
  if (index < 0 || index > count_) Error();
  std::int64_t presized = std::int64_t{count_} + Estimate(text.size());
  if (presized > kMaxListSize) Error();
  // Pieces are collected first and inserted in one move of the slots, so a paste of many
  // lines into a long document costs one shift, not one per line.
  std::vector<std::string_view> pieces;
  std::string padded;  // only the text's last piece can need a zero byte added
  ForEachPiece(text, [&](std::string_view piece, bool padZero) {
    if (padZero) {
      padded.assign(piece).push_back('\0');
      piece = padded;
    }
    pieces.push_back(piece);
  });
  if (std::int64_t{count_} + static_cast<std::int64_t>(pieces.size()) > kMaxListSize) Error();
  impl_->rows.InsertAll(static_cast<std::size_t>(index), pieces);
  impl_->lines.InsertedRange(static_cast<std::size_t>(index), pieces.size(), impl_->rows);
  count_ += static_cast<std::int32_t>(pieces.size());
  capacity_ = count_;
  index += static_cast<std::int32_t>(pieces.size()) - 1;
}

void TLumoStrings::Delete(std::int32_t index) {
  changes_ = NextChangeStamp();
  if (index < 0 || index >= count_) Error();
  impl_->rows.Erase(static_cast<std::size_t>(index));
  impl_->lines.Erased(static_cast<std::size_t>(index));
  --count_;
}

void TLumoStrings::DeleteRange(std::int32_t index, std::int32_t count) {
  changes_ = NextChangeStamp();
  if (count <= 0) return;
  if (index < 0 || index >= count_ || count > count_ - index) Error();
  impl_->rows.EraseRange(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
  // A few rows are taken out of the index one by one; many are cheaper to index again.
  if (count <= 256) {
    for (std::int32_t i = 0; i < count; ++i) impl_->lines.Erased(static_cast<std::size_t>(index));
  } else {
    impl_->lines.MarkStale();
  }
  count_ -= count;
}

std::string_view TLumoStrings::Get(std::int32_t index) const {
  if (index < 0 || index >= count_) Error();
  return impl_->rows.Get(static_cast<std::size_t>(index));
}

void TLumoStrings::Put(std::int32_t index, std::string_view row) {
  changes_ = NextChangeStamp();
  if (index < 0 || index >= count_) Error();
  const bool lf = EndsWithLf(row);
  impl_->rows.Set(static_cast<std::size_t>(index), row);
  impl_->lines.Replaced(static_cast<std::size_t>(index), lf);
}

void TLumoStrings::Clear() {
  changes_ = NextChangeStamp();
  // Whatever follows a Clear is a bulk fill (Assign, the loaders): index it in one pass.
  impl_->lines.MarkStale();
  if (capacity_ <= 0) return;
  impl_->rows.Clear();
  count_ = 0;
  capacity_ = 0;
}

void TLumoStrings::AddStrings(const std::vector<std::string>& list) {
  if (std::int64_t{count_} + static_cast<std::int64_t>(list.size()) > kMaxListSize) Error();
  SetCapacity(count_ + static_cast<std::int32_t>(list.size()));
  impl_->rows.Reserve(static_cast<std::size_t>(capacity_));
  impl_->lines.WillInsert(list.size());
  for (const std::string& item : list) Add(item);
}

void TLumoStrings::Assign(const std::vector<std::string>& list) {
  Clear();
  AddStrings(list);
}

void TLumoStrings::Assign(std::vector<std::string>&& list) {
  Assign(static_cast<const std::vector<std::string>&>(list));
  list.clear();
}

void TLumoStrings::Recut(const std::vector<std::uint32_t>& lengths) {
  changes_ = NextChangeStamp();
  if (lengths.size() > static_cast<std::size_t>(kMaxListSize)) Error();
  impl_->lines.MarkStale();
  bool cut = false;
  try {
    cut = impl_->rows.Recut(lengths);
  } catch (...) {
    // Cut in part: the rows hold the same text, in as many rows as there are now.
    count_ = capacity_ = static_cast<std::int32_t>(std::min<std::size_t>(impl_->rows.Size(), kMaxListSize));
    throw;
  }
  if (!cut) Error();
  count_ = capacity_ = static_cast<std::int32_t>(lengths.size());
}

void TLumoStrings::SplitRows(const RowCutter& cut, const RowCutter* cutSecond,
                             const std::function<void(std::int64_t, std::int64_t)>& progress) {
  static_assert(kCutLater == RowSlots::kCutLater && kRowReadSlack == RowSlots::kReadSlack);
  changes_ = NextChangeStamp();
  impl_->lines.MarkStale();
  RowSlots& rows = impl_->rows;
  struct Settle {
    TLumoStrings& s;
    ~Settle() {
      const std::size_t n = s.impl_->rows.Size();
      s.count_ = s.capacity_ = static_cast<std::int32_t>(std::min<std::size_t>(n, kMaxListSize));
    }
  } settle{*this};
  std::vector<std::uint64_t> lf;
  rows.SplitAll(
      cut, cutSecond,
      [&progress](std::size_t done, std::size_t total) {
        if (progress) progress(static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
      },
      &lf);
  if (rows.Size() <= static_cast<std::size_t>(kMaxListSize)) {
    // The split saw where each row ends: the line index needs no pass over the rows.
    if (!lf.empty()) impl_->lines.BuildFromBits(lf, rows.Size());
    return;
  }
  // Too many rows: back to one row per logical line, a row ending with CR LF or the end
  // marker closing each.
  std::vector<std::uint32_t> lines;
  std::size_t length = 0;
  for (std::size_t r = 0; r < rows.Size(); ++r) {
    const std::string_view s = rows.Get(r);
    length += s.size();
    const bool end = s.size() >= 2 && (s[s.size() - 2] == '\r' || s[s.size() - 2] == '\0');
    if (end || r + 1 == rows.Size()) {
      lines.push_back(static_cast<std::uint32_t>(length));
      length = 0;
    }
  }
  rows.Recut(lines);
  Error();
}

void TLumoStrings::SetCount(std::int32_t newCount) {
  changes_ = NextChangeStamp();
  if (newCount < 0 || newCount > kMaxListSize) Error();
  if (newCount > capacity_) SetCapacity(newCount);
  impl_->rows.Resize(static_cast<std::size_t>(newCount));
  impl_->lines.Resized(static_cast<std::size_t>(count_), static_cast<std::size_t>(newCount));
  count_ = newCount;
}

void TLumoStrings::SetCapacity(std::int32_t newCapacity) {
  if (newCapacity > kMaxListSize || newCapacity < count_) Error();
  // The slot array itself grows on demand; Capacity is the number the list reports.
  capacity_ = newCapacity;
}

void TLumoStrings::LoadFromFile(const std::string& fileName) { LoadFromFile(fileName, LoadProgress()); }

void TLumoStrings::LoadFromFile(const std::string& fileName, const LoadProgress& progress) {
  LoadFromFile(fileName, progress, nullptr);
}

void TLumoStrings::LoadFromFile(const std::string& fileName, const LoadProgress& progress,
                                const TextFilter* filter) {
  RowFileReader reader(fileName);  // opens first: a missing file leaves the rows alone
  Clear();                         // also leaves the line index to be built from the rows read
  RowSlots& rows = impl_->rows;
  // One row per ~64 bytes is a fair guess for text; the slot array grows past it if needed.
  rows.Reserve(static_cast<std::size_t>(
      std::min<std::uint64_t>(reader.Size() / 64, static_cast<std::uint64_t>(kMaxListSize))));
  droppedZeroLine_ = 0;
  FillRows(fileName, [&] {
    reader.ReadInto(rows, kMaxListSize, progress, kFileReadBlock, RowFileReader::kTwoThreadBytes, filter);
  });
  droppedZeroLine_ = reader.ZeroLine();
}

std::string TLumoStrings::RowsLoadedSoFar(std::size_t maxRows) const {
  // The reader calls back between blocks, when the rows read so far stand still.
  std::string text;
  const std::size_t n = std::min(maxRows, impl_->rows.Size());
  for (std::size_t i = 0; i < n; ++i) text.append(impl_->rows.Get(i));
  return text;
}

void TLumoStrings::FillRows(const std::string& source, const std::function<void()>& fill) {
  changes_ = NextChangeStamp();
  RowSlots& rows = impl_->rows;
  const std::string name = source.empty() ? std::string() : source + ": ";
  try {
    try {
      fill();
    } catch (const RowSplitter::TooManyRows&) {
      throw ETextTooLarge(name + "行数が多すぎるため開けません（最大 134,217,727 行）");
    } catch (const std::length_error&) {
      throw ETextTooLarge(name + "長すぎる行があるため開けません（1 行は最大 2 GB）");
    }
  } catch (...) {
    // Never leave a half-read document behind: fall back to the empty text.
    rows.Clear();
    rows.Append({kEndMarker});
    count_ = capacity_ = 1;
    throw;
  }
  count_ = capacity_ = static_cast<std::int32_t>(rows.Size());
  wholeLines_ = changes_;  // every fill ends a row only after a line end or at the text's end
}

std::optional<LineEnd> TLumoStrings::LoadedBreak(std::int32_t row) const {
  if (row < 0 || row >= count_) Error();
  return impl_->rows.LoadedBreak(static_cast<std::size_t>(row));
}

void TLumoStrings::SaveToFile(const std::string& fileName) const { WriteRowsToFile(fileName, impl_->rows); }

std::string TLumoStrings::GetText() const {
  std::size_t total = 0;
  for (std::int32_t i = 0; i < count_; ++i) total += impl_->rows.Get(i).size();
  std::string text;
  text.reserve(total);
  for (std::int32_t i = 0; i < count_; ++i) text.append(impl_->rows.Get(i));
  text.resize(total >= 2 ? total - 2 : 0);
  return text;
}

void TLumoStrings::SetText(std::string_view text) {
  Clear();
  SetCapacity(Estimate(text.size()));
  // Bulk rows, as a load makes them: packed into shared blocks, cheap to wrap.
  FillRows("", [&] {
    RowSlots& rows = impl_->rows;
    ForEachPiece(text, [&](std::string_view piece, bool padZero) {
      if (rows.Size() >= static_cast<std::size_t>(kMaxListSize)) Error();
      rows.AppendBytes(piece.data(), piece.size());
      if (padZero) rows.AppendBytes("", 1);
      rows.EndRow();
    });
  });
}

void TLumoStrings::SetRows(const std::function<void(const RowPieceSink& sink)>& each) {
  TLumoStrings fresh;
  fresh.FillRows("", [&] {
    RowSlots& rows = fresh.impl_->rows;
    each([&](std::string_view bytes, bool ends) {
      rows.AppendBytes(bytes.data(), bytes.size());
      if (!ends) return;
      if (rows.Size() >= static_cast<std::size_t>(kMaxListSize)) Error();
      rows.EndRow();
    });
  });
  std::swap(impl_, fresh.impl_);
  std::swap(count_, fresh.count_);
  std::swap(capacity_, fresh.capacity_);
  changes_ = NextChangeStamp();
  wholeLines_ = changes_;
  impl_->lines.MarkStale();
}

void TLumoStrings::LoadFromStream(std::istream& stream) {
  // The same rules as a file: every line end becomes CR LF, the last row ends the text.
  const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  Clear();
  FillRows("", [&] {
    RowSplitter splitter(impl_->rows, kMaxListSize);
    splitter.Feed(bytes.data(), bytes.size());
    splitter.Finish();
  });
}

void TLumoStrings::SaveToStream(std::ostream& stream) const {
  std::string text = GetText();
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TLumoStrings::SetCommaText(std::string_view text) {
  Clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    bool quoted = text[pos] == '"';
    if (quoted) ++pos;
    std::size_t end = pos;
    while (end < text.size()) {
      char c = text[end];
      if (c == '\r' || c == '\0' || c == '"' || (c == ',' && !quoted)) break;
      ++end;
    }
    Add(text.substr(pos, end - pos));
    pos = end + 1 + (quoted ? 1 : 0);
  }
}

std::string TLumoStrings::GetCommaText() const {
  std::string out;
  for (std::int32_t i = 0; i < count_; ++i) {
    std::string_view row = impl_->rows.Get(i);
    bool quote = row.find_first_of(" ,") != std::string_view::npos;
    if (quote) out.push_back('"');
    out.append(row);
    if (quote) out.push_back('"');
    out.push_back(',');
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::int32_t TLumoStrings::LfRowsBefore(std::int32_t row) const {
  if (row < 0 || row > count_) Error();
  if (row == 0) return 0;  // without building the index (a layout asks this of a text just loaded)
  return static_cast<std::int32_t>(impl_->lines.LfRowsBefore(static_cast<std::size_t>(row), impl_->rows));
}

std::int32_t TLumoStrings::RowAfterLfRow(std::int32_t n) const {
  if (n <= 0) return 0;
  const std::size_t row = impl_->lines.RowAfterLfRow(static_cast<std::size_t>(n), impl_->rows);
  const std::int32_t last = std::max(count_ - 1, 0);
  return row == LineIndex::npos || row > static_cast<std::size_t>(last) ? last
                                                                        : static_cast<std::int32_t>(row);
}

std::string TLumoStrings::CheckLineIndex() const { return impl_->lines.Check(impl_->rows); }

std::string TLumoStrings::CheckRowSums() const { return impl_->rows.CheckSums(); }

std::int64_t TLumoStrings::BytesInRows(std::int32_t from, std::int32_t to) const {
  if (from < 0 || from > to || to > count_) Error();
  return static_cast<std::int64_t>(
      impl_->rows.Bytes(static_cast<std::size_t>(from), static_cast<std::size_t>(to)));
}

std::int32_t TLumoStrings::RowHoldingByte(std::int32_t from, std::int64_t n, std::int64_t& before) const {
  if (from < 0 || from > count_ || n < 0) Error();
  std::size_t bytes = 0;
  const std::size_t row =
      impl_->rows.RowHoldingByte(static_cast<std::size_t>(from), static_cast<std::size_t>(n), bytes);
  before = static_cast<std::int64_t>(bytes);
  return static_cast<std::int32_t>(row);
}

std::int32_t TLumoStrings::IndexOf(std::string_view row) const {
  for (std::int32_t i = 0; i < count_; ++i) {
    if (impl_->rows.Get(i) == row) return i;
  }
  return -1;
}

}  // namespace quiret
