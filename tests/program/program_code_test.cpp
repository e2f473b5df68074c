// Instructions, tags, debug lines and variable memory of a program.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::attribute;
using test::op;
using test::raises;
using test::smallProgram;
using test::snapshot;

// Three NOPs told apart by their operands, the second tagged "c_a" and on line 20.
TessaglyphProgram threeInstructions() {
  TessaglyphProgram p;
  p.addInstruction(op(TG_M_I_NOP, "1", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_NOP, "2", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_NOP, "3", TG_P_DS_DATA));
  p.tag(2);
  p.setCodeDebugInfo(2, 20);
  return p;
}

TEST(ProgramInstructions, InsertingFirstShiftsTagsAndDebugLinesWithTheirInstructions) {
  auto p = threeInstructions();
  EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), Integer(1)), 1);
  ASSERT_EQ(p.numInstructions(), 4);
  EXPECT_EQ(p.instructions(1).operand, "new");
  EXPECT_EQ(p.instructionTag(1), "");
  EXPECT_EQ(p.codeDebugInfo(1), 0);
  EXPECT_EQ(p.instructions(3).operand, "2");
  EXPECT_EQ(p.instructionTag(3), "c_a");
  EXPECT_EQ(p.codeDebugInfo(3), 20);
  EXPECT_EQ(p.tagInstruction("c_a"), 3);
  EXPECT_EQ(p.instructions(4).operand, "3");
}

TEST(ProgramInstructions, WithoutAPositionTheyAreAppended) {
  for (const std::optional<Integer> atIndex :
       {std::optional<Integer>(), std::optional<Integer>(0), std::optional<Integer>(-1)}) {
    auto p = threeInstructions();
    EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), atIndex), 4);
    EXPECT_EQ(p.instructions(4).operand, "new");
  }
  auto p = threeInstructions();
  EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "new", TG_P_DS_DATA), Integer(4)), 4);
  EXPECT_EQ(p.addInstruction(op(TG_M_I_NOP, "mid", TG_P_DS_DATA), Integer(3)), 3);
  EXPECT_EQ(p.instructions(3).operand, "mid");
}

TEST(ProgramInstructions, APositionPastTheEndIsRefusedBeforeAnythingGrows) {
  auto p = threeInstructions();
  const auto before = snapshot(p);
  EXPECT_TRUE(test::raisesSubscriptOutOfRange(
      [&] { p.addInstruction(op(TG_M_I_LOAD, "500", TG_P_DS_EXPLICIT), Integer(5)); }));
  EXPECT_EQ(snapshot(p), before);
  EXPECT_EQ(p.neededMemory(), 0);
}

TEST(ProgramInstructions, ATaggedInstructionIsRemovedOnlyOnceUntagged) {
  auto p = threeInstructions();
  const auto before = snapshot(p);
  EXPECT_TRUE(raises([&] { p.removeInstruction(2); }, 10015,
                     "Instruction 2 is currently tagged as c_a, and will not be removed.  You must "
                     "first remove the tag with the untag() method."));
  EXPECT_EQ(snapshot(p), before);

  p.untag("C_A");
  EXPECT_EQ(p.instructionTag(2), "");
  p.removeInstruction(2);
  ASSERT_EQ(p.numInstructions(), 2);
  EXPECT_EQ(p.instructions(1).operand, "1");
  EXPECT_EQ(p.instructions(2).operand, "3");
}

TEST(ProgramTags, HandedOutInOrderAndNeverTwice) {
  auto p = threeInstructions();
  EXPECT_EQ(p.tag(3), "c_b");
  EXPECT_TRUE(raises([&] { p.tag(3); }, 10016, "3 has already been tagged as c_b."));
  p.untag("c_b");
  EXPECT_EQ(p.tag(3), "c_c");
  EXPECT_EQ(p.tagInstruction("C_C"), 3);
  EXPECT_EQ(p.tagInstruction("c_b"), 0);
  // Untagged instructions carry an empty tag, which no lookup may find.
  EXPECT_EQ(p.tagInstruction(""), 0);
  EXPECT_EQ(p.tagInstruction("   "), 0);
  EXPECT_TRUE(raises([&] { p.untag(""); }, 10007, " is not an existing tag."));
  EXPECT_TRUE(raises([&] { p.untag("c_q"); }, 10007, "c_q is not an existing tag."));
}

struct TagReferenceCase {
  const char* label;
  std::function<void(TessaglyphProgram&)> reference;  // makes references to "c_a"
  int count;
};

