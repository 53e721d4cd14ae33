// Notes a running save keeps in the state folder, so that the next start can clear up after a
// save that was killed: its temporary file, or the copy of the old bytes that a write in
// place keeps until the new bytes are on the disk.
#pragma once

#include <string>
#include <vector>

#include "platform/FileIdentity.h"

namespace quiret {

struct SaveRecord {
  enum class Method { Replace, InPlace };
  // Replace: Writing (the temporary file may exist). InPlace: Copying (the file is untouched,
  // the copy may be partial), Copied (the copy is whole, the file may be half written),
  // Written (the file is whole, the copy is no longer needed).
  enum class Stage { Writing, Copying, Copied, Written };
  Method method = Method::Replace;
  Stage stage = Stage::Writing;
  std::string Target;     // the file being saved, links already followed
  std::string Temporary;  // Replace: the temporary file beside it, a random name of ours
  FileIdentity Before;    // InPlace: the file before any byte was written
  std::string Copy;       // InPlace: the old bytes
};

// The name a save gives its temporary file beside the target: ".quiret-" six random letters
// or digits, ".tmp". A note may have a file removed only when it has this name.
inline constexpr char kSaveTemporaryLead[] = ".quiret-";
inline constexpr char kSaveTemporaryEnd[] = ".tmp";
inline constexpr int kSaveTemporaryRandom = 6;
bool IsSaveTemporaryName(const std::string& name);

// <state folder>/saves: the path only, and the folder made (mode 0700) when missing; "" when
// there is no state folder or it cannot be made.
std::string SaveNotesFolderPath();
std::string SaveNotesFolder();

// One running save's note, locked while the save runs so that a start meanwhile (of another
// session) leaves it alone. Without a folder, or when the note cannot be made, it is not
// Active and records nothing.
class SaveNote {
 public:
  explicit SaveNote(const std::string& folder);
  // Removes the note: the save ended and cleared up after itself. Unless Keep was called.
  ~SaveNote();
  SaveNote(const SaveNote&) = delete;
  SaveNote& operator=(const SaveNote&) = delete;

  bool Active() const { return fd_ >= 0; }
  // Where a copy of the old bytes goes: beside the note, named after it.
  std::string CopyPath() const;
  // Replaces what the note says; `durable` also puts it on the disk before returning.
  // False when it could not be written.
  bool Record(const SaveRecord& record, bool durable);
  // The note stays for the next start (the old bytes could not be put back).
  void Keep() { keep_ = true; }

 private:
  int fd_ = -1;
  std::string path_;
  bool keep_ = false;
};

// A write in place that was killed while the file may be half written; the copy holds the
// bytes from before. Holds the note's lock while it lives. Left alone (neither Restore nor
// KeepCopy), the note stays and the next start finds it again.
class InterruptedSave {
 public:
  InterruptedSave(int lockedFd, std::string notePath, SaveRecord record);
  ~InterruptedSave();
  InterruptedSave(InterruptedSave&& other) noexcept;
  InterruptedSave& operator=(InterruptedSave&&) = delete;
  InterruptedSave(const InterruptedSave&) = delete;

  const std::string& Target() const { return record_.Target; }
  const std::string& Copy() const { return record_.Copy; }
  // The file at Target is still the one that was being written (not removed or replaced).
  bool TargetIsSameFile() const;
  // Writes the old bytes back into the file in place and removes the copy and the note;
  // throws std::system_error when it cannot (everything then stays).
  void Restore();
  // Removes the note only; the copy stays where it is, for the user.
  void KeepCopy();

 private:
  int fd_;
  std::string notePath_;
  SaveRecord record_;
};

// Clears up after the killed saves noted in `folder`: their temporary files, and copies that
// are partial or no longer needed. Nothing else is removed: only a temporary of our naming
// beside its target or the note's own copy, as plain files of this user, and a copy only when
// the file it was made from is whole. Nothing a note names is opened so that it could wait.
// Returns the writes in place whose file may be half written, for the user to decide.
std::vector<InterruptedSave> ClearUpInterruptedSaves(const std::string& folder);

}  // namespace quiret
