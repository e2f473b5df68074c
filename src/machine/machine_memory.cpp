// The machine's memory as the host sees it: cells by address, their names and types, the
// register and the predefined variables.
#include <string>

#include "machine/machine_access.hpp"
#include "support/method_scope.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

std::string TessaglyphMachine::variableNames(Integer index) const {
  constexpr const char* source = "TessaglyphMachine::variableNames Get";
  MethodScope scope(profiler(), source);
  m_core->checkedCell(index, source);
  return m_core->names[std::size_t(index)];
}

std::string TessaglyphMachine::Memory(Integer address) const {
  constexpr const char* source = "TessaglyphMachine::Memory Get";
  MethodScope scope(profiler(), source);
  return m_core->checkedCell(address, source)->getString();
}

void TessaglyphMachine::setMemory(Integer address, std::string_view value) {
  constexpr const char* source = "TessaglyphMachine::Memory Let";
  MethodScope scope(profiler(), source);
  storeText(address, value, source);
}

TG_M_DATATYPES TessaglyphMachine::memoryDataType(Integer address) const {
  constexpr const char* source = "TessaglyphMachine::memoryDataType Get";
  MethodScope scope(profiler(), source);
  return m_core->checkedCell(address, source)->dataType();
}

void TessaglyphMachine::setMemoryDataType(Integer address, TG_M_DATATYPES dataType) {
  constexpr const char* source = "TessaglyphMachine::memoryDataType Let";
  MethodScope scope(profiler(), source);
  changeDataType(address, dataType, source);
}

std::string TessaglyphMachine::register_() const {
  constexpr const char* source = "TessaglyphMachine::register Get";
  MethodScope scope(profiler(), source);
  return m_core->checkedCell(TG_M_PVI_REGISTER, source)->getString();
}

void TessaglyphMachine::setRegister(std::string_view value) {
  constexpr const char* source = "TessaglyphMachine::register Let";
  MethodScope scope(profiler(), source);
  storeText(TG_M_PVI_REGISTER, value, source);
}

TG_M_DATATYPES TessaglyphMachine::registerDataType() const {
  constexpr const char* source = "TessaglyphMachine::registerDataType Get";
  MethodScope scope(profiler(), source);
  return m_core->checkedCell(TG_M_PVI_REGISTER, source)->dataType();
}

void TessaglyphMachine::setRegisterDataType(TG_M_DATATYPES dataType) {
  constexpr const char* source = "TessaglyphMachine::registerDataType Let";
  MethodScope scope(profiler(), source);
  changeDataType(TG_M_PVI_REGISTER, dataType, source);
}

std::string TessaglyphMachine::predefinedVariables(Integer variable) const {
  constexpr const char* source = "TessaglyphMachine::predefinedVariables Get";
  MethodScope scope(profiler(), source);
  checkPredefinedVariable(variable, source);
  return m_core->checkedCell(variable, source)->getString();
}

void TessaglyphMachine::setPredefinedVariables(Integer variable, std::string_view value) {
  constexpr const char* source = "TessaglyphMachine::predefinedVariables Let";
  MethodScope scope(profiler(), source);
  checkPredefinedVariable(variable, source);
  storeText(variable, value, source);
}

TG_M_DATATYPES TessaglyphMachine::predefinedVariableDataTypes(Integer variable) const {
  constexpr const char* source = "TessaglyphMachine::predefinedVariableDataTypes Get";
  MethodScope scope(profiler(), source);
  checkPredefinedVariable(variable, source);
  return m_core->checkedCell(variable, source)->dataType();
}

void TessaglyphMachine::setPredefinedVariableDataTypes(Integer variable, TG_M_DATATYPES dataType) {
  constexpr const char* source = "TessaglyphMachine::predefinedVariableDataTypes Let";
  MethodScope scope(profiler(), source);
  checkPredefinedVariable(variable, source);
  changeDataType(variable, dataType, source);
}

void TessaglyphMachine::checkPredefinedVariable(Integer variable, const char* source) {
  if (variable < TG_M_PVI_VALID_MIN || variable > TG_M_PVI_VALID_MAX) {
    throw Error(TG_E_NOSUCHPREDEFINEDVARIABLE, source,
                std::to_string(variable) + " is not a recognized pre-defined variable number.");
  }
}

// The text goes through a text cell so that the target converts it exactly as a copy from a
// text variable would.
void TessaglyphMachine::storeText(Integer address, std::string_view value, const char* source) {
  const DatumRef& target = m_core->checkedCell(address, source);
  const DatumRef text = makeAscii(value);
  target->setValue(*text);
}

// The cell object is replaced, so an address that shared its cell with another (SETREF, the
// stack) goes its own way from here. The old cell stays in place when its value does not fit
// the new type.
void TessaglyphMachine::changeDataType(Integer address, TG_M_DATATYPES dataType,
                                       const char* source) {
  DatumRef& target = m_core->checkedCell(address, source);
  if (address <= TG_M_PVI_VALID_MAX &&
      isPermanentlyLocked(TG_M_PREDEFINEDVARIABLEINDICIES(address))) {
    throw Error(TG_M_E_CANTCASTADDRESS, source,
                "You cannot change the data type of " + m_core->names[std::size_t(address)] + ".");
  }
  if (dataType < TG_M_DT_UNSIGNEDINTEGER || dataType > TG_M_DT_ASCII) {
    throw Error(TG_M_E_INVALIDDATATYPE, source,
                std::to_string(dataType) + " is not a valid data type.");
  }
  DatumRef replacement = makeDatum(dataType);
  replacement->setValue(*target);
  target = std::move(replacement);
}

void TessaglyphMachine::Core::growStackStorage() {
  stack.resize(std::size_t(stackSlots));
}

}  // namespace tg
