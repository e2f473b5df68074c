// The entry points that run script code: routines, explicit addresses, attribute reads and
// writes, and the data-void value a script takes from its file.
#include <gtest/gtest.h>

#include <string>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

constexpr const char* kHeader =
    ".var result ascii\n"
    ".routine terminate finish\n"
    ".attribute code var integer 2 read rd write wr\n"
    ".attribute title var ascii 8 read rd write wr\n"
    ".attribute list var delimited (\";\") read rd write wr\n"
    ".attribute fixed var double read rd\n";

constexpr const char* kBody =
    "main: loadnopoint mem[5]\nstop\n"
    "finish: loadnopoint mem[19]\nstop\n"
    "rd: loadnopoint mem[77]\nstore p_return\nstop\n"
    "wr: setref p_value\nstore result\nstop";

class MachineRoutinesTest : public InterpreterTest {
 protected:
  void SetUp() override { load(kBody, kHeader); }
  Integer attribute(const char* name) { return machine->getAttributeIndex(name); }
};

TEST_F(MachineRoutinesTest, RoutineRunsItsSlotAndReturnsTheRegister) {
  EXPECT_EQ(machine->routine(TG_M_RAI_TERMINATE), "19");
  EXPECT_EQ(machine->routine(TG_M_RAI_INIT), "5");
  EXPECT_TRUE(
      raisesError([&] { machine->routine(TG_M_RAI_VALID); }, 11008, "", "Routine not defined."));
}

TEST_F(MachineRoutinesTest, RunExplicitChecksTheAddress) {
  const Integer count = machine->numInstructions();
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(count); }, 11005, "",
                          std::to_string(count) + " is not a valid instruction address."));
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(-1); }, 11005, "",
                          "-1 is not a valid instruction address."));
  machine->runExplicit(2);
  EXPECT_EQ(machine->register_(), "19");
}

TEST_F(MachineRoutinesTest, AttributeReadReturnsTheReturnVariable) {
  EXPECT_EQ(machine->attribute_read(attribute("code")), "77");
  EXPECT_THROW(machine->attribute_read(99), Error);
}

TEST_F(MachineRoutinesTest, DataLockComesBeforeTheReadOnlyTest) {
  EXPECT_TRUE(raisesError([&] { machine->attribute_write(attribute("fixed"), "1"); }, 11012, "",
                          "The data-lock for this script has been activated."));
  machine->setDataLock(TG_M_DL_FALSE);
  EXPECT_TRUE(raisesError([&] { machine->attribute_write(attribute("fixed"), "1"); }, 11009, "",
                          "Attribute \"fixed\" is defined as read-only."));
}

TEST_F(MachineRoutinesTest, AttributeWriteHandsAValueCellOfTheAttributesType) {
  machine->setDataLock(TG_M_DL_FALSE);
  machine->attribute_write(attribute("code"), "123");
  EXPECT_EQ(machine->memoryDataType(TG_M_PVI_VALUE), TG_M_DT_INTEGER2);
  EXPECT_EQ(value("result"), "123");

  machine->attribute_write(attribute("title"), "abc");
  EXPECT_EQ(cellAt(*machine, TG_M_PVI_VALUE).fixedLength(), 8);
  EXPECT_EQ(value("result"), "abc     ");

  machine->attribute_write(attribute("list"), "x");
  EXPECT_TRUE(cellAt(*machine, TG_M_PVI_VALUE).isDelimited());
  const auto delimiters = cellAt(*machine, TG_M_PVI_VALUE).getDelimiterList();
  EXPECT_EQ(delimiters[delimiters.lbound()], ";");

  // A text that is no number for a numeric attribute is the caller's error; nothing runs.
  EXPECT_THROW(machine->attribute_write(attribute("code"), "abc"), Error);
  EXPECT_EQ(value("result"), "x");
}

TEST_F(InterpreterTest, DataVoidValueByFileReadsTheAttribute) {
  load("main: stop\nvoid: load -9999\nstore p_return\nstop",
       ".property datavoidvalue \"byfile\"\n.attribute ddatavoidvalue var integer 2 read void\n");
  EXPECT_EQ(machine->datavoidValue(), -9999.0f);
}

}  // namespace
}  // namespace tg::test
