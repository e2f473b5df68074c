// Printing a program as script source. The printed source must build back into a program that
// writes the same program file, so every choice here mirrors a rule of the assembler: literal
// order and sharing, repeated names, the numbered operand forms and the debug line numbering.
#include "program/disassembler.hpp"

#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "program/letter_code.hpp"
#include "program/script_lexer.hpp"
#include "program/script_literal.hpp"
#include "program/script_parser.hpp"
#include "support/conversions.hpp"
#include "support/file_layer.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

using namespace script;

constexpr const char* kDisassemblerSource = "disassembleProgram";
// Instructions are printed so that their source line is their debug line. Up to this many blank
// lines are inserted to get there (where the original source had comments); a larger jump is
// made with .line.
constexpr Long kMaxPaddingLines = 4;
constexpr std::size_t kCommentColumn = 40;

[[noreturn]] void fail(const std::string& description) {
  throw Error(TG_P_E_INVALIDDATAERROR, kDisassemblerSource, description);
}

// Raised inside while reading a program whose names do not all resolve; the caller then reads
// the program's numeric form instead.
struct NotSymbolic {
  std::string reason;
};

std::string nameKey(std::string_view name) {
  return toLower(trimBlanks(name));
}

// The number an operand text holds when it is a whole number that fits an Integer.
std::optional<Long> integerOperand(std::string_view text) {
  const auto value = parseNumber(text);
  if (!value || !std::isfinite(*value) || std::floor(*value) != *value) return std::nullopt;
  if (*value < std::numeric_limits<Integer>::min() || *value > std::numeric_limits<Integer>::max())
    return std::nullopt;
  return Long(*value);
}

enum class Ref { Empty, Variable, Literal, Instruction, Predefined, Number };

struct Operand {
  Ref ref = Ref::Empty;
  Long value = 0;  // variable, literal or instruction number, predefined index, or the number
};

struct Instruction {
  TG_M_INSTRUCTIONS opcode = TG_M_I_NOP;
  TG_P_DATASEGMENTS segment = TG_P_DS_DATA;
  Operand operand;
  Integer debugLine = 0;
};

struct Variable {
  TG_P_DATATYPES type = TG_P_DT_DEFAULTASCII;
  std::string debugName;
  std::string symbol;
};

struct Attribute {
  TG_P_ATTRIBUTE attribute;
  std::size_t read = 0;
  std::optional<std::size_t> write;
};

// Everything the source needs, with every reference turned into a number.
struct ProgramView {
  std::vector<TG_P_PROPERTY> properties;
  std::vector<std::pair<std::string, std::size_t>> routines;  // name and entry instruction
  std::vector<Attribute> attributes;
  std::vector<TG_P_LITERAL> literals;
  std::vector<Variable> variables;
  std::vector<Instruction> instructions;
};

class ViewReader {
 public:
  explicit ViewReader(const TessaglyphProgram& program) : m_program(program) {}

