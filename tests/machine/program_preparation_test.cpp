#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "program/program_test_support.hpp"
#include "support/error_report.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

using test::attribute;
using test::cellAt;
using test::op;

TG_P_ATTRIBUTE typedAttribute(std::string name, TG_P_DATATYPES type, Byte size,
                              std::string readLocation, std::string writeLocation = "-1") {
  TG_P_ATTRIBUTE a = attribute(std::move(name), std::move(readLocation), std::move(writeLocation));
  a.attributeType = TG_P_AT_VAR;
  a.dataType = type;
  a.size = size;
  if (type == TG_P_DT_DELIMITEDASCII) a.delimiterList = Array<std::string>(1, {",", ";"});
  return a;
}

// Three literals and two variables:
//   l_a ascii "abc" (16), l_b double "0.1" (17), l_c integer(2) "-7" (18)
//   v_a integer (19), v_b double named "height" (20)
//   0 c_a  load l_a                line 3
//   1      store v_b               line 4
//   2 c_b  load p_filesize
//   3      gosub c_b
//   4      load 20 (explicit: v_b)
//   5      add l_c
//   6      multiply l_b
//   7      store v_a
//   8 c_c  stop
//   routines init at c_a, terminate and datapoint_read at c_c;
//   attribute datapoint reads at c_b and writes at c_c, and four typed attributes.
TessaglyphProgram layoutProgram() {
  TessaglyphProgram p;
  p.addScriptProperty({"DataLock", "False"});
  p.addScriptProperty({"gridtype", "UTM"});
  p.addLiteral({TG_P_DT_ASCII, 3, "abc"});
  p.addLiteral({TG_P_DT_DOUBLE, 8, "0.1"});
  p.addLiteral({TG_P_DT_INTEGER, 2, "-7"});
  p.addVariable();
  p.addVariable();
  p.setVariableType("v_a", TG_P_DT_INTEGER);
  p.setVariableType("v_b", TG_P_DT_DOUBLE);
  p.setVarDebugInfo("v_b", "height");
  p.addInstruction(op(TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT));
  p.addInstruction(op(TG_M_I_STORE, "v_b", TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_LOAD, "p_filesize", TG_P_DS_PREDEFINED));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  p.tag(1);
  p.tag(3);
  p.tag(4);
  p.addInstruction(op(TG_M_I_GOSUB, "c_b", TG_P_DS_INSTRUCTION), 4);
  p.addInstruction(op(TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT), 5);
  p.addInstruction(op(TG_M_I_ADD, "l_c", TG_P_DS_CONSTANT), 6);
  p.addInstruction(op(TG_M_I_MULTIPLY, "l_b", TG_P_DS_CONSTANT), 7);
  p.addInstruction(op(TG_M_I_STORE, "v_a", TG_P_DS_DATA), 8);
  p.setCodeDebugInfo(1, 3);
  p.setCodeDebugInfo(2, 4);
  p.addRoutine({"init", "c_a"});
  p.addRoutine({" Terminate", "c_c"});
  p.addRoutine({"datapoint_read", "c_c"});
  p.addAttribute(attribute("datapoint", "c_b", "c_c"));
  p.addAttribute(typedAttribute(" name ", TG_P_DT_ASCII, 12, "c_a"));
  p.addAttribute(typedAttribute("count", TG_P_DT_INTEGER, 4, "c_a", "c_b"));
  p.addAttribute(typedAttribute("fields", TG_P_DT_DELIMITEDASCII, 0, "c_a"));
  p.addAttribute(typedAttribute("scale", TG_P_DT_SINGLE, 0, "c_a"));
  return p;
}

