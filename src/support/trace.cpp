// The trace destination is chosen once from the environment at start-up; hosts and tests may
// change it later. Lines are flushed at once so a crash loses nothing already traced.
#include "support/trace.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tg {

namespace detail {
bool g_traceEnabled = false;
}

namespace {

std::FILE* g_traceFile = nullptr;  // nullptr with the trace on means standard error

void closeTraceFile() {
  if (g_traceFile != nullptr) std::fclose(g_traceFile);
  g_traceFile = nullptr;
}

// Reads the environment before main() so that the first traced call already knows.
const bool g_configured = [] {
  configureTraceFromEnvironment();
  return true;
}();

}  // namespace

void traceLine(std::string_view line) noexcept {
  if (!detail::g_traceEnabled) return;
  std::FILE* out = g_traceFile != nullptr ? g_traceFile : stderr;
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

void configureTraceFromEnvironment() {
  (void)g_configured;
  const char* logFile = std::getenv("TESSAGLYPH_DEBUG_LOG");
  const char* debug = std::getenv("TESSAGLYPH_DEBUG");
  if (logFile != nullptr && logFile[0] != '\0') {
    setTraceFile(logFile);
  } else if (debug != nullptr && std::strcmp(debug, "1") == 0) {
    setTraceToStandardError();
  } else {
    disableTrace();
  }
}

void setTraceFile(const std::string& path) {
  closeTraceFile();
  if (path.empty()) {
    setTraceToStandardError();
    return;
  }
  g_traceFile = std::fopen(path.c_str(), "ab");
  // A log that cannot be opened must not silence the trace that was asked for.
  detail::g_traceEnabled = true;
}

void setTraceToStandardError() {
  closeTraceFile();
  detail::g_traceEnabled = true;
}

void disableTrace() {
  closeTraceFile();
  detail::g_traceEnabled = false;
}

}  // namespace tg
