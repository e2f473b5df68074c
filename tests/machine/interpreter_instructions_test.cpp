// The effect of each instruction, through small scripts: what the register and the variables
// hold afterwards, and which cells were replaced rather than copied into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/interpreter_test_support.hpp"

namespace tg::test {
namespace {

struct Expectation {
  const char* name;  // "register" or a variable
  const char* text;
  TG_M_DATATYPES type;
};

struct InstructionCase {
  const char* title;
  const char* body;
  std::vector<Expectation> expected;
};

constexpr const char* kVariables =
    ".var d double\n.var i integer\n.var s ascii\n.var a integer\n.var b integer\n"
    ".var c integer\n.var w double\n";

class InstructionEffects : public InterpreterTest,
                           public ::testing::WithParamInterface<InstructionCase> {};

TEST_P(InstructionEffects, LeaveTheExpectedCells) {
  const InstructionCase& test = GetParam();
  run(test.body, kVariables);
  EXPECT_TRUE(host.errors.empty()) << host.errors.front().description;
  for (const Expectation& e : test.expected) {
    const Integer at = std::string(e.name) == "register" ? 0 : address(e.name);
    EXPECT_EQ(machine->Memory(at), e.text) << e.name;
    EXPECT_EQ(machine->memoryDataType(at), e.type) << e.name;
  }
}

const InstructionCase kCases[] = {
    // Copies keep the target's type; replacements give the register the result's.
    {"LoadConvertsToTheRegistersType",
     "main: load 2.5\nstop",
     {{"register", "2", TG_M_DT_INTEGER2}}},
    {"StoreConvertsToTheTargetsType",
     "main: loadnopoint mem[7]\nstore d\nstore s\nstop",
     {{"d", "7", TG_M_DT_DOUBLE}, {"s", "7", TG_M_DT_ASCII}}},
    {"LoadPtrAndStorePtrGoThroughAnAddress",
     "main: loadnopoint mem[8]\nstore i\nloadnopoint mem[42]\nstore_ptr i\nloadnopoint mem[0]\n"
     "load_ptr i\nstop",
     {{"value", "42", TG_M_DT_DOUBLE}, {"register", "42", TG_M_DT_INTEGER2}}},
    {"ArithmeticKeepsTheLeftKind",
     "main: loadnopoint mem[7]\ncast_double register\nsubtract 1\nmultiply 3\ndivide 4\nstop",
     {{"register", "4.5", TG_M_DT_DOUBLE}}},
    {"IntegerAddStaysInteger",
     "main: loadnopoint mem[30000]\nadd 2767\nstop",
     {{"register", "32767", TG_M_DT_INTEGER2}}},
    {"TextAddJoins",
     "main: setref \"ab\"\nadd \"cd\"\nstore s\nstop",
     {{"register", "abcd", TG_M_DT_ASCII}, {"s", "abcd", TG_M_DT_ASCII}}},
    {"ModulusGivesAFourByteInteger",
     "main: loadnopoint mem[17]\nmodulus 5\nstop",
     {{"register", "2", TG_M_DT_INTEGER4}}},
    {"LessThanGivesAnUnsignedCell",
     "main: loadnopoint mem[3]\nlessthan 4\nstop",
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"LessThanEqual",
     "main: loadnopoint mem[4]\nlessthanequal 4\nstop",
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"GreaterThan",
     "main: loadnopoint mem[4]\ngreaterthan 4\nstop",
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"GreaterThanEqual",
     "main: loadnopoint mem[4]\ngreaterthanequal 5\nstop",
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"Equal",
     "main: loadnopoint mem[4]\nequal 4.0\nstop",
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"NotEqual",
     "main: setref \"SEG1\"\nnotequal \"SEG1\"\nstop",
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"AndOr",
     "main: loadnopoint mem[5]\nand 0\nstore a\nor \"x\"\nstop",
     {{"a", "0", TG_M_DT_INTEGER4}, {"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"NotChangesTheOperandInItsOwnType",
     "main: loadnopoint mem[9]\nstore s\nnot s\nnot d\nstop",
     {{"s", "0", TG_M_DT_ASCII}, {"d", "1", TG_M_DT_DOUBLE}, {"register", "9", TG_M_DT_INTEGER2}}},
    // Casts replace the cell; a value that does not convert leaves zero or empty.
    {"CastsConvert",
     "main: load 2.5\ncast_ascii d\ncast_single p_value\nstop",
     {{"d", "0", TG_M_DT_ASCII}, {"value", "0", TG_M_DT_SINGLE}}},
    {"CastAsciiToNumberThatDoesNotConvertKeepsZero",
     "main: setref \"abc\"\nstore s\ncast_int2 s\nstop",
     {{"s", "0", TG_M_DT_INTEGER2}}},
    {"CastThatOverflowsKeepsZero",
     "main: loadnopoint mem[300]\nstore i\ncast_uint i\nstop",
     {{"i", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"CastNumberToAsciiKeepsTheValue",
     "main: load -12\nstore d\ncast_ascii d\nstop",
     {{"d", "-12", TG_M_DT_ASCII}}},
    {"CastAsciiToDouble",
     "main: setref \" 1.25 \"\nstore s\ncast_double s\nstop",
     {{"s", "1.25", TG_M_DT_DOUBLE}}},
    // Sharing through SETREF and the stack.
    {"SetRefThenCopySharesTheChange",
     "main: setref d\nload 9\nstop",
     {{"d", "9", TG_M_DT_DOUBLE}, {"register", "9", TG_M_DT_DOUBLE}}},
    {"SetRefThenReplaceLeavesTheOtherCell",
     "main: setref d\nloadnopoint mem[4]\nadd 1\nstop",
     {{"d", "0", TG_M_DT_DOUBLE}, {"register", "5", TG_M_DT_INTEGER2}}},
    {"SharedRegisterArithmeticMakesANewCell",
     "main: loadnopoint mem[6]\nstore d\nsetref d\nadd 1\nlessthan 100\nstop",
     {{"d", "6", TG_M_DT_DOUBLE}, {"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"PushedCellSeesLaterStores",
     "main: loadnopoint mem[5]\nstore d\npush d\nloadnopoint mem[8]\nstore d\npop w\nstop",
     {{"w", "8", TG_M_DT_DOUBLE}}},
    {"PopAndPeekOnAnEmptyStackChangeNothing",
     "main: loadnopoint mem[3]\nstore i\npop i\npeek i\nstop",
     {{"i", "3", TG_M_DT_INTEGER4}}},
    {"PeekLeavesTheTop",
     "main: push s\npeek d\npop w\nstop",
     {{"d", "", TG_M_DT_ASCII}, {"w", "", TG_M_DT_ASCII}}},
    {"PopmAfterPushmRestoresTheCells",
     "main: loadnopoint mem[1]\nstore a\nloadnopoint mem[2]\nstore b\nloadnopoint mem[3]\n"
     "store c\npushm a\ncast_ascii a\ncast_ascii b\ncast_ascii c\npopm a\nstop",
     {{"a", "1", TG_M_DT_INTEGER4}, {"b", "2", TG_M_DT_INTEGER4}, {"c", "3", TG_M_DT_INTEGER4}}},
    {"PushmPushesInAddressOrder",
     "main: loadnopoint mem[1]\nstore a\nloadnopoint mem[2]\nstore b\nloadnopoint mem[3]\n"
     "store c\npushm a\npop w\nstop",
     {{"w", "3", TG_M_DT_INTEGER4}}},
    {"PopmOnAShortStackLeavesTheRest",
     "main: loadnopoint mem[7]\nstore d\npush d\nloadnopoint mem[3]\npopm a\nstop",
     {{"a", "0", TG_M_DT_INTEGER4}, {"b", "0", TG_M_DT_INTEGER4}, {"c", "7", TG_M_DT_DOUBLE}}},
    // Control.
    {"BranchPositiveLoops",
     "main: loadnopoint mem[3]\nagain: subtract 1\nbranch_positive again\nstop",
     {{"register", "0", TG_M_DT_INTEGER2}}},
    {"BranchNegativeZeroTrueFalse",
     "main: load -1\nbranch_negative n\nstop\nn: add 1\nbranch_zero z\nstop\n"
     "z: branch_false f\nstop\nf: add 1\nbranch_true t\nstop\nt: store i\nstop",
     {{"i", "1", TG_M_DT_INTEGER4}}},
    {"BranchesNotTakenFallThrough",
     "main: loadnopoint mem[1]\nbranch_negative x\nbranch_zero x\nbranch_false x\nstore i\nstop\n"
     "x: stop",
     {{"i", "1", TG_M_DT_INTEGER4}}},
    {"GosubReturnsAtStop",
     "main: gosub sub\nadd 1\nstop\nsub: loadnopoint mem[5]\nstop",
     {{"register", "6", TG_M_DT_INTEGER2}}},
    {"NestedGosubs",
     "main: gosub one\nadd 100\nstop\none: gosub two\nadd 10\nstop\ntwo: loadnopoint mem[1]\n"
     "stop",
     {{"register", "111", TG_M_DT_INTEGER2}}},
    {"GotoAndNop",
     "main: goto later\nloadnopoint mem[1]\nlater: NOP\nstop",
     {{"register", "0", TG_M_DT_INTEGER2}}},
    // The rest.
    {"LikeMatchesPatterns",
     "main: setref \"ab7\"\nlike \"a?#\"\nstore a\nlike \"[!a]*\"\nstop",
     {{"a", "1", TG_M_DT_INTEGER4}, {"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"LikeIsCaseSensitive",
     "main: setref \"Abc\"\nlike \"a*\"\nstop",
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"IntRoundsDown",
     "main: int -2.5\nstore a\nint 2.99\nstop",
     {{"a", "-3", TG_M_DT_INTEGER4}, {"register", "2", TG_M_DT_INTEGER4}}},
    {"FpartKeepsTheSign", "main: fpart -2.75\nstop", {{"register", "-0.75", TG_M_DT_DOUBLE}}},
    {"IpartTruncates", "main: ipart -2.75\nstop", {{"register", "-2", TG_M_DT_DOUBLE}}},
    {"LoadNoPointTakesTheOperand",
     "main: loadnopoint mem[300]\nstop",
     {{"register", "300", TG_M_DT_INTEGER2}}},
};

INSTANTIATE_TEST_SUITE_P(Interpreter, InstructionEffects, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(InterpreterTest, SharedLiteralIsNotChangedByReplacingArithmetic) {
  run("main: setref 5\nadd 1\nstore i\nload 5\nstop", kVariables);
  EXPECT_EQ(value("i"), "6");
  EXPECT_EQ(machine->register_(), "5");
}

TEST_F(InterpreterTest, TimerAndMexSetFileAndRaiseEvent) {
  load(
      "main: timer register\nstore d\nloadnopoint mem[3]\nstore i\nmex_setfile i\n"
      "raiseevent \"elevation\"\nstop",
      kVariables, [] { return 12.5f; });
  machine->runExplicit(0);
  EXPECT_EQ(value("d"), "12.5");
  EXPECT_EQ(machine->mexFile(), 3);
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0], std::make_pair(std::string("elevation"), std::string("3")));
}

TEST_F(InterpreterTest, UnknownOpcodesAreSkippedInThePlainRun) {
  load("main: NOP\nloadnopoint mem[4]\nstop", kVariables);
  MachineAccess::setInstruction(*machine, 0, {TG_M_INSTRUCTIONS(80), 0});
  machine->runExplicit(0);
  EXPECT_EQ(machine->register_(), "4");
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(InterpreterTest, SingleStopReturnsAtOnce) {
  run("main: stop");
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(machine->register_(), "0");
}

// Instructions that raise instead of acting, with their exact errors.
TEST_F(InterpreterTest, RefusingInstructionsRaiseTheirErrors) {
  struct Row {
    const char* body;
    std::int32_t number;
    const char* source;
    const char* description;
  };
  const Row rows[] = {
      {"string2latlon register", 1, "TessaglyphMachine::runWithDebug",
       "STRING2LATLON instruction not functional"},
      {"lat2string register", 1, "TessaglyphMachine::runWithDebug",
       "LAT2STRING instruction not functional"},
      {"lon2string register", 1, "TessaglyphMachine::runWithDebug",
       "LON2STRING instruction not functional"},
      {"skip register", 1, "TessaglyphMachine::runWithDebug", "SKIP instruction not functional"},
      {"write_pd register", 11012, "", "The WRITEPD instruction has been disabled"},
      {"notify register", 1, "TessaglyphMachine::run",
       "The NOTIFY instruction is not available in this build."},
      {"setref \"a\"\ndivide \"b\"", 13, "TessaglyphMachine::run", "Type mismatch"},
      {"loadnopoint mem[1]\ndivide 0", 11, "", "Division by zero"},
      {"int 1e10", 6, "TessaglyphMachine::run", "Overflow"},
      {"setref \"x\"\nlike \"[z-a]\"", 93, "", "Invalid pattern string"},
      {"load_ptr p_row", 9, "TessaglyphMachine::run", "Subscript out of range"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.body);
    load(std::string("main: ") + row.body + "\nstop");
    machine->setErrorEventEnabled(false);
    MachineAccess::cell(*machine, TG_M_PVI_ROW)->setLong(30000);  // an address beyond memory
    EXPECT_TRUE(
        raisesError([&] { machine->runExplicit(0); }, row.number, row.source, row.description));
  }
}

TEST_F(InterpreterTest, WritePdWithoutTheDataLockIsNotFunctional) {
  load("main: write_pd register\nstop");
  machine->setErrorEventEnabled(false);
  machine->setDataLock(TG_M_DL_FALSE);
  EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 1, "TessaglyphMachine::runWithDebug",
                          "WRITEPD instruction not functional"));
}

}  // namespace
}  // namespace tg::test
