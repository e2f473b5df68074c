// Script properties, routines, attributes and literals of a program.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

using Call = std::function<void(TessaglyphProgram&)>;

TEST(ProgramRecords, PropertiesAreFoundReplacedAndRemovedByNameInAnyCase) {
  TessaglyphProgram p;
  p.addScriptProperty({"gridtype", "latlon"});
  p.addScriptProperty({"datum", "nad27"});
  EXPECT_EQ(p.addScriptProperty({"datatype", "topo"}), 3);
  EXPECT_EQ(p.getScriptPropertyIndex("DATUM"), 2);
  EXPECT_EQ(p.getScriptPropertyIndex("nosuch"), 0);
  p.setScriptPropertyByName({"Datum", "nad83"});
  p.removeScriptPropertyByName("gridtype");
  EXPECT_EQ(linesOf(snapshot(p), "property"), "property Datum=nad83\nproperty datatype=topo\n");
  // Storing by index checks nothing, but an empty name is never found.
  p.setScriptProperties(1, {"", "anything"});
  EXPECT_EQ(p.getScriptPropertyIndex("  "), 0);
}

// A missing or doubled name: its own number and sentence, the spacing included, and no change.
TEST(ProgramRecords, NameErrorsSayWhatWasAskedFor) {
  // clang-format off
  const std::tuple<Call, std::int32_t, std::string> rows[] = {
      {[](auto& p) { p.addScriptProperty(TG_P_PROPERTY("DATUM", "x")); }, 10012, "DATUM already exists in this program."},
      {[](auto& p) { p.getScriptPropertyByName("grid"); }, 10003, "grid is not an existing property name."},
      {[](auto& p) { p.addRoutine(TG_P_ROUTINE("INIT", "c_a")); }, 10013, "INITis the name of an existing routine, and will not be added."},
      {[](auto& p) { p.getRoutineByName("next"); }, 10005, "next is not an existing routine name."},
      {[](auto& p) { p.setRoutineByName(TG_P_ROUTINE("next", "c_a")); }, 10005, "nextis not the name of an existing routine."},
      {[](auto& p) { p.addAttribute(attribute("DATAPOINT", "c_a")); }, 10014, "DATAPOINTis the name of an existing attribute, and will not be added."},
      {[](auto& p) { p.getAttributeByName("size"); }, 10004, "size is not an existing attribute name."},
      {[](auto& p) { p.setAttributeByName(attribute("size", "c_a")); }, 10004, "sizeis not an existing attribute name."},
      // removeAttribute answers a bad index with a sentence of its own.
      {[](auto& p) { p.removeAttribute(0); }, 9, "Subscript out of range."},
      {[](auto& p) { p.removeAttribute(2); }, 9, "Subscript out of range."},
      {[](auto& p) { p.getLiteralByName("l_q"); }, 10006, "l_q is not an existing literal name."},
      {[](auto& p) { p.setLiteralByName("l_q", TG_P_LITERAL(TG_P_DT_ASCII, 1, "x")); }, 10006, "l_q is not the name of an existing literal."},
  };
  // clang-format on
  for (const auto& [call, number, message] : rows) {
    auto p = smallProgram();
    EXPECT_TRUE(refused([&] { call(p); }, p, number, message));
  }
}

TEST(ProgramRecords, RoutineNamesArePaddedToTwentyCharacters) {
  auto p = smallProgram();
  p.setRoutines(1, {"init", "c_b"});
  EXPECT_EQ(p.routines(1), (TG_P_ROUTINE{"init" + std::string(16, ' '), "c_b"}));
  p.addRoutine({"terminate", "c_a"});
  p.setRoutineByName({"Terminate", "c_b"});
  EXPECT_EQ(p.routines(2), (TG_P_ROUTINE{"Terminate" + std::string(11, ' '), "c_b"}));
  // A name of exactly 20 characters is stored as it is.
  p.setRoutines(2, {"datapoint_write     ", "c_a"});
  EXPECT_EQ(p.routines(2).name, "datapoint_write     ");
  p.removeRoutine(1);
  EXPECT_EQ(p.getRoutineIndex("datapoint_write"), 1);
}