TEST(ProgramTags, UntagIsRefusedWhileAnythingReferencesTheTag) {
  const std::vector<TagReferenceCase> cases = {
      {"two operands",
       [](auto& p) {
         p.addInstruction(op(TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION));
         p.addInstruction(op(TG_M_I_GOSUB, "C_A", TG_P_DS_INSTRUCTION));
       },
       2},
      {"routine location",
       [](auto& p) {
         p.addRoutine({"init", "c_a"});
       },
       1},
      {"attribute read location", [](auto& p) { p.addAttribute(attribute("datapoint", "c_a")); },
       1},
      {"attribute write location",
       [](auto& p) {
         p.tag(3);
         p.addAttribute(attribute("datapoint", "c_b", "c_a"));
       },
       1},
      {"everything at once",
       [](auto& p) {
         p.addInstruction(op(TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION));
         p.addRoutine({"init", "c_a"});
         p.addAttribute(attribute("datapoint", "c_a", "c_a"));
       },
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto p = threeInstructions();
    c.reference(p);
    const auto before = snapshot(p);
    EXPECT_TRUE(raises([&] { p.untag("c_a"); }, 10015,
                       "c_a is being referenced " + std::to_string(c.count) +
                           " time(s) in your program.  Please remove all these references before "
                           "you attempt to untag the instruction."));
    EXPECT_EQ(snapshot(p), before);
  }
}

TEST(ProgramTags, OperandsOfOtherSegmentsAreNoReferences) {
  auto p = threeInstructions();
  p.addInstruction(op(TG_M_I_NOP, "c_a", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "c_a", TG_P_DS_INSTRUCTION));
  p.untag("c_a");
  EXPECT_EQ(p.tagInstruction("c_a"), 0);
}

TEST(ProgramDebugLines, SetAndRemove) {
  auto p = threeInstructions();
  p.setCodeDebugInfo(1, 7);
  EXPECT_EQ(p.codeDebugInfo(1), 7);
  p.setCodeDebugInfo(1, 0);
  EXPECT_EQ(p.codeDebugInfo(1), 0);
  p.removeCodeDebugInfo(2);
  EXPECT_EQ(p.codeDebugInfo(2), 0);
  EXPECT_TRUE(raises([&] { p.setCodeDebugInfo(3, -3); }, 10010,
                     "-3 is not a valid debug line number.  You must use some positive integer, or "
                     "0 to remove the debugging information for the given instruction."));
  EXPECT_EQ(p.codeDebugInfo(3), 0);
}

// ---- Instruction validation

struct InstructionCheckCase {
  TG_P_INSTRUCTION instruction;
  const char* message;  // empty: valid
};

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

TEST(ProgramInstructionValidation, EachSegmentChecksItsOperand) {
  const std::vector<InstructionCheckCase> cases = {
      {op(TG_M_I_LOAD, "v_c", TG_P_DS_DATA), ""},
      {op(TG_M_I_LOAD, " V_C ", TG_P_DS_DATA), ""},
      {op(TG_M_I_LOAD, "v_q", TG_P_DS_DATA), kDataMessage},
      // The unnamed variables that a memory size adds can never be named by an operand.
      {op(TG_M_I_LOAD, "", TG_P_DS_DATA), kDataMessage},
      {op(TG_M_I_LOAD, "l_a", TG_P_DS_DATA), kDataMessage},
      {op(TG_M_I_LOAD, "l_b", TG_P_DS_CONSTANT), ""},
      {op(TG_M_I_LOAD, "l_c", TG_P_DS_CONSTANT), kConstantMessage},
      {op(TG_M_I_LOAD, "v_a", TG_P_DS_CONSTANT), kConstantMessage},
      {op(TG_M_I_GOTO, "c_b", TG_P_DS_INSTRUCTION), ""},
      {op(TG_M_I_GOTO, "c_c", TG_P_DS_INSTRUCTION), kInstructionMessage},
      {op(TG_M_I_GOTO, "", TG_P_DS_INSTRUCTION), kInstructionMessage},
      {op(TG_M_I_LOAD, "register", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, " REGISTER ", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "p_x", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "P_FileTitle", TG_P_DS_PREDEFINED), ""},
      {op(TG_M_I_LOAD, "x", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "p_nosuch", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "p_", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "", TG_P_DS_PREDEFINED), kPredefinedMessage},
      {op(TG_M_I_LOAD, "12", TG_P_DS_EXPLICIT), ""},
      {op(TG_M_I_LOAD, "abc", TG_P_DS_EXPLICIT),
       "An invalid explicit memory address was specified"},
      {op(TG_M_I_LOAD, "", TG_P_DS_EXPLICIT), "An invalid explicit memory address was specified"},
      {op(TG_M_I_GOTO, "3", TG_P_DS_EXPLICITCODE), ""},
      {op(TG_M_I_GOTO, "c_a", TG_P_DS_EXPLICITCODE),
       "An invalid explicit code address was specified"},
      {op(TG_M_I_LOAD, "v_a", TG_P_DATASEGMENTS(6)), "6 is not a valid data segment."},
      {op(TG_M_INSTRUCTIONS(76), "v_a", TG_P_DS_DATA), "76 is not a valid opcode."},
      {op(TG_M_INSTRUCTIONS(-1), "v_q", TG_P_DS_DATA), "-1 is not a valid opcode."},
      // STOP and NOP carry no operand that matters.
      {op(TG_M_I_STOP, "anything", TG_P_DATASEGMENTS(9)), ""},
      {op(TG_M_I_NOP, "anything", TG_P_DATASEGMENTS(9)), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.instruction.instruction) + " [" + c.instruction.operand +
                 "] in " + std::to_string(c.instruction.dataSegment));
    auto p = smallProgram();
    p.setNeededMemory(5);  // two unnamed variables after v_a..v_c
    const auto before = snapshot(p);
    if (*c.message == '\0') {
      EXPECT_EQ(p.addInstruction(c.instruction, Integer(1)), 1);
      p.setInstructions(2, c.instruction);
      EXPECT_EQ(p.instructions(2), c.instruction);
      // The new instruction is untagged; a replaced one leaves its tag on the position.
      EXPECT_EQ(p.instructionTag(1), "");
      EXPECT_EQ(p.instructionTag(2), "c_a");
      EXPECT_EQ(p.instructionTag(4), "c_b");
      continue;
    }
    EXPECT_TRUE(raises([&] { p.addInstruction(c.instruction); }, 10010, c.message));
    EXPECT_TRUE(raises([&] { p.setInstructions(1, c.instruction); }, 10010, c.message));
    EXPECT_EQ(snapshot(p), before);
  }
}

