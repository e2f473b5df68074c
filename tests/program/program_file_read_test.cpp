// Reading program images: results, refusals, repairs and the state on every way out.
#include <gtest/gtest.h>

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
using test::Correction;
using test::ImageParts;
using test::raises;

constexpr const char* kSource = "TessaglyphProgram::readProgram";

// Only while reading may a routine location be a number: the mark must be cleared.
bool readingMarkCleared(TessaglyphProgram& program) {
  try {
    program.addRoutine({"itwelvepoint", "7"});
  } catch (const Error& error) {
    return error.number() == TG_P_E_CANNOTSETVALUEERROR;
  }
  return false;
}

class ProgramFileReadTest : public test::ProgramFileTest {
 protected:
  TessaglyphProgram program;
  void SetUp() override {
    ProgramFileTest::SetUp();
    program.setEventSink(&events);
  }
  Long read(const ImageParts& parts) {
    return program.readProgram(file("image.tgp", parts.assemble()), 1);
  }
};

TEST_F(ProgramFileReadTest, RecordsAreReadInTheirMemoryForm) {
  ImageParts parts;
  parts.properties = Bytes().integer(2).string("gridtype").string("latlon").string("x").string("");
  parts.routines = Bytes().integer(2).routine("  init", 0).routine("terminate", 2);
  parts.attributes = Bytes().integer(3).attribute("datapoint", TG_P_AT_DATAPOINT, TG_P_DT_INTEGER,
                                                  2, 0, -1, "comment", "tip");
  parts.attributes.string("fields").byte(TG_P_AT_REPEATINGVAR).byte(TG_P_DT_DELIMITEDASCII);
  parts.attributes.byte(2).string(",").string(";").integers({1, 2}).string("").string("");
  parts.attributes.attribute("height", TG_P_AT_VAR, TG_P_DT_DOUBLE, 8, 2, -1);
  parts.code = Bytes().integers({3, 2, 2, 0}).byte(TG_P_DT_DOUBLE).integer(1);
  parts.code.byte(TG_P_DT_DELIMITEDASCII)
      .instructions({{TG_M_I_LOAD, 1, TG_P_DS_DATA},
                     {TG_M_I_STORE, 0, TG_P_DS_PREDEFINED},
                     {TG_M_I_STOP, 99, TG_P_DS_CONSTANT}});
  ASSERT_EQ(read(parts), Long(parts.assemble(1).size()) + 1);
  // Routine names trimmed, locations tagged, a double's size implied, a STOP's operand gone.
  const auto n = [](int opcode) { return std::to_string(opcode); };
  EXPECT_EQ(test::snapshot(program),
            "file " + path("image.tgp") +
                "\nproperty gridtype=latlon\nproperty x=\nroutine [init] c_a\n"
                "routine [terminate] c_b\nattribute datapoint 3 2 2 0..0 c_a -1 comment tip\n"
                "attribute fields 2 6 0 1..2 c_c c_b  \nattribute height 1 4 0 0..0 c_b -1  \n"
                "instruction " +
                n(TG_M_I_LOAD) + " 0 [v_b] tag c_a line 0\ninstruction " + n(TG_M_I_STORE) +
                " 3 [register] tag c_c line 0\ninstruction 51 2 [] tag c_b line 0\n"
                "variable v_a 4 \nvariable v_b 6 \nnext literal l_a\nnext variable v_c\n"
                "next tag c_d\n");
  EXPECT_EQ(program.Attributes(2).delimiterList, (Array<std::string>(1, {",", ";"})));
  EXPECT_TRUE(readingMarkCleared(program));
}

