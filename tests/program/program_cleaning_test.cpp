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
