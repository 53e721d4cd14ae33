// Writing recovery journals: one per document with unsaved changes, each change appended at
// once and made durable by the sync thread within a fraction of a second.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "app/RecoveryFormat.h"
#include "platform/DurableSync.h"
#include "platform/JournalFile.h"

namespace quiret {

// The wall clock in nanoseconds since the epoch: the times journals keep and show.
std::int64_t NowNs();

// A document's text for a snapshot: its size in bytes, and the bytes in order, in pieces.
struct TextSource {
  std::function<std::uint64_t()> size;
  std::function<void(const std::function<void(std::string_view)>&)> each;
};

// The run's side of recovery: the folder, the sync thread, and whether journals are kept.
class RecoveryRun {
 public:
  RecoveryRun() = default;
  ~RecoveryRun();
  RecoveryRun(const RecoveryRun&) = delete;
  RecoveryRun& operator=(const RecoveryRun&) = delete;

  // Makes `folder` ready and starts the sync thread. False, with the reason, when journals
  // cannot be kept there; recovery is then off for the run.
  bool Start(const std::string& folder, std::string& reason);
  bool On() const { return on_; }
  const std::string& Folder() const { return folder_; }
  DurableSync& Sync() { return *sync_; }
  // A name for a new journal in the folder.
  std::string NewJournalPath();
  // A journal could not be written: journals stop for the rest of the run, and OnFailure
  // hears it once (it must not show anything while the editor is in the middle of a change).
  void Fail(int error);
  std::function<void(const std::string& reason)> OnFailure;
  // One document's journal was cut short by another program and no new one could be made:
  // that document goes on without one (told at once, as OnFailure is).
  std::function<void(const std::string& caption)> OnDocumentFailure;

 private:
  std::string folder_;
  std::unique_ptr<DurableSync> sync_;
  bool on_ = false;
  bool failed_ = false;
  unsigned serial_ = 0;
};

class DocumentJournal {
 public:
  // A journal is compacted once it holds more than four times its text plus `compactFloor`.
  explicit DocumentJournal(RecoveryRun& run, std::uint64_t compactFloor = std::uint64_t{1} << 20)
      : run_(run), compactFloor_(compactFloor) {}
  ~DocumentJournal();  // closes the journal; the file stays unless Discard removed it
  DocumentJournal(const DocumentJournal&) = delete;
  DocumentJournal& operator=(const DocumentJournal&) = delete;

  // Starts over against a base: a file as it was just read or saved (with the identity it
  // had before it was read), or a new document. The old journal file goes. The file itself
  // is made at the first change.
  void Restart(const JournalHeader& base, std::uint64_t textBytes);
  void SetCaption(const std::string& caption) { header_.caption = caption; }
  void SetSource(TextSource source) { source_ = std::move(source); }
  // One change of a step, kept until the step ends.
  void Add(std::int32_t line, std::int32_t offset, std::string_view removed, std::string_view inserted);
  // The step's changes are written at once, as one record, so that a replay brings back all
  // of them or none: a text in the middle of a step was never shown.
  void EndStep();
  // A change that is a step of its own.
  void Append(std::int32_t line, std::int32_t offset, std::string_view removed, std::string_view inserted) {
    Add(line, offset, removed, inserted);
    EndStep();
  }
  // Removes the journal file: the text was saved, or dropped on purpose.
  void Discard();
  // Carries on with a journal an earlier run left, whose first `soundSize` bytes were
  // replayed; what follows them (damage) is cut off. `standsAlone`: it holds its base's
  // bytes or a snapshot.
  void Adopt(std::unique_ptr<JournalFile> file, const JournalHeader& header,
             std::optional<std::uint64_t> baseHash, std::uint64_t soundSize, std::uint64_t textBytes,
             bool standsAlone = false);
  // Replaces the journal (made if there is none) by the header and a snapshot of the whole
  // text. False when that could not be written; the old journal then stays in use.
  bool Compact();

  // The journal file's path, or "" while there is none.
  std::string Path() const { return file_ ? file_->Path() : std::string(); }
  // The journal's bytes up to its last record (0 while there is no file).
  std::uint64_t Bytes() const { return file_ ? file_->Size() : 0; }
  const JournalHeader& Header() const { return header_; }
  // The size past which the next change compacts the journal.
  std::uint64_t CompactAt() const { return compactAt_; }
  // Whether the journal brings the text back without the file: it holds the base file's
  // bytes or a snapshot.
  bool StandsAlone() const;
  // The program saw the base file changed, moved or gone: a journal that needs the file
  // gets a snapshot of the text (a larger document's, whose base bytes it does not hold).
  void FileChangedElsewhere();
  // Waits until the base file's hash (and its bytes, where they are copied) is known or given up on.
  void FinishHashing() {
    if (hasher_.joinable()) hasher_.join();
  }

 private:
  struct HashState;
  bool CreateFile();
  void StopHashing();
  void StartHashing();
  void UseFile(std::shared_ptr<JournalFile> file, bool standsAlone = false);
  void SetCompactAt() { compactAt_ = 4 * textBytes_ + compactFloor_; }

  RecoveryRun& run_;
  const std::uint64_t compactFloor_;
  JournalHeader header_;
  TextSource source_;
  std::shared_ptr<JournalFile> file_;
  std::shared_ptr<HashState> hash_;
  std::jthread hasher_;
  std::string step_;  // the step's edit records after kGroupLead bytes for a group's frame
  std::size_t stepChanges_ = 0;
  std::uint64_t textBytes_ = 0;
  std::uint64_t compactAt_ = std::uint64_t{1} << 20;
  bool broken_ = false;
};

}  // namespace quiret
