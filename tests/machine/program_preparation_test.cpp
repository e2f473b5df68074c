// Preparing a machine from a program: memory, code, routines and attributes laid out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "machine/machine_test_support.hpp"
#include "program/program_file_test_support.hpp"
#include "program/program_test_support.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

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

// Three literals, two typed variables, nine instructions over every segment, routines, attributes.
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

// A machine as one line: memory, code, lines, cells from 16 on, properties, routines, attributes.
std::string layout(TessaglyphMachine& machine) {
  std::string text = "memory=" + std::to_string(machine.dataMemory()) + " code=", lines = "lines=";
  for (Integer i = 0; i < machine.numInstructions(); ++i) {
    text += std::to_string(machine.instructions(i).opcode) + ":" +
            std::to_string(machine.instructions(i).operand) + " ";
    lines += std::to_string(machine.debugInfo(i).lineNumber) + " ";
  }
  text += lines + "cells=";
  for (Integer a = 16; a < machine.dataMemory(); ++a) {
    const TessaglyphDatum& cell = cellAt(machine, a);
    text += std::string(1, "BILSDT"[cell.dataType()]);
    if (cell.isAscii() && cell.isFixedLength()) text += "f" + std::to_string(cell.fixedLength());
    if (cell.isAscii() && cell.isDelimited()) text += "d";
    text += ":" + cell.getString() + ":" + machine.variableNames(a) + " ";
  }
  text += "properties=";
  for (Integer p = 0; p < machine.numProperties(); ++p)
    text += machine.properties(p).name + "=" + machine.properties(p).value + " ";
  text += "routines=";
  for (Integer slot = 0; slot <= TG_M_RAI_VALID_MAX; ++slot)
    text += std::to_string(machine.routineLocations(TG_M_ROUTINEARRAYINDICIES(slot))) + " ";
  text += "attributes=";
  for (Integer a = 0; a < machine.numAttributes(); ++a) {
    const TG_M_ATTRIBUTEINFO info = machine.Attributes(a);
    text += info.name + ":" + "BILSDT"[info.dataType] + ":" + std::to_string(info.readLocation) +
            ":" + std::to_string(info.writeLocation) + ":" +
            std::to_string(info.readInfo.fixedLength);
    for (const std::string& delimiter : info.readInfo.delimiters)
      text += delimiter;
    text += " ";
  }
  return text;
}

// Literals after the predefined cells, variables after them; datapoint reads at its attribute's.
const std::string kLayout =
    "memory=21 code=7:16 9:20 7:9 6:2 7:20 11:18 13:17 9:19 51:0 lines=3 4 0 0 0 0 0 0 0 "
    "cells=Tf3:abc: D:0.1: I:-7: L:0: D:0:height properties=DataLock=False gridtype=UTM "
    "routines=2 8 0 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 8 -1 -1 "
    "attributes=datapoint:I:2:8:0 name:T:0:-1:12 count:L:0:2:0 fields:T:0:-1:0,; "
    "scale:S:0:-1:0 ";

using ProgramPreparationTest = test::ProgramFileTest;

TEST_F(ProgramPreparationTest, LaysOutMemoryCodeRoutinesAndAttributes) {
  // A new machine is made; one given is cleared and reused.
  std::shared_ptr<TessaglyphMachine> machine;
  layoutProgram().prepareMachine(machine);
  ASSERT_TRUE(machine);
  EXPECT_EQ(layout(*machine), kLayout);
  TessaglyphMachine* const original = machine.get();
  MachineAccess::setMemorySize(*machine, 40);
  machine->setRunMethod(TG_M_RM_STEP);
  layoutProgram().prepareMachine(machine);
  EXPECT_EQ(machine.get(), original);
  EXPECT_EQ(machine->runMethod(), TG_M_RM_CONTINUOUS);
  EXPECT_EQ(layout(*machine), kLayout);
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgramPreparationTest, EveryVariableAndLiteralTypeGetsItsCell) {
  TessaglyphProgram program = test::smallProgram();  // 2 literals, 3 variables
  program.addLiteral({TG_P_DT_UNSIGNEDINTEGER, 1, "200"});
  program.addLiteral({TG_P_DT_INTEGER, 4, "70000"});
  program.addLiteral({TG_P_DT_SINGLE, 4, "0.1"});
  program.addLiteral({TG_P_DT_ASCII, 0, ""});
  const TG_P_DATATYPES types[] = {TG_P_DT_UNSIGNEDINTEGER, TG_P_DT_INTEGER, TG_P_DT_SINGLE,
                                  TG_P_DT_DOUBLE,          TG_P_DT_ASCII,   TG_P_DT_DELIMITEDASCII};
  for (std::size_t i = 0; i < std::size(types); ++i) {
    program.setVariableType(
        i < 2 ? program.addressSymbolicName(Integer(i + 2)) : program.addVariable(), types[i]);
  }
  std::shared_ptr<TessaglyphMachine> machine;
  program.prepareMachine(machine);
  const std::string text = layout(*machine);
  EXPECT_EQ(text.substr(text.find("cells="), text.find(" properties") - text.find("cells=")),
            "cells=Tf3:abc: I:5: B:200: L:70000: S:0.1: T:: T:: B:0: L:0: S:0: D:0: T:: Td::");
  EXPECT_EQ(cellAt(*machine, 20).getSingle(), 0.1f);
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
}

TEST_F(ProgramPreparationTest, ALoadingErrorIsReportedAndTheMachineKeptPartlyFilled) {
  TessaglyphProgram program = layoutProgram();
  program.setLiteralByName("l_c", {TG_P_DT_INTEGER, 2, "seven"});
  std::shared_ptr<TessaglyphMachine> machine;
  EXPECT_NO_THROW(program.prepareMachine(machine));

  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_NE(ui.prompts[0].find("Type mismatch"), std::string::npos);
  EXPECT_NE(supportLog().find("TessaglyphProgram::prepareMachine (10013) step 6"),
            std::string::npos);
  // Code and memory size were loaded before the literal failed; every cell is still readable.
  const std::string text = layout(*machine);
  EXPECT_EQ(text.substr(0, text.find(" lines")), kLayout.substr(0, kLayout.find(" lines")));
  EXPECT_NE(text.find("properties=routines=-1 "), std::string::npos) << text;
}

TEST_F(ProgramPreparationTest, ACleanedProgramWritesReadsBackAndLoads) {
  TessaglyphProgram program = layoutProgram();
  program.addVariable();  // unused: cleaned away
  program.clean();
  const std::string file = home.root() + "cleaned.tgp";
  ASSERT_GT(program.writeProgram(file, 1), 0);

  TessaglyphProgram reread;
  ASSERT_GT(reread.readProgram(file, 1), 0);
  std::shared_ptr<TessaglyphMachine> machine;
  reread.prepareMachine(machine);
  EXPECT_EQ(layout(*machine), kLayout);
  EXPECT_EQ(machine->scriptFilename(), file);
  EXPECT_TRUE(ui.prompts.empty());
}

}  // namespace
}  // namespace tg
