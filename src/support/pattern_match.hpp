// The pattern language of the LIKE instruction and of file filters: "?" one character, "*" any
// run of characters, "#" one digit, "[list]" one character of the list, "[a-z]" a range,
// "[!list]" one character not in the list.
#pragma once

#include <string_view>

namespace tg {

enum class PatternCase { Sensitive, Insensitive };

// True when the whole of `text` matches `pattern`. A malformed pattern (an unclosed "[" or a
// descending range such as "[z-a]") raises error 93 "Invalid pattern string". The matcher never
// backtracks more than once per star, so its cost is bounded by text length times pattern length.
bool likeMatch(std::string_view text, std::string_view pattern,
               PatternCase caseMode = PatternCase::Sensitive);

// File filters match case-insensitively; "*.*" matches every name, with or without a dot, and
// several filters may be given separated by ";".
bool filterMatch(std::string_view fileName, std::string_view filter);

}  // namespace tg
