// Build, dump, build: scripts and generated program files come back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "program/disassembler.hpp"
#include "program/program_file_test_support.hpp"
#include "support/text.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {
namespace {

using test::Bytes;
using test::readFile;

// Random images the reader accepts, with odd names, repeats, repairs and lines out of order.
class ImageGenerator {
 public:
  explicit ImageGenerator(unsigned seed) : m_random(seed) {}

  std::string image() {
    m_instructions = between(1, 40);
    m_variables = between(0, 12);
    m_literals = between(0, 8);
    test::ImageParts parts;
    parts.properties = named(between(0, 5), {"gridtype", "datum", "filelayout", "xres"});
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
  int location() { return between(0, m_instructions - 1); }
  std::string bytes(int low, int high) {
    std::string text(std::size_t(between(low, high)), ' ');
    for (char& c : text)
      c = char(between(0, 255));
    return text;
  }
  // Names as scripts have them, names a script cannot write as they are, repeats in any case.
  std::string name(const std::vector<std::string>& names, std::vector<std::string>& used,
                   int shortest = 0) {
    std::string n =
        chance(0.7) ? names[std::size_t(between(0, int(names.size()) - 1))] : bytes(shortest, 6);
    if (chance(0.3) && !used.empty()) n = used[std::size_t(between(0, int(used.size()) - 1))];
    if (chance(0.2)) n = toUpper(n);
    if (shortest > 0 && trimBlanks(n).empty()) n = "p" + n;  // a blank name is refused
    used.push_back(n);
    return n;
  }

  Bytes named(int count, const std::vector<std::string>& names) {
    Bytes b;
    b.integer(count);
    std::vector<std::string> used;
    for (int i = 0; i < count; ++i)
      b.string(name(names, used, 1)).string(bytes(0, 8));
    return b;
  }

  // Sometimes more routines than there are slot names.
  Bytes routines() {
    const bool many = chance(0.05);
    const int count = many ? between(22, 26) : between(0, 5);
    Bytes b;
    b.integer(count);
    for (int i = 0; i < count; ++i) {
      const int slot = many && i < int(routineTable.size()) ? i : between(0, 20);
      const std::string n(routineTable[std::size_t(slot)].name);
      b.routine(chance(0.2) ? toUpper(n) : n, location());
    }
    return b;
  }

  Bytes attributes() {
    static const std::vector<std::string> names = {
        "elevation", "x",  "row",       "register",   "p_x",    "none", "duplicate", "read",
        "L3",        "v2", "ELEVATION", "with blank", "9lives", "",     "a\"b"};
    const int count = between(0, 5);
    Bytes b;
    b.integer(count);
    std::vector<std::string> used;
    for (int i = 0; i < count; ++i) {
      const int type = between(1, 6);
      b.string(name(names, used)).byte(between(1, 3)).byte(type);
      if (type == TG_P_DT_DELIMITEDASCII) {
        const int delimiters = between(1, 3);
        b.byte(delimiters);
        for (int d = 0; d < delimiters; ++d)
          b.string(bytes(0, 3));
      } else {
        const int size = type == TG_P_DT_INTEGER ? 2 * between(1, 2)
                         : type == TG_P_DT_ASCII ? between(1, 255)
                                                 : 0;
        b.byte(1).integer(2).integer(size);
      }
      b.integer(location()).integer(chance(0.6) ? location() : -1);
      b.string(chance(0.5) ? bytes(0, 10) : "").string(chance(0.5) ? bytes(0, 10) : "");
    }
    return b;
  }

  // Every type and size, now and then the same literal twice.
  Bytes literals() {
    Bytes b;
    b.integer(m_literals);
    std::vector<std::string> made;
    for (int i = 0; i < m_literals; ++i) {
      if (i > 0 && chance(0.15)) {
        made.push_back(made[std::size_t(between(0, i - 1))]);
      } else {
        const int type = between(1, 5);
        Bytes one;
        one.byte(type);
        if (type == TG_P_DT_UNSIGNEDINTEGER) one.integer(1).byte(between(0, 255));
        if (type == TG_P_DT_INTEGER && chance(0.5))
          one.integer(2).integer(between(-32768, 32767));
        else if (type == TG_P_DT_INTEGER)
          one.integer(4).long_(std::int32_t(m_random()));
        if (type == TG_P_DT_SINGLE) one.integer(4).single(float(number()));
        if (type == TG_P_DT_DOUBLE) one.integer(8).double_(number());
        if (type == TG_P_DT_ASCII) one.string(bytes(0, 6));
        made.push_back(one.str());
      }
      b.raw(made.back());
    }
    return b;
  }

  // Numbers whose text forms differ: whole, fractional, tiny, huge, negative.
  double number() {
    switch (between(0, 3)) {
      case 0:
        return between(-1000, 1000);
      case 1:
        return between(-100000, 100000) / 1000.0;
      case 2:
        return std::ldexp(double(between(1, 1 << 20)), between(-60, 60));
      default:
        return -std::ldexp(double(between(1, 1 << 20)), between(-40, 100));
    }
  }

  Bytes code() {
    Bytes b;
    const bool repair = chance(0.05);  // an address just beyond the declared memory
    b.integer(m_instructions).integer(repair ? std::max(0, m_variables - 1) : m_variables);
    std::vector<std::pair<int, int>> initializers;
    for (int v = 0; v < m_variables; ++v) {
      if (chance(0.6)) initializers.emplace_back(v, between(1, 6));
    }
    b.integer(int(initializers.size()));
    for (const auto& [v, type] : initializers)
      b.integer(v).byte(type);
    for (int i = 0; i < m_instructions; ++i) {
      auto opcode = between(TG_M_I_VALID_MIN, TG_M_I_VALID_MAX);
      if (chance(0.1)) opcode = chance(0.5) ? TG_M_I_NOP : TG_M_I_STOP;
      int segment = between(0, 5);
      int operand = between(0, m_instructions - 1);
      if (opcode == TG_M_I_STOP) {
        operand = chance(0.5) ? 0 : between(-5, 5);
      } else if (opcode == TG_M_I_NOP) {
        operand = chance(0.5) ? between(-3, 20) : between(-32768, 32767);
      } else {
        while ((segment == TG_P_DS_DATA && m_variables == 0) ||
               (segment == TG_P_DS_CONSTANT && m_literals == 0))
          segment = between(0, 5);
        if (segment == TG_P_DS_DATA) operand = between(0, m_variables - 1);
        if (segment == TG_P_DS_CONSTANT) operand = between(0, m_literals - 1);
        if (segment == TG_P_DS_PREDEFINED) operand = between(0, 15);
        if (segment == TG_P_DS_EXPLICIT) operand = between(0, 15 + m_literals + m_variables);
      }
      b.instruction(opcode, operand, segment);
    }
    return b;
  }

  Bytes debug() {
    Bytes b;
    const int named = m_variables == 0 ? 0 : between(0, m_variables + 1);
    b.integer(named);
    std::vector<std::string> used;
    for (int i = 0; i < named; ++i)
      b.integer(between(0, m_variables - 1)).string(name({"x", "none", "v2", "with blank"}, used));
    const int tags = between(0, m_instructions + 2);
    b.integer(tags);
    // Mostly rising by a few lines, as assembled source gives them; sometimes anywhere.
    int line = between(1, 30);
    for (int i = 0; i < tags; ++i) {
      line = chance(0.15) ? between(1, 32767) : std::min(32767, line + between(1, 4));
      b.integer(chance(0.8) ? std::min(i, m_instructions - 1) : location()).integer(line);
    }
    return b;
  }

  std::mt19937 m_random;
  int m_instructions = 1, m_variables = 0, m_literals = 0;
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

  // Read, print, assemble, write: the bytes of writing what was read; printing again, the source.
  void roundTrip(const std::string& programFile, const std::string& what, bool printAgain = true) {
    TessaglyphProgram read;
    read.setEventSink(&events);
    ASSERT_GT(read.readProgram(programFile, 1), 0) << what << "\n" << supportLog();
    read.setEventSink(nullptr);
    const auto source = disassembleProgram(read);
    try {
      const auto rebuilt = assembleProgram(source, what);
      EXPECT_EQ(written(rebuilt, "rebuilt.tgp"), written(read, "expected.tgp")) << what << "\n"
                                                                                << source;
      if (printAgain) {
        EXPECT_EQ(disassembleProgram(rebuilt), source) << what;
      }
    } catch (const ScriptSourceError& error) {
      ADD_FAILURE() << what << ": the printed source does not assemble\n"
                    << error.description() << "\n"
                    << source;
    }
  }
};

TEST_F(ScriptRoundTrip, EveryScriptBuildsDumpsAndBuildsToTheSameBytes) {
  int scripts = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(TG_SOURCE_DIR) / "scripts")) {
    if (entry.path().extension() != ".tgs") continue;
    ++scripts;
    const auto built = path("built.tgp");
    const Long size = buildProgramFile(entry.path().string(), built);
    EXPECT_EQ(Long(readFile(built).size()), size);
    roundTrip(built, entry.path().filename().string(), false);
  }
  EXPECT_GE(scripts, 1);
}

TEST_F(ScriptRoundTrip, GeneratedProgramFilesComeBackByteForByte) {
  for (unsigned seed = 1; seed <= 250 && !HasFailure(); ++seed)
    roundTrip(file("generated.tgp", ImageGenerator(seed).image()), "seed " + std::to_string(seed));
}

}  // namespace
}  // namespace tg
