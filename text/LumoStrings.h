// TLumoStrings: the rows of one document, with loading and saving of text files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/TextFormat.h"

namespace quiret {

struct TextFilter;

// Raised for an index outside the store; the store is unchanged when it is raised.
class EListError : public std::out_of_range {
 public:
  EListError();

 protected:
  explicit EListError(const std::string& what);
};

// Raised when a file or text holds more rows, or a longer line, than the store can take;
// the message names the file and the limit. Nothing of it is kept.
class ETextTooLarge : public EListError {
 public:
  explicit ETextTooLarge(const std::string& what) : EListError(what) {}
};

// Raised when a file cannot be opened, read or written; carries the system's error text
// and the file name.
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& fileName, int errnoValue);
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

// A row that ends its logical line: its last byte is LF (of its CR LF).
inline bool EndsWithLf(std::string_view row) { return !row.empty() && row.back() == '\n'; }

// Rows are code page 932 byte strings that carry their terminator: CR LF ends a line, two
// zero bytes (the end marker) end the text, no terminator continues the line in the next row.
// Row views returned by Get stay valid until that row is changed or removed.
class TLumoStrings {
 public:
  static constexpr std::int32_t kMaxListSize = 134217727;
  static constexpr std::string_view kEndMarker{"\0\0", 2};
  // A row holds fewer bytes than this.
  static constexpr std::size_t kMaxRowBytes = 0x7FFFFFFF;

  TLumoStrings();
  virtual ~TLumoStrings();
  TLumoStrings(const TLumoStrings&) = delete;
  TLumoStrings& operator=(const TLumoStrings&) = delete;

  std::int32_t Count() const { return count_; }
  // A new stamp, unique among all stores, with every change of the rows (not of Capacity
  // alone): an equal value means the same store with the same rows.
  std::uint64_t Changes() const { return changes_; }
  std::int32_t Capacity() const { return capacity_; }
  // Whether every row but the last is known to end a line (with CR LF or the end marker)
  // without looking at the rows: after a load or SetText, until the rows change.
  bool LinesWhole() const { return wholeLines_ == changes_; }

  std::int32_t Add(std::string_view row);
  void Insert(std::int32_t index, std::string_view row);
  // Splits text into rows and inserts them from index on; index ends on the last piece.
  void InsertText(std::int32_t& index, std::string_view text);
  void Delete(std::int32_t index);
  // Deletes rows [index, index + count) at the cost of one Delete (a large selection
  // removed from the middle of a long text moves the later rows once).
  void DeleteRange(std::int32_t index, std::int32_t count);
  std::string_view Get(std::int32_t index) const;
  virtual void Put(std::int32_t index, std::string_view row);
  void Clear();
  void AddStrings(const std::vector<std::string>& list);
  void Assign(const std::vector<std::string>& list);
  void Assign(std::vector<std::string>&& list);
  // Cuts the text into new rows in one pass: the bytes of all rows, in order, become rows
  // of lengths[0], lengths[1], ... bytes (a whole-text wrap splits rows, an unwrap joins
  // them; no byte is added or lost). Count and Capacity become the number of lengths, as
  // with Assign. Old rows are released as the new ones pass them (on a failure to get memory,
  // the rows hold the same text, cut in part). Raises
  // the index error and changes nothing when there would be more than kMaxListSize rows or
  // the lengths do not add up to the bytes held.
  void Recut(const std::vector<std::uint32_t>& lengths);
  // Splits every row into pieces in one pass, without moving the bytes of loaded rows (a
  // whole-text wrap). `cut` is given runs of rows, each readable kRowReadSlack bytes past
  // its end, and appends, for each row in order, the
  // lengths of its pieces (adding up to the row's length; one piece leaves the row whole).
  // With `cutSecond`, the second half of the rows is cut by it at once on another thread;
  // it may answer kCutLater for a row, which `cut` then cuts here afterwards. `progress`
  // hears the fraction of the rows done. Raises the index error, with every logical line
  // joined into one row, when there would be more than kMaxListSize rows.
  using RowCutter = std::function<void(const std::string_view* rows, std::size_t count,
                                       std::vector<std::uint32_t>& pieces)>;
  static constexpr std::uint32_t kCutLater = 0xFFFFFFFFu;
  static constexpr std::size_t kRowReadSlack = 16;
  void SplitRows(const RowCutter& cut, const RowCutter* cutSecond,
                 const std::function<void(std::int64_t done, std::int64_t total)>& progress);

