// Build, dump, build: every script in scripts/ and thousands of generated program files come
// back byte for byte. A program file F is read, printed as source, assembled again and written;
// the bytes must be those that writing the program read from F gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "program/program_file_test_support.hpp"
#include "program/program_test_support.hpp"
#include "support/conversions.hpp"
#include "support/text.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {
namespace {

using test::Bytes;
using test::ImageParts;
using test::readFile;

// What the generated images used ("opcode 7", "repeated literal", ...), so that the test can
// insist that everything was covered.
using Coverage = std::set<std::string>;

// Random program images that the reader accepts and the program model could have built: every
// count, code and address in range, attributes and literals that pass the model's checks.
class ImageGenerator {
 public:
  ImageGenerator(unsigned seed, Coverage& coverage) : m_random(seed), m_coverage(coverage) {}

  std::string image() {
    m_instructions = between(1, 40);
    m_variables = between(0, 12);
    m_literals = between(0, 8);
    ImageParts parts;
    parts.properties = properties();
    parts.routines = routines();
    parts.attributes = attributes();
    parts.literals = literals();
    parts.code = code();
    if (chance(0.7)) parts.debug = debug();
    return parts.assemble();
  }

 private:
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[std::size_t(between(0, int(items.size()) - 1))];
  }

  std::string bytes(int low, int high) {
    std::string text;
    const int length = between(low, high);
    for (int i = 0; i < length; ++i)
      text.push_back(char(between(0, 255)));
    return text;
  }

  // Names as scripts have them, and names a script source cannot write as they are.
  std::string name() {
    static const std::vector<std::string> names = {
        "elevation", "x",  "row",       "register",   "p_x",    "none", "duplicate", "read",
        "L3",        "v2", "ELEVATION", "with blank", "9lives", "",     "a\"b"};
    return chance(0.7) ? pick(names) : bytes(0, 6);
  }

  Bytes properties() {
    static const std::vector<std::string> names = {"gridtype", "datum", "filelayout", "xres"};
    const int count = between(0, 5);
    Bytes b;
    b.integer(count);
    std::vector<std::string> used;
    for (int i = 0; i < count; ++i) {
      std::string n = chance(0.6) ? pick(names) : bytes(1, 6);
      if (chance(0.5) && !used.empty()) n = pick(used);
      if (chance(0.2)) n = toUpper(n);
      for (const auto& u : used) {
        if (sameName(u, n) && !std::string(trimBlanks(n)).empty())
          m_coverage.insert("repeated property");
      }
      used.push_back(n);
      b.string(n).string(bytes(0, 8));
    }
    return b;
  }

  Bytes routines() {
    const bool many = chance(0.05);
    const int count = many ? between(22, 26) : between(0, 5);
    if (count > int(routineTable.size())) m_coverage.insert("many routines");
    Bytes b;
    b.integer(count);
    for (int i = 0; i < count; ++i) {
      std::string n(routineTable[std::size_t(between(0, int(routineTable.size()) - 1))].name);
      if (many && i < int(routineTable.size())) n = routineTable[std::size_t(i)].name;
      if (chance(0.2)) n = toUpper(n);
      b.routine(n, between(0, m_instructions - 1));
    }
    return b;
  }

  Bytes attributes() {
    const int count = between(0, 5);
    Bytes b;
    b.integer(count);
    std::vector<std::string> used;
    for (int i = 0; i < count; ++i) {
      std::string n = name();
      if (chance(0.3) && !used.empty()) n = pick(used);
      for (const auto& u : used) {
        if (sameName(u, n) && !std::string(trimBlanks(n)).empty())
          m_coverage.insert("repeated attribute");
      }
      used.push_back(n);
      const int kind = between(1, 3);
      const int type = between(1, 6);
      m_coverage.insert("attribute kind " + std::to_string(kind));
      m_coverage.insert("attribute type " + std::to_string(type));
      b.string(n).byte(kind).byte(type);
      if (type == TG_P_DT_DELIMITEDASCII) {
        const int delimiters = between(1, 3);
        b.byte(delimiters);
        for (int d = 0; d < delimiters; ++d)
          b.string(bytes(0, 3));
      } else {
        int size = 0;
        if (type == TG_P_DT_INTEGER) size = chance(0.5) ? 2 : 4;
        if (type == TG_P_DT_ASCII) size = between(1, 255);
        b.byte(1).integer(2).integer(size);
      }
      const bool writable = chance(0.6);
      if (!writable) m_coverage.insert("write none");
      b.integer(between(0, m_instructions - 1))
          .integer(writable ? between(0, m_instructions - 1) : -1)
          .string(chance(0.5) ? bytes(0, 10) : "")
          .string(chance(0.5) ? bytes(0, 10) : "");
    }
    return b;
  }

