// The disassembler: layout, literal forms, names, debug lines and programs it cannot print.
#include "program/disassembler.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "program/program_file_test_support.hpp"
#include "program/program_test_support.hpp"
#include "program/script_literal.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::op;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The source with runs of blanks squeezed, none at a line's start, "|" for line ends.
std::string squeezed(const std::string& source) {
  std::string text;
  for (const char c : source) {
    if (c == ' ' && (text.empty() || text.back() == ' ' || text.back() == '|')) continue;
    text += c == '\n' ? '|' : c;
  }
  return text;
}

TEST(Disassembler, PrintsDeclarationsThenTheCodeWithLabelsAndAddresses) {
  const std::string expected =
      ".property gridtype \"latlon\"\n.property datum \"nad27\"\n\n"
      ".var v0 nodebug\n.var v1 nodebug\n.memory 3\n\n"
      ".literal lit0 \"abc\"\n.literal lit1 5\n\n.routine init\n\n"
      ".attribute datapoint datapoint integer 2 read read_datapoint\n\n"
      "init:\n.line 10\n"
      "    load v1                             ; 0\n"
      "    add lit1                            ; 1\n"
      ".lines off\nread_datapoint:\n"
      "    store register                      ; 2\n"
      "    load p_x                            ; 3\n"
      "    goto init                           ; 4\n"
      "    stop                                ; 5\n";
  auto p = test::smallProgram();
  EXPECT_EQ(disassembleProgram(p), expected);
  // The numeric form a machine preparation leaves prints the same.
  p.resolveSymbolicData();
  EXPECT_EQ(disassembleProgram(p), expected);
}

// The shortest form that reads back exactly; none for the types a literal cannot have.
TEST(DisassemblerLiteralForms, AreTheShortestThatReadBackExactly) {
  const std::pair<TG_P_LITERAL, std::optional<std::string>> rows[] = {
      {{TG_P_DT_INTEGER, 2, "5"}, "5"},
      {{TG_P_DT_INTEGER, 4, "5"}, "5l"},
      {{TG_P_DT_INTEGER, 4, "70000"}, "70000"},
      {{TG_P_DT_INTEGER, 2, "70000"}, "70000s"},
      {{TG_P_DT_UNSIGNEDINTEGER, 1, "007"}, "007u"},
      {{TG_P_DT_SINGLE, 4, "-1.5E-07"}, "-1.5E-07f"},
      {{TG_P_DT_DOUBLE, 8, "1E+20"}, "1E+20"},
      {{TG_P_DT_DOUBLE, 8, "5"}, "5d"},
      {{TG_P_DT_DOUBLE, 8, "1.#INF"}, "double(\"1.#INF\")"},
      {{TG_P_DT_INTEGER, 4, "&H10"}, "integer(\"&H10\", 4)"},
      {{TG_P_DT_UNSIGNEDINTEGER, 7, "1"}, "unsigned(1, 7)"},
      {{TG_P_DT_SINGLE, 4, " 2"}, "single(\" 2\")"},
      {{TG_P_DT_ASCII, 3, "a\"b"}, "\"a\\\"b\""},
      {{TG_P_DT_ASCII, 2, "\x01\xe9"}, "\"\\x01\\xE9\""},
      {{TG_P_DT_ASCII, 5, "ab"}, "ascii(\"ab\", 5)"},
      {{TG_P_DT_DELIMITEDASCII, 1, "x"}, std::nullopt},
      {{TG_P_DT_DEFAULTASCII, 1, "x"}, std::nullopt}};
  for (const auto& [literal, form] : rows)
    EXPECT_EQ(script::formatLiteral(literal), form) << literal.value;
}

// Literals are inline exactly when inline use rebuilds the same table.
TEST(DisassemblerLiterals, AreInlineOnlyWhenFirstUsesRebuildTheTable) {
  const TG_P_LITERAL five{TG_P_DT_INTEGER, 2, "5"}, text{TG_P_DT_ASCII, 1, "t"};
  const struct {
    std::vector<TG_P_LITERAL> literals;
    std::vector<std::string> uses;
    bool inline_;
  } rows[] = {{{five, text}, {"l_a", "l_b", "l_a"}, true},
              {{five, text}, {"l_b", "l_a"}, false},
              {{five, text}, {"l_a"}, false},
              {{five, five}, {"l_a", "l_b"}, false}};
  for (const auto& row : rows) {
    TessaglyphProgram p;
    for (const auto& literal : row.literals)
      p.addLiteral(literal);
    for (const auto& use : row.uses)
      p.addInstruction(op(TG_M_I_LOAD, use, TG_P_DS_CONSTANT));
    p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
    const auto source = disassembleProgram(p);
    EXPECT_EQ(contains(source, ".literal lit0 "), !row.inline_) << source;
    EXPECT_EQ(contains(source, "load 5 ") && contains(source, "load \"t\" "), row.inline_)
        << source;
  }
}

TEST(DisassemblerNames, DebugNamesBecomeSourceNamesWhereTheyCan) {
  TessaglyphProgram p;
  const std::vector<std::string> debugNames = {"",          "register", "with blank", "elevation",
                                               "Elevation", "none",     "init",       "v0"};
  for (const auto& debugName : debugNames) {
    const auto name = p.addVariable();
    p.setVariableType(name, TG_P_DT_DOUBLE);
    if (!debugName.empty()) p.setVarDebugInfo(name, debugName);
  }
  p.addVariable();  // plain and unused: left to .memory
  for (Integer i = 1; i <= Integer(debugNames.size()); ++i)
    p.addInstruction(op(TG_M_I_LOAD, p.addressSymbolicName(i), TG_P_DS_DATA));
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  p.addRoutine({"init", p.tag(1)});

  const auto source = disassembleProgram(p);
  EXPECT_TRUE(contains(source,
                       ".var v0_2 double nodebug\n"  // "v0" is a debug name below
                       ".var v1 double debug \"register\"\n"
                       ".var v2 double debug \"with blank\"\n"
                       ".var elevation double\n"
                       ".var v4 double debug \"Elevation\"\n"  // names differ in more than case
                       ".var v5 double debug \"none\"\n"
                       ".var init double\n"
                       ".var v0 double\n"
                       ".memory 9\n"))
      << source;
  // The routine's label cannot be "init": that is a variable's name now.
  EXPECT_TRUE(contains(source, ".routine init L0\n")) << source;
  EXPECT_TRUE(contains(source, "L0:\n    load v0_2 ")) << source;
}

