// The assembler: literals, operands, declarations, debug lines and every
// diagnostic.
#include "program/assembler.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/program_test_support.hpp"
#include "support/text.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {
namespace {

TessaglyphProgram assemble(std::string_view source) {
  return assembleProgram(source, "t.tgs");
}

// The diagnostics of a source that must fail, as "line:column: message".
std::vector<std::string> errorsOf(std::string_view source) {
  try {
    assembleProgram(source, "t.tgs");
  } catch (const ScriptSourceError& error) {
    std::vector<std::string> result;
    for (const auto& d : error.diagnostics())
      result.push_back(std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + d.message);
    return result;
  }
  ADD_FAILURE() << "assembled without errors:\n" << source;
  return {};
}

// "load OPERAND" gives one literal of this type, size and exact value text.
TEST(Assembler, LiteralFormsGiveTypeSizeAndValueText) {
  const struct {
    const char* operand;
    TG_P_LITERAL literal;
  } rows[] = {
      {"-32768", TG_P_DT_INTEGER, 2, "-32768"},
      {"32767", TG_P_DT_INTEGER, 2, "32767"},
      {"32768", TG_P_DT_INTEGER, 4, "32768"},
      {"-2147483648", TG_P_DT_INTEGER, 4, "-2147483648"},
      {"+007", TG_P_DT_INTEGER, 2, "+007"},
      {".5", TG_P_DT_DOUBLE, 8, ".5"},
      {"200u", TG_P_DT_UNSIGNEDINTEGER, 1, "200"},
      {"5L", TG_P_DT_INTEGER, 4, "5"},
      {"1.5f", TG_P_DT_SINGLE, 4, "1.5"},
      {"2d", TG_P_DT_DOUBLE, 8, "2"},
      {"\"\"", TG_P_DT_ASCII, 0, ""},
      {"INTEGER(70000)", TG_P_DT_INTEGER, 4, "70000"},
      {"integer(5, 4)", TG_P_DT_INTEGER, 4, "5"},
      {"integer(\"&H10\")", TG_P_DT_INTEGER, 2, "&H10"},
      {"double(\"1.5E+300\", 8)", TG_P_DT_DOUBLE, 8, "1.5E+300"},
      {"\"\\x00\\xff\\t\\r\\n\\\"\\\\\xe9\"", TG_P_DT_ASCII, 8, {"\0\xff\t\r\n\"\\\xe9", 8}}};
  for (const auto& [operand, literal] : rows) {
    SCOPED_TRACE(operand);
    const auto p = assemble(std::string("load ") + operand + "\n");
    ASSERT_EQ(p.numLiterals(), 1);
    EXPECT_EQ(p.literals(1), literal);
    EXPECT_EQ(p.instructions(1), test::op(TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT));
  }
}

// With variables x, y, literal k, labels top and bottom: each line is
// instruction 2.
TEST(Assembler, OperandFormsChooseTheDataSegment) {
  const struct {
    const char* line;
    TG_P_INSTRUCTION expected;
  } rows[] = {{"load y", TG_M_I_LOAD, "v_b", TG_P_DS_DATA},
              {"load k", TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT},
              {"goto bottom", TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION},
              {"LOAD Register", TG_M_I_LOAD, "register", TG_P_DS_PREDEFINED},
              {"load P_FileTitle", TG_M_I_LOAD, "p_filetitle", TG_P_DS_PREDEFINED},
              {"load mem[20]", TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT},
              {"goto code[1]", TG_M_I_GOTO, "1", TG_P_DS_EXPLICITCODE},
              {"load data[ 1 ]", TG_M_I_LOAD, "v_b", TG_P_DS_DATA},
              {"load const[0]", TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT},
              {"goto instr[0]", TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION},
              {"load pdv[3]", TG_M_I_LOAD, "p_x", TG_P_DS_PREDEFINED},
              {"NOP data[99]", TG_M_I_NOP, "99", TG_P_DS_DATA},
              {"NOP pdv[]", TG_M_I_NOP, "", TG_P_DS_PREDEFINED},
              {"stop", TG_M_I_STOP, "", TG_P_DS_DATA},
              {"stop code[]", TG_M_I_STOP, "", TG_P_DS_EXPLICITCODE}};
  for (const auto& [line, expected] : rows) {
    const auto p = assemble(std::string(".var x integer\n.var y\n.literal k 9\ntop: NOP\n") + line +
                            "\nbottom: stop\n");
    EXPECT_EQ(p.instructions(2), expected) << line;
  }
}

TEST(Assembler, DebugLinesFollowTheSourceUnlessPinnedOrSwitchedOff) {
  // CR LF and a lone CR end a line; the count goes on while lines are off.
  const auto p = assemble(
      "; 1\n  NOP\n\r\n  NOP\r  NOP\n.line 100\n  NOP\n\n  "
      "NOP\n.lines off\n  NOP\n.lines on\n"
      "  NOP\n.line 32767\n  stop\n");
  const std::vector<Integer> expected = {2, 4, 5, 100, 102, 0, 106, 32767};
  ASSERT_EQ(std::size_t(p.numInstructions()), expected.size());
  for (Integer i = 1; i <= p.numInstructions(); ++i)
    EXPECT_EQ(p.codeDebugInfo(i), expected[std::size_t(i - 1)]) << i;
}

// The first diagnostic of a source that must fail.
TEST(Assembler, EachProblemIsReportedWhereItStands) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"load 2147483648", "1:6: 2147483648 does not fit a 4-byte integer; write 2147483648d for a double"},
      {"load 256u", "1:6: 256 does not fit an unsigned literal (0 to 255)"},
      {"load -1u", "1:6: -1 does not fit an unsigned literal (0 to 255)"},
      {"load 40000s", "1:6: 40000 does not fit a 2-byte integer literal (-32768 to 32767)"},
      {"load 1.5s", "1:6: a 2-byte integer literal must be a whole number: 1.5s is not one"},
      {"load 1e999", "1:6: 1e999 does not fit a double literal"},
      {"load 1e39f", "1:6: 1e39 does not fit a single literal"},
      {"load integer(\"abc\")", "1:6: \"abc\" is not a number; a 2-byte integer literal (-32768 to 32767) needs one"},
      {"load integer(5, -1)", "1:17: the size of a literal is a whole number from 0 to 32767"},
      {"load 5x", "1:7: unexpected 'x' after a number (the type suffixes are u, s, l, f and d)"},
      {"load \"abc", "1:6: this string has no closing quote on its line"},
      {"load \"a\\qb\"", "1:8: unknown escape \\q (the escapes are \\\\ \\\" \\n \\r \\t \\0 and \\xHH)"},
      {"load", "1:5: 'load' needs an operand"},
      {"stop x", "1:6: 'stop' takes no operand; only a segment such as 'instr[]' may follow it"},
      {"load data[0]", "1:6: data[0]: the program has 0 variables, numbered from 0"},
      {"load const[0]", "1:6: const[0]: the program has 0 literals, numbered from 0"},
      {"goto instr[2]", "1:6: instr[2]: the program has 2 instructions, numbered from 0"},
      {"load pdv[16]", "1:6: pdv[16]: the predefined variables are numbered from 0 to 15"},
      {"load mem[-1]", "1:6: mem[-1]: a data address cannot be negative"},
      {"load mem[40000]", "1:10: a numbered operand must be from -32768 to 32767"},
      {"load none", "1:6: 'none' is a reserved word, not an operand"},
      {"load p_nothing", "1:6: 'p_nothing' is not a declared variable, literal or label"},
      {"lod x", "1:1: unknown instruction 'lod'"},
      {".attribute a var double read r\n.attribute a var double read r", "2:1: ais the name of an existing attribute, and will not be added. (program error 10014); end the line with 'duplicate' to keep both"},
      {".attribute a var double", "1:24: an attribute needs 'read' and the label of its read code"},
      {".attribute a var ascii 256 read r", "1:24: a size must be from 0 to 255"},
      {".attribute a var double read r write q", "1:38: no label 'q' is defined for the attribute \"a\""},
      {".var P_X", "1:6: 'P_X' is a reserved word and cannot name a variable"},
      {"duplicate: stop", "1:1: 'duplicate' is a reserved word and cannot name a label"},
      {".var X\nload x", "2:6: 'x' is not a declared variable, literal or label"},
      {".var a\n.var b\n.memory 1", "3:1: .memory 1 is fewer than the 2 variables declared"},
      {".memory 32768", "1:9: .memory must be from 0 to 32767"},
      {".routine initialise\ninitialise: stop", "1:1: \"initialise\" is not a valid routine name. (program error 10010)"},
      {".routine init", "1:10: no label 'init' is defined for the routine 'init'"},
      {".line 32767\nNOP", "3:4: this instruction's debug line 32768 is outside 1 to 32767; use .line or .lines off"},
      {".line 0", "1:7: .line must be from 1 to 32767"},
  };
  // clang-format on
  for (const auto& [source, expected] : rows) {
    const auto errors = errorsOf(std::string(source) + "\nr: stop\n");
    EXPECT_EQ(errors.empty() ? "" : errors.front(), expected) << source;
  }
  // Refused as well, whatever the text says.
  for (const char* source :
       {"load integer(5s)", "load integer(5", "load 5.", "load \"\\x4\"", "goto code[-1]",
        "load mem[1", "load reg[1]", "load 1 2", ".attribute a var double read r read r",
        "top: .var x", ".attribute a thing double read r", ".var a integer debug",
        ".memory 2\n.memory 3", ".property a b", ".lines maybe", ".var x\n.routine init x"})
    EXPECT_FALSE(errorsOf(std::string(source) + "\nr: stop\n").empty()) << source;
}

