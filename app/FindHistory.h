// The last searches and replacements, newest first, kept in a section of their own in the
// settings file.
#pragma once

#include <string>
#include <vector>

namespace quiret {

class IniDocument;

class TFindHistory {
 public:
  static constexpr std::size_t kMaxEntries = 20;
  static constexpr const char* kSection = "FindHistory";

  // Texts in UTF-8.
  const std::vector<std::string>& Finds() const { return finds_; }
  const std::vector<std::string>& Replacements() const { return replacements_; }
  // Puts the text first; the same text further down goes, the oldest beyond the limit too.
  void AddFind(const std::string& text) { Add(finds_, text); }
  void AddReplacement(const std::string& text) { Add(replacements_, text); }

  // Find1.. and Replace1.., each value in double quotes (so that blanks at its ends stay).
  void Read(const IniDocument& ini);
  // The section anew, or none while both lists are empty.
  void Write(IniDocument& ini) const;

 private:
  void Add(std::vector<std::string>& list, const std::string& text);
  std::vector<std::string> finds_, replacements_;
};

}  // namespace quiret
