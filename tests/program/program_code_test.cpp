// Instructions, tags, debug lines and variable memory of a program.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

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

TEST(ProgramInstructions, InsertedAtAPositionOrAppendedWithTagsAndLinesMovingAlong) {
  auto p = threeInstructions();
  EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), Integer(1)), 1);
  EXPECT_EQ(layout(p), "new 1 2@c_a#20 3");
  EXPECT_EQ(p.tagInstruction("c_a"), 3);
  // Without a position, or with one below 1, at the end; one past the end appends as well.
  for (const std::optional<Integer> at : {std::optional<Integer>(), std::optional<Integer>(0),
                                          std::optional<Integer>(-1), std::optional<Integer>(4)}) {
    auto q = threeInstructions();
    EXPECT_EQ(q.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), at), 4);
    EXPECT_EQ(layout(q), "1 2@c_a#20 3 new");
  }
  EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "mid", TG_P_DS_DATA), Integer(3)), 3);
  EXPECT_EQ(layout(p), "new 1 mid 2@c_a#20 3");
  // Further on it is refused before an explicit address could grow the memory.
  auto q = threeInstructions();
  EXPECT_TRUE(
      refused([&] { q.addInstruction(op(TG_M_I_LOAD, "500", TG_P_DS_EXPLICIT), Integer(5)); }, q, 9,
              "Subscript out of range"));
}

TEST(ProgramInstructions, ATaggedInstructionIsRemovedOnlyOnceUntagged) {
  auto p = threeInstructions();
  EXPECT_TRUE(refused([&] { p.removeInstruction(2); }, p, 10015,
                      "Instruction 2 is currently tagged as c_a, and will not be removed.  You "
                      "must first remove the tag with the untag() method."));
  p.untag("C_A");
  p.removeInstruction(2);
  EXPECT_EQ(layout(p), "1 3");
}

TEST(ProgramTags, HandedOutInOrderAndNeverTwice) {
  auto p = threeInstructions();
  EXPECT_EQ(p.tag(3), "c_b");
  EXPECT_TRUE(refused([&] { p.tag(3); }, p, 10016, "3 has already been tagged as c_b."));
  p.untag("c_b");
  EXPECT_EQ(p.tag(3), "c_c");
  EXPECT_EQ(p.tagInstruction("C_C"), 3);
  EXPECT_EQ(p.tagInstruction("c_b"), 0);
  // Untagged instructions carry an empty tag, which no lookup may find.
  EXPECT_EQ(p.tagInstruction(""), 0);
  EXPECT_EQ(p.tagInstruction("   "), 0);
  EXPECT_TRUE(refused([&] { p.untag(""); }, p, 10007, " is not an existing tag."));
  EXPECT_TRUE(refused([&] { p.untag("c_q"); }, p, 10007, "c_q is not an existing tag."));
}

TEST(ProgramTags, UntagIsRefusedWhileAnythingReferencesTheTag) {
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
  expectReferences(3);
  p.addAttribute(attribute("datapoint", "c_a"));
  expectReferences(4);
  p.addAttribute(attribute("elevation", "c_b", "c_a"));
  expectReferences(5);
  // Operands of other segments, and a STOP's, are no references.
  p.addInstruction(op(TG_M_I_NOP, "c_a", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "c_a", TG_P_DS_INSTRUCTION));
  expectReferences(5);
}

