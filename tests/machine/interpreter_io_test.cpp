// The file and text instructions through small scripts on real files in a temporary folder:
// what the cells and the register hold afterwards, what reached the file, and which errors the
// run reported.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "machine/datum.hpp"
#include "machine/interpreter.hpp"
#include "machine/interpreter_test_support.hpp"
#include "machine/machine_access.hpp"
#include "support/file_layer.hpp"

namespace tg {

// Runs a machine's code with the debug run's checks switched on, without the stepping the
// debug run adds around them.
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
    ".var d2 ascii\n.var n integer\n.var b unsigned\n.var f double\n";

// Opens the test file ($F) and keeps its handle in h.
constexpr const char* kOpen = "main: open \"$F\"\nstore h\n";
// Makes the register a text delimited by ",".
constexpr const char* kCommaRegister =
    "load 1\nstore cnt\ncast_ascii register\nload \",\"\nstore d1\nsetdelims cnt\n";
// Makes t that text, and the register a two-byte cell of its own again.
const std::string kComma = kCommaRegister + "push register\npop t\ncast_int2 register\n"s;
// Makes t a text delimited by CR LF or ";".
constexpr const char* kLineOrSemicolon =
    "load 2\nstore cnt\ncast_ascii register\nload \"\\r\\n\"\nstore d1\nload \";\"\nstore d2\n"
    "setdelims cnt\npush register\npop t\ncast_int2 register\n";
// Puts "hello world" in t and leaves a two-byte register.
constexpr const char* kHello =
    "main: cast_ascii register\nload \"hello world\"\nstore t\ncast_int2 register\n";

struct Expectation {
  const char* name;  // "register" or a variable
  std::string text;
  std::optional<TG_M_DATATYPES> type = std::nullopt;
};

struct ExpectedError {
  ExpectedError(Long n, std::string text = {}) : number(n), description(std::move(text)) {}
  Long number;
  std::string description;  // checked when not empty
};

// The address of a variable of the machine's program.
Integer addressOf(const TessaglyphMachine& machine, std::string_view name) {
  for (Integer a = 0; a < machine.dataMemory(); ++a) {
    if (machine.variableNames(a) == name) return a;
  }
  ADD_FAILURE() << "no variable " << name;
  return 0;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

class InterpreterIoTest : public InterpreterTest {
 protected:
  // Writes the bytes to a file below the sandbox and returns its full path.
  std::string makeFile(const std::string& relative, const std::string& content) {
    sandbox.writeFile(relative, content);
    return sandbox.root() + relative;
  }
  std::string fileBytes(const std::string& relative) const {
    return sandbox.readFile(relative).value_or("<missing>");
  }

  // Loads `body` with $F standing for `path` and $D for the sandbox folder, and runs it plainly
  // or with the debug checks.
  void runScript(const std::string& body, const std::string& path, bool checked = false,
                 TG_M_DATALOCK lock = TG_M_DL_TRUE) {
    load(replaceAll(replaceAll(body, "$F", path), "$D", sandbox.root()), kVariables);
    machine->setDataLock(lock);
    if (checked) {
      InterpreterIoTestAccess::runChecked(*machine, 0);
    } else {
      machine->runExplicit(0);
    }
  }

  void expectCells(const std::vector<Expectation>& expected) {
    for (const Expectation& e : expected) {
      const Integer at = std::string(e.name) == "register" ? 0 : address(e.name);
      EXPECT_EQ(machine->Memory(at), e.text) << e.name;
      if (e.type) {
        EXPECT_EQ(machine->memoryDataType(at), *e.type) << e.name;
      }
    }
  }

  void expectOutcome(const std::optional<ExpectedError>& error) {
    if (!error) {
      EXPECT_TRUE(host.errors.empty())
          << host.errors.front().number << " " << host.errors.front().description;
      return;
    }
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].number, error->number) << host.errors[0].description;
    if (!error->description.empty()) {
      EXPECT_EQ(host.errors[0].description, error->description);
    }
  }
};

// ---- Files --------------------------------------------------------------------------------------

