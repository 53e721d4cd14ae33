// The session file: the open tabs in order and the active one, rewritten in the state folder
// as tabs open, close and come forward, so that a run killed without its clean exit brings
// every tab back. The settings file's reopen list stays the clean exit's record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

struct SessionTab {
  std::int64_t openedNs = 0;  // the mark of the document's journal, which a restore keeps
  std::string encoding;       // the name the file is read in again, "" for what it shows
  std::string path;           // "" for a document without a file
  bool operator==(const SessionTab&) const = default;
};

struct Session {
  std::vector<SessionTab> tabs;
  int active = -1;
  bool operator==(const Session&) const = default;
};

std::string EncodeSession(const Session& session);
// Nothing for a text that is not a whole session (cut short, damaged, another format).
std::optional<Session> ParseSession(std::string_view text);

// <state folder>/<name>.
std::string SessionFilePath(const std::string& stateFolder, const std::string& name);
// Replaces the file through a temporary beside it and a rename, so that a kill leaves either
// list whole. 0, or the errno of the failure.
int WriteSessionFile(const std::string& path, const std::string& text);
// The file's text; nothing when it is missing, not a regular file or implausibly large.
std::optional<std::string> ReadSessionFile(const std::string& path);
void RemoveSessionFile(const std::string& path);

}  // namespace quiret
