// The tokens of script source text. The language is line-oriented: a line is cut into tokens on
// its own, so a bad line never disturbs the lines after it. Text is bytes (ISO-8859-1: one byte,
// one character); columns count bytes from 1.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg::script {

enum class TokenKind {
  Identifier,    // [A-Za-z_][A-Za-z0-9_]*
  Directive,     // "." followed by an identifier; text holds the identifier
  Number,        // text holds the number without its suffix letter
  String,        // text holds the decoded bytes
  Colon,         // :
  Comma,         // ,
  LeftBracket,   // [
  RightBracket,  // ]
  LeftParen,     // (
  RightParen,    // )
  End,           // end of the line (a comment runs to the end of the line)
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
  // Number only: the suffix letter in lower case (u, s, l, f or d), 0 for none; and whether the
  // number is whole (neither a fraction nor an exponent).
  char suffix = 0;
  bool whole = false;
  Long column = 0;  // 1-based
};

struct LexError {
  Long column = 0;
  std::string message;
};

// One line's tokens, ending with an End token. When the line has an error, the tokens are those
// before it (still ending with an End token) and `error` tells what went wrong.
struct LineTokens {
  std::vector<Token> tokens;
  std::optional<LexError> error;
};

struct SourceLine {
  Long number = 0;  // 1-based
  std::string_view text;
};

// The longest text a program can store: string lengths are 16-bit counts.
inline constexpr std::size_t kMaxTextLength = 32767;

// The lines of a source text. A line ends at LF, CR LF or a lone CR; a final line without an end
// counts, an empty text after the last line end does not.
std::vector<SourceLine> splitLines(std::string_view source);

[[nodiscard]] LineTokens tokenizeLine(std::string_view line);

// True for the form of an identifier.
bool isIdentifier(std::string_view text) noexcept;

// A string token whose decoded bytes are `bytes`: printable ASCII stays as it is, the quote and
// the backslash are escaped, tab, CR and LF become \t, \r and \n, and every other byte \xHH.
std::string quoteString(std::string_view bytes);

// A byte as the diagnostics show it: the character itself when printable, else \xHH.
std::string describeByte(char c);

}  // namespace tg::script
