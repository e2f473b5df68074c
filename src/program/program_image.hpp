// The binary image of a compiled program as it lies in a program file: the fixed header, the
// widths of its fields and their little-endian encoding. The reader and the writer share these
// so that the two sides cannot drift apart.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "tessaglyph/types.hpp"

namespace tg::program_image {

// The 22 bytes every image starts with: no count, no terminator.
inline constexpr std::string_view kMagic = "TESSAGLYPH PROGRAM 1.0";
inline constexpr Long kMagicLength = 22;
static_assert(kMagic.size() == std::size_t(kMagicLength));

// Header layout, relative to the image's first byte.
inline constexpr Long kRoutinesPositionAt = 22;
inline constexpr Long kAttributesPositionAt = 26;
inline constexpr Long kLiteralsPositionAt = 30;
inline constexpr Long kCodePositionAt = 34;
inline constexpr Long kDebugPositionAt = 38;
inline constexpr Long kPropertyCountAt = 42;
// Magic and the five section positions; the property count follows them.
inline constexpr Long kHeaderLength = 42;
// D when the image has no debug section.
inline constexpr Long kNoDebugSection = -1;

// A routine's name is held in a fixed field, padded with blanks.
inline constexpr std::size_t kRoutineNameWidth = 20;
inline constexpr std::size_t kRoutineEntryLength = kRoutineNameWidth + 2;
// Every non-delimited attribute carries the width of its size field, which is always an Integer.
inline constexpr Integer kAttributeSizeWidth = 2;
// Code section: three Integer counts, then 3 bytes per initializer and 5 per instruction.
inline constexpr std::size_t kCodeHeaderLength = 6;
inline constexpr std::size_t kInitializerLength = 3;
inline constexpr std::size_t kInstructionLength = 5;
inline constexpr std::size_t kLineTagLength = 4;

// The unsigned integer of the same width as T.
template <typename T>
using BitsOf = std::conditional_t<
    sizeof(T) == 1, std::uint8_t,
    std::conditional_t<sizeof(T) == 2, std::uint16_t,
                       std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

// Little-endian loads and stores of the image's scalar fields, byte by byte so that they hold on
// any host byte order.
template <typename T>
T load(const unsigned char* bytes) {
  using Bits = BitsOf<T>;
  Bits bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bits |= Bits(Bits(bytes[i]) << (8 * i));
  return std::bit_cast<T>(bits);
}

template <typename T>
void store(T value, unsigned char* bytes) {
  const auto bits = std::bit_cast<BitsOf<T>>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

}  // namespace tg::program_image
