// Continuing after an error: when the host's executionError handler sets continue, the steps of
// the failed instruction that follow the failing one still run, in every instruction family.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"
#include "support/file_layer.hpp"

namespace tg::test {
namespace {

constexpr const char* kVariables =
    ".var h integer\n.var a integer\n.var b integer\n.var p integer\n.var f double\n"
    ".var t ascii\n.var cnt integer\n.var n integer\n.var d1 ascii\n";

struct ContinueCase {
  const char* title;
  std::string body;  // $F is the data file ("AB,CD"), $D the sandbox folder
  std::vector<Long> errors;
  std::vector<std::pair<const char*, std::string>> cells;  // "register", "pdv N" or a variable
  std::optional<TG_M_DATATYPES> registerType = std::nullopt;
  bool debug = false;
  // The instruction whose operand becomes the address of the variable `patchTo` (none: 0) plus
  // `patchOffset`: addresses outside memory, which the assembler refuses to write.
  Integer patchInstruction = -1;
  const char* patchTo = "";
  Integer patchOffset = 0;
};

void PrintTo(const ContinueCase& test, std::ostream* out) {
  *out << test.title;
}

class ContinueAfterError : public InterpreterTest,
                           public ::testing::WithParamInterface<ContinueCase> {};

TEST_P(ContinueAfterError, RunsTheRemainingStepsOfTheFailedInstruction) {
  const ContinueCase& c = GetParam();
  sandbox.writeFile("data.bin", "AB,CD");
  std::string body = c.body;
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"$F", sandbox.root() + "data.bin"},
        {"$D", sandbox.root()}}) {
    for (std::size_t at = body.find(from); at != std::string::npos; at = body.find(from, at)) {
      body.replace(at, from.size(), to);
    }
  }
  load(body, kVariables);
  if (c.patchInstruction >= 0) {
    TG_M_INSTRUCTION instruction = machine->instructions(c.patchInstruction);
    const Integer base = std::string(c.patchTo).empty() ? 0 : address(c.patchTo);
    instruction.operand = Integer(base + c.patchOffset);
    MachineAccess::setInstruction(*machine, c.patchInstruction, instruction);
  }
  machine->setEnableDebug(c.debug);
  machine->setMessageBoxMode(TG_M_MBM_EVENT);
  host.continueErrors = true;
  const Integer freeHandle = freeFileHandle();
  machine->runExplicit(0);

  std::vector<Long> numbers;
  for (const ReportedError& e : host.errors)
    numbers.push_back(e.number);
  EXPECT_EQ(numbers, c.errors);
  for (const auto& [name, text] : c.cells) {
    const std::string where(name);
    Integer at = 0;
    if (where.rfind("pdv ", 0) == 0) {
      at = Integer(std::stoi(where.substr(4)));
    } else if (where != "register") {
      at = address(where);
    }
    EXPECT_EQ(machine->Memory(at), text == "$HANDLE" ? std::to_string(freeHandle) : text) << where;
  }
  if (c.registerType) {
    EXPECT_EQ(machine->registerDataType(), *c.registerType);
  }
}

