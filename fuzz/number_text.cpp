// Fuzzes the number and Boolean text parsers and the pattern matcher with arbitrary bytes.
// Besides "no crash and only the documented errors", it checks that a parsed number written in
// the general format reads back within fifteen significant digits, and that the matcher agrees
// with a plain dynamic-programming matcher on patterns without lists.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/conversions.hpp"
#include "support/pattern_match.hpp"
#include "tessaglyph/error.hpp"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void requireError(const tg::Error& error, std::int32_t a, std::int32_t b = -1) {
  require(error.number() == a || error.number() == b);
}

void checkNumberText(std::string_view text) {
  const std::optional<double> parsed = tg::parseNumber(text);
  require(tg::isNumeric(text) == parsed.has_value());
  try {
    const double value = tg::textToDouble(text);
    require(parsed.has_value() && (value == *parsed || (std::isnan(value) && std::isnan(*parsed))));
  } catch (const tg::Error& error) {
    requireError(error, tg::PLATFORM_E_TYPEMISMATCH, tg::PLATFORM_E_OVERFLOW);
    require(!parsed.has_value());
  }
  if (!parsed) return;
  const double value = *parsed;
  require(std::isfinite(value));

  const std::string written = tg::doubleToText(value);
  require(!written.empty() && written.front() != ' ');
  const std::optional<double> back = tg::parseNumber(written);
  if (!back) {
    // Only a value next to the top of the range may round up past it.
    require(std::fabs(value) > 1.79769313486231e308);
  } else {
    require(std::fabs(*back - value) <= std::fabs(value) * 1e-14);
    // What was written once is written the same way again.
    require(tg::doubleToText(*back) == written);
  }

  if (std::fabs(value) < 3.4e38) {
    const float single = tg::toSingle(value);
    const std::optional<double> singleBack = tg::parseNumber(tg::singleToText(single));
    require(singleBack.has_value());
    require(std::fabs(*singleBack - double(single)) <= std::fabs(double(single)) * 1e-6);
  }

  try {
    const tg::Long rounded = tg::roundToLong(value);
    require(std::fabs(double(rounded) - value) <= 0.5);
  } catch (const tg::Error& error) {
    requireError(error, tg::PLATFORM_E_OVERFLOW);
    require(!(std::fabs(value) < 2147483647.0));
  }
}

void checkBooleanText(std::string_view text) {
  try {
    tg::textToBoolean(text);
  } catch (const tg::Error& error) {
    requireError(error, tg::PLATFORM_E_TYPEMISMATCH, tg::PLATFORM_E_OVERFLOW);
  }
}

// The reference matcher for patterns made of literals, "?", "#" and "*" only.
bool referenceMatch(std::string_view text, std::string_view pattern) {
  const std::size_t n = text.size();
  const std::size_t m = pattern.size();
  // row[j]: the first i text characters match the first j pattern characters.
  std::vector<char> row(m + 1, 0);
  row[0] = 1;
  for (std::size_t j = 1; j <= m; ++j)
    row[j] = row[j - 1] && pattern[j - 1] == '*';
  for (std::size_t i = 1; i <= n; ++i) {
    std::vector<char> next(m + 1, 0);
    const char c = text[i - 1];
    for (std::size_t j = 1; j <= m; ++j) {
      const char p = pattern[j - 1];
      if (p == '*') {
        next[j] = next[j - 1] || row[j];
      } else if (p == '?') {
        next[j] = row[j - 1];
      } else if (p == '#') {
        next[j] = row[j - 1] && c >= '0' && c <= '9';
      } else {
        next[j] = row[j - 1] && c == p;
      }
    }
    row.swap(next);
  }
  return row[m] != 0;
}

void checkPattern(std::string_view text, std::string_view pattern) {
  try {
    const bool matched = tg::likeMatch(text, pattern);
    if (pattern.find('[') == std::string_view::npos) {
      if (text.size() * pattern.size() <= 1 << 16) {
        require(matched == referenceMatch(text, pattern));
      }
      // Without lists (whose negation cuts the other way), ignoring case only adds matches.
      if (matched) require(tg::likeMatch(text, pattern, tg::PatternCase::Insensitive));
    }
  } catch (const tg::Error& error) {
    requireError(error, tg::PLATFORM_E_INVALIDPATTERNSTRING);
    require(pattern.find('[') != std::string_view::npos);
  }
  try {
    tg::filterMatch(text, pattern);
  } catch (const tg::Error& error) {
    requireError(error, tg::PLATFORM_E_INVALIDPATTERNSTRING);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  checkNumberText(input);
  checkBooleanText(input);

  std::size_t split = input.find('\0');
  std::size_t rest = split + 1;
  if (split == std::string_view::npos) {
    split = input.size() / 2;
    rest = split;
  }
  checkPattern(input.substr(0, split), input.substr(rest));
  return 0;
}
