// The disassembler: layout, literal forms, names, debug lines and programs it cannot print.
#include "program/disassembler.hpp"

#include <gtest/gtest.h>

#include <string>

#include "program/assembler.hpp"
#include "program/program_test_support.hpp"
#include "program/script_literal.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::op;

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
      {{TG_P_DT_ASCII, 3, "a\"b"}, "\"a\\\"b\""},
      {{TG_P_DT_ASCII, 2, "\x01\xe9"}, "\"\\x01\\xE9\""},
      {{TG_P_DT_ASCII, 5, "ab"}, "ascii(\"ab\", 5)"},
      {{TG_P_DT_DELIMITEDASCII, 1, "x"}, std::nullopt}};
  for (const auto& [literal, form] : rows)
    EXPECT_EQ(script::formatLiteral(literal), form) << literal.value;
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

}  // namespace
}  // namespace tg
