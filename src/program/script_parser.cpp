#include "program/script_parser.hpp"

#include <algorithm>
#include <array>
#include <limits>

#include "program/letter_code.hpp"
#include "program/script_lexer.hpp"
#include "program/script_literal.hpp"
#include "support/text.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg::script {

namespace {

struct SegmentInfo {
  std::string_view word;
  TG_P_DATASEGMENTS segment;
};

constexpr std::array<SegmentInfo, 6> kSegments = {{
    {"data", TG_P_DS_DATA},
    {"instr", TG_P_DS_INSTRUCTION},
    {"const", TG_P_DS_CONSTANT},
    {"pdv", TG_P_DS_PREDEFINED},
    {"mem", TG_P_DS_EXPLICIT},
    {"code", TG_P_DS_EXPLICITCODE},
}};

struct DataTypeInfo {
  std::string_view word;
  TG_P_DATATYPES type;
};

constexpr std::array<DataTypeInfo, 7> kDataTypes = {{
    {"unset", TG_P_DT_DEFAULTASCII},
    {"unsigned", TG_P_DT_UNSIGNEDINTEGER},
    {"integer", TG_P_DT_INTEGER},
    {"single", TG_P_DT_SINGLE},
    {"double", TG_P_DT_DOUBLE},
    {"ascii", TG_P_DT_ASCII},
    {"delimited", TG_P_DT_DELIMITEDASCII},
}};

struct AttributeTypeInfo {
  std::string_view word;
  TG_P_ATTRIBUTETYPES type;
};

constexpr std::array<AttributeTypeInfo, 3> kAttributeTypes = {{
    {"var", TG_P_AT_VAR},
    {"repeatingvar", TG_P_AT_REPEATINGVAR},
    {"datapoint", TG_P_AT_DATAPOINT},
}};

constexpr Long kMaxDebugLine = std::numeric_limits<Integer>::max();

std::optional<TG_P_DATASEGMENTS> segmentOfWord(std::string_view word) {
  for (const auto& info : kSegments) {
    if (equalsIgnoreCase(word, info.word)) return info.segment;
  }
  return std::nullopt;
}

std::optional<TG_P_DATATYPES> dataTypeOfWord(std::string_view word) {
  for (const auto& info : kDataTypes) {
    if (equalsIgnoreCase(word, info.word)) return info.type;
  }
  return std::nullopt;
}

std::optional<TG_P_ATTRIBUTETYPES> attributeTypeOfWord(std::string_view word) {
  for (const auto& info : kAttributeTypes) {
    if (equalsIgnoreCase(word, info.word)) return info.type;
  }
  return std::nullopt;
}

std::optional<TG_M_INSTRUCTIONS> opcodeOfMnemonic(std::string_view word) {
  for (const auto& info : instructionTable) {
    if (equalsIgnoreCase(word, info.name)) return info.opcode;
  }
  return std::nullopt;
}

// The model's spelling of a predefined variable operand, or empty.
std::optional<std::string> predefinedOperand(std::string_view word) {
  const auto lower = toLower(word);
  if (lower == kRegisterName) return lower;
  if (lower.size() > kPredefinedPrefix.size() && lower.starts_with(kPredefinedPrefix) &&
      isValidPDVName(std::string_view(lower).substr(kPredefinedPrefix.size()))) {
    return lower;
  }
  return std::nullopt;
}

std::string describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::Identifier:
      return "'" + token.text + "'";
    case TokenKind::Directive:
      return "'." + token.text + "'";
    case TokenKind::Number:
      return "number " + token.text + (token.suffix ? std::string(1, token.suffix) : "");
    case TokenKind::String:
      return "quoted text";
    case TokenKind::Colon:
      return "':'";
    case TokenKind::Comma:
      return "','";
    case TokenKind::LeftBracket:
      return "'['";
    case TokenKind::RightBracket:
      return "']'";
    case TokenKind::LeftParen:
      return "'('";
    case TokenKind::RightParen:
      return "')'";
    case TokenKind::End:
      return "the end of the line";
  }
  return "?";
}

// A failed parse of one line; carries the position and message up to the line's handler.
struct LineFailure {
  Position position;
  std::string message;
};

class ScriptParser {
 public:
  ScriptParser(ScriptSyntax& syntax, std::vector<SyntaxError>& errors)
      : m_syntax(syntax), m_errors(errors) {}