  Bytes literals() {
    Bytes b;
    b.integer(m_literals);
    m_literalKeys.clear();
    for (int i = 0; i < m_literals; ++i) {
      // Now and then the same literal twice.
      if (i > 0 && chance(0.15)) {
        const auto repeated = m_literalKeys[std::size_t(between(0, i - 1))];
        m_literalKeys.push_back(repeated);
        b.raw(std::get<2>(repeated));
        m_coverage.insert("repeated literal");
        continue;
      }
      Bytes one;
      const int type = between(1, 5);
      int size = 0;
      switch (type) {
        case TG_P_DT_UNSIGNEDINTEGER:
          size = 1;
          one.byte(type).integer(size).byte(between(0, 255));
          break;
        case TG_P_DT_INTEGER:
          size = chance(0.5) ? 2 : 4;
          one.byte(type).integer(size);
          if (size == 2) {
            one.integer(between(-32768, 32767));
          } else {
            one.long_(chance(0.5) ? between(-40000, 40000)
                                  : std::uniform_int_distribution<std::int32_t>()(m_random));
          }
          break;
        case TG_P_DT_SINGLE:
          size = 4;
          one.byte(type).integer(size).single(float(number()));
          break;
        case TG_P_DT_DOUBLE:
          size = 8;
          one.byte(type).integer(size).double_(number());
          break;
        default: {
          const auto text = bytes(0, 6);
          size = int(text.size());
          one.byte(type).string(text);
          break;
        }
      }
      m_literalKeys.emplace_back(type, size, one.str());
      m_coverage.insert("literal " + std::to_string(type * 10 + std::min(size, 9)));
      b.raw(one.str());
    }
    return b;
  }

  // Numbers whose text forms differ: whole, fractional, tiny, huge, negative.
  double number() {
    switch (between(0, 4)) {
      case 0:
        return between(-1000, 1000);
      case 1:
        return between(-100000, 100000) / 1000.0;
      case 2:
        return std::ldexp(double(between(1, 1 << 20)), between(-60, 60));
      case 3:
        return -std::ldexp(double(between(1, 1 << 20)), between(-40, 100));
      default:
        return std::uniform_real_distribution<double>(-1e6, 1e6)(m_random);
    }
  }

  Bytes code() {
    Bytes b;
    int variables = m_variables;
    // An initializer or an operand just beyond the declared memory makes the reader repair it.
    const bool repair = chance(0.05);
    if (repair) m_coverage.insert("read repair");
    b.integer(m_instructions).integer(repair ? std::max(0, variables - 1) : variables);
    std::vector<std::pair<int, int>> initializers;
    for (int v = 0; v < variables; ++v) {
      if (chance(0.6)) initializers.emplace_back(v, between(1, 6));
    }
    b.integer(int(initializers.size()));
    for (const auto& [v, type] : initializers) {
      m_coverage.insert("variable type " + std::to_string(type));
      b.integer(v).byte(type);
    }
    std::vector<bool> literalUsed(std::size_t(m_literals), false);
    for (int i = 0; i < m_instructions; ++i) {
      auto opcode = between(TG_M_I_VALID_MIN, TG_M_I_VALID_MAX);
      if (chance(0.1)) opcode = chance(0.5) ? TG_M_I_NOP : TG_M_I_STOP;
      m_coverage.insert("opcode " + std::to_string(opcode));
      int segment = between(0, 5);
      int operand = 0;
      if (opcode == TG_M_I_STOP) {
        m_coverage.insert("stop segment " + std::to_string(segment));
        operand = chance(0.5) ? 0 : between(-5, 5);
      } else if (opcode == TG_M_I_NOP) {
        m_coverage.insert("nop segment " + std::to_string(segment));
        operand = chance(0.5) ? between(-3, 20) : between(-32768, 32767);
      } else {
        while ((segment == TG_P_DS_DATA && variables == 0) ||
               (segment == TG_P_DS_CONSTANT && m_literals == 0)) {
          segment = between(0, 5);
        }
        switch (segment) {
          case TG_P_DS_DATA:
            operand = between(0, variables - 1);
            break;
          case TG_P_DS_CONSTANT:
            operand = between(0, m_literals - 1);
            literalUsed[std::size_t(operand)] = true;
            break;
          case TG_P_DS_PREDEFINED:
            operand = between(0, 15);
            break;
          case TG_P_DS_EXPLICIT:
            operand = between(0, 15 + m_literals + variables);
            break;
          default:
            operand = between(0, m_instructions - 1);
            break;
        }
      }
      m_coverage.insert("segment " + std::to_string(segment));
      b.instruction(opcode, operand, segment);
    }
    if (std::find(literalUsed.begin(), literalUsed.end(), false) != literalUsed.end())
      m_coverage.insert("unused literal");
    return b;
  }