  ProgramView read() {
    ProgramView view;
    for (Integer i = 1; i <= m_program.numScriptProperties(); ++i)
      view.properties.push_back(m_program.scriptProperties(i));
    for (Integer i = 1; i <= m_program.numLiterals(); ++i) {
      view.literals.push_back(m_program.literals(i));
      m_literals.try_emplace(nameKey(m_program.getLiteralName(i)), i - 1);
    }
    for (Integer i = 1; i <= m_program.neededMemory(); ++i) {
      const auto symbol = m_program.addressSymbolicName(i);
      // Memory grown for an explicit address holds unnamed variables: no operand names them,
      // and they have neither a type nor a debug name.
      if (trimBlanks(symbol).empty()) {
        view.variables.push_back({TG_P_DT_DEFAULTASCII, {}, {}});
        continue;
      }
      if (!m_variables.try_emplace(nameKey(symbol), i - 1).second) {
        throw NotSymbolic{"two variables named " + symbol};
      }
      view.variables.push_back(
          {m_program.variableType(symbol), m_program.variableDebugName(symbol), symbol});
    }
    for (Integer i = 1; i <= m_program.numInstructions(); ++i) {
      const auto tag = m_program.instructionTag(i);
      if (!trimBlanks(tag).empty()) m_tags.try_emplace(nameKey(tag), i - 1);
    }
    for (Integer i = 1; i <= m_program.numInstructions(); ++i)
      view.instructions.push_back(instruction(i));
    for (Integer i = 1; i <= m_program.numRoutines(); ++i) {
      const auto routine = m_program.routines(i);
      view.routines.emplace_back(std::string(trimBlanks(routine.name)), location(routine.location));
    }
    for (Integer i = 1; i <= m_program.numAttributes(); ++i) {
      Attribute attribute{m_program.Attributes(i), 0, std::nullopt};
      attribute.read = location(attribute.attribute.readLocation);
      if (attribute.attribute.writeLocation != "-1")
        attribute.write = location(attribute.attribute.writeLocation);
      view.attributes.push_back(std::move(attribute));
    }
    return view;
  }

 private:
  std::size_t location(const std::string& tag) const {
    const auto found = m_tags.find(nameKey(tag));
    if (found == m_tags.end()) throw NotSymbolic{"a location that names no instruction"};
    return found->second;
  }

  static std::optional<Long> find(const std::unordered_map<std::string, Long>& names,
                                  std::string_view name) {
    const auto found = names.find(nameKey(name));
    if (found == names.end()) return std::nullopt;
    return found->second;
  }

  Instruction instruction(Integer index) const {
    const auto stored = m_program.instructions(index);
    Instruction result{stored.instruction, stored.dataSegment, {}, m_program.codeDebugInfo(index)};
    if (segmentWord(stored.dataSegment).empty()) {
      fail("The program cannot be written as script source: instruction " + std::to_string(index) +
           " has the invalid data segment " + std::to_string(stored.dataSegment) + ".");
    }
    if (stored.instruction == TG_M_I_STOP) return result;
    const bool isNop = stored.instruction == TG_M_I_NOP;
    const auto& text = stored.operand;
    std::optional<Long> number;
    Ref ref = Ref::Empty;
    switch (stored.dataSegment) {
      case TG_P_DS_DATA:
        number = find(m_variables, text);
        ref = Ref::Variable;
        break;
      case TG_P_DS_CONSTANT:
        number = find(m_literals, text);
        ref = Ref::Literal;
        break;
      case TG_P_DS_INSTRUCTION:
        number = find(m_tags, text);
        ref = Ref::Instruction;
        break;
      case TG_P_DS_PREDEFINED: {
        const auto name = nameKey(text);
        ref = Ref::Predefined;
        if (name == kRegisterName) {
          number = TG_M_PVI_REGISTER;
        } else if (name.starts_with(kPredefinedPrefix) &&
                   isValidPDVName(std::string_view(name).substr(kPredefinedPrefix.size()))) {
          number = getPDVValue(std::string_view(name).substr(kPredefinedPrefix.size()));
        }
        break;
      }
      case TG_P_DS_EXPLICIT:
      case TG_P_DS_EXPLICITCODE:
        if (!isNop) {
          // The machine takes the number rounded; the program file holds it as an Integer.
          const auto value = parseNumber(text);
          if (!value) throw NotSymbolic{"an explicit address that is not a number"};
          const double rounded = std::nearbyint(*value);
          if (!(rounded >= 0 && rounded <= std::numeric_limits<Integer>::max()))
            throw NotSymbolic{"an explicit address out of range"};
          result.operand = {Ref::Number, Long(rounded)};
          return result;
        }
        break;
      default:
        throw NotSymbolic{"an invalid data segment"};
    }
    if (number) {
      result.operand = {ref, *number};
      return result;
    }
    // What a NOP carries passes through as long as a program file can hold it.
    if (isNop) {
      if (trimBlanks(text).empty()) return result;
      if (const auto raw = integerOperand(text)) {
        result.operand = {Ref::Number, *raw};
        return result;
      }
    }
    throw NotSymbolic{"an operand that names nothing"};
  }

