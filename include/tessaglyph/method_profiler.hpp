// What instrumented members report to: their entry, by their error-source text, and their exit.
// MethodCounter implements it; the members' guard knows only this interface, so the lowest
// layer, which holds the guard, needs nothing of the layer that holds the counter.
#pragma once

#include <string>

namespace tg {

class MethodProfiler {
 public:
  virtual ~MethodProfiler() = default;
  virtual void methodStart(const std::string& name) = 0;
  virtual void methodEnd() = 0;
};

}  // namespace tg