// Every problem once, in source order; collecting stops after a hundred.
TEST(Assembler, EveryProblemIsReportedOnceInSourceOrder) {
  EXPECT_EQ(errorsOf(".var x\n.var x\n.literal x 1\nx: stop\n.var a blob\nload "
                     "a\n  load a a\n"
                     ".propert x \"y\"\n  @\nend:\n"),
            (std::vector<std::string>{"2:6: 'x' is already defined as a variable on line 1",
                                      "3:10: 'x' is already defined as a variable on line 1",
                                      "4:1: 'x' is already defined as a variable on line 1",
                                      "5:8: 'blob' is no data type; use unsigned, integer, single, "
                                      "double, ascii, "
                                      "delimited or unset",
                                      "7:10: unexpected 'a' after the operand",
                                      "8:1: unknown directive '.propert'; the directives are "
                                      ".property, .var, .literal, "
                                      ".memory, .routine, .attribute, .line and .lines",
                                      "9:3: unexpected character '@'",
                                      "10:1: label 'end' marks no instruction"}));
  EXPECT_EQ(errorsOf(".var a\n; nothing else\n"),
            (std::vector<std::string>{"1:1: the script has no instructions; a "
                                      "program needs at least one"}));
  std::string source;
  for (int i = 0; i < 150; ++i)
    source += "bad line\n";
  const auto errors = errorsOf(source);
  ASSERT_EQ(errors.size(), kMaxScriptDiagnostics + 1);
  EXPECT_EQ(errors[kMaxScriptDiagnostics - 1], "100:1: unknown instruction 'bad'");
  EXPECT_EQ(errors.back(), "101:1: too many errors; stopping here");
}

TEST(Assembler, TheErrorCarriesFileLineAndColumn) {
  EXPECT_TRUE(test::raises(
      [] { assembleProgram("stop\n  load x\n", "s/a.tgs"); }, TG_P_E_INVALIDDATAERROR,
      "s/a.tgs:2:8: error: 'x' is not a declared variable, literal or label", "assembleProgram"));
  EXPECT_TRUE(test::raises([] { assembleFile("/nonexistent/x.tgs"); }, TG_P_E_INVALIDDATAERROR,
                           "/nonexistent/x.tgs: error: cannot open the script source file",
                           "assembleProgram"));
  std::string source = ".lines off\n.routine init\ninit: NOP\n";
  for (int i = 1; i < 32768; ++i)
    source += "goto init\n";
  EXPECT_EQ(errorsOf(source), (std::vector<std::string>{"32770:1: Overflow (program error 6)"}));
}

}  // namespace
}  // namespace tg
