#include "program/script_lexer.hpp"

#include <cstdio>

namespace tg::script {

namespace {

bool isLetter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

bool isIdentifierChar(char c) noexcept {
  return isLetter(c) || isDigit(c);
}

bool isSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

int hexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isSuffixLetter(char c) noexcept {
  switch (c) {
    case 'u':
    case 'U':
    case 's':
    case 'S':
    case 'l':
    case 'L':
    case 'f':
    case 'F':
    case 'd':
    case 'D':
      return true;
    default:
      return false;
  }
}

char lower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

class LineLexer {
 public:
  explicit LineLexer(std::string_view line) : m_line(line) {}

  LineTokens run() {
    LineTokens result;
    while (true) {
      while (m_at < m_line.size() && isSpace(m_line[m_at]))
        ++m_at;
      if (m_at >= m_line.size() || m_line[m_at] == ';') {
        result.tokens.push_back(Token{TokenKind::End, {}, 0, false, column(m_line.size())});
        return result;
      }
      Token token;
      if (auto error = next(token)) {
        result.tokens.push_back(Token{TokenKind::End, {}, 0, false, column(m_at)});
        result.error = std::move(error);
        return result;
      }
      result.tokens.push_back(std::move(token));
    }
  }

 private:
  Long column(std::size_t at) const { return Long(at) + 1; }
  char peek(std::size_t ahead = 0) const {
    return m_at + ahead < m_line.size() ? m_line[m_at + ahead] : '\0';
  }
  bool has(std::size_t ahead) const { return m_at + ahead < m_line.size(); }

  LexError errorAt(std::size_t at, std::string message) const {
    return LexError{column(at), std::move(message)};
  }

  std::optional<LexError> next(Token& token) {
    const std::size_t start = m_at;
    token.column = column(start);
    const char c = m_line[m_at];
    if (isLetter(c)) {
      token.kind = TokenKind::Identifier;
      token.text = identifierAt(m_at);
      m_at += token.text.size();
      return std::nullopt;
    }
    if (isDigit(c) ||
        ((c == '-' || c == '+') && (isDigit(peek(1)) || (peek(1) == '.' && isDigit(peek(2))))) ||
        (c == '.' && isDigit(peek(1)))) {
      return number(token);
    }
    if (c == '.') {
      if (!isLetter(peek(1))) return errorAt(start, "a '.' must begin a directive such as .var");
      token.kind = TokenKind::Directive;
      token.text = identifierAt(m_at + 1);
      m_at += 1 + token.text.size();
      return std::nullopt;
    }
    if (c == '"') return string(token);
    switch (c) {
      case ':':
        token.kind = TokenKind::Colon;
        break;
      case ',':
        token.kind = TokenKind::Comma;
        break;
      case '[':
        token.kind = TokenKind::LeftBracket;
        break;
      case ']':
        token.kind = TokenKind::RightBracket;
        break;
      case '(':
        token.kind = TokenKind::LeftParen;
        break;
      case ')':
        token.kind = TokenKind::RightParen;
        break;
      default:
        return errorAt(start, "unexpected character " + describeByte(c));
    }
    ++m_at;
    return std::nullopt;
  }

  std::string identifierAt(std::size_t at) const {
    std::size_t end = at;
    while (end < m_line.size() && isIdentifierChar(m_line[end]))
      ++end;
    return std::string(m_line.substr(at, end - at));
  }

