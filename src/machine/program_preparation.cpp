// Loading a program into a machine: operands resolved and relocated into the machine's address
// space (the 16 predefined cells, then the literals, then the variables), one typed cell per
// literal and variable, and the instructions, debug lines, properties, routine entry points
// and attributes handed over.
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "program/program_lists.hpp"
#include "support/conversions.hpp"
#include "support/error_report.hpp"
#include "support/procedure_trace.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

constexpr const char* kPrepareSource = "TessaglyphProgram::prepareMachine";
constexpr Long kFirstLiteralAddress = TG_M_PVI_VALID_MAX + 1;

[[noreturn]] void refuse(const std::string& description) {
  throw Error(TG_P_E_INVALIDDATAERROR, kPrepareSource, description);
}

std::optional<Integer> fitsInteger(Long value) {
  if (value < std::numeric_limits<Integer>::min() || value > std::numeric_limits<Integer>::max()) {
    return std::nullopt;
  }
  return Integer(value);
}

// A number the machine keeps in 16 bits; 6 "Overflow" when it does not fit.
Integer toMachineInteger(Long value) {
  const auto fitted = fitsInteger(value);
  if (!fitted) raisePlatformError(PLATFORM_E_OVERFLOW);
  return *fitted;
}

// A resolved operand as the machine addresses it: literals and variables move past the
// predefined cells (and variables past the literals as well); everything else is used as it is.
// STOP has no operand, and a NOP never reads its own, so one that is no number becomes 0.
Integer machineOperand(const TG_P_INSTRUCTION& instruction, Long numLiterals,
                       std::size_t position) {
  if (instruction.instruction == TG_M_I_STOP) return 0;
  const bool isNop = instruction.instruction == TG_M_I_NOP;
  auto number = wholeNumber(instruction.operand);
  if (!number) {
    if (isNop) return 0;
    refuse("Instruction " + std::to_string(position + 1) + " carries the operand [" +
           instruction.operand + "], which is not a number.");
  }
  Long operand = *number;
  if (instruction.dataSegment == TG_P_DS_CONSTANT) operand += kFirstLiteralAddress;
  if (instruction.dataSegment == TG_P_DS_DATA) operand += kFirstLiteralAddress + numLiterals;
  if (isNop) return fitsInteger(operand).value_or(0);
  return toMachineInteger(operand);
}

// The cell of literal `number` (1-based), holding its value.
DatumRef literalCell(const TG_P_LITERAL& literal, std::size_t number) {
  switch (literal.dataType) {
    case TG_P_DT_UNSIGNEDINTEGER:
      return makeUnsignedInteger(textToByte(literal.value));
    case TG_P_DT_INTEGER:
      if (literal.size == 2) return makeInteger2(textToInteger(literal.value));
      if (literal.size == 4) return makeInteger4(textToLong(literal.value));
      refuse("Literal " + std::to_string(number) + " is an integer of size " +
             std::to_string(literal.size) + "; an integer has a size of 2 or 4.");
    case TG_P_DT_SINGLE:
      return makeSingle(textToSingle(literal.value));
    case TG_P_DT_DOUBLE:
      return makeDouble(textToDouble(literal.value));
    case TG_P_DT_DEFAULTASCII:
    case TG_P_DT_ASCII: {
      DatumRef cell = makeAscii(literal.value);
      // A text literal is exactly as long as its text.
      if (literal.value.size() > std::size_t(std::numeric_limits<Integer>::max())) {
        raisePlatformError(PLATFORM_E_OVERFLOW);
      }
      cell->setFixedLength(Integer(literal.value.size()));
      return cell;
    }
    case TG_P_DT_DELIMITEDASCII:
      break;
  }
  refuse("Literal " + std::to_string(number) + " has the data type " +
         std::to_string(literal.dataType) + ", which a literal cannot have.");
}

// A new cell for a variable of that type. An integer variable is always 32-bit.
DatumRef variableCell(TG_P_DATATYPES type, std::size_t number) {
  switch (type) {
    case TG_P_DT_DEFAULTASCII:
    case TG_P_DT_ASCII:
      return makeAscii();
    case TG_P_DT_UNSIGNEDINTEGER:
      return makeUnsignedInteger();
    case TG_P_DT_INTEGER:
      return makeInteger4();
    case TG_P_DT_SINGLE:
      return makeSingle();
    case TG_P_DT_DOUBLE:
      return makeDouble();
    case TG_P_DT_DELIMITEDASCII: {
      DatumRef cell = makeAscii();
      cell->setDelimited();
      return cell;
    }
  }
  refuse("Variable " + std::to_string(number) + " has the invalid data type " +
         std::to_string(type) + ".");
}

// A location of the numeric form: a decimal instruction address, or -1.
Integer location(const std::string& text, const std::string& what) {
  const auto number = wholeNumber(text);
  if (!number) refuse(what + " [" + text + "] is not an instruction address.");
  return toMachineInteger(*number);
}