TEST(ProgramInstructionValidation, AnExplicitAddressPastTheEndGrowsTheMemory) {
  auto p = smallProgram();  // 2 literals, 3 variables: the last address is 15 + 2 + 3 = 20
  p.setVarDebugInfo("v_c", "count");
  p.addInstruction(op(TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 3);
  p.addInstruction(op(TG_M_I_LOAD, "21", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 4);

  p.setInstructions(8, op(TG_M_I_LOAD, "25", TG_P_DS_EXPLICIT));
  EXPECT_EQ(p.neededMemory(), 8);  // address 25 is now the last variable's
  EXPECT_EQ(p.addressSymbolicName(3), "v_c");
  EXPECT_EQ(p.variableDebugName("v_c"), "count");
  for (Integer i = 4; i <= 8; ++i)
    EXPECT_EQ(p.addressSymbolicName(i), "") << i;
  EXPECT_EQ(p.addVariable(), "v_d");
  EXPECT_EQ(p.getVariableAddress("v_d"), 26);

  // Growing by an explicit address sets no memory floor: removing a variable shrinks.
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 8);
}

TEST(ProgramInstructionValidation, AnExplicitAddressBeyondAnyMemoryOverflows) {
  auto p = smallProgram();
  const auto before = snapshot(p);
  EXPECT_TRUE(
      raises([&] { p.addInstruction(op(TG_M_I_LOAD, "40000", TG_P_DS_EXPLICIT)); }, 6, "Overflow"));
  EXPECT_TRUE(
      raises([&] { p.addInstruction(op(TG_M_I_LOAD, "1E12", TG_P_DS_EXPLICIT)); }, 6, "Overflow"));
  EXPECT_EQ(snapshot(p), before);
}

// ---- Variables

TEST(ProgramVariables, NeededMemoryOnlyGrowsAndSetsTheFloor) {
  TessaglyphProgram p;
  p.addVariable();
  p.addVariable();
  EXPECT_TRUE(raises([&] { p.setNeededMemory(1); }, 10010,
                     "The new value for the amount of needed memory must be greater than the "
                     "existing value."));
  EXPECT_EQ(p.neededMemory(), 2);

  p.setNeededMemory(4);
  EXPECT_EQ(p.neededMemory(), 4);
  EXPECT_EQ(p.addressSymbolicName(2), "v_b");
  EXPECT_EQ(p.addressSymbolicName(3), "");
  // The floor is 4: removing a variable keeps the size and frees the last slot.
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 4);
  EXPECT_EQ(p.addressSymbolicName(1), "v_b");
  EXPECT_EQ(p.addressSymbolicName(4), "");
  // Above the floor it shrinks again.
  EXPECT_EQ(p.addVariable(), "v_c");
  p.removeVariable("v_c");
  EXPECT_EQ(p.neededMemory(), 4);
  EXPECT_EQ(p.addVariable(), "v_d");
  EXPECT_EQ(p.neededMemory(), 5);
  p.removeVariable("v_b");
  EXPECT_EQ(p.neededMemory(), 4);
  EXPECT_EQ(p.addressSymbolicName(4), "v_d");
}

