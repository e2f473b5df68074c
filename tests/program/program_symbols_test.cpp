// The symbolic and numeric forms of a program, and the dataCorrected event.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::op;
using test::raises;
using test::smallProgram;
using test::snapshot;

constexpr const char* kResolveSource = "TessaglyphProgram::resolveSymbolicData";

std::vector<std::pair<TG_P_DATASEGMENTS, std::string>> operands(const TessaglyphProgram& p) {
  std::vector<std::pair<TG_P_DATASEGMENTS, std::string>> result;
  for (Integer i = 1; i <= p.numInstructions(); ++i) {
    result.emplace_back(p.instructions(i).dataSegment, p.instructions(i).operand);
  }
  return result;
}

TEST(ProgramSymbolicData, ResolvingTurnsEveryNameIntoItsNumber) {
  auto p = smallProgram();
  p.resolveSymbolicData();
  const std::vector<std::pair<TG_P_DATASEGMENTS, std::string>> expected = {
      {TG_P_DS_DATA, "1"},       {TG_P_DS_CONSTANT, "1"},    {TG_P_DS_PREDEFINED, "0"},
      {TG_P_DS_PREDEFINED, "3"}, {TG_P_DS_INSTRUCTION, "0"}, {TG_P_DS_DATA, ""},
  };
  EXPECT_EQ(operands(p), expected);
  EXPECT_EQ(p.routines(1).location, "0");
  EXPECT_EQ(p.Attributes(1).readLocation, "2");
  EXPECT_EQ(p.Attributes(1).writeLocation, "-1");
  for (Integer i = 1; i <= p.numInstructions(); ++i)
    EXPECT_EQ(p.instructionTag(i), "") << i;
  for (Integer i = 1; i <= p.neededMemory(); ++i)
    EXPECT_EQ(p.addressSymbolicName(i), "") << i;
  // Literal names, debug lines and properties are not part of the numbering.
  EXPECT_EQ(p.getLiteralName(2), "l_b");
  EXPECT_EQ(p.codeDebugInfo(2), 11);
  EXPECT_EQ(p.numScriptProperties(), 2);
}

TEST(ProgramSymbolicData, ResolvingAndRecreatingGivesTheSameProgram) {
  auto p = smallProgram();
  p.setVariableType("v_c", TG_P_DT_SINGLE);
  p.setVarDebugInfo("v_c", "height");
  p.addAttribute(test::attribute("elevation", "c_b", "c_a"));
  const auto before = snapshot(p);
  p.resolveSymbolicData();
  p.createSymbolicData();
  EXPECT_EQ(snapshot(p), before);
  EXPECT_EQ(p.variableDebugName("v_c"), "height");
}

TEST(ProgramSymbolicData, SeveralUnusedVariablesSetTheMemoryFloor) {
  auto p = smallProgram();  // only v_b is named by an operand
  p.resolveSymbolicData();
  p.createSymbolicData();
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 3);
  EXPECT_EQ(p.addressSymbolicName(1), "v_b");
  EXPECT_EQ(p.addressSymbolicName(3), "");
}

TEST(ProgramSymbolicData, OneUnusedVariableLeavesTheFloorUnset) {
  auto p = smallProgram();
  p.setNeededMemory(4);  // a floor, which recreating must take away again
  p.addInstruction(op(TG_M_I_LOAD, "v_a", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_LOAD, "21", TG_P_DS_EXPLICIT));  // the unnamed fourth variable
  p.resolveSymbolicData();
  p.createSymbolicData();
  EXPECT_EQ(p.instructions(8), op(TG_M_I_LOAD, "v_d", TG_P_DS_DATA));
  p.removeVariable("v_c");  // the only variable no operand names
  EXPECT_EQ(p.neededMemory(), 3);
}

