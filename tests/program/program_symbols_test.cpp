// The symbolic and numeric forms of a program, and the dataCorrected event.
#include <gtest/gtest.h>

#include <string>

#include "program_file_test_support.hpp"
#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

constexpr const char* kResolveSource = "TessaglyphProgram::resolveSymbolicData";

// Each instruction's data segment and operand: "data v_a, code c_b, ...".
std::string operands(const TessaglyphProgram& p) {
  static const char* const segments[] = {"data", "code",     "const",
                                         "pdv",  "explicit", "explicitcode"};
  std::string text;
  for (Integer i = 1; i <= p.numInstructions(); ++i) {
    const auto instruction = p.instructions(i);
    text += (i > 1 ? ", " : "") + std::string(segments[instruction.dataSegment]) + " " +
            instruction.operand;
  }
  return text;
}

// One unused variable sets no floor, and recreating takes an earlier floor away.
TEST(ProgramSymbolicData, OneUnusedVariableSetsNoFloor) {
  auto q = smallProgram();
  q.setNeededMemory(4);
  q.addInstruction(op(TG_M_I_LOAD, "v_a", TG_P_DS_DATA));
  q.addInstruction(op(TG_M_I_LOAD, "21", TG_P_DS_EXPLICIT));  // the unnamed fourth variable
  q.resolveSymbolicData();
  q.createSymbolicData();
  EXPECT_EQ(q.instructions(8), op(TG_M_I_LOAD, "v_d", TG_P_DS_DATA));
  q.removeVariable("v_c");  // the only variable no operand names
  EXPECT_EQ(q.neededMemory(), 3);
}

TessaglyphProgram nops(int count) {
  TessaglyphProgram p;
  for (int i = 0; i < count; ++i)
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  return p;
}

// Recreating keeps the tags there are and never hands their names out; the generator restarts.
TEST(ProgramSymbolicData, RecreatingKeepsExistingTags) {
  auto p = nops(5);
  for (const char* target : {"0", "1", "2", "3"})
    p.addInstruction(op(TG_M_I_GOTO, target, TG_P_DS_EXPLICITCODE));
  p.resolveSymbolicData();
  EXPECT_EQ(p.instructions(6), op(TG_M_I_GOTO, "0", TG_P_DS_INSTRUCTION));
  EXPECT_EQ(p.tag(5), "c_a");
  p.createSymbolicData();
  EXPECT_EQ(tags(p), "c_b c_c c_d c_e c_a - - - -");
  EXPECT_EQ(p.instructions(9).operand, "c_e");
  p.untag("c_a");
  EXPECT_EQ(p.tag(5), "c_f");
  auto q = nops(3);
  q.addInstruction(op(TG_M_I_GOTO, "0", TG_P_DS_EXPLICITCODE));
  q.resolveSymbolicData();
  EXPECT_EQ(q.tag(3), "c_a");
  EXPECT_EQ(q.tag(2), "c_b");
  q.untag("c_a");
  q.createSymbolicData();  // the goto needs one tag: "c_a" again
  EXPECT_EQ(tags(q), "c_a c_b - -");
  EXPECT_EQ(q.tag(3), "c_c");
}

// What designates nothing: refused, resolved to -1, or passed on a NOP.
TEST(ProgramSymbolicData, WhatDesignatesNothing) {
  const std::string data =
      "An instruction operand in data segment EXPLICIT carried an invalid data memory address.";
  auto p = smallProgram();
  p.addInstruction(op(TG_M_I_LOAD, "-1", TG_P_DS_EXPLICIT));
  EXPECT_TRUE(refused([&] { p.resolveSymbolicData(); }, p, 10001, data, kResolveSource));
  for (const char* address : {"-1", "6", "5.5"}) {
    auto r = smallProgram();  // six instructions: addresses 0..5
    r.setInstructions(6, op(TG_M_I_GOTO, address, TG_P_DS_EXPLICITCODE));
    EXPECT_TRUE(refused([&] { r.resolveSymbolicData(); }, r, 10001,
                        "An instruction operand in data segment EXPLICITCODE carried an invalid "
                        "code memory address.",
                        kResolveSource))
        << address;
  }
  auto n = smallProgram();
  n.removeLiteral(2);
  for (const char* operand : {"junk", "v_c", "999"})
    n.addInstruction(op(TG_M_I_NOP, operand, TG_P_DS_DATA));
  n.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_INSTRUCTION));
  n.addInstruction(op(TG_M_I_NOP, "70000", TG_P_DS_EXPLICIT));
  for (const char* address : {"15", "17"})  // the last predefined variable, the first variable
    n.addInstruction(op(TG_M_I_LOAD, address, TG_P_DS_EXPLICIT));
  n.resolveSymbolicData();
  EXPECT_EQ(operands(n),
            "data 1, const -1, pdv 0, pdv 3, code 0, data , data -1, data 2, data 999, "
            "code , explicit 70000, pdv 15, data 0");
  EXPECT_EQ(n.neededMemory(), 3);
}

// Recreating refuses numbers that designate nothing, and names, which are no numbers.
TEST(ProgramSymbolicData, RecreatingRefusesNumbersThatDesignateNothing) {
  auto p = smallProgram();
  p.resolveSymbolicData();
  p.removeLiteral(2);  // instruction 2 holds literal number 1, which is gone now
  EXPECT_TRUE(refused([&] { p.createSymbolicData(); }, p, 10001,
                      "Instruction 2 carries the operand [1] in data segment TG_P_DS_CONSTANT, "
                      "which is not the number of a literal."));
  auto q = smallProgram();
  EXPECT_TRUE(raises([&] { q.createSymbolicData(); }, 10001,
                     "Instruction 1 carries the operand [v_b] in data segment TG_P_DS_DATA, "
                     "which is not the number of a variable."));
}

}  // namespace
}  // namespace tg::test
