// The variable memory of a program: its size, the memory floor and the per-variable symbolic
// names, data types and debug names.
#include <string>

#include "program/letter_code.hpp"
#include "program/program_lists.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

using namespace program_lists;

namespace {
constexpr const char* kNotAVariableName = " is not an existing variable name.";
}

void TessaglyphProgram::setNeededMemory(Integer value) {
  const auto current = Long(m_variables.size());
  if (value < current) {
    raiseProgramError(
        TG_P_E_CANNOTSETVALUEERROR,
        "The new value for the amount of needed memory must be greater than the existing value.");
  }
  if (value == current) return;
  resizeVariables(value);
  m_memoryFloor = value;
}

TG_P_DATATYPES TessaglyphProgram::variableType(std::string_view name) const {
  return m_variables[requireVariable(name, kNotAVariableName)].type;
}

std::string TessaglyphProgram::variableDebugName(std::string_view name) const {
  return m_variables[requireVariable(name, kNotAVariableName)].debugName;
}

std::string TessaglyphProgram::addVariable() {
  checkRoomForOne(m_variables.size());
  auto name = symbolicName(kVariablePrefix, m_nextVariableCode);
  m_variables.push_back(VariableEntry{name, TG_P_DT_DEFAULTASCII, {}});
  ++m_nextVariableCode;
  return name;
}

Integer TessaglyphProgram::getVariableAddress(std::string_view name) const {
  const auto found = findVariable(name);
  if (!found) {
    raiseProgramError(TG_P_E_NOSUCHVARIABLEERROR,
                      std::string(name) + " is not the name of an existing variable.");
  }
  return toInteger(16 + Long(m_literals.size()) + Long(*found));
}

void TessaglyphProgram::setVariableType(std::string_view name, TG_P_DATATYPES vtype) {
  const auto at = requireVariable(name, kNotAVariableName);
  if (vtype == TG_P_DT_DEFAULTASCII) {
    raiseProgramError(
        TG_P_E_CANNOTSETVALUEERROR,
        "You cannot use the TG_P_DT_DEFAULTASCII data type to initialize variables.  Use "
        "TG_P_DT_ASCII or TG_P_DT_DELIMITEDASCII instead.");
  }
  if (vtype < TG_P_DT_UNSIGNEDINTEGER || vtype > TG_P_DT_DELIMITEDASCII) {
    raiseProgramError(TG_P_E_CANNOTSETVALUEERROR,
                      std::to_string(vtype) + " is not a valid data type.");
  }
  m_variables[at].type = vtype;
}

void TessaglyphProgram::setVarDebugInfo(std::string_view name, std::string_view debugName) {
  m_variables[requireVariable(name, kNotAVariableName)].debugName = std::string(debugName);
}

void TessaglyphProgram::removeVarDebugInfo(std::string_view name) {
  m_variables[requireVariable(name, kNotAVariableName)].debugName.clear();
}

void TessaglyphProgram::removeVariable(std::string_view name) {
  const auto at = requireVariable(name, kNotAVariableName);
  for (const auto& entry : m_instructions) {
    const auto& instruction = entry.instruction;
    if (instruction.dataSegment == TG_P_DS_DATA &&
        namesMatch(instruction.operand, m_variables[at].name)) {
      raiseProgramError(
          TG_P_E_CANNOTREMOVEERROR,
          std::string(name) +
              " cannot be removed because it is still being referenced.  Remove any references "
              "to this variable before attempting to remove.");
    }
  }
  const auto sizeBefore = Long(m_variables.size());
  m_variables.erase(m_variables.begin() + std::ptrdiff_t(at));
  // Below the floor the memory keeps its size: explicit addresses and the program file's
  // layout still count on those slots. The kept slot is plain unnamed text.
  if (sizeBefore <= m_memoryFloor) m_variables.push_back(VariableEntry{{}, TG_P_DT_ASCII, {}});
}

std::string TessaglyphProgram::addressSymbolicName(Integer address) const {
  return m_variables[position(address, m_variables.size())].name;
}

}  // namespace tg
