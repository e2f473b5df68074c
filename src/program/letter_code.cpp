#include "program/letter_code.hpp"

#include <limits>

namespace tg {

std::string letterCode(Long n) {
  if (n < 1) return {};
  const auto zeroBased = n - 1;
  const auto letter = static_cast<char>('a' + zeroBased % 26);
  return std::string(std::size_t(zeroBased / 26) + 1, letter);
}

Long letterCodeValue(std::string_view code) {
  if (code.empty()) return 0;
  const char letter = code.front();
  if (letter < 'a' || letter > 'z') return 0;
  for (const char c : code) {
    if (c != letter) return 0;
  }
  const auto repeats = Long(code.size()) - 1;
  // Beyond this the number no longer fits a Long; no generator ever gets there.
  if (repeats > (std::numeric_limits<Long>::max() - 26) / 26) return 0;
  return Long(letter - 'a' + 1) + 26 * repeats;
}

std::string symbolicName(std::string_view prefix, Long n) {
  std::string name(prefix);
  name += letterCode(n);
  return name;
}

}  // namespace tg