  void line(Long number, std::string_view text) {
    m_line = number;
    auto lexed = tokenizeLine(text);
    m_tokens = std::move(lexed.tokens);
    m_at = 0;
    if (lexed.error) {
      m_errors.push_back({{number, lexed.error->column}, lexed.error->message});
      salvage();
      return;
    }
    try {
      statement();
    } catch (const LineFailure& failure) {
      m_errors.push_back({failure.position, failure.message});
    }
  }

  void finish() {
    for (const auto& label : m_syntax.labels) {
      if (label.instruction >= m_syntax.instructions.size()) {
        m_errors.push_back({label.position, "label '" + label.name + "' marks no instruction"});
      }
    }
  }

 private:
  const Token& peek(std::size_t ahead = 0) const {
    const auto at = std::min(m_at + ahead, m_tokens.size() - 1);
    return m_tokens[at];
  }
  Position here() const { return Position{m_line, peek().column}; }
  Position at(const Token& token) const { return Position{m_line, token.column}; }
  [[noreturn]] void fail(const Token& token, std::string message) const {
    throw LineFailure{at(token), std::move(message)};
  }
  bool isWord(const Token& token, std::string_view word) const {
    return token.kind == TokenKind::Identifier && equalsIgnoreCase(token.text, word);
  }
  const Token& take() { return m_tokens[std::min(m_at++, m_tokens.size() - 1)]; }
  void expectEnd(std::string_view after) {
    if (peek().kind != TokenKind::End)
      fail(peek(), "unexpected " + describe(peek()) + std::string(after));
  }

  const Token& expectIdentifier(std::string_view what) {
    if (peek().kind != TokenKind::Identifier) {
      fail(peek(), "expected " + std::string(what) + ", found " + describe(peek()));
    }
    return take();
  }
  const Token& expectString(std::string_view what) {
    if (peek().kind != TokenKind::String) {
      fail(peek(),
           "expected " + std::string(what) + " in double quotes, found " + describe(peek()));
    }
    return take();
  }
  // A name the source declares: an identifier that is not reserved.
  std::string declaredName(std::string_view what) {
    const Token& token = expectIdentifier(what);
    if (isReservedName(token.text)) {
      fail(token, "'" + token.text + "' is a reserved word and cannot name " + std::string(what));
    }
    return token.text;
  }
  // A whole number without suffix, from `low` to `high`.
  Long wholeNumber(std::string_view what, Long low, Long high) {
    const Token& token = peek();
    const auto rangeText = " from " + std::to_string(low) + " to " + std::to_string(high);
    if (token.kind != TokenKind::Number || !token.whole || token.suffix != 0) {
      fail(token, std::string(what) + " must be a whole number" + rangeText);
    }
    const auto digits =
        std::string_view(token.text)
            .substr((token.text.front() == '-' || token.text.front() == '+') ? 1 : 0);
    long long value = 0;
    for (char c : digits) {
      value = value * 10 + (c - '0');
      if (value > (1LL << 40)) break;
    }
    if (token.text.front() == '-') value = -value;
    if (value < low || value > high) fail(token, std::string(what) + " must be" + rangeText);
    take();
    return Long(value);
  }
  // The "duplicate" marker at the end of a declaration.
  bool duplicateMarker() {
    if (!isWord(peek(), "duplicate")) return false;
    take();
    return true;
  }

  void statement() {
    const Token& first = peek();
    if (first.kind == TokenKind::End) return;
    if (first.kind == TokenKind::Directive) {
      directive();
      return;
    }
    while (peek().kind == TokenKind::Identifier && peek(1).kind == TokenKind::Colon) {
      const Token& name = take();
      take();
      if (isReservedName(name.text)) {
        fail(name, "'" + name.text + "' is a reserved word and cannot name a label");
      }
      m_syntax.labels.push_back(LabelStatement{name.text, m_syntax.instructions.size(), at(name)});
    }
    if (peek().kind == TokenKind::End) return;
    if (peek().kind == TokenKind::Directive) fail(peek(), "a directive cannot follow a label");
    if (peek().kind != TokenKind::Identifier) {
      fail(peek(), "expected an instruction, a label or a directive, found " + describe(peek()));
    }
    instruction();
  }

