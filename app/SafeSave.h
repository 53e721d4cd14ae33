// Saving a document without ever destroying the previous file.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/FileIdentity.h"

namespace quiret {

// Calls write(path) to write the whole new content and puts it on the disk without ever
// leaving the file half written (a temporary file renamed over it, or a write in place
// behind a copy of the old bytes when a rename would change the file's owner, group or
// links); symbolic links are followed and stay. Returns what the file is afterwards. On any
// failure the old file is left as it was and EFileError (or a plain error naming where the
// old content is kept) is raised. When no copy of the old bytes can be kept for a write in
// place, `askUnprotected(text)` is asked whether to write in place all the same; nothing
// when it declines.
std::optional<FileIdentity> SaveReplacing(const std::string& fileName,
                                          const std::function<void(const std::string& path)>& write,
                                          const std::function<bool(const std::string& text)>& askUnprotected);

}  // namespace quiret