TEST(ProgramSymbolicData, TagsAreGivenAfreshInTheOrderTheyAreNeeded) {
  TessaglyphProgram p;
  for (int i = 0; i < 4; ++i)
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  EXPECT_EQ(p.tag(1), "c_a");
  EXPECT_EQ(p.tag(2), "c_b");
  EXPECT_EQ(p.tag(3), "c_c");
  EXPECT_EQ(p.tag(4), "c_d");  // referenced by nothing
  p.addInstruction(op(TG_M_I_GOTO, "c_c", TG_P_DS_INSTRUCTION));
  p.addInstruction(op(TG_M_I_GOTO, "c_a", TG_P_DS_INSTRUCTION));
  p.addRoutine({"init", "c_b"});

  p.resolveSymbolicData();
  EXPECT_EQ(p.instructions(5).operand, "2");
  EXPECT_EQ(p.instructions(6).operand, "0");
  EXPECT_EQ(p.routines(1).location, "1");
  p.createSymbolicData();

  EXPECT_EQ(p.instructionTag(3), "c_a");
  EXPECT_EQ(p.instructionTag(1), "c_b");
  EXPECT_EQ(p.instructionTag(2), "c_c");
  EXPECT_EQ(p.instructionTag(4), "");
  EXPECT_EQ(p.instructions(5).operand, "c_a");
  EXPECT_EQ(p.instructions(6).operand, "c_b");
  EXPECT_EQ(p.routines(1).location, "c_c");
  EXPECT_EQ(p.tag(4), "c_d");
}

TEST(ProgramSymbolicData, RecreatingKeepsExistingTagsAndNeverDuplicatesThem) {
  TessaglyphProgram p;
  for (int i = 0; i < 5; ++i)
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  for (int target = 0; target < 4; ++target) {
    p.addInstruction(op(TG_M_I_GOTO, std::to_string(target), TG_P_DS_EXPLICITCODE));
  }
  p.resolveSymbolicData();
  EXPECT_EQ(p.instructions(6), op(TG_M_I_GOTO, "0", TG_P_DS_INSTRUCTION));
  EXPECT_EQ(p.tag(5), "c_a");

  p.createSymbolicData();
  EXPECT_EQ(p.tagInstruction("c_a"), 5);
  EXPECT_EQ(p.instructionTag(1), "c_b");
  EXPECT_EQ(p.instructionTag(4), "c_e");
  EXPECT_EQ(p.instructions(6).operand, "c_b");
  EXPECT_EQ(p.instructions(9).operand, "c_e");
  p.untag("c_a");
  EXPECT_EQ(p.tag(5), "c_f");
}

TEST(ProgramSymbolicData, TagsHandedOutLaterSkipNamesThatWereKept) {
  TessaglyphProgram p;
  for (int i = 0; i < 3; ++i)
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_GOTO, "0", TG_P_DS_EXPLICITCODE));
  p.resolveSymbolicData();
  EXPECT_EQ(p.tag(3), "c_a");
  EXPECT_EQ(p.tag(2), "c_b");
  p.untag("c_a");
  p.createSymbolicData();  // the goto needs one tag: the generator restarts and gives "c_a"
  EXPECT_EQ(p.instructions(4).operand, "c_a");
  EXPECT_EQ(p.instructionTag(1), "c_a");
  EXPECT_EQ(p.instructionTag(2), "c_b");
  EXPECT_EQ(p.tag(3), "c_c");
}

