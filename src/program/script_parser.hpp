// The statements of script source, as the parser finds them line by line. Names are not
// resolved here: the assembler does that once every line has been read, so that anything may be
// used before it is declared.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/program.hpp"
#include "tessaglyph/types.hpp"

namespace tg::script {

struct Position {
  Long line = 0;
  Long column = 0;
};

struct SyntaxError {
  Position position;
  std::string message;
};

enum class OperandForm {
  None,         // nothing after the mnemonic
  Name,         // a variable, a declared literal or a label
  Predefined,   // "register" or "p_" and a predefined variable name
  Literal,      // an inline literal
  Numbered,     // data[N], instr[N], const[N], pdv[N], mem[N], code[N]
  SegmentOnly,  // data[], instr[], ...: a segment and no operand (stop and NOP only)
};

struct OperandSyntax {
  OperandForm form = OperandForm::None;
  std::string text;  // Name: the name; Predefined: the model's spelling ("register", "p_x")
  TG_P_DATASEGMENTS segment = TG_P_DS_DATA;  // Numbered and SegmentOnly
  Long number = 0;                           // Numbered
  TG_P_LITERAL literal;                      // Literal
  Position position;
};

struct InstructionStatement {
  TG_M_INSTRUCTIONS opcode = TG_M_I_NOP;
  OperandSyntax operand;
  Integer debugLine = 0;  // 0 for none
  Position position;      // of the mnemonic
  // False when the line had an error; the instruction still holds its place so that the
  // instructions after it keep their addresses.
  bool valid = true;
};

struct LabelStatement {
  std::string name;
  std::size_t instruction = 0;  // index of the instruction it marks
  Position position;
};

struct PropertyStatement {
  TG_P_PROPERTY property;
  bool duplicate = false;
  Position position;
};

struct RoutineStatement {
  std::string name;
  std::string label;
  Position labelPosition;
  bool duplicate = false;
  Position position;
};

struct AttributeStatement {
  TG_P_ATTRIBUTE attribute;  // its locations are filled in by the assembler
  std::string readLabel;
  Position readPosition;
  std::optional<std::string> writeLabel;  // empty for none
  Position writePosition;
  bool duplicate = false;
  Position position;
};

struct VariableStatement {
  std::string name;
  TG_P_DATATYPES type = TG_P_DT_DEFAULTASCII;
  std::string debugName;
  Position position;
  Position namePosition;
};

struct LiteralStatement {
  std::string name;
  TG_P_LITERAL literal;
  bool valid = true;
  Position position;
  Position namePosition;
  Position literalPosition;
};

struct MemoryStatement {
  Long count = 0;
  Position position;
};

struct ScriptSyntax {
  std::vector<PropertyStatement> properties;
  std::vector<RoutineStatement> routines;
  std::vector<AttributeStatement> attributes;
  std::vector<VariableStatement> variables;
  std::vector<LiteralStatement> literals;
  std::vector<InstructionStatement> instructions;
  std::vector<LabelStatement> labels;
  std::optional<MemoryStatement> memory;
};

// Reads every line of the source. Lines with errors are reported in `errors` and skipped (an
// instruction line keeps its place as an invalid instruction).
ScriptSyntax parseScript(std::string_view source, std::vector<SyntaxError>& errors);

// Words that cannot name a variable, a literal or a label: "register", the predefined variables'
// operand names ("p_x", ...), "none" and "duplicate", in any case.
bool isReservedName(std::string_view name);

// The word of a data segment in the bracket forms (data, instr, const, pdv, mem, code).
std::string_view segmentWord(TG_P_DATASEGMENTS segment);

// The word of a data type in .var and .attribute (unset, unsigned, integer, single, double,
// ascii, delimited).
std::string_view dataTypeWord(TG_P_DATATYPES type);

// The word of an attribute type (var, repeatingvar, datapoint).
std::string_view attributeTypeWord(TG_P_ATTRIBUTETYPES type);

}  // namespace tg::script
