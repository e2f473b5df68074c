// Error checks shared by the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <string_view>

#include "tessaglyph/error.hpp"

namespace tg::test {

// Succeeds when `action` raises exactly this error: number, description and source.
template <typename Action>
::testing::AssertionResult raises(Action&& action, std::int32_t number,
                                  std::string_view description, std::string_view source = {}) {
  try {
    action();
  } catch (const Error& error) {
    if (error.number() == number && error.description() == description &&
        error.source() == source) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "raised " << error.number() << " [" << error.source() << "] \"" << error.description()
           << "\"; expected " << number << " [" << source << "] \"" << description << "\"";
  } catch (const std::exception& other) {
    return ::testing::AssertionFailure() << "raised a foreign exception: " << other.what();
  }
  return ::testing::AssertionFailure()
         << "raised nothing; expected " << number << " \"" << description << "\"";
}

// The number of the error `action` raised, or 0 when it returned.
template <typename Action>
std::int32_t errorNumber(Action&& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.number();
  }
  return 0;
}

}  // namespace tg::test
