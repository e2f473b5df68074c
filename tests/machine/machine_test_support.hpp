// Helpers shared by the machine's tests: exact error checks and a look at the cells behind the
// host's view of memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "machine/machine_access.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg::test {

// Succeeds when `action` raises exactly this error triple.
template <typename Action>
::testing::AssertionResult raisesError(Action&& action, std::int32_t number,
                                       std::string_view source, std::string_view description) {
  try {
    action();
  } catch (const Error& error) {
    if (error.number() == number && error.source() == source &&
        error.description() == description) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "raised " << error.number() << " [" << error.source() << "] \"" << error.description()
           << "\"; expected " << number << " [" << source << "] \"" << description << "\"";
  }
  return ::testing::AssertionFailure() << "raised nothing; expected " << number;
}

inline const TessaglyphDatum& cellAt(TessaglyphMachine& machine, Integer address) {
  return *MachineAccess::cell(machine, address);
}

}  // namespace tg::test
