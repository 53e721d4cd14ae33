// XXH64: four lanes over 32-byte stripes, then the tail and a final mix.
#include "platform/Hash64.h"

#include <cstring>

namespace quiret {

namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kP3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kP4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ULL;

inline std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// Little-endian reads, whatever the machine's order.
inline std::uint64_t Read64(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

inline std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
  acc += input * kP2;
  acc = Rotl(acc, 31);
  return acc * kP1;
}

inline std::uint64_t MergeRound(std::uint64_t acc, std::uint64_t lane) {
  acc ^= Round(0, lane);
  return acc * kP1 + kP4;
}

inline void Stripe(std::uint64_t* lanes, const unsigned char* p) {
  lanes[0] = Round(lanes[0], Read64(p));
  lanes[1] = Round(lanes[1], Read64(p + 8));
  lanes[2] = Round(lanes[2], Read64(p + 16));
  lanes[3] = Round(lanes[3], Read64(p + 24));
}

}  // namespace

Hash64::Hash64(std::uint64_t seed)
    : lanes_{seed + kP1 + kP2, seed + kP2, seed, seed - kP1}, seed_(seed), buffer_{} {}

void Hash64::Update(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  total_ += size;
  if (buffered_ + size < 32) {
    if (size) std::memcpy(buffer_ + buffered_, p, size);
    buffered_ += size;
    return;
  }
  if (buffered_) {
    const std::size_t fill = 32 - buffered_;
    std::memcpy(buffer_ + buffered_, p, fill);
    Stripe(lanes_, buffer_);
    p += fill;
    size -= fill;
    buffered_ = 0;
  }
  for (; size >= 32; p += 32, size -= 32) Stripe(lanes_, p);
  if (size) std::memcpy(buffer_, p, size);
  buffered_ = size;
}

std::uint64_t Hash64::Digest() const {
  std::uint64_t h;
  if (total_ >= 32) {
    h = Rotl(lanes_[0], 1) + Rotl(lanes_[1], 7) + Rotl(lanes_[2], 12) + Rotl(lanes_[3], 18);
    for (std::uint64_t lane : lanes_) h = MergeRound(h, lane);
  } else {
    h = seed_ + kP5;
  }
  h += total_;
  const unsigned char* p = buffer_;
  std::size_t left = buffered_;
  for (; left >= 8; p += 8, left -= 8) h = Rotl(h ^ Round(0, Read64(p)), 27) * kP1 + kP4;
  if (left >= 4) {
    h = Rotl(h ^ (std::uint64_t{Read32(p)} * kP1), 23) * kP2 + kP3;
    p += 4;
    left -= 4;
  }
  for (; left > 0; ++p, --left) h = Rotl(h ^ (*p * kP5), 11) * kP1;
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  h *= kP3;
  h ^= h >> 32;
  return h;
}

}  // namespace quiret
