// Helpers shared by the value-cell tests: what a call gives, as one comparable text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>

#include "machine/datum.hpp"
#include "tessaglyph/error.hpp"

namespace tg::test {

// A value as exact text; a cell as its kind's letter and value ("L:5", "T:abc"), or "none".
template <typename T>
std::string show(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value ? "true" : "false";
  } else if constexpr (std::is_integral_v<T>) {
    return std::to_string(static_cast<long long>(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", sizeof(T) == 4 ? 9 : 17, double(value));
    return text;
  } else if constexpr (std::is_same_v<T, DatumRef>) {
    return value ? std::string(1, "BILSDT"[value->dataType()]) + ":" + value->getString() : "none";
  } else {
    return std::string(value);
  }
}

// What a call gives: its value shown as above, "done" for no value, "error N" when it raises.
template <typename F>
std::string outcome(F&& call) {
  try {
    if constexpr (std::is_void_v<decltype(call())>) {
      call();
      return "done";
    } else {
      return show(call());
    }
  } catch (const Error& error) {
    return "error " + std::to_string(error.number());
  }
}

// A cell of a kind from a number (a text holds the number's text), for tables.
inline DatumRef cellOf(TG_M_DATATYPES kind, double value) {
  const DatumRef cell = makeDatum(kind);
  cell->setDouble(value);
  return cell;
}

}  // namespace tg::test

// One check per line: the expression's outcome (see outcome) and the text expected of it.
#define EXPECT_GIVES(expression, expected) \
  EXPECT_EQ(::tg::test::outcome([&] { return expression; }), expected) << #expression
