// FindScan: the fast byte scan behind find: a search text whose bytes may each take one of
// two values (a letter in either case), looked for many bytes at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quiret {

// Byte i of the text matches a[i] or b[i]; b[i] == a[i] where the byte has one form.
struct TwoFormText {
  std::string a, b;
  std::size_t size() const { return a.size(); }
  bool empty() const { return a.empty(); }
  // Each ASCII letter matches in either case; every other byte as itself.
  static TwoFormText AsciiCaseless(std::string_view text);
};

// The first offset at or after `from` where every byte of `needle` matches one of its forms,
// or npos. Bytes are compared only; where characters start is the caller's business.
std::size_t FindTwoForm(std::string_view hay, std::size_t from, const TwoFormText& needle);

}  // namespace quiret
