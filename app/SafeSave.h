// Saving a document without ever destroying the previous file.
#pragma once

#include <functional>
#include <string>

namespace quiret {

// Calls write(tempPath) to write the whole new content to a temporary file in the target's
// folder, then renames it over the target, keeping the old file's permissions. A symbolic
// link is followed: its target is replaced and the link stays. On any failure the temporary
// file is removed, the old file is left as it was, and EFileError is raised.
void SaveReplacing(const std::string& fileName,
                   const std::function<void(const std::string& tempPath)>& write);

}  // namespace quiret
