// The recovery journal's file format: a header naming the document and its base, a fixed
// slot for the base's hash, then self-delimiting records, each with a checksum, so that a
// torn or damaged tail is found and everything before it is kept.
//
//   magic "QrJrnl01" | header record | hash slot (16 bytes) | records... | zeros...
//   record: type (1) | payload length (8, little-endian) | payload | check (4)
//   check: the low 32 bits of Hash64 over type, length and payload
//   group: a record whose payload is the edit records of one step, so that a replay applies
//   all of them or none
//   base: right after the hash slot, room for the base file's bytes, reserved at the first
//   change with the type 'b' (nothing in it yet) and filled by another thread, whose last
//   store turns the type into 'B'; a journal with a base stands on its own, whatever
//   becomes of the file
//   zeros: the room a writer allocated ahead, where a record it was killed while copying
//   still has a zero first byte (its type is copied last); a zero where a record would start
//   ends the records, and is not damage
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileHash.h"
#include "platform/Hash64.h"
#include "platform/JournalFile.h"

namespace quiret {

// What a journal's document started from: a file as it was read or saved, or nothing (a new
// document, rebuilt from the journal alone).
struct JournalHeader {
  bool hasFile = false;
  std::string path;
  std::string caption;  // the tab's caption when the journal began (UTF-8)
  FileIdentity base;
  std::int64_t openedNs = 0;  // when the document was opened or made in its tab (orders tabs)
  std::uint32_t pid = 0;
  // The encoding the file is read in when the journal is replayed onto it, by its iconv name
  // ("": as any open chooses). Journals written without it read as "".
  std::string encoding;
};

// One change: at a logical position, `removedLen` bytes went (their hash tells which) and
// `inserted` came.
struct EditRecord {
  std::int32_t line = 0;
  std::int32_t offset = 0;
  std::uint64_t removedLen = 0;
  std::uint32_t removedHash = 0;
  std::string inserted;
};

enum class RecordType : char {
  Header = 'H',
  Edit = 'E',
  Snapshot = 'S',
  Group = 'G',
  Base = 'B',         // the base file's bytes, as they were read
  BaseReserved = 'b'  // room for them, not filled (yet)
};

// Documents up to this size get their base file's bytes into the journal at the first change.
inline constexpr std::uint64_t kBaseRecordMax = std::uint64_t{64} << 20;

inline constexpr std::size_t kHashSlotBytes = 16;
inline constexpr std::size_t kRecordFrameBytes = 1 + 8 + 4;  // type, length, check

// The check of removed bytes an edit record carries.
std::uint32_t RemovedHash(std::string_view removed);

// The journal's first bytes: magic, header record and the hash slot (known or not).
std::string EncodeJournalStart(const JournalHeader& header, std::optional<std::uint64_t> baseHash);
// Where the hash slot starts in a journal that begins with EncodeJournalStart(header, ...).
std::uint64_t HashSlotOffset(const JournalHeader& header);
std::string EncodeHashSlot(std::optional<std::uint64_t> baseHash);
// Appends an edit record to `out`.
void EncodeEdit(std::string& out, std::int32_t line, std::int32_t offset, std::string_view removed,
                std::string_view inserted);

// A group is built in place: its edit records are encoded after kGroupLead bytes left free,
// and CloseGroup frames them (a step of one change is written as its edit record alone).
inline constexpr std::size_t kGroupLead = 1 + 8;
void CloseGroup(std::string& buffer);

// The frame of a base record of `size` bytes, reserved: its type says nothing is in it yet.
std::string EncodeBaseReserved(std::uint64_t size);
// The check a filled base record of `size` bytes carries, once `payload` has seen its bytes;
// `payload` must start as BaseCheckStart(size).
Hash64 BaseCheckStart(std::uint64_t size);
std::uint32_t CheckOf(const Hash64& payload);

// Writes a snapshot record of `size` bytes that `each` hands over in pieces (it is called
// once); returns 0 or the errno of the first failed append.
int WriteSnapshot(JournalFile& file, std::uint64_t size,
                  const std::function<void(const std::function<void(std::string_view)>&)>& each);

enum class JournalDamage {
  None,
  Truncated,  // the last record is incomplete (the writer died while appending)
  Corrupt,    // a record's check or framing is wrong
};

// Reads a journal from its start, record after record; stops at the first damage.
class JournalReader {
 public:
  explicit JournalReader(const JournalFile& file);
  // False when the file does not start with a sound header (then nothing can be read).
  bool ReadHeader(JournalHeader& header, std::optional<std::uint64_t>& baseHash);
  // The next record; false at the end or at damage. `edits` receives the changes of an edit
  // (one) or a group; `type` says which. A snapshot's or a base's bytes are not read here
  // (they can be large): PayloadAt and PayloadSize say where they are, and ReadPayload reads
  // them once, checking them as it goes.
  bool Next(RecordType& type, std::vector<EditRecord>& edits);
  std::uint64_t PayloadAt() const { return recordStart_ + 9; }
  std::uint64_t PayloadSize() const { return position_ - recordStart_ - kRecordFrameBytes; }
  JournalDamage Damage() const { return damage_; }
  // Whether no record follows the position.
  bool AtEnd() const { return NothingAt(position_); }
  // Whether nothing was ever written at `at`: the end of the file, or a zero byte.
  bool NothingAt(std::uint64_t at) const;
  // Continues reading at `position` (the start of a record Next returned, or Position()).
  void SeekTo(std::uint64_t position) { position_ = position; }
  // Where the record Next returned last starts, and where it ends.
  std::uint64_t RecordStart() const { return recordStart_; }
  std::uint64_t Position() const { return position_; }

 private:
  bool ReadExact(std::uint64_t offset, void* data, std::size_t size) const;
  // Whether the file has bytes written throughout [from, to): a hole, or less room on disk
  // than the range, means a length that was never written.
  bool Written(std::uint64_t from, std::uint64_t to) const;
  const JournalFile& file_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
  std::uint64_t recordStart_ = 0;
  JournalDamage damage_ = JournalDamage::None;
};

// Reads the payload of the snapshot or base record of `type` whose bytes start at `at` into
// `out` (after what it holds, `spare` more bytes reserved), checking it. False, with `out`
// as it was, when the bytes do not match their check or cannot be read.
bool ReadPayload(const JournalFile& file, RecordType type, std::uint64_t at, std::uint64_t size,
                 std::string& out, std::size_t spare = 0);

}  // namespace quiret
