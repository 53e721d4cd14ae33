// Shared helpers for the fuzz targets: a reader that turns input bytes into choices, and a
// check that aborts, so both libFuzzer and the seed replay report a broken rule as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quiret::fuzz {

[[noreturn]] inline void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  std::abort();
}

#define FUZZ_CHECK(cond, detail)                        \
  do {                                                  \
    if (!(cond)) ::quiret::fuzz::Fail(#cond, (detail)); \
  } while (0)

// Takes choices from the front of the input; once it is used up every choice is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A value in [lo, hi].
  int Range(int lo, int hi) {
    const unsigned span = static_cast<unsigned>(hi - lo) + 1;
    unsigned v = Byte();
    if (span > 256) v = v << 8 | Byte();
    return lo + static_cast<int>(v % span);
  }
  bool Bool() { return Byte() & 1; }
  // Up to maxLen bytes, the length chosen by the input.
  std::string Bytes(std::size_t maxLen) {
    const std::size_t n = std::min<std::size_t>(Byte() % (maxLen + 1), size_ - std::min(pos_, size_));
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  std::string_view Rest() {
    if (pos_ >= size_) return {};
    std::string_view s(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

inline std::string Hex(std::string_view s) {
  static const char d[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

}  // namespace quiret::fuzz
