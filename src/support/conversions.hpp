// The platform's value conversions, kept in one place: rounding into the integer widths, text to
// number and back in the general format, and Boolean text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

// The nearest whole number, halves to the even one, whatever the floating-point rounding mode;
// infinities and NaN come back unchanged.
double roundHalfEven(double value);

// Round half to even into each width; a value outside the width (or not a number) raises
// error 6 "Overflow".
Byte roundToByte(double value);
Integer roundToInteger(double value);
Long roundToLong(double value);

// A Double narrowed to a Single; a finite value beyond the Single range raises error 6.
Single toSingle(double value);

// Text to number. Leading and trailing blanks (spaces and tabs) are allowed; the number may
// have a sign, a fraction, an exponent ("1E5", "1e-05", "1D5") and may be a hexadecimal
// ("&H1F") or octal ("&O17") literal of at most 32 bits. Anything else, including an empty text,
// raises error 13 "Type mismatch". A number beyond the Double range raises error 6.
double textToDouble(std::string_view text);
// As textToDouble, then narrowed: error 6 when the value does not fit.
Single textToSingle(std::string_view text);
Byte textToByte(std::string_view text);
Integer textToInteger(std::string_view text);
Long textToLong(std::string_view text);
// The same parse without raising: empty where textToDouble would raise (not a number, or
// beyond the Double range).
std::optional<double> parseNumber(std::string_view text) noexcept;
// True when textToDouble would succeed.
bool isNumeric(std::string_view text) noexcept;
// The whole number within the Long range a text holds; empty for anything else.
std::optional<Long> wholeNumber(std::string_view text) noexcept;

// Number to text in the general format: no leading blank, at most 15 significant digits for a
// Double and 7 for a Single, fixed notation for decimal exponents -5 < e < digits and
// otherwise the "1.5E+20" / "1E-05" form (at least two exponent digits). Infinities and NaN
// are written "1.#INF", "-1.#INF" and "-1.#IND".
std::string doubleToText(double value);
std::string singleToText(Single value);
std::string longToText(Long value);

// Boolean text: "True" or "False".
std::string booleanToText(bool value);
// "True"/"False" in any case (blanks around allowed) or a number, non-zero being true;
// anything else raises error 13.
bool textToBoolean(std::string_view text);
// The number a Boolean becomes where a number is stored: -1 for true, 0 for false.
constexpr Integer booleanToNumber(bool value) {
  return value ? Integer(-1) : Integer(0);
}

}  // namespace tg
