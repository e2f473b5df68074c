// The assembler: literal forms and sharing, operand forms, names, declarations, debug lines,
// repeated names, the model's validations and the diagnostics.
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
  return assembleProgram(source, "test.tgs");
}

// The diagnostics of a source that must fail, as "line:column: message".
std::vector<std::string> errorsOf(std::string_view source) {
  try {
    assembleProgram(source, "test.tgs");
  } catch (const ScriptSourceError& error) {
    std::vector<std::string> result;
    for (const auto& d : error.diagnostics())
      result.push_back(std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + d.message);
    return result;
  }
  ADD_FAILURE() << "assembled without errors:\n" << source;
  return {};
}

std::string firstError(std::string_view source) {
  const auto errors = errorsOf(source);
  return errors.empty() ? std::string() : errors.front();
}

// ---- Literals

TEST(AssemblerLiterals, FormsGiveTypeSizeAndExactValueText) {
  const struct {
    const char* operand;
    TG_P_LITERAL literal;
  } cases[] = {{"5", TG_P_DT_INTEGER, 2, "5"},
               {"-32768", TG_P_DT_INTEGER, 2, "-32768"},
               {"32767", TG_P_DT_INTEGER, 2, "32767"},
               {"32768", TG_P_DT_INTEGER, 4, "32768"},
               {"-32769", TG_P_DT_INTEGER, 4, "-32769"},
               {"-2147483648", TG_P_DT_INTEGER, 4, "-2147483648"},
               {"+007", TG_P_DT_INTEGER, 2, "+007"},
               {"1.5", TG_P_DT_DOUBLE, 8, "1.5"},
               {".5", TG_P_DT_DOUBLE, 8, ".5"},
               {"1E+20", TG_P_DT_DOUBLE, 8, "1E+20"},
               {"-2e-3", TG_P_DT_DOUBLE, 8, "-2e-3"},
               {"200u", TG_P_DT_UNSIGNEDINTEGER, 1, "200"},
               {"5s", TG_P_DT_INTEGER, 2, "5"},
               {"5L", TG_P_DT_INTEGER, 4, "5"},
               {"1.5f", TG_P_DT_SINGLE, 4, "1.5"},
               {"2d", TG_P_DT_DOUBLE, 8, "2"},
               {"\"ab\"", TG_P_DT_ASCII, 2, "ab"},
               {"\"\"", TG_P_DT_ASCII, 0, ""},
               {"unsigned(7)", TG_P_DT_UNSIGNEDINTEGER, 1, "7"},
               {"INTEGER(70000)", TG_P_DT_INTEGER, 4, "70000"},
               {"integer(5, 4)", TG_P_DT_INTEGER, 4, "5"},
               {"integer(\"&H10\")", TG_P_DT_INTEGER, 2, "&H10"},
               {"single(\" 1.5\")", TG_P_DT_SINGLE, 4, " 1.5"},
               {"double(\"1.5E+300\", 8)", TG_P_DT_DOUBLE, 8, "1.5E+300"}};
  for (const auto& [operand, literal] : cases) {
    const auto p = assemble(std::string("load ") + operand + "\n");
    ASSERT_EQ(p.numLiterals(), 1) << operand;
    EXPECT_EQ(p.literals(1), literal) << operand;
    EXPECT_EQ(p.instructions(1), test::op(TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT)) << operand;
  }
  EXPECT_EQ(assemble("load \"\\x00\\xff\\t\\r\\n\\\"\\\\\xe9\"\n").literals(1).value,
            std::string("\0\xff\t\r\n\"\\\xe9", 8));
}

