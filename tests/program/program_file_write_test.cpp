// Writing program images: bytes, place, untouched bytes, errors and the program's state.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "program/program_file_test_support.hpp"
#include "program/program_test_support.hpp"
#include "support/file_layer.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::Bytes;
using test::ImageParts;
using test::op;
using test::raises;

constexpr const char* kSource = "TessaglyphProgram::writeProgram";
constexpr const char* kLiteralOverflow =
    "A value supplied in one of the literal value strings was large for its specified data type.";

TessaglyphProgram stopOnly() {
  TessaglyphProgram program;
  program.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
  return program;
}

using ProgramFileWriteTest = test::ProgramFileTest;

TEST_F(ProgramFileWriteTest, SectionsFollowOneAnotherWithoutGaps) {
  auto program = test::smallProgram();
  program.setRoutines(1, {"init", "c_a"});  // stored padded to the full 20 characters
  const auto at = path("small.tgp");
  const Long end = program.writeProgram(at, 1);
  // The same program, laid out by hand.
  ImageParts parts;
  parts.properties =
      Bytes().integer(2).string("gridtype").string("latlon").string("datum").string("nad27");
  parts.routines = Bytes().integer(1).routine("init", 0);
  parts.attributes =
      Bytes().integer(1).attribute("datapoint", TG_P_AT_DATAPOINT, TG_P_DT_INTEGER, 2, 2, -1);
  parts.literals = Bytes().integer(2).byte(5).string("abc").byte(2).integers({2, 5});
  parts.code = Bytes().integers({6, 3, 0});
  parts.code.instructions({{TG_M_I_LOAD, 1, TG_P_DS_DATA},
                           {TG_M_I_ADD, 1, TG_P_DS_CONSTANT},
                           {TG_M_I_STORE, 0, TG_P_DS_PREDEFINED},
                           {TG_M_I_LOAD, TG_M_PVI_X, TG_P_DS_PREDEFINED},
                           {TG_M_I_GOTO, 0, TG_P_DS_INSTRUCTION},
                           {TG_M_I_STOP, 0, TG_P_DS_DATA}});
  parts.debug = Bytes().integers({0, 2, 0, 10, 1, 11});
  std::int64_t expectedEnd = 0;
  EXPECT_EQ(test::readFile(at), parts.assemble(1, &expectedEnd));
  EXPECT_EQ(end, expectedEnd);
  EXPECT_EQ(program.lastUsedFilename(), at);
  EXPECT_EQ(openFileCount(), 0u);
}

TEST_F(ProgramFileWriteTest, InitializersOnlyForTypedNonTextVariables) {
  auto program = stopOnly();
  for (int i = 0; i < 7; ++i)
    program.addVariable();
  program.setVariableType("v_b", TG_P_DT_UNSIGNEDINTEGER);
  program.setVariableType("v_c", TG_P_DT_INTEGER);
  program.setVariableType("v_d", TG_P_DT_SINGLE);
  program.setVariableType("v_e", TG_P_DT_DOUBLE);
  program.setVariableType("v_f", TG_P_DT_ASCII);
  program.setVariableType("v_g", TG_P_DT_DELIMITEDASCII);
  const auto at = path("vars.tgp");
  ASSERT_GT(program.writeProgram(at, 1), 0);
  // Count, memory, five initializers (variable, type): none for v_a (untyped) or v_f (text).
  auto code = Bytes().integers({1, 7, 5, 1}).byte(1).integer(2).byte(2).integer(3).byte(3);
  code.integer(4).byte(4).integer(6).byte(6).instruction(TG_M_I_STOP, 0, 0);
  EXPECT_EQ(test::readFile(at).substr(50), code.str());

  TessaglyphProgram back;
  ASSERT_GT(back.readProgram(at, 1), 0);
  // Text is what an untyped variable is already: a text variable comes back untyped.
  EXPECT_EQ(back.variableType("v_a"), TG_P_DT_DEFAULTASCII);
  EXPECT_EQ(back.variableType("v_f"), TG_P_DT_DEFAULTASCII);
  EXPECT_EQ(back.variableType("v_g"), TG_P_DT_DELIMITEDASCII);
}