  const TessaglyphProgram& m_program;
  std::unordered_map<std::string, Long> m_variables;
  std::unordered_map<std::string, Long> m_literals;
  std::unordered_map<std::string, Long> m_tags;
};

// The view of a program: as it is, else through its numeric form (a program a machine
// preparation left numeric, or a symbolic one whose names resolve only with the resolver's
// rules, such as the first of two equal names winning).
ProgramView readView(const TessaglyphProgram& program) {
  std::string reason;
  try {
    return ViewReader(program).read();
  } catch (const NotSymbolic& problem) {
    reason = problem.reason;
  }
  const std::string refused = "The program cannot be written as script source: ";
  TessaglyphProgram numeric = program;
  try {
    numeric.createSymbolicData();
    return ViewReader(numeric).read();
  } catch (const Error&) {
  } catch (const NotSymbolic&) {
  }
  // Symbolic after all. A name that designates nothing resolves to -1, which no file can hold.
  TessaglyphProgram copy = program;
  try {
    copy.resolveSymbolicData();
    copy.createSymbolicData();
  } catch (const Error& error) {
    fail(refused + (error.source() == "TessaglyphProgram::resolveSymbolicData"
                        ? error.description()
                        : "it holds " + reason + "."));
  }
  try {
    return ViewReader(copy).read();
  } catch (const NotSymbolic& problem) {
    fail(refused + "it holds " + problem.reason + ".");
  }
}

// Hands out source names, each different from the others without regard to case.
class NamePool {
 public:
  bool claim(const std::string& name) {
    if (!isIdentifier(name) || isReservedName(name)) return false;
    return m_taken.insert(toLower(name)).second;
  }
  std::string fresh(const std::string& base) {
    if (claim(base)) return base;
    for (int n = 2;; ++n) {
      auto name = base + "_" + std::to_string(n);
      if (claim(name)) return name;
    }
  }

 private:
  std::unordered_set<std::string> m_taken;
};

class SourceWriter {
 public:
  void line(const std::string& text = {}) {
    m_text += text;
    m_text += '\n';
    ++m_lines;
  }
  // The number of the next line to be written.
  Long nextLine() const { return m_lines + 1; }
  std::string take() { return std::move(m_text); }

 private:
  std::string m_text;
  Long m_lines = 0;
};

class Disassembler {
 public:
  explicit Disassembler(ProgramView view) : m_view(std::move(view)) {}

  std::string run() {
    markReferences();
    chooseNames();
    chooseLiteralForms();
    writeProperties();
    writeVariables();
    writeLiterals();
    writeRoutines();
    writeAttributes();
    writeCode();
    return m_out.take();
  }

 private:
  void markReferences() {
    m_labelled.assign(m_view.instructions.size(), false);
    m_referencedVariable.assign(m_view.variables.size(), false);
    for (const auto& instruction : m_view.instructions) {
      const auto& operand = instruction.operand;
      if (operand.ref == Ref::Instruction) m_labelled[std::size_t(operand.value)] = true;
      if (operand.ref == Ref::Variable) m_referencedVariable[std::size_t(operand.value)] = true;
    }
    for (const auto& [name, entry] : m_view.routines)
      m_labelled[entry] = true;
    for (const auto& attribute : m_view.attributes) {
      m_labelled[attribute.read] = true;
      if (attribute.write) m_labelled[*attribute.write] = true;
    }
    // Variables after the last one that needs a line of its own are left to .memory.
    m_declaredVariables = 0;
    for (std::size_t i = 0; i < m_view.variables.size(); ++i) {
      const auto& variable = m_view.variables[i];
      if (variable.type != TG_P_DT_DEFAULTASCII || !variable.debugName.empty() ||
          m_referencedVariable[i]) {
        m_declaredVariables = i + 1;
      }
    }
  }

