// Case and blanks of text in the system's 8-bit character set (ISO-8859-1: one byte, one
// character), and names compared the way the system compares them.
#pragma once

#include <string>
#include <string_view>

namespace tg {

// Blanks (spaces) trimmed from both ends, as the platform's Trim does; trimSpace also removes
// tabs, carriage returns and line feeds.
std::string_view trimBlanks(std::string_view text) noexcept;
std::string_view trimLeftBlanks(std::string_view text) noexcept;
std::string_view trimRightBlanks(std::string_view text) noexcept;
std::string_view trimSpace(std::string_view text) noexcept;

char toUpperChar(char c) noexcept;
char toLowerChar(char c) noexcept;
std::string toUpper(std::string_view text);
std::string toLower(std::string_view text);

// Equality without regard to case.
bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept;
// Names compared as the system compares them: trimmed, without regard to case.
bool sameName(std::string_view a, std::string_view b) noexcept;

}  // namespace tg
