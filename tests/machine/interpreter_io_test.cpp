// The file and text instructions through small scripts on real files: cells, file and errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <utility>

#include "machine/datum.hpp"
#include "machine/interpreter.hpp"
#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"
#include "support/file_layer.hpp"

namespace tg {

// Runs a machine's code with the debug run's checks on, without its stepping.
class InterpreterIoTestAccess {
 public:
  static void runChecked(TessaglyphMachine& machine, Integer start) {
    Interpreter interpreter(machine);
    interpreter.m_debug = true;
    interpreter.run(start);
  }
};

namespace test {
namespace {

using namespace std::string_literals;

constexpr const char* kVariables =
    ".var h integer\n.var v integer\n.var t ascii\n.var cnt integer\n.var d1 ascii\n"
    ".var n integer\n.var b unsigned\n.var f double\n";

// How a row runs: plainly, with the debug run's checks, unlocked, or locked as the script says.
enum Run { kPlain = 0, kChecked = 1, kUnlocked = 2, kScriptLocks = 4 };

struct Row {
  const char* name;
  std::string content;   // of the test file, $F; $D is the sandbox folder
  std::string script;    // after "main: open $F, store h" unless it starts with "main:"
  std::string expected;  // see left(); "file=" shows the file's bytes afterwards
  int run = kPlain;
};

class InterpreterIoTest : public InterpreterTest {
 protected:
  static constexpr const char* kFile = "files/data.bin";