TEST(AssemblerLiterals, BadLiteralsAreReportedWhereTheyStand) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"load 2147483648",
       "1:6: 2147483648 does not fit a 4-byte integer; write 2147483648d for a "
       "double"},
      {"load 256u", "1:6: 256 does not fit an unsigned literal (0 to 255)"},
      {"load -1u", "1:6: -1 does not fit an unsigned literal (0 to 255)"},
      {"load 40000s", "1:6: 40000 does not fit a 2-byte integer literal (-32768 to 32767)"},
      {"load 1.5s", "1:6: a 2-byte integer literal must be a whole number: 1.5s is not one"},
      {"load 1e999", "1:6: 1e999 does not fit a double literal"},
      {"load 1e39f", "1:6: 1e39 does not fit a single literal"},
      {"load integer(\"abc\")",
       "1:6: \"abc\" is not a number; a 2-byte integer literal (-32768 to 32767) needs one"},
      {"load integer(5s)",
       "1:14: a number inside integer(...) takes no suffix; the type is given "
       "by integer"},
      {"load integer(5, -1)", "1:17: the size of a literal is a whole number from 0 to 32767"},
      {"load integer(5", "1:15: expected ')' to close integer(...)"},
      {"load 5x", "1:7: unexpected 'x' after a number (the type suffixes are u, s, l, f and d)"},
      {"load 5.", "1:7: digits must follow the decimal point"},
      {"load 1e", "1:7: digits must follow the exponent letter"},
      {"load \"abc", "1:6: this string has no closing quote on its line"},
      {"load \"a\\qb\"",
       "1:8: unknown escape \\q (the escapes are \\\\ \\\" \\n \\r \\t \\0 and "
       "\\xHH)"},
      {"load \"\\x4\"", "1:7: \\x must be followed by two hexadecimal digits"},
  };
  for (const auto& [source, expected] : cases)
    EXPECT_EQ(firstError(std::string(source) + "\n"), expected) << source;
}

TEST(AssemblerLiterals, IdenticalLiteralsAreSharedInOrderOfFirstUse) {
  const auto p = assemble(
      "load \"x\"\n"
      "add 5\n"
      "add 5s\n"     // the same 2-byte integer as 5
      "add 5l\n"     // a 4-byte integer: another literal
      "add \"5\"\n"  // text: another literal
      "add \"x\"\n"
      "stop\n");
  ASSERT_EQ(p.numLiterals(), 4);
  EXPECT_EQ(p.literals(1), (TG_P_LITERAL{TG_P_DT_ASCII, 1, "x"}));
  EXPECT_EQ(p.literals(2), (TG_P_LITERAL{TG_P_DT_INTEGER, 2, "5"}));
  EXPECT_EQ(p.literals(3), (TG_P_LITERAL{TG_P_DT_INTEGER, 4, "5"}));
  EXPECT_EQ(p.literals(4), (TG_P_LITERAL{TG_P_DT_ASCII, 1, "5"}));
  const std::vector<std::string> operands = {"l_a", "l_b", "l_b", "l_c", "l_d", "l_a"};
  for (Integer i = 1; i <= 6; ++i)
    EXPECT_EQ(p.instructions(i).operand, operands[std::size_t(i - 1)]) << i;
}

TEST(AssemblerLiterals, DeclaredLiteralsComeFirstKeepDuplicatesAndShareWithInlineOnes) {
  const auto p = assemble(
      "load 7\n"
      ".literal unused \"never\"\n"
      ".literal five 5\n"
      ".literal again 5\n"
      "add again\n"
      "add 5\n"  // shares the first identical literal
      "stop\n");
  ASSERT_EQ(p.numLiterals(), 4);
  EXPECT_EQ(p.literals(1).value, "never");
  EXPECT_EQ(p.literals(2), (TG_P_LITERAL{TG_P_DT_INTEGER, 2, "5"}));
  EXPECT_EQ(p.literals(3), (TG_P_LITERAL{TG_P_DT_INTEGER, 2, "5"}));
  EXPECT_EQ(p.literals(4).value, "7");
  EXPECT_EQ(p.instructions(1).operand, "l_d");
  EXPECT_EQ(p.instructions(2).operand, "l_c");
  EXPECT_EQ(p.instructions(3).operand, "l_b");
}

// ---- Operands