  // Debug names become source names where they can; routine entries are labelled with the
  // routine's name and attribute code with read_ or write_ and the attribute's name; everything
  // else gets a made-up name.
  void chooseNames() {
    m_variableNames.resize(m_declaredVariables);
    for (std::size_t i = 0; i < m_declaredVariables; ++i) {
      const auto& debugName = m_view.variables[i].debugName;
      if (m_names.claim(debugName)) m_variableNames[i] = debugName;
    }
    m_labels.resize(m_view.instructions.size());
    const auto preferLabel = [&](std::size_t entry, const std::string& name) {
      if (m_labels[entry].empty() && m_names.claim(name)) m_labels[entry] = name;
    };
    for (const auto& [name, entry] : m_view.routines)
      preferLabel(entry, toLower(name));
    for (const auto& attribute : m_view.attributes) {
      const auto& name = attribute.attribute.name;
      if (!isIdentifier(name)) continue;
      preferLabel(attribute.read, "read_" + name);
      if (attribute.write) preferLabel(*attribute.write, "write_" + name);
    }
    for (std::size_t i = 0; i < m_declaredVariables; ++i) {
      if (m_variableNames[i].empty()) m_variableNames[i] = m_names.fresh("v" + std::to_string(i));
    }
    for (std::size_t i = 0; i < m_view.instructions.size(); ++i) {
      if (m_labelled[i] && m_labels[i].empty())
        m_labels[i] = m_names.fresh("L" + std::to_string(i));
    }
  }

  // Literals are written inline when the assembler's rules (numbered in order of first use,
  // identical ones shared) rebuild the table exactly; otherwise they are declared in order.
  void chooseLiteralForms() {
    for (std::size_t k = 0; k < m_view.literals.size(); ++k) {
      const auto form = formatLiteral(m_view.literals[k]);
      if (!form) {
        fail("The program cannot be written as script source: literal " + std::to_string(k + 1) +
             " has data type " + std::to_string(m_view.literals[k].dataType) +
             ", which no literal can have.");
      }
      m_literalForms.push_back(*form);
    }
    std::set<std::tuple<std::int32_t, Integer, std::string>> distinct;
    for (const auto& literal : m_view.literals)
      distinct.emplace(literal.dataType, literal.size, literal.value);
    bool inlineWorks = distinct.size() == m_view.literals.size();
    Long nextFirstUse = 0;
    std::vector<bool> used(m_view.literals.size(), false);
    for (const auto& instruction : m_view.instructions) {
      if (!inlineWorks) break;
      if (instruction.operand.ref != Ref::Literal) continue;
      const auto k = std::size_t(instruction.operand.value);
      if (used[k]) continue;
      used[k] = true;
      inlineWorks = instruction.operand.value == nextFirstUse++;
    }
    m_inlineLiterals = inlineWorks && nextFirstUse == Long(m_view.literals.size());
    if (m_inlineLiterals) return;
    for (std::size_t k = 0; k < m_view.literals.size(); ++k)
      m_literalNames.push_back(m_names.fresh("lit" + std::to_string(k)));
  }

  static std::string nameOrQuoted(const std::string& name) {
    return isIdentifier(name) ? name : quoteString(name);
  }

  void blankLineBetweenSections() {
    if (m_out.nextLine() > 1) m_out.line();
  }

  // Whether a name repeats an earlier one the way the program compares names: trimmed, without
  // regard to case, and never for a blank name.
  class RepeatCheck {
   public:
    bool repeated(std::string_view name) {
      const auto key = nameKey(name);
      return !key.empty() && !m_seen.insert(key).second;
    }

   private:
    std::unordered_set<std::string> m_seen;
  };

