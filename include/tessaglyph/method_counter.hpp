// MethodCounter: a profiler a host assigns to the `methodProfiler` property of a file, an area or
// a machine. Instrumented members report their entry and exit; the counter keeps, per method,
// the call count, the exclusive elapsed time (a nested instrumented call stops the enclosing
// method's clock) and how often the method's clock was stopped that way.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tessaglyph/method_profiler.hpp"
#include "tessaglyph/types.hpp"

namespace tg {

class MethodCounter : public MethodProfiler {
 public:
  // The clock gives seconds since local midnight; the default is the system timer. A reading
  // taken across midnight yields a negative difference, which is added unchanged.
  using Clock = std::function<float()>;

  MethodCounter();
  explicit MethodCounter(Clock clock);

  Long numLoggedMethods() const { return Long(m_methods.size()); }
  // The index of the method whose key is the trimmed, upper-cased name; -1 when none.
  Long methodIndex(const std::string& name) const;
  // Per-method figures; an index outside 0..numLoggedMethods()-1 raises 9.
  std::string methodName(Integer index) const;
  Single methodElapsedTime(Integer index) const;
  Long methodCallCount(Integer index) const;
  Long methodToCCount(Integer index) const;
  // Sums over all methods, recomputed on every read.
  Single totalLoggedTime() const;
  Long totalCallCount() const;
  Long totalToCCount() const;

  void methodStart(const std::string& name) override;
  void methodEnd() override;

 private:
  struct Method {
    std::string name;  // as first passed
    std::string key;   // trimmed, upper case
    Single elapsed = 0;
    Long callCount = 0;
    Long suspensions = 0;
  };

  const Method& method(Integer index) const;

  Clock m_clock;
  std::vector<Method> m_methods;
  Long m_current = -1;
  Single m_startTime = 0;
  std::vector<Long> m_suspended;  // grows one slot at a time and never shrinks
  Long m_suspendedTop = -1;
};

}  // namespace tg
