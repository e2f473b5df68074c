// Program images written and read back: a program using every opcode, data segment, data type
// and attribute kind survives write, read, write byte for byte; literal values keep their
// numbers.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "program/program_file_test_support.hpp"
#include "program/program_test_support.hpp"
#include "support/file_layer.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {
namespace {

using test::op;

TG_P_ATTRIBUTE attributeOf(std::string name, TG_P_ATTRIBUTETYPES kind, TG_P_DATATYPES type,
                           Byte size, std::string read, std::string write) {
  TG_P_ATTRIBUTE a;
  a.name = std::move(name);
  a.attributeType = kind;
  a.dataType = type;
  a.size = size;
  a.readLocation = std::move(read);
  a.writeLocation = std::move(write);
  a.commentString = "comment of " + a.name;
  a.tipString = "tip";
  if (type == TG_P_DT_DELIMITEDASCII) a.delimiterList = Array<std::string>(1, {",", "\t", ""});
  return a;
}

// A program that uses every opcode, every data segment, every literal and variable data type and
// every attribute kind, with properties holding every byte value and debug information.
TessaglyphProgram everything() {
  TessaglyphProgram p;
  std::string allBytes;
  for (int b = 0; b < 256; ++b)
    allBytes.push_back(char(b));
  p.addScriptProperty({"gridtype", "utm"});
  p.addScriptProperty({"bytes", allBytes});
  p.addScriptProperty({"empty", ""});

  p.addLiteral({TG_P_DT_UNSIGNEDINTEGER, 1, "200"});
  p.addLiteral({TG_P_DT_INTEGER, 2, "-123"});
  p.addLiteral({TG_P_DT_INTEGER, 4, "100000"});
  p.addLiteral({TG_P_DT_SINGLE, 4, "0.1"});
  p.addLiteral({TG_P_DT_DOUBLE, 8, "0.1"});
  p.addLiteral({TG_P_DT_ASCII, 5, "hello"});
  p.addLiteral({TG_P_DT_ASCII, 0, ""});
  const auto numLiterals = p.numLiterals();

  for (int v = 0; v < 9; ++v)
    p.addVariable();
  p.setVariableType("v_a", TG_P_DT_UNSIGNEDINTEGER);
  p.setVariableType("v_b", TG_P_DT_INTEGER);
  p.setVariableType("v_c", TG_P_DT_SINGLE);
  p.setVariableType("v_d", TG_P_DT_DOUBLE);
  p.setVariableType("v_e", TG_P_DT_ASCII);
  p.setVariableType("v_f", TG_P_DT_DELIMITEDASCII);
  p.setVarDebugInfo("v_b", "row");
  p.setVarDebugInfo("v_i", "last one");

  // Every opcode once, its segment cycling through the six. The first instruction is tagged
  // at once so that INSTRUCTION operands have a tag to name.
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  const auto first = p.tag(1);
  for (int opcode = TG_M_I_VALID_MIN; opcode <= TG_M_I_VALID_MAX; ++opcode) {
    if (opcode == TG_M_I_STOP || opcode == TG_M_I_NOP) continue;
    const auto code = TG_M_INSTRUCTIONS(opcode);
    switch (opcode % 6) {
      case TG_P_DS_DATA:
        p.addInstruction(op(code, "v_" + std::string(1, char('a' + opcode % 9)), TG_P_DS_DATA));
        break;
      case TG_P_DS_INSTRUCTION:
        p.addInstruction(op(code, first, TG_P_DS_INSTRUCTION));
        break;
      case TG_P_DS_CONSTANT:
        p.addInstruction(
            op(code, "l_" + std::string(1, char('a' + opcode % numLiterals)), TG_P_DS_CONSTANT));
        break;
      case TG_P_DS_PREDEFINED:
        p.addInstruction(op(code, opcode % 4 == 0 ? "register" : "p_x", TG_P_DS_PREDEFINED));
        break;
      case TG_P_DS_EXPLICIT:
        // Cycles through a predefined variable, a literal and a variable.
        p.addInstruction(op(code,
                            std::to_string(opcode % 3 == 0   ? 5
                                           : opcode % 3 == 1 ? 18
                                                             : 25),
                            TG_P_DS_EXPLICIT));
        break;
      default:
        p.addInstruction(op(code, std::to_string(opcode % 10), TG_P_DS_EXPLICITCODE));
        break;
    }
  }
  p.addInstruction(op(TG_M_I_NOP, "12", TG_P_DS_EXPLICIT));
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_PREDEFINED));
  const auto count = p.numInstructions();
  const auto middle = p.tag(30);
  const auto last = p.tag(count);
  p.setInstructions(count - 2, op(TG_M_I_GOSUB, middle, TG_P_DS_INSTRUCTION));
  p.setInstructions(count - 1, op(TG_M_I_GOTO, last, TG_P_DS_INSTRUCTION));
  p.setCodeDebugInfo(1, 1);
  p.setCodeDebugInfo(2, 7);
  p.setCodeDebugInfo(count, 32767);

  p.addRoutine({"init", first});
  p.addRoutine({"terminate", last});
  p.addRoutine({"datum_xcon", middle});
  p.addAttribute(attributeOf("datapoint", TG_P_AT_DATAPOINT, TG_P_DT_INTEGER, 4, middle, last));
  p.addAttribute(
      attributeOf("fields", TG_P_AT_REPEATINGVAR, TG_P_DT_DELIMITEDASCII, 0, first, "-1"));
  p.addAttribute(attributeOf("flag", TG_P_AT_VAR, TG_P_DT_UNSIGNEDINTEGER, 0, first, first));
  p.addAttribute(attributeOf("short", TG_P_AT_VAR, TG_P_DT_INTEGER, 2, last, "-1"));
  p.addAttribute(attributeOf("scale", TG_P_AT_VAR, TG_P_DT_SINGLE, 0, middle, "-1"));
  p.addAttribute(attributeOf("origin", TG_P_AT_VAR, TG_P_DT_DOUBLE, 0, middle, middle));
  p.addAttribute(attributeOf("label", TG_P_AT_REPEATINGVAR, TG_P_DT_ASCII, 255, last, "-1"));
  return p;
}

