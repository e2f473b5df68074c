// Case folding covers ISO-8859-1: the Latin-1 letters À..Þ (but not ×) map to à..þ (but not ÷).
#include "support/text.hpp"

namespace tg {

std::string_view trimLeftBlanks(std::string_view text) noexcept {
  std::size_t first = 0;
  while (first < text.size() && text[first] == ' ')
    ++first;
  return text.substr(first);
}

std::string_view trimRightBlanks(std::string_view text) noexcept {
  std::size_t last = text.size();
  while (last > 0 && text[last - 1] == ' ')
    --last;
  return text.substr(0, last);
}

std::string_view trimBlanks(std::string_view text) noexcept {
  return trimRightBlanks(trimLeftBlanks(text));
}

std::string_view trimSpace(std::string_view text) noexcept {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::size_t first = 0;
  while (first < text.size() && isSpace(text[first]))
    ++first;
  std::size_t last = text.size();
  while (last > first && isSpace(text[last - 1]))
    --last;
  return text.substr(first, last - first);
}

char toUpperChar(char c) noexcept {
  const auto u = static_cast<unsigned char>(c);
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
    return static_cast<char>(u - 0x20);
  }
  return c;
}

char toLowerChar(char c) noexcept {
  const auto u = static_cast<unsigned char>(c);
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
    return static_cast<char>(u + 0x20);
  }
  return c;
}

std::string toUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = toUpperChar(c);
  return result;
}

std::string toLower(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = toLowerChar(c);
  return result;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (toUpperChar(a[i]) != toUpperChar(b[i])) return false;
  }
  return true;
}

bool sameName(std::string_view a, std::string_view b) noexcept {
  return equalsIgnoreCase(trimBlanks(a), trimBlanks(b));
}

}  // namespace tg
