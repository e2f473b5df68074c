// Symbolic names of a program: a prefix and a letter code. The letter code of n repeats the
// letter at alphabet position ((n-1) mod 26)+1, ((n-1) div 26)+1 times: 1 "a", 26 "z", 27 "aa",
// 28 "bb", 52 "zz", 53 "aaa".
#pragma once

#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

inline constexpr std::string_view kVariablePrefix = "v_";
inline constexpr std::string_view kLiteralPrefix = "l_";
inline constexpr std::string_view kTagPrefix = "c_";
inline constexpr std::string_view kPredefinedPrefix = "p_";
inline constexpr std::string_view kRegisterName = "register";

// The letter code of n; empty for n < 1.
std::string letterCode(Long n);
// The number a letter code stands for: the position of its first letter plus 26 for every
// further letter. 0 when the text is not a letter code (empty, not a lower-case letter, or
// letters that differ).
Long letterCodeValue(std::string_view code);
// prefix + letterCode(n).
std::string symbolicName(std::string_view prefix, Long n);

}  // namespace tg