TEST(ProgramDebugLines, SetAndRemove) {
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

constexpr const char* kDataMessage =
    "An instruction in data segment TG_P_DS_DATA must have an operand that points to an existing, "
    "named variable.";
constexpr const char* kConstantMessage =
    "An instruction in data segment TG_P_DS_CONSTANT must have an operand that points to an "
    "existing, named constant.";
constexpr const char* kInstructionMessage =
    "An instruction in data segment TG_P_DS_INSTRUCTION must have an operand that points to an "
    "existing, tagged instruction.";
constexpr const char* kPredefinedMessage =
    "An instruciton in data segment TG_P_DS_PREDEFINED must have an operand that points to either "
    "the register (\"register\") or one of the predefined variables (prefixed with \"p_\").";
constexpr const char* kExplicitMessage = "An invalid explicit memory address was specified";

TEST(ProgramInstructionValidation, EachSegmentChecksItsOperand) {
  // The unnamed variables a memory size adds can never be named by an operand; STOP and NOP
  // carry no operand that matters.
  const std::pair<TG_P_INSTRUCTION, std::string> cases[] = {
      {op(TG_M_I_LOAD, "v_c", TG_P_DS_DATA), ""},
      {op(TG_M_I_LOAD, " V_C ", TG_P_DS_DATA), ""},
      {op(TG_M_I_LOAD, "v_q", TG_P_DS_DATA), kDataMessage},
      {op(TG_M_I_LOAD, "", TG_P_DS_DATA), kDataMessage},
      {op(TG_M_I_LOAD, "l_a", TG_P_DS_DATA), kDataMessage},
      {op(TG_M_I_LOAD, "l_b", TG_P_DS_CONSTANT), ""},
      {op(TG_M_I_LOAD, "l_c", TG_P_DS_CONSTANT), kConstantMessage},
      {op(TG_M_I_LOAD, "v_a", TG_P_DS_CONSTANT), kConstantMessage},
      {op(TG_M_I_GOTO, "c_b", TG_P_DS_INSTRUCTION), ""},
      {op(TG_M_I_GOTO, "c_c", TG_P_DS_INSTRUCTION), kInstructionMessage},
      {op(TG_M_I_GOTO, "", TG_P_DS_INSTRUCTION), kInstructionMessage},
      {op(TG_M_I_LOAD, " REGISTER ", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "p_x", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "P_FileTitle", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "x", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "p_nosuch", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "p_", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "12", TG_P_DS_EXPLICIT), ""},
      {op(TG_M_I_LOAD, "abc", TG_P_DS_EXPLICIT), kExplicitMessage},
      {op(TG_M_I_LOAD, "", TG_P_DS_EXPLICIT), kExplicitMessage},
      {op(TG_M_I_GOTO, "3", TG_P_DS_EXPLICITCODE), ""},
      {op(TG_M_I_GOTO, "c_a", TG_P_DS_EXPLICITCODE),
       "An invalid explicit code address was specified"},
      {op(TG_M_I_LOAD, "v_a", TG_P_DATASEGMENTS(6)), "6 is not a valid data segment."},
      {op(TG_M_INSTRUCTIONS(76), "v_a", TG_P_DS_DATA), "76 is not a valid opcode."},
      {op(TG_M_INSTRUCTIONS(-1), "v_q", TG_P_DS_DATA), "-1 is not a valid opcode."},
      {op(TG_M_I_STOP, "anything", TG_P_DATASEGMENTS(9)), ""},
      {op(TG_M_I_NOP, "anything", TG_P_DATASEGMENTS(9)), ""}};
  for (const auto& [instruction, message] : cases) {
    SCOPED_TRACE(std::to_string(instruction.instruction) + " [" + instruction.operand + "] in " +
                 std::to_string(instruction.dataSegment));
    auto p = smallProgram();
    p.setNeededMemory(5);  // two unnamed variables after v_a..v_c
    if (message.empty()) {
      EXPECT_EQ(p.addInstruction(instruction, Integer(1)), 1);
      p.setInstructions(2, instruction);
      EXPECT_EQ(p.instructions(2), instruction);
      // The new instruction is untagged; a replaced one leaves its tag on the position.
      EXPECT_EQ(tags(p), "- c_a - c_b - - -");
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addInstruction(instruction); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setInstructions(1, instruction); }, p, 10010, message));
  }
}

