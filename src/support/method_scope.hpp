// The guard instrumented members open first: it reports the member's entry to the assigned
// profiler and its exit on every path out. With no profiler assigned it does nothing at all,
// not even build the method's name.
#pragma once

#include <string>

#include "tessaglyph/method_profiler.hpp"

namespace tg {

class MethodScope {
 public:
  // `profiler` may be null; `name` is the member's error-source text, e.g.
  // "TessaglyphFile::closeSource", and must outlive the scope (a string literal).
  MethodScope(MethodProfiler* profiler, const char* name) : m_profiler(profiler) {
    if (m_profiler != nullptr) m_profiler->methodStart(name);
  }
  ~MethodScope() {
    if (m_profiler != nullptr) m_profiler->methodEnd();
  }
  MethodScope(const MethodScope&) = delete;
  MethodScope& operator=(const MethodScope&) = delete;

 private:
  MethodProfiler* m_profiler;
};

}  // namespace tg
