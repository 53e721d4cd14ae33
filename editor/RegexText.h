// RegexText: code page 932 bytes as the UTF-8 text the regular expression engine reads, one
// to one: bytes that code page 932 does not define, and the second codes of characters that
// have two, get private-use code points, so offsets map both ways and nothing is lost.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

// The whole conversion; map[i] is the byte offset in `cp932` of UTF-8 offset i (for each
// character start, and for the end).
void ToUtf8Mapped(std::string_view cp932, std::string& utf8, std::vector<std::size_t>& map);
std::string FromUtf8Mapped(std::string_view utf8);

// One line converted, keeping a mark every few characters instead of a map entry per byte:
// a long line costs little more than its UTF-8 text, and an offset is found by a short walk
// from the nearest mark. An ASCII line is its own UTF-8 and is not copied.
class Utf8Line {
 public:
  // `cp932` must outlive the use of this line (an ASCII line is only looked at).
  void Assign(std::string_view cp932);
  std::string_view Text() const { return text_; }
  // The code page offset of UTF-8 offset u (a character start or the end).
  std::size_t ToCp(std::size_t u) const;
  // The UTF-8 offset of the first character starting at or after code page offset cp.
  std::size_t ToUtf(std::size_t cp) const;

 private:
  struct Mark {
    std::size_t u, cp;
  };
  std::string_view cp_;
  std::string utf8_;
  std::string_view text_;
  std::vector<Mark> marks_;  // empty for an ASCII line
};

}  // namespace quiret