  std::optional<LexError> number(Token& token) {
    const std::size_t start = m_at;
    token.kind = TokenKind::Number;
    token.whole = true;
    if (peek() == '-' || peek() == '+') ++m_at;
    while (isDigit(peek()))
      ++m_at;
    if (peek() == '.') {
      if (!isDigit(peek(1))) return errorAt(m_at, "digits must follow the decimal point");
      token.whole = false;
      ++m_at;
      while (isDigit(peek()))
        ++m_at;
    }
    if (peek() == 'e' || peek() == 'E') {
      std::size_t digitsAt = 1;
      if (peek(1) == '+' || peek(1) == '-') digitsAt = 2;
      if (!isDigit(peek(digitsAt))) return errorAt(m_at, "digits must follow the exponent letter");
      token.whole = false;
      m_at += digitsAt;
      while (isDigit(peek()))
        ++m_at;
    }
    token.text = std::string(m_line.substr(start, m_at - start));
    if (isSuffixLetter(peek()) && !isIdentifierChar(peek(1))) {
      token.suffix = lower(peek());
      ++m_at;
    }
    if (has(0) && (isIdentifierChar(peek()) || peek() == '.')) {
      return errorAt(m_at, "unexpected " + describeByte(peek()) +
                               " after a number (the type suffixes are u, s, l, f and d)");
    }
    return std::nullopt;
  }

  std::optional<LexError> string(Token& token) {
    const std::size_t start = m_at;
    token.kind = TokenKind::String;
    ++m_at;
    std::string bytes;
    while (true) {
      if (!has(0)) return errorAt(start, "this string has no closing quote on its line");
      const char c = m_line[m_at];
      if (c == '"') {
        ++m_at;
        break;
      }
      if (c != '\\') {
        bytes += c;
        ++m_at;
        continue;
      }
      const std::size_t escapeAt = m_at;
      const char e = peek(1);
      m_at += 2;
      switch (e) {
        case '\\':
          bytes += '\\';
          break;
        case '"':
          bytes += '"';
          break;
        case 'n':
          bytes += '\n';
          break;
        case 'r':
          bytes += '\r';
          break;
        case 't':
          bytes += '\t';
          break;
        case '0':
          bytes += '\0';
          break;
        case 'x': {
          const int high = hexValue(peek(0));
          const int low = hexValue(peek(1));
          if (high < 0 || low < 0) {
            return errorAt(escapeAt, "\\x must be followed by two hexadecimal digits");
          }
          bytes += char(high * 16 + low);
          m_at += 2;
          break;
        }
        default:
          if (escapeAt + 1 >= m_line.size()) {
            return errorAt(start, "this string has no closing quote on its line");
          }
          return errorAt(escapeAt,
                         "unknown escape \\" +
                             (e > 0x20 && e < 0x7f ? std::string(1, e) : describeByte(e)) +
                             " (the escapes are \\\\ \\\" \\n \\r \\t \\0 and \\xHH)");
      }
    }
    if (bytes.size() > kMaxTextLength) {
      return errorAt(start, "this string holds " + std::to_string(bytes.size()) +
                                " bytes; a program can store at most 32767");
    }
    token.text = std::move(bytes);
    return std::nullopt;
  }

  std::string_view m_line;
  std::size_t m_at = 0;
};

}  // namespace

std::vector<SourceLine> splitLines(std::string_view source) {
  std::vector<SourceLine> lines;
  std::size_t start = 0;
  Long number = 1;
  while (start < source.size()) {
    std::size_t end = start;
    while (end < source.size() && source[end] != '\n' && source[end] != '\r')
      ++end;
    lines.push_back(SourceLine{number++, source.substr(start, end - start)});
    if (end < source.size() && source[end] == '\r' && end + 1 < source.size() &&
        source[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

LineTokens tokenizeLine(std::string_view line) {
  return LineLexer(line).run();
}

bool isIdentifier(std::string_view text) noexcept {
  if (text.empty() || !isLetter(text.front())) return false;
  for (char c : text) {
    if (!isIdentifierChar(c)) return false;
  }
  return true;
}

std::string quoteString(std::string_view bytes) {
  std::string quoted = "\"";
  for (char c : bytes) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\n':
        quoted += "\\n";
        break;
      default:
        if (c >= 0x20 && c <= 0x7e) {
          quoted += c;
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(static_cast<unsigned char>(c)));
          quoted += hex;
        }
    }
  }
  return quoted + "\"";
}

std::string describeByte(char c) {
  if (c >= 0x21 && c <= 0x7e) return std::string("'") + c + "'";
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(static_cast<unsigned char>(c)));
  return hex;
}

}  // namespace tg::script