TG_M_ATTRIBUTEINFO attributeInfo(const TG_P_ATTRIBUTE& attribute) {
  TG_M_ATTRIBUTEINFO info;
  info.name = std::string(trimBlanks(attribute.name));
  switch (attribute.dataType) {
    case TG_P_DT_DEFAULTASCII:
    case TG_P_DT_ASCII:
      info.dataType = TG_M_DT_ASCII;
      info.readInfo.fixedLength = attribute.size;
      break;
    case TG_P_DT_UNSIGNEDINTEGER:
      info.dataType = TG_M_DT_UNSIGNEDINTEGER;
      break;
    case TG_P_DT_INTEGER:
      info.dataType = attribute.size == 2 ? TG_M_DT_INTEGER2 : TG_M_DT_INTEGER4;
      break;
    case TG_P_DT_SINGLE:
      info.dataType = TG_M_DT_SINGLE;
      break;
    case TG_P_DT_DOUBLE:
      info.dataType = TG_M_DT_DOUBLE;
      break;
    case TG_P_DT_DELIMITEDASCII:
      info.dataType = TG_M_DT_ASCII;
      info.readInfo.delimiters = attribute.delimiterList;
      break;
    default:
      refuse("Attribute \"" + info.name + "\" has the invalid data type " +
             std::to_string(attribute.dataType) + ".");
  }
  info.tip = attribute.tipString;
  info.comments = attribute.commentString;
  info.readLocation =
      location(attribute.readLocation, "The read location of \"" + info.name + "\"");
  info.writeLocation =
      location(attribute.writeLocation, "The write location of \"" + info.name + "\"");
  return info;
}

}  // namespace

void TessaglyphProgram::prepareMachine(std::shared_ptr<TessaglyphMachine>& machine) {
  ProcedureScope scope(TG_P_PN_PREPAREMACHINE, kPrepareSource);
  scope.step(1);
  const auto datapoint = findAttribute("datapoint");
  if (!datapoint) {
    program_lists::raiseProgramError(TG_P_E_DATAPOINTREQUIREDERROR,
                                     "datapoint must be defined in order to prepare a Machine.");
  }

  scope.step(2);
  if (!machine) machine = std::make_shared<TessaglyphMachine>();
  TessaglyphMachine& target = *machine;
  target.Clear();
  MachineAccess::setScriptFilename(target, m_lastUsedFilename);

  try {
    scope.step(3);
    resolveSymbolicData();

    scope.step(4);
    const auto numLiterals = Long(m_literals.size());
    MachineAccess::setInstructionCount(target, Integer(m_instructions.size()));
    for (std::size_t i = 0; i < m_instructions.size(); ++i) {
      const auto& entry = m_instructions[i];
      const auto index = Integer(i);
      MachineAccess::setInstruction(
          target, index,
          {entry.instruction.instruction, machineOperand(entry.instruction, numLiterals, i)});
      TG_M_DEBUGGINGINFO info = target.debugInfo(index);
      info.lineNumber = entry.debugLine;
      MachineAccess::setDebugInfo(target, index, info);
    }

    scope.step(5);
    MachineAccess::setMemorySize(target,
                                 kFirstLiteralAddress + numLiterals + Long(m_variables.size()));

    scope.step(6);
    for (std::size_t k = 0; k < m_literals.size(); ++k) {
      MachineAccess::storeCell(target, Integer(kFirstLiteralAddress + Long(k)),
                               literalCell(m_literals[k].literal, k + 1));
    }

    scope.step(7);
    for (std::size_t i = 0; i < m_variables.size(); ++i) {
      const auto address = Integer(kFirstLiteralAddress + numLiterals + Long(i));
      MachineAccess::storeCell(target, address, variableCell(m_variables[i].type, i));
      if (!m_variables[i].debugName.empty()) {
        MachineAccess::setVariableName(target, address, m_variables[i].debugName);
      }
    }

    scope.step(8);
    MachineAccess::setPropertyCount(target, Integer(m_properties.size()));
    for (std::size_t p = 0; p < m_properties.size(); ++p) {
      MachineAccess::setProperty(target, Integer(p),
                                 {m_properties[p].propertyName, m_properties[p].propertyValue});
    }

    scope.step(9);
    for (const auto& routine : m_routines) {
      const auto slot = getRoutineValue(trimBlanks(routine.name));
      MachineAccess::setRoutineLocation(
          target, slot,
          location(routine.location,
                   "The location of routine \"" + std::string(trimBlanks(routine.name)) + "\""));
    }

    scope.step(10);
    const auto& datapointAttribute = m_attributes[*datapoint];
    MachineAccess::setRoutineLocation(
        target, TG_M_RAI_DATAPOINT_READ,
        location(datapointAttribute.readLocation, "The read location of \"datapoint\""));
    MachineAccess::setRoutineLocation(
        target, TG_M_RAI_DATAPOINT_WRITE,
        location(datapointAttribute.writeLocation, "The write location of \"datapoint\""));

    scope.step(11);
    MachineAccess::setAttributeCount(target, Integer(m_attributes.size()));
    for (std::size_t a = 0; a < m_attributes.size(); ++a) {
      MachineAccess::setAttribute(target, Integer(a), attributeInfo(m_attributes[a]));
    }
  } catch (...) {
    // The machine keeps what was loaded so far; the user hears of the rest through the report.
    reportCurrentException();
  }
}

}  // namespace tg