  Bytes debug() {
    Bytes b;
    const int named = m_variables == 0 ? 0 : between(0, m_variables + 1);
    b.integer(named);
    for (int i = 0; i < named; ++i)
      b.integer(between(0, m_variables - 1)).string(name());
    if (named > 0) m_coverage.insert("debug names");
    const int tags = between(0, m_instructions + 2);
    b.integer(tags);
    int line = between(1, 30);
    for (int i = 0; i < tags; ++i) {
      // Mostly rising by a few lines, as assembled source gives them; sometimes anywhere.
      const bool jump = chance(0.15);
      if (jump) m_coverage.insert("debug lines out of order");
      line = jump ? between(1, 32767) : std::min(32767, line + between(1, 4));
      b.integer(chance(0.8) ? std::min(i, m_instructions - 1) : between(0, m_instructions - 1))
          .integer(line);
    }
    return b;
  }

  std::mt19937 m_random;
  Coverage& m_coverage;
  int m_instructions = 1;
  int m_variables = 0;
  int m_literals = 0;
  std::vector<std::tuple<int, int, std::string>> m_literalKeys;
};

class ScriptRoundTrip : public test::ProgramFileTest {
 protected:
  // The bytes writeProgram gives for this program (written to a fresh file).
  std::string written(const TessaglyphProgram& program, const std::string& name) {
    const auto at = path(name);
    std::filesystem::remove(at);
    TessaglyphProgram copy = program;
    EXPECT_GT(copy.writeProgram(at, 1), 0) << supportLog();
    return readFile(at);
  }

  // Read, print, assemble, write: the same bytes as writing what was read. Returns the source.
  std::string roundTrip(const std::string& programFile, const std::string& what) {
    TessaglyphProgram read;
    read.setEventSink(&events);
    EXPECT_GT(read.readProgram(programFile, 1), 0) << what << "\n" << supportLog();
    read.setEventSink(nullptr);
    const auto expected = written(read, "expected.tgp");
    const auto source = disassembleProgram(read);
    try {
      const auto rebuilt = assembleProgram(source, what);
      EXPECT_EQ(written(rebuilt, "rebuilt.tgp"), expected) << what << "\n" << source;
      EXPECT_EQ(disassembleProgram(rebuilt), source) << what;
    } catch (const ScriptSourceError& error) {
      ADD_FAILURE() << what << ": the printed source does not assemble\n"
                    << error.description() << "\n"
                    << source;
    }
    return source;
  }
};

TEST_F(ScriptRoundTrip, EveryScriptBuildsDumpsAndBuildsToTheSameBytes) {
  const std::filesystem::path folder = std::filesystem::path(TG_SOURCE_DIR) / "scripts";
  int scripts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".tgs") continue;
    ++scripts;
    SCOPED_TRACE(entry.path().string());
    const auto built = path("built.tgp");
    const auto size = buildProgramFile(entry.path().string(), built);
    EXPECT_EQ(Long(readFile(built).size()), size);
    roundTrip(built, entry.path().filename().string());
    // The program a script builds carries the script's own line numbers: each instruction's
    // debug line is the line it was written on.
    const auto program = assembleFile(entry.path().string());
    std::istringstream text(readFile(entry.path().string()));
    std::vector<std::string> sourceLines;
    for (std::string line; std::getline(text, line);)
      sourceLines.push_back(line);
    for (Integer i = 1; i <= program.numInstructions(); ++i) {
      const auto line = program.codeDebugInfo(i);
      ASSERT_GE(line, 1);
      ASSERT_LE(std::size_t(line), sourceLines.size());
      const auto mnemonic = getInstructionName(program.instructions(i).instruction);
      EXPECT_NE(toLower(sourceLines[std::size_t(line) - 1]).find(toLower(mnemonic)),
                std::string::npos)
          << "instruction " << i << " line " << line;
    }
  }
  EXPECT_GE(scripts, 1);
}

