// Small rules every list of a program follows: 1-based public indexes, at most 32767 entries
// (counts are Integers), names found without regard to case and never by an empty name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg::program_lists {

inline constexpr std::size_t kMaxEntries = 32767;

// True when `wanted` is a real name (not blank) and names `stored`.
bool namesMatch(std::string_view stored, std::string_view wanted) noexcept;

// The 0-based position of a 1-based index; 9 "Subscript out of range" outside 1..count.
std::size_t position(Integer index, std::size_t count);

// Raises 6 "Overflow" when a list of `count` entries cannot take one more.
void checkRoomForOne(std::size_t count);

// A Long that must fit an Integer result; 6 "Overflow" otherwise.
Integer toInteger(Long value);

// Raises a program error: no source text, the number and the description.
[[noreturn]] void raiseProgramError(std::int32_t number, std::string description);

}  // namespace tg::program_lists
