// The two forms of a program: symbolic (operands and locations name variables, literals, tags
// and predefined variables) for editing, numeric for the program file and the machine.
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "program/letter_code.hpp"
#include "program/name_index.hpp"
#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

constexpr const char* kResolveSource = "TessaglyphProgram::resolveSymbolicData";

std::string segmentName(TG_P_DATASEGMENTS segment) {
  switch (segment) {
    case TG_P_DS_DATA:
      return "TG_P_DS_DATA";
    case TG_P_DS_INSTRUCTION:
      return "TG_P_DS_INSTRUCTION";
    case TG_P_DS_CONSTANT:
      return "TG_P_DS_CONSTANT";
    case TG_P_DS_PREDEFINED:
      return "TG_P_DS_PREDEFINED";
    case TG_P_DS_EXPLICIT:
      return "TG_P_DS_EXPLICIT";
    case TG_P_DS_EXPLICITCODE:
      return "TG_P_DS_EXPLICITCODE";
  }
  return std::to_string(segment);
}

// An explicit address as the machine takes it: the number rounded half to even. Empty when the
// text is not a number or the address is outside first..last.
std::optional<Long> explicitAddress(std::string_view text, Long first, Long last) {
  const auto value = parseNumber(text);
  if (!value) return std::nullopt;
  const auto rounded = std::nearbyint(*value);
  if (!(rounded >= double(first) && rounded <= double(last))) return std::nullopt;
  return Long(rounded);
}

// The predefined variable an operand names ("register" or "p_" and a name); empty otherwise.
std::optional<Long> predefinedIndex(std::string_view operand) {
  const auto name = NameIndex::keyOf(operand);
  if (name == kRegisterName) return Long(TG_M_PVI_REGISTER);
  if (!name.starts_with(kPredefinedPrefix)) return std::nullopt;
  const auto pdv = std::string_view(name).substr(kPredefinedPrefix.size());
  if (!isValidPDVName(pdv)) return std::nullopt;
  return Long(getPDVValue(pdv));
}

}  // namespace

