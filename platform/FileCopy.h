// Copying a file's bytes durably: to a new private file, or back into an existing file.
#pragma once

#include <string>

namespace quiret {

// Makes `to` (it must not exist yet; mode 0600) with the bytes of `from` and puts it on the
// disk. Throws std::system_error; a partial `to` is removed.
void CopyFileToNew(const std::string& from, const std::string& to);
// Writes the bytes of `from` over the existing file `to` in place (its inode, owner, mode
// and links stay) and puts them on the disk. Throws std::system_error.
void CopyFileInPlace(const std::string& from, const std::string& to);
// Both files can be read and hold the same bytes.
bool SameBytes(const std::string& a, const std::string& b);
// Puts a folder's entries (a new or renamed name) on the disk; failures are ignored, the
// files themselves are already safe.
void SyncFolder(const std::string& folder);

}  // namespace quiret
