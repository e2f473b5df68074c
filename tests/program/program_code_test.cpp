// Instructions, tags, debug lines and variable memory of a program.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

// Three NOPs told apart by their operands, the second tagged "c_a" and on line 20.
TessaglyphProgram threeInstructions() {
  TessaglyphProgram p;
  for (const char* operand : {"1", "2", "3"})
    p.addInstruction(op(TG_M_I_NOP, operand, TG_P_DS_DATA));
  p.tag(2);
  p.setCodeDebugInfo(2, 20);
  return p;
}

// The instructions' operands, each with "@tag" when tagged and "#line" when it has a debug line.
std::string layout(const TessaglyphProgram& p) {
  std::string text;
  for (Integer i = 1; i <= p.numInstructions(); ++i) {
    text += (i > 1 ? " " : "") + p.instructions(i).operand;
    if (!p.instructionTag(i).empty()) text += "@" + p.instructionTag(i);
    if (p.codeDebugInfo(i) != 0) text += "#" + std::to_string(p.codeDebugInfo(i));
  }
  return text;
}

// Without a position, below 1 or one past the end, at the end; tags and lines move along.
TEST(ProgramCode, InstructionsAreInsertedOrAppended) {
  const std::pair<std::optional<Integer>, const char*> rows[] = {{1, "new 1 2@c_a#20 3"},
                                                                 {3, "1 2@c_a#20 new 3"},
                                                                 {std::nullopt, "1 2@c_a#20 3 new"},
                                                                 {0, "1 2@c_a#20 3 new"},
                                                                 {4, "1 2@c_a#20 3 new"}};
  for (const auto& [at, expected] : rows) {
    auto p = threeInstructions();
    const Integer added = p.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), at);
    EXPECT_EQ(layout(p), expected);
    EXPECT_EQ(p.instructions(added).operand, "new");
  }
  // Further on it is refused before an explicit address could grow the memory.
  auto q = threeInstructions();
  EXPECT_TRUE(refused([&] { q.addInstruction(op(TG_M_I_LOAD, "500", TG_P_DS_EXPLICIT), 5); }, q, 9,
                      "Subscript out of range"));
}

// Tags are handed out once, guard their instruction, and an empty tag is never found.
TEST(ProgramCode, TagsAreHandedOutOnceAndGuardTheirInstruction) {
  auto p = threeInstructions();
  EXPECT_TRUE(refused([&] { p.removeInstruction(2); }, p, 10015,
                      "Instruction 2 is currently tagged as c_a, and will not be removed.  You "
                      "must first remove the tag with the untag() method."));
  EXPECT_EQ(p.tag(3), "c_b");
  EXPECT_TRUE(refused([&] { p.tag(3); }, p, 10016, "3 has already been tagged as c_b."));
  p.untag("c_b");
  EXPECT_EQ(p.tag(3), "c_c");
  EXPECT_EQ(p.tagInstruction("C_C"), 3);
  EXPECT_EQ(p.tagInstruction("c_b"), 0);
  EXPECT_EQ(p.tagInstruction("   "), 0);
  EXPECT_TRUE(refused([&] { p.untag("c_q"); }, p, 10007, "c_q is not an existing tag."));
  p.untag("C_A");
  p.removeInstruction(2);
  EXPECT_EQ(layout(p), "1 3@c_c");
}

// Code operands, routines and both attribute locations count; other segments and a STOP do not.
TEST(ProgramCode, UntagIsRefusedWhileAnythingReferencesTheTag) {
  auto p = threeInstructions();
  p.tag(3);
  const auto expectReferences = [&](int count) {
    EXPECT_TRUE(refused([&] { p.untag("c_a"); }, p, 10015,
                        "c_a is being referenced " + std::to_string(count) +
                            " time(s) in your program.  Please remove all these references "
                            "before you attempt to untag the instruction."));
  };
  p.addInstruction(op(TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION));
  expectReferences(1);
  p.addInstruction(op(TG_M_I_GOSUB, "C_A", TG_P_DS_INSTRUCTION));
  p.addRoutine({"init", "c_a"});
  p.addAttribute(attribute("datapoint", "c_a"));
  p.addAttribute(attribute("elevation", "c_b", "c_a"));
  p.addInstruction(op(TG_M_I_NOP, "c_a", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "c_a", TG_P_DS_INSTRUCTION));
  expectReferences(5);
}