// Resolution works on copies and commits only when everything resolved, so a failure leaves the
// program as it was.
//
// An EXPLICIT operand holds a machine address, but the numeric form has no segment that carries
// a machine address through the program file and the machine's relocation unchanged. It is
// therefore turned into the segment that designates the same address (a predefined variable, a
// literal or a variable), so that after a write, a re-read and a preparation the instruction
// still addresses the same cell.
void TessaglyphProgram::resolveSymbolicData() {
  const auto fail = [](const std::string& description) {
    throw Error(TG_P_E_INVALIDDATAERROR, kResolveSource, description);
  };
  const auto numLiteralsL = Long(m_literals.size());
  const auto numVariablesL = Long(m_variables.size());
  const auto numInstructionsL = Long(m_instructions.size());

  NameIndex variables;
  NameIndex literals;
  NameIndex tags;
  for (std::size_t i = 0; i < m_variables.size(); ++i)
    variables.add(m_variables[i].name, Long(i));
  for (std::size_t i = 0; i < m_literals.size(); ++i)
    literals.add(m_literals[i].name, Long(i));
  for (std::size_t i = 0; i < m_instructions.size(); ++i)
    tags.add(m_instructions[i].tag, Long(i));

  // A name that designates nothing (a literal removed while still named, say) resolves to -1.
  const auto locationOf = [&](const std::string& location) {
    return std::to_string(tags.find(location).value_or(-1));
  };
  std::vector<TG_P_ROUTINE> routines = m_routines;
  for (auto& routine : routines)
    routine.location = locationOf(routine.location);

  std::vector<TG_P_ATTRIBUTE> attributes = m_attributes;
  for (auto& attribute : attributes) {
    attribute.readLocation = locationOf(attribute.readLocation);
    if (attribute.writeLocation != "-1")
      attribute.writeLocation = locationOf(attribute.writeLocation);
  }

  std::vector<TG_P_INSTRUCTION> instructions;
  instructions.reserve(m_instructions.size());
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    auto instruction = m_instructions[k].instruction;
    if (instruction.instruction == TG_M_I_STOP) {
      instructions.push_back(std::move(instruction));
      continue;
    }
    const bool isNop = instruction.instruction == TG_M_I_NOP;
    // A NOP keeps a number or nothing that names nothing: its operand is never read.
    const auto dangling = [&] {
      return isNop && nopOperandPassesThrough(instruction.operand) ? std::optional<Long>()
                                                                   : std::optional<Long>(-1);
    };
    std::optional<Long> number;
    switch (instruction.dataSegment) {
      case TG_P_DS_DATA:
        number = variables.find(instruction.operand);
        if (!number) number = dangling();
        break;
      case TG_P_DS_CONSTANT:
        number = literals.find(instruction.operand);
        if (!number) number = dangling();
        break;
      case TG_P_DS_INSTRUCTION:
        number = tags.find(instruction.operand);
        if (!number) number = dangling();
        break;
      case TG_P_DS_PREDEFINED:
        number = predefinedIndex(instruction.operand);
        if (!number) number = dangling();
        break;
      case TG_P_DS_EXPLICIT: {
        if (isNop) break;
        const auto address =
            explicitAddress(instruction.operand, 0, 15 + numLiteralsL + numVariablesL);
        if (!address) {
          fail(
              "An instruction operand in data segment EXPLICIT carried an invalid data memory "
              "address.");
        }
        if (*address <= TG_M_PVI_VALID_MAX) {
          instruction.dataSegment = TG_P_DS_PREDEFINED;
          number = *address;
        } else if (*address < 16 + numLiteralsL) {
          instruction.dataSegment = TG_P_DS_CONSTANT;
          number = *address - 16;
        } else {
          instruction.dataSegment = TG_P_DS_DATA;
          number = *address - 16 - numLiteralsL;
        }
        break;
      }
      case TG_P_DS_EXPLICITCODE: {
        if (isNop) break;
        const auto address = explicitAddress(instruction.operand, 0, numInstructionsL - 1);
        if (!address) {
          fail(
              "An instruction operand in data segment EXPLICITCODE carried an invalid code "
              "memory address.");
        }
        instruction.dataSegment = TG_P_DS_INSTRUCTION;
        number = *address;
        break;
      }
      default:
        fail("Instruction " + std::to_string(k + 1) + " carries the invalid data segment " +
             std::to_string(instruction.dataSegment) + ".");
    }
    if (number) instruction.operand = std::to_string(*number);
    instructions.push_back(std::move(instruction));
  }

  m_routines = std::move(routines);
  m_attributes = std::move(attributes);
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    m_instructions[k].instruction = std::move(instructions[k]);
    m_instructions[k].tag.clear();
  }
  for (auto& variable : m_variables)
    variable.name.clear();
}

