// The settings file with the classic profile-file API: every write goes to the disk at once.
#pragma once

#include <string>

#include "platform/IniDocument.h"

namespace quiret {

// Each call reads the file; each write saves it whole with the safe replace, and only when
// the text changes. Many keys at once belong in one IniDocument and one Save instead.
class IniFile {
 public:
  explicit IniFile(std::string path);
  const std::string& Path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
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
