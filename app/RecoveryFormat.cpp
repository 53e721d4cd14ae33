// Encoding and reading recovery journals.
#include "app/RecoveryFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/Hash64.h"

namespace quiret {

namespace {

constexpr char kMagic[8] = {'Q', 'r', 'J', 'r', 'n', 'l', '0', '1'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kEditFixedBytes = 4 + 4 + 8 + 4;

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

void Put64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::uint64_t Get(const char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

// Reads fields one after another from a payload, refusing to run past its end.
class Fields {
 public:
  explicit Fields(std::string_view bytes) : bytes_(bytes) {}
  bool Take(int n, std::uint64_t& v) {
    if (bytes_.size() - at_ < static_cast<std::size_t>(n)) return false;
    v = Get(bytes_.data() + at_, n);
    at_ += static_cast<std::size_t>(n);
    return true;
  }
  bool TakeText(std::string& s) {
    std::uint64_t n;
    if (!Take(4, n) || bytes_.size() - at_ < n) return false;
    s.assign(bytes_.substr(at_, n));
    at_ += n;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// A record's check covers its frame (type and length), then its payload.
Hash64 CheckStart(char type, std::uint64_t length) {
  std::string frame;
  frame.push_back(type);
  Put64(frame, length);
  Hash64 h;
  h.Update(frame);
  return h;
}

std::uint32_t Check(char type, std::uint64_t length, std::string_view payload) {
  Hash64 h = CheckStart(type, length);
  h.Update(payload);
  return static_cast<std::uint32_t>(h.Digest());
}

void AppendRecord(std::string& out, RecordType type, std::string_view payload) {
  out.push_back(static_cast<char>(type));
  Put64(out, payload.size());
  out.append(payload);
  Put32(out, Check(static_cast<char>(type), payload.size(), payload));
}

std::string HeaderPayload(const JournalHeader& h) {
  std::string p;
  Put32(p, kVersion);
  p.push_back(h.hasFile ? 1 : 0);
  Put64(p, static_cast<std::uint64_t>(h.openedNs));
  Put32(p, h.pid);
  p.push_back(h.base.Exists ? 1 : 0);
  Put64(p, h.base.Size);
  Put64(p, static_cast<std::uint64_t>(h.base.MtimeNs));
  Put64(p, h.base.Inode);
  Put64(p, h.base.Device);
  Put32(p, static_cast<std::uint32_t>(h.path.size()));
  p += h.path;
  Put32(p, static_cast<std::uint32_t>(h.caption.size()));
  p += h.caption;
  Put32(p, static_cast<std::uint32_t>(h.encoding.size()));
  p += h.encoding;
  return p;
}

bool ParseHeader(std::string_view payload, JournalHeader& h) {
  Fields f(payload);
  std::uint64_t version, hasFile, created, pid, exists, size, mtime, inode, device;
  if (!f.Take(4, version) || version != kVersion) return false;
  if (!f.Take(1, hasFile) || !f.Take(8, created) || !f.Take(4, pid) || !f.Take(1, exists) ||
      !f.Take(8, size) || !f.Take(8, mtime) || !f.Take(8, inode) || !f.Take(8, device))
    return false;
  if (!f.TakeText(h.path) || !f.TakeText(h.caption)) return false;
  if (!f.TakeText(h.encoding)) h.encoding.clear();  // a journal from before encodings
  h.hasFile = hasFile != 0;
  h.openedNs = static_cast<std::int64_t>(created);
  h.pid = static_cast<std::uint32_t>(pid);
  h.base.Exists = exists != 0;
  h.base.Size = size;
  h.base.MtimeNs = static_cast<std::int64_t>(mtime);
  h.base.Inode = inode;
  h.base.Device = device;
  return true;
}

bool ParseEdit(std::string_view payload, EditRecord& edit) {
  if (payload.size() < kEditFixedBytes) return false;
  const char* p = payload.data();
  edit.line = static_cast<std::int32_t>(Get(p, 4));
  edit.offset = static_cast<std::int32_t>(Get(p + 4, 4));
  edit.removedLen = Get(p + 8, 8);
  edit.removedHash = static_cast<std::uint32_t>(Get(p + 16, 4));
  edit.inserted.assign(payload.substr(kEditFixedBytes));
  return true;
}

// The edit records a group's payload holds, each whole and sound.
bool ParseGroup(std::string_view payload, std::vector<EditRecord>& edits) {
  edits.clear();
  while (!payload.empty()) {
    if (payload.size() < kRecordFrameBytes || payload[0] != static_cast<char>(RecordType::Edit)) return false;
    const std::uint64_t length = Get(payload.data() + 1, 8);
    if (length > payload.size() - kRecordFrameBytes) return false;
    const std::string_view inner = payload.substr(9, length);
    if (Get(payload.data() + 9 + length, 4) != Check(payload[0], length, inner)) return false;
    if (!ParseEdit(inner, edits.emplace_back())) return false;
    payload.remove_prefix(kRecordFrameBytes + length);
  }
  return !edits.empty();
}

}  // namespace

std::uint32_t RemovedHash(std::string_view removed) {
  return removed.empty() ? 0 : static_cast<std::uint32_t>(Hash64::Of(removed));
}

std::string EncodeHashSlot(std::optional<std::uint64_t> baseHash) {
  std::string slot;
  slot.push_back(baseHash ? 1 : 0);
  slot.append(3, '\0');
  Put64(slot, baseHash.value_or(0));
  Put32(slot, static_cast<std::uint32_t>(Hash64::Of(slot)));
  return slot;
}

std::string EncodeJournalStart(const JournalHeader& header, std::optional<std::uint64_t> baseHash) {
  std::string out(kMagic, sizeof kMagic);
  AppendRecord(out, RecordType::Header, HeaderPayload(header));
  out += EncodeHashSlot(baseHash);
  return out;
}

std::uint64_t HashSlotOffset(const JournalHeader& header) {
  return sizeof kMagic + kRecordFrameBytes + HeaderPayload(header).size();
}

void EncodeEdit(std::string& out, std::int32_t line, std::int32_t offset, std::string_view removed,
                std::string_view inserted) {
  // Framed in place: typing appends a few dozen bytes per key, with no allocation once the
  // buffer has grown.
  const std::size_t start = out.size();
  const std::uint64_t length = kEditFixedBytes + inserted.size();
  out.push_back(static_cast<char>(RecordType::Edit));
  Put64(out, length);
  Put32(out, static_cast<std::uint32_t>(line));
  Put32(out, static_cast<std::uint32_t>(offset));
  Put64(out, removed.size());
  Put32(out, RemovedHash(removed));
  out.append(inserted);
  Put32(out, static_cast<std::uint32_t>(Hash64::Of(std::string_view(out).substr(start))));
}

void CloseGroup(std::string& buffer) {
  const std::uint64_t length = buffer.size() - kGroupLead;
  std::string frame;
  frame.push_back(static_cast<char>(RecordType::Group));
  Put64(frame, length);
  buffer.replace(0, kGroupLead, frame);
  Put32(buffer, static_cast<std::uint32_t>(Hash64::Of(buffer)));
}

std::string EncodeBaseReserved(std::uint64_t size) {
  std::string frame;
  frame.push_back(static_cast<char>(RecordType::BaseReserved));
  Put64(frame, size);
  return frame;
}

Hash64 BaseCheckStart(std::uint64_t size) { return CheckStart(static_cast<char>(RecordType::Base), size); }

std::uint32_t CheckOf(const Hash64& payload) { return static_cast<std::uint32_t>(payload.Digest()); }

int WriteSnapshot(JournalFile& file, std::uint64_t size,
                  const std::function<void(const std::function<void(std::string_view)>&)>& each) {
  std::string buffer;
  buffer.push_back(static_cast<char>(RecordType::Snapshot));
  Put64(buffer, size);
  Hash64 check;
  check.Update(buffer);
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  int error = 0;
  std::uint64_t written = 0;
  auto flush = [&] {
    if (error == 0 && !buffer.empty()) error = file.Append(buffer.data(), buffer.size());
    buffer.clear();
  };
  each([&](std::string_view piece) {
    written += piece.size();
    check.Update(piece);
    if (buffer.size() + piece.size() > kBlock) flush();
    if (piece.size() >= kBlock) {
      if (error == 0) error = file.Append(piece.data(), piece.size());
    } else {
      buffer.append(piece);
    }
  });
  if (written != size && error == 0) error = EINVAL;
  Put32(buffer, static_cast<std::uint32_t>(check.Digest()));
  flush();
  return error;
}

JournalReader::JournalReader(const JournalFile& file) : file_(file), size_(file.Size()) {}

bool JournalReader::ReadExact(std::uint64_t offset, void* data, std::size_t size) const {
  return offset + size <= size_ && file_.ReadAt(offset, data, size) == static_cast<long long>(size);
}

bool JournalReader::NothingAt(std::uint64_t at) const {
  char first = 0;
  return at >= size_ || (ReadExact(at, &first, 1) && first == 0);
}

bool JournalReader::ReadHeader(JournalHeader& header, std::optional<std::uint64_t>& baseHash) {
  char magic[sizeof kMagic];
  position_ = 0;
  if (!ReadExact(0, magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
  position_ = sizeof kMagic;
  std::string payload;
  char frame[9];
  if (!ReadExact(position_, frame, sizeof frame) || frame[0] != static_cast<char>(RecordType::Header))
    return false;
  const std::uint64_t length = Get(frame + 1, 8);
  if (length > size_ - position_) return false;
  payload.resize(length);
  char check[4];
  if (!ReadExact(position_ + 9, payload.data(), length) || !ReadExact(position_ + 9 + length, check, 4))
    return false;
  if (Get(check, 4) != Check(frame[0], length, payload) || !ParseHeader(payload, header)) return false;
  position_ += kRecordFrameBytes + length;
  char slot[kHashSlotBytes];
  if (!ReadExact(position_, slot, sizeof slot)) return false;
  position_ += sizeof slot;
  baseHash.reset();
  if (slot[0] == 1 && Get(slot + 12, 4) == static_cast<std::uint32_t>(Hash64::Of(std::string_view(slot, 12))))
    baseHash = Get(slot + 4, 8);
  return true;
}

bool JournalReader::Written(std::uint64_t from, std::uint64_t to) const {
  if (to - from < (std::uint64_t{1} << 20)) return true;  // small records are read, and checked
  struct stat st;
  if (fstat(file_.Fd(), &st) == 0 && static_cast<std::uint64_t>(st.st_blocks) * 512 < to - from) return false;
  const off_t hole = lseek(file_.Fd(), static_cast<off_t>(from), SEEK_HOLE);
  return hole < 0 || static_cast<std::uint64_t>(hole) >= to;
}

bool JournalReader::Next(RecordType& type, std::vector<EditRecord>& edits) {
  if (damage_ != JournalDamage::None || position_ >= size_) return false;
  recordStart_ = position_;
  if (AtEnd()) return false;
  char frame[9];
  if (!ReadExact(position_, frame, sizeof frame)) {
    damage_ = JournalDamage::Truncated;
    return false;
  }
  const char t = frame[0];
  const std::uint64_t length = Get(frame + 1, 8);
  if (t != static_cast<char>(RecordType::Edit) && t != static_cast<char>(RecordType::Snapshot) &&
      t != static_cast<char>(RecordType::Group) && t != static_cast<char>(RecordType::Base) &&
      t != static_cast<char>(RecordType::BaseReserved)) {
    damage_ = JournalDamage::Corrupt;
    return false;
  }
  // Every length against what the file holds, before anything is allocated for it.
  if (length > size_ - position_ - sizeof frame || size_ - position_ - sizeof frame - length < 4) {
    damage_ = JournalDamage::Truncated;
    return false;
  }
  type = static_cast<RecordType>(t);
  if (type == RecordType::Snapshot || type == RecordType::Base || type == RecordType::BaseReserved) {
    // Read (and checked) by whoever needs the bytes, once; room not filled is never read.
    if (type != RecordType::BaseReserved && !Written(position_, position_ + kRecordFrameBytes + length)) {
      damage_ = JournalDamage::Corrupt;
      return false;
    }
    position_ += kRecordFrameBytes + length;
    return true;
  }
  std::string payload;
  char check[4];
  bool sound = Written(position_, position_ + kRecordFrameBytes + length);
  try {
    if (sound) payload.resize(length);
  } catch (const std::bad_alloc&) {
    sound = false;
  }
  if (sound &&
      (!ReadExact(position_ + 9, payload.data(), length) || !ReadExact(position_ + 9 + length, check, 4))) {
    damage_ = JournalDamage::Truncated;
    return false;
  }
  sound = sound && Get(check, 4) == Check(t, length, payload);
  if (sound && type == RecordType::Edit) {
    edits.resize(1);
    sound = ParseEdit(payload, edits[0]);
  } else if (sound && type == RecordType::Group) {
    sound = ParseGroup(payload, edits);
  }
  if (!sound) {
    damage_ = JournalDamage::Corrupt;
    return false;
  }
  position_ += kRecordFrameBytes + length;
  return true;
}

bool ReadPayload(const JournalFile& file, RecordType type, std::uint64_t at, std::uint64_t size,
                 std::string& out, std::size_t spare) {
  const std::size_t was = out.size();
  try {
    out.reserve(was + size + spare);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Hash64 check = CheckStart(static_cast<char>(type), size);
  // Read straight into place, a block at a time, and checked on the way.
  constexpr std::uint64_t kBlock = std::uint64_t{4} << 20;
  for (std::uint64_t done = 0; done < size;) {
    const std::size_t n = static_cast<std::size_t>(std::min(kBlock, size - done));
    const std::size_t from = out.size();
    out.resize(from + n);
    if (file.ReadAt(at + done, out.data() + from, n) != static_cast<long long>(n)) {
      out.resize(was);
      return false;
    }
    check.Update(out.data() + from, n);
    done += n;
  }
  char stored[4];
  if (file.ReadAt(at + size, stored, 4) != 4 || Get(stored, 4) != CheckOf(check)) {
    out.resize(was);
    return false;
  }
  return true;
}

}  // namespace quiret
