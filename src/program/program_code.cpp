// The instruction list of a program with its tags and debug line numbers.
#include <string>

#include "program/letter_code.hpp"
#include "program/program_lists.hpp"
#include "support/procedure_trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

using namespace program_lists;

TG_P_INSTRUCTION TessaglyphProgram::instructions(Integer index) const {
  return m_instructions[position(index, m_instructions.size())].instruction;
}

void TessaglyphProgram::setInstructions(Integer index, const TG_P_INSTRUCTION& value) {
  const auto at = position(index, m_instructions.size());
  const auto message = validateInstruction(value);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  // The tag and the debug line belong to the position, not to the instruction replaced.
  m_instructions[at].instruction = value;
}

Integer TessaglyphProgram::addInstruction(const TG_P_INSTRUCTION& instruction,
                                          std::optional<Integer> atIndex) {
  ProcedureScope scope(TG_P_PN_ADDINSTRUCTION, "TessaglyphProgram::addInstruction");
  const auto count = Long(m_instructions.size());
  const Long at = (atIndex && *atIndex > 0) ? Long(*atIndex) : count + 1;
  if (at < 1 || at > count + 1) raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE);
  checkRoomForOne(m_instructions.size());
  // Validation may grow the memory for an explicit address, so it runs after the other checks.
  const auto message = validateInstruction(instruction);
  if (!message.empty()) raiseProgramError(TG_P_E_CANNOTSETVALUEERROR, message);
  m_instructions.insert(m_instructions.begin() + (at - 1), InstructionEntry{instruction, {}, 0});
  return Integer(at);
}

void TessaglyphProgram::removeInstruction(Integer index) {
  ProcedureScope scope(TG_P_PN_REMOVEINSTRUCTION, "TessaglyphProgram::removeInstruction");
  const auto at = position(index, m_instructions.size());
  const auto& tagName = m_instructions[at].tag;
  if (!tagName.empty()) {
    raiseProgramError(
        TG_P_E_CANNOTREMOVEERROR,
        "Instruction " + std::to_string(index) + " is currently tagged as " + tagName +
            ", and will not be removed.  You must first remove the tag with the untag() method.");
  }
  m_instructions.erase(m_instructions.begin() + std::ptrdiff_t(at));
}

Integer TessaglyphProgram::tagInstruction(std::string_view name) const {
  const auto found = findTag(name);
  return found ? Integer(*found + 1) : Integer(0);
}

std::string TessaglyphProgram::instructionTag(Integer index) const {
  return m_instructions[position(index, m_instructions.size())].tag;
}

std::string TessaglyphProgram::tag(Integer instructionIndex) {
  const auto at = position(instructionIndex, m_instructions.size());
  const auto& existing = m_instructions[at].tag;
  if (!existing.empty()) {
    raiseProgramError(
        TG_P_E_INSTRUCTIONALREADYTAGGEDERROR,
        std::to_string(instructionIndex) + " has already been tagged as " + existing + ".");
  }
  return tagAt(at);
}

std::string TessaglyphProgram::tagAt(std::size_t position) {
  // The generator restarts when a program is rebuilt from numbers, so a name it hands out may
  // already be in use by a tag that was kept; such names are skipped.
  auto name = symbolicName(kTagPrefix, m_nextTagCode++);
  while (findTag(name))
    name = symbolicName(kTagPrefix, m_nextTagCode++);
  m_instructions[position].tag = name;
  return name;
}

std::size_t TessaglyphProgram::tagReferenceCount(std::string_view tagName) const {
  std::size_t count = 0;
  for (const auto& entry : m_instructions) {
    const auto& instruction = entry.instruction;
    if (instruction.instruction != TG_M_I_STOP && instruction.dataSegment == TG_P_DS_INSTRUCTION &&
        namesMatch(instruction.operand, tagName)) {
      ++count;
    }
  }
  for (const auto& routine : m_routines) {
    if (namesMatch(routine.location, tagName)) ++count;
  }
  for (const auto& attribute : m_attributes) {
    if (namesMatch(attribute.readLocation, tagName)) ++count;
    if (namesMatch(attribute.writeLocation, tagName)) ++count;
  }
  return count;
}

void TessaglyphProgram::untag(std::string_view tagName) {
  const auto found = findTag(tagName);
  if (!found)
    raiseProgramError(TG_P_E_NOSUCHTAGERROR, std::string(tagName) + " is not an existing tag.");
  const auto references = tagReferenceCount(tagName);
  if (references > 0) {
    raiseProgramError(
        TG_P_E_CANNOTREMOVEERROR,
        std::string(tagName) + " is being referenced " + std::to_string(references) +
            " time(s) in your program.  Please remove all these references before you attempt "
            "to untag the instruction.");
  }
  m_instructions[*found].tag.clear();
}

Integer TessaglyphProgram::codeDebugInfo(Integer index) const {
  return m_instructions[position(index, m_instructions.size())].debugLine;
}

void TessaglyphProgram::setCodeDebugInfo(Integer instructionIndex, Integer lineNumber) {
  const auto at = position(instructionIndex, m_instructions.size());
  if (lineNumber < 0) {
    raiseProgramError(
        TG_P_E_CANNOTSETVALUEERROR,
        std::to_string(lineNumber) +
            " is not a valid debug line number.  You must use some positive integer, or 0 to "
            "remove the debugging information for the given instruction.");
  }
  m_instructions[at].debugLine = lineNumber;
}

void TessaglyphProgram::removeCodeDebugInfo(Integer instructionIndex) {
  m_instructions[position(instructionIndex, m_instructions.size())].debugLine = 0;
}

}  // namespace tg