// An explicit machine address keeps designating the same cell once it is a number: it becomes
// the predefined variable, literal or variable at that address.
TEST(ProgramSymbolicData, ExplicitAddressesBecomeTheSegmentOfTheirCell) {
  TessaglyphProgram p;
  p.addLiteral({TG_P_DT_ASCII, 1, "a"});
  p.addLiteral({TG_P_DT_ASCII, 1, "b"});
  p.addVariable();
  p.addVariable();
  for (const char* address : {"3", "0", "16", "17", "18", "19", "16.5", " 15 "}) {
    p.addInstruction(op(TG_M_I_LOAD, address, TG_P_DS_EXPLICIT));
  }
  p.addInstruction(op(TG_M_I_GOTO, "1", TG_P_DS_EXPLICITCODE));
  p.resolveSymbolicData();
  const std::vector<std::pair<TG_P_DATASEGMENTS, std::string>> numbers = {
      {TG_P_DS_PREDEFINED, "3"}, {TG_P_DS_PREDEFINED, "0"},  {TG_P_DS_CONSTANT, "0"},
      {TG_P_DS_CONSTANT, "1"},   {TG_P_DS_DATA, "0"},        {TG_P_DS_DATA, "1"},
      {TG_P_DS_CONSTANT, "0"},   {TG_P_DS_PREDEFINED, "15"}, {TG_P_DS_INSTRUCTION, "1"},
  };
  EXPECT_EQ(operands(p), numbers);

  p.createSymbolicData();
  const std::vector<std::pair<TG_P_DATASEGMENTS, std::string>> names = {
      {TG_P_DS_PREDEFINED, "p_x"},  {TG_P_DS_PREDEFINED, "register"},
      {TG_P_DS_CONSTANT, "l_a"},    {TG_P_DS_CONSTANT, "l_b"},
      {TG_P_DS_DATA, "v_a"},        {TG_P_DS_DATA, "v_b"},
      {TG_P_DS_CONSTANT, "l_a"},    {TG_P_DS_PREDEFINED, "p_filetitle"},
      {TG_P_DS_INSTRUCTION, "c_a"},
  };
  EXPECT_EQ(operands(p), names);
  EXPECT_EQ(p.instructionTag(2), "c_a");
}

TEST(ProgramSymbolicData, ExplicitAddressesOutsideTheirSpaceAreRefused) {
  const std::string dataMessage =
      "An instruction operand in data segment EXPLICIT carried an invalid data memory address.";
  const std::string codeMessage =
      "An instruction operand in data segment EXPLICITCODE carried an invalid code memory address.";
  {
    auto p = smallProgram();
    p.addInstruction(op(TG_M_I_LOAD, "-1", TG_P_DS_EXPLICIT));
    const auto before = snapshot(p);
    EXPECT_TRUE(raises([&] { p.resolveSymbolicData(); }, 10001, dataMessage, kResolveSource));
    EXPECT_EQ(snapshot(p), before);
  }
  {
    // The last literal's address was valid until the literal went away.
    TessaglyphProgram p;
    p.addLiteral({TG_P_DT_ASCII, 1, "a"});
    p.addInstruction(op(TG_M_I_LOAD, "16", TG_P_DS_EXPLICIT));
    EXPECT_EQ(p.neededMemory(), 0);
    p.removeLiteral(1);
    EXPECT_TRUE(raises([&] { p.resolveSymbolicData(); }, 10001, dataMessage, kResolveSource));
  }
  for (const char* address : {"-1", "6", "5.5"}) {
    SCOPED_TRACE(address);
    auto p = smallProgram();  // six instructions: addresses 0..5
    p.setInstructions(6, op(TG_M_I_GOTO, address, TG_P_DS_EXPLICITCODE));
    const auto before = snapshot(p);
    EXPECT_TRUE(raises([&] { p.resolveSymbolicData(); }, 10001, codeMessage, kResolveSource));
    EXPECT_EQ(snapshot(p), before);
  }
}

TEST(ProgramSymbolicData, AnOperandNamingARemovedLiteralIsRefusedWhenResolving) {
  auto p = smallProgram();
  p.removeLiteral(2);  // instruction 2 still names l_b
  const auto before = snapshot(p);
  EXPECT_TRUE(raises([&] { p.resolveSymbolicData(); }, 10001,
                     "Instruction 2 refers to \"l_b\" in data segment TG_P_DS_CONSTANT, but no "
                     "literal carries that name.",
                     kResolveSource));
  EXPECT_EQ(snapshot(p), before);
}