TEST(ProgramVariables, NeededMemoryLetWithTheSameValueLeavesTheFloorAlone) {
  TessaglyphProgram p;
  p.addVariable();
  p.addVariable();
  p.addVariable();
  p.setNeededMemory(3);  // no change, so still no floor
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 2);
}

TEST(ProgramVariables, RemovalMovesNamesTypesAndDebugNamesDown) {
  auto p = smallProgram();
  p.setVariableType("v_a", TG_P_DT_INTEGER);
  p.setVariableType("v_c", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("V_C", "height");
  EXPECT_EQ(p.getVariableAddress("v_c"), 20);

  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 2);
  EXPECT_EQ(p.addressSymbolicName(1), "v_b");
  EXPECT_EQ(p.addressSymbolicName(2), "v_c");
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
  const auto before = snapshot(p);
  EXPECT_TRUE(raises([&] { p.removeVariable("V_B"); }, 10015,
                     "V_B cannot be removed because it is still being referenced.  Remove any "
                     "references to this variable before attempting to remove."));
  EXPECT_EQ(snapshot(p), before);
  // A STOP's operand is no reference.
  p.addInstruction(op(TG_M_I_STOP, "v_a", TG_P_DS_DATA));
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 2);
}

TEST(ProgramVariables, TypesAndDebugNames) {
  auto p = smallProgram();
  p.setVariableType("v_a", TG_P_DT_DELIMITEDASCII);
  EXPECT_EQ(p.variableType("V_A"), TG_P_DT_DELIMITEDASCII);
  p.setVarDebugInfo("v_a", "fields");
  EXPECT_EQ(p.variableDebugName("v_a"), "fields");
  p.removeVarDebugInfo("v_a");
  EXPECT_EQ(p.variableDebugName("v_a"), "");

  const auto before = snapshot(p);
  EXPECT_TRUE(raises([&] { p.setVariableType("v_a", TG_P_DT_DEFAULTASCII); }, 10010,
                     "You cannot use the TG_P_DT_DEFAULTASCII data type to initialize variables.  "
                     "Use TG_P_DT_ASCII or TG_P_DT_DELIMITEDASCII instead."));
  EXPECT_TRUE(raises([&] { p.setVariableType("v_a", TG_P_DATATYPES(7)); }, 10010,
                     "7 is not a valid data type."));
  EXPECT_TRUE(raises([&] { p.setVariableType("v_a", TG_P_DATATYPES(-2)); }, 10010,
                     "-2 is not a valid data type."));
  EXPECT_EQ(snapshot(p), before);
}

TEST(ProgramVariables, UnknownNamesAreRefused) {
  auto p = smallProgram();
  p.setNeededMemory(4);  // an unnamed fourth variable, which "" must not find
  const auto before = snapshot(p);
  const std::vector<std::pair<std::function<void()>, std::string>> calls = {
      {[&] { p.variableType("v_q"); }, "v_q is not an existing variable name."},
      {[&] { p.variableDebugName("v_q"); }, "v_q is not an existing variable name."},
      {[&] { p.setVariableType("v_q", TG_P_DT_ASCII); }, "v_q is not an existing variable name."},
      {[&] { p.setVarDebugInfo("v_q", "x"); }, "v_q is not an existing variable name."},
      {[&] { p.removeVarDebugInfo("v_q"); }, "v_q is not an existing variable name."},
      {[&] { p.removeVariable("v_q"); }, "v_q is not an existing variable name."},
      {[&] { p.removeVariable(""); }, " is not an existing variable name."},
      {[&] { p.getVariableAddress("v_q"); }, "v_q is not the name of an existing variable."},
      {[&] { p.getVariableAddress(""); }, " is not the name of an existing variable."},
  };
  for (const auto& [call, message] : calls) {
    EXPECT_TRUE(raises(call, 10009, message));
  }
  EXPECT_EQ(snapshot(p), before);
}

TEST(ProgramVariables, AddressesFollowTheLiterals) {
  TessaglyphProgram p;
  EXPECT_EQ(p.addVariable(), "v_a");
  EXPECT_EQ(p.getVariableAddress("v_a"), 16);
  p.addLiteral({TG_P_DT_ASCII, 1, "x"});
  p.addLiteral({TG_P_DT_ASCII, 1, "y"});
  EXPECT_EQ(p.addVariable(), "v_b");
  EXPECT_EQ(p.getLiteralAddress("l_a"), 16);
  EXPECT_EQ(p.getLiteralAddress("l_b"), 17);
  EXPECT_EQ(p.getVariableAddress("v_a"), 18);
  EXPECT_EQ(p.getVariableAddress("v_b"), 19);
  EXPECT_EQ(p.addressSymbolicName(2), "v_b");
}

}  // namespace
}  // namespace tg
