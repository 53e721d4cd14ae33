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

void DocumentJournal::UseFile(std::shared_ptr<JournalFile> file) {
  {
    std::lock_guard<std::mutex> lock(hash_->mutex);
    hash_->file = file;
    hash_->slotOffset = HashSlotOffset(header_);
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
  UseFile(std::move(file));
  run_.Sync().FolderChanged(run_.Folder());
  if (header_.hasFile && !hash) StartHashing();
  return true;
}

void DocumentJournal::StartHashing() {
  StopHashing();
  hasher_ = std::jthread([state = hash_, path = header_.path, identity = header_.base,
                          sync = &run_.Sync()](std::stop_token stop) {
    // The hash counts only if the file stayed what was read while it was hashed.
    if (!LooksUnchanged(IdentityOf(path), identity)) return;
    const std::optional<std::uint64_t> hash = HashFile(path, [&] { return !stop.stop_requested(); });
    if (!hash || !LooksUnchanged(IdentityOf(path), identity)) return;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->hash = hash;
    if (!state->file) return;
    const std::string slot = EncodeHashSlot(hash);
    if (state->file->WriteAt(state->slotOffset, slot.data(), slot.size()) == 0) sync->Changed(state->file);
  });
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
                            std::uint64_t textBytes) {
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
  UseFile(std::move(file));
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
  UseFile(std::move(fresh));
  run_.Sync().FolderChanged(run_.Folder());
  SetCompactAt();
  return true;
}

}  // namespace quiret