TEST_F(ProgramFileReadTest, LiteralValuesBecomeTheirTextForms) {
  ImageParts parts;
  auto& l = parts.literals = Bytes().integer(9);
  l.byte(1).integer(1).byte(255).byte(2).integers({2, -32768});
  l.byte(2).integer(4).long_(-2147483647 - 1).byte(2).integer(3);  // neither width: no value
  l.byte(3).integer(4).single(0.1f).byte(3).integer(4).single(1.5e20f);
  l.byte(4).integer(8).double_(0.1).byte(4).integer(8).double_(1.0 / 3.0);
  l.byte(5).integer(5).raw(std::string_view("a\0b c", 5));
  ASSERT_GT(read(parts), 0);
  EXPECT_EQ(test::linesOf(test::snapshot(program), "literal"),
            "literal l_a 1 1 255\nliteral l_b 2 2 -32768\nliteral l_c 2 4 -2147483648\n"
            "literal l_d 2 3 \nliteral l_e 3 4 0.1\nliteral l_f 3 4 1.5E+20\nliteral l_g 4 8 0.1\n"
            "literal l_h 4 8 0.333333333333333\nliteral l_i 5 5 a" +
                std::string(1, '\0') + "b c\n");
}

using Damage = std::function<void(ImageParts&)>;
Damage with(Bytes ImageParts::*at, Bytes b) {
  return [at, b](ImageParts& p) { p.*at = b; };
}
Damage withDebug(Bytes b) {
  return [b](ImageParts& p) { p.debug = b; };
}

// Every refusal of an otherwise valid image: number, message, source, state afterwards.
struct Refusal {
  Damage damage;
  std::string message;
  std::int32_t number = TG_P_E_INVALIDDATAERROR;
};