  void writeProperties() {
    RepeatCheck names;
    for (const auto& property : m_view.properties) {
      const bool repeated = names.repeated(property.propertyName);
      m_out.line(".property " + nameOrQuoted(property.propertyName) + " " +
                 quoteString(property.propertyValue) + (repeated ? " duplicate" : ""));
    }
  }

  void writeVariables() {
    if (m_view.variables.empty()) return;
    blankLineBetweenSections();
    for (std::size_t i = 0; i < m_declaredVariables; ++i) {
      const auto& variable = m_view.variables[i];
      std::string text = ".var " + m_variableNames[i];
      if (variable.type != TG_P_DT_DEFAULTASCII) {
        const auto word = dataTypeWord(variable.type);
        if (word.empty()) {
          fail("The program cannot be written as script source: variable " + std::to_string(i + 1) +
               " has the invalid data type " + std::to_string(variable.type) + ".");
        }
        text += " " + std::string(word);
      }
      if (variable.debugName.empty()) {
        text += " nodebug";
      } else if (variable.debugName != m_variableNames[i]) {
        text += " debug " + quoteString(variable.debugName);
      }
      m_out.line(text);
    }
    if (m_declaredVariables < m_view.variables.size())
      m_out.line(".memory " + std::to_string(m_view.variables.size()));
  }

  void writeLiterals() {
    if (m_inlineLiterals) return;
    blankLineBetweenSections();
    for (std::size_t k = 0; k < m_view.literals.size(); ++k)
      m_out.line(".literal " + m_literalNames[k] + " " + m_literalForms[k]);
  }

  void writeRoutines() {
    if (m_view.routines.empty()) return;
    blankLineBetweenSections();
    RepeatCheck names;
    for (const auto& [name, entry] : m_view.routines) {
      const bool repeated = names.repeated(name);
      std::string text = ".routine " + name;
      if (m_labels[entry] != name) text += " " + m_labels[entry];
      m_out.line(text + (repeated ? " duplicate" : ""));
    }
  }

  void writeAttributes() {
    if (m_view.attributes.empty()) return;
    blankLineBetweenSections();
    RepeatCheck names;
    for (const auto& entry : m_view.attributes) {
      const auto& attribute = entry.attribute;
      const bool repeated = names.repeated(attribute.name);
      const auto kind = attributeTypeWord(attribute.attributeType);
      const auto type = dataTypeWord(attribute.dataType);
      if (kind.empty() || type.empty() || attribute.dataType == TG_P_DT_DEFAULTASCII) {
        fail("The program cannot be written as script source: attribute " +
             quoteString(attribute.name) + " has an invalid attribute or data type.");
      }
      std::string text = ".attribute " + nameOrQuoted(attribute.name) + " " + std::string(kind) +
                         " " + std::string(type);
      if (attribute.size != 0) text += " " + std::to_string(attribute.size);
      text += delimiters(attribute);
      text += " read " + m_labels[entry.read];
      if (entry.write) text += " write " + m_labels[*entry.write];
      if (!attribute.commentString.empty())
        text += " comment " + quoteString(attribute.commentString);
      if (!attribute.tipString.empty()) text += " tip " + quoteString(attribute.tipString);
      m_out.line(text + (repeated ? " duplicate" : ""));
    }
  }

  // The delimiter list: nothing for the list every non-delimited attribute has (the single
  // empty element 0), the texts in parentheses for a list from 1.
  static std::string delimiters(const TG_P_ATTRIBUTE& attribute) {
    const auto& list = attribute.delimiterList;
    if (list.lbound() == 0 && list.size() == 1) return {};
    if (list.lbound() != 1 || list.empty()) {
      fail("The program cannot be written as script source: the delimiter list of attribute " +
           quoteString(attribute.name) + " has the bounds " + std::to_string(list.lbound()) +
           " to " + std::to_string(list.ubound()) + ".");
    }
    std::string text = " (";
    for (Long i = list.lbound(); i <= list.ubound(); ++i) {
      if (i > list.lbound()) text += ", ";
      text += quoteString(list[i]);
    }
    return text + ")";
  }