const ContinueCase kContinueCases[] = {
    {"ReadPastTheEndStillLeavesTheCount",
     "main: open \"$F\"\nstore h\nread f\nstore cnt\nstop",
     {62},
     {{"register", "0"}, {"cnt", "0"}},
     TG_M_DT_INTEGER4},
    {"ReadWithANegativeOffsetGoesOnToTheRead",
     "main: open \"$F\"\nstore h\nload -1\nstore p_offset\nload h\nread a\nstop",
     {11007, 63},
     {{"register", "0"}},
     TG_M_DT_INTEGER4,
     true},
    {"OpenOfAMissingFileLeavesTheHandleItWouldHaveTaken",
     "main: open \"$Dmissing.bin\"\nstore h\nread a\nstop",
     {53, 52},
     {{"h", "$HANDLE"}},
     TG_M_DT_INTEGER4},
    {"PushmPushesTheElementsAfterAFailingOne",
     "main: load 7\nstore p_offset\nload 3\npushm mem[0]\npop a\npop b\nstop",
     {9},
     {{"a", "7"}, {"b", "3"}},
     std::nullopt,
     false,
     3,
     "",
     -1},
    {"PopmPopsIntoTheElementsAfterAFailingOne",
     "main: load 4\nstore a\nload 5\nstore b\npush a\npush b\nload 3\npopm mem[0]\nstop",
     {9},
     {{"d1", "5"}, {"n", "4"}},
     std::nullopt,
     false,
     7,
     "n",
     0},
    {"PopmInTheDebugRunReportsEachEmptyElement",
     "main: load 4\nstore a\npush a\nload 3\npopm cnt\nstop",
     {11014, 11014},
     {{"d1", "4"}},
     std::nullopt,
     true},
    {"SetdelimsKeepsTheElementsBeforeAFailingOne",
     "main: load 2\nstore n\ncast_ascii register\nload \",\"\nstore d1\nsetdelims mem[0]\n"
     "push register\npop t\nopen \"$F\"\nread t\nstop",
     {9},
     {{"t", "AB"}, {"register", "3"}},
     TG_M_DT_INTEGER4,
     false,
     5,
     "n",
     0},
    {"NotifyOfAnUnknownTypeStillAsksWithAnOkBox",
     "main: notify \"XWhat now?\"\nstop",
     {11004},
     {{"register", "OK"}},
     TG_M_DT_ASCII},
    {"RefusedStoreStoresOnceTheHostContinues",
     "main: load 5\nstore p_row\nstop",
     {11006},
     {{"pdv 6", "5"}},
     std::nullopt,
     true},
    {"RefusedStorePointerStoresOnceTheHostContinues",
     "main: load 1\nstore p\nload 9\nstore_ptr p\nstop",
     {11006},
     {{"pdv 1", "9"}},
     std::nullopt,
     true},
    {"RefusedCastCastsOnceTheHostContinues",
     "main: load 3\nstore p_offset\ncast_double p_offset\nload p_offset\nstop",
     {11001},
     {{"pdv 1", "3"}},
     std::nullopt,
     true},
};

INSTANTIATE_TEST_SUITE_P(Interpreter, ContinueAfterError, ::testing::ValuesIn(kContinueCases),
                         [](const ::testing::TestParamInfo<ContinueCase>& info) {
                           return info.param.title;
                         });

// Memory that runs out inside a run takes the error path as error 7, in both runs.
TEST_F(InterpreterTest, OutOfMemoryIsAScriptError) {
  for (const bool debug : {false, true}) {
    host.errors.clear();
    load("main: raiseevent \"grow\"\nloadnopoint mem[5]\nstop");
    machine->setEnableDebug(debug);
    host.onDataChanged = [] { throw std::bad_alloc(); };
    host.continueErrors = true;
    machine->runExplicit(0);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].number, 7);
    EXPECT_EQ(host.errors[0].description, "Out of memory");
    EXPECT_EQ(machine->register_(), "5");

    machine->setErrorEventEnabled(false);
    EXPECT_TRUE(raisesError([&] { machine->runExplicit(0); }, 7,
                            debug ? "TessaglyphMachine::runWithDebug" : "TessaglyphMachine::run",
                            "Out of memory"));
    host.onDataChanged = nullptr;
  }
}

TEST_F(InterpreterTest, RefusedCastChangesTheTypeOnceTheHostContinues) {
  load("main: cast_double p_offset\nstop");
  machine->setEnableDebug(true);
  host.continueErrors = true;
  machine->runExplicit(0);
  EXPECT_EQ(machine->memoryDataType(1), TG_M_DT_DOUBLE);
}

}  // namespace
}  // namespace tg::test