// Every check runs and the last one that fails speaks; "" accepts.
TEST(ProgramRecords, RoutineValidationReportsTheLastFailingCheck) {
  const std::string at =
      "The location member of the TG_P_ROUTINE UDT must point to an existing instruction tag.";
  const std::string length =
      "The name member of the TG_P_ROUTINE UDT cannot be more than 20 characters long.";
  const std::string padded = "next" + std::string(17, ' '), longName = "averyveryverylongname";
  const std::pair<TG_P_ROUTINE, std::string> rows[] = {
      {{" NEXT ", "C_B"}, ""},
      {{"next", "c_q"}, at},
      {{"next", "0"}, at},  // numbers are for reading a file only
      {{padded, "c_q"}, length},
      {{"start", "c_a"}, "\"start\" is not a valid routine name."},
      {{longName, "c_q"}, "\"" + longName + "\" is not a valid routine name."}};
  for (const auto& [routine, message] : rows) {
    SCOPED_TRACE(routine.name + " at " + routine.location);
    auto p = smallProgram();
    if (message.empty()) {
      EXPECT_EQ(p.addRoutine(routine), 2);
      p.setRoutines(2, routine);
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addRoutine(routine); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setRoutines(1, routine); }, p, 10010, message));
  }
}

// The first failing check speaks; "" accepts.
TEST(ProgramRecords, AttributeValidationReportsTheFirstFailingCheck) {
  // clang-format off
  const std::string tag = " member of the TG_P_ATTRIBUTE UDT must ";
  const std::string read = "The readLocation" + tag + "point to an existing instruction tag.";
  const std::string write = "The writeLocation" + tag + "either point to an existing instruction tag or be the string '-1'.";
  const std::string list = "The delimiter list for the supplied value is not valid.  It must be ";
  const std::string one = list + "an array with a lower bound of 1.";
  const std::string zero = list + "an array with both the lower and the upper bounds set to zero.";
  const std::string sizeZero = "The size" + tag + "be zero for data types other than TG_P_DT_INTEGER and TG_P_DT_ASCII.";
  const Array<std::string> none(0, {""}), comma(1, {","});
  const struct {
    int kind, type, size;
    Array<std::string> delimiters;
    const char *read, *write;
    std::string message;
  } rows[] = {{3, 2, 2, none, "c_a", "C_A", ""},
              {3, 2, 2, none, "c_q", "-1", read},
              {0, 2, 2, none, "", "-1", read},
              {0, 2, 2, none, "c_a", "-1", "0 is not a valid attribute type."},
              {4, 2, 2, none, "c_a", "c_q", "4 is not a valid attribute type."},
              {3, 2, 2, none, "c_a", "", write},
              {3, 0, 2, none, "c_a", "-1", "0 is not a valid data type."},
              {3, 7, 2, none, "c_a", "-1", "7 is not a valid data type."},
              {3, 6, 0, none, "c_a", "-1", one},
              {3, 6, 0, Array<std::string>(1, {",", ";"}), "c_a", "-1", ""},
              {3, 2, 2, comma, "c_a", "-1", zero},
              {3, 2, 2, Array<std::string>(0, {"", ""}), "c_a", "-1", zero},
              {3, 2, 4, none, "c_a", "-1", ""},
              {3, 2, 3, none, "c_a", "-1", "The size specified for data of type TG_P_DT_INTEGER must be either 2 or 4."},
              {3, 5, 0, none, "c_a", "-1", "The size specified for data of type TG_P_DT_ASCII must be greater than zero."},
              {3, 3, 4, none, "c_a", "-1", sizeZero},
              {3, 4, 0, none, "c_a", "-1", ""},
              {3, 6, 2, comma, "c_a", "-1", sizeZero}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.kind << " " << row.type << " " << row.size << " "
                                      << row.read << " " << row.write);
    auto candidate = attribute("elevation", row.read, row.write);
    candidate.attributeType = TG_P_ATTRIBUTETYPES(row.kind);
    candidate.dataType = TG_P_DATATYPES(row.type);
    candidate.size = Byte(row.size);
    candidate.delimiterList = row.delimiters;
    auto p = smallProgram();
    if (row.message.empty()) {
      EXPECT_EQ(p.addAttribute(candidate), 2);
      p.setAttributes(1, candidate);
      EXPECT_EQ(p.Attributes(1), candidate);
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addAttribute(candidate); }, p, 10010, row.message));
    EXPECT_TRUE(refused([&] { p.setAttributes(1, candidate); }, p, 10010, row.message));
  }
}

TEST(ProgramRecords, AttributesAreFoundReplacedAndRemovedByNameInAnyCase) {
  auto p = smallProgram();
  p.addAttribute(attribute("elevation", "c_a", "c_b"));
  auto changed = attribute("Elevation", "c_b");
  changed.tipString = "metres";
  p.setAttributeByName(changed);
  p.removeAttributeByName("DATAPOINT");
  EXPECT_EQ(p.Attributes(1), changed);
  p.removeAttribute(1);
  EXPECT_EQ(p.numAttributes(), 0);
}

