// The process-wide procedure trace: long operations push their procedure number when they
// start, mark the steps they reach, and pop it on every way out. The error report logs the
// trace as it stands when an error is caught.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tg {

struct ProcedureTraceEntry {
  std::int32_t procedure = 0;  // the operation's procedure number
  const char* name = "";       // "Class::member", for the log
  std::int32_t step = 0;       // the last step marked, 0 before the first
};

// Pushes a procedure on construction and pops it on destruction, so every exit path (a return
// or an error) leaves the trace as it found it.
class ProcedureScope {
 public:
  ProcedureScope(std::int32_t procedure, const char* name);
  ~ProcedureScope();
  ProcedureScope(const ProcedureScope&) = delete;
  ProcedureScope& operator=(const ProcedureScope&) = delete;

  // Records the step this procedure has reached.
  void step(std::int32_t stepNumber) noexcept;

 private:
  std::size_t m_depth;
};

// A copy of the trace, outermost procedure first.
std::vector<ProcedureTraceEntry> currentProcedureTrace();
// The trace in the one-line form the technical-support log uses:
// "TessaglyphProgram::readProgram (10000) step 3 > ...".
std::string formatProcedureTrace(const std::vector<ProcedureTraceEntry>& trace);

}  // namespace tg