TEST(ProgramSymbolicData, NopOperandsPassWhenTheyNameNothing) {
  auto p = smallProgram();
  p.addInstruction(op(TG_M_I_NOP, "v_c", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_NOP, "999", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_INSTRUCTION));
  p.addInstruction(op(TG_M_I_NOP, "70000", TG_P_DS_EXPLICIT));
  p.resolveSymbolicData();
  EXPECT_EQ(p.instructions(7).operand, "2");
  EXPECT_EQ(p.instructions(8).operand, "999");
  EXPECT_EQ(p.instructions(9).operand, "");
  EXPECT_EQ(p.instructions(10).operand, "70000");
  EXPECT_EQ(p.neededMemory(), 3);
  p.createSymbolicData();
  EXPECT_EQ(p.instructions(7).operand, "v_c");
  EXPECT_EQ(p.instructions(8).operand, "999");
  // v_a is now the only variable no operand names: no floor.
  p.removeVariable("v_a");
  EXPECT_EQ(p.neededMemory(), 2);

  // Text the program file cannot hold as a number is still refused.
  auto q = smallProgram();
  q.addInstruction(op(TG_M_I_NOP, "junk", TG_P_DS_DATA));
  EXPECT_TRUE(raises([&] { q.resolveSymbolicData(); }, 10001,
                     "Instruction 7 refers to \"junk\" in data segment TG_P_DS_DATA, but no "
                     "variable carries that name.",
                     kResolveSource));
}

TEST(ProgramSymbolicData, RecreatingRefusesNumbersThatDesignateNothing) {
  auto p = smallProgram();
  p.resolveSymbolicData();
  p.removeLiteral(2);  // instruction 2 holds literal number 1, which is gone now
  const auto before = snapshot(p);
  EXPECT_TRUE(raises([&] { p.createSymbolicData(); }, 10001,
                     "Instruction 2 carries the operand [1] in data segment TG_P_DS_CONSTANT, "
                     "which is not the number of a literal."));
  EXPECT_EQ(snapshot(p), before);

  // Names are not numbers: a program still in symbolic form cannot be recreated.
  auto q = smallProgram();
  EXPECT_TRUE(raises([&] { q.createSymbolicData(); }, 10001,
                     "Instruction 1 carries the operand [v_b] in data segment TG_P_DS_DATA, "
                     "which is not the number of a variable."));
}

// ---- dataCorrected

struct RecordingSink : TessaglyphProgramEvents {
  std::vector<std::tuple<std::string, std::string, std::string>> events;
  void dataCorrected(const std::string& message, const std::string& oldValue,
                     const std::string& newValue) override {
    events.emplace_back(message, oldValue, newValue);
  }
};

// Opens the members through which the file reader repairs a program.
class RepairingProgram : public TessaglyphProgram {
 public:
  using TessaglyphProgram::correctNeededMemory;
};

TEST(ProgramDataCorrected, GrowingTheMemoryTellsTheSinkTheSizesBeforeAndAfter) {
  RepairingProgram p;
  p.addVariable();
  p.addVariable();
  p.correctNeededMemory(6, "grown");  // no sink yet: nothing to tell, but the memory grows
  EXPECT_EQ(p.neededMemory(), 6);

  RecordingSink sink;
  p.setEventSink(&sink);
  p.correctNeededMemory(9, "grown again");
  p.correctNeededMemory(4, "never shrinks");
  p.correctNeededMemory(9, "already large enough");
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0],
            std::make_tuple(std::string("grown again"), std::string("6"), std::string("9")));
  EXPECT_EQ(p.neededMemory(), 9);
  EXPECT_EQ(p.addressSymbolicName(2), "v_b");
  EXPECT_EQ(p.addressSymbolicName(9), "");

  p.setEventSink(nullptr);
  p.correctNeededMemory(10, "unheard");
  EXPECT_EQ(sink.events.size(), 1u);
}

}  // namespace
}  // namespace tg
