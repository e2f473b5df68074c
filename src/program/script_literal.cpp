#include "program/script_literal.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg::script {

namespace {

struct WrapperInfo {
  std::string_view word;
  TG_P_DATATYPES type;
};

constexpr std::array<WrapperInfo, 5> kWrappers = {{
    {"unsigned", TG_P_DT_UNSIGNEDINTEGER},
    {"integer", TG_P_DT_INTEGER},
    {"single", TG_P_DT_SINGLE},
    {"double", TG_P_DT_DOUBLE},
    {"ascii", TG_P_DT_ASCII},
}};

std::optional<TG_P_DATATYPES> wrapperType(std::string_view word) {
  for (const auto& wrapper : kWrappers) {
    if (equalsIgnoreCase(word, wrapper.word)) return wrapper.type;
  }
  return std::nullopt;
}

std::string_view wrapperWord(TG_P_DATATYPES type) {
  for (const auto& wrapper : kWrappers) {
    if (wrapper.type == type) return wrapper.word;
  }
  return {};
}

// The value of a whole-number token ("-12", "+7", "0042"), or empty when it is beyond 64 bits'
// comfortable range (such a number fits no literal anyway).
std::optional<long long> wholeTokenValue(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > (1LL << 40)) return std::nullopt;
  }
  return negative ? -value : value;
}

bool fitsInteger(long long value) {
  return value >= std::numeric_limits<Integer>::min() &&
         value <= std::numeric_limits<Integer>::max();
}

bool fitsLong(long long value) {
  return value >= std::numeric_limits<Long>::min() && value <= std::numeric_limits<Long>::max();
}

// A plain or suffixed number.
std::optional<LexError> numberLiteral(const Token& token, TG_P_LITERAL& literal) {
  literal.value = token.text;
  const auto wholeRequired = [&](std::string_view what) -> std::optional<LexError> {
    if (token.whole) return std::nullopt;
    return LexError{token.column, std::string(what) + " literal must be a whole number: " +
                                      token.text + token.suffix + " is not one"};
  };
  switch (token.suffix) {
    case 'u':
      literal.dataType = TG_P_DT_UNSIGNEDINTEGER;
      literal.size = 1;
      return wholeRequired("an unsigned");
    case 's':
      literal.dataType = TG_P_DT_INTEGER;
      literal.size = 2;
      return wholeRequired("a 2-byte integer");
    case 'l':
      literal.dataType = TG_P_DT_INTEGER;
      literal.size = 4;
      return wholeRequired("a 4-byte integer");
    case 'f':
      literal.dataType = TG_P_DT_SINGLE;
      literal.size = 4;
      return std::nullopt;
    case 'd':
      literal.dataType = TG_P_DT_DOUBLE;
      literal.size = 8;
      return std::nullopt;
    default:
      break;
  }
  if (!token.whole) {
    literal.dataType = TG_P_DT_DOUBLE;
    literal.size = 8;
    return std::nullopt;
  }
  literal.dataType = TG_P_DT_INTEGER;
  const auto value = wholeTokenValue(token.text);
  if (value && fitsInteger(*value)) {
    literal.size = 2;
  } else if (value && fitsLong(*value)) {
    literal.size = 4;
  } else {
    return LexError{token.column, token.text + " does not fit a 4-byte integer; write " +
                                      token.text + "d for a double"};
  }
  return std::nullopt;
}

// The size an integer(...) literal takes when none is given: as for a plain number.
Integer defaultIntegerSize(std::string_view value) {
  const auto number = parseNumber(value);
  if (!number) return 2;
  const double rounded = roundHalfEven(*number);
  return (rounded >= std::numeric_limits<Integer>::min() &&
          rounded <= std::numeric_limits<Integer>::max())
             ? Integer(2)
             : Integer(4);
}

std::optional<LexError> wrapperLiteral(const std::vector<Token>& tokens, std::size_t& at,
                                       TG_P_DATATYPES type, TG_P_LITERAL& literal) {
  const Token& word = tokens[at];
  at += 2;  // the word and "("
  const Token& value = tokens[at];
  if (value.kind == TokenKind::Number) {
    if (value.suffix != 0) {
      return LexError{value.column, "a number inside " + word.text +
                                        "(...) takes no suffix; the type is given by " + word.text};
    }
  } else if (value.kind != TokenKind::String) {
    return LexError{value.column, word.text + "(...) needs a number or a quoted text"};
  }
  literal.dataType = type;
  literal.value = value.text;
  ++at;
  std::optional<Long> size;
  if (tokens[at].kind == TokenKind::Comma) {
    const Token& sizeToken = tokens[at + 1];
    const auto parsed = sizeToken.kind == TokenKind::Number && sizeToken.whole &&
                                sizeToken.suffix == 0 && sizeToken.text.front() != '-' &&
                                sizeToken.text.front() != '+'
                            ? wholeTokenValue(sizeToken.text)
                            : std::nullopt;
    if (!parsed || *parsed > std::numeric_limits<Integer>::max()) {
      return LexError{sizeToken.column, "the size of a literal is a whole number from 0 to 32767"};
    }
    size = Long(*parsed);
    at += 2;
  }
  if (tokens[at].kind != TokenKind::RightParen) {
    return LexError{tokens[at].column, "expected ')' to close " + word.text + "(...)"};
  }
  ++at;
  if (size) {
    literal.size = Integer(*size);
    return std::nullopt;
  }
  switch (type) {
    case TG_P_DT_UNSIGNEDINTEGER:
      literal.size = 1;
      break;
    case TG_P_DT_INTEGER:
      literal.size = defaultIntegerSize(literal.value);
      break;
    case TG_P_DT_SINGLE:
      literal.size = 4;
      break;
    case TG_P_DT_DOUBLE:
      literal.size = 8;
      break;
    default:
      literal.size = Integer(literal.value.size());
      break;
  }
  return std::nullopt;
}

