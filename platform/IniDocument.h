// The settings (INI profile) file held in memory: read once, changed key by key, saved once.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

// A profile integer: decimal with an optional sign, or hexadecimal (all 32 bits) after "0x"
// or "$"; nothing when the text is not one.
std::optional<int> ParseProfileInteger(std::string_view text);

// Section and key names compare case-insensitively; writes keep every other section, key,
// comment and line as it was, and the line-end style of the file (CR LF, LF or CR). Text
// is UTF-8. Nothing reaches the disk before Save.
class IniDocument {
 public:
  enum class SaveResult { Unchanged, Saved, ReadOnly };

  // Reads the file once; a missing or unreadable file reads as an empty one.
  explicit IniDocument(std::string path);
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Decimal, or hexadecimal after "0x" or "$"; a missing or malformed value gives def.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // How many entries the section holds (0 when it is missing).
  int EntryCount(const std::string& section) const;
  // A key or value with a line break would turn into two lines: std::invalid_argument.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void EraseSection(const std::string& section);

  // The text differs from what was read.
  bool Modified() const { return Text() != loaded_; }
  // Writes the whole file once with the safe replace (temporary file, flush, rename). A
  // file nobody may write stays as it is (ReadOnly). Throws std::runtime_error on failure.
  SaveResult Save();

 private:
  std::string Text() const;
  std::optional<std::pair<size_t, size_t>> FindSection(const std::string& section) const;

  std::string path_;
  std::vector<std::string> lines_;
  bool bom_ = false;
  std::string eol_ = "\n";  // a new file uses the platform's LF
  std::string loaded_;      // the bytes as read, to tell whether anything changed
};

}  // namespace quiret