struct FileCase {
  const char* title;
  std::optional<std::string> content;  // nullopt: the file does not exist
  std::string body;                    // $F is the file's path
  std::vector<Expectation> expected;
  std::optional<ExpectedError> error = std::nullopt;
  std::optional<std::string> fileAfter = std::nullopt;
  TG_M_DATALOCK lock = TG_M_DL_TRUE;
  bool checked = false;  // with the debug run's checks
};

void PrintTo(const FileCase& test, std::ostream* out) {
  *out << test.title;
}

class FileInstructions : public InterpreterIoTest,
                         public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileInstructions, ReadAndWriteTheFile) {
  const FileCase& test = GetParam();
  const std::string relative = "files/data.bin";
  const std::string path =
      test.content ? makeFile(relative, *test.content) : sandbox.root() + "missing.bin";
  runScript(test.body, path, test.checked, test.lock);
  expectOutcome(test.error);
  expectCells(test.expected);
  if (test.fileAfter) {
    EXPECT_EQ(fileBytes(relative), *test.fileAfter);
  }
}

const std::string kOffsetError =
    "The offset pre-defined variable must have a value greater than or equal to zero for all file "
    "I/O operations.";

const FileCase kFileCases[] = {
    // Reads leave "offset" alone and 0 in the register for values of known size.
    {"TwoByteReadAtOffsetZero",
     "\x34\x12\xFE\xFF"s,
     kOpen + "cast_int2 v\nload h\nread v\nstop"s,
     {{"v", "4660", TG_M_DT_INTEGER2},
      {"register", "0", TG_M_DT_INTEGER4},
      {"offset", "0", TG_M_DT_INTEGER4}}},
    {"FourByteReadAtAnOffset",
     "\x00\x01\x02\x03\x04\x05"s,
     kOpen + "load 2\nstore p_offset\nload h\nread v\nstop"s,
     {{"v", "84148994", TG_M_DT_INTEGER4}, {"register", "0"}, {"offset", "2"}}},
    {"DoubleRead",
     "\x00\x00\x00\x00\x00\x00\xF8\x3F"s,
     kOpen + "load h\nread f\nstop"s,
     {{"f", "1.5", TG_M_DT_DOUBLE}}},
    {"FixedLengthTextReadTakesItsLength",
     "SEG1rest"s,
     kOpen + "load 4\nsetfixedlength t\nload h\nread t\nstop"s,
     {{"t", "SEG1", TG_M_DT_ASCII}, {"register", "0", TG_M_DT_INTEGER4}}},
    // Delimited reads count the bytes they consumed, delimiter included.
    {"DelimitedReadConsumesTheDelimiter",
     "ab,c"s,
     kOpen + kComma + "load h\nread t\nstop",
     {{"t", "ab"}, {"register", "3", TG_M_DT_INTEGER4}, {"offset", "0"}}},
    {"DelimitedReadWithoutADelimiterRunsToTheEnd",
     "abc"s,
     kOpen + kComma + "load 1\nstore p_offset\nload h\nread t\nstop",
     {{"t", "bc"}, {"register", "-3", TG_M_DT_INTEGER4}}},
    {"DelimitedReadAfterTheFinalDelimiterFindsNothing",
     "ab,"s,
     kOpen + kComma + "load 3\nstore p_offset\nload h\nread t\nstop",
     {{"t", ""}, {"register", "-5"}}},
    {"DelimitedReadStopsAtTheFirstDelimiterOfTheList",
     "ti\r\nx;y"s,
     kOpen + std::string(kLineOrSemicolon) + "load h\nread t\nstop",
     {{"t", "ti"}, {"register", "4"}}},
    {"DelimitedReadOfTheNextField",
     "ti\r\nx;y"s,
     kOpen + std::string(kLineOrSemicolon) + "load 4\nstore p_offset\nload h\nread t\nstop",
     {{"t", "x"}, {"register", "2"}}},
    // Reads that cannot be made.
    {"NumberReadPastTheEnd",
     "\x01"s,
     kOpen + "cast_int2 v\nload h\nread v\nstop"s,
     {},
     ExpectedError{62, "Input past end of file"}},
    {"TextReadPastTheEnd",
     "ab"s,
     kOpen + "load 4\nsetfixedlength t\nload h\nread t\nstop"s,
     {},
     ExpectedError{62, "Input past end of file"}},
    {"ReadAtTheEndOfTheFile",
     "abcd"s,
     kOpen + "load 4\nstore p_offset\nload h\nread v\nstop"s,
     {},
     ExpectedError{62}},
    {"VariableLengthTextCannotBeRead",
     "abc"s,
     kOpen + "load h\nread t\nstop"s,
     {},
     ExpectedError{20002}},
    {"NegativeOffsetInThePlainRun",
     "abcd"s,
     kOpen + "load -1\nstore p_offset\nload h\nread v"s,
     {},
     ExpectedError{63, "Bad record number"}},
    {"NegativeOffsetInTheCheckedRun",
     "abcd"s,
     kOpen + "load -1\nstore p_offset\nload h\nread v"s,
     {},
     ExpectedError{11007, kOffsetError},
     std::nullopt,
     TG_M_DL_TRUE,
     true},
    // Handles this script does not hold.
    {"ReadOfAHandleNeverOpened",
     "abcd"s,
     kOpen + "load 99\nread v\nstop"s,
     {},
     ExpectedError{52, "Bad file name or number"}},
    {"ReadOfHandleZero", "abcd"s, kOpen + "load 0\nread v\nstop"s, {}, ExpectedError{52}},
    {"ReadAfterClose", "abcd"s, kOpen + "close h\nload h\nread v\nstop"s, {}, ExpectedError{52}},
    {"CloseTwice", "abcd"s, kOpen + "close h\nclose h\nstop"s, {}, ExpectedError{52}},
    {"EofOfABadHandle", "abcd"s, kOpen + "eof v\nstop"s, {}, ExpectedError{52}},
    {"OpenOfAMissingFile", std::nullopt, kOpen + "stop"s, {}, ExpectedError{53, "File not found"}},
    // EOF compares "offset" with the file's length.
    {"EofAtTheLength",
     "abcd"s,
     kOpen + "load 4\nstore p_offset\neof h\nstop"s,
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"EofBeforeTheLength",
     "abcd"s,
     kOpen + "load 3\nstore p_offset\neof h\nstop"s,
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"EofOfAnEmptyFile", ""s, kOpen + "eof h\nstop"s, {{"register", "1"}}},
    // Writes: refused under the data lock, overwriting at "offset" + 1 otherwise.
    {"WriteUnderTheDataLock",
     "abcdef"s,
     kOpen + "load 7\nstore v\nload h\nwrite v\nstop"s,
     {},
     ExpectedError{11012, "The WRITE instruction has been disabled"},
     "abcdef"s},
    {"WriteUnderTheDataLockOfTheScript",
     "abcdef"s,
     ".property datalock \"true\"\n"s + kOpen + "load h\nwrite v\nstop",
     {},
     ExpectedError{11012},
     "abcdef"s,
     TG_M_DL_USESCRIPT},
    {"TwoByteWriteWhenUnlocked",
     "\x00\x00\x00\x00\x00\x00"s,
     kOpen + "load 2\nstore p_offset\nload 258\nstore v\ncast_int2 v\nload h\nwrite v\nstop"s,
     {{"offset", "2"}},
     std::nullopt,
     "\x00\x00\x02\x01\x00\x00"s,
     TG_M_DL_FALSE},
    {"WriteUnlockedByTheScript",
     "\x00\x00\x00\x00\x00"s,
     ".property datalock \"false\"\n"s + kOpen +
         "load 1\nstore p_offset\nload -2\nstore v\nload h\nwrite v\nstop",
     {},
     std::nullopt,
     "\x00\xFE\xFF\xFF\xFF"s,
     TG_M_DL_USESCRIPT},
    {"FixedTextWriteOverwrites",
     "abcdef"s,
     kOpen + "load 2\nsetfixedlength t\ncast_ascii register\nload \"XY\"\nstore t\n"
             "cast_int2 register\nload 3\nstore p_offset\nload h\nwrite t\nstop"s,
     {},
     std::nullopt,
     "abcXYf"s,
     TG_M_DL_FALSE},
    {"DelimitedTextWriteLeavesTheDelimiterOut",
     "abcdef"s,
     kOpen + kComma +
         "cast_ascii register\nload \"Q\"\nstore t\ncast_int2 register\nload h\nwrite t\nstop",
     {},
     std::nullopt,
     "Qbcdef"s,
     TG_M_DL_FALSE},
    {"WriteBeyondTheEndExtendsTheFile",
     "ab"s,
     kOpen + "load 2\nstore p_offset\nload 65\nstore b\nload h\nwrite b\nstop"s,
     {},
     std::nullopt,
     "abA"s,
     TG_M_DL_FALSE},
    {"WriteWithANegativeOffsetInTheCheckedRun",
     "abcd"s,
     kOpen + "load -1\nstore p_offset\nload h\nwrite v\nstop"s,
     {},
     ExpectedError{11007, kOffsetError},
     "abcd"s,
     TG_M_DL_FALSE,
     true},
    // BUFFER fills, whatever the data lock, and leaves "offset" alone.
    {"BufferWritesZeros",
     "abcdef"s,
     kOpen + "load 2\nstore p_offset\nload 3\nstore n\nload 0\nstore b\nload h\nbuffer n\nstop"s,
     {{"offset", "2"}},
     std::nullopt,
     "ab\0\0\0f"s},
    {"BufferExtendsTheFile",
     "ab"s,
     kOpen + "load 2\nstore p_offset\nload 5000\nstore n\nload 65\nstore b\nload h\nbuffer n\n"
             "stop"s,
     {},
     std::nullopt,
     "ab"s + std::string(5000, 'A')},
    {"BufferOfNothing",
     "ab"s,
     kOpen + "load 0\nstore n\nload h\nbuffer n\nstop"s,
     {},
     std::nullopt,
     "ab"s},
    {"BufferOnABadHandle",
     "ab"s,
     kOpen + "load 1\nstore n\nload 77\nbuffer n\nstop"s,
     {},
     ExpectedError{52},
     "ab"s},
    {"BufferOfNothingInTheCheckedRun",
     "ab"s,
     kOpen + "load 0\nstore n\nload h\nbuffer n\nstop"s,
     {},
     ExpectedError{11007,
                   "0 is not a valid value for the second parameter of the BUFFER "
                   "instruction."},
     "ab"s,
     TG_M_DL_TRUE,
     true},
    {"NegativeBufferInTheCheckedRun",
     "ab"s,
     kOpen + "load -5\nstore n\nload h\nbuffer n\nstop"s,
     {},
     ExpectedError{11007,
                   "-5 is not a valid value for the second parameter of the BUFFER "
                   "instruction."},
     "ab"s,
     TG_M_DL_TRUE,
     true},
    {"BufferWithANegativeOffsetInTheCheckedRun",
     "ab"s,
     kOpen + "load -1\nstore p_offset\nload 1\nstore n\nload h\nbuffer n\nstop"s,
     {},
     ExpectedError{11007, kOffsetError},
     "ab"s,
     TG_M_DL_TRUE,
     true},
    // FILEEXISTS
    {"FileExists",
     "x"s,
     kOpen + "fileexists \"$F\"\nstop"s,
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"FileExistsOfAMissingFile",
     "x"s,
     kOpen + "fileexists \"$F.none\"\nstop"s,
     {{"register", "0", TG_M_DT_UNSIGNEDINTEGER}}},
    {"FileExistsOfAFolder", "x"s, kOpen + "fileexists \"$Dfiles\"\nstop"s, {{"register", "0"}}},
    {"FileExistsInAnyCase",
     "x"s,
     kOpen + "fileexists \"$DFILES/DATA.BIN\"\nstop"s,
     {{"register", "1"}}},
};

