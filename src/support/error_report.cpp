// The error report must work in the worst moments: it catches everything it could raise itself,
// and a log that cannot be written only loses the log line, never the host's process.
#include "support/error_report.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "support/paths.hpp"
#include "support/procedure_trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

std::string timestamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace

std::string technicalSupportLogPath() {
  return baseDirectory() + "tessaglyph-support.log";
}

std::string diagnosticLogPath() {
  return baseDirectory() + "tessaglyph-diagnostic.log";
}

void appendLogLine(const std::string& path, std::string_view line) noexcept {
  try {
    std::FILE* log = std::fopen(path.c_str(), "ab");
    if (log == nullptr) return;
    const std::string stamp = timestamp();
    std::fprintf(log, "%s %.*s\n", stamp.c_str(), static_cast<int>(line.size()), line.data());
    std::fclose(log);
  } catch (...) {
  }
}

void reportError(std::int32_t number, std::string_view description,
                 std::string_view source) noexcept {
  try {
    const std::string trace = formatProcedureTrace(currentProcedureTrace());
    std::string line = "Error " + std::to_string(number);
    if (!source.empty()) {
      line += " in ";
      line += source;
    }
    line += ": ";
    line += description;
    line += " | trace: ";
    line += trace;
    appendLogLine(technicalSupportLogPath(), line);

    std::string message =
        "An unexpected error occurred.\r\n\r\nError " + std::to_string(number) + ": " +
        std::string(description) +
        "\r\n\r\nThe details have been written to the technical-support log:\r\n" +
        technicalSupportLogPath();
    userInterface().messageBox(message, MB_OKONLY | MB_CRITICAL, "Tessaglyph");
  } catch (...) {
    // Reporting must never raise: a failing host hook or a full disk ends the report quietly.
  }
}

void reportCurrentException() noexcept {
  if (!std::current_exception()) return;
  try {
    throw;
  } catch (const Error& e) {
    reportError(e.number(), e.description(), e.source());
  } catch (const std::exception& e) {
    reportError(0, e.what());
  } catch (...) {
    reportError(0, "Unknown error");
  }
}

}  // namespace tg