// In a program with variables x and y, literal "k" = 9, and labels top (instruction 1) and
// bottom (the last), each line assembles to instruction 2. A NOP carries what it is given;
// numbers that name nothing stay numbers.
TEST(AssemblerOperands, FormsChooseTheDataSegment) {
  const struct {
    const char* line;
    TG_P_INSTRUCTION expected;
  } cases[] = {{"load y", TG_M_I_LOAD, "v_b", TG_P_DS_DATA},
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
               {"load pdv[0]", TG_M_I_LOAD, "register", TG_P_DS_PREDEFINED},
               {"nop", TG_M_I_NOP, "", TG_P_DS_DATA},
               {"NOP data[99]", TG_M_I_NOP, "99", TG_P_DS_DATA},
               {"NOP const[-3]", TG_M_I_NOP, "-3", TG_P_DS_CONSTANT},
               {"NOP instr[3]", TG_M_I_NOP, "3", TG_P_DS_INSTRUCTION},
               {"NOP pdv[16]", TG_M_I_NOP, "16", TG_P_DS_PREDEFINED},
               {"NOP mem[-32768]", TG_M_I_NOP, "-32768", TG_P_DS_EXPLICIT},
               {"NOP code[32767]", TG_M_I_NOP, "32767", TG_P_DS_EXPLICITCODE},
               {"NOP x", TG_M_I_NOP, "v_a", TG_P_DS_DATA},
               {"NOP pdv[]", TG_M_I_NOP, "", TG_P_DS_PREDEFINED},
               {"stop", TG_M_I_STOP, "", TG_P_DS_DATA},
               {"stop code[]", TG_M_I_STOP, "", TG_P_DS_EXPLICITCODE}};
  for (const auto& [line, expected] : cases) {
    const auto p = assemble(std::string(".var x integer\n.var y\n.literal k 9\ntop: NOP\n") + line +
                            "\nbottom: stop\n");
    EXPECT_EQ(p.instructions(2), expected) << line;
  }
}

TEST(AssemblerOperands, BadOperandsAreReportedAtTheOperand) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"load", "1:5: 'load' needs an operand"},
      {"timer data[]", "1:7: 'timer' needs an operand"},
      {"stop x", "1:6: 'stop' takes no operand; only a segment such as 'instr[]' may follow it"},
      {"load nowhere", "1:6: 'nowhere' is not a declared variable, literal or label"},
      {"load data[0]", "1:6: data[0]: the program has 0 variables, numbered from 0"},
      {"load const[0]", "1:6: const[0]: the program has 0 literals, numbered from 0"},
      {"goto instr[1]", "1:6: instr[1]: the program has 1 instructions, numbered from 0"},
      {"goto code[-1]", "1:6: code[-1]: the program has 1 instructions, numbered from 0"},
      {"load pdv[16]", "1:6: pdv[16]: the predefined variables are numbered from 0 to 15"},
      {"load mem[-1]", "1:6: mem[-1]: a data address cannot be negative"},
      {"load mem[40000]", "1:10: a numbered operand must be from -32768 to 32767"},
      {"load mem[1.5]", "1:10: a numbered operand must be a whole number from -32768 to 32767"},
      {"load mem[1", "1:11: expected ']'"},
      {"load reg[1]",
       "1:6: 'reg[' is no operand form; the numbered forms are data[N], instr[N], "
       "const[N], pdv[N], mem[N] and code[N]"},
      {"load none", "1:6: 'none' is a reserved word, not an operand"},
      {"load p_nothing", "1:6: 'p_nothing' is not a declared variable, literal or label"},
      {"load 1 2", "1:8: unexpected number 2 after the operand"},
      {"load ,", "1:6: expected an operand, found ','"},
      {"lod x", "1:1: unknown instruction 'lod'"},
  };
  for (const auto& [source, expected] : cases)
    EXPECT_EQ(firstError(std::string(source) + "\n"), expected) << source;
}

// ---- Names, labels and tags

TEST(AssemblerNames, LabelsMayBeUsedBeforeTheyAreDefinedAndShareTheirInstruction) {
  const auto p = assemble(
      "  goto end\n"
      "start: again:\n"
      "  branch_true again\n"
      "end: goto start\n");
  EXPECT_EQ(p.instructions(1).operand, p.instructionTag(3));
  EXPECT_EQ(p.instructions(2).operand, p.instructionTag(2));
  EXPECT_EQ(p.instructions(3).operand, p.instructionTag(2));
  EXPECT_EQ(p.instructionTag(1), "");
}

