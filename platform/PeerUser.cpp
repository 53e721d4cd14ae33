// Peer credentials of a local socket through SO_PEERCRED.
#include "platform/PeerUser.h"

#include <sys/socket.h>
#include <unistd.h>

namespace quiret {

std::optional<uid_t> PeerUser(int fd) {
  if (fd < 0) return std::nullopt;
  struct ucred cred {};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return std::nullopt;
  return cred.uid;
}

bool PeerIsThisUser(int fd) {
  const std::optional<uid_t> uid = PeerUser(fd);
  return uid && *uid == getuid();
}

}  // namespace quiret
