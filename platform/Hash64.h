// A fast 64-bit hash of byte streams (the XXH64 function), fed in pieces of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quiret {

class Hash64 {
 public:
  explicit Hash64(std::uint64_t seed = 0);
  void Update(const void* data, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The hash of everything fed so far; more may be fed afterwards.
  std::uint64_t Digest() const;

  static std::uint64_t Of(std::string_view bytes, std::uint64_t seed = 0) {
    Hash64 h(seed);
    h.Update(bytes);
    return h.Digest();
  }

 private:
  std::uint64_t lanes_[4];
  std::uint64_t seed_;
  std::uint64_t total_ = 0;
  unsigned char buffer_[32];
  std::size_t buffered_ = 0;
};

}  // namespace quiret