TEST(ProgramInstructionValidation, AnExplicitAddressPastTheEndGrowsTheMemoryWithoutAFloor) {
  auto p = smallProgram();  // 2 literals, 3 variables: the last address is 15 + 2 + 3 = 20
  p.setVarDebugInfo("v_c", "count");
  p.addInstruction(op(TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 3);
  p.addInstruction(op(TG_M_I_LOAD, "21", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 4);
  p.setInstructions(8, op(TG_M_I_LOAD, "25", TG_P_DS_EXPLICIT));  // the last variable's
  EXPECT_EQ(memory(p), "v_a v_b v_c - - - - -");
  EXPECT_EQ(p.variableDebugName("v_c"), "count");
  EXPECT_EQ(p.addVariable(), "v_d");
  EXPECT_EQ(p.getVariableAddress("v_d"), 26);
  p.removeVariable("v_a");  // no floor: removing a variable shrinks
  EXPECT_EQ(memory(p), "v_b v_c - - - - - v_d");
  // Beyond any memory the address overflows.
  for (const char* address : {"40000", "1E12"}) {
    EXPECT_TRUE(refused([&] { p.addInstruction(op(TG_M_I_LOAD, address, TG_P_DS_EXPLICIT)); }, p, 6,
                        "Overflow"));
  }
}

TEST(ProgramVariables, NeededMemoryOnlyGrowsAndSetsTheFloor) {
  TessaglyphProgram p;
  p.addVariable();
  p.addVariable();
  EXPECT_TRUE(refused([&] { p.setNeededMemory(1); }, p, 10010,
                      "The new value for the amount of needed memory must be greater than the "
                      "existing value."));
  p.setNeededMemory(4);
  EXPECT_EQ(memory(p), "v_a v_b - -");
  // Removing a variable keeps the size up to the floor, 4, freeing the last slot; above the
  // floor the memory shrinks again.
  p.removeVariable("v_a");
  EXPECT_EQ(memory(p), "v_b - - -");
  EXPECT_EQ(p.addVariable(), "v_c");
  p.removeVariable("v_c");
  EXPECT_EQ(memory(p), "v_b - - -");
  EXPECT_EQ(p.addVariable(), "v_d");
  p.removeVariable("v_b");
  EXPECT_EQ(memory(p), "- - - v_d");
  // Setting the size it already has sets no floor.
  TessaglyphProgram q;
  for (int i = 0; i < 3; ++i)
    q.addVariable();
  q.setNeededMemory(3);
  q.removeVariable("v_a");
  EXPECT_EQ(memory(q), "v_b v_c");
}

TEST(ProgramVariables, AddressesFollowTheLiteralsAndRemovalMovesEverythingDown) {
  TessaglyphProgram empty;
  EXPECT_EQ(empty.addVariable(), "v_a");
  EXPECT_EQ(empty.getVariableAddress("v_a"), 16);
  auto p = smallProgram();
  p.setVariableType("v_a", TG_P_DT_INTEGER);
  p.setVariableType("v_c", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("V_C", "height");
  EXPECT_EQ(p.getVariableAddress("v_c"), 20);
  p.removeVariable("v_a");
  EXPECT_EQ(memory(p), "v_b v_c");
  EXPECT_EQ(p.variableType("v_c"), TG_P_DT_DOUBLE);
  EXPECT_EQ(p.variableDebugName("v_c"), "height");
  EXPECT_EQ(p.variableType("v_b"), TG_P_DT_DEFAULTASCII);
  EXPECT_EQ(p.getVariableAddress("v_b"), 18);
  EXPECT_EQ(p.getVariableAddress("V_C"), 19);
  // The operand naming v_b still does, wherever v_b now lives.
  EXPECT_EQ(p.instructions(1).operand, "v_b");
}

TEST(ProgramVariables, AReferencedVariableStays) {
  auto p = smallProgram();
  EXPECT_TRUE(refused([&] { p.removeVariable("V_B"); }, p, 10015,
                      "V_B cannot be removed because it is still being referenced.  Remove any "
                      "references to this variable before attempting to remove."));
  // A STOP's DATA operand is a reference too.
  p.addInstruction(op(TG_M_I_STOP, "v_a", TG_P_DS_DATA));
  EXPECT_TRUE(raises([&] { p.removeVariable("v_a"); }, 10015,
                     "v_a cannot be removed because it is still being referenced.  Remove any "
                     "references to this variable before attempting to remove."));
  p.removeVariable("v_c");
  EXPECT_EQ(p.neededMemory(), 2);
}

// Types and debug names set and read back are in the address test above.
TEST(ProgramVariables, DebugNamesGoAndTextTypesAreRefused) {
  auto p = smallProgram();
  p.setVarDebugInfo("v_a", "fields");
  p.removeVarDebugInfo("V_A");
  EXPECT_EQ(p.variableDebugName("v_a"), "");
  EXPECT_TRUE(refused([&] { p.setVariableType("v_a", TG_P_DT_DEFAULTASCII); }, p, 10010,
                      "You cannot use the TG_P_DT_DEFAULTASCII data type to initialize variables. "
                      " Use TG_P_DT_ASCII or TG_P_DT_DELIMITEDASCII instead."));
  for (const int type : {7, -2}) {
    EXPECT_TRUE(refused([&] { p.setVariableType("v_a", TG_P_DATATYPES(type)); }, p, 10010,
                        std::to_string(type) + " is not a valid data type."));
  }
}

TEST(ProgramVariables, UnknownNamesAreRefused) {
  auto p = smallProgram();
  p.setNeededMemory(4);  // an unnamed fourth variable, which "" must not find
  const std::string unknown = "v_q is not an existing variable name.";
  const std::pair<std::function<void()>, std::string> calls[] = {
      {[&] { p.variableType("v_q"); }, unknown},
      {[&] { p.variableDebugName("v_q"); }, unknown},
      {[&] { p.setVariableType("v_q", TG_P_DT_ASCII); }, unknown},
      {[&] { p.setVarDebugInfo("v_q", "x"); }, unknown},
      {[&] { p.removeVarDebugInfo("v_q"); }, unknown},
      {[&] { p.removeVariable("v_q"); }, unknown},
      {[&] { p.removeVariable(""); }, " is not an existing variable name."},
      {[&] { p.getVariableAddress("v_q"); }, "v_q is not the name of an existing variable."},
      {[&] { p.getVariableAddress(""); }, " is not the name of an existing variable."}};
  for (const auto& [call, message] : calls) {
    EXPECT_TRUE(refused(call, p, 10009, message));
  }
}

}  // namespace
}  // namespace tg::test