INSTANTIATE_TEST_SUITE_P(Interpreter, FileInstructions, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(InterpreterIoTest, OpenOfAFileInAMissingFolderIsPathNotFound) {
  runScript(kOpen + "stop"s, sandbox.root() + "nowhere/data.bin");
  expectOutcome(ExpectedError{76, "Path not found"});
  EXPECT_EQ(machine->numOpenFiles(), 0);
}

TEST_F(InterpreterIoTest, UpperCasedNameOpensTheMixedCaseFile) {
  const std::string path = makeFile("Data/MixedCase.Dat", "\x05\x00"s);
  load(
      "main: open p_filename\nstore h\nfileexists p_filename\nstore b\ncast_int2 v\nload h\n"
      "read v\nstop",
      kVariables);
  machine->setFileInfo(path);
  machine->runExplicit(0);
  expectOutcome(std::nullopt);
  expectCells({{"v", "5"}, {"b", "1"}});
  ASSERT_EQ(machine->numOpenFiles(), 1);
  EXPECT_EQ(machine->OpenFile(0), machine->predefinedVariables(TG_M_PVI_FILENAME));
}

TEST_F(InterpreterIoTest, OpenAndCloseKeepTheOpenFileList) {
  const std::string first = makeFile("one.dat", "1");
  const std::string second = makeFile("two.dat", "2");
  runScript("main: open \"" + first + "\"\nstore h\nopen \"" + second +
                "\"\nstore v\nmex_setfile v\nclose h\nstop",
            "");
  expectOutcome(std::nullopt);
  const Integer closed = Integer(std::stoi(value("h")));
  const Integer kept = Integer(std::stoi(value("v")));
  EXPECT_FALSE(isOpenFile(closed));
  EXPECT_TRUE(isOpenFile(kept));
  ASSERT_EQ(machine->numOpenFiles(), 1);
  EXPECT_EQ(machine->OpenFile(0), second);
  EXPECT_EQ(machine->mexFile(), kept);  // closing another handle leaves it

  machine->Clear();
  EXPECT_EQ(machine->numOpenFiles(), 0);
  EXPECT_FALSE(isOpenFile(kept));
}

TEST_F(InterpreterIoTest, CloseOfTheMexFileResetsIt) {
  const std::string path = makeFile("grid.dat", "abcd");
  runScript(kOpen + "mex_setfile h\nclose h\nstop"s, path);
  expectOutcome(std::nullopt);
  EXPECT_EQ(machine->mexFile(), -1);
  EXPECT_EQ(machine->numOpenFiles(), 0);
}

TEST_F(InterpreterIoTest, WriteToAFileOpenForReadingOnlyIsABadFileMode) {
  const std::string path = makeFile("ro.dat", "abcd");
  load("main: load h\nwrite b\nstop", kVariables);
  machine->setDataLock(TG_M_DL_FALSE);
  const Integer handle = openFile(path, FileOpenMode::ReadOnly);
  MachineAccess::addOpenFile(*machine, path, handle);
  machine->setMemory(address("h"), std::to_string(handle));
  machine->runExplicit(0);
  expectOutcome(ExpectedError{54, "Bad file mode"});
  EXPECT_EQ(fileBytes("ro.dat"), "abcd");
}

// ---- Two machines ---------------------------------------------------------------------------

// Each run reads the next two-byte value of the machine's own file into v; the first opens it.
constexpr const char* kReader =
    "main: load h\nbranch_true ready\nopen \"$F\"\nstore h\nready: cast_int2 v\nload h\n"
    "read v\nload p_offset\nadd 2\nstore p_offset\nstop";

std::shared_ptr<TessaglyphMachine> readerMachine(const std::string& path, ScriptHost& host) {
  const std::string source = std::string(kVariables) +
                             "\n.routine init main\n"
                             ".attribute datapoint datapoint integer 2 read main\n" +
                             replaceAll(kReader, "$F", path) + "\n";
  auto machine = std::make_shared<TessaglyphMachine>();
  assembleProgram(source, "reader.tgs").prepareMachine(machine);
  machine->setEventSink(&host);
  return machine;
}

TEST_F(InterpreterIoTest, DestroyingOneMachineLeavesTheOthersFilesReadable) {
  const std::string pathA = makeFile("a.dat", "\x01\x00\x02\x00"s);
  const std::string pathB = makeFile("b.dat", "\x0A\x00\x0B\x00\x0C\x00"s);
  ScriptHost hostB;
  auto a = readerMachine(pathA, host);
  auto b = readerMachine(pathB, hostB);

  const Integer h = addressOf(*a, "h");
  const Integer v = addressOf(*a, "v");

  a->runExplicit(0);
  b->runExplicit(0);
  a->runExplicit(0);
  EXPECT_EQ(a->Memory(v), "2");
  EXPECT_EQ(b->Memory(v), "10");
  const Integer handleA = Integer(std::stoi(a->Memory(h)));
  const Integer handleB = Integer(std::stoi(b->Memory(h)));
  ASSERT_NE(handleA, handleB);

  a.reset();
  EXPECT_FALSE(isOpenFile(handleA));
  EXPECT_TRUE(isOpenFile(handleB));
  b->runExplicit(0);
  EXPECT_EQ(b->Memory(v), "11");
  // A new machine may be given the freed handle; the survivor's file is still its own.
  const std::string pathC = makeFile("c.dat", "\x63\x00"s);
  ScriptHost hostC;
  auto c = readerMachine(pathC, hostC);
  c->runExplicit(0);
  b->runExplicit(0);
  EXPECT_EQ(c->Memory(v), "99");
  EXPECT_EQ(b->Memory(v), "12");
  EXPECT_TRUE(host.errors.empty());
  EXPECT_TRUE(hostB.errors.empty());
  EXPECT_TRUE(hostC.errors.empty());
}

TEST_F(InterpreterIoTest, AnotherMachinesHandleIsABadFileNumber) {
  const std::string pathA = makeFile("a.dat", "\x01\x00\x02\x00"s);
  ScriptHost hostA;
  auto a = readerMachine(pathA, hostA);
  a->runExplicit(0);
  const std::string handleA = a->Memory(addressOf(*a, "h"));

  load("main: load h\nread v\nstop", kVariables);
  machine->setMemory(address("h"), handleA);
  machine->runExplicit(0);
  expectOutcome(ExpectedError{52});
  // Neither the read nor a close reached the other machine's file.
  load("main: close h\nstop", kVariables);
  machine->setMemory(address("h"), handleA);
  machine->runExplicit(0);
  ASSERT_EQ(host.errors.size(), 2u);
  EXPECT_EQ(host.errors[1].number, 52);
  EXPECT_TRUE(isOpenFile(Integer(std::stoi(handleA))));
  a->runExplicit(0);
  EXPECT_EQ(a->Memory(addressOf(*a, "v")), "2");
  EXPECT_TRUE(hostA.errors.empty());
}

TEST_F(InterpreterIoTest, WarmReadLoopMakesNoCells) {
  const std::string path = makeFile("loop.dat", "\x01\x00\x02\x00"s);
  runScript(kOpen +
                "cast_int2 v\nready: load 0\nstore p_offset\nload h\nread v\nflipbytes v\n"
                "len v\neof h\nstop"s,
            path);
  expectOutcome(std::nullopt);
  // From "ready:" on, every instruction reads or replaces in place.
  const DatumPoolStatistics before = DatumPool::statistics();
  for (int i = 0; i < 50; ++i)
    machine->runExplicit(3);
  const DatumPoolStatistics after = DatumPool::statistics();
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(after.cellAllocations, before.cellAllocations);
  EXPECT_EQ(after.textAllocations, before.textAllocations);
  EXPECT_EQ(after.liveCells, before.liveCells);
  EXPECT_EQ(after.reuses, before.reuses);
  EXPECT_EQ(value("v"), "256");
}

// ---- Text cells and byte flips ------------------------------------------------------------------

struct TextCase {
  const char* title;
  std::string body;
  std::vector<Expectation> expected;
  std::optional<ExpectedError> error = std::nullopt;
  bool checked = false;
};

void PrintTo(const TextCase& test, std::ostream* out) {
  *out << test.title;
}

class TextInstructions : public InterpreterIoTest,
                         public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextInstructions, LeaveTheExpectedCells) {
  const TextCase& test = GetParam();
  runScript(test.body, "", test.checked);
  expectOutcome(test.error);
  expectCells(test.expected);
}