TEST(AssemblerNames, TagsAreHandedOutAsTheProgramFileReaderHandsThemOut) {
  // Operands first (in instruction order), then routines, then attributes: a program read
  // back from its file carries the same tags.
  const auto p = assemble(
      ".routine init\n"
      ".attribute datapoint datapoint integer 2 read dp write dpw\n"
      ".routine terminate\n"
      "dpw: stop\n"
      "init: goto later\n"
      "terminate: NOP instr[6]\n"
      "dp: load register\n"
      "  stop\n"
      "later: gosub dp\n"
      "  stop\n");
  auto renamed = p;
  renamed.resolveSymbolicData();
  renamed.createSymbolicData();
  EXPECT_EQ(test::snapshot(p), test::snapshot(renamed));
  EXPECT_EQ(p.instructionTag(6), "c_a");
  EXPECT_EQ(p.instructionTag(7), "c_b");  // tagged for the NOP's instr[6]
  EXPECT_EQ(p.instructionTag(4), "c_c");
  EXPECT_EQ(p.instructionTag(2), "c_d");
  EXPECT_EQ(p.instructionTag(3), "c_e");
  EXPECT_EQ(p.instructionTag(1), "c_f");
}

// ---- Variables

TEST(AssemblerVariables, DeclarationsGiveTypesAndDebugNamesInMemoryOrder) {
  const auto p = assemble(
      ".var a integer\n"
      ".var b\n"
      ".var c ascii nodebug\n"
      ".var d double debug \"H\\xf6he \\x01\"\n"
      ".var e delimited\n"
      ".var f unset debug \"\"\n"
      ".memory 9\n"
      "load e\n");
  ASSERT_EQ(p.neededMemory(), 9);
  const std::vector<std::pair<TG_P_DATATYPES, std::string>> expected = {
      {TG_P_DT_INTEGER, "a"},           {TG_P_DT_DEFAULTASCII, "b"},   {TG_P_DT_ASCII, ""},
      {TG_P_DT_DOUBLE, "H\xf6he \x01"}, {TG_P_DT_DELIMITEDASCII, "e"}, {TG_P_DT_DEFAULTASCII, ""},
      {TG_P_DT_DEFAULTASCII, ""},       {TG_P_DT_DEFAULTASCII, ""},    {TG_P_DT_DEFAULTASCII, ""}};
  for (Integer i = 1; i <= 9; ++i) {
    const auto name = p.addressSymbolicName(i);
    EXPECT_EQ(p.variableType(name), expected[std::size_t(i - 1)].first) << i;
    EXPECT_EQ(p.variableDebugName(name), expected[std::size_t(i - 1)].second) << i;
  }
  EXPECT_EQ(p.instructions(1).operand, "v_e");
}

// ---- Properties

TEST(AssemblerProperties, KeepOrderNamesAndEveryByte) {
  const auto p = assemble(
      ".property gridtype \"utm\"\n"
      ".property \"odd name\" \"\\x00\\xff\"\n"
      ".property empty \"\"\n"
      ".property GRIDTYPE \"latlon\" duplicate\n"
      "stop\n");
  ASSERT_EQ(p.numScriptProperties(), 4);
  EXPECT_EQ(p.scriptProperties(1), (TG_P_PROPERTY{"gridtype", "utm"}));
  EXPECT_EQ(p.scriptProperties(2), (TG_P_PROPERTY{"odd name", std::string("\0\xff", 2)}));
  EXPECT_EQ(p.scriptProperties(3), (TG_P_PROPERTY{"empty", ""}));
  EXPECT_EQ(p.scriptProperties(4), (TG_P_PROPERTY{"GRIDTYPE", "latlon"}));
}

// ---- Routines