// Rebuilding works on copies as well and commits only when every number was valid.
void TessaglyphProgram::createSymbolicData() {
  const auto fail = [](const std::string& description) {
    throw Error(TG_P_E_INVALIDDATAERROR, std::string(), description);
  };
  const auto numLiteralsL = Long(m_literals.size());
  const auto numVariablesL = Long(m_variables.size());
  const auto numInstructionsL = Long(m_instructions.size());
  const auto inRange = [](const std::optional<Long>& n, Long count) {
    return n && *n >= 0 && *n < count;
  };

  // Tags are handed out afresh from "c_a" in the order they are first needed; a tag that an
  // instruction already carries is kept and its name is never handed out again.
  std::vector<std::string> tags;
  std::unordered_set<std::string> tagsInUse;
  tags.reserve(m_instructions.size());
  for (const auto& entry : m_instructions) {
    tags.push_back(entry.tag);
    if (!entry.tag.empty()) tagsInUse.insert(NameIndex::keyOf(entry.tag));
  }
  Long nextTagCode = 1;
  const auto tagOf = [&](Long address) {
    auto& name = tags[std::size_t(address)];
    if (name.empty()) {
      do {
        name = symbolicName(kTagPrefix, nextTagCode++);
      } while (tagsInUse.contains(name));
      tagsInUse.insert(name);
    }
    return name;
  };

  std::vector<bool> variableNamed(m_variables.size(), false);
  std::vector<TG_P_INSTRUCTION> instructions;
  instructions.reserve(m_instructions.size());
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    auto instruction = m_instructions[k].instruction;
    if (instruction.instruction == TG_M_I_STOP) {
      instructions.push_back(std::move(instruction));
      continue;
    }
    const bool isNop = instruction.instruction == TG_M_I_NOP;
    const auto number = wholeNumber(instruction.operand);
    const auto where = [&] {
      return "Instruction " + std::to_string(k + 1) + " carries the operand [" +
             instruction.operand + "] in data segment " + segmentName(instruction.dataSegment);
    };
    switch (instruction.dataSegment) {
      case TG_P_DS_DATA:
        if (inRange(number, numVariablesL)) {
          instruction.operand = symbolicName(kVariablePrefix, *number + 1);
          variableNamed[std::size_t(*number)] = true;
        } else if (!isNop) {
          fail(where() + ", which is not the number of a variable.");
        }
        break;
      case TG_P_DS_CONSTANT:
        if (inRange(number, numLiteralsL)) {
          instruction.operand = symbolicName(kLiteralPrefix, *number + 1);
        } else if (!isNop) {
          fail(where() + ", which is not the number of a literal.");
        }
        break;
      case TG_P_DS_INSTRUCTION:
        if (inRange(number, numInstructionsL)) {
          instruction.operand = tagOf(*number);
        } else if (!isNop) {
          fail(where() + ", which is not the address of an instruction.");
        }
        break;
      case TG_P_DS_PREDEFINED:
        if (inRange(number, TG_M_PVI_VALID_MAX + 1)) {
          instruction.operand = *number == TG_M_PVI_REGISTER
                                    ? std::string(kRegisterName)
                                    : std::string(kPredefinedPrefix) +
                                          getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES(*number));
        } else if (!isNop) {
          fail(where() + ", which is not the index of a predefined variable.");
        }
        break;
      case TG_P_DS_EXPLICIT:
      case TG_P_DS_EXPLICITCODE:
        break;  // explicit addresses stay numbers
      default:
        fail("Instruction " + std::to_string(k + 1) + " carries the invalid data segment " +
             std::to_string(instruction.dataSegment) + ".");
    }
    instructions.push_back(std::move(instruction));
  }

  std::vector<TG_P_ROUTINE> routines = m_routines;
  for (auto& routine : routines) {
    const auto address = wholeNumber(routine.location);
    if (!inRange(address, numInstructionsL)) {
      fail("The location [" + routine.location + "] of routine \"" +
           std::string(trimBlanks(routine.name)) + "\" is not the address of an instruction.");
    }
    routine.location = tagOf(*address);
  }

  std::vector<TG_P_ATTRIBUTE> attributes = m_attributes;
  for (auto& attribute : attributes) {
    const auto read = wholeNumber(attribute.readLocation);
    if (!inRange(read, numInstructionsL)) {
      fail("The read location [" + attribute.readLocation + "] of attribute \"" + attribute.name +
           "\" is not the address of an instruction.");
    }
    attribute.readLocation = tagOf(*read);
    if (attribute.writeLocation != "-1") {
      const auto write = wholeNumber(attribute.writeLocation);
      if (!inRange(write, numInstructionsL)) {
        fail("The write location [" + attribute.writeLocation + "] of attribute \"" +
             attribute.name + "\" is not the address of an instruction.");
      }
      attribute.writeLocation = tagOf(*write);
    }
  }

  for (std::size_t i = 0; i < m_variables.size(); ++i) {
    m_variables[i].name = symbolicName(kVariablePrefix, Long(i) + 1);
  }
  m_nextVariableCode = numVariablesL + 1;
  for (std::size_t k = 0; k < m_literals.size(); ++k) {
    m_literals[k].name = symbolicName(kLiteralPrefix, Long(k) + 1);
  }
  m_nextLiteralCode = numLiteralsL + 1;
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    m_instructions[k].instruction = std::move(instructions[k]);
    m_instructions[k].tag = std::move(tags[k]);
  }
  m_nextTagCode = nextTagCode;
  m_routines = std::move(routines);
  m_attributes = std::move(attributes);

  // Variables that no operand names are gaps the file's author left, usually for explicit
  // addresses; while there are several, the memory keeps its size when variables are removed.
  std::size_t unnamed = 0;
  for (const bool named : variableNamed) {
    if (!named) ++unnamed;
  }
  m_memoryFloor = unnamed > 1 ? Integer(numVariablesL) : Integer(-1);
}

}  // namespace tg