  virtual void SetCount(std::int32_t newCount);
  virtual void SetCapacity(std::int32_t newCapacity);

  virtual void LoadFromFile(const std::string& fileName);
  // Progress of a long load: bytes read so far and the file's size, after each block read.
  using LoadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
  void LoadFromFile(const std::string& fileName, const LoadProgress& progress);
  // From within the progress callback of a load: the text of the first rows read so far
  // (at most maxRows, each a whole line with its CR LF).
  std::string RowsLoadedSoFar(std::size_t maxRows) const;
  // The same with the rows made of the text `filter` makes of the file's bytes (a file in
  // another encoding).
  void LoadFromFile(const std::string& fileName, const LoadProgress& progress, const TextFilter* filter);
  // After LoadFromFile: the line (from 1) of the first zero byte of the file, which the rows
  // leave out (a save would not give it back); 0 when there was none.
  std::uint64_t DroppedZeroLine() const { return droppedZeroLine_; }
  // The break a loaded file had at the end of `row`, while the row is the loaded line's last
  // (not edited, not made anew since); nothing for any other row.
  std::optional<LineEnd> LoadedBreak(std::int32_t row) const;
  virtual void SaveToFile(const std::string& fileName) const;
  virtual std::string GetText() const;
  virtual void SetText(std::string_view text);
  // Replaces the rows by those `each` hands over in pieces, each row's bytes with its
  // terminator (the last with the end marker), `ends` set on a row's last piece: rows as
  // they stand, packed into shared blocks as a load packs them. The pieces may be views of
  // the rows being replaced: those go only once all are read.
  using RowPieceSink = std::function<void(std::string_view bytes, bool ends)>;
  void SetRows(const std::function<void(const RowPieceSink& sink)>& each);
  virtual void LoadFromStream(std::istream& stream);
  virtual void SaveToStream(std::ostream& stream) const;
  virtual void SetCommaText(std::string_view text);
  virtual std::string GetCommaText() const;
  virtual std::int32_t IndexOf(std::string_view row) const;
  [[noreturn]] virtual void Error() const;

  // Logical lines: a line ends with each row whose last byte is LF. Both take logarithmic
  // time; the first call after a bulk change (a load, Assign, Recut, SetText) indexes the
  // rows in one pass first.
  // Rows of [0, row) ending with LF, i.e. the logical line of `row`; 0 <= row <= Count().
  std::int32_t LfRowsBefore(std::int32_t row) const;
  // The first row of logical line n: the row after the n-th LF-ending row; 0 for n <= 0. It
  // is clamped to the last row, which it is also when there are fewer than n such rows (0
  // for an empty store).
  std::int32_t RowAfterLfRow(std::int32_t n) const;

  // Bytes of rows [from, to), 0 <= from <= to <= Count(), without reading every row
  // between: the store keeps the sum of each run of rows it holds together.
  std::int64_t BytesInRows(std::int32_t from, std::int32_t to) const;
  // The row holding byte n (n >= 0) counted from the start of row `from` (0 <= from <=
  // Count()), with `before` set to the bytes of the rows from `from` up to it; Count() and
  // all those bytes when there are not more than n.
  std::int32_t RowHoldingByte(std::int32_t from, std::int64_t n, std::int64_t& before) const;

  // Checks the row model: Count <= Capacity, only the last row ends with the end marker,
  // no row is empty, CR and LF appear only as a CR LF terminator. Returns "" when sound,
  // else a description of the first fault. Tests call it after every operation. It also
  // compares the line index with the rows.
  std::string CheckInvariant() const;

 private:
  std::string CheckLineIndex() const;
  std::string CheckRowSums() const;

  // Implementation-defined row storage (see LumoStrings.cpp).
  // Runs a bulk fill of the (cleared) rows and settles the counts; a failure leaves the
  // empty text and is passed on (too many rows or too long a line as ETextTooLarge naming
  // `source`).
  void FillRows(const std::string& source, const std::function<void()>& fill);

  struct Impl;
  Impl* impl_;
  std::int32_t count_ = 0;
  std::uint64_t changes_ = 0;
  std::uint64_t wholeLines_ = 0;  // the stamp of the rows a bulk fill left whole
  std::int32_t capacity_ = 0;
  std::uint64_t droppedZeroLine_ = 0;
};

}  // namespace quiret