TEST(DisassemblerNames, RepeatedNamesAreMarked) {
  TessaglyphProgram p;
  p.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  const auto tag = p.tag(1);
  p.addScriptProperty({"datum", "nad27"});
  p.setScriptProperties(p.addScriptProperty({"other", "x"}), {"DATUM", "nad83"});
  p.addRoutine({"init", tag});
  p.setRoutines(p.addRoutine({"valid", tag}), {"Init", tag});
  p.addAttribute(test::attribute("dp", tag));
  auto second = test::attribute("other", tag);
  p.setAttributes(p.addAttribute(second), test::attribute(" DP ", tag));
  p.addAttribute(test::attribute("", tag));
  p.addAttribute(test::attribute("", tag));

  // Assembling accepts a repeat only with "duplicate"; blank names never repeat.
  const auto source = disassembleProgram(p);
  EXPECT_EQ(test::snapshot(assembleProgram(source, "x")), test::snapshot(p));
  EXPECT_FALSE(contains(source, "\"\" datapoint integer 2 read init duplicate")) << source;
}

// Debug lines come back in any order: blank lines, .line, or .lines off.
TEST(DisassemblerDebugLines, ComeBackInAnyOrder) {
  const std::vector<Integer> lines = {0, 0, 20, 22, 23, 23, 5, 6, 0, 32767, 1, 0, 40, 45};
  TessaglyphProgram p;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
    p.setCodeDebugInfo(Integer(i + 1), lines[i]);
  }
  EXPECT_EQ(squeezed(disassembleProgram(p)),
            ".lines off|NOP ; 0|NOP ; 1|.lines on|.line 20|NOP ; 2||NOP ; 3|NOP ; 4|.line 23|"
            "NOP ; 5|.line 5|NOP ; 6|NOP ; 7|.lines off|NOP ; 8|.lines on|.line 32767|NOP ; 9|"
            ".line 1|NOP ; 10|.lines off|NOP ; 11|.lines on|.line 40|NOP ; 12|||||NOP ; 13|");
}

// Memory grown to reach an explicit address is declared; the address stays as written.
TEST(DisassemblerNames, MemoryGrownForAnExplicitAddressKeepsTheAddress) {
  const auto p = assembleProgram(".var a integer\nload mem[30]\n", "x");
  ASSERT_EQ(p.neededMemory(), 15);
  const auto source = disassembleProgram(p);
  EXPECT_TRUE(contains(source, ".var a integer\n.memory 15\n")) << source;
  EXPECT_TRUE(contains(source, "load mem[30]")) << source;
}

TEST(DisassemblerFailures, AProgramNoFileCouldHoldIsRefused) {
  TessaglyphProgram dangling;
  dangling.addLiteral({TG_P_DT_INTEGER, 2, "5"});
  dangling.addInstruction(op(TG_M_I_LOAD, "l_a", TG_P_DS_CONSTANT));
  dangling.removeLiteral(1);  // the load names no literal now
  EXPECT_TRUE(test::raises(
      [&] { disassembleProgram(dangling); }, TG_P_E_INVALIDDATAERROR,
      "The program cannot be written as script source: it holds an operand that names nothing.",
      "disassembleProgram"));

  TessaglyphProgram badSegment;
  badSegment.addInstruction(op(TG_M_I_STOP, "", TG_P_DATASEGMENTS(9)));
  EXPECT_TRUE(test::raises([&] { disassembleProgram(badSegment); }, TG_P_E_INVALIDDATAERROR,
                           "The program cannot be written as script source: instruction 1 has "
                           "the invalid data segment 9.",
                           "disassembleProgram"));
}

class DisassemblerFiles : public test::ProgramFileTest {};

TEST_F(DisassemblerFiles, ReadErrorsPassThrough) {
  const auto notAProgram = file("text.tgs", "; a script, not a program file........\n");
  EXPECT_TRUE(
      test::raises([&] { disassembleFile(notAProgram); }, TG_P_E_NOTPROGRAMDATAERROR,
                   "The data sentinel [; a script, not a prog] did not match the correct sentinel "
                   "[TESSAGLYPH PROGRAM 1.0].",
                   "TessaglyphProgram::readProgram"));
  EXPECT_EQ(test::errorNumber([&] { disassembleFile(path("missing.tgp")); }),
            PLATFORM_E_FILENOTFOUND);
}

TEST_F(DisassemblerFiles, RepairsTheReaderMakesAreReported) {
  // One STOP, neededMemory 0, and an initializer for variable 2.
  test::ImageParts parts;
  parts.code =
      test::Bytes().integer(1).integer(0).integer(1).integer(2).byte(4).instruction(51, 0, 0);
  const auto source = disassembleFile(file("repaired.tgp", parts.assemble()), &events);
  ASSERT_EQ(events.corrections.size(), 1u);
  EXPECT_EQ(events.corrections[0].newValue, "3");
  EXPECT_TRUE(contains(source, ".var v2 double nodebug\n")) << source;
}

}  // namespace
}  // namespace tg
