// The checks a record passes before it is stored. Each returns a message, empty when the record
// is valid; the storing member raises 10010 with it.
#include <string>

#include "program/letter_code.hpp"
#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {
constexpr std::size_t kMaxRoutineNameLength = 20;
}

// Every check runs and the last one that fails gives the message.
std::string TessaglyphProgram::validateRoutine(const TG_P_ROUTINE& routine) const {
  std::string message;
  if (m_reading) {
    // A program file holds the location as an instruction address; tags come later.
    const auto location = parseNumber(routine.location);
    if (!location || *location < 0) message = "Invalid routine location.";
  } else if (!findTag(routine.location)) {
    message =
        "The location member of the TG_P_ROUTINE UDT must point to an existing instruction tag.";
  }
  if (routine.name.size() > kMaxRoutineNameLength) {
    message = "The name member of the TG_P_ROUTINE UDT cannot be more than 20 characters long.";
  }
  if (!isValidRoutineName(routine.name)) {
    message = "\"" + routine.name + "\" is not a valid routine name.";
  }
  return message;
}

// The first check that fails gives the message.
std::string TessaglyphProgram::validateAttribute(const TG_P_ATTRIBUTE& attribute) const {
  if (!findTag(attribute.readLocation)) {
    return "The readLocation member of the TG_P_ATTRIBUTE UDT must point to an existing "
           "instruction tag.";
  }
  if (attribute.attributeType < TG_P_AT_VAR || attribute.attributeType > TG_P_AT_DATAPOINT) {
    return std::to_string(attribute.attributeType) + " is not a valid attribute type.";
  }
  if (attribute.writeLocation != "-1" && !findTag(attribute.writeLocation)) {
    return "The writeLocation member of the TG_P_ATTRIBUTE UDT must either point to an existing "
           "instruction tag or be the string '-1'.";
  }
  if (attribute.dataType < TG_P_DT_UNSIGNEDINTEGER || attribute.dataType > TG_P_DT_DELIMITEDASCII) {
    return std::to_string(attribute.dataType) + " is not a valid data type.";
  }
  const auto& delimiters = attribute.delimiterList;
  if (attribute.dataType == TG_P_DT_DELIMITEDASCII) {
    if (delimiters.lbound() != 1 || delimiters.ubound() < 1) {
      return "The delimiter list for the supplied value is not valid.  It must be an array with a "
             "lower bound of 1.";
    }
  } else if (delimiters.lbound() != 0 || delimiters.ubound() != 0) {
    return "The delimiter list for the supplied value is not valid.  It must be an array with both "
           "the lower and the upper bounds set to zero.";
  }
  switch (attribute.dataType) {
    case TG_P_DT_INTEGER:
      if (attribute.size != 2 && attribute.size != 4) {
        return "The size specified for data of type TG_P_DT_INTEGER must be either 2 or 4.";
      }
      break;
    case TG_P_DT_ASCII:
      if (attribute.size == 0) {
        return "The size specified for data of type TG_P_DT_ASCII must be greater than zero.";
      }
      break;
    default:
      if (attribute.size != 0) {
        return "The size member of the TG_P_ATTRIBUTE UDT must be zero for data types other than "
               "TG_P_DT_INTEGER and TG_P_DT_ASCII.";
      }
      break;
  }
  return {};
}

std::string TessaglyphProgram::validateLiteral(const TG_P_LITERAL& literal) const {
  switch (literal.dataType) {
    case TG_P_DT_DELIMITEDASCII:
      return "Literals cannot be TG_P_DT_DELIMITEDASCII.";
    case TG_P_DT_UNSIGNEDINTEGER:
      if (literal.size != 1) return "Data of type TG_P_DT_UNSIGNEDINTEGER must have a size of 1.";
      return {};
    case TG_P_DT_INTEGER:
      if (literal.size != 2 && literal.size != 4) {
        return "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4.";
      }
      return {};
    case TG_P_DT_SINGLE:
      if (literal.size != 4) return "Data of type TG_P_DT_SINGLE must have a size of 4.";
      return {};
    case TG_P_DT_DOUBLE:
      if (literal.size != 8) return "Data of type TG_P_DT_DOUBLE must have a size of 8.";
      return {};
    case TG_P_DT_ASCII:
      if (literal.size < 0 || std::size_t(literal.size) != literal.value.size()) {
        return "Data of type TG_P_DT_ASCII must have a size equal to the length of the value.";
      }
      return {};
    default:
      return std::to_string(literal.dataType) + "is not a valid data type.";
  }
}

std::string TessaglyphProgram::validateInstruction(const TG_P_INSTRUCTION& instruction) {
  if (instruction.instruction == TG_M_I_STOP || instruction.instruction == TG_M_I_NOP) return {};
  if (instruction.instruction < TG_M_I_VALID_MIN || instruction.instruction > TG_M_I_VALID_MAX) {
    return std::to_string(instruction.instruction) + " is not a valid opcode.";
  }
  const auto& operand = instruction.operand;
  switch (instruction.dataSegment) {
    case TG_P_DS_DATA:
      if (!findVariable(operand)) {
        return "An instruction in data segment TG_P_DS_DATA must have an operand that points to "
               "an existing, named variable.";
      }
      return {};
    case TG_P_DS_CONSTANT:
      if (!findLiteral(operand)) {
        return "An instruction in data segment TG_P_DS_CONSTANT must have an operand that points "
               "to an existing, named constant.";
      }
      return {};
    case TG_P_DS_INSTRUCTION:
      if (!findTag(operand)) {
        return "An instruction in data segment TG_P_DS_INSTRUCTION must have an operand that "
               "points to an existing, tagged instruction.";
      }
      return {};
    case TG_P_DS_PREDEFINED: {
      const auto name = toLower(trimBlanks(operand));
      const bool isRegister = name == kRegisterName;
      const bool isPredefined =
          name.size() > kPredefinedPrefix.size() && name.starts_with(kPredefinedPrefix) &&
          isValidPDVName(std::string_view(name).substr(kPredefinedPrefix.size()));
      if (!isRegister && !isPredefined) {
        return "An instruciton in data segment TG_P_DS_PREDEFINED must have an operand that points "
               "to either the register (\"register\") or one of the predefined variables (prefixed "
               "with \"p_\").";
      }
      return {};
    }
    case TG_P_DS_EXPLICIT: {
      if (!isNumeric(operand)) return "An invalid explicit memory address was specified";
      // An address past the end of memory makes room for itself: the memory grows so that the
      // address is that of the last variable.
      const auto address = roundToLong(textToDouble(operand));
      const auto firstVariable = 16 + Long(m_literals.size());
      if (address > firstVariable - 1 + Long(m_variables.size())) {
        resizeVariables(address - firstVariable + 1);
      }
      return {};
    }
    case TG_P_DS_EXPLICITCODE:
      if (!isNumeric(operand)) return "An invalid explicit code address was specified";
      return {};
    default:
      return std::to_string(instruction.dataSegment) + " is not a valid data segment.";
  }
}

}  // namespace tg