  // Loads the one-line script, $F standing for `path` and $D for the sandbox folder, and runs it.
  void runScript(const std::string& script, const std::string& path, int how = kPlain) {
    const std::string withPath = std::regex_replace(lines(script), std::regex("\\$F"), path);
    load(std::regex_replace(withPath, std::regex("\\$D"), sandbox.root()), kVariables);
    machine->setDataLock(how & kUnlocked      ? TG_M_DL_FALSE
                         : how & kScriptLocks ? TG_M_DL_USESCRIPT
                                              : TG_M_DL_TRUE);
    if (how & kChecked) {
      InterpreterIoTestAccess::runChecked(*machine, 0);
    } else {
      machine->runExplicit(0);
    }
  }
  // The test file's bytes: printable as they are, others as <hex>, 8 or more alike as "byte*count".
  std::string shown(const std::string& name) const override {
    if (name != "file") return InterpreterTest::shown(name);
    const std::string bytes = sandbox.readFile(kFile).value_or("<missing>");
    std::string text;
    for (std::size_t at = 0, run = 0; at < bytes.size(); at += run) {
      run = std::min(bytes.find_first_not_of(bytes[at], at), bytes.size()) - at;
      const auto c = static_cast<unsigned char>(bytes[at]);
      char byte[8];
      std::snprintf(byte, sizeof byte, c >= 32 && c < 127 ? "%c" : "<%02X>", c);
      for (std::size_t i = 0; i < (run >= 8 ? 1 : run); ++i)
        text += byte;
      if (run >= 8) text += "*" + std::to_string(run);
    }
    return text;
  }
};

const std::string kBadOffset =
    "!11007 The offset pre-defined variable must have a value greater than or equal to zero for "
    "all file I/O operations.";
const std::string kBadBuffer =
    " is not a valid value for the second parameter of the BUFFER instruction.";
const std::string kNotAnInteger =
    "!11007 The operand for the flipbytes instruction must contain an integer (of size 2 or 4).";
// Make t a text delimited by "," (the register keeps the list).
const std::string kCommaList =
    "load 1|store cnt|cast_ascii register|load \",\"|store d1|setdelims cnt|";
const std::string kComma = kCommaList + "push register|pop t|cast_int2 register|";
// Puts "hello world" in t and leaves a two-byte register.
const std::string kHello =
    "main: cast_ascii register|load \"hello world\"|store t|cast_int2 register|";
const std::string kSpaced = "main: cast_ascii register|load \"  a b  \"|store t|";

// clang-format off
const Row kRows[] = {
    // Reads leave "offset" alone and 0 in the register for values of known size.
    {"TwoByteRead", "\x34\x12\xFE\xFF", "cast_int2 v|load h|read v|stop", "v=I:4660 register=L:0 offset=L:0"},
    {"FourByteReadAtAnOffset", "\x00\x01\x02\x03\x04\x05"s, "load 2|store p_offset|load h|read v|stop", "v=L:84148994 register=L:0 offset=L:2"},
    // Delimited reads count the bytes they consumed, delimiter included; without one, -(offset + 2).
    {"DelimitedRead", "ab,c", kComma + "load h|read t|stop", "t=T:ab register=L:3 offset=L:0"},
    {"DelimitedReadToTheEnd", "abc", kComma + "load 1|store p_offset|load h|read t|stop", "t=T:bc register=L:-3"},
    {"NumberReadPastTheEnd", "\x01", "cast_int2 v|load h|read v|stop", "!62 Input past end of file"},
    {"NegativeOffset", "abcd", "load -1|store p_offset|load h|read v", "!63 Bad record number"},
    {"NegativeOffsetChecked", "abcd", "load -1|store p_offset|load h|read v", kBadOffset, kChecked},
    {"ReadAfterClose", "abcd", "close h|load h|read v|stop", "!52 Bad file name or number"},
    {"CloseOfTheMexFileResetsIt", "abcd", "mex_setfile h|close h|stop", "mex=-1 files=0"},
    {"OpenOfAMissingFile", "", "open \"$Dmissing.bin\"|stop", "files=1 !53 File not found"},
    {"OpenInAnyCase", "\x05\x00"s, "open \"$DFILES/DATA.BIN\"|store h|cast_int2 v|load h|read v|stop", "v=I:5 files=2"},
    // EOF compares "offset" with the file's length.
    {"EofAtTheLength", "abcd", "load 4|store p_offset|eof h|stop", "register=B:1"},
    // Writes: refused under the data lock, overwriting at "offset" + 1 otherwise.
    {"WriteUnderTheDataLock", "abcdef", "load 7|store v|load h|write v|stop", "file=abcdef !11012 The WRITE instruction has been disabled"},
    {"WriteUnderTheScriptsDataLock", "abcdef", "load h|write v|stop", "file=abcdef !11012 The WRITE instruction has been disabled", kScriptLocks},
    {"TwoByteWrite", "\0\0\0\0\0\0"s, "load 2|store p_offset|load 258|store v|cast_int2 v|load h|write v|stop", "offset=L:2 file=<00><00><02><01><00><00>", kUnlocked},
    {"DelimitedTextWriteLeavesTheDelimiterOut", "abcdef", kComma + "cast_ascii register|load \"Q\"|store t|cast_int2 register|load h|write t|stop", "file=Qbcdef", kUnlocked},
    // BUFFER fills, whatever the data lock, and leaves "offset" alone.
    {"BufferWritesZeros", "abcdef", "load 2|store p_offset|load 3|store n|load 0|store b|load h|buffer n|stop", "offset=L:2 file=ab<00><00><00>f"},
    {"BufferExtendsTheFile", "ab", "load 2|store p_offset|load 5000|store n|load 65|store b|load h|buffer n|stop", "file=abA*5000"},
    {"BufferOfNothingChecked", "ab", "load 0|store n|load h|buffer n|stop", "file=ab !11007 0" + kBadBuffer, kChecked},
    {"FileExistsOfAFolder", "x", "fileexists \"$Dfiles\"|stop", "register=B:0"},
    {"FileExistsInAnyCase", "x", "fileexists \"$DFILES/DATA.BIN\"|stop", "register=B:1"},
    {"CharAfterTheCursor", "", kHello + "load 6|setoffset t|char t|stop", "register=T:w t=T:hello world"},
    {"CharsFromTheCursor", "", kHello + "load 6|setoffset t|load 3|chars t|stop", "register=T:wor"},
    {"SearchFromTheCursor", "", kHello + "load 5|setoffset t|cast_ascii register|load \"o\"|search t|stop", "register=I:7"},
    {"SearchForANumber", "", "main: cast_ascii register|load \"ab12\"|store t|load 12|cast_int2 register|search t|stop", "register=I:2"},
    {"SeofAtTheEnd", "", kHello + "load 11|setoffset t|s_eof t|stop", "register=B:1"},
    {"LenOfCells", "", kHello + "len t|store n|len f|store v|len b|stop", "n=L:11 v=L:8 register=I:1"},
    {"LenBeyondTwoBytesOverflows", "", "main: cast_ascii register|load \"a\"|multiply 40000|store t|len t|stop", "!6 Overflow"},
    {"SetToUpper", "", kHello + "settoupper t|stop", "t=T:HELLO WORLD"},
    {"LeftTrim", "", kSpaced + "ltrim t|stop", "t=T:a b  "},
    {"SetDelimsMakesATextRegister", "", "main: " + kCommaList + "stop", "register=T: d1=T:,"},
    {"SetDelimsOfNoDelimiters", "", "main: load 0|store cnt|setdelims cnt|stop", "!9 Subscript out of range"},
    // Byte flips: the two-byte one reads the old low byte as sign and magnitude.
    {"FlipTwoBytes", "", "main: loadnopoint mem[13330]|store v|cast_int2 v|flipbytes v|stop", "v=I:4660"},
    {"FlipMinusTwo", "", "main: load -2|store v|cast_int2 v|flipbytes v|stop", "v=I:-32511"},
    {"FlipFourBytes", "", "main: cast_int4 register|load 16909060|store v|flipbytes v|stop", "v=L:67305985"},
    {"FlipOfADoubleChecked", "", "main: flipbytes f|stop", kNotAnInteger, kChecked},
};
// clang-format on

TEST_F(InterpreterIoTest, InstructionsLeaveTheExpectedCellsAndFile) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    host.errors.clear();
    sandbox.writeFile(kFile, row.content);
    const std::string script =
        row.script.starts_with("main:") ? row.script : "main: open \"$F\"|store h|" + row.script;
    runScript(script, sandbox.root() + kFile, row.run);
    EXPECT_EQ(left(row.expected), row.expected);
  }
}

TEST_F(InterpreterIoTest, TheCheckedRunWantsTextOperands) {
  for (const char* name : {"open", "chars", "search"}) {
    host.errors.clear();
    runScript("main: "s + name + " v|stop", "", kChecked);
    const std::string shownName = name == "chars"s ? "charS" : name;
    EXPECT_EQ(left(""), "!11002 The " + shownName +
                            " instruction requires its operand to point to a memory address with "
                            "a data type of [ascii].");
  }
}

// A file another owner opened is not the script's to use, though its number is valid.
TEST_F(InterpreterIoTest, AHandleTheMachineDidNotOpenIsABadFileNumber) {
  sandbox.writeFile(kFile, "abcd");
  const Integer other = openFile(sandbox.root() + kFile, FileOpenMode::ReadOnly);
  runScript("main: loadnopoint mem[" + std::to_string(other) + "]|store h|close h|stop", "");
  EXPECT_EQ(left(""), "!52 Bad file name or number");
  EXPECT_EQ(fileLength(other), 4);
  closeFile(other);
}

// A host that goes on after a failed open gets the number the open would have taken.
TEST_F(InterpreterIoTest, AFailedOpenUnderContinueGivesTheFreeFileNumber) {
  host.continueErrors = true;
  const std::string expected = "h=L:" + std::to_string(freeFileHandle()) + " !53 File not found";
  runScript("main: open \"$Dmissing.bin\"|store h|stop", "");
  EXPECT_EQ(left(expected), expected);
}

TEST_F(InterpreterIoTest, WarmReadLoopMakesNoCells) {
  sandbox.writeFile(kFile, "\x01\x00\x02\x00"s);
  runScript(
      "main: open \"$F\"|store h|cast_int2 v|ready: load 0|store p_offset|load h|read v|"
      "flipbytes v|len v|eof h|stop",
      sandbox.root() + kFile);
  // From "ready:" on, every instruction reads or replaces in place.
  const DatumPoolStatistics before = DatumPool::statistics();
  for (int i = 0; i < 50; ++i)
    machine->runExplicit(3);
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_EQ(left("v="), "v=I:256");
  EXPECT_EQ(after.cellAllocations, before.cellAllocations);
  EXPECT_EQ(after.textAllocations, before.textAllocations);
  EXPECT_EQ(after.liveCells, before.liveCells);
  EXPECT_EQ(after.reuses, before.reuses);
}

}  // namespace
}  // namespace test
}  // namespace tg
