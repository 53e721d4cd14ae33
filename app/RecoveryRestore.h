// Finding the journals an earlier run left and rebuilding their documents' text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/RecoveryFormat.h"
#include "platform/FileIdentity.h"
#include "platform/JournalFile.h"
#include "text/LumoStrings.h"

namespace quiret {

// A journal whose writer is gone, held locked while this run looks at it.
struct LeftJournal {
  std::unique_ptr<JournalFile> file;
  JournalHeader header;
  std::optional<std::uint64_t> baseHash;
  std::int64_t lastChangeNs = 0;  // when the journal was last written
};

// The journals in `folder` whose writers are gone, oldest document first. Journals without
// a single record are removed (nothing was changed); those without a sound header cannot
// be read at all and are listed in `unreadable` (paths) instead.
std::vector<LeftJournal> FindLeftJournals(const std::string& folder, std::vector<std::string>& unreadable);

// What a journal's document can be rebuilt from.
enum class RestoreFrom {
  File,      // the base file, unchanged, with the records replayed onto it
  Snapshot,  // the snapshot in the journal (the base file may have changed)
  Base,      // the base file's bytes the journal holds (the file itself changed)
  Empty,     // a new document: the records alone
  Nothing,   // the base file changed and there is no snapshot, or the journal is damaged
};

struct RestorePlan {
  RestoreFrom from = RestoreFrom::Nothing;
  bool baseChanged = false;     // the file is missing or is no longer the journal's base
  FileIdentity seen;            // the file as it was when compared
  std::uint64_t payloadAt = 0;  // where the snapshot's or the base's bytes are in the journal
  std::uint64_t payloadSize = 0;
  std::uint64_t recordsAt = 0;  // where the records to replay begin
  bool holdsBase = false;       // the journal holds its base's bytes (used or not)
  bool damaged = false;         // the text it begins with is damaged: nothing can come back
};

// Reads the journal's start and compares its base with the file as it is now: size, time and
// inode, and the hash when the journal holds one. Bytes the hash shows to be the base's
// count as unchanged even under another time (a save's old bytes put back, say). Reads the
// frames only: a snapshot or a base is read once, when it is restored.
RestorePlan PlanRestore(const LeftJournal& journal);

// The snapshot's or the base's bytes a plan restores from, checked, with `spare` bytes of
// room after them; false when they are damaged.
bool ReadPlanned(const LeftJournal& journal, const RestorePlan& plan, std::string& out,
                 std::size_t spare = 0);

struct ReplayOutcome {
  std::uint64_t soundSize = 0;  // the journal's bytes up to the last record replayed
  bool damaged = false;         // a torn, corrupt or unfitting record stopped the replay
  // Where the last change replayed ends (a logical line and the byte offset in it), if any.
  std::optional<std::pair<std::int32_t, std::int32_t>> lastEnd;
};

// Replays the journal's records from `from` onto `rows` (one row per logical line).
ReplayOutcome ReplayJournal(const JournalFile& file, std::uint64_t from, TLumoStrings& rows);

// The bytes of a text held in rows (the end marker not counted).
std::uint64_t TextBytes(const TLumoStrings& rows);

// Moves a journal that cannot be restored now into `folder`/kept, where the user is told it
// is; returns its new path (or its old one when it could not be moved).
std::string KeepJournal(const std::string& folder, const std::string& path);

}  // namespace quiret
