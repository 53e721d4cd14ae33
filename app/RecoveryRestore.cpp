// Left journals: found by their lock, checked against their base, replayed onto rows.
#include "app/RecoveryRestore.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "app/RecoveryReplay.h"
#include "platform/FileHash.h"

namespace quiret {

namespace {

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Where a change ends: after its inserted bytes, which may hold line ends.
std::pair<std::int32_t, std::int32_t> EndOf(const EditRecord& edit) {
  const std::size_t lf = edit.inserted.rfind('\n');
  if (lf == std::string::npos)
    return {edit.line, edit.offset + static_cast<std::int32_t>(edit.inserted.size())};
  const auto breaks = std::count(edit.inserted.begin(), edit.inserted.end(), '\n');
  return {edit.line + static_cast<std::int32_t>(breaks),
          static_cast<std::int32_t>(edit.inserted.size() - lf - 1)};
}

}  // namespace

std::vector<LeftJournal> FindLeftJournals(const std::string& folder, std::vector<std::string>& unreadable) {
  std::vector<LeftJournal> found;
  for (const std::string& name : Names(folder)) {
    const std::string path = folder + "/" + name;
    const bool temporary = EndsWith(name, ".qrj.tmp");
    if (!temporary && !EndsWith(name, ".qrj")) continue;  // other state of the program's
    int error = 0;
    std::unique_ptr<JournalFile> file = JournalFile::OpenLocked(path, error);
    if (!file) continue;  // its writer is alive, or it is not ours to read
    // A compaction that did not reach its rename: the journal it was to replace is whole.
    if (temporary) {
      file->Unlink();
      continue;
    }
    LeftJournal left;
    JournalReader reader(*file);
    if (!reader.ReadHeader(left.header, left.baseHash)) {
      // Killed between making the file and writing its start: nothing was in it yet.
      if (reader.NothingAt(0)) {
        file->Unlink();
      } else {
        unreadable.push_back(path);
      }
      continue;
    }
    if (reader.AtEnd()) {
      file->Unlink();  // no change was ever recorded
      continue;
    }
    struct stat st;
    if (fstat(file->Fd(), &st) == 0)
      left.lastChangeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    left.file = std::move(file);
    found.push_back(std::move(left));
  }
  std::stable_sort(found.begin(), found.end(), [](const LeftJournal& a, const LeftJournal& b) {
    return a.header.openedNs < b.header.openedNs;
  });
  return found;
}

RestorePlan PlanRestore(const LeftJournal& journal) {
  RestorePlan plan;
  JournalReader reader(*journal.file);
  JournalHeader header;
  std::optional<std::uint64_t> hash;
  if (!reader.ReadHeader(header, hash)) return plan;
  plan.recordsAt = reader.Position();
  if (header.hasFile) {
    plan.seen = IdentityOf(header.path);
    // A file that looks unchanged is hashed only while that costs little beside reading it:
    // a larger one would take as long again as its restore.
    const bool looksSame = LooksUnchanged(header.base, plan.seen);
    const bool hashIt =
        hash && plan.seen.Size == header.base.Size && (!looksSame || plan.seen.Size <= kBaseRecordMax);
    const bool sameBytes = hashIt && HashFile(header.path) == hash;
    plan.baseChanged = looksSame ? hashIt && !sameBytes : !sameBytes;
  }
  RecordType type;
  std::vector<EditRecord> edits;
  bool haveRecord = reader.Next(type, edits);
  // The base's bytes (or the room left for them) come first.
  if (haveRecord && (type == RecordType::Base || type == RecordType::BaseReserved)) {
    if (type == RecordType::Base) {
      plan.holdsBase = true;
      plan.payloadAt = reader.PayloadAt();
      plan.payloadSize = reader.PayloadSize();
    }
    plan.recordsAt = reader.Position();
    haveRecord = reader.Next(type, edits);
  }
  char first = 0;
  if (!haveRecord && reader.Damage() != JournalDamage::None &&
      journal.file->ReadAt(reader.RecordStart(), &first, 1) == 1 &&
      (first == static_cast<char>(RecordType::Snapshot) || first == static_cast<char>(RecordType::Base))) {
    plan.damaged = true;  // the text itself is what is damaged: Nothing
  } else if (haveRecord && type == RecordType::Snapshot) {
    plan.from = RestoreFrom::Snapshot;
    plan.payloadAt = reader.PayloadAt();
    plan.payloadSize = reader.PayloadSize();
    plan.recordsAt = reader.Position();
  } else if (!header.hasFile) {
    plan.from = RestoreFrom::Empty;
  } else if (!plan.baseChanged) {
    plan.from = RestoreFrom::File;
  } else {
    plan.from = plan.holdsBase ? RestoreFrom::Base : RestoreFrom::Nothing;
  }
  return plan;
}

bool ReadPlanned(const LeftJournal& journal, const RestorePlan& plan, std::string& out, std::size_t spare) {
  const RecordType type = plan.from == RestoreFrom::Base ? RecordType::Base : RecordType::Snapshot;
  return ReadPayload(*journal.file, type, plan.payloadAt, plan.payloadSize, out, spare);
}

ReplayOutcome ReplayJournal(const JournalFile& file, std::uint64_t from, TLumoStrings& rows) {
  ReplayOutcome out;
  JournalReader reader(file);
  reader.SeekTo(from);
  TextReplayer replayer(rows);
  RecordType type;
  std::vector<EditRecord> edits;
  out.soundSize = from;
  while (reader.Next(type, edits)) {
    // A snapshot or a base only ever opens a journal; one further on, like an edit that does
    // not fit the text, means the journal cannot be trusted from here.
    if ((type != RecordType::Edit && type != RecordType::Group) || !replayer.ApplyStep(edits)) {
      out.damaged = true;
      break;
    }
    out.soundSize = reader.Position();
    out.lastEnd = EndOf(edits.back());
  }
  if (reader.Damage() != JournalDamage::None) out.damaged = true;
  replayer.Finish();
  return out;
}

std::uint64_t TextBytes(const TLumoStrings& rows) {
  std::uint64_t total = 0;
  for (std::int32_t i = 0; i < rows.Count(); ++i) total += rows.Get(i).size();
  return total >= 2 ? total - 2 : 0;
}

std::string KeepJournal(const std::string& folder, const std::string& path) {
  const std::string kept = folder + "/kept";
  if (mkdir(kept.c_str(), 0700) != 0 && errno != EEXIST) return path;
  const std::string to = kept + "/" + path.substr(path.rfind('/') + 1);
  return rename(path.c_str(), to.c_str()) == 0 ? to : path;
}

}  // namespace quiret
