// What a file is on the disk at one moment, to tell later whether another program changed it.
#pragma once

#include <cstdint>
#include <string>

namespace quiret {

struct FileIdentity {
  bool Exists = false;
  std::uint64_t Size = 0;
  std::int64_t MtimeNs = 0;  // modification time, nanoseconds since the epoch
  std::uint64_t Inode = 0;
  std::uint64_t Device = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
  // The same file (not its content): device and inode.
  bool SameFile(const FileIdentity& other) const {
    return Exists && other.Exists && Device == other.Device && Inode == other.Inode;
  }
};

// Symbolic links are followed. A path that cannot be asked about does not exist.
FileIdentity IdentityOf(const std::string& path);
FileIdentity IdentityOfOpenFile(int fd);

}  // namespace quiret
