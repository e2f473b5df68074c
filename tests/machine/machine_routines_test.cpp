// The entry points that run script code: routines, explicit addresses, attribute reads and writes.
#include <gtest/gtest.h>

#include <string>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

class MachineRoutines : public InterpreterTest {
 protected:
  void SetUp() override {
    load(
        "main: loadnopoint mem[5]\nstop\n"
        "finish: loadnopoint mem[19]\nstop\n"
        "rd: loadnopoint mem[77]\nstore p_return\nloadnopoint mem[1]\nstop\n"
        "wr: setref p_value\nstore result\nstop",
        ".var result ascii\n"
        ".routine terminate finish\n"
        ".attribute code var integer 2 read rd write wr\n"
        ".attribute title var ascii 8 read rd write wr\n"
        ".attribute list var delimited (\";\") read rd write wr\n"
        ".attribute fixed var double read rd\n");
  }
  // Writes the attribute, then shows the value cell the script was handed and what it stored.
  std::string written(const char* name, const char* text) {
    const std::string failure =
        failureOf([&] { machine->attribute_write(machine->getAttributeIndex(name), text); });
    if (failure != "none") return failure;
    const DatumRef& cell = MachineAccess::cell(*machine, TG_M_PVI_VALUE);
    std::string delimiter;
    if (cell->isDelimited()) {
      const auto list = cell->getDelimiterList();
      delimiter = " " + list[list.lbound()];
    }
    return show(cell) + delimiter + " " + value("result");
  }
};

TEST_F(MachineRoutines, RoutinesAndExplicitAddressesRunAndReturnTheRegister) {
  EXPECT_EQ(machine->routine(TG_M_RAI_TERMINATE), "19");
  EXPECT_EQ(machine->routine(TG_M_RAI_INIT), "5");
  EXPECT_EQ(failureOf([&] { machine->routine(TG_M_RAI_VALID); }), "11008 [] Routine not defined.");
  const Integer count = machine->numInstructions();
  EXPECT_EQ(failureOf([&] { machine->runExplicit(count); }),
            "11005 [] " + std::to_string(count) + " is not a valid instruction address.");
  EXPECT_EQ(failureOf([&] { machine->runExplicit(-1); }),
            "11005 [] -1 is not a valid instruction address.");
  EXPECT_GIVES((machine->runExplicit(2), machine->register_()), "19");
  EXPECT_EQ(machine->attribute_read(machine->getAttributeIndex("CODE")), "77");  // any case
  EXPECT_EQ(failureOf([&] { machine->attribute_read(99); }),
            "9 [TessaglyphMachine::attribute_read] Subscript out of range");
}

// The data lock before the read-only test; the script gets a value cell of the attribute's type.
TEST_F(MachineRoutines, AttributeWrites) {
  EXPECT_EQ(written("fixed", "1"), "11012 [] The data-lock for this script has been activated.");
  machine->setDataLock(TG_M_DL_FALSE);
  EXPECT_EQ(written("fixed", "1"), "11009 [] Attribute \"fixed\" is defined as read-only.");
  EXPECT_EQ(written("code", "123"), "I:123 123");
  EXPECT_EQ(written("title", "abc"), "T:abc      abc     ");
  EXPECT_EQ(written("list", "x"), "T:x ; x");
  EXPECT_EQ(written("code", "abc"), "13 [] Type mismatch");
  EXPECT_EQ(value("result"), "x");
}

TEST_F(MachineRoutines, DataVoidValueByFileReadsTheAttribute) {
  load("main: stop\nvoid: load -9999\nstore p_return\nstop",
       ".property datavoidvalue \"byfile\"\n.attribute ddatavoidvalue var integer 2 read void\n");
  EXPECT_EQ(machine->datavoidValue(), -9999.0f);
}

}  // namespace
}  // namespace tg::test