TEST_F(ScriptRoundTrip, GeneratedProgramFilesComeBackByteForByte) {
  Coverage coverage;
  constexpr unsigned kPrograms = 400;
  for (unsigned seed = 1; seed <= kPrograms; ++seed) {
    ImageGenerator generator(seed, coverage);
    const auto file = this->file("generated.tgp", generator.image());
    roundTrip(file, "seed " + std::to_string(seed));
    if (HasFailure()) break;
  }
  Coverage expected = {"debug names",   "repeated property", "repeated attribute",
                       "many routines", "repeated literal",  "unused literal",
                       "write none",    "read repair",       "debug lines out of order"};
  const auto all = [&](const std::string& what, std::initializer_list<int> values) {
    for (const int value : values)
      expected.insert(what + " " + std::to_string(value));
  };
  for (int opcode = TG_M_I_VALID_MIN; opcode <= TG_M_I_VALID_MAX; ++opcode)
    all("opcode", {opcode});
  for (const char* what : {"segment", "nop segment", "stop segment"})
    all(what, {0, 1, 2, 3, 4, 5});
  all("variable type", {1, 2, 3, 4, 5, 6});
  all("attribute kind", {1, 2, 3});
  all("attribute type", {1, 2, 3, 4, 5, 6});
  all("literal", {11, 22, 24, 34, 48, 50, 51});  // type * 10 + size, 9 for any longer text
  for (const auto& item : expected)
    EXPECT_TRUE(coverage.contains(item)) << item;
}

// A program built member by member, never written: what it prints builds the program that
// writes the same file, explicit addresses and raw NOP operands included.
TEST_F(ScriptRoundTrip, ProgramsBuiltInMemoryComeBackAsTheSameFile) {
  TessaglyphProgram p;
  p.addScriptProperty({"datum", "nad83"});
  p.addLiteral({TG_P_DT_DOUBLE, 8, "2.5"});
  p.addLiteral({TG_P_DT_ASCII, 2, "ab"});
  for (int i = 0; i < 4; ++i)
    p.addVariable();
  p.setVariableType("v_b", TG_P_DT_SINGLE);
  p.addInstruction(test::op(TG_M_I_LOAD, "17", TG_P_DS_EXPLICIT));  // literal 2's cell
  p.addInstruction(test::op(TG_M_I_LOAD, "20", TG_P_DS_EXPLICIT));  // variable v_c's cell
  p.addInstruction(test::op(TG_M_I_GOTO, "3", TG_P_DS_EXPLICITCODE));
  p.addInstruction(test::op(TG_M_I_NOP, "-7", TG_P_DS_CONSTANT));
  p.addInstruction(test::op(TG_M_I_NOP, "", TG_P_DS_INSTRUCTION));
  p.addInstruction(test::op(TG_M_I_ADD, "l_a", TG_P_DS_CONSTANT));
  p.addInstruction(test::op(TG_M_I_STOP, "", TG_P_DS_PREDEFINED));
  p.tag(1);
  p.addRoutine({"init", "c_a"});
  p.addAttribute(test::attribute("datapoint", "c_a"));
  p.setCodeDebugInfo(2, 300);
  p.setCodeDebugInfo(3, 5);

  const auto source = disassembleProgram(p);
  const auto rebuilt = assembleProgram(source, "memory");
  EXPECT_EQ(written(rebuilt, "rebuilt.tgp"), written(p, "expected.tgp")) << source;
  EXPECT_NE(source.find("load mem[17]"), std::string::npos) << source;
  EXPECT_NE(source.find("goto code[3]"), std::string::npos) << source;
  EXPECT_NE(source.find("NOP const[-7]"), std::string::npos) << source;
  EXPECT_NE(source.find("NOP instr[]"), std::string::npos) << source;
  EXPECT_NE(source.find("stop pdv[]"), std::string::npos) << source;
}

}  // namespace
}  // namespace tg