std::vector<Refusal> refusals() {
  using I = ImageParts;
  using At = std::optional<std::int64_t> I::*;
  const auto H = [](At at, std::int64_t v) { return [at, v](ImageParts& p) { p.*at = v; }; };
  const auto S = with;
  const auto P = [&](Bytes b) { return S(&I::properties, b); };
  const auto R = [&](Bytes b) { return S(&I::routines, b); };
  const auto L = [&](Bytes b) { return S(&I::literals, b); };
  const auto C = [&](Bytes b) { return S(&I::code, b); };
  const auto D = withDebug;
  // An attribute of this kind, data type and delimiter count, then sizes or locations.
  const auto A = [&](int kind, int type, int delimiters, std::initializer_list<int> rest) {
    auto b = Bytes().integer(1).string("datapoint").byte(kind).byte(type).byte(delimiters);
    return S(&I::attributes, b.integers(rest).string("").string(""));
  };
  // One STOP after memory initializers, or one instruction.
  const auto init = [](int address, int type) {
    return Bytes().integers({1, 0, 1, address}).byte(type).instruction(51, 0, 0);
  };
  const auto one = [](int opcode, int operand, int segment) {
    return Bytes().integers({1, 0, 0}).instruction(opcode, operand, segment);
  };
  const std::string hv = "The header value for the ", nv = "The value for the number of ";
  const std::string operand = "An instruction operand ", value = "A value for ";
  // clang-format off
  return {
      {H(&I::routinesAt, -1), hv + "routines table offset [-1] is less than zero."},
      {H(&I::attributesAt, -2), hv + "attributes table offset [-2] is less than zero."},
      {H(&I::literalsAt, -2147483647 - 1), hv + "literals table offset [-2147483648] is less than zero."},
      {H(&I::codeAt, -1), hv + "code section offset [-1] is less than zero."},
      {H(&I::debugAt, -2), hv + "debug section offset [-2] is less than negative one."},
      {P(Bytes().integer(-1)), hv + "number of properties [-1] was less than zero."},
      {P(Bytes().integer(1).string("").string("value")), "A blank property name encountered."},
      {P(Bytes().integers({1, -3})), "String size descriptor less than zero [-3]."},
      {R(Bytes().integer(-1)), nv + "routines [-1] was less than zero."},
      {R(Bytes().integer(1).routine("    ", 0)), "A blank routine name was encountered."},
      {R(Bytes().integer(1).routine("init", -4)), "A value specified for routine location [-4] was less than zero."},
      {R(Bytes().integer(1).routine("bogus", 0)), "\"bogus\" is not a valid routine name."},
      {S(&I::attributes, Bytes().integer(-1)), nv + "attributes [-1] was less than zero."},
      {A(0, 2, 1, {2, 2, 0, -1}), "Invalid attribute type [0]."},
      {A(4, 2, 1, {2, 2, 0, -1}), "Invalid attribute type [4]."},
      {A(3, 0, 1, {2, 2, 0, -1}), "Invalid data type [0]."},
      {A(3, 7, 1, {2, 2, 0, -1}), "Invalid data type [7]."},
      {A(3, 6, 0, {2, 2, 0, -1}), "Invalid number of delimiters [0] for given data type (6)."},
      {A(3, 2, 2, {2, 2, 0, -1}), "Invalid number of delimiters [2] for given data type (2)."},
      {A(3, 4, 0, {2, 8, 0, -1}), "Invalid number of delimiters [0] for given data type (4)."},
      {A(3, 2, 1, {4, 2, 0, -1}), "Invalid data size [4]."},
      {A(3, 2, 1, {2, 2, -1, -1}), "Invalid read offset value [-1]."},
      {A(3, 2, 1, {2, 2, 0, -2}), "Invalid write offset value [-2]."},
      {L(Bytes().integer(-1)), "Invalid value for number of literals [-1]."},
      {L(Bytes().integer(1).byte(0).integer(0)), "Invalid literal data type [0]."},
      {L(Bytes().integer(1).byte(6).integer(0)), "Invalid literal data type [6]."},
      {L(Bytes().integer(1).byte(5).integer(-1)), "Invalid literal size [-1]."},
      {C(Bytes().integers({0, 0, 0})), nv + "instructions [0] is less than one."},
      {C(Bytes().integers({1, -1, 0})), "The value for the needed memory [-1] is less than zero."},
      {C(Bytes().integers({1, 0, -1})), "The value for the number memory initializers [-1] was less than zero."},
      {C(init(-1, 2)), "The value for an initialization address [-1] was less than zero."},
      {C(init(0, 0)), "The value for an initialization data type [0] was invalid."},
      {C(init(0, 7)), "The value for an initialization data type [7] was invalid."},
      {C(one(76, 0, 0)), value + "an instruction code [76] was invalid."},
      {C(one(-1, 0, 0)), value + "an instruction code [-1] was invalid."},
      {C(one(51, 0, 6)), value + "data segment [6] was invalid."},
      {C(one(0, 1, TG_P_DS_INSTRUCTION)), operand + "[1] contained an invalid address for code space."},
      {C(one(0, -1, TG_P_DS_EXPLICITCODE)), operand + "[-1] contained an invalid address for code space."},
      {C(one(7, 0, TG_P_DS_CONSTANT)), operand + "[0] contained an invalid address for literal space."},
      {C(one(7, 16, TG_P_DS_PREDEFINED)), operand + "[16] contained an invalid address for predefined variable space."},
      {C(one(7, -1, TG_P_DS_PREDEFINED)), operand + "[-1] contained an invalid address for predefined variable space."},
      {D(Bytes().integer(-1)), nv + "variable names [-1] was less than zero."},
      {D(Bytes().integers({0, -1})), nv + "line number tags [-1] was less than zero."},
      {D(Bytes().integers({0, 1, 1, 5})), value + "an instruction address [1] was invalid."},
      {D(Bytes().integers({0, 1, -1, 5})), value + "an instruction address [-1] was invalid."},
      {D(Bytes().integers({0, 1, 0, 0})), value + "a debugging information line number [0] was less than one."},
      // Section positions past the end or at zero, and a string past the end.
      {H(&I::literalsAt, 5000), "Input past end of file", PLATFORM_E_INPUTPASTENDOFFILE},
      {H(&I::codeAt, 0), "Bad record number", PLATFORM_E_BADRECORDNUMBER},
      {S(&I::attributes, Bytes().integers({1, 30000})), "Input past end of file", PLATFORM_E_INPUTPASTENDOFFILE},
  };
  // clang-format on
}

