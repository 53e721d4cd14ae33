// Telling that a file still holds the bytes it held: its identity where that suffices, and a
// hash of its bytes when it must be certain.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileIdentity.h"

namespace quiret {

// Whether `now` shows the same bytes as `then` as far as size, time and inode tell. The
// device is left out: its number may change across a reboot.
bool LooksUnchanged(const FileIdentity& then, const FileIdentity& now);

// Hash64 of the file's bytes, read in large blocks, each of which `each` (if given) sees in
// turn. Empty when the file cannot be read or `keepGoing` (asked between blocks) says stop.
std::optional<std::uint64_t> HashFile(const std::string& path, const std::function<bool()>& keepGoing = {},
                                      const std::function<void(std::string_view)>& each = {});

}  // namespace quiret
