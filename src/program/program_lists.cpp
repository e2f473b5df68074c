#include "program/program_lists.hpp"

#include <limits>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg::program_lists {

bool namesMatch(std::string_view stored, std::string_view wanted) noexcept {
  // Unnamed entries (variables grown by a memory size, cleared tags) must never be found.
  if (trimBlanks(wanted).empty()) return false;
  return sameName(stored, wanted);
}

std::size_t position(Integer index, std::size_t count) {
  if (index < 1 || std::size_t(index) > count) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE);
  return std::size_t(index) - 1;
}

void checkRoomForOne(std::size_t count) {
  if (count >= kMaxEntries) raisePlatformError(PLATFORM_E_OVERFLOW);
}

Integer toInteger(Long value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max()) {
    raisePlatformError(PLATFORM_E_OVERFLOW);
  }
  return Integer(value);
}

void raiseProgramError(std::int32_t number, std::string description) {
  throw Error(number, std::string(), std::move(description));
}

}  // namespace tg::program_lists
