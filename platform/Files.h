// File-system questions the shell asks: existence, directories, the read-only attribute.
#pragma once

#include <cstddef>
#include <string>

namespace quiret {

bool FileExists(const std::string& path);  // an existing file (not a directory)
bool DirectoryExists(const std::string& path);
bool IsReadOnlyFile(const std::string& path);  // exists and has no write permission bit
// This user may write the file (its permissions and the file system, as the running
// program's effective ids); false too when it does not exist.
bool MayWriteFile(const std::string& path);
// A regular file (links followed): never a folder, device, FIFO or socket, whose reading
// could block or never end. Asked without blocking.
bool IsRegularFile(const std::string& path);
// Opens a regular file (links followed) without ever waiting: a FIFO, device or socket is
// refused (EINVAL; EISDIR for a folder) before a byte is read or written, and O_TRUNC only
// ever cuts a regular file. The descriptor blocks again unless `flags` asks otherwise.
// -1 with errno on failure.
int OpenRegularFile(const std::string& path, int flags);
std::string ExtractFileDir(const std::string& path);   // text before the last "/"
std::string ExtractFileName(const std::string& path);  // text after the last "/"
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// A path made absolute against the working folder (or against `base`, an absolute folder,
// when given), "." and ".." segments removed; links are not resolved, so the name the user
// gave stays visible.
std::string AbsolutePath(const std::string& path, const std::string& base = std::string());
// What a path names, asked without opening it (so without blocking on a FIFO or a device).
enum class PathKind {
  Regular,  // a regular file this user may read (links followed)
  Folder,
  Special,   // a FIFO, device or socket
  Missing,   // nothing there (or a folder on the way is not one)
  NoAccess,  // a file or a folder on the way this user may not read or search
  TooLong,   // the name is longer than the system takes
};
PathKind KindOfPath(const std::string& path);
// Writes every byte to the descriptor, going on after short writes and interrupted calls.
// 0 when all were written, else the errno of the failure (EIO for a write that took none).
int WriteAllBytes(int fd, const char* data, std::size_t size);

}  // namespace quiret
