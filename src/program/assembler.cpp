// Building a program from script source. Parsing comes first and collects every line's errors;
// the build then goes through the program's public members in a fixed order (properties,
// variables, literals, instructions, tags, routines, attributes, debug lines), so that names can
// be used before they are declared and the model validates everything it stores.
#include "program/assembler.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "program/letter_code.hpp"
#include "program/script_lexer.hpp"
#include "program/script_parser.hpp"
#include "support/text.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

namespace {

using namespace script;

constexpr const char* kAssemblerSource = "assembleProgram";

std::string joinDiagnostics(const std::vector<ScriptDiagnostic>& diagnostics) {
  std::string text;
  for (const auto& diagnostic : diagnostics) {
    if (!text.empty()) text += '\n';
    text += diagnostic.format();
  }
  return text;
}

class DiagnosticList {
 public:
  explicit DiagnosticList(std::string_view file) : m_file(file) {}

  void add(Position position, std::string message, std::int32_t number = 0) {
    if (m_diagnostics.size() > kMaxScriptDiagnostics) return;
    if (m_diagnostics.size() == kMaxScriptDiagnostics) {
      m_diagnostics.push_back(
          {m_file, position.line, position.column, "too many errors; stopping here", 0});
      return;
    }
    m_diagnostics.push_back({m_file, position.line, position.column, std::move(message), number});
  }
  // An error the program model raised for what the source asked of it.
  void model(Position position, const Error& error) {
    std::string message =
        error.description() + " (program error " + std::to_string(error.number()) + ")";
    if (error.number() == TG_P_E_PROPERTYEXISTSERROR ||
        error.number() == TG_P_E_ROUTINEEXISTSERROR ||
        error.number() == TG_P_E_ATTRIBUTEEXISTSERROR) {
      message += "; end the line with 'duplicate' to keep both";
    }
    add(position, std::move(message), error.number());
  }
  bool empty() const { return m_diagnostics.empty(); }
  // The diagnostics in source order (the build finds some later than the lines after them).
  std::vector<ScriptDiagnostic> take() {
    const auto end = m_diagnostics.size() > kMaxScriptDiagnostics
                         ? m_diagnostics.begin() + kMaxScriptDiagnostics
                         : m_diagnostics.end();
    std::stable_sort(m_diagnostics.begin(), end, [](const auto& a, const auto& b) {
      return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
    return std::move(m_diagnostics);
  }

 private:
  std::string m_file;
  std::vector<ScriptDiagnostic> m_diagnostics;
};

enum class NameKind { Variable, Literal, Label };

struct NameEntry {
  NameKind kind;
  std::size_t index;  // into the statements of its kind; a label's instruction index
  Position position;
};

std::string_view kindWord(NameKind kind) {
  switch (kind) {
    case NameKind::Variable:
      return "a variable";
    case NameKind::Literal:
      return "a literal";
    case NameKind::Label:
      return "a label";
  }
  return "a name";
}

using LiteralKey = std::tuple<std::int32_t, Integer, std::string>;

LiteralKey keyOf(const TG_P_LITERAL& literal) {
  return {literal.dataType, literal.size, literal.value};
}

class Assembler {
 public:
  explicit Assembler(std::string_view fileName) : m_diagnostics(fileName) {}

  TessaglyphProgram run(std::string_view source) {
    std::vector<SyntaxError> syntaxErrors;
    m_syntax = parseScript(source, syntaxErrors);
    for (auto& error : syntaxErrors)
      m_diagnostics.add(error.position, std::move(error.message));

    declareNames();
    buildProperties();
    buildVariables();
    buildLiterals();
    buildInstructions();
    buildRoutines();
    buildAttributes();
    buildDebugLines();
    if (m_syntax.instructions.empty() && m_diagnostics.empty()) {
      m_diagnostics.add({1, 1}, "the script has no instructions; a program needs at least one");
    }
    if (!m_diagnostics.empty()) throw ScriptSourceError(m_diagnostics.take());
    return std::move(m_program);
  }

 private:
  // Runs one call on the program; a model error becomes a diagnostic at `position`.
  template <typename Call>
  bool modelCall(Position position, Call&& call) {
    try {
      call();
      return true;
    } catch (const Error& error) {
      m_diagnostics.model(position, error);
      return false;
    }
  }

  // ---- Names

  void declare(const std::string& name, NameKind kind, std::size_t index, Position position) {
    const auto [existing, added] = m_names.try_emplace(name, NameEntry{kind, index, position});
    if (!added) {
      m_diagnostics.add(position, "'" + name + "' is already defined as " +
                                      std::string(kindWord(existing->second.kind)) + " on line " +
                                      std::to_string(existing->second.position.line));
    }
  }

  void declareNames() {
    for (std::size_t i = 0; i < m_syntax.variables.size(); ++i) {
      const auto& variable = m_syntax.variables[i];
      declare(variable.name, NameKind::Variable, i, variable.namePosition);
    }
    for (std::size_t i = 0; i < m_syntax.literals.size(); ++i) {
      const auto& literal = m_syntax.literals[i];
      declare(literal.name, NameKind::Literal, i, literal.namePosition);
    }
    for (const auto& label : m_syntax.labels)
      declare(label.name, NameKind::Label, label.instruction, label.position);
  }

  const NameEntry* findName(const std::string& name) const {
    const auto found = m_names.find(name);
    return found == m_names.end() ? nullptr : &found->second;
  }

  // The instruction a label marks, or a diagnostic.
  std::optional<std::size_t> labelTarget(const std::string& label, Position position,
                                         const std::string& user) {
    const auto* entry = findName(label);
    if (entry == nullptr) {
      m_diagnostics.add(position, "no label '" + label + "' is defined for " + user);
      return std::nullopt;
    }
    if (entry->kind != NameKind::Label) {
      m_diagnostics.add(
          position, "'" + label + "' is " + std::string(kindWord(entry->kind)) + ", not a label");
      return std::nullopt;
    }
    if (entry->index >= m_syntax.instructions.size()) return std::nullopt;  // already reported
    return entry->index;
  }

  // ---- Properties

  void buildProperties() {
    for (const auto& statement : m_syntax.properties) {
      modelCall(statement.position, [&] {
        const auto& property = statement.property;
        if (!statement.duplicate || m_program.getScriptPropertyIndex(property.propertyName) == 0) {
          m_program.addScriptProperty(property);
          return;
        }
        // The program refuses a repeated name only when adding, so the repeat is added under a
        // name of its own and then renamed in place.
        const auto index =
            m_program.addScriptProperty({freeName([&](const std::string& name) {
                                           return m_program.getScriptPropertyIndex(name) != 0;
                                         }),
                                         property.propertyValue});
        m_program.setScriptProperties(index, property);
      });
    }
  }

  template <typename Taken>
  static std::string freeName(Taken&& taken) {
    for (int n = 1;; ++n) {
      auto name = "\x01repeat" + std::to_string(n);
      if (!taken(name)) return name;
    }
  }

  // ---- Variables

  void buildVariables() {
    for (const auto& statement : m_syntax.variables) {
      std::string symbol;
      if (!modelCall(statement.position, [&] { symbol = m_program.addVariable(); })) {
        m_variableSymbols.emplace_back();
        continue;
      }
      m_variableSymbols.push_back(symbol);
      if (statement.type != TG_P_DT_DEFAULTASCII) {
        modelCall(statement.position, [&] { m_program.setVariableType(symbol, statement.type); });
      }
      if (!statement.debugName.empty()) {
        modelCall(statement.position,
                  [&] { m_program.setVarDebugInfo(symbol, statement.debugName); });
      }
    }
    if (!m_syntax.memory) return;
    const auto& memory = *m_syntax.memory;
    if (std::size_t(memory.count) < m_syntax.variables.size()) {
      m_diagnostics.add(memory.position,
                        ".memory " + std::to_string(memory.count) + " is fewer than the " +
                            std::to_string(m_syntax.variables.size()) + " variables declared");
      return;
    }
    // Added one by one (rather than by growing the memory) so that every variable has a name
    // that data[N] can refer to.
    while (m_variableSymbols.size() < std::size_t(memory.count)) {
      std::string symbol;
      if (!modelCall(memory.position, [&] { symbol = m_program.addVariable(); })) return;
      m_variableSymbols.push_back(symbol);
    }
  }

  // ---- Literals

  std::optional<std::string> addLiteral(const TG_P_LITERAL& literal, Position position) {
    std::string symbol;
    if (!modelCall(position, [&] { symbol = m_program.addLiteral(literal); })) return std::nullopt;
    m_literalSymbols.push_back(symbol);
    m_sharedLiterals.try_emplace(keyOf(literal), symbol);
    return symbol;
  }

  // Declared literals first, in order; then inline ones in order of first use, an inline literal
  // sharing the first identical literal already in the table.
  void buildLiterals() {
    for (const auto& statement : m_syntax.literals) {
      m_declaredLiteralSymbols.push_back(
          statement.valid ? addLiteral(statement.literal, statement.literalPosition)
                          : std::nullopt);
    }
    m_inlineLiteralSymbols.resize(m_syntax.instructions.size());
    for (std::size_t i = 0; i < m_syntax.instructions.size(); ++i) {
      const auto& instruction = m_syntax.instructions[i];
      if (!instruction.valid || instruction.operand.form != OperandForm::Literal) continue;
      const auto& literal = instruction.operand.literal;
      const auto shared = m_sharedLiterals.find(keyOf(literal));
      m_inlineLiteralSymbols[i] = shared != m_sharedLiterals.end()
                                      ? std::optional<std::string>(shared->second)
                                      : addLiteral(literal, instruction.operand.position);
    }
  }

  // ---- Instructions

  // Every instruction first goes in as a NOP, so that tags exist before any operand names them.
  void buildInstructions() {
    const auto count = m_syntax.instructions.size();
    m_tags.resize(count);
    std::vector<bool> placed(count, false);
    for (std::size_t i = 0; i < count; ++i) {
      placed[i] = modelCall(m_syntax.instructions[i].position, [&] {
        m_program.addInstruction(TG_P_INSTRUCTION{TG_M_I_NOP, "", TG_P_DS_DATA});
      });
      if (!placed[i]) break;  // the list is full; later positions would not match
    }

    // Operands are worked out before anything is tagged, and tags are handed out in the order
    // the program file's reader hands them out: operands, then routines, then attributes.
    m_placed = placed;
    if (!allPlaced()) return;  // the list is full: already reported
    std::vector<std::optional<TG_P_INSTRUCTION>> resolved(count);
    for (std::size_t i = 0; i < count; ++i) {
      if (m_syntax.instructions[i].valid) resolved[i] = resolveInstruction(i);
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (resolved[i] && resolved[i]->dataSegment == TG_P_DS_INSTRUCTION &&
          m_pendingTargets.count(i) != 0) {
        resolved[i]->operand = tagOf(m_pendingTargets[i]);
      }
    }
    resolveLocations();
    for (std::size_t i = 0; i < count; ++i) {
      if (!resolved[i]) continue;
      modelCall(m_syntax.instructions[i].operand.position,
                [&] { m_program.setInstructions(Integer(i + 1), *resolved[i]); });
    }
  }

  std::string tagOf(std::size_t instruction) {
    auto& tag = m_tags[instruction];
    if (tag.empty()) tag = m_program.tag(Integer(instruction + 1));
    return tag;
  }

  // The instruction as the model stores it; an INSTRUCTION operand naming an instruction is
  // recorded in m_pendingTargets and tagged afterwards.
  std::optional<TG_P_INSTRUCTION> resolveInstruction(std::size_t i) {
    const auto& statement = m_syntax.instructions[i];
    const auto& operand = statement.operand;
    const bool isStop = statement.opcode == TG_M_I_STOP;
    const bool isNop = statement.opcode == TG_M_I_NOP;
    const auto mnemonic = "'" + getInstructionName(statement.opcode) + "'";
    TG_P_INSTRUCTION result{statement.opcode, "", TG_P_DS_DATA};

    if (isStop && operand.form != OperandForm::None && operand.form != OperandForm::SegmentOnly) {
      m_diagnostics.add(operand.position,
                        "'stop' takes no operand; only a segment such as 'instr[]' may follow it");
      return std::nullopt;
    }
    switch (operand.form) {
      case OperandForm::None:
      case OperandForm::SegmentOnly:
        if (!isStop && !isNop) {
          m_diagnostics.add(operand.position, mnemonic + " needs an operand");
          return std::nullopt;
        }
        result.dataSegment = operand.segment;
        return result;
      case OperandForm::Predefined:
        result.dataSegment = TG_P_DS_PREDEFINED;
        result.operand = operand.text;
        return result;
      case OperandForm::Literal:
        if (!m_inlineLiteralSymbols[i]) return std::nullopt;  // already reported
        result.dataSegment = TG_P_DS_CONSTANT;
        result.operand = *m_inlineLiteralSymbols[i];
        return result;
      case OperandForm::Name:
        return resolveName(i, result);
      case OperandForm::Numbered:
        return resolveNumbered(i, result, isNop);
    }
    return std::nullopt;
  }

  std::optional<TG_P_INSTRUCTION> resolveName(std::size_t i, TG_P_INSTRUCTION result) {
    const auto& operand = m_syntax.instructions[i].operand;
    const auto* entry = findName(operand.text);
    if (entry == nullptr) {
      m_diagnostics.add(operand.position,
                        "'" + operand.text + "' is not a declared variable, literal or label");
      return std::nullopt;
    }
    switch (entry->kind) {
      case NameKind::Variable:
        if (m_variableSymbols.size() <= entry->index || m_variableSymbols[entry->index].empty())
          return std::nullopt;
        result.dataSegment = TG_P_DS_DATA;
        result.operand = m_variableSymbols[entry->index];
        return result;
      case NameKind::Literal:
        if (!m_declaredLiteralSymbols[entry->index]) return std::nullopt;
        result.dataSegment = TG_P_DS_CONSTANT;
        result.operand = *m_declaredLiteralSymbols[entry->index];
        return result;
      case NameKind::Label:
        if (entry->index >= m_syntax.instructions.size()) return std::nullopt;
        result.dataSegment = TG_P_DS_INSTRUCTION;
        m_pendingTargets[i] = entry->index;
        return result;
    }
    return std::nullopt;
  }

  std::optional<TG_P_INSTRUCTION> resolveNumbered(std::size_t i, TG_P_INSTRUCTION result,
                                                  bool isNop) {
    const auto& operand = m_syntax.instructions[i].operand;
    const Long n = operand.number;
    const auto form = std::string(segmentWord(operand.segment)) + "[" + std::to_string(n) + "]";
    result.dataSegment = operand.segment;
    // A NOP may carry any number in any segment: what it names is never used.
    const auto raw = [&]() -> std::optional<TG_P_INSTRUCTION> {
      result.operand = std::to_string(n);
      return result;
    };
    const auto outside = [&](const std::string& what) -> std::optional<TG_P_INSTRUCTION> {
      if (isNop) return raw();
      m_diagnostics.add(operand.position, form + ": " + what);
      return std::nullopt;
    };
    const auto count = [](std::size_t total, const char* thing) {
      return "the program has " + std::to_string(total) + " " + thing + ", numbered from 0";
    };
    switch (operand.segment) {
      case TG_P_DS_DATA:
        if (n < 0 || std::size_t(n) >= m_variableSymbols.size())
          return outside(count(m_variableSymbols.size(), "variables"));
        if (m_variableSymbols[std::size_t(n)].empty()) return std::nullopt;
        result.operand = m_variableSymbols[std::size_t(n)];
        return result;
      case TG_P_DS_CONSTANT:
        if (n < 0 || std::size_t(n) >= m_literalSymbols.size())
          return outside(count(m_literalSymbols.size(), "literals"));
        result.operand = m_literalSymbols[std::size_t(n)];
        return result;
      case TG_P_DS_INSTRUCTION:
        if (n < 0 || std::size_t(n) >= m_syntax.instructions.size())
          return outside(count(m_syntax.instructions.size(), "instructions"));
        m_pendingTargets[i] = std::size_t(n);
        return result;
      case TG_P_DS_PREDEFINED:
        if (n < 0 || n > TG_M_PVI_VALID_MAX)
          return outside("the predefined variables are numbered from 0 to 15");
        result.operand = n == TG_M_PVI_REGISTER
                             ? std::string(kRegisterName)
                             : "p_" + getPDVName(TG_M_PREDEFINEDVARIABLEINDICIES(n));
        return result;
      case TG_P_DS_EXPLICIT:
        if (n < 0) return outside("a data address cannot be negative");
        return raw();
      case TG_P_DS_EXPLICITCODE:
        if (n < 0 || std::size_t(n) >= m_syntax.instructions.size())
          return outside(count(m_syntax.instructions.size(), "instructions"));
        return raw();
    }
    return std::nullopt;
  }

  // Tags for routine and attribute locations, after those of the operands.
  void resolveLocations() {
    const auto tagFor = [&](const std::string& label, Position position,
                            const std::string& user) -> std::optional<std::string> {
      const auto target = labelTarget(label, position, user);
      if (!target || !allPlaced()) return std::nullopt;
      return tagOf(*target);
    };
    for (const auto& routine : m_syntax.routines) {
      m_routineTags.push_back(
          tagFor(routine.label, routine.labelPosition, "the routine '" + routine.name + "'"));
    }
    for (const auto& attribute : m_syntax.attributes) {
      const auto user = "the attribute " + quoteString(attribute.attribute.name);
      m_readTags.push_back(tagFor(attribute.readLabel, attribute.readPosition, user));
      m_writeTags.push_back(attribute.writeLabel
                                ? tagFor(*attribute.writeLabel, attribute.writePosition, user)
                                : std::optional<std::string>("-1"));
    }
  }

  bool allPlaced() const {
    return std::size_t(m_program.numInstructions()) == m_syntax.instructions.size();
  }

  // ---- Routines

  void buildRoutines() {
    for (std::size_t r = 0; r < m_syntax.routines.size(); ++r) {
      const auto& statement = m_syntax.routines[r];
      if (r >= m_routineTags.size() || !m_routineTags[r]) continue;  // reported already
      const TG_P_ROUTINE routine{statement.name, *m_routineTags[r]};
      modelCall(statement.position, [&] {
        if (!statement.duplicate || m_program.getRoutineIndex(routine.name) == 0) {
          m_program.addRoutine(routine);
        } else {
          addRepeatedRoutine(routine);
        }
      });
    }
  }

  // A routine whose name the program already has: it is added under a free slot name and then
  // renamed in place, since the program refuses a repeated name only when adding. When every
  // slot name is taken, the first name is lent for the moment: the routines carrying it are
  // renamed to the second routine's name and given their own spelling back afterwards.
  void addRepeatedRoutine(const TG_P_ROUTINE& routine) {
    std::string freeSlot;
    for (const auto& slot : routineTable) {
      if (m_program.getRoutineIndex(slot.name) == 0) {
        freeSlot = std::string(slot.name);
        break;
      }
    }
    std::vector<std::pair<Integer, std::string>> lent;  // a routine and its own spelling
    TG_P_ROUTINE lender;
    if (freeSlot.empty()) {
      lender = m_program.routines(1);
      std::string other;
      for (Integer k = 2; k <= m_program.numRoutines() && other.empty(); ++k) {
        if (!sameName(m_program.routines(k).name, lender.name)) other = m_program.routines(k).name;
      }
      for (Integer k = 1; k <= m_program.numRoutines(); ++k) {
        auto current = m_program.routines(k);
        if (!sameName(current.name, lender.name)) continue;
        lent.emplace_back(k, current.name);
        current.name = other;
        m_program.setRoutines(k, current);
      }
      freeSlot = std::string(trimBlanks(lender.name));
    }
    const auto index = m_program.addRoutine({freeSlot, routine.location});
    m_program.setRoutines(index, routine);
    for (const auto& [k, name] : lent) {
      auto current = m_program.routines(k);
      current.name = name;
      m_program.setRoutines(k, current);
    }
  }

  // ---- Attributes

  void buildAttributes() {
    for (std::size_t a = 0; a < m_syntax.attributes.size(); ++a) {
      const auto& statement = m_syntax.attributes[a];
      if (a >= m_readTags.size() || !m_readTags[a] || !m_writeTags[a]) continue;
      auto attribute = statement.attribute;
      attribute.readLocation = *m_readTags[a];
      attribute.writeLocation = *m_writeTags[a];
      modelCall(statement.position, [&] {
        if (!statement.duplicate || m_program.getAttributeIndex(attribute.name) == 0) {
          m_program.addAttribute(attribute);
          return;
        }
        auto stand_in = attribute;
        stand_in.name = freeName(
            [&](const std::string& name) { return m_program.getAttributeIndex(name) != 0; });
        const auto index = m_program.addAttribute(stand_in);
        m_program.setAttributes(index, attribute);
      });
    }
  }

  // ---- Debug lines

  void buildDebugLines() {
    for (std::size_t i = 0; i < m_placed.size(); ++i) {
      const auto& statement = m_syntax.instructions[i];
      if (!m_placed[i] || statement.debugLine == 0) continue;
      modelCall(statement.position,
                [&] { m_program.setCodeDebugInfo(Integer(i + 1), statement.debugLine); });
    }
  }

  DiagnosticList m_diagnostics;
  ScriptSyntax m_syntax;
  TessaglyphProgram m_program;
  std::unordered_map<std::string, NameEntry> m_names;
  std::vector<std::string> m_variableSymbols;  // by variable number; empty when not added
  std::vector<std::string> m_literalSymbols;   // by literal number
  std::vector<std::optional<std::string>> m_declaredLiteralSymbols;  // by .literal statement
  std::vector<std::optional<std::string>> m_inlineLiteralSymbols;    // by instruction
  std::map<LiteralKey, std::string> m_sharedLiterals;
  std::vector<std::string> m_tags;                      // by instruction; empty while untagged
  std::map<std::size_t, std::size_t> m_pendingTargets;  // instruction -> instruction it names
  std::vector<bool> m_placed;                           // by instruction
  std::vector<std::optional<std::string>> m_routineTags;
  std::vector<std::optional<std::string>> m_readTags;
  std::vector<std::optional<std::string>> m_writeTags;
};

}  // namespace

std::string ScriptDiagnostic::format() const {
  if (line <= 0) return file + ": error: " + message;
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: " + message;
}

ScriptSourceError::ScriptSourceError(std::vector<ScriptDiagnostic> diagnostics)
    : Error(TG_P_E_INVALIDDATAERROR, kAssemblerSource, joinDiagnostics(diagnostics)),
      m_diagnostics(std::move(diagnostics)) {}

TessaglyphProgram assembleProgram(std::string_view source, std::string_view fileName) {
  return Assembler(fileName).run(source);
}

TessaglyphProgram assembleFile(const std::string& sourcePath) {
  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) {
    throw ScriptSourceError(
        {ScriptDiagnostic{sourcePath, 0, 0, "cannot open the script source file", 0}});
  }
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    throw ScriptSourceError(
        {ScriptDiagnostic{sourcePath, 0, 0, "cannot read the script source file", 0}});
  }
  return assembleProgram(source, sourcePath);
}

Long buildProgramFile(const std::string& sourcePath, const std::string& programPath) {
  auto program = assembleFile(sourcePath);
  // The writer leaves bytes beyond the image alone, so it always starts from an empty file.
  const auto partial = programPath + ".partial";
  std::error_code ignored;
  std::filesystem::remove(partial, ignored);
  Long end = -1;
  try {
    end = program.writeProgram(partial, 1);
  } catch (...) {
    std::filesystem::remove(partial, ignored);
    throw;
  }
  std::error_code renamed;
  if (end > 0) std::filesystem::rename(partial, programPath, renamed);
  if (end <= 0 || renamed) {
    std::filesystem::remove(partial, ignored);
    throw Error(TG_P_E_CANNOTWRITEPROGRAMERROR, "buildProgramFile",
                "The program could not be written to " + programPath +
                    (renamed ? ": " + renamed.message() : std::string(".")));
  }
  return end - 1;
}

}  // namespace tg