TEST(AssemblerRoutines, StartAtTheirOwnLabelOrTheOneGiven) {
  const auto p = assemble(
      ".routine INIT\n"
      ".routine terminate finish\n"
      "init: load register\n"
      "INIT: stop\n"
      "finish: stop\n");
  ASSERT_EQ(p.numRoutines(), 2);
  EXPECT_EQ(p.routines(1).name, "INIT");
  EXPECT_EQ(p.tagInstruction(p.routines(1).location), 2);  // labels tell case apart
  EXPECT_EQ(p.tagInstruction(p.routines(2).location), 3);
}

// More routines than there are slot names: the repeats keep their names and places even when
// every slot name is already taken.
TEST(AssemblerRoutines, RepeatedNamesBeyondEverySlotNameKeepTheirOrder) {
  std::string source;
  std::vector<std::string> names;
  for (const auto& slot : routineTable)
    names.emplace_back(slot.name);
  names.insert(names.begin() + 3, "init");
  names.emplace_back("Valid");
  names.emplace_back("init");
  std::vector<std::string> seen;
  for (const auto& name : names) {
    bool repeated = false;
    for (const auto& s : seen)
      repeated = repeated || sameName(s, name);
    seen.push_back(name);
    source += ".routine " + name + " entry" + (repeated ? " duplicate" : "") + "\n";
  }
  const auto p = assemble(source + "entry: stop\n");
  ASSERT_EQ(std::size_t(p.numRoutines()), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(trimBlanks(p.routines(Integer(i + 1)).name), names[i]) << i;
    EXPECT_EQ(p.routines(Integer(i + 1)).location, "c_a") << i;
  }
}

// ---- Attributes

TEST(AssemblerAttributes, CarryEveryField) {
  const auto p = assemble(
      ".attribute datapoint datapoint integer 4 read r write w comment \"metres\" tip \"t\"\n"
      ".attribute \"a b\" repeatingvar delimited (\",\", \"\\r\\n\" \"\") read r write none\n"
      ".attribute name var ascii 12 tip \"only a tip\" read w\n"
      ".attribute name var unsigned read r duplicate\n"
      "r: stop\n"
      "w: stop\n");
  // name, kind, data type, size, delimiter bounds, read and write code, comment, tip
  EXPECT_EQ(test::linesOf(test::snapshot(p), "attribute"),
            "attribute datapoint 3 2 4 0..0 c_a c_b metres t\n"
            "attribute a b 2 6 0 1..3 c_a -1  \n"
            "attribute name 1 5 12 0..0 c_b -1  only a tip\n"
            "attribute name 1 1 0 0..0 c_a -1  \n");
  EXPECT_EQ(p.Attributes(2).delimiterList, (Array<std::string>(1, {",", "\r\n", ""})));
}

TEST(AssemblerAttributes, TheModelValidatesThemAtTheirLine) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {".attribute a var integer 3 read r",
       "1:1: The size specified for data of type TG_P_DT_INTEGER must be either 2 or 4. (program "
       "error 10010)"},
      {".attribute a var ascii read r",
       "1:1: The size specified for data of type TG_P_DT_ASCII must be greater than zero. "
       "(program error 10010)"},
      {".attribute a var single 4 read r",
       "1:1: The size member of the TG_P_ATTRIBUTE UDT must be zero for data types other than "
       "TG_P_DT_INTEGER and TG_P_DT_ASCII. (program error 10010)"},
      {".attribute a var delimited read r",
       "1:1: The delimiter list for the supplied value is not valid.  It must be an array with a "
       "lower bound of 1. (program error 10010)"},
      {".attribute a var double (\",\") read r",
       "1:1: The delimiter list for the supplied value is not valid.  It must be an array with "
       "both the lower and the upper bounds set to zero. (program error 10010)"},
      {".attribute a var double read r\n.attribute a var double read r",
       "2:1: ais the name of an existing attribute, and will not be added. (program error 10014); "
       "end the line with 'duplicate' to keep both"},
      {".attribute a var double", "1:24: an attribute needs 'read' and the label of its read code"},
      {".attribute a var double read r read r", "1:32: 'read' is given twice"},
      {".attribute a thing double read r",
       "1:14: 'thing' is no attribute type; use var, repeatingvar or datapoint"},
      {".attribute a var unset read r",
       "1:18: 'unset' is no attribute data type; use unsigned, "
       "integer, single, double, ascii or delimited"},
      {".attribute a var ascii 256 read r", "1:24: a size must be from 0 to 255"},
      {".attribute a var double read r write q",
       "1:38: no label 'q' is defined for the attribute \"a\""},
      {".attribute a var double read r colour \"red\"",
       "1:32: unexpected 'colour'; an attribute goes on with read, write, comment, tip or "
       "duplicate"},
  };
  for (const auto& [source, expected] : cases)
    EXPECT_EQ(firstError(std::string(source) + "\nr: stop\n"), expected) << source;
}