  // A line that could not be cut into tokens still declares its labels, and an instruction
  // line still holds its place, so that nothing else is reported because of it.
  void salvage() {
    while (peek().kind == TokenKind::Identifier && peek(1).kind == TokenKind::Colon) {
      const Token& name = take();
      take();
      if (!isReservedName(name.text)) {
        m_syntax.labels.push_back(
            LabelStatement{name.text, m_syntax.instructions.size(), at(name)});
      }
    }
    if (peek().kind != TokenKind::Identifier) return;
    InstructionStatement statement;
    statement.position = here();
    statement.valid = false;
    m_syntax.instructions.push_back(std::move(statement));
  }

  void instruction() {
    const Token& mnemonic = take();
    InstructionStatement statement;
    statement.position = at(mnemonic);
    // From here on the line is an instruction: whatever goes wrong, it keeps its place.
    try {
      statement.debugLine = debugLine(mnemonic);
      const auto opcode = opcodeOfMnemonic(mnemonic.text);
      if (!opcode) fail(mnemonic, "unknown instruction '" + mnemonic.text + "'");
      statement.opcode = *opcode;
      statement.operand = operand();
      expectEnd(" after the operand");
    } catch (const LineFailure&) {
      statement.valid = false;
      m_syntax.instructions.push_back(std::move(statement));
      throw;
    }
    m_syntax.instructions.push_back(std::move(statement));
  }

  Integer debugLine(const Token& mnemonic) const {
    if (!m_linesOn) return 0;
    const Long line = m_line + m_lineOffset;
    if (line < 1 || line > kMaxDebugLine) {
      fail(mnemonic, "this instruction's debug line " + std::to_string(line) +
                         " is outside 1 to 32767; use .line or .lines off");
    }
    return Integer(line);
  }

  OperandSyntax operand() {
    OperandSyntax result;
    result.position = here();
    const Token& token = peek();
    if (token.kind == TokenKind::End) return result;
    if (token.kind == TokenKind::Identifier && peek(1).kind == TokenKind::LeftBracket) {
      const auto segment = segmentOfWord(token.text);
      if (!segment) {
        fail(token, "'" + token.text +
                        "[' is no operand form; the numbered forms are data[N], instr[N], "
                        "const[N], pdv[N], mem[N] and code[N]");
      }
      take();
      take();
      result.segment = *segment;
      if (peek().kind == TokenKind::RightBracket) {
        take();
        result.form = OperandForm::SegmentOnly;
        return result;
      }
      result.number = wholeNumber("a numbered operand", std::numeric_limits<Integer>::min(),
                                  std::numeric_limits<Integer>::max());
      if (peek().kind != TokenKind::RightBracket) fail(peek(), "expected ']'");
      take();
      result.form = OperandForm::Numbered;
      return result;
    }
    if (startsLiteral(m_tokens, m_at)) {
      result.form = OperandForm::Literal;
      result.literal = literal();
      return result;
    }
    if (token.kind != TokenKind::Identifier) {
      fail(token, "expected an operand, found " + describe(token));
    }
    take();
    if (auto predefined = predefinedOperand(token.text)) {
      result.form = OperandForm::Predefined;
      result.text = std::move(*predefined);
      return result;
    }
    if (isReservedName(token.text)) {
      fail(token, "'" + token.text + "' is a reserved word, not an operand");
    }
    result.form = OperandForm::Name;
    result.text = token.text;
    return result;
  }

  TG_P_LITERAL literal() {
    const Token& first = peek();
    TG_P_LITERAL result;
    if (auto error = parseLiteral(m_tokens, m_at, result)) {
      throw LineFailure{{m_line, error->column}, error->message};
    }
    if (auto problem = checkLiteralValue(result)) fail(first, *problem);
    return result;
  }

  void directive() {
    const Token& name = take();
    const auto word = toLower(name.text);
    if (word == "property") {
      property(name);
    } else if (word == "routine") {
      routine(name);
    } else if (word == "attribute") {
      attribute(name);
    } else if (word == "var") {
      variable(name);
    } else if (word == "literal") {
      literalDeclaration(name);
    } else if (word == "memory") {
      memory(name);
    } else if (word == "line") {
      const Long line = wholeNumber(".line", 1, kMaxDebugLine);
      expectEnd(" after .line's number");
      m_lineOffset = line - (m_line + 1);
    } else if (word == "lines") {
      const Token& mode = peek();
      if (isWord(mode, "on")) {
        m_linesOn = true;
      } else if (isWord(mode, "off")) {
        m_linesOn = false;
      } else {
        fail(mode, ".lines takes 'on' or 'off'");
      }
      take();
      expectEnd(" after .lines");
    } else {
      fail(name, "unknown directive '." + name.text +
                     "'; the directives are .property, .var, .literal, .memory, .routine, "
                     ".attribute, .line and .lines");
    }
  }

