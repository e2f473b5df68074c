// Byte-order primitives shared by the machine's byte-flip instruction and the numeric helpers.
#pragma once

#include <cstdint>

#include "tessaglyph/types.hpp"

namespace tg {

// The four bytes of the value in reverse order.
constexpr Long swapBytes4(Long value) noexcept {
  const auto bits = static_cast<std::uint32_t>(value);
  return static_cast<Long>((bits >> 24) | ((bits >> 8) & 0x0000FF00u) |
                           ((bits << 8) & 0x00FF0000u) | (bits << 24));
}

}  // namespace tg
