// The settings (INI profile) file with the semantics of the classic profile-file API.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quiret {

// A profile integer: decimal with an optional sign, or hexadecimal (all 32 bits) after "0x"
// or "$"; nothing when the text is not one.
std::optional<int> ParseProfileInteger(std::string_view text);

// Section and key names compare case-insensitively; writes keep every other section, key,
// comment and line as it was; the file is created at the first write. Each write goes to
// the disk at once. Text is UTF-8.
class IniFile {
 public:
  explicit IniFile(std::string path);
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Decimal, or hexadecimal after "0x" or "$"; a missing or malformed value gives def.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void EraseSection(const std::string& section);

 private:
  std::string path_;
};

}  // namespace quiret