// What layoutProgram must become, and the same after any detour through a file.
void expectLayout(TessaglyphMachine& machine) {
  ASSERT_EQ(machine.dataMemory(), 21);
  const std::vector<TG_M_INSTRUCTION> code = {
      {TG_M_I_LOAD, 16},     {TG_M_I_STORE, 20}, {TG_M_I_LOAD, 9},
      {TG_M_I_GOSUB, 2},     {TG_M_I_LOAD, 20},  {TG_M_I_ADD, 18},
      {TG_M_I_MULTIPLY, 17}, {TG_M_I_STORE, 19}, {TG_M_I_STOP, 0}};
  ASSERT_EQ(machine.numInstructions(), Integer(code.size()));
  for (std::size_t i = 0; i < code.size(); ++i) {
    EXPECT_EQ(machine.instructions(Integer(i)), code[i]) << i;
  }
  EXPECT_EQ(machine.debugInfo(0), (TG_M_DEBUGGINGINFO{3, false, false}));
  EXPECT_EQ(machine.debugInfo(1).lineNumber, 4);
  EXPECT_EQ(machine.debugInfo(2).lineNumber, 0);

  const TessaglyphDatum& text = cellAt(machine, 16);
  EXPECT_TRUE(text.isFixedLength());
  EXPECT_EQ(text.fixedLength(), 3);
  EXPECT_EQ(text.getString(), "abc");
  EXPECT_EQ(cellAt(machine, 17).dataType(), TG_M_DT_DOUBLE);
  EXPECT_EQ(cellAt(machine, 17).getDouble(), 0.1);  // not the single nearest to 0.1
  EXPECT_EQ(cellAt(machine, 18).dataType(), TG_M_DT_INTEGER2);
  EXPECT_EQ(cellAt(machine, 18).getInteger(), -7);
  EXPECT_EQ(cellAt(machine, 19).dataType(), TG_M_DT_INTEGER4);  // an integer variable: 32-bit
  EXPECT_EQ(cellAt(machine, 20).dataType(), TG_M_DT_DOUBLE);
  EXPECT_EQ(machine.variableNames(19), "");
  EXPECT_EQ(machine.variableNames(20), "height");
  EXPECT_EQ(machine.variableNames(9), "filesize");

  ASSERT_EQ(machine.numProperties(), 2);
  EXPECT_EQ(machine.properties(0), (TG_M_PROPERTY{"DataLock", "False"}));

  for (Integer slot = 0; slot <= TG_M_RAI_VALID_MAX; ++slot) {
    Integer expected = -1;
    if (slot == TG_M_RAI_INIT) expected = 0;
    if (slot == TG_M_RAI_TERMINATE || slot == TG_M_RAI_DATAPOINT_WRITE) expected = 8;
    if (slot == TG_M_RAI_DATAPOINT_READ) expected = 2;  // the attribute's, not the routine's
    EXPECT_EQ(machine.routineLocations(TG_M_ROUTINEARRAYINDICIES(slot)), expected) << slot;
  }

  ASSERT_EQ(machine.numAttributes(), 5);
  TG_M_ATTRIBUTEINFO datapoint = machine.Attributes(0);
  EXPECT_EQ(datapoint.dataType, TG_M_DT_INTEGER2);
  EXPECT_EQ(datapoint.readLocation, 2);
  EXPECT_EQ(datapoint.writeLocation, 8);
  TG_M_ATTRIBUTEINFO name = machine.Attributes(1);
  EXPECT_EQ(name.name, "name");
  EXPECT_EQ(name.dataType, TG_M_DT_ASCII);
  EXPECT_EQ(name.readInfo.fixedLength, 12);
  EXPECT_EQ(name.writeLocation, -1);
  EXPECT_EQ(machine.Attributes(2).dataType, TG_M_DT_INTEGER4);
  EXPECT_EQ(machine.Attributes(2).writeLocation, 2);
  TG_M_ATTRIBUTEINFO fields = machine.Attributes(3);
  EXPECT_EQ(fields.dataType, TG_M_DT_ASCII);
  EXPECT_EQ(fields.readInfo.delimiters, Array<std::string>(1, {",", ";"}));
  EXPECT_EQ(fields.readInfo.fixedLength, 0);
  EXPECT_EQ(machine.Attributes(4).dataType, TG_M_DT_SINGLE);
}

