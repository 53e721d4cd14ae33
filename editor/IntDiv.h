// Integer division rounding toward minus or plus infinity (scroll units, margins).
#pragma once

#include <cstdint>

namespace quiret {

constexpr std::int32_t FloorDiv(std::int32_t a, std::int32_t b) {
  const std::int32_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr std::int32_t CeilDiv(std::int32_t a, std::int32_t b) { return -FloorDiv(-a, b); }

}  // namespace quiret
