// The effect of each instruction through small scripts, and the errors of those that refuse.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

using namespace std::string_literals;

constexpr const char* kVariables =
    ".var d double\n.var i integer\n.var s ascii\n.var a integer\n.var b integer\n"
    ".var c integer\n.var w double\n";
constexpr const char* kOneTwoThree =
    "main: loadnopoint mem[1]|store a|loadnopoint mem[2]|store b|loadnopoint mem[3]|store c|";

TEST_F(InterpreterTest, InstructionsLeaveTheExpectedCells) {
  // clang-format off
  const std::pair<std::string, const char*> rows[] = {
      // Copies keep the target's type; replacements give the register the result's.
      {"main: load 2.5|stop", "register=I:2"},
      {"main: loadnopoint mem[7]|store d|store s|stop", "d=D:7 s=T:7"},
      {"main: loadnopoint mem[8]|store i|loadnopoint mem[42]|store_ptr i|loadnopoint mem[0]|load_ptr i|stop", "value=D:42 register=I:42"},
      {"main: loadnopoint mem[7]|cast_double register|subtract 1|multiply 3|divide 4|stop", "register=D:4.5"},
      {"main: setref \"ab\"|add \"cd\"|store s|stop", "register=T:abcd s=T:abcd"},
      {"main: loadnopoint mem[17]|modulus 5|stop", "register=L:2"},
      {"main: loadnopoint mem[3]|lessthan 4|stop", "register=B:1"},
      {"main: loadnopoint mem[4]|lessthanequal 4|stop", "register=B:1"},
      {"main: loadnopoint mem[4]|greaterthan 4|stop", "register=B:0"},
      {"main: loadnopoint mem[4]|greaterthanequal 5|stop", "register=B:0"},
      {"main: loadnopoint mem[4]|equal 4.0|stop", "register=B:1"},
      {"main: setref \"SEG1\"|notequal \"SEG1\"|stop", "register=B:0"},
      {"main: loadnopoint mem[5]|and 0|store a|or \"x\"|stop", "a=L:0 register=B:1"},
      {"main: loadnopoint mem[9]|store s|not s|not d|stop", "s=T:0 d=D:1 register=I:9"},
      // Casts replace the cell; a value that does not convert leaves zero or empty.
      {"main: load 2.5|cast_ascii d|cast_single p_value|stop", "d=T:0 value=S:0"},
      {"main: setref \"abc\"|store s|cast_int2 s|stop", "s=I:0"},
      {"main: setref \" 1.25 \"|store s|cast_double s|stop", "s=D:1.25"},
      {"main: setref d|loadnopoint mem[4]|add 1|stop", "d=D:0 register=I:5"},
      {"main: loadnopoint mem[6]|store d|setref d|add 1|lessthan 100|stop", "d=D:6 register=B:1"},
      {"main: loadnopoint mem[5]|store d|push d|loadnopoint mem[8]|store d|pop w|stop", "w=D:8"},
      {"main: loadnopoint mem[3]|store i|pop i|peek i|stop", "i=L:3"},
      {"main: push s|peek d|pop w|stop", "d=T: w=T:"},
      {kOneTwoThree + "pushm a|cast_ascii a|cast_ascii b|cast_ascii c|popm a|stop"s, "a=L:1 b=L:2 c=L:3"},
      {"main: loadnopoint mem[7]|store d|push d|loadnopoint mem[3]|popm a|stop", "a=L:0 b=L:0 c=D:7"},
      {"main: loadnopoint mem[3]|again: subtract 1|branch_positive again|stop", "register=I:0"},
      {"main: load -1|branch_negative n|stop|n: add 1|branch_zero z|stop|z: branch_false f|stop|f: add 1|branch_true t|stop|t: store i|stop", "i=L:1"},
      {"main: loadnopoint mem[1]|branch_negative x|branch_zero x|branch_false x|store i|stop|x: stop", "i=L:1"},
      {"main: loadnopoint mem[0]|branch_negative x|branch_positive x|add 1|store i|stop|x: stop", "i=L:1"},
      {"main: gosub one|add 100|stop|one: gosub two|add 10|stop|two: loadnopoint mem[1]|stop", "register=I:111"},
      {"main: setref \"ab7\"|like \"a?#\"|store a|like \"[!a]*\"|stop", "a=L:1 register=B:1"},
      {"main: int -2.5|store a|int 2.99|stop", "a=L:-3 register=L:2"},
      {"main: fpart -2.75|stop", "register=D:-0.75"},
      {"main: ipart -2.75|stop", "register=D:-2"},
      {"main: timer register|store d|loadnopoint mem[3]|store i|mex_setfile i|stop", "d=D:12.5 mex=3"},
  };
  // clang-format on
  for (const auto& [body, expected] : rows) {
    load(lines(body), kVariables, [] { return 12.5f; });
    machine->runExplicit(0);
    EXPECT_EQ(left(expected), expected) << body;
  }
}

TEST_F(InterpreterTest, RefusingInstructionsRaiseTheirErrors) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"string2latlon register", "1 [TessaglyphMachine::runWithDebug] STRING2LATLON instruction not functional"},
      {"lon2string register", "1 [TessaglyphMachine::runWithDebug] LON2STRING instruction not functional"},
      {"write_pd register", "11012 [] The WRITEPD instruction has been disabled"},
      {"notify register", "11004 [TessaglyphMachine::run] 0 is not a valid NOTIFY type."},
      {"setref \"a\"|divide \"b\"", "13 [TessaglyphMachine::run] Type mismatch"},
      {"loadnopoint mem[1]|divide 0", "11 [] Division by zero"},
      {"int -3e9", "6 [TessaglyphMachine::run] Overflow"},
      {"setref \"x\"|like \"[z-a]\"", "93 [] Invalid pattern string"},
      {"load_ptr p_row", "9 [TessaglyphMachine::run] Subscript out of range"},
  };
  // clang-format on
  for (const auto& [body, failure] : rows) {
    load(lines("main: "s + body + "|stop"));
    machine->setErrorEventEnabled(false);
    MachineAccess::cell(*machine, TG_M_PVI_ROW)->setLong(30000);  // an address beyond memory
    EXPECT_EQ(failureOf([&] { machine->runExplicit(0); }), failure) << body;
  }
  load("main: write_pd register\nstop");
  machine->setErrorEventEnabled(false);
  machine->setDataLock(TG_M_DL_FALSE);
  EXPECT_EQ(failureOf([&] { machine->runExplicit(0); }),
            "1 [TessaglyphMachine::runWithDebug] WRITEPD instruction not functional");
}

}  // namespace
}  // namespace tg::test
