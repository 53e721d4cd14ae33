// The generated document the editing and find benchmarks share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quiret {

// Lines of 40..100 bytes (about 70 on average) of ASCII words and double-byte characters
// (kana, the double-byte space, kanji), CR LF between them; the same text on every run.
// With `marker`, one line in 15 starts with it.
inline std::string MakeBenchText(std::size_t bytes, std::string_view marker = {}) {
  static const std::string kWide = "\x82\xA0\x82\xA2\x82\xA4\x81\x40\x8A\xBF\x8E\x9A";
  std::string text;
  text.reserve(bytes + 200);
  unsigned seed = 4711;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  std::string line;
  while (text.size() < bytes) {
    if (!text.empty()) text += "\r\n";
    const std::size_t len = 40 + next() % 61;
    line.clear();
    if (!marker.empty() && next() % 15 == 0) line += marker;
    while (line.size() < len) {
      const unsigned r = next();
      if (r % 3 == 0) {
        line += kWide.substr(((r >> 4) % 6) * 2, 2);
      } else {
        line += static_cast<char>('a' + (r >> 4) % 26);
        if ((r >> 10) % 7 == 0) line += ' ';
      }
    }
    text += line;
  }
  return text;
}

}  // namespace quiret
