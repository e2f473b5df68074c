// Conversions between numbers and text, done the way the platform does them, so that a script
// sees the same values and texts wherever it runs.
//
// Choices made where the platform is loose or locale-bound:
// - Blanks around a number are spaces and tabs; a blank inside a number ("1 2", "- 5") makes it
//   no number. Thousands separators, currency signs, parentheses and type suffixes are not
//   accepted, and the decimal separator is always ".", whatever the process locale.
// - A lone sign, a lone ".", an exponent letter without digits ("1E", "1E+") are no number.
// - The exponent letter may be E or D, in either case ("1D5" is 100000).
// - "&H" and "&O" literals (either case, no sign) hold at most 32 bits, else error 6. As a
//   Double or Single they are their unsigned value; as an Integer or Long they are the bits of
//   that width, so "&HFFFF" is -1 as an Integer and 65535 as a Long, "&HFFFFFFFF" is -1 as a Long.
// - Text beyond the Double range raises error 6; text below the smallest Double becomes 0 (or
//   the nearest subnormal).
// - Infinity and NaN are written as the platform writes them: "1.#INF", "-1.#INF" and
//   "-1.#IND" (every NaN); none of these read back as a number.
#include "support/conversions.hpp"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

// ---------------------------------------------------------------------------------------------
// Rounding

template <typename T>
T roundInto(double value) {
  const double rounded = roundHalfEven(value);
  // NaN fails both comparisons and lands here too.
  if (!(rounded >= double(std::numeric_limits<T>::min()) &&
        rounded <= double(std::numeric_limits<T>::max()))) {
    raisePlatformError(PLATFORM_E_OVERFLOW);
  }
  return static_cast<T>(rounded);
}

// ---------------------------------------------------------------------------------------------
// Parsing

enum class ParseStatus { Number, NotNumber, Overflow };

struct Parsed {
  ParseStatus status = ParseStatus::NotNumber;
  double value = 0.0;
  // A "&H"/"&O" literal keeps its bits for the integer widths.
  bool isBits = false;
  std::uint32_t bits = 0;
};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trimNumberBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

Parsed parseBits(std::string_view digits, unsigned radix) {
  Parsed result;
  if (digits.empty()) return result;
  std::uint64_t value = 0;
  for (char c : digits) {
    unsigned digit = 0;
    if (isDigit(c)) {
      digit = unsigned(c - '0');
    } else if (radix == 16 && c >= 'a' && c <= 'f') {
      digit = unsigned(c - 'a' + 10);
    } else if (radix == 16 && c >= 'A' && c <= 'F') {
      digit = unsigned(c - 'A' + 10);
    } else {
      return result;
    }
    if (digit >= radix) return result;
    // Keep reading after an overflow: a bad digit later still makes it no number.
    if (value <= 0xFFFFFFFFull) value = value * radix + digit;
  }
  if (value > 0xFFFFFFFFull) {
    result.status = ParseStatus::Overflow;
    return result;
  }
  result.status = ParseStatus::Number;
  result.isBits = true;
  result.bits = std::uint32_t(value);
  result.value = double(value);
  return result;
}

locale_t numberLocale() {
  static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t(0));
  return locale;
}

