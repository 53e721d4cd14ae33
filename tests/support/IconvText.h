// Test texts in other encodings, made by the system's converter from UTF-8.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace quiret::test {

// UTF-8 text in encoding `to`; nothing when the converter refuses it.
inline std::optional<std::string> Iconv(const char* to, std::string_view utf8) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* o = out.data();
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  if (r != static_cast<std::size_t>(-1)) r = iconv(cd, nullptr, nullptr, &o, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace quiret::test