  void property(const Token& directive) {
    PropertyStatement statement;
    statement.position = at(directive);
    const Token& name = peek();
    if (name.kind != TokenKind::Identifier && name.kind != TokenKind::String) {
      fail(name, "expected the property's name, found " + describe(name));
    }
    take();
    if (name.text.empty()) fail(name, "a property name cannot be empty");
    statement.property.propertyName = name.text;
    statement.property.propertyValue = expectString("the property's value").text;
    statement.duplicate = duplicateMarker();
    expectEnd(" after the property's value");
    m_syntax.properties.push_back(std::move(statement));
  }

  void routine(const Token& directive) {
    RoutineStatement statement;
    statement.position = at(directive);
    const Token& name = expectIdentifier("a routine name such as init or datapoint_read");
    statement.name = name.text;
    statement.label = name.text;
    statement.labelPosition = at(name);
    if (peek().kind == TokenKind::Identifier && !isWord(peek(), "duplicate")) {
      statement.labelPosition = here();
      statement.label = declaredName("a label");
    }
    statement.duplicate = duplicateMarker();
    expectEnd(" after the routine's label");
    m_syntax.routines.push_back(std::move(statement));
  }

  void attribute(const Token& directive) {
    AttributeStatement statement;
    statement.position = at(directive);
    auto& attribute = statement.attribute;
    const Token& name = peek();
    if (name.kind != TokenKind::Identifier && name.kind != TokenKind::String) {
      fail(name, "expected the attribute's name, found " + describe(name));
    }
    attribute.name = take().text;

    const Token& kind = expectIdentifier("the attribute type (var, repeatingvar or datapoint)");
    const auto attributeType = attributeTypeOfWord(kind.text);
    if (!attributeType) {
      fail(kind, "'" + kind.text + "' is no attribute type; use var, repeatingvar or datapoint");
    }
    attribute.attributeType = *attributeType;

    const Token& type = expectIdentifier("the attribute's data type");
    const auto dataType = dataTypeOfWord(type.text);
    if (!dataType || *dataType == TG_P_DT_DEFAULTASCII) {
      fail(type, "'" + type.text +
                     "' is no attribute data type; use unsigned, integer, single, double, ascii "
                     "or delimited");
    }
    attribute.dataType = *dataType;
    if (peek().kind == TokenKind::Number) attribute.size = Byte(wholeNumber("a size", 0, 255));
    if (peek().kind == TokenKind::LeftParen) attribute.delimiterList = delimiterList();

    bool hasRead = false;
    bool hasWrite = false;
    bool hasComment = false;
    bool hasTip = false;
    const auto once = [&](bool& seen, const Token& clause) {
      if (seen) fail(clause, "'" + clause.text + "' is given twice");
      seen = true;
    };
    while (peek().kind != TokenKind::End) {
      const Token& clause = peek();
      if (isWord(clause, "read")) {
        once(hasRead, take());
        statement.readPosition = here();
        statement.readLabel = declaredName("a label");
      } else if (isWord(clause, "write")) {
        once(hasWrite, take());
        statement.writePosition = here();
        if (isWord(peek(), "none")) {
          take();
        } else {
          statement.writeLabel = declaredName("a label");
        }
      } else if (isWord(clause, "comment")) {
        once(hasComment, take());
        attribute.commentString = expectString("the comment").text;
      } else if (isWord(clause, "tip")) {
        once(hasTip, take());
        attribute.tipString = expectString("the tip").text;
      } else if (isWord(clause, "duplicate")) {
        take();
        statement.duplicate = true;
        expectEnd(" after 'duplicate'");
      } else {
        fail(clause, "unexpected " + describe(clause) +
                         "; an attribute goes on with read, write, comment, tip or duplicate");
      }
    }
    if (!hasRead) fail(peek(), "an attribute needs 'read' and the label of its read code");
    m_syntax.attributes.push_back(std::move(statement));
  }

