// One trace for the whole process: the library runs on the host's thread only.
#include "support/procedure_trace.hpp"

namespace tg {

namespace {

std::vector<ProcedureTraceEntry>& traceStack() {
  static std::vector<ProcedureTraceEntry> stack;
  return stack;
}

}  // namespace

ProcedureScope::ProcedureScope(std::int32_t procedure, const char* name)
    : m_depth(traceStack().size()) {
  traceStack().push_back({procedure, name, 0});
}

ProcedureScope::~ProcedureScope() {
  // Pops back to this scope's own depth, so an inner scope that was skipped by an unusual exit
  // cannot leave a stale entry above it.
  traceStack().resize(m_depth);
}

void ProcedureScope::step(std::int32_t stepNumber) noexcept {
  auto& stack = traceStack();
  if (m_depth < stack.size()) stack[m_depth].step = stepNumber;
}

std::vector<ProcedureTraceEntry> currentProcedureTrace() {
  return traceStack();
}

std::string formatProcedureTrace(const std::vector<ProcedureTraceEntry>& trace) {
  std::string text;
  for (const auto& entry : trace) {
    if (!text.empty()) text += " > ";
    text += entry.name;
    text += " (";
    text += std::to_string(entry.procedure);
    text += ")";
    if (entry.step != 0) {
      text += " step ";
      text += std::to_string(entry.step);
    }
  }
  return text.empty() ? std::string("(no procedure)") : text;
}

}  // namespace tg
