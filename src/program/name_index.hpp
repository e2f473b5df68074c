// Finding the entries of a symbolic program by name, as its lookups by name find them: names
// trimmed and compared without regard to case, the first of equal names winning, unnamed
// entries never found.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

class NameIndex {
 public:
  void add(std::string_view name, Long position) {
    auto key = keyOf(name);
    if (!key.empty()) m_positions.emplace(std::move(key), position);
  }
  // The 0-based position of the first entry of that name.
  std::optional<Long> find(std::string_view name) const {
    const auto found = m_positions.find(keyOf(name));
    if (found == m_positions.end()) return std::nullopt;
    return found->second;
  }

  static std::string keyOf(std::string_view name) { return toLower(trimBlanks(name)); }

 private:
  std::unordered_map<std::string, Long> m_positions;
};

// A NOP never reads its operand, so one that names nothing passes through when it is empty or
// a whole number (what the program file can carry).
inline bool nopOperandPassesThrough(std::string_view operand) {
  return trimBlanks(operand).empty() || wholeNumber(operand).has_value();
}

}  // namespace tg