// "" accepts; a refusal stores nothing and leaves the name generator where it was.
TEST(ProgramRecords, LiteralValidationByDataType) {
  // clang-format off
  const std::pair<TG_P_LITERAL, std::string> rows[] = {
      {{TG_P_DT_UNSIGNEDINTEGER, 1, "200"}, ""},
      {{TG_P_DT_INTEGER, 4, "70000"}, ""},
      {{TG_P_DT_SINGLE, 4, "1.5"}, ""},
      {{TG_P_DT_DOUBLE, 8, "0.1"}, ""},
      {{TG_P_DT_ASCII, 0, ""}, ""},
      {{TG_P_DT_DELIMITEDASCII, 1, ","}, "Literals cannot be TG_P_DT_DELIMITEDASCII."},
      {{TG_P_DT_UNSIGNEDINTEGER, 2, "1"}, "Data of type TG_P_DT_UNSIGNEDINTEGER must have a size of 1."},
      {{TG_P_DT_INTEGER, 3, "1"}, "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4."},
      {{TG_P_DT_INTEGER, 8, "1"}, "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4."},
      {{TG_P_DT_SINGLE, 8, "1"}, "Data of type TG_P_DT_SINGLE must have a size of 4."},
      {{TG_P_DT_DOUBLE, 4, "1"}, "Data of type TG_P_DT_DOUBLE must have a size of 8."},
      {{TG_P_DT_ASCII, 2, "abc"}, "Data of type TG_P_DT_ASCII must have a size equal to the length of the value."},
      {{TG_P_DT_DEFAULTASCII, 3, "abc"}, "0is not a valid data type."},
      {{TG_P_DATATYPES(9), 3, "abc"}, "9is not a valid data type."}};
  // clang-format on
  for (const auto& [literal, message] : rows) {
    SCOPED_TRACE(literal.value + " of type " + std::to_string(literal.dataType));
    auto p = smallProgram();
    if (message.empty()) {
      EXPECT_EQ(p.addLiteral(literal), "l_c");
      p.setLiterals(1, literal);
      EXPECT_EQ(p.literals(1), literal);
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addLiteral(literal); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setLiteralByName("L_B", literal); }, p, 10010, message));
  }
}

// Later literals move down with their names; the generator never hands a name out twice.
TEST(ProgramRecords, LiteralRemovalMovesLaterLiteralsWithTheirNamesDown) {
  TessaglyphProgram p;
  for (const char* value : {"a", "b", "c"})
    p.addLiteral({TG_P_DT_ASCII, 1, value});
  EXPECT_EQ(p.getLiteralAddress("l_c"), 18);
  p.removeLiteral(1);
  EXPECT_EQ(p.getLiteralIndex("l_a"), 0);
  EXPECT_EQ(p.getLiteralIndex("L_C"), 2);
  EXPECT_EQ(p.getLiteralAddress("l_b"), 16);
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "d"}), "l_d");
  p.removeLiteralByName("L_C");
  p.setLiteralByName("l_d", {TG_P_DT_DOUBLE, 8, "2.5"});
  EXPECT_EQ(linesOf(snapshot(p), "literal"), "literal l_b 5 1 b\nliteral l_d 4 8 2.5\n");
}

TEST(ProgramRecords, ListsStopAtTheLargestInteger) {
  TessaglyphProgram p;
  p.setNeededMemory(32767);
  EXPECT_TRUE(raises([&] { p.addVariable(); }, 6, "Overflow"));
  EXPECT_EQ(p.neededMemory(), 32767);
  for (int i = 0; i < 32767; ++i) {
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
    p.addLiteral({TG_P_DT_ASCII, 0, ""});
  }
  EXPECT_TRUE(raises([&] { p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA), Integer(1)); }, 6,
                     "Overflow"));
  EXPECT_TRUE(raises([&] { p.addLiteral(TG_P_LITERAL(TG_P_DT_ASCII, 0, "")); }, 6, "Overflow"));
  EXPECT_EQ(p.numLiterals(), 32767);
  // Addresses past the largest Integer overflow as well.
  EXPECT_TRUE(raises([&] { p.getLiteralAddress(p.getLiteralName(32767)); }, 6, "Overflow"));
}

}  // namespace
}  // namespace tg::test