TEST(ProgramCode, DebugLinesAreSetAndRemoved) {
  auto p = threeInstructions();
  p.setCodeDebugInfo(1, 7);
  p.setCodeDebugInfo(3, 7);
  p.setCodeDebugInfo(3, 0);
  p.removeCodeDebugInfo(2);
  EXPECT_EQ(layout(p), "1#7 2@c_a 3");
  EXPECT_TRUE(refused([&] { p.setCodeDebugInfo(3, -3); }, p, 10010,
                      "-3 is not a valid debug line number.  You must use some positive integer, "
                      "or 0 to remove the debugging information for the given instruction."));
}

// Each segment checks its operand; STOP and NOP carry none that matters. "" accepts.
TEST(ProgramCode, EachSegmentChecksItsOperand) {
  const std::string in = "An instruction in data segment TG_P_DS_";
  // clang-format off
  const std::pair<TG_P_INSTRUCTION, std::string> rows[] = {
      {op(TG_M_I_LOAD, " V_C ", TG_P_DS_DATA), ""},
      {op(TG_M_I_LOAD, "", TG_P_DS_DATA), in + "DATA must have an operand that points to an existing, named variable."},
      {op(TG_M_I_LOAD, "l_b", TG_P_DS_CONSTANT), ""},
      {op(TG_M_I_LOAD, "v_a", TG_P_DS_CONSTANT), in + "CONSTANT must have an operand that points to an existing, named constant."},
      {op(TG_M_I_GOTO, "c_b", TG_P_DS_INSTRUCTION), ""},
      {op(TG_M_I_GOTO, "", TG_P_DS_INSTRUCTION), in + "INSTRUCTION must have an operand that points to an existing, tagged instruction."},
      {op(TG_M_I_LOAD, " REGISTER ", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "P_FileTitle", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "p_nosuch", TG_P_DS_PREDEFINED), "An instruciton in data segment TG_P_DS_PREDEFINED must have an operand that points to either the register (\"register\") or one of the predefined variables (prefixed with \"p_\")."},
      {op(TG_M_I_LOAD, "12", TG_P_DS_EXPLICIT), ""},
      {op(TG_M_I_LOAD, "abc", TG_P_DS_EXPLICIT), "An invalid explicit memory address was specified"},
      {op(TG_M_I_GOTO, "3", TG_P_DS_EXPLICITCODE), ""},
      {op(TG_M_I_GOTO, "c_a", TG_P_DS_EXPLICITCODE), "An invalid explicit code address was specified"},
      {op(TG_M_I_LOAD, "v_a", TG_P_DATASEGMENTS(6)), "6 is not a valid data segment."},
      {op(TG_M_INSTRUCTIONS(76), "v_a", TG_P_DS_DATA), "76 is not a valid opcode."},
      {op(TG_M_INSTRUCTIONS(-1), "v_q", TG_P_DS_DATA), "-1 is not a valid opcode."},
      {op(TG_M_I_STOP, "anything", TG_P_DATASEGMENTS(9)), ""},
      {op(TG_M_I_NOP, "anything", TG_P_DATASEGMENTS(9)), ""}};
  // clang-format on
  for (const auto& [instruction, message] : rows) {
    SCOPED_TRACE(std::to_string(instruction.instruction) + " [" + instruction.operand + "] in " +
                 std::to_string(instruction.dataSegment));
    auto p = smallProgram();
    p.setNeededMemory(5);  // two unnamed variables after v_a..v_c
    if (message.empty()) {
      EXPECT_EQ(p.addInstruction(instruction, Integer(1)), 1);
      p.setInstructions(2, instruction);
      // The new instruction is untagged; a replaced one leaves its tag on the position.
      EXPECT_EQ(tags(p), "- c_a - c_b - - -");
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addInstruction(instruction); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setInstructions(1, instruction); }, p, 10010, message));
  }
}