Parsed parseText(std::string_view input) noexcept {
  Parsed result;
  const std::string_view text = trimNumberBlanks(input);
  if (text.empty()) return result;

  if (text.size() >= 2 && text[0] == '&') {
    const char kind = text[1];
    if (kind == 'H' || kind == 'h') return parseBits(text.substr(2), 16);
    if (kind == 'O' || kind == 'o') return parseBits(text.substr(2), 8);
    return result;
  }

  // Validate the decimal form and copy it into a plain buffer for strtod: sign, digits,
  // optional fraction, optional exponent. The copy is bounded so that huge digit runs do not
  // allocate; digits beyond the first few hundred cannot change a double, but they do shift
  // the exponent, which is why leading integer digits are all counted.
  std::size_t pos = 0;
  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t intStart = pos;
  while (pos < text.size() && isDigit(text[pos]))
    ++pos;
  const std::string_view intDigits = text.substr(intStart, pos - intStart);
  std::string_view fracDigits;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    const std::size_t fracStart = pos;
    while (pos < text.size() && isDigit(text[pos]))
      ++pos;
    fracDigits = text.substr(fracStart, pos - fracStart);
  }
  if (intDigits.empty() && fracDigits.empty()) return result;

  long long exponent = 0;
  if (pos < text.size() &&
      (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      negativeExponent = text[pos] == '-';
      ++pos;
    }
    const std::size_t expStart = pos;
    while (pos < text.size() && isDigit(text[pos])) {
      // Saturate: an exponent this large is an overflow or an underflow either way.
      if (exponent < 100000000) exponent = exponent * 10 + (text[pos] - '0');
      ++pos;
    }
    if (pos == expStart) return result;
    if (negativeExponent) exponent = -exponent;
  }
  if (pos != text.size()) return result;

  // Significant digits, leading zeros dropped, written as "-0.DIGITSe+X" into a fixed buffer
  // (no allocation: this parse never throws). Digits past the first few hundred cannot change
  // a double, but each integer digit still counts towards the exponent.
  constexpr std::size_t kMaxDigits = 800;
  char plain[kMaxDigits + 40];
  std::size_t length = 0;
  if (negative) plain[length++] = '-';
  plain[length++] = '0';
  plain[length++] = '.';
  const std::size_t digitsStart = length;
  long long pointShift = 0;  // value = 0.DIGITS × 10^(pointShift + exponent)
  bool leading = true;
  for (char c : intDigits) {
    if (leading && c == '0') continue;
    leading = false;
    if (length - digitsStart < kMaxDigits) plain[length++] = c;
    ++pointShift;
  }
  for (char c : fracDigits) {
    if (leading && c == '0') {
      --pointShift;
      continue;
    }
    leading = false;
    if (length - digitsStart < kMaxDigits) plain[length++] = c;
  }
  result.status = ParseStatus::Number;
  if (length == digitsStart) {
    result.value = negative ? -0.0 : 0.0;
    return result;
  }
  const long long decimalExponent = pointShift + exponent;
  if (decimalExponent > 400) {
    result.status = ParseStatus::Overflow;
    return result;
  }
  if (decimalExponent < -400) {
    result.value = negative ? -0.0 : 0.0;
    return result;
  }
  plain[length++] = 'e';
  length = std::size_t(
      std::to_chars(plain + length, plain + sizeof plain - 1, decimalExponent).ptr - plain);
  plain[length] = '\0';
  const locale_t locale = numberLocale();
  const double value =
      locale != locale_t(0) ? strtod_l(plain, nullptr, locale) : std::strtod(plain, nullptr);
  if (std::isinf(value)) {
    result.status = ParseStatus::Overflow;
    return result;
  }
  result.value = value;
  return result;
}

Parsed parseOrRaise(std::string_view text) {
  Parsed parsed = parseText(text);
  if (parsed.status == ParseStatus::NotNumber) raisePlatformError(PLATFORM_E_TYPEMISMATCH);
  if (parsed.status == ParseStatus::Overflow) raisePlatformError(PLATFORM_E_OVERFLOW);
  return parsed;
}

// ---------------------------------------------------------------------------------------------
// Formatting