  Array<std::string> delimiterList() {
    const Token& open = take();
    Array<std::string> list(1, std::vector<std::string>{});
    while (peek().kind != TokenKind::RightParen) {
      list.push_back(expectString("a delimiter").text);
      if (peek().kind == TokenKind::Comma) {
        take();
      } else if (peek().kind != TokenKind::RightParen && peek().kind != TokenKind::String) {
        fail(peek(), "expected ',' or ')' in the delimiter list, found " + describe(peek()));
      }
    }
    take();  // )
    if (list.size() > 255) fail(open, "an attribute holds at most 255 delimiters");
    return list;
  }

  // A variable or literal whose line goes wrong after its name is still declared, so that its
  // uses are not reported as well and the variables after it keep their numbers.
  void variable(const Token& directive) {
    VariableStatement statement;
    statement.position = at(directive);
    statement.namePosition = here();
    statement.name = declaredName("a variable");
    statement.debugName = statement.name;
    try {
      if (peek().kind == TokenKind::Identifier && !isWord(peek(), "debug") &&
          !isWord(peek(), "nodebug")) {
        const Token& type = take();
        const auto dataType = dataTypeOfWord(type.text);
        if (!dataType) {
          fail(type, "'" + type.text +
                         "' is no data type; use unsigned, integer, single, double, ascii, "
                         "delimited or unset");
        }
        statement.type = *dataType;
      }
      if (isWord(peek(), "debug")) {
        take();
        statement.debugName = expectString("the debug name").text;
      } else if (isWord(peek(), "nodebug")) {
        take();
        statement.debugName.clear();
      }
      expectEnd(" after the variable");
    } catch (const LineFailure&) {
      m_syntax.variables.push_back(std::move(statement));
      throw;
    }
    m_syntax.variables.push_back(std::move(statement));
  }

  void literalDeclaration(const Token& directive) {
    LiteralStatement statement;
    statement.position = at(directive);
    statement.namePosition = here();
    statement.name = declaredName("a literal");
    statement.literalPosition = here();
    try {
      if (!startsLiteral(m_tokens, m_at)) {
        fail(peek(), "expected the literal's value, found " + describe(peek()));
      }
      statement.literal = literal();
      expectEnd(" after the literal");
    } catch (const LineFailure&) {
      statement.valid = false;
      m_syntax.literals.push_back(std::move(statement));
      throw;
    }
    m_syntax.literals.push_back(std::move(statement));
  }

  void memory(const Token& directive) {
    if (m_syntax.memory) {
      fail(directive,
           ".memory was already given on line " + std::to_string(m_syntax.memory->position.line));
    }
    const Long count = wholeNumber(".memory", 0, std::numeric_limits<Integer>::max());
    expectEnd(" after .memory's number");
    m_syntax.memory = MemoryStatement{count, at(directive)};
  }

  ScriptSyntax& m_syntax;
  std::vector<SyntaxError>& m_errors;
  std::vector<Token> m_tokens;
  std::size_t m_at = 0;
  Long m_line = 0;
  // Debug lines: the source line plus the offset that .line set, while .lines is on.
  Long m_lineOffset = 0;
  bool m_linesOn = true;
};

}  // namespace

ScriptSyntax parseScript(std::string_view source, std::vector<SyntaxError>& errors) {
  ScriptSyntax syntax;
  ScriptParser parser(syntax, errors);
  for (const auto& line : splitLines(source))
    parser.line(line.number, line.text);
  parser.finish();
  return syntax;
}

bool isReservedName(std::string_view name) {
  return predefinedOperand(name).has_value() || equalsIgnoreCase(name, "none") ||
         equalsIgnoreCase(name, "duplicate");
}

std::string_view segmentWord(TG_P_DATASEGMENTS segment) {
  for (const auto& info : kSegments) {
    if (info.segment == segment) return info.word;
  }
  return {};
}

std::string_view dataTypeWord(TG_P_DATATYPES type) {
  for (const auto& info : kDataTypes) {
    if (info.type == type) return info.word;
  }
  return {};
}

std::string_view attributeTypeWord(TG_P_ATTRIBUTETYPES type) {
  for (const auto& info : kAttributeTypes) {
    if (info.type == type) return info.word;
  }
  return {};
}

}  // namespace tg::script
