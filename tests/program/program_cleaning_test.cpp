// Cleaning a program: unnamed cells and unreferenced tags go, the rest is renamed in order.
#include <gtest/gtest.h>

#include <string>

#include "program/program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

// The instructions' operands, "|" after each.
std::string operands(const TessaglyphProgram& p) {
  std::string text;
  for (Integer i = 1; i <= p.numInstructions(); ++i)
    text += p.instructions(i).operand + "|";
  return text;
}

// Variables no operand names go with the floor; the rest keep types and names, renamed.
TEST(ProgramCleaning, DropsUnnamedVariablesAndRenamesTheRest) {
  TessaglyphProgram p;
  for (int i = 0; i < 4; ++i)
    p.addVariable();  // v_b is never named, v_d only by a STOP
  p.setVariableType("v_c", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("v_c", "depth");
  p.setNeededMemory(6);  // two unnamed slots and a memory floor
  for (const char* name : {"v_c", "V_A ", "v_c"})
    p.addInstruction(op(TG_M_I_LOAD, name, TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "v_d", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "v_z", TG_P_DS_DATA));  // names nothing: left alone
  p.clean();
  EXPECT_EQ(memory(p), "v_a v_b v_c");
  EXPECT_EQ(operands(p), "v_b|v_a|v_b|v_c|v_z|");
  EXPECT_EQ(linesOf(snapshot(p), "variable v_b"), "variable v_b 4 depth\n");
  EXPECT_EQ(p.addVariable(), "v_d");
  p.removeVariable("v_d");  // no floor: the memory shrinks again
  EXPECT_EQ(p.neededMemory(), 3);
}

// Unused literals and unreferenced tags go; the rest are renamed in order.
TEST(ProgramCleaning, DropsUnnamedLiteralsAndUnreferencedTags) {
  TessaglyphProgram p;
  for (const char* value : {"a", "b", "c", "d"})
    p.addLiteral({TG_P_DT_ASCII, 1, value});  // l_a and l_c unused
  p.addInstruction(op(TG_M_I_LOAD, "l_d", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_ADD, "l_b", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  for (Integer i = 1; i <= 4; ++i)
    p.tag(i);  // c_a .. c_d; nothing will refer to c_a
  p.addInstruction(op(TG_M_I_GOTO, "c_d", TG_P_DS_INSTRUCTION), 4);
  p.addInstruction(op(TG_M_I_GOSUB, "c_b", TG_P_DS_INSTRUCTION), 4);
  p.addRoutine({"init", "c_b"});
  p.addAttribute(attribute("datapoint", "c_d", "c_c"));
  p.clean();
  EXPECT_EQ(linesOf(snapshot(p), "literal"), "literal l_a 5 1 b\nliteral l_b 5 1 d\n");
  EXPECT_EQ(operands(p), "l_b|l_a||c_a|c_c||");
  EXPECT_EQ(tags(p), "- c_a c_b - - c_c");
  EXPECT_EQ(p.getRoutineByName("init").location, "c_a");
  EXPECT_EQ(p.getAttributeByName("datapoint").readLocation, "c_c");
  EXPECT_EQ(p.getAttributeByName("datapoint").writeLocation, "c_b");
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "e"}), "l_c");
  EXPECT_EQ(p.tag(1), "c_d");
}

// An explicit address is the author's own: it keeps no cell alive and is left as written.
TEST(ProgramCleaning, ExplicitAddressesKeepNoCellAndStayAsWritten) {
  TessaglyphProgram p;
  p.addLiteral({TG_P_DT_ASCII, 1, "a"});  // address 16, unused
  p.addLiteral({TG_P_DT_ASCII, 1, "b"});  // 17, named only explicitly
  for (int i = 0; i < 3; ++i)
    p.addVariable();  // 18 unused, 19 named only explicitly, 20 named by DATA
  for (const char* address : {"17", "19", "5"})
    p.addInstruction(op(TG_M_I_LOAD, address, TG_P_DS_EXPLICIT));
  p.addInstruction(op(TG_M_I_ADD, "v_c", TG_P_DS_DATA));
  p.clean();
  EXPECT_EQ(p.numLiterals(), 0);
  EXPECT_EQ(p.neededMemory(), 1);
  EXPECT_EQ(operands(p), "17|19|5|v_a|");
}

TEST(ProgramCleaning, AReferenceToAMissingNameIsRefusedBeforeAnythingChanges) {
  TessaglyphProgram p = smallProgram();
  p.addVariable();
  p.removeLiteral(2);  // "add l_b" names nothing now
  EXPECT_TRUE(refused([&] { p.clean(); }, p, 10001,
                      "Instruction 2 refers to \"l_b\", but no literal carries that name.",
                      "TessaglyphProgram::clean"));
}

}  // namespace
}  // namespace tg::test