using ProgramFileRoundTripTest = test::ProgramFileTest;

TEST_F(ProgramFileRoundTripTest, WriteReadWriteGivesTheSameBytes) {
  auto program = everything();
  const auto first = path("first.tgp");
  const Long end = program.writeProgram(first, 1);
  ASSERT_GT(end, 0);

  TessaglyphProgram back;
  ASSERT_EQ(back.readProgram(first, 1), end);

  const auto second = path("second.tgp");
  ASSERT_EQ(back.writeProgram(second, 1), end);
  EXPECT_EQ(test::readFile(second), test::readFile(first));

  // Every opcode, every segment a file holds (explicit ones resolve to the others), every
  // variable type and every attribute kind made the trip.
  std::set<int> opcodes;
  std::set<int> segments;
  for (Integer i = 1; i <= back.numInstructions(); ++i) {
    opcodes.insert(back.instructions(i).instruction);
    segments.insert(back.instructions(i).dataSegment);
  }
  EXPECT_EQ(opcodes.size(), 76u);
  EXPECT_EQ(segments, (std::set<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(back.variableType("v_f"), TG_P_DT_DELIMITEDASCII);
  // Text variables need no initializer and come back untyped.
  EXPECT_EQ(back.variableType("v_e"), TG_P_DT_DEFAULTASCII);
  // An empty operand is written as 0.
  EXPECT_EQ(back.instructions(1), op(TG_M_I_NOP, "v_a", TG_P_DS_DATA));
  EXPECT_EQ(back.variableDebugName("v_i"), "last one");
  EXPECT_EQ(back.Attributes(2).delimiterList, (Array<std::string>(1, {",", "\t", ""})));
  EXPECT_EQ(back.Attributes(7).size, 255);
  EXPECT_EQ(back.getScriptPropertyByName("bytes"), program.getScriptPropertyByName("bytes"));
  EXPECT_TRUE(ui.prompts.empty());
}

// Literals of every type and size: the text that comes back, the bytes in the file, and a
// second write that gives the same bytes.
TEST_F(ProgramFileRoundTripTest, LiteralsKeepTheirValues) {
  struct Case {
    TG_P_DATATYPES type;
    Integer size;
    std::string value;
    std::string readBack;
    std::string valueBytes;
    // What writing the text read back gives, where that is not valueBytes again: a single
    // comes back with 7 significant digits.
    std::optional<std::string> rewrittenBytes = std::nullopt;
  };
  std::string allBytes;
  for (int b = 255; b >= 0; --b)
    allBytes.push_back(char(b));
  const auto i2 = [](int v) { return test::Bytes().integer(v).str(); };
  const auto i4 = [](std::int64_t v) { return test::Bytes().long_(v).str(); };
  const auto f4 = [](float v) { return test::Bytes().single(v).str(); };
  const auto f8 = [](double v) { return test::Bytes().double_(v).str(); };
  const auto text = [](const std::string& v) { return test::Bytes().string(v).str(); };
  const Case cases[] = {
      {TG_P_DT_UNSIGNEDINTEGER, 1, "0", "0", std::string(1, '\0')},
      {TG_P_DT_UNSIGNEDINTEGER, 1, "255", "255", "\xFF"},
      {TG_P_DT_UNSIGNEDINTEGER, 1, "2.5", "2", "\x02"},
      {TG_P_DT_UNSIGNEDINTEGER, 1, " 3.5 ", "4", "\x04"},
      {TG_P_DT_INTEGER, 2, "-32768", "-32768", i2(-32768)},
      {TG_P_DT_INTEGER, 2, "&H7FFF", "32767", i2(32767)},
      {TG_P_DT_INTEGER, 4, "-2147483648", "-2147483648", i4(-2147483647 - 1)},
      {TG_P_DT_INTEGER, 4, "1E9", "1000000000", i4(1000000000)},
      {TG_P_DT_SINGLE, 4, "0.1", "0.1", f4(0.1f)},
      {TG_P_DT_SINGLE, 4, "3.14159265358979", "3.141593", f4(3.14159265358979f), f4(3.141593f)},
      {TG_P_DT_SINGLE, 4, "-3.402823E+38", "-3.402823E+38", f4(-3.402823e38f)},
      {TG_P_DT_SINGLE, 4, "1E-45", "1.401298E-45", f4(1e-45f)},
      // The double nearest to 0.1, not a single widened.
      {TG_P_DT_DOUBLE, 8, "0.1", "0.1", std::string("\x9A\x99\x99\x99\x99\x99\xB9\x3F", 8)},
      {TG_P_DT_DOUBLE, 8, "123456789012345", "123456789012345", f8(123456789012345.0)},
      {TG_P_DT_DOUBLE, 8, "-2.5E-300", "-2.5E-300", f8(-2.5e-300)},
      {TG_P_DT_ASCII, 3, "abc", "abc", text("abc")},
      {TG_P_DT_ASCII, 0, "", "", text("")},
      {TG_P_DT_ASCII, 256, allBytes, allBytes, text(allBytes)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TessaglyphProgram program;
    program.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
    program.addLiteral({c.type, c.size, c.value});
    const auto at = path("literal.tgp");
    std::filesystem::remove(at);
    const Long end = program.writeProgram(at, 1);
    ASSERT_GT(end, 0);
    const std::string image = test::readFile(at);
    // The literal sits after the routines and attributes counts: count, type, size, value.
    const std::size_t valueAt = 48 + 2 + 1 + (c.type == TG_P_DT_ASCII ? 0 : 2);
    EXPECT_EQ(image.substr(valueAt, c.valueBytes.size()), c.valueBytes);

    TessaglyphProgram back;
    ASSERT_EQ(back.readProgram(at, 1), end);
    EXPECT_EQ(back.literals(1).value, c.readBack);
    EXPECT_EQ(back.literals(1).dataType, c.type);
    EXPECT_EQ(back.literals(1).size, c.size);
    const auto again = path("again.tgp");
    std::filesystem::remove(again);
    ASSERT_EQ(back.writeProgram(again, 1), end);
    auto expected = image;
    if (c.rewrittenBytes) expected.replace(valueAt, c.rewrittenBytes->size(), *c.rewrittenBytes);
    EXPECT_EQ(test::readFile(again), expected);
  }
}

}  // namespace
}  // namespace tg
