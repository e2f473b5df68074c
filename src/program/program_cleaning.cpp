// Cleaning a symbolic program: variables, literals and tags that nothing refers to go, and the
// rest are renamed densely in their order, every reference following its target.
//
// The three kinds are cleaned in the order variables, literals, tags; within each kind the
// unreferenced entries are removed first and the survivors renamed afterwards. All references
// are collected before anything changes, and the renaming goes through tables from old
// position to new name, so a new name that equals some other entry's old name can never
// capture a reference by mistake.
//
// An EXPLICIT operand is a machine address the script's author chose, not a name: cleaning
// neither keeps a cell for it nor changes it.
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "program/letter_code.hpp"
#include "program/name_index.hpp"
#include "support/conversions.hpp"
#include "support/procedure_trace.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {

namespace {

constexpr const char* kCleanSource = "TessaglyphProgram::clean";

// New positions of the kept entries of a list, in order; empty for the removed ones.
std::vector<std::optional<std::size_t>> renumber(const std::vector<bool>& kept) {
  std::vector<std::optional<std::size_t>> result(kept.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i]) result[i] = next++;
  }
  return result;
}

[[noreturn]] void refuse(const std::string& description) {
  throw Error(TG_P_E_INVALIDDATAERROR, kCleanSource, description);
}

}  // namespace

void TessaglyphProgram::clean() {
  ProcedureScope scope(TG_P_PN_CLEAN, kCleanSource);
  const std::size_t numLiterals = m_literals.size();
  const std::size_t numVariables = m_variables.size();

  NameIndex variables;
  NameIndex literals;
  NameIndex tags;
  for (std::size_t i = 0; i < numVariables; ++i)
    variables.add(m_variables[i].name, Long(i));
  for (std::size_t i = 0; i < numLiterals; ++i)
    literals.add(m_literals[i].name, Long(i));
  for (std::size_t i = 0; i < m_instructions.size(); ++i)
    tags.add(m_instructions[i].tag, Long(i));

  // What each operand and location refers to, checked before anything changes: a reference to
  // a missing name would otherwise end up naming whichever entry is renamed to it.
  enum class Target { none, variable, literal, tag };
  struct Reference {
    Target target = Target::none;
    std::size_t position = 0;
  };
  std::vector<Reference> operands(m_instructions.size());
  std::vector<bool> variableUsed(numVariables, false);
  std::vector<bool> literalUsed(numLiterals, false);
  std::vector<bool> tagUsed(m_instructions.size(), false);

  const auto tagOf = [&](const std::string& location, const std::string& what) {
    const auto found = tags.find(location);
    if (!found) refuse(what + " \"" + location + "\" is not the tag of any instruction.");
    tagUsed[*found] = true;
    return *found;
  };

  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    const auto& instruction = m_instructions[k].instruction;
    // A STOP's operand names what it names, as for removeVariable, but is never read: one that
    // names nothing is left alone.
    const bool isStop = instruction.instruction == TG_M_I_STOP;
    const bool isNop = instruction.instruction == TG_M_I_NOP;
    const auto dangling = [&](const char* kind) {
      if (isStop || (isNop && nopOperandPassesThrough(instruction.operand))) return;
      refuse("Instruction " + std::to_string(k + 1) + " refers to \"" + instruction.operand +
             "\", but no " + kind + " carries that name.");
    };
    Reference& reference = operands[k];
    switch (instruction.dataSegment) {
      case TG_P_DS_DATA:
        if (const auto found = variables.find(instruction.operand)) {
          reference = {Target::variable, std::size_t(*found)};
          variableUsed[*found] = true;
        } else {
          dangling("variable");
        }
        break;
      case TG_P_DS_CONSTANT:
        if (const auto found = literals.find(instruction.operand)) {
          reference = {Target::literal, std::size_t(*found)};
          literalUsed[*found] = true;
        } else {
          dangling("literal");
        }
        break;
      case TG_P_DS_INSTRUCTION:
        if (const auto found = tags.find(instruction.operand)) {
          reference = {Target::tag, std::size_t(*found)};
          tagUsed[*found] = true;
        } else {
          dangling("tagged instruction");
        }
        break;
      default:
        break;
    }
  }

  std::vector<std::size_t> routineTags;
  routineTags.reserve(m_routines.size());
  for (const auto& routine : m_routines) {
    routineTags.push_back(
        tagOf(routine.location,
              "The location of routine \"" + std::string(trimBlanks(routine.name)) + "\""));
  }
  struct AttributeTags {
    std::size_t read = 0;
    std::optional<std::size_t> write;
  };
  std::vector<AttributeTags> attributeTags;
  attributeTags.reserve(m_attributes.size());
  for (const auto& attribute : m_attributes) {
    AttributeTags entry;
    entry.read =
        tagOf(attribute.readLocation, "The read location of attribute \"" + attribute.name + "\"");
    if (attribute.writeLocation != "-1") {
      entry.write = tagOf(attribute.writeLocation,
                          "The write location of attribute \"" + attribute.name + "\"");
    }
    attributeTags.push_back(entry);
  }

  // 1. Variables. The memory floor goes: cleaning is what may shrink the memory.
  scope.step(1);
  m_memoryFloor = -1;
  const auto newVariable = renumber(variableUsed);
  std::vector<VariableEntry> keptVariables;
  for (std::size_t i = 0; i < numVariables; ++i) {
    if (!newVariable[i]) continue;
    keptVariables.push_back(std::move(m_variables[i]));
    keptVariables.back().name = symbolicName(kVariablePrefix, Long(keptVariables.size()));
  }
  m_variables = std::move(keptVariables);
  m_nextVariableCode = Long(m_variables.size()) + 1;

  // 2. Literals.
  scope.step(2);
  const auto newLiteral = renumber(literalUsed);
  std::vector<LiteralEntry> keptLiterals;
  for (std::size_t i = 0; i < numLiterals; ++i) {
    if (!newLiteral[i]) continue;
    keptLiterals.push_back(std::move(m_literals[i]));
    keptLiterals.back().name = symbolicName(kLiteralPrefix, Long(keptLiterals.size()));
  }
  m_literals = std::move(keptLiterals);
  m_nextLiteralCode = Long(m_literals.size()) + 1;

  // 3. Tags, named anew in instruction order.
  scope.step(3);
  Long tagCode = 0;
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    auto& tag = m_instructions[k].tag;
    if (tag.empty()) continue;
    tag = tagUsed[k] ? symbolicName(kTagPrefix, ++tagCode) : std::string();
  }
  m_nextTagCode = tagCode + 1;

  // The references follow.
  for (std::size_t k = 0; k < m_instructions.size(); ++k) {
    auto& instruction = m_instructions[k].instruction;
    const Reference& reference = operands[k];
    if (reference.target == Target::none) continue;
    if (reference.target == Target::variable) {
      instruction.operand = m_variables[*newVariable[reference.position]].name;
    } else if (reference.target == Target::literal) {
      instruction.operand = m_literals[*newLiteral[reference.position]].name;
    } else {
      instruction.operand = m_instructions[reference.position].tag;
    }
  }
  for (std::size_t r = 0; r < m_routines.size(); ++r) {
    m_routines[r].location = m_instructions[routineTags[r]].tag;
  }
  for (std::size_t a = 0; a < m_attributes.size(); ++a) {
    m_attributes[a].readLocation = m_instructions[attributeTags[a].read].tag;
    if (attributeTags[a].write) {
      m_attributes[a].writeLocation = m_instructions[*attributeTags[a].write].tag;
    }
  }
}

}  // namespace tg