// Whether the text reads back, on its own, as exactly this literal.
bool readsBackAs(const std::string& text, const TG_P_LITERAL& literal) {
  const auto line = tokenizeLine(text);
  if (line.error) return false;
  std::size_t at = 0;
  if (!startsLiteral(line.tokens, at)) return false;
  TG_P_LITERAL parsed;
  if (parseLiteral(line.tokens, at, parsed)) return false;
  return line.tokens[at].kind == TokenKind::End && parsed == literal;
}

std::string describeType(const TG_P_LITERAL& literal) {
  switch (literal.dataType) {
    case TG_P_DT_UNSIGNEDINTEGER:
      return "an unsigned literal (0 to 255)";
    case TG_P_DT_INTEGER:
      return literal.size == 2 ? "a 2-byte integer literal (-32768 to 32767)"
                               : "a 4-byte integer literal (-2147483648 to 2147483647)";
    case TG_P_DT_SINGLE:
      return "a single literal";
    default:
      return "a double literal";
  }
}

}  // namespace

bool startsLiteral(const std::vector<Token>& tokens, std::size_t at) {
  const Token& token = tokens[at];
  if (token.kind == TokenKind::Number || token.kind == TokenKind::String) return true;
  return token.kind == TokenKind::Identifier && tokens[at + 1].kind == TokenKind::LeftParen &&
         wrapperType(token.text).has_value();
}

std::optional<LexError> parseLiteral(const std::vector<Token>& tokens, std::size_t& at,
                                     TG_P_LITERAL& literal) {
  const Token& token = tokens[at];
  if (token.kind == TokenKind::String) {
    literal = TG_P_LITERAL{TG_P_DT_ASCII, Integer(token.text.size()), token.text};
    ++at;
    return std::nullopt;
  }
  if (token.kind == TokenKind::Number) {
    ++at;
    return numberLiteral(token, literal);
  }
  if (const auto type = startsLiteral(tokens, at) ? wrapperType(token.text) : std::nullopt) {
    return wrapperLiteral(tokens, at, *type, literal);
  }
  return LexError{token.column, "expected a literal"};
}

std::optional<std::string> checkLiteralValue(const TG_P_LITERAL& literal) {
  // The conversions the program file's writer makes.
  try {
    switch (literal.dataType) {
      case TG_P_DT_UNSIGNEDINTEGER:
        (void)roundToByte(textToDouble(literal.value));
        break;
      case TG_P_DT_INTEGER:
        if (literal.size == 2) (void)roundToInteger(textToDouble(literal.value));
        if (literal.size == 4) (void)roundToLong(textToDouble(literal.value));
        break;
      case TG_P_DT_SINGLE:
        (void)toSingle(textToDouble(literal.value));
        break;
      case TG_P_DT_DOUBLE:
        (void)textToDouble(literal.value);
        break;
      default:
        break;
    }
  } catch (const Error& error) {
    if (error.number() == PLATFORM_E_OVERFLOW) {
      return literal.value + " does not fit " + describeType(literal);
    }
    return quoteString(literal.value) + " is not a number; " + describeType(literal) + " needs one";
  }
  return std::nullopt;
}

std::optional<std::string> formatLiteral(const TG_P_LITERAL& literal) {
  std::vector<std::string> candidates;
  if (literal.dataType == TG_P_DT_ASCII) candidates.push_back(quoteString(literal.value));
  const auto line = tokenizeLine(literal.value);
  const bool isNumberToken = !line.error && line.tokens.size() == 2 &&
                             line.tokens[0].kind == TokenKind::Number &&
                             line.tokens[0].suffix == 0 && line.tokens[0].text == literal.value;
  if (isNumberToken) {
    candidates.push_back(literal.value);
    for (const char suffix : {'u', 's', 'l', 'f', 'd'})
      candidates.push_back(literal.value + suffix);
  }
  const auto word = wrapperWord(literal.dataType);
  if (!word.empty()) {
    const std::string value = isNumberToken ? literal.value : quoteString(literal.value);
    const std::string prefix = std::string(word) + "(" + value;
    candidates.push_back(prefix + ")");
    candidates.push_back(prefix + ", " + std::to_string(literal.size) + ")");
  }
  for (const auto& candidate : candidates) {
    if (readsBackAs(candidate, literal)) return candidate;
  }
  return std::nullopt;
}

}  // namespace tg::script
