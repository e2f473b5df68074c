// Literals as script source writes them, shared by the assembler and the disassembler:
//
//   123, -7          integer: 2 bytes when the value fits 16 bits, else 4
//   1.5, 2e-3        double
//   200u 5s 5l 1.5f 2d   suffixes: unsigned byte, 2-byte integer, 4-byte integer, single, double
//   "text"           ascii, as long as the text
//   unsigned(V), integer(V), single(V), double(V), ascii(V), each with an optional ", size"
//                    V is a number or a quoted text, kept as the literal's value text exactly
//
// A literal's value is kept as text, exactly as the source spells it (without the suffix).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "program/script_lexer.hpp"
#include "tessaglyph/program.hpp"

namespace tg::script {

// True when tokens[at] begins a literal: a number, a string, or a type name followed by "(".
bool startsLiteral(const std::vector<Token>& tokens, std::size_t at);

// Reads the literal that begins at tokens[at] and moves `at` past it. Only the form is checked
// here; checkLiteralValue tells whether the value suits its type.
[[nodiscard]] std::optional<LexError> parseLiteral(const std::vector<Token>& tokens,
                                                   std::size_t& at, TG_P_LITERAL& literal);

// Empty when the value text converts to the literal's type the way a program file stores it;
// otherwise why it does not.
std::optional<std::string> checkLiteralValue(const TG_P_LITERAL& literal);

// The shortest source form that reads back as exactly this literal (type, size and value
// text); empty when none does (a data type no literal can have).
std::optional<std::string> formatLiteral(const TG_P_LITERAL& literal);

}  // namespace tg::script