  std::string operandText(const Instruction& instruction) const {
    const auto& operand = instruction.operand;
    const auto segment = std::string(segmentWord(instruction.segment));
    switch (operand.ref) {
      case Ref::Empty:
        return instruction.segment == TG_P_DS_DATA ? std::string() : segment + "[]";
      case Ref::Variable:
        return m_variableNames[std::size_t(operand.value)];
      case Ref::Literal:
        return m_inlineLiterals ? m_literalForms[std::size_t(operand.value)]
                                : m_literalNames[std::size_t(operand.value)];
      case Ref::Instruction:
        return m_labels[std::size_t(operand.value)];
      case Ref::Predefined:
        return operand.value == TG_M_PVI_REGISTER
                   ? std::string(kRegisterName)
                   : "p_" + getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES(operand.value));
      case Ref::Number:
        return segment + "[" + std::to_string(operand.value) + "]";
    }
    return {};
  }

  // A label has a line of its own, unless the instruction must follow the line before it
  // directly (its label shared its line in the source): then the label goes in front of it.
  void writeCode() {
    blankLineBetweenSections();
    bool linesOn = true;
    Long lineOffset = 0;  // debug line = source line + offset
    for (std::size_t i = 0; i < m_view.instructions.size(); ++i) {
      const auto& instruction = m_view.instructions[i];
      const bool labelled = m_labelled[i];
      const Long wanted = instruction.debugLine;
      bool pinLine = false;
      bool labelInFront = false;
      if (wanted == 0) {
        if (linesOn) m_out.line(".lines off");
        linesOn = false;
      } else {
        if (!linesOn) m_out.line(".lines on");
        linesOn = true;
        const Long gap = wanted - (m_out.nextLine() + (labelled ? 1 : 0) + lineOffset);
        if (gap >= 0 && gap <= kMaxPaddingLines) {
          for (Long k = 0; k < gap; ++k)
            m_out.line();
        } else if (labelled && gap == -1) {
          labelInFront = true;
        } else {
          pinLine = true;
        }
      }
      if (labelled && !labelInFront) m_out.line(m_labels[i] + ":");
      if (pinLine) {
        m_out.line(".line " + std::to_string(wanted));
        lineOffset = wanted - m_out.nextLine();
      }
      std::string text = labelInFront ? m_labels[i] + ":" : std::string();
      text.resize(std::max<std::size_t>(text.size() + 1, 4), ' ');
      text += getInstructionName(instruction.opcode);
      const auto operand = operandText(instruction);
      if (!operand.empty()) text += " " + operand;
      text.resize(std::max(text.size() + 2, kCommentColumn), ' ');
      m_out.line(text + "; " + std::to_string(i));
    }
  }

  ProgramView m_view;
  SourceWriter m_out;
  NamePool m_names;
  std::vector<bool> m_labelled;
  std::vector<bool> m_referencedVariable;
  std::size_t m_declaredVariables = 0;
  std::vector<std::string> m_variableNames;
  std::vector<std::string> m_labels;
  std::vector<std::string> m_literalForms;
  std::vector<std::string> m_literalNames;
  bool m_inlineLiterals = true;
};

}  // namespace

std::string disassembleProgram(const TessaglyphProgram& program) {
  return Disassembler(readView(program)).run();
}

std::string disassembleFile(const std::string& programPath, TessaglyphProgramEvents* events) {
  // The reader hands a missing file to the error report; a caller here wants it raised.
  { ScopedFile probe(programPath, FileOpenMode::ReadOnly); }
  TessaglyphProgram program;
  program.setEventSink(events);
  if (program.readProgram(programPath, 1) < 0) {
    throw Error(TG_P_E_INVALIDDATAERROR, "disassembleFile",
                "The program file " + programPath + " could not be read.");
  }
  program.setEventSink(nullptr);
  return disassembleProgram(program);
}

}  // namespace tg
