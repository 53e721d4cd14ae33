// Replacing a file as a whole without ever leaving it half written: documents and settings.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "platform/FileIdentity.h"

namespace quiret {

// The file a path finally names: symbolic links followed, even when the target is missing.
std::string FinalTarget(const std::string& fileName);

// The points a save passes (tests stop a save there).
enum class SaveStage { TemporaryMade, CopyMade, Written };

struct SaveOptions {
  // Where the save notes what it leaves on the disk while it runs; "" notes nothing, and a
  // write in place, which needs a copy of the old bytes there, is then refused (or asked).
  std::string NotesFolder;
  // When NotesFolder is "": the folder that could not be used, and why (an errno).
  std::string NotesFolderWanted;
  int NotesError = 0;
  std::function<void(SaveStage)> OnStage;
  // A write in place whose copy of the old bytes cannot be made (in `folder`, for the reason
  // `error`): true writes in place all the same, unprotected; false or none refuses.
  std::function<bool(const std::string& folder, int error)> AskUnprotected;
};

// A write in place that could not be made safe (no copy of the old bytes could be kept), or
// that failed and could not put the old bytes back (they are in CopyPath).
class EInPlaceSave : public std::runtime_error {
 public:
  enum class Problem { NoCopy, OldBytesKept };
  EInPlaceSave(Problem problem, std::string copyPath, int code, const std::string& what)
      : std::runtime_error(what), Kind(problem), CopyPath(std::move(copyPath)), Code(code) {}
  Problem Kind;
  std::string CopyPath;  // NoCopy: where the copy was to go (the folder, when no note was made)
  int Code;              // the system's error number
};

// Calls write(path) to write the whole new content, puts it on the disk and returns what the
// file is afterwards. `path` is normally a temporary file beside the final target of
// fileName (links are followed, the link stays), given the target's owner, group, mode and
// extended attributes (ACLs included) and renamed over it. When a rename would change what
// the file is (an owner, group or attribute this user cannot give a file, more than one hard
// link, a folder this user may not write), `path` is
// the target itself, rewritten in place after a copy of its old bytes was put on the disk in
// the notes folder; the copy goes once the new bytes are on the disk, and is written back if
// the write fails. A file this user may not write is refused (EACCES). On failure the old
// file is as it was; an exception from write passes through, other failures throw
// std::system_error or EInPlaceSave.
FileIdentity ReplaceFileSafely(const std::string& fileName,
                               const std::function<void(const std::string& path)>& write,
                               const SaveOptions& options);
// The same, noting in SaveNotesFolder().
FileIdentity ReplaceFileSafely(const std::string& fileName,
                               const std::function<void(const std::string& path)>& write);
// Options noting in SaveNotesFolder(), with the folder meant and why it cannot be used.
SaveOptions NotesInStateFolder();

// Removes what saves of earlier versions killed before their rename left beside fileName,
// "<name>.tmp<digits>_<digits>" (saves now note their own temporary files); returns how many.
int RemoveStaleTemporaries(const std::string& fileName);

}  // namespace quiret