TEST_F(ProgramFileReadTest, EveryRefusalHasItsNumberAndMessage) {
  for (const auto& refusal : refusals()) {
    SCOPED_TRACE(refusal.message);
    ImageParts parts;
    refusal.damage(parts);
    TessaglyphProgram fresh;
    const auto at = file("damaged.tgp", parts.assemble());
    EXPECT_TRUE(
        raises([&] { fresh.readProgram(at, 1); }, refusal.number, refusal.message, kSource));
    EXPECT_EQ(openFileCount(), 0u);
    EXPECT_TRUE(readingMarkCleared(fresh));
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ProgramFileReadTest, BadMarkersFilesAndPositionsAreRefused) {
  // A marker is quoted as read, as far as it could be read.
  const auto sentinel = [](const std::string& read) {
    return "The data sentinel [" + read +
           "] did not match the correct sentinel [TESSAGLYPH PROGRAM 1.0].";
  };
  ImageParts other;
  other.magic = "Tessaglyph Program 1.0";
  const auto valid = file("valid.tgp", ImageParts().assemble());
  const auto bad = file("other.tgp", other.assemble()), cut = file("short.tgp", "TESSAGLYPH");
  const struct {
    std::string path;
    Long P;
    std::int32_t number;
    std::string message;
  } rows[] = {{bad, 1, TG_P_E_NOTPROGRAMDATAERROR, sentinel("Tessaglyph Program 1.0")},
              {cut, 5, TG_P_E_NOTPROGRAMDATAERROR, sentinel("AGLYPH")},
              {cut, 500, TG_P_E_NOTPROGRAMDATAERROR, sentinel("")},
              {"", 1, PLATFORM_E_BADFILENAMEORNUMBER, "Bad file name or number"},
              {valid, 0, PLATFORM_E_BADRECORDNUMBER, "Bad record number"}};
  for (const auto& row : rows) {
    EXPECT_TRUE(
        raises([&] { program.readProgram(row.path, row.P); }, row.number, row.message, kSource))
        << row.path << " at " << row.P;
  }
  EXPECT_EQ(openFileCount(), 0u);
}

TEST_F(ProgramFileReadTest, EveryImageCutShortFails) {
  ImageParts parts;
  parts.properties = Bytes().integer(1).string("datum").string("NAD83");
  parts.routines = Bytes().integer(1).routine("init", 0);
  parts.attributes = Bytes().integer(1).attribute("datapoint", TG_P_AT_DATAPOINT, TG_P_DT_INTEGER,
                                                  2, 0, -1, "comment", "tip");
  parts.literals = Bytes().integer(2).byte(4).integer(8).double_(2.5).byte(5).integer(2).raw("ab");
  parts.code = Bytes().integers({2, 1, 1, 0}).byte(2).instructions({{7, 0, 0}, {51, 0, 0}});
  parts.debug = Bytes().integers({1, 0}).string("n").integers({1, 0, 3});
  const std::string image = parts.assemble();
  ASSERT_EQ(program.readProgram(file("whole.tgp", image), 1), Long(image.size()) + 1);
  for (std::size_t length = 0; length < image.size(); ++length) {
    SCOPED_TRACE(length);
    TessaglyphProgram cut;
    const auto at = file("cut.tgp", image.substr(0, length));
    const std::int32_t expected = length < 22 ? std::int32_t(TG_P_E_NOTPROGRAMDATAERROR)
                                              : std::int32_t(PLATFORM_E_INPUTPASTENDOFFILE);
    EXPECT_EQ(test::errorNumber([&] { cut.readProgram(at, 1); }), expected);
  }
  EXPECT_EQ(openFileCount(), 0u);
}

TEST_F(ProgramFileReadTest, VariablesBeyondTheDeclaredMemoryAreRepairedAndReported) {
  const auto repaired = [](const std::string& because) {
    return "The value for the amount of needed memory was incorrect, because " + because +
           " existed beyond the range of the specified value.  The amount of memory needed has "
           "been increased accordingly.  Note that this may cause gaps of unused variables.";
  };
  const auto operandText = repaired("an operand");
  ImageParts parts;
  // Memory 2; an initializer, operands and a debug name beyond it are repaired in order.
  parts.literals = Bytes().integer(2).byte(1).integer(1).byte(1).byte(1).integer(1).byte(2);
  parts.code = Bytes().integers({6, 2, 1, 5}).byte(TG_P_DT_SINGLE);
  parts.code.instructions({{TG_M_I_LOAD, 7, TG_P_DS_DATA},
                           {TG_M_I_LOAD, 27, TG_P_DS_EXPLICIT},
                           {TG_M_I_LOAD, 3, TG_P_DS_DATA},
                           {TG_M_I_LOAD, 20, TG_P_DS_EXPLICIT},
                           {TG_M_I_LOAD, 1, TG_P_DS_CONSTANT},
                           {TG_M_I_STOP, 0, 0}});
  parts.debug = Bytes().integers({1, 11}).string("last").integer(0);
  ASSERT_GT(read(parts), 0);
  EXPECT_EQ(events.corrections,
            (std::vector<Correction>{{repaired("a memory initializer"), "2", "6"},
                                     {operandText, "6", "8"},
                                     {operandText, "8", "10"},
                                     {repaired("a named variable from the file's debug info "
                                               "section"),
                                      "10", "12"}}));
  EXPECT_EQ(program.neededMemory(), 12);
  EXPECT_EQ(program.variableType("v_f"), TG_P_DT_SINGLE);
  EXPECT_EQ(program.variableDebugName("v_l"), "last");
  EXPECT_EQ(program.instructions(1).operand, "v_h");
  // Explicit addresses stay numbers; the one beyond memory now addresses its last variable.
  EXPECT_EQ(program.instructions(2), (TG_P_INSTRUCTION{TG_M_I_LOAD, "27", TG_P_DS_EXPLICIT}));
  EXPECT_EQ(program.getVariableAddress("v_j"), 27);
}

// Failures without a refusal of their own are reported and give -1.
TEST_F(ProgramFileReadTest, UnexpectedErrorsGoToTheReportAndGiveMinusOne) {
  const auto code = [](int operand) {
    return with(&ImageParts::code, Bytes().integers({1, 0, 0}).instruction(7, operand, 0));
  };
  const auto size = [](int bytes) {
    const auto b =
        Bytes().integer(1).attribute("x", TG_P_AT_DATAPOINT, TG_P_DT_ASCII, bytes, 0, -1);
    return with(&ImageParts::attributes, b);
  };
  // A DATA operand of 32767 needs 32768 variables, more than a program can hold.
  const struct {
    const char* path;
    Damage damage;  // none: no such file
    std::int32_t number;
  } rows[] = {
      {"big.tgp", code(32767), 6},
      {"operand.tgp", code(-1), 9},
      {"size.tgp", size(256), 6},
      {"negative.tgp", size(-2), 6},
      {"routine.tgp", with(&ImageParts::routines, Bytes().integer(1).routine("init", 1)), 9},
      {"missing.tgp", nullptr, 53}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    ui.prompts.clear();
    ImageParts parts;
    if (row.damage) row.damage(parts);
    const std::string at = row.damage ? file(row.path, parts.assemble()) : path(row.path);
    TessaglyphProgram fresh;
    EXPECT_EQ(fresh.readProgram(at, 1), -1);
    EXPECT_EQ(openFileCount(), 0u);
    EXPECT_TRUE(readingMarkCleared(fresh));
    EXPECT_EQ(ui.prompts.size(), 1u);
    const std::string log = supportLog();
    EXPECT_NE(log.find("Error " + std::to_string(row.number)), std::string::npos) << log;
    EXPECT_NE(log.find(std::string(kSource) + " (10000)"), std::string::npos) << log;
  }
}

}  // namespace
}  // namespace tg
