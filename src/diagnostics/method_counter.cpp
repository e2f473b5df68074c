#include "tessaglyph/method_counter.hpp"

#include <limits>

#include "support/text.hpp"
#include "support/timer.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

Long checkedIncrement(Long value) {
  if (value == std::numeric_limits<Long>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  return value + 1;
}

Long checkedAdd(Long total, Long value) {
  Long sum = 0;
  if (__builtin_add_overflow(total, value, &sum)) raisePlatformError(PLATFORM_E_OVERFLOW);
  return sum;
}

}  // namespace

MethodCounter::MethodCounter() : MethodCounter(Clock(&timer)) {}

MethodCounter::MethodCounter(Clock clock) : m_clock(std::move(clock)) {}

Long MethodCounter::methodIndex(const std::string& name) const {
  const std::string key = toUpper(trimBlanks(name));
  for (std::size_t i = 0; i < m_methods.size(); ++i) {
    if (m_methods[i].key == key) return Long(i);
  }
  return -1;
}

const MethodCounter::Method& MethodCounter::method(Integer index) const {
  if (index < 0 || std::size_t(index) >= m_methods.size()) {
    raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE);
  }
  return m_methods[std::size_t(index)];
}

std::string MethodCounter::methodName(Integer index) const {
  return method(index).name;
}
Single MethodCounter::methodElapsedTime(Integer index) const {
  return method(index).elapsed;
}
Long MethodCounter::methodCallCount(Integer index) const {
  return method(index).callCount;
}
Long MethodCounter::methodToCCount(Integer index) const {
  return method(index).suspensions;
}

Single MethodCounter::totalLoggedTime() const {
  Single total = 0;
  for (const auto& m : m_methods)
    total += m.elapsed;
  return total;
}

Long MethodCounter::totalCallCount() const {
  Long total = 0;
  for (const auto& m : m_methods)
    total = checkedAdd(total, m.callCount);
  return total;
}

Long MethodCounter::totalToCCount() const {
  Long total = 0;
  for (const auto& m : m_methods)
    total = checkedAdd(total, m.suspensions);
  return total;
}

void MethodCounter::methodStart(const std::string& name) {
  if (m_current != -1) {
    Method& outer = m_methods[std::size_t(m_current)];
    outer.elapsed += m_clock() - m_startTime;
    outer.suspensions = checkedIncrement(outer.suspensions);
    ++m_suspendedTop;
    if (std::size_t(m_suspendedTop) >= m_suspended.size()) m_suspended.push_back(0);
    m_suspended[std::size_t(m_suspendedTop)] = m_current;
  }
  Long index = methodIndex(name);
  if (index == -1) {
    m_methods.push_back({name, toUpper(trimBlanks(name)), 0, 0, 0});
    index = Long(m_methods.size()) - 1;
  }
  m_current = index;
  Method& current = m_methods[std::size_t(index)];
  current.callCount = checkedIncrement(current.callCount);
  m_startTime = m_clock();
}

void MethodCounter::methodEnd() {
  if (m_current == -1) return;
  m_methods[std::size_t(m_current)].elapsed += m_clock() - m_startTime;
  if (m_suspendedTop >= 0) {
    m_current = m_suspended[std::size_t(m_suspendedTop)];
    --m_suspendedTop;
  } else {
    m_current = -1;
  }
  if (m_current != -1) m_startTime = m_clock();
}

}  // namespace tg
