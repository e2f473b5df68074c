// Writing program images: the exact bytes, the place in the file, what is never touched, the
// errors raised and reported, and the program's state after success and failure.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

TEST_F(ProgramFileWriteTest, ImageInsideALargerFileLeavesEveryOtherByteAlone) {
  std::string original(400, '\0');
  for (std::size_t i = 0; i < original.size(); ++i)
    original[i] = char(i * 7 + 3);
  const auto at = file("container.bin", original);

  auto program = test::smallProgram();
  const Long end = program.writeProgram(at, 100);
  ASSERT_GT(end, 100);
  ASSERT_LT(end, 401);
  const std::string after = test::readFile(at);
  ASSERT_EQ(after.size(), original.size()) << "the file must not be truncated";
  EXPECT_EQ(after.substr(0, 99), original.substr(0, 99));
  EXPECT_EQ(after.substr(std::size_t(end - 1)), original.substr(std::size_t(end - 1)));
  EXPECT_EQ(after.substr(99, 22), "TESSAGLYPH PROGRAM 1.0");

  TessaglyphProgram back;
  EXPECT_EQ(back.readProgram(at, 100), end);
  EXPECT_EQ(back.getScriptPropertyByName("datum").propertyValue, "nad27");

  // The image's positions are absolute: the same program written at 1 differs by 99 in each.
  auto again = test::smallProgram();
  const auto first = path("first.tgp");
  EXPECT_EQ(again.writeProgram(first, 1), end - 99);
  const std::string atOne = test::readFile(first);
  for (int field = 0; field < 4; ++field) {
    const auto position = [](const std::string& image, std::size_t at) {
      return Long(std::uint8_t(image[at])) | Long(std::uint8_t(image[at + 1])) << 8 |
             Long(std::uint8_t(image[at + 2])) << 16 | Long(std::uint8_t(image[at + 3])) << 24;
    };
    EXPECT_EQ(position(after, 99 + 22 + 4 * std::size_t(field)),
              position(atOne, 22 + 4 * std::size_t(field)) + 99);
  }
}

