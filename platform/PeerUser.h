// Who is at the other end of a local socket: the kernel's word, not the peer's.
#pragma once

#include <sys/types.h>

#include <optional>

namespace quiret {

// The user id of the process that connected (or listened on) the local socket `fd`, as the
// kernel recorded it at connect time; nothing when it cannot be asked.
std::optional<uid_t> PeerUser(int fd);
// The peer is this process's own (real) user.
bool PeerIsThisUser(int fd);

}  // namespace quiret