TEST_F(ProgramFileWriteTest, DebugSectionOnlyWhenThereIsDebugInformation) {
  auto program = stopOnly();
  program.addVariable();
  const auto at = path("debug.tgp");
  ASSERT_EQ(program.writeProgram(at, 1), 62 + 0);
  EXPECT_EQ(test::readFile(at).substr(38, 4), std::string(4, '\xFF'));

  program.setVarDebugInfo("v_a", "height");
  const Long end = program.writeProgram(at, 1);
  const std::string image = test::readFile(at);
  EXPECT_EQ(image.substr(38, 4), Bytes().long_(62).str());
  EXPECT_EQ(image.substr(61), Bytes().integers({1, 0}).string("height").integer(0).str());
  EXPECT_EQ(end, 62 + 2 + 2 + 8 + 2);

  program.removeVarDebugInfo("v_a");
  program.setCodeDebugInfo(1, 7);
  ASSERT_GT(program.writeProgram(at, 1), 0);
  EXPECT_EQ(test::readFile(at).substr(61, 8), Bytes().integers({0, 1, 0, 7}).str());
}

TEST_F(ProgramFileWriteTest, NoInstructionsIsRefusedBeforeTheFileIsTouched) {
  TessaglyphProgram empty;
  empty.addVariable();
  const auto missing = path("never.tgp");
  EXPECT_TRUE(raises([&] { empty.writeProgram(missing, 1); }, TG_P_E_CANNOTWRITEPROGRAMERROR,
                     "Cannot write a program that does not contain any instructions.", kSource));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_TRUE(empty.lastUsedFilename().empty());
}

// A literal too large for its type is refused; the program stays as it was, names and all.
TEST_F(ProgramFileWriteTest, LiteralTooLargeForItsTypeRaisesOverflow) {
  const TG_P_LITERAL rows[] = {
      {TG_P_DT_UNSIGNEDINTEGER, 1, "256"}, {TG_P_DT_UNSIGNEDINTEGER, 1, "-1"},
      {TG_P_DT_INTEGER, 2, "32768"},       {TG_P_DT_INTEGER, 4, "2147483648"},
      {TG_P_DT_SINGLE, 4, "1E+39"},        {TG_P_DT_DOUBLE, 8, "1E+309"}};
  for (const auto& literal : rows) {
    auto program = stopOnly();
    program.addLiteral(literal);
    const auto before = test::snapshot(program);
    EXPECT_TRUE(raises([&] { program.writeProgram(path("overflow.tgp"), 1); }, PLATFORM_E_OVERFLOW,
                       kLiteralOverflow, kSource))
        << literal.value;
    EXPECT_EQ(test::snapshot(program), before);
  }
  EXPECT_EQ(openFileCount(), 0u);
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgramFileWriteTest, UnexpectedErrorsGoToTheReportAndGiveMinusOne) {
  // clang-format off
  const struct {
    const char* file;
    TG_P_LITERAL literal;
    TG_P_INSTRUCTION instruction;
    const char* logged;
  } rows[] = {
      {"x.tgp", {TG_P_DT_INTEGER, 2, "twelve"}, op(TG_M_I_NOP, "", TG_P_DS_DATA), "Error 13: Type mismatch"},
      {"x.tgp", {TG_P_DT_ASCII, 0, ""}, op(TG_M_I_GOTO, "5", TG_P_DS_EXPLICITCODE), "Error 10001 in TessaglyphProgram::resolveSymbolicData"},
      {"none/x.tgp", {TG_P_DT_ASCII, 0, ""}, op(TG_M_I_NOP, "", TG_P_DS_DATA), "Error 76: Path not found"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.logged);
    ui.prompts.clear();
    auto program = stopOnly();
    program.addLiteral(row.literal);
    program.addInstruction(row.instruction);
    const auto before = test::snapshot(program);
    EXPECT_EQ(program.writeProgram(path(row.file), 1), -1);
    EXPECT_EQ(test::snapshot(program), before);
    EXPECT_EQ(openFileCount(), 0u);
    EXPECT_EQ(ui.prompts.size(), 1u);
    const auto log = supportLog();
    EXPECT_NE(log.find(row.logged), std::string::npos) << log;
    EXPECT_NE(log.find("TessaglyphProgram::writeProgram (10001)"), std::string::npos) << log;
  }
}

TEST_F(ProgramFileWriteTest, FileErrorsPassThrough) {
  auto program = stopOnly();
  EXPECT_TRUE(raises([&] { program.writeProgram(path("x.tgp"), 0); }, PLATFORM_E_BADRECORDNUMBER,
                     "Bad record number", kSource));
  // Nothing was written: the file was only created.
  EXPECT_EQ(test::readFile(path("x.tgp")), "");
  EXPECT_EQ(openFileCount(), 0u);
  EXPECT_TRUE(ui.prompts.empty());
}

}  // namespace
}  // namespace tg
