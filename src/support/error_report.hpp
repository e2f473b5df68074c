// The error report: what a long operation does with an error it catches and does not pass on.
// The number, the description and the procedure trace go to the technical-support log, the user
// is told through the user-interface hooks, and nothing is ever raised from here.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tg {

void reportError(std::int32_t number, std::string_view description,
                 std::string_view source = {}) noexcept;
// Reports the exception being handled (call it inside a catch block): a tg::Error with its
// triple, any other exception with its what() text as number 0.
void reportCurrentException() noexcept;

// The technical-support log's path (in the base directory).
std::string technicalSupportLogPath();
// The diagnostic log's path (in the base directory), where the headless user interface writes
// the message boxes it answered.
std::string diagnosticLogPath();
// Appends one time-stamped line to a log file; never raises.
void appendLogLine(const std::string& path, std::string_view line) noexcept;

}  // namespace tg
