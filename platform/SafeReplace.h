// Replacing a file as a whole without ever leaving it half written: documents and settings.
#pragma once

#include <functional>
#include <string>

namespace quiret {

// The file a path finally names: symbolic links followed, even when the target is missing.
std::string FinalTarget(const std::string& fileName);

// Calls write(tempPath) to write the whole new content to a temporary file beside the final
// target of fileName, flushes it to the disk and renames it over the target, which keeps
// its permissions (a new file gets the usual ones). A symbolic link stays and its target is
// replaced. On any failure the temporary file is removed and the old file is left as it
// was; an exception from write passes through, any other failure throws std::system_error.
void ReplaceFileSafely(const std::string& fileName,
                       const std::function<void(const std::string& tempPath)>& write);

// Removes the temporary files that a save killed before its rename left beside fileName;
// returns how many went.
int RemoveStaleTemporaries(const std::string& fileName);

}  // namespace quiret
