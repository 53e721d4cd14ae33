// The classic profile-file calls, each one a read or a whole save of an IniDocument.
#include "platform/IniFile.h"

namespace quiret {

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  return IniDocument(path_).ReadString(section, key, def);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  return IniDocument(path_).ReadInteger(section, key, def);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return IniDocument(path_).ReadBool(section, key, def);
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  IniDocument doc(path_);
  doc.WriteString(section, key, value);
  doc.Save();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(const std::string& section) {
  IniDocument doc(path_);
  doc.EraseSection(section);
  doc.Save();
}

}  // namespace quiret