// ---- Debug lines

TEST(AssemblerDebugLines, FollowTheSourceLinesUnlessPinnedOrSwitchedOff) {
  const auto p = assemble(
      "; line 1\n"
      "  NOP\n"  // 2
      "\r\n"     // 3: CR LF ends one line
      "  NOP\r"  // 4: so does a lone CR
      "  NOP\n"  // 5
      ".line 100\n"
      "  NOP\n"  // 100
      "\n"
      "  NOP\n"  // 102
      ".lines off\n"
      "  NOP\n"  // none
      ".lines on\n"
      "  NOP\n"  // 106: the count went on while off
      ".line 32767\n"
      "  stop\n");
  const std::vector<Integer> expected = {2, 4, 5, 100, 102, 0, 106, 32767};
  ASSERT_EQ(std::size_t(p.numInstructions()), expected.size());
  for (Integer i = 1; i <= p.numInstructions(); ++i)
    EXPECT_EQ(p.codeDebugInfo(i), expected[std::size_t(i - 1)]) << i;
}

// ---- Diagnostics

// Names, declarations and directives, each reported at the place it went wrong.
TEST(AssemblerDiagnostics, DeclarationProblemsAreReportedWhereTheyStand) {
  const std::pair<const char*, const char*> cases[] = {
      {".var none\nstop\n", "1:6: 'none' is a reserved word and cannot name a variable"},
      {".var P_X\nstop\n", "1:6: 'P_X' is a reserved word and cannot name a variable"},
      {"duplicate: stop\n", "1:1: 'duplicate' is a reserved word and cannot name a label"},
      {"stop\nend:\n", "2:1: label 'end' marks no instruction"},
      {"top: .var x\nstop\n", "1:6: a directive cannot follow a label"},
      // Names are told apart by case; the vocabulary's words are not.
      {".var X\nload x\n", "2:6: 'x' is not a declared variable, literal or label"},
      {".var a integer debug\nstop\n",
       "1:21: expected the debug name in double quotes, found the end of the line"},
      {".var a\n.var b\n.memory 1\nstop\n",
       "3:1: .memory 1 is fewer than the 2 variables declared"},
      {".memory 2\n.memory 3\nstop\n", "2:1: .memory was already given on line 1"},
      {".memory 32768\nstop\n", "1:9: .memory must be from 0 to 32767"},
      {".property a \"1\"\n.property A \"2\"\nstop\n",
       "2:1: A already exists in this program. (program error 10012); end the line with "
       "'duplicate' to keep both"},
      {".property \"\" \"1\"\nstop\n", "1:11: a property name cannot be empty"},
      {".property a b\nstop\n", "1:13: expected the property's value in double quotes, found 'b'"},
      {".routine initialise\ninitialise: stop\n",
       "1:1: \"initialise\" is not a valid routine name. (program error 10010)"},
      {".routine init\n.routine init\ninit: stop\n",
       "2:1: initis the name of an existing routine, and will not be added. (program error "
       "10013); end the line with 'duplicate' to keep both"},
      {".routine init\nstop\n", "1:10: no label 'init' is defined for the routine 'init'"},
      {".var x\n.routine init x\nstop\n", "2:15: 'x' is a variable, not a label"},
      {".line 32767\nNOP\nstop\n",
       "3:1: this instruction's debug line 32768 is outside 1 to 32767; use .line or .lines off"},
      {".line 0\nstop\n", "1:7: .line must be from 1 to 32767"},
      {".lines maybe\nstop\n", "1:8: .lines takes 'on' or 'off'"},
      {".var a\n; nothing else\n",
       "1:1: the script has no instructions; a program needs at least one"}};
  for (const auto& [source, expected] : cases)
    EXPECT_EQ(firstError(source), expected) << source;
}

