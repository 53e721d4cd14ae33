// Recovery journals: lazily made, appended per change, hashed against their base on a thread,
// compacted into a snapshot when they outgrow their document.
#include "app/RecoveryJournal.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/FileHash.h"
#include "platform/Hash64.h"

namespace quiret {

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

RecoveryRun::~RecoveryRun() = default;

bool RecoveryRun::Start(const std::string& folder, std::string& reason) {
  if (folder.empty() || access(folder.c_str(), W_OK | X_OK) != 0) {
    reason = std::strerror(folder.empty() ? ENOENT : errno);
    return false;
  }
  folder_ = folder;
  sync_ = std::make_unique<DurableSync>();
  on_ = true;
  return true;
}

std::string RecoveryRun::NewJournalPath() {
  return folder_ + "/doc-" + std::to_string(getpid()) + "-" + std::to_string(NowNs()) + "-" +
         std::to_string(++serial_) + ".qrj";
}

void RecoveryRun::Fail(int error) {
  on_ = false;
  if (failed_) return;
  failed_ = true;
  if (OnFailure) OnFailure(std::strerror(error));
}

struct DocumentJournal::HashState {
  std::mutex mutex;
  std::optional<std::uint64_t> hash;
  std::shared_ptr<JournalFile> file;  // the journal whose slot gets the hash once it is known
  std::uint64_t slotOffset = 0;
  std::uint64_t baseAt = 0;  // where that journal's base record starts (0: it has none)
  bool standsAlone = false;  // the journal holds its base bytes or a snapshot
};

DocumentJournal::~DocumentJournal() { StopHashing(); }

void DocumentJournal::StopHashing() {
  if (hasher_.joinable()) {
    hasher_.request_stop();
    hasher_.join();
  }
  hasher_ = std::jthread();
}

void DocumentJournal::Restart(const JournalHeader& base, std::uint64_t textBytes) {
  StopHashing();
  Discard();
  header_ = base;
  hash_ = std::make_shared<HashState>();
  stepChanges_ = 0;
  textBytes_ = textBytes;
  SetCompactAt();
  broken_ = false;
}

void DocumentJournal::UseFile(std::shared_ptr<JournalFile> file, bool standsAlone) {
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash_->file = file;
    hash_->slotOffset = HashSlotOffset(header_);
    hash_->baseAt = 0;
    hash_->standsAlone = standsAlone;
  }
  file_ = std::move(file);
}

bool DocumentJournal::CreateFile() {
  if (!hash_) hash_ = std::make_shared<HashState>();
  int error = 0;
  std::shared_ptr<JournalFile> file = JournalFile::Create(run_.NewJournalPath(), error);
  if (!file) {
    broken_ = true;
    run_.Fail(error);
    return false;
  }
  header_.pid = static_cast<std::uint32_t>(getpid());
  if (header_.openedNs == 0) header_.openedNs = NowNs();
  std::optional<std::uint64_t> hash;
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash = hash_->hash;
  }
  const std::string start = EncodeJournalStart(header_, hash);
  if ((error = file->Append(start.data(), start.size())) != 0) {
    file->Unlink();
    broken_ = true;
    run_.Fail(error);
    return false;
  }
  // Room for the base file's bytes, which the hashing thread copies in: then the changes
  // come back whatever becomes of the file. The bytes are allocated here, not written.
  std::uint64_t baseAt = 0;
  const bool small = header_.hasFile && header_.base.Exists && header_.base.Size <= kBaseRecordMax;
  if (small) {
    const std::string frame = EncodeBaseReserved(header_.base.Size);
    baseAt = file->Size();
    if (file->Append(frame.data(), frame.size()) != 0) {
      baseAt = 0;
    } else if (file->Skip(header_.base.Size + 4) != 0) {
      file->TruncateTo(baseAt);
      baseAt = 0;
    }
  }
  UseFile(std::move(file));
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash_->baseAt = baseAt;
  }
  run_.Sync().FolderChanged(run_.Folder());
  if (header_.hasFile && (!hash || baseAt != 0)) StartHashing();
  return true;
}

