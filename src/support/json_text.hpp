// JSON text of the system's strings, whose bytes are ISO-8859-1 characters: quotes, backslashes
// and control characters escaped, bytes above 127 written as their UTF-8 sequences.
#pragma once

#include <string>
#include <string_view>

namespace tg {

// Appends `text` to `out` as a JSON string, quotes included.
void appendJsonString(std::string& out, std::string_view text);
// The JSON string of `text`, quotes included.
std::string jsonString(std::string_view text);

}  // namespace tg