class RecordingUserInterface : public UserInterface {
 public:
  std::vector<std::string> prompts;
  MESSAGEBOXRESULTS messageBox(const std::string& prompt, std::int32_t,
                               const std::string&) override {
    prompts.push_back(prompt);
    return MBR_OK;
  }
};

class ProgramPreparationTest : public ::testing::Test {
 protected:
  test::TemporaryHome home;
  RecordingUserInterface ui;
  void SetUp() override { setUserInterface(&ui); }
  void TearDown() override { setUserInterface(nullptr); }

  std::string supportLog() const {
    std::ifstream in(technicalSupportLogPath());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

TEST_F(ProgramPreparationTest, LaysOutMemoryCodeRoutinesAndAttributes) {
  TessaglyphProgram program = layoutProgram();
  std::shared_ptr<TessaglyphMachine> machine;
  program.prepareMachine(machine);
  ASSERT_TRUE(machine);
  expectLayout(*machine);
  EXPECT_TRUE(ui.prompts.empty());
  // The program stays in its numeric form.
  EXPECT_EQ(program.instructions(2).operand, "1");
  EXPECT_EQ(program.addressSymbolicName(1), "");
}

TEST_F(ProgramPreparationTest, EveryVariableAndLiteralTypeGetsItsCell) {
  struct Case {
    TG_P_DATATYPES type;
    TG_M_DATATYPES cell;
    bool delimited;
  };
  const std::vector<Case> variables = {{TG_P_DT_DEFAULTASCII, TG_M_DT_ASCII, false},
                                       {TG_P_DT_UNSIGNEDINTEGER, TG_M_DT_UNSIGNEDINTEGER, false},
                                       {TG_P_DT_INTEGER, TG_M_DT_INTEGER4, false},
                                       {TG_P_DT_SINGLE, TG_M_DT_SINGLE, false},
                                       {TG_P_DT_DOUBLE, TG_M_DT_DOUBLE, false},
                                       {TG_P_DT_ASCII, TG_M_DT_ASCII, false},
                                       {TG_P_DT_DELIMITEDASCII, TG_M_DT_ASCII, true}};
  TessaglyphProgram program = test::smallProgram();  // 2 literals, 3 variables
  program.addLiteral({TG_P_DT_UNSIGNEDINTEGER, 1, "200"});
  program.addLiteral({TG_P_DT_INTEGER, 4, "70000"});
  program.addLiteral({TG_P_DT_SINGLE, 4, "0.1"});
  program.addLiteral({TG_P_DT_ASCII, 0, ""});
  std::vector<std::string> names;
  for (std::size_t i = 0; i < variables.size(); ++i) {
    names.push_back(i < 3 ? program.addressSymbolicName(Integer(i + 1)) : program.addVariable());
    if (variables[i].type != TG_P_DT_DEFAULTASCII) {
      program.setVariableType(names.back(), variables[i].type);
    }
  }
  std::shared_ptr<TessaglyphMachine> machine;
  program.prepareMachine(machine);
  ASSERT_EQ(machine->dataMemory(), 16 + 6 + 7);

  EXPECT_EQ(cellAt(*machine, 18).dataType(), TG_M_DT_UNSIGNEDINTEGER);
  EXPECT_EQ(cellAt(*machine, 18).getByte(), 200);
  EXPECT_EQ(cellAt(*machine, 19).dataType(), TG_M_DT_INTEGER4);
  EXPECT_EQ(cellAt(*machine, 19).getLong(), 70000);
  EXPECT_EQ(cellAt(*machine, 20).getSingle(), 0.1f);
  EXPECT_TRUE(cellAt(*machine, 21).isAscii());
  EXPECT_EQ(cellAt(*machine, 21).getString(), "");
  for (std::size_t i = 0; i < variables.size(); ++i) {
    SCOPED_TRACE(i);
    const TessaglyphDatum& cell = cellAt(*machine, Integer(22 + i));
    EXPECT_EQ(cell.dataType(), variables[i].cell);
    if (cell.isAscii()) {
      EXPECT_EQ(cell.isDelimited(), variables[i].delimited);
      EXPECT_EQ(cell.isVariableLength(), !variables[i].delimited);
    }
    if (variables[i].delimited) {
      EXPECT_EQ(cell.getDelimiterList(), defaultDelimiterList());
    }
  }
}

TEST_F(ProgramPreparationTest, AMachineGivenIsClearedAndReused) {
  auto machine = std::make_shared<TessaglyphMachine>();
  TessaglyphMachine* const original = machine.get();
  MachineAccess::setMemorySize(*machine, 40);
  machine->setRunMethod(TG_M_RM_STEP);
  TessaglyphProgram program = layoutProgram();
  program.prepareMachine(machine);
  EXPECT_EQ(machine.get(), original);
  EXPECT_EQ(machine->runMethod(), TG_M_RM_CONTINUOUS);
  expectLayout(*machine);
}

TEST_F(ProgramPreparationTest, WithoutADatapointAttributeNothingChanges) {
  TessaglyphProgram program = layoutProgram();
  program.removeAttributeByName("datapoint");
  const std::string before = test::snapshot(program);
  auto machine = std::make_shared<TessaglyphMachine>();
  MachineAccess::setMemorySize(*machine, 30);
  machine->setBreak(false);

  EXPECT_TRUE(test::raises([&] { program.prepareMachine(machine); }, 10017,
                           "datapoint must be defined in order to prepare a Machine."));
  EXPECT_EQ(machine->dataMemory(), 30);
  EXPECT_FALSE(machine->break_());
  EXPECT_EQ(test::snapshot(program), before);

  std::shared_ptr<TessaglyphMachine> none;
  EXPECT_THROW(program.prepareMachine(none), Error);
  EXPECT_FALSE(none);
}

TEST_F(ProgramPreparationTest, ALoadingErrorIsReportedAndTheMachineKeptPartlyFilled) {
  TessaglyphProgram program = layoutProgram();
  program.setLiteralByName("l_c", {TG_P_DT_INTEGER, 2, "seven"});
  std::shared_ptr<TessaglyphMachine> machine;
  EXPECT_NO_THROW(program.prepareMachine(machine));

  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_NE(ui.prompts[0].find("Type mismatch"), std::string::npos);
  const std::string log = supportLog();
  EXPECT_NE(log.find("Error 13"), std::string::npos) << log;
  EXPECT_NE(log.find("TessaglyphProgram::prepareMachine (10013) step 6"), std::string::npos) << log;
  // Code and memory size were loaded before the literal failed; every cell is still readable.
  EXPECT_EQ(machine->numInstructions(), 9);
  ASSERT_EQ(machine->dataMemory(), 21);
  for (Integer a = 0; a < machine->dataMemory(); ++a)
    EXPECT_NO_THROW(machine->Memory(a));
  EXPECT_EQ(machine->numProperties(), 0);
  EXPECT_EQ(machine->routineLocations(TG_M_RAI_INIT), -1);
}

TEST_F(ProgramPreparationTest, ACleanedProgramWritesReadsBackAndLoads) {
  TessaglyphProgram program = layoutProgram();
  program.addVariable();  // unused: cleaned away
  program.tag(2);         // unreferenced: untagged
  program.clean();
  EXPECT_EQ(program.neededMemory(), 2);
  EXPECT_EQ(program.instructionTag(2), "");
  const std::string file = home.root() + "cleaned.tgp";
  ASSERT_GT(program.writeProgram(file, 1), 0);

  TessaglyphProgram reread;
  ASSERT_GT(reread.readProgram(file, 1), 0);
  std::shared_ptr<TessaglyphMachine> machine;
  reread.prepareMachine(machine);
  expectLayout(*machine);
  EXPECT_EQ(machine->scriptFilename(), file);
  EXPECT_TRUE(ui.prompts.empty());
}

}  // namespace
}  // namespace tg
