// The debug trace sink: one line per trace call, to the file named by TESSAGLYPH_DEBUG_LOG or to
// standard error when TESSAGLYPH_DEBUG=1, and nothing otherwise. Callers test traceEnabled()
// before building any text, so a switched-off trace costs one load and one branch.
#pragma once

#include <string>
#include <string_view>

namespace tg {

namespace detail {
extern bool g_traceEnabled;
}

inline bool traceEnabled() noexcept {
  return detail::g_traceEnabled;
}

// Writes one line (a line end is added). Does nothing when the trace is off.
void traceLine(std::string_view line) noexcept;

// Re-reads TESSAGLYPH_DEBUG_LOG and TESSAGLYPH_DEBUG (done once at start-up).
void configureTraceFromEnvironment();
// Directs the trace to a file (empty path: standard error) or switches it off.
void setTraceFile(const std::string& path);
void setTraceToStandardError();
void disableTrace();

}  // namespace tg

// Builds the line only when the trace is on: TG_TRACE("file.point filename = " + name).
#define TG_TRACE(expression)                               \
  do {                                                     \
    if (::tg::traceEnabled()) ::tg::traceLine(expression); \
  } while (false)