template <typename T>
std::string generalFormat(T value, int digits) {
  if (std::isnan(value)) return "-1.#IND";
  if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
  if (value == 0) return "0";

  // Scientific form rounded to the significant digits: "-d.ddddde+xx".
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::scientific, digits - 1);
  if (ec != std::errc()) return "0";  // cannot happen: the buffer holds any such form
  const std::string_view scientific(buffer, std::size_t(end - buffer));

  const bool negative = scientific.front() == '-';
  const std::size_t ePos = scientific.find('e');
  std::string mantissa;
  for (char c : scientific.substr(0, ePos)) {
    if (isDigit(c)) mantissa.push_back(c);
  }
  int exponent = 0;
  std::from_chars(scientific.data() + ePos + 1 + (scientific[ePos + 1] == '+'),
                  scientific.data() + scientific.size(), exponent);
  while (mantissa.size() > 1 && mantissa.back() == '0')
    mantissa.pop_back();

  std::string out;
  if (negative) out.push_back('-');
  if (exponent > -5 && exponent < digits) {
    if (exponent >= 0) {
      const std::size_t intCount = std::size_t(exponent) + 1;
      if (mantissa.size() <= intCount) {
        out += mantissa;
        out.append(intCount - mantissa.size(), '0');
      } else {
        out.append(mantissa, 0, intCount);
        out.push_back('.');
        out.append(mantissa, intCount, std::string::npos);
      }
    } else {
      out += "0.";
      out.append(std::size_t(-exponent - 1), '0');
      out += mantissa;
    }
  } else {
    out.push_back(mantissa[0]);
    if (mantissa.size() > 1) {
      out.push_back('.');
      out.append(mantissa, 1, std::string::npos);
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out.push_back('0');
    out += std::to_string(magnitude);
  }
  return out;
}

}  // namespace

// -----------------------------------------------------------------------------------------------

// Exact for every double: v - floor(v) is computed without error, and nothing depends on the
// floating-point environment's rounding mode.
double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double down = std::floor(value);
  const double fraction = value - down;
  if (fraction > 0.5) return down + 1.0;
  if (fraction < 0.5) return down;
  return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

Byte roundToByte(double value) {
  return roundInto<Byte>(value);
}
Integer roundToInteger(double value) {
  return roundInto<Integer>(value);
}
Long roundToLong(double value) {
  return roundInto<Long>(value);
}

Single toSingle(double value) {
  // Beyond FLT_MAX plus half its last place the narrowing would give infinity.
  if (std::isfinite(value) && std::fabs(value) >= 0x1.ffffffp+127) {
    raisePlatformError(PLATFORM_E_OVERFLOW);
  }
  return static_cast<Single>(value);
}

double textToDouble(std::string_view text) {
  return parseOrRaise(text).value;
}

Single textToSingle(std::string_view text) {
  return toSingle(parseOrRaise(text).value);
}

Byte textToByte(std::string_view text) {
  return roundToByte(parseOrRaise(text).value);
}

Integer textToInteger(std::string_view text) {
  const Parsed parsed = parseOrRaise(text);
  if (parsed.isBits) {
    if (parsed.bits > 0xFFFFu) raisePlatformError(PLATFORM_E_OVERFLOW);
    return static_cast<Integer>(static_cast<std::uint16_t>(parsed.bits));
  }
  return roundToInteger(parsed.value);
}

Long textToLong(std::string_view text) {
  const Parsed parsed = parseOrRaise(text);
  if (parsed.isBits) return static_cast<Long>(parsed.bits);
  return roundToLong(parsed.value);
}

std::optional<double> parseNumber(std::string_view text) noexcept {
  const Parsed parsed = parseText(text);
  if (parsed.status != ParseStatus::Number) return std::nullopt;
  return parsed.value;
}

bool isNumeric(std::string_view text) noexcept {
  return parseText(text).status == ParseStatus::Number;
}

std::optional<Long> wholeNumber(std::string_view text) noexcept {
  const auto value = parseNumber(text);
  if (!value || !std::isfinite(*value) || std::floor(*value) != *value) return std::nullopt;
  if (*value < double(std::numeric_limits<Long>::min()) ||
      *value > double(std::numeric_limits<Long>::max())) {
    return std::nullopt;
  }
  return Long(*value);
}

std::string doubleToText(double value) {
  return generalFormat(value, 15);
}

std::string singleToText(Single value) {
  return generalFormat(value, 7);
}

std::string longToText(Long value) {
  return std::to_string(value);
}

std::string booleanToText(bool value) {
  return value ? "True" : "False";
}

bool textToBoolean(std::string_view text) {
  const std::string_view word = trimNumberBlanks(text);
  if (equalsIgnoreCase(word, "True")) return true;
  if (equalsIgnoreCase(word, "False")) return false;
  return textToDouble(word) != 0.0;
}

}  // namespace tg
