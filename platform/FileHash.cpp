// Whole-file hashes read with plain read(2), and the identity comparison they back up.
#include "platform/FileHash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Hash64.h"

namespace quiret {

bool LooksUnchanged(const FileIdentity& then, const FileIdentity& now) {
  return then.Exists && now.Exists && then.Size == now.Size && then.MtimeNs == now.MtimeNs &&
         then.Inode == now.Inode;
}

std::optional<std::uint64_t> HashFile(const std::string& path, const std::function<bool()>& keepGoing,
                                      const std::function<void(std::string_view)>& each) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Hash64 hash;
  std::vector<char> block(std::size_t{1} << 20);
  for (;;) {
    if (keepGoing && !keepGoing()) {
      close(fd);
      return std::nullopt;
    }
    const ssize_t got = read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    hash.Update(block.data(), static_cast<std::size_t>(got));
    if (each) each(std::string_view(block.data(), static_cast<std::size_t>(got)));
  }
  close(fd);
  return hash.Digest();
}

}  // namespace quiret
