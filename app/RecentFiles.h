// The files last opened or saved, newest first, kept in a section of their own in the
// settings file.
#pragma once

#include <string>
#include <vector>

namespace quiret {

class IniDocument;

// One entry; more facts about a file (how it was read) can join the path here and as keys
// numbered like File<n> in the section.
struct TRecentFile {
  std::string Path;
  // The encoding it was read in, by its iconv name (Encoding<n>); empty: chosen when read.
  std::string Encoding;
  friend bool operator==(const TRecentFile&, const TRecentFile&) = default;
};

class TRecentFiles {
 public:
  static constexpr int kMaxEntries = 10;
  static constexpr const char* kSection = "Recent";

  const std::vector<TRecentFile>& Items() const { return items_; }
  // Puts the file first; an older entry for the same path goes, the oldest beyond the limit too.
  void Add(const std::string& path, const std::string& encoding = "");
  void Remove(const std::string& path);
  void Clear() { items_.clear(); }

  // Num and File1..File<Num> (with Encoding<n> where one is kept), newest first; empty,
  // repeated and surplus entries are dropped.
  void Read(const IniDocument& ini);
  // The section anew, or no section at all while the list is empty.
  void Write(IniDocument& ini) const;

 private:
  std::vector<TRecentFile> items_;
};

}  // namespace quiret