// An explicit address past the end grows the memory without a floor, or overflows.
TEST(ProgramCode, AnExplicitAddressPastTheEndGrowsTheMemory) {
  auto p = smallProgram();  // 2 literals, 3 variables: the last address is 15 + 2 + 3 = 20
  p.setVarDebugInfo("v_c", "count");
  p.addInstruction(op(TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 3);
  p.addInstruction(op(TG_M_I_LOAD, "21", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 4);
  p.setInstructions(8, op(TG_M_I_LOAD, "25", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.variableDebugName("v_c"), "count");
  EXPECT_EQ(p.addVariable(), "v_d");
  EXPECT_EQ(p.getVariableAddress("v_d"), 26);
  p.removeVariable("v_a");
  EXPECT_EQ(memory(p), "v_b v_c - - - - - v_d");
  for (const char* address : {"40000", "1E12"}) {
    EXPECT_TRUE(refused([&] { p.addInstruction(op(TG_M_I_LOAD, address, TG_P_DS_EXPLICIT)); }, p, 6,
                        "Overflow"));
  }
}

// Setting the memory only grows it and sets the floor a removal keeps it at.
TEST(ProgramCode, NeededMemoryOnlyGrowsAndSetsTheFloor) {
  TessaglyphProgram p;
  p.addVariable();
  p.addVariable();
  EXPECT_TRUE(refused([&] { p.setNeededMemory(1); }, p, 10010,
                      "The new value for the amount of needed memory must be greater than the "
                      "existing value."));
  p.setNeededMemory(4);
  p.removeVariable("v_a");
  EXPECT_EQ(memory(p), "v_b - - -");
  EXPECT_EQ(p.addVariable(), "v_c");
  p.removeVariable("v_c");
  EXPECT_EQ(p.addVariable(), "v_d");
  p.removeVariable("v_b");
  EXPECT_EQ(memory(p), "- - - v_d");
  TessaglyphProgram q;
  for (int i = 0; i < 3; ++i)
    q.addVariable();
  q.setNeededMemory(3);
  q.removeVariable("v_a");
  EXPECT_EQ(memory(q), "v_b v_c");
}

// Variables follow the literals and move down on a removal; a referenced one stays.
TEST(ProgramCode, VariableAddressesAndRemoval) {
  TessaglyphProgram empty;
  EXPECT_EQ(empty.addVariable(), "v_a");
  EXPECT_EQ(empty.getVariableAddress("v_a"), 16);
  auto p = smallProgram();
  p.setVariableType("v_c", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("V_C", "height");
  EXPECT_EQ(p.getVariableAddress("v_c"), 20);
  p.removeVariable("v_a");
  EXPECT_EQ(linesOf(snapshot(p), "variable"), "variable v_b 0 \nvariable v_c 4 height\n");
  EXPECT_EQ(p.getVariableAddress("V_C"), 19);
  EXPECT_EQ(p.instructions(1).operand, "v_b");
  const std::string referenced =
      " cannot be removed because it is still being referenced.  Remove any references to this "
      "variable before attempting to remove.";
  EXPECT_TRUE(refused([&] { p.removeVariable("V_B"); }, p, 10015, "V_B" + referenced));
  p.addInstruction(op(TG_M_I_STOP, "v_c", TG_P_DS_DATA));
  EXPECT_TRUE(raises([&] { p.removeVariable("v_c"); }, 10015, "v_c" + referenced));
}

TEST(ProgramCode, VariableTypesNamesAndTheirRefusals) {
  auto p = smallProgram();
  p.setNeededMemory(4);  // an unnamed fourth variable, which "" must not find
  p.setVarDebugInfo("v_a", "fields");
  p.removeVarDebugInfo("V_A");
  EXPECT_EQ(p.variableDebugName("v_a"), "");
  const std::string unknown = "v_q is not an existing variable name.";
  const std::tuple<std::function<void()>, int, std::string> rows[] = {
      {[&] { p.setVariableType("v_a", TG_P_DT_DEFAULTASCII); }, 10010,
       "You cannot use the TG_P_DT_DEFAULTASCII data type to initialize variables.  Use "
       "TG_P_DT_ASCII or TG_P_DT_DELIMITEDASCII instead."},
      {[&] { p.setVariableType("v_a", TG_P_DATATYPES(7)); }, 10010, "7 is not a valid data type."},
      {[&] { p.setVariableType("v_a", TG_P_DATATYPES(-2)); }, 10010,
       "-2 is not a valid data type."},
      {[&] { p.variableType("v_q"); }, 10009, unknown},
      {[&] { p.getVariableAddress(""); }, 10009, " is not the name of an existing variable."}};
  for (const auto& [call, number, message] : rows)
    EXPECT_TRUE(refused(call, p, number, message));
}

}  // namespace
}  // namespace tg::test
