// The list of files the machine's script holds open: names and handles side by side, in the
// order they were opened.
#include <cstddef>
#include <limits>
#include <string>
#include <utility>

#include "machine/machine_access.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

std::string TessaglyphMachine::OpenFile(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::OpenFile Get";
  MethodScope scope(profiler(), source);
  if (index < 0 || std::size_t(index) >= m_core->openFileNames.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE, source);
  }
  return m_core->openFileNames[std::size_t(index)];
}

void TessaglyphMachine::addOpenFile(std::string name, Integer handle) {
  // The count is an Integer for the host.
  if (m_core->openFileNames.size() >= std::size_t(std::numeric_limits<Integer>::max())) {
    raisePlatformError(PLATFORM_E_OVERFLOW);
  }
  m_core->openFileNames.push_back(std::move(name));
  m_core->openFileHandles.push_back(handle);
}

// The first entry with that handle goes and the later ones move down; a handle the list does
// not hold changes nothing.
void TessaglyphMachine::removeOpenFile(Integer handle) {
  for (std::size_t i = 0; i < m_core->openFileHandles.size(); ++i) {
    if (m_core->openFileHandles[i] == handle) {
      m_core->openFileHandles.erase(m_core->openFileHandles.begin() + std::ptrdiff_t(i));
      m_core->openFileNames.erase(m_core->openFileNames.begin() + std::ptrdiff_t(i));
      return;
    }
  }
}

}  // namespace tg
