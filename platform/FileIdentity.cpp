// File identities from stat: size, modification time, inode and device.
#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace quiret {

namespace {
FileIdentity FromStat(const struct stat& st) {
  FileIdentity id;
  id.Exists = true;
  id.Size = static_cast<std::uint64_t>(st.st_size);
  id.MtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  id.Inode = static_cast<std::uint64_t>(st.st_ino);
  id.Device = static_cast<std::uint64_t>(st.st_dev);
  return id;
}
}  // namespace

FileIdentity IdentityOf(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return {};
  return FromStat(st);
}

FileIdentity IdentityOfOpenFile(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return {};
  return FromStat(st);
}

}  // namespace quiret