void DocumentJournal::StartHashing() {
  StopHashing();
  hasher_ = std::jthread([state = hash_, path = header_.path, identity = header_.base,
                          sync = &run_.Sync()](std::stop_token stop) {
    // The hash and the base's bytes count only if the file stayed what was read meanwhile.
    if (!LooksUnchanged(IdentityOf(path), identity)) return;
    std::shared_ptr<JournalFile> file;
    std::uint64_t baseAt = 0;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      file = state->file;
      baseAt = state->baseAt;
    }
    Hash64 check = BaseCheckStart(identity.Size);
    std::uint64_t copied = 0;
    bool copyFailed = false;
    const std::optional<std::uint64_t> hash = HashFile(
        path, [&] { return !stop.stop_requested(); },
        [&](std::string_view block) {
          if (baseAt == 0 || copyFailed) return;
          check.Update(block);
          copyFailed = copied + block.size() > identity.Size ||
                       file->WriteAt(baseAt + 9 + copied, block.data(), block.size()) != 0;
          copied += block.size();
        });
    if (!hash || !LooksUnchanged(IdentityOf(path), identity)) return;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->hash = hash;
    if (baseAt != 0 && !copyFailed && copied == identity.Size && state->file == file) {
      // The check, then the type: the record counts only once both are in.
      char tail[4];
      const std::uint32_t c = CheckOf(check);
      for (int i = 0; i < 4; ++i) tail[i] = static_cast<char>(c >> (8 * i));
      const char type = static_cast<char>(RecordType::Base);
      if (file->WriteAt(baseAt + 9 + copied, tail, 4) == 0 && file->WriteAt(baseAt, &type, 1) == 0)
        state->standsAlone = true;
    }
    if (!state->file) return;
    const std::string slot = EncodeHashSlot(hash);
    if (state->file->WriteAt(state->slotOffset, slot.data(), slot.size()) == 0) sync->Changed(state->file);
  });
}

bool DocumentJournal::StandsAlone() const {
  if (!hash_) return false;
  std::lock_guard<std::mutex> lock(hash_->mutex);
  return hash_->standsAlone;
}

void DocumentJournal::FileChangedElsewhere() {
  // Replayed onto the file the changes could no longer be: a snapshot of the text keeps them.
  if (file_ && !StandsAlone()) Compact();
}

void DocumentJournal::Add(std::int32_t line, std::int32_t offset, std::string_view removed,
                          std::string_view inserted) {
  textBytes_ =
      textBytes_ + inserted.size() - std::min<std::uint64_t>(removed.size(), textBytes_ + inserted.size());
  if (broken_ || !run_.On()) return;
  if (stepChanges_++ == 0) step_.assign(kGroupLead, '\0');
  EncodeEdit(step_, line, offset, removed, inserted);
}

void DocumentJournal::EndStep() {
  const std::size_t changes = std::exchange(stepChanges_, 0);
  if (changes == 0 || broken_ || !run_.On()) return;
  if (!file_ && !CreateFile()) return;
  if (changes > 1) CloseGroup(step_);
  const std::size_t skip = changes > 1 ? 0 : kGroupLead;
  const int error = file_->Append(step_.data() + skip, step_.size() - skip);
  if (step_.capacity() > (std::size_t{1} << 20)) std::string().swap(step_);
  if (error == JournalFile::kCutShort) {
    // Another program cut the journal short: the text as it now stands starts a new one.
    if (Compact()) return;
    broken_ = true;
    if (run_.OnDocumentFailure) run_.OnDocumentFailure(header_.caption);
    return;
  }
  if (error != 0) {
    broken_ = true;
    run_.Fail(error);
    return;
  }
  run_.Sync().Changed(file_);
  if (file_->Size() > compactAt_) Compact();
}

void DocumentJournal::Discard() {
  if (!file_) return;
  file_->Unlink();
  run_.Sync().FolderChanged(run_.Folder());
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash_->file.reset();
  }
  file_.reset();
}

void DocumentJournal::Adopt(std::unique_ptr<JournalFile> file, const JournalHeader& header,
                            std::optional<std::uint64_t> baseHash, std::uint64_t soundSize,
                            std::uint64_t textBytes, bool standsAlone) {
  StopHashing();
  Discard();
  header_ = header;
  hash_ = std::make_shared<HashState>();
  hash_->hash = baseHash;
  stepChanges_ = 0;
  textBytes_ = textBytes;
  SetCompactAt();
  broken_ = false;
  if (file->Size() != soundSize && file->TruncateTo(soundSize) != 0) {
    // What follows the damage cannot be cut off: the journal starts afresh from a snapshot.
    file->Unlink();
    if (CreateFile()) Compact();
    return;
  }
  UseFile(std::move(file), standsAlone);
  if (header_.hasFile && !baseHash) StartHashing();
}

bool DocumentJournal::Compact() {
  if (!source_.each || !run_.On()) return false;
  if (!file_ && !CreateFile()) return false;
  int error = 0;
  std::shared_ptr<JournalFile> fresh = JournalFile::Create(file_->Path() + ".tmp", error);
  if (!fresh) {
    compactAt_ *= 2;  // tried again only once the journal has grown as much again
    return false;
  }
  std::optional<std::uint64_t> hash;
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash = hash_->hash;
  }
  const std::string start = EncodeJournalStart(header_, hash);
  error = fresh->Append(start.data(), start.size());
  if (error == 0) error = WriteSnapshot(*fresh, source_.size(), source_.each);
  // Durable before it takes the old journal's place.
  if (error == 0) error = fresh->Sync();
  if (error == 0) error = fresh->RenameTo(file_->Path());
  if (error != 0) {
    fresh->Unlink();
    compactAt_ *= 2;
    return false;
  }
  UseFile(std::move(fresh), true);
  run_.Sync().FolderChanged(run_.Folder());
  SetCompactAt();
  return true;
}

}  // namespace quiret
