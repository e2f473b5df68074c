// Helpers shared by the machine's tests: exact error checks and the cells behind memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "machine/datum_test_support.hpp"
#include "machine/machine_access.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg::test {

// The error a call raises as "number [source] description", or "none".
template <typename Action>
std::string failureOf(Action&& action) {
  try {
    action();
  } catch (const Error& error) {
    return std::to_string(error.number()) + " [" + error.source() + "] " + error.description();
  }
  return "none";
}

// Succeeds when `action` raises exactly this error triple.
template <typename Action>
::testing::AssertionResult raisesError(Action&& action, std::int32_t number,
                                       std::string_view source, std::string_view description) {
  const std::string got = failureOf(action);
  const std::string wanted =
      std::to_string(number) + " [" + std::string(source) + "] " + std::string(description);
  if (got == wanted) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "raised " << got << "; expected " << wanted;
}

inline const TessaglyphDatum& cellAt(TessaglyphMachine& machine, Integer address) {
  return *MachineAccess::cell(machine, address);
}

}  // namespace tg::test
