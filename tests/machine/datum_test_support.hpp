// Helpers shared by the value-cell tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "machine/datum.hpp"
#include "tessaglyph/error.hpp"

namespace tg::test {

// The error a call raised, or nothing when it returned.
template <typename F>
std::optional<Error> errorFrom(F&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error;
  }
  return std::nullopt;
}

// The number of the error a call raised, 0 when it returned.
template <typename F>
std::int32_t errorOf(F&& call) {
  const auto error = errorFrom(call);
  return error ? error->number() : 0;
}

// A cell of each numeric kind from a number, for tables.
inline DatumRef cellOf(TG_M_DATATYPES kind, double value) {
  switch (kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      return makeUnsignedInteger(Byte(value));
    case TG_M_DT_INTEGER2:
      return makeInteger2(Integer(value));
    case TG_M_DT_INTEGER4:
      return makeInteger4(Long(value));
    case TG_M_DT_SINGLE:
      return makeSingle(Single(value));
    case TG_M_DT_DOUBLE:
      return makeDouble(value);
    case TG_M_DT_ASCII:
      break;
  }
  return makeAscii(std::to_string(value));
}

}  // namespace tg::test