std::string asciiOnly(const char* name) {
  return "The "s + name +
         " instruction requires its operand to point to a memory address with a data type of "
         "[ascii].";
}

const TextCase kTextCases[] = {
    // The cursor.
    {"SetOffsetThenGetOffset",
     kHello + "load 2\nsetoffset t\ngetoffset t\nstop"s,
     {{"register", "2", TG_M_DT_INTEGER2}}},
    {"SetOffsetBeyondTheTextIsClamped",
     kHello + "load 99\nsetoffset t\ngetoffset t\nstop"s,
     {{"register", "11"}}},
    {"NegativeSetOffset", kHello + "load -1\nsetoffset t\nstop"s, {}, ExpectedError{20004}},
    {"CharAfterTheCursor",
     kHello + "load 6\nsetoffset t\nchar t\nstop"s,
     {{"register", "w", TG_M_DT_ASCII}, {"t", "hello world"}}},
    {"CharAtTheEnd",
     kHello + "load 11\nsetoffset t\nchar t\nstop"s,
     {{"register", "", TG_M_DT_ASCII}}},
    {"CharsFromTheCursor",
     kHello + "load 6\nsetoffset t\nload 3\nchars t\nstop"s,
     {{"register", "wor", TG_M_DT_ASCII}}},
    {"CharsStopAtTheEnd",
     kHello + "load 6\nsetoffset t\nload 20\nchars t\nstop"s,
     {{"register", "world"}}},
    {"CharsDoNotMoveTheCursor",
     kHello + "load 6\nsetoffset t\nload 3\nchars t\ngetoffset t\nstop"s,
     {{"register", "6"}}},
    {"NegativeChars", kHello + "load -1\nchars t\nstop"s, {}, ExpectedError{5}},
    {"SearchFromTheCursor",
     kHello + "load 5\nsetoffset t\ncast_ascii register\nload \"o\"\nsearch t\nstop"s,
     {{"register", "7", TG_M_DT_INTEGER2}}},
    {"SearchFromTheStart",
     kHello + "cast_ascii register\nload \"o\"\nsearch t\nstop"s,
     {{"register", "4"}}},
    {"SearchWithoutAMatch",
     kHello + "cast_ascii register\nload \"O\"\nsearch t\nstop"s,
     {{"register", "-1"}}},
    {"SearchForANumber",
     "main: cast_ascii register\nload \"ab12\"\nstore t\nload 12\n"
     "cast_int2 register\nsearch t\nstop",
     {{"register", "2"}}},
    {"SeofAtTheEnd",
     kHello + "load 11\nsetoffset t\ns_eof t\nstop"s,
     {{"register", "1", TG_M_DT_UNSIGNEDINTEGER}}},
    {"SeofBeforeTheEnd", kHello + "s_eof t\nstop"s, {{"register", "0"}}},
    {"SeofOfAnEmptyText", "main: s_eof t\nstop", {{"register", "1"}}},
    // Length, case and blanks.
    {"LenOfCells",
     kHello + "len t\nstore n\nlen f\nstore v\nlen b\nstop"s,
     {{"n", "11"}, {"v", "8"}, {"register", "1", TG_M_DT_INTEGER2}}},
    {"LenBeyondTwoBytesOverflows",
     "main: cast_ascii register\nload \"a\"\nmultiply 40000\nstore t\nlen t\nstop",
     {},
     ExpectedError{6, "Overflow"}},
    {"SetFixedLengthCutsTheText", kHello + "load 3\nsetfixedlength t\nstop"s, {{"t", "hel"}}},
    {"SetToUpper", kHello + "settoupper t\nstop"s, {{"t", "HELLO WORLD"}}},
    {"SetToLower",
     "main: cast_ascii register\nload \"MiXeD 1\"\nstore t\nsettolower t\nstop",
     {{"t", "mixed 1"}}},
    {"Trim", "main: cast_ascii register\nload \"  a b  \"\nstore t\ntrim t\nstop", {{"t", "a b"}}},
    {"LeftTrim",
     "main: cast_ascii register\nload \"  a b  \"\nstore t\nltrim t\nstop",
     {{"t", "a b  "}}},
    {"RightTrim",
     "main: cast_ascii register\nload \"  a b  \"\nstore t\nrtrim t\nstop",
     {{"t", "  a b"}}},
    {"TrimOfANumber", "main: trim v\nstop", {}, ExpectedError{13}},
    // Delimiter lists.
    {"SetDelimsMakesATextRegister",
     "main: "s + kCommaRegister + "stop",
     {{"register", "", TG_M_DT_ASCII}, {"d1", ","}}},
    {"SetDelimsOfNoDelimiters",
     "main: load 0\nstore cnt\nsetdelims cnt\nstop",
     {},
     ExpectedError{9, "Subscript out of range"}},
    {"SetDelimsPastTheEndOfMemory",
     "main: load 40\nstore cnt\nsetdelims cnt\nstop",
     {},
     ExpectedError{9}},
    // Byte flips.
    {"FlipTwoBytes",
     "main: loadnopoint mem[13330]\nstore v\ncast_int2 v\nflipbytes v\nstop",
     {{"v", "4660", TG_M_DT_INTEGER2}}},
    {"FlipMinusTwo", "main: load -2\nstore v\ncast_int2 v\nflipbytes v\nstop", {{"v", "-32511"}}},
    {"FlipMinus257", "main: load -257\nstore v\ncast_int2 v\nflipbytes v\nstop", {{"v", "-32766"}}},
    {"FlipLargestTwoByte",
     "main: load 32767\nstore v\ncast_int2 v\nflipbytes v\nstop",
     {{"v", "-32639"}}},
    {"FlipFourBytes",
     "main: cast_int4 register\nload 16909060\nstore v\nflipbytes v\nstop",
     {{"v", "67305985", TG_M_DT_INTEGER4}}},
    {"FlipOfADoubleDoesNothing",
     "main: cast_double register\nload 2.5\nstore f\nflipbytes f\nstop",
     {{"f", "2.5"}}},
    {"FlipOfADoubleInTheCheckedRun",
     "main: flipbytes f\nstop",
     {},
     ExpectedError{11007,
                   "The operand for the flipbytes instruction must contain an integer (of size 2 "
                   "or 4)."},
     true},
    {"FlipOfAByteInTheCheckedRun", "main: flipbytes b\nstop", {}, ExpectedError{11007}, true},
    // Text operands in the checked run.
    {"CheckedOpen", "main: open v\nstop", {}, ExpectedError{11002, asciiOnly("open")}, true},
    {"CheckedGetOffset",
     "main: getoffset v\nstop",
     {},
     ExpectedError{11002, asciiOnly("getoffset")},
     true},
    {"CheckedSetOffset",
     "main: setoffset v\nstop",
     {},
     ExpectedError{11002, asciiOnly("setoffset")},
     true},
    {"CheckedChar", "main: char v\nstop", {}, ExpectedError{11002, asciiOnly("char")}, true},
    {"CheckedSeof", "main: s_eof v\nstop", {}, ExpectedError{11002, asciiOnly("s_eof")}, true},
    {"CheckedSetFixedLength",
     "main: setfixedlength v\nstop",
     {},
     ExpectedError{11002, asciiOnly("setfixedlength")},
     true},
    {"CheckedChars", "main: chars v\nstop", {}, ExpectedError{11002, asciiOnly("charS")}, true},
    {"CheckedSearch", "main: search v\nstop", {}, ExpectedError{11002, asciiOnly("search")}, true},
    {"CheckedFileExists",
     "main: fileexists v\nstop",
     {},
     ExpectedError{11002, asciiOnly("fileexists")},
     true},
    {"CheckedSetToUpper",
     "main: settoupper v\nstop",
     {},
     ExpectedError{11002, asciiOnly("settoupper")},
     true},
    {"CheckedSetToLower",
     "main: settolower v\nstop",
     {},
     ExpectedError{11002, asciiOnly("settolower")},
     true},
    {"PlainRunLeavesTheTypeToTheCell",
     "main: getoffset v\nstop",
     {},
     ExpectedError{13, "Type mismatch"}},
};

INSTANTIATE_TEST_SUITE_P(Interpreter, TextInstructions, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace test
}  // namespace tg
