// The pattern is compiled into tokens that each consume exactly one character, plus stars; the
// match then needs to remember only the last star, which keeps it linear per star position and
// free of exponential backtracking.
//
// Inside a bracketed list every character stands for itself ("[*?#[]" lists those four), except:
// "!" first negates the list; "-" between two characters makes an ascending range and is itself
// listed when it stands first (after any "!") or last; "]" closes the list. "[]" matches no
// character at all, so it vanishes from the pattern; "[!]" matches any one character. A "]"
// outside a list is an ordinary character.
#include "support/pattern_match.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <string>
#include <vector>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

enum class TokenKind { Star, AnyChar, Digit, Set };

struct Token {
  TokenKind kind;
  // For Set: the characters matched (negation already applied, case already folded in).
  std::bitset<256> set;
};

unsigned char byteOf(char c) {
  return static_cast<unsigned char>(c);
}

void addCharacter(std::bitset<256>& set, char c, PatternCase caseMode) {
  set.set(byteOf(c));
  if (caseMode == PatternCase::Insensitive) {
    set.set(byteOf(toUpperChar(c)));
    set.set(byteOf(toLowerChar(c)));
  }
}

[[noreturn]] void invalidPattern() {
  raisePlatformError(PLATFORM_E_INVALIDPATTERNSTRING);
}

// Reads the list after a "[" at `pos` (pointing past the "["); leaves `pos` past the "]".
// Returns false for "[]", which matches the empty string.
bool compileList(std::string_view pattern, std::size_t& pos, PatternCase caseMode, Token& token) {
  bool negated = false;
  if (pos < pattern.size() && pattern[pos] == '!') {
    negated = true;
    ++pos;
  }
  std::bitset<256> set;
  bool any = false;
  while (true) {
    if (pos >= pattern.size()) invalidPattern();
    const char first = pattern[pos];
    if (first == ']') {
      ++pos;
      break;
    }
    any = true;
    // "x-y" is a range unless the "-" is the last character of the list.
    if (pos + 2 < pattern.size() && pattern[pos + 1] == '-' && pattern[pos + 2] != ']') {
      const char last = pattern[pos + 2];
      if (byteOf(last) < byteOf(first)) invalidPattern();
      for (unsigned c = byteOf(first); c <= byteOf(last); ++c) {
        addCharacter(set, static_cast<char>(c), caseMode);
      }
      pos += 3;
    } else {
      addCharacter(set, first, caseMode);
      ++pos;
    }
  }
  if (!any && !negated) return false;
  token.kind = TokenKind::Set;
  token.set = negated ? ~set : set;
  return true;
}

std::vector<Token> compile(std::string_view pattern, PatternCase caseMode) {
  std::vector<Token> tokens;
  tokens.reserve(pattern.size());
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const char c = pattern[pos++];
    Token token{TokenKind::Set, {}};
    switch (c) {
      case '*':
        // Runs of stars are one star.
        if (!tokens.empty() && tokens.back().kind == TokenKind::Star) continue;
        token.kind = TokenKind::Star;
        break;
      case '?':
        token.kind = TokenKind::AnyChar;
        break;
      case '#':
        token.kind = TokenKind::Digit;
        break;
      case '[':
        if (!compileList(pattern, pos, caseMode, token)) continue;
        break;
      default:
        addCharacter(token.set, c, caseMode);
        break;
    }
    tokens.push_back(token);
  }
  return tokens;
}

bool matches(const Token& token, char c) {
  switch (token.kind) {
    case TokenKind::AnyChar:
      return true;
    case TokenKind::Digit:
      return c >= '0' && c <= '9';
    case TokenKind::Set:
      return token.set.test(byteOf(c));
    case TokenKind::Star:
      break;
  }
  return false;
}

bool matchTokens(std::string_view text, const std::vector<Token>& tokens) {
  const std::size_t count = tokens.size();
  std::size_t t = 0;              // next text character
  std::size_t p = 0;              // next token
  std::size_t starToken = count;  // last star seen, none yet
  std::size_t starText = 0;       // where the text stood when the star started its run
  while (t < text.size()) {
    if (p < count && tokens[p].kind == TokenKind::Star) {
      starToken = p++;
      starText = t;
    } else if (p < count && matches(tokens[p], text[t])) {
      ++p;
      ++t;
    } else if (starToken < count) {
      // Let the last star swallow one more character and retry what follows it. An earlier
      // star never needs to: whatever it could take, the later star can take as well.
      p = starToken + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < count && tokens[p].kind == TokenKind::Star)
    ++p;
  return p == count;
}

// Scripts test the same few patterns over and over (a format script may run several for every
// value it reads), so the last patterns compiled are kept, and a warm match neither compiles nor
// allocates.
const std::vector<Token>& compiled(std::string_view pattern, PatternCase caseMode) {
  struct Entry {
    std::string pattern;
    PatternCase caseMode = PatternCase::Sensitive;
    std::vector<Token> tokens;
  };
  constexpr std::size_t kEntries = 8;
  thread_local std::array<Entry, kEntries> entries;
  thread_local std::size_t used = 0;
  thread_local std::size_t next = 0;
  for (std::size_t i = 0; i < used; ++i) {
    if (entries[i].caseMode == caseMode && entries[i].pattern == pattern) return entries[i].tokens;
  }
  std::vector<Token> tokens = compile(pattern, caseMode);  // raises for a malformed pattern
  Entry& entry = entries[next];
  next = (next + 1) % kEntries;
  used = std::max(used, next == 0 ? kEntries : next);
  entry.pattern.assign(pattern);
  entry.caseMode = caseMode;
  entry.tokens = std::move(tokens);
  return entry.tokens;
}

}  // namespace

bool likeMatch(std::string_view text, std::string_view pattern, PatternCase caseMode) {
  return matchTokens(text, compiled(pattern, caseMode));
}

// An empty filter, or a list holding only blanks and separators, lets every name through. A
// filter ending in ".*" also matches the name without any extension, as directory listings do,
// so "*.*" matches every name.
bool filterMatch(std::string_view fileName, std::string_view filter) {
  bool anyFilter = false;
  bool matched = false;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t end = filter.find(';', start);
    if (end == std::string_view::npos) end = filter.size();
    const std::string_view one = trimBlanks(filter.substr(start, end - start));
    start = end + 1;
    if (one.empty()) continue;
    anyFilter = true;
    // Every filter is compiled, even after a match, so a malformed one is always reported.
    if (likeMatch(fileName, one, PatternCase::Insensitive)) matched = true;
    if (!matched && one.size() >= 2 && one.substr(one.size() - 2) == ".*" &&
        likeMatch(fileName, one.substr(0, one.size() - 2), PatternCase::Insensitive)) {
      matched = true;
    }
  }
  return matched || !anyFilter;
}

}  // namespace tg