// A name defined twice is reported at each repeat; a variable whose line goes wrong is still
// declared, so its uses are not reported again; an empty source has no instructions.
TEST(AssemblerDiagnostics, EachProblemIsReportedOnce) {
  EXPECT_EQ(errorsOf(".var x\n.var x\n.literal x 1\nx: stop\n"),
            (std::vector<std::string>{"2:6: 'x' is already defined as a variable on line 1",
                                      "3:10: 'x' is already defined as a variable on line 1",
                                      "4:1: 'x' is already defined as a variable on line 1"}));
  EXPECT_EQ(errorsOf(".var a blob\nload a\n"),
            (std::vector<std::string>{"1:8: 'blob' is no data type; use unsigned, integer, "
                                      "single, double, ascii, delimited or unset"}));
  EXPECT_EQ(errorsOf(""),
            (std::vector<std::string>{
                "1:1: the script has no instructions; a program needs at least one"}));
}

TEST(AssemblerDiagnostics, EveryBadLineIsReportedInSourceOrder) {
  const auto errors = errorsOf(
      ".var a\n"
      "  load missing\n"  // found while building
      ".propert x \"y\"\n"
      "  load a a\n"
      "  @\n"
      "  stop\n");
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "2:8: 'missing' is not a declared variable, literal or label",
                        "3:1: unknown directive '.propert'; the directives are .property, .var, "
                        ".literal, .memory, .routine, .attribute, .line and .lines",
                        "4:10: unexpected 'a' after the operand",
                        "5:3: unexpected character '@'",
                    }));
}

TEST(AssemblerDiagnostics, CollectingStopsAfterAHundred) {
  std::string source;
  for (int i = 0; i < 150; ++i)
    source += "bad line\n";
  const auto errors = errorsOf(source);
  ASSERT_EQ(errors.size(), kMaxScriptDiagnostics + 1);
  EXPECT_EQ(errors.front(), "1:1: unknown instruction 'bad'");
  EXPECT_EQ(errors.back(), "101:1: too many errors; stopping here");
}

TEST(AssemblerDiagnostics, TheErrorCarriesFileLineAndColumn) {
  try {
    assembleProgram("stop\n  load x\n", "scripts/a.tgs");
    FAIL();
  } catch (const ScriptSourceError& error) {
    EXPECT_EQ(error.number(), TG_P_E_INVALIDDATAERROR);
    EXPECT_EQ(error.source(), "assembleProgram");
    ASSERT_EQ(error.diagnostics().size(), 1u);
    EXPECT_EQ(error.diagnostics()[0].format(),
              "scripts/a.tgs:2:8: error: 'x' is not a declared variable, literal or label");
    EXPECT_EQ(error.description(), error.diagnostics()[0].format());
  }
}

TEST(AssemblerDiagnostics, AProgramCannotHoldMoreThan32767Instructions) {
  std::string source = ".lines off\n.routine init\ninit: NOP\n";
  for (int i = 1; i < 32768; ++i)
    source += "goto init\n";
  EXPECT_EQ(errorsOf(source), (std::vector<std::string>{"32770:1: Overflow (program error 6)"}));
}

TEST(AssemblerDiagnostics, AnUnreadableFileIsAWholeFileError) {
  try {
    assembleFile("/nonexistent/folder/x.tgs");
    FAIL();
  } catch (const ScriptSourceError& error) {
    EXPECT_EQ(error.description(),
              "/nonexistent/folder/x.tgs: error: cannot open the script "
              "source file");
  }
}

}  // namespace
}  // namespace tg
