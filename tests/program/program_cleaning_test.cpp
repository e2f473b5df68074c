#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::op;

std::vector<std::string> operands(const TessaglyphProgram& program) {
  std::vector<std::string> result;
  for (Integer i = 1; i <= program.numInstructions(); ++i)
    result.push_back(program.instructions(i).operand);
  return result;
}

std::vector<std::string> variableNames(const TessaglyphProgram& program) {
  std::vector<std::string> result;
  for (Integer i = 1; i <= program.neededMemory(); ++i)
    result.push_back(program.addressSymbolicName(i));
  return result;
}

TEST(ProgramCleaningTest, DropsUnnamedVariablesAndRenamesTheRestInOrder) {
  TessaglyphProgram p;
  p.addVariable();  // v_a, named
  p.addVariable();  // v_b, never named
  p.addVariable();  // v_c, named
  p.setVariableType("v_c", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("v_c", "depth");
  p.setNeededMemory(5);  // two unnamed slots and a memory floor
  p.addInstruction(op(TG_M_I_LOAD, "v_c", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STORE, "V_A ", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_ADD, "v_c", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));

  p.clean();

  EXPECT_EQ(variableNames(p), (std::vector<std::string>{"v_a", "v_b"}));
  EXPECT_EQ(operands(p), (std::vector<std::string>{"v_b", "v_a", "v_b", ""}));
  EXPECT_EQ(p.variableType("v_b"), TG_P_DT_DOUBLE);
  EXPECT_EQ(p.variableDebugName("v_b"), "depth");
  EXPECT_EQ(p.addVariable(), "v_c");
  // The floor is gone, so a removal shrinks the memory again.
  p.removeVariable("v_c");
  EXPECT_EQ(p.neededMemory(), 2);
}

TEST(ProgramCleaningTest, DropsUnnamedLiteralsAndUnreferencedTags) {
  TessaglyphProgram p;
  p.addLiteral({TG_P_DT_ASCII, 1, "a"});  // l_a, unused
  p.addLiteral({TG_P_DT_ASCII, 1, "b"});  // l_b
  p.addLiteral({TG_P_DT_ASCII, 1, "c"});  // l_c, unused
  p.addLiteral({TG_P_DT_ASCII, 1, "d"});  // l_d
  p.addInstruction(op(TG_M_I_LOAD, "l_d", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_ADD, "l_b", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  for (Integer i = 1; i <= 4; ++i)
    p.tag(i);  // c_a .. c_d
  p.addInstruction(op(TG_M_I_GOTO, "c_d", TG_P_DS_INSTRUCTION), 4);
  p.addInstruction(op(TG_M_I_GOSUB, "c_b", TG_P_DS_INSTRUCTION), 4);
  p.addRoutine({"init", "c_b"});
  p.addAttribute(test::attribute("datapoint", "c_d", "c_c"));
  // Instructions: 1 load l_d (c_a), 2 add l_b (c_b), 3 nop (c_c), 4 gosub c_b, 5 goto c_d,
  // 6 stop (c_d). Nothing refers to c_a.

  p.clean();

  ASSERT_EQ(p.numLiterals(), 2);
  EXPECT_EQ(p.getLiteralByName("l_a").value, "b");
  EXPECT_EQ(p.getLiteralByName("l_b").value, "d");
  EXPECT_EQ(operands(p), (std::vector<std::string>{"l_b", "l_a", "", "c_a", "c_c", ""}));
  const std::vector<std::string> tags = {"", "c_a", "c_b", "", "", "c_c"};
  for (Integer i = 1; i <= 6; ++i)
    EXPECT_EQ(p.instructionTag(i), tags[std::size_t(i - 1)]) << i;
  EXPECT_EQ(p.getRoutineByName("init").location, "c_a");
  EXPECT_EQ(p.getAttributeByName("datapoint").readLocation, "c_c");
  EXPECT_EQ(p.getAttributeByName("datapoint").writeLocation, "c_b");
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "e"}), "l_c");
  EXPECT_EQ(p.tag(1), "c_d");
}

// An explicit address is the author's own: it keeps no cell alive and is left as written.
TEST(ProgramCleaningTest, ExplicitAddressesKeepNoCellAndStayAsWritten) {
  TessaglyphProgram p;
  p.addLiteral({TG_P_DT_ASCII, 1, "a"});  // address 16, unused
  p.addLiteral({TG_P_DT_ASCII, 1, "b"});  // 17, named only explicitly
  p.addVariable();                        // 18, unused
  p.addVariable();                        // 19, named only explicitly
  p.addVariable();                        // 20, named by DATA
  p.addInstruction(op(TG_M_I_LOAD, "17", TG_P_DS_EXPLICIT));
  p.addInstruction(op(TG_M_I_STORE, "19", TG_P_DS_EXPLICIT));
  p.addInstruction(op(TG_M_I_STORE, "5", TG_P_DS_EXPLICIT));  // a predefined variable
  p.addInstruction(op(TG_M_I_ADD, "v_c", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));

  p.clean();

  EXPECT_EQ(p.numLiterals(), 0);
  EXPECT_EQ(p.neededMemory(), 1);
  EXPECT_EQ(operands(p), (std::vector<std::string>{"17", "19", "5", "v_a", ""}));
}

// What removeVariable counts as a reference, cleaning keeps: a STOP's DATA operand too.
TEST(ProgramCleaningTest, AVariableAStopNamesStays) {
  TessaglyphProgram p;
  p.addVariable();  // v_a, never named
  p.addVariable();  // v_b, named by the STOP
  p.addInstruction(op(TG_M_I_STOP, "v_b", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "v_z", TG_P_DS_DATA));  // names nothing: left alone

  p.clean();

  EXPECT_EQ(variableNames(p), (std::vector<std::string>{"v_a"}));
  EXPECT_EQ(operands(p), (std::vector<std::string>{"v_a", "v_z"}));
}

TEST(ProgramCleaningTest, AReferenceToAMissingNameIsRefusedBeforeAnythingChanges) {
  TessaglyphProgram p = test::smallProgram();
  p.addVariable();
  p.removeLiteral(2);  // "add l_b" names nothing now
  const std::string before = test::snapshot(p);
  EXPECT_TRUE(test::raises([&] { p.clean(); }, 10001,
                           "Instruction 2 refers to \"l_b\", but no literal carries that name.",
                           "TessaglyphProgram::clean"));
  EXPECT_EQ(test::snapshot(p), before);
}

}  // namespace
}  // namespace tg