TEST_F(ProgramFileWriteTest, SectionsFollowOneAnotherWithoutGaps) {
  auto program = test::smallProgram();
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

TEST_F(ProgramFileWriteTest, LiteralTooLargeForItsTypeRaisesOverflow) {
  const std::vector<TG_P_LITERAL> tooLarge = {
      {TG_P_DT_UNSIGNEDINTEGER, 1, "256"}, {TG_P_DT_UNSIGNEDINTEGER, 1, "-1"},
      {TG_P_DT_INTEGER, 2, "32768"},       {TG_P_DT_INTEGER, 4, "2147483648"},
      {TG_P_DT_SINGLE, 4, "1E+39"},        {TG_P_DT_DOUBLE, 8, "1E+309"},
  };
  for (const auto& literal : tooLarge) {
    SCOPED_TRACE(literal.value);
    auto program = stopOnly();
    program.addLiteral(literal);
    const auto before = test::snapshot(program);
    EXPECT_TRUE(raises([&] { program.writeProgram(path("overflow.tgp"), 1); }, PLATFORM_E_OVERFLOW,
                       kLiteralOverflow, kSource));
    // The program is as it was, names and all.
    EXPECT_EQ(test::snapshot(program), before);
    EXPECT_EQ(openFileCount(), 0u);
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgramFileWriteTest, UnexpectedErrorsGoToTheReportAndGiveMinusOne) {
  struct Case {
    const char* what;
    std::function<void(TessaglyphProgram&)> damage;
    const char* logged;
  };
  const std::vector<Case> cases = {
      {"literal text that is not a number",
       [](TessaglyphProgram& p) {
         p.addLiteral({TG_P_DT_INTEGER, 2, "twelve"});
       },
       "Error 13: Type mismatch"},
      {"explicit code address beyond the code",
       [](TessaglyphProgram& p) { p.addInstruction(op(TG_M_I_GOTO, "5", TG_P_DS_EXPLICITCODE)); },
       "Error 10001 in TessaglyphProgram::resolveSymbolicData: An instruction operand in data "
       "segment EXPLICITCODE carried an invalid code memory address."},
      {"folder that does not exist", [](TessaglyphProgram&) {}, "Error 76: Path not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.prompts.clear();
    auto program = stopOnly();
    c.damage(program);
    const auto before = test::snapshot(program);
    const auto at = std::string(c.what).starts_with("folder") ? path("none/x.tgp") : path("x.tgp");
    EXPECT_EQ(program.writeProgram(at, 1), -1);
    EXPECT_EQ(test::snapshot(program), before);
    EXPECT_EQ(openFileCount(), 0u);
    EXPECT_EQ(ui.prompts.size(), 1u);
    const auto log = supportLog();
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    EXPECT_NE(log.find("TessaglyphProgram::writeProgram (10001)"), std::string::npos) << log;
  }
}

TEST_F(ProgramFileWriteTest, FileErrorsPassThrough) {
  auto program = stopOnly();
  EXPECT_TRUE(raises([&] { program.writeProgram(path("x.tgp"), 0); }, PLATFORM_E_BADRECORDNUMBER,
                     "Bad record number", kSource));
  // Nothing was written: the file was only created.
  EXPECT_EQ(test::readFile(path("x.tgp")), "");
  EXPECT_TRUE(raises([&] { program.writeProgram("", 1); }, PLATFORM_E_BADFILENAMEORNUMBER,
                     "Bad file name or number", kSource));
  EXPECT_EQ(openFileCount(), 0u);
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgramFileWriteTest, AfterWritingTheProgramIsInFreshSymbolicForm) {
  // Names given out of order and a gap in the tags come back as the file would give them.
  auto program = test::smallProgram();
  program.addVariable();
  program.tag(6);
  const auto at = path("renamed.tgp");
  ASSERT_GT(program.writeProgram(at, 1), 0);
  TessaglyphProgram back;
  ASSERT_GT(back.readProgram(at, 1), 0);
  EXPECT_EQ(test::snapshot(program), test::snapshot(back));
}

// Literals of every type and size: the text that comes back, the bytes in the file, and a
// second write that gives the same bytes.
TEST_F(ProgramFileWriteTest, LiteralsKeepTheirValues) {
  struct Case {
    TG_P_DATATYPES type;
    Integer size;
    std::string value;
    std::string readBack;
    std::string valueBytes;
    // What writing the text read back gives, where that is not valueBytes again: a single
    // comes back with 7 significant digits.
    std::optional<std::string> rewrittenBytes = std::nullopt;
  };
  std::string allBytes;
  for (int b = 255; b >= 0; --b)
    allBytes.push_back(char(b));
  const auto i2 = [](int v) { return test::Bytes().integer(v).str(); };
  const auto i4 = [](std::int64_t v) { return test::Bytes().long_(v).str(); };
  const auto f4 = [](float v) { return test::Bytes().single(v).str(); };
  const auto f8 = [](double v) { return test::Bytes().double_(v).str(); };
  const auto text = [](const std::string& v) { return test::Bytes().string(v).str(); };
  const Case cases[] = {
      {TG_P_DT_UNSIGNEDINTEGER, 1, "0", "0", std::string(1, '\0')},
      {TG_P_DT_UNSIGNEDINTEGER, 1, "255", "255", "\xFF"},
      {TG_P_DT_UNSIGNEDINTEGER, 1, "2.5", "2", "\x02"},
      {TG_P_DT_UNSIGNEDINTEGER, 1, " 3.5 ", "4", "\x04"},
      {TG_P_DT_INTEGER, 2, "-32768", "-32768", i2(-32768)},
      {TG_P_DT_INTEGER, 2, "&H7FFF", "32767", i2(32767)},
      {TG_P_DT_INTEGER, 4, "-2147483648", "-2147483648", i4(-2147483647 - 1)},
      {TG_P_DT_INTEGER, 4, "1E9", "1000000000", i4(1000000000)},
      {TG_P_DT_SINGLE, 4, "0.1", "0.1", f4(0.1f)},
      {TG_P_DT_SINGLE, 4, "3.14159265358979", "3.141593", f4(3.14159265358979f), f4(3.141593f)},
      {TG_P_DT_SINGLE, 4, "-3.402823E+38", "-3.402823E+38", f4(-3.402823e38f)},
      {TG_P_DT_SINGLE, 4, "1E-45", "1.401298E-45", f4(1e-45f)},
      // The double nearest to 0.1, not a single widened.
      {TG_P_DT_DOUBLE, 8, "0.1", "0.1", std::string("\x9A\x99\x99\x99\x99\x99\xB9\x3F", 8)},
      {TG_P_DT_DOUBLE, 8, "123456789012345", "123456789012345", f8(123456789012345.0)},
      {TG_P_DT_DOUBLE, 8, "-2.5E-300", "-2.5E-300", f8(-2.5e-300)},
      {TG_P_DT_ASCII, 3, "abc", "abc", text("abc")},
      {TG_P_DT_ASCII, 0, "", "", text("")},
      {TG_P_DT_ASCII, 256, allBytes, allBytes, text(allBytes)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TessaglyphProgram program;
    program.addInstruction(op(TG_M_I_STOP, "", TG_P_DS_DATA));
    program.addLiteral({c.type, c.size, c.value});
    const auto at = path("literal.tgp");
    std::filesystem::remove(at);
    const Long end = program.writeProgram(at, 1);
    ASSERT_GT(end, 0);
    const std::string image = test::readFile(at);
    // The literal sits after the routines and attributes counts: count, type, size, value.
    const std::size_t valueAt = 48 + 2 + 1 + (c.type == TG_P_DT_ASCII ? 0 : 2);
    EXPECT_EQ(image.substr(valueAt, c.valueBytes.size()), c.valueBytes);

    TessaglyphProgram back;
    ASSERT_EQ(back.readProgram(at, 1), end);
    EXPECT_EQ(back.literals(1).value, c.readBack);
    EXPECT_EQ(back.literals(1).dataType, c.type);
    EXPECT_EQ(back.literals(1).size, c.size);
    const auto again = path("again.tgp");
    std::filesystem::remove(again);
    ASSERT_EQ(back.writeProgram(again, 1), end);
    auto expected = image;
    if (c.rewrittenBytes) expected.replace(valueAt, c.rewrittenBytes->size(), *c.rewrittenBytes);
    EXPECT_EQ(test::readFile(again), expected);
  }
}

}  // namespace
}  // namespace tg
