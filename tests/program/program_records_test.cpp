// Script properties, routines, attributes and literals of a program.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {
namespace {

TEST(ProgramState, NewProgramIsEmptyWithGeneratorsAtTheFirstNames) {
  EXPECT_EQ(snapshot(TessaglyphProgram()),
            "file \nnext literal l_a\nnext variable v_a\nnext tag c_a\n");
}

TEST(ProgramScriptProperties, AddFindReplaceAndRemoveByNameWithoutRegardToCase) {
  TessaglyphProgram p;
  EXPECT_EQ(p.addScriptProperty({"gridtype", "latlon"}), 1);
  EXPECT_EQ(p.addScriptProperty({"datum", "nad27"}), 2);
  EXPECT_EQ(p.addScriptProperty({"datatype", "topo"}), 3);
  EXPECT_EQ(p.getScriptPropertyIndex("DATUM"), 2);
  EXPECT_EQ(p.getScriptPropertyIndex("nosuch"), 0);
  EXPECT_EQ(p.getScriptPropertyByName("GridType").propertyValue, "latlon");
  p.setScriptPropertyByName({"Datum", "nad83"});
  EXPECT_EQ(p.scriptProperties(2), (TG_P_PROPERTY{"Datum", "nad83"}));
  p.removeScriptPropertyByName("gridtype");
  EXPECT_EQ(p.numScriptProperties(), 2);
  EXPECT_EQ(p.scriptProperties(1).propertyName, "Datum");
  EXPECT_EQ(p.scriptProperties(2).propertyName, "datatype");
  // Storing by index checks nothing, but an empty name is never found.
  p.setScriptProperties(1, {"", "anything"});
  EXPECT_EQ(p.scriptProperties(1), (TG_P_PROPERTY{"", "anything"}));
  EXPECT_EQ(p.getScriptPropertyIndex(""), 0);
  EXPECT_EQ(p.getScriptPropertyIndex("  "), 0);
}

// Each lookup by name answers a missing or doubled name with its own number and sentence, the
// spacing included, and changes nothing.
TEST(ProgramRecords, NameErrorsSayWhatWasAskedFor) {
  using Call = std::function<void(TessaglyphProgram&)>;
  const std::string property = "grid is not an existing property name.";
  const std::string routine = "next is not an existing routine name.";
  const std::string attributeName = "size is not an existing attribute name.";
  const std::string literal = "l_q is not an existing literal name.";
  const std::tuple<Call, std::int32_t, std::string> cases[] = {
      {[](auto& p) { p.addScriptProperty(TG_P_PROPERTY("DATUM", "x")); }, 10012,
       "DATUM already exists in this program."},
      {[](auto& p) { p.getScriptPropertyByName("grid"); }, 10003, property},
      {[](auto& p) { p.setScriptPropertyByName(TG_P_PROPERTY("grid", "x")); }, 10003, property},
      {[](auto& p) { p.removeScriptPropertyByName("grid"); }, 10003, property},
      {[](auto& p) { p.addRoutine(TG_P_ROUTINE("INIT", "c_a")); }, 10013,
       "INITis the name of an existing routine, and will not be added."},
      {[](auto& p) { p.getRoutineByName("next"); }, 10005, routine},
      {[](auto& p) { p.setRoutineByName(TG_P_ROUTINE("next", "c_a")); }, 10005,
       "nextis not the name of an existing routine."},
      {[](auto& p) { p.removeRoutineByName("next"); }, 10005, routine},
      {[](auto& p) { p.addAttribute(attribute("DATAPOINT", "c_a")); }, 10014,
       "DATAPOINTis the name of an existing attribute, and will not be added."},
      {[](auto& p) { p.getAttributeByName("size"); }, 10004, attributeName},
      {[](auto& p) { p.setAttributeByName(attribute("size", "c_a")); }, 10004,
       "sizeis not an existing attribute name."},
      {[](auto& p) { p.removeAttributeByName("size"); }, 10004, attributeName},
      // removeAttribute answers a bad index with a sentence of its own.
      {[](auto& p) { p.removeAttribute(0); }, 9, "Subscript out of range."},
      {[](auto& p) { p.removeAttribute(2); }, 9, "Subscript out of range."},
      {[](auto& p) { p.getLiteralByName("l_q"); }, 10006, literal},
      {[](auto& p) { p.setLiteralByName("l_q", TG_P_LITERAL(TG_P_DT_ASCII, 1, "x")); }, 10006,
       "l_q is not the name of an existing literal."},
      {[](auto& p) { p.removeLiteralByName("l_q"); }, 10006, literal},
      {[](auto& p) { p.getLiteralAddress("l_q"); }, 10006,
       "l_q is not the name of an existing literal."},
      {[](auto& p) { p.getLiteralAddress(""); }, 10006,
       " is not the name of an existing literal."}};
  for (const auto& [call, number, message] : cases) {
    auto p = smallProgram();
    EXPECT_TRUE(refused([&] { call(p); }, p, number, message));
  }
}

TEST(ProgramRoutines, AddReplaceAndRemoveWithNamesPaddedToTwentyCharacters) {
  auto p = smallProgram();
  p.setRoutines(1, {"init", "c_b"});
  EXPECT_EQ(p.routines(1), (TG_P_ROUTINE{"init" + std::string(16, ' '), "c_b"}));
  EXPECT_EQ(p.getRoutineIndex("INIT"), 1);
  EXPECT_EQ(p.addRoutine({"terminate", "c_a"}), 2);
  EXPECT_EQ(p.addRoutine({"valid", "c_b"}), 3);
  p.setRoutineByName({"Terminate", "c_b"});
  EXPECT_EQ(p.routines(2), (TG_P_ROUTINE{"Terminate" + std::string(11, ' '), "c_b"}));
  EXPECT_EQ(p.getRoutineByName("terminate").location, "c_b");
  // A name of exactly 20 characters is stored as it is.
  p.setRoutines(2, {"datapoint_write     ", "c_a"});
  EXPECT_EQ(p.routines(2).name, "datapoint_write     ");
  p.removeRoutineByName("VALID");
  p.removeRoutine(1);
  EXPECT_EQ(p.numRoutines(), 1);
  EXPECT_EQ(p.getRoutineIndex("datapoint_write"), 1);
}

constexpr const char* kRoutineLocationMessage =
    "The location member of the TG_P_ROUTINE UDT must point to an existing instruction tag.";
constexpr const char* kRoutineLengthMessage =
    "The name member of the TG_P_ROUTINE UDT cannot be more than 20 characters long.";

// The checks all run and the last one that fails speaks.
TEST(ProgramRoutines, ValidationReportsTheLastFailingCheck) {
  const std::string padded = "next" + std::string(17, ' ');  // valid once trimmed
  const std::string longName = "averyveryverylongroutinename";
  const std::pair<TG_P_ROUTINE, std::string> cases[] = {
      {{"next", "c_b"}, ""},
      {{" NEXT ", "C_B"}, ""},
      {{"next", "c_q"}, kRoutineLocationMessage},
      {{"next", ""}, kRoutineLocationMessage},
      {{"next", "0"}, kRoutineLocationMessage},  // numbers are for reading a file only
      {{padded, "c_a"}, kRoutineLengthMessage},
      {{padded, "c_q"}, kRoutineLengthMessage},
      {{"start", "c_a"}, "\"start\" is not a valid routine name."},
      {{longName, "c_q"}, "\"" + longName + "\" is not a valid routine name."}};
  for (const auto& [routine, message] : cases) {
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

constexpr const char* kReadLocationMessage =
    "The readLocation member of the TG_P_ATTRIBUTE UDT must point to an existing instruction tag.";
constexpr const char* kWriteLocationMessage =
    "The writeLocation member of the TG_P_ATTRIBUTE UDT must either point to an existing "
    "instruction tag or be the string '-1'.";
constexpr const char* kDelimitedBoundsMessage =
    "The delimiter list for the supplied value is not valid.  It must be an array with a lower "
    "bound of 1.";
constexpr const char* kZeroBoundsMessage =
    "The delimiter list for the supplied value is not valid.  It must be an array with both the "
    "lower and the upper bounds set to zero.";
constexpr const char* kSizeZeroMessage =
    "The size member of the TG_P_ATTRIBUTE UDT must be zero for data types other than "
    "TG_P_DT_INTEGER and TG_P_DT_ASCII.";

// The first failing check speaks: read location, attribute type, write location, data type,
// delimiter list, size.
TEST(ProgramAttributes, ValidationReportsTheFirstFailingCheck) {
  const auto point = TG_P_AT_DATAPOINT;
  const auto integer = TG_P_DT_INTEGER;
  const auto delimited = TG_P_DT_DELIMITEDASCII;
  const Array<std::string> none(0, {""});
  const Array<std::string> comma(1, {","});
  // attribute type, data type, size, delimiter list, read and write location, message
  const std::tuple<TG_P_ATTRIBUTETYPES, TG_P_DATATYPES, Byte, Array<std::string>, const char*,
                   const char*, std::string>
      cases[] = {
          {point, integer, 2, none, "c_a", "-1", ""},
          {point, integer, 2, none, "c_a", "C_A", ""},
          {point, integer, 2, none, "c_q", "-1", kReadLocationMessage},
          {TG_P_ATTRIBUTETYPES(0), integer, 2, none, "", "-1", kReadLocationMessage},
          {TG_P_ATTRIBUTETYPES(0), integer, 2, none, "c_a", "-1",
           "0 is not a valid attribute type."},
          {TG_P_ATTRIBUTETYPES(4), integer, 2, none, "c_a", "c_q",
           "4 is not a valid attribute type."},
          {point, integer, 2, none, "c_a", "c_q", kWriteLocationMessage},
          {point, integer, 2, none, "c_a", "", kWriteLocationMessage},
          {point, TG_P_DT_DEFAULTASCII, 2, none, "c_a", "-1", "0 is not a valid data type."},
          {point, TG_P_DATATYPES(7), 2, none, "c_a", "-1", "7 is not a valid data type."},
          {point, delimited, 0, none, "c_a", "-1", kDelimitedBoundsMessage},
          {point, delimited, 0, Array<std::string>(1, std::vector<std::string>{}), "c_a", "-1",
           kDelimitedBoundsMessage},
          {point, delimited, 0, Array<std::string>(1, {",", ";"}), "c_a", "-1", ""},
          {point, integer, 2, comma, "c_a", "-1", kZeroBoundsMessage},
          {point, integer, 2, Array<std::string>(0, {"", ""}), "c_a", "-1", kZeroBoundsMessage},
          {point, integer, 2, Array<std::string>(), "c_a", "-1", kZeroBoundsMessage},
          {point, integer, 3, comma, "c_a", "-1", kZeroBoundsMessage},
          {point, integer, 4, none, "c_a", "-1", ""},
          {point, integer, 3, none, "c_a", "-1",
           "The size specified for data of type TG_P_DT_INTEGER must be either 2 or 4."},
          {point, TG_P_DT_ASCII, 0, none, "c_a", "-1",
           "The size specified for data of type TG_P_DT_ASCII must be greater than zero."},
          {point, TG_P_DT_ASCII, 200, none, "c_a", "-1", ""},
          {point, TG_P_DT_SINGLE, 4, none, "c_a", "-1", kSizeZeroMessage},
          {point, TG_P_DT_DOUBLE, 0, none, "c_a", "-1", ""},
          {point, TG_P_DT_UNSIGNEDINTEGER, 1, none, "c_a", "-1", kSizeZeroMessage},
          {point, delimited, 2, comma, "c_a", "-1", kSizeZeroMessage}};
  for (const auto& [type, dataType, size, delimiters, read, write, message] : cases) {
    SCOPED_TRACE(::testing::Message()
                 << type << " " << dataType << " " << int(size) << " " << read << " " << write);
    auto candidate = attribute("elevation", read, write);
    candidate.attributeType = type;
    candidate.dataType = dataType;
    candidate.size = size;
    candidate.delimiterList = delimiters;
    auto p = smallProgram();
    if (message.empty()) {
      EXPECT_EQ(p.addAttribute(candidate), 2);
      p.setAttributes(1, candidate);
      EXPECT_EQ(p.Attributes(1), candidate);
      continue;
    }
    EXPECT_TRUE(refused([&] { p.addAttribute(candidate); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setAttributes(1, candidate); }, p, 10010, message));
    candidate.name = "DataPoint";
    EXPECT_TRUE(refused([&] { p.setAttributeByName(candidate); }, p, 10010, message));
  }
}

TEST(ProgramAttributes, AddFindReplaceAndRemove) {
  auto p = smallProgram();
  EXPECT_EQ(p.addAttribute(attribute("elevation", "c_a", "c_b")), 2);
  EXPECT_EQ(p.getAttributeIndex("ELEVATION"), 2);
  EXPECT_EQ(p.getAttributeIndex("nosuch"), 0);
  auto changed = attribute("Elevation", "c_b");
  changed.tipString = "metres";
  p.setAttributeByName(changed);
  EXPECT_EQ(p.getAttributeByName("elevation"), changed);
  p.removeAttributeByName("DATAPOINT");
  EXPECT_EQ(p.numAttributes(), 1);
  EXPECT_EQ(p.Attributes(1).name, "Elevation");
  p.removeAttribute(1);
  EXPECT_EQ(p.numAttributes(), 0);
}

TEST(ProgramLiterals, ValidationByDataType) {
  const std::string integerSize = "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4.";
  const std::string asciiSize =
      "Data of type TG_P_DT_ASCII must have a size equal to the length of the value.";
  const std::pair<TG_P_LITERAL, std::string> cases[] = {
      {{TG_P_DT_UNSIGNEDINTEGER, 1, "200"}, ""},
      {{TG_P_DT_INTEGER, 2, "-5"}, ""},
      {{TG_P_DT_INTEGER, 4, "70000"}, ""},
      {{TG_P_DT_SINGLE, 4, "1.5"}, ""},
      {{TG_P_DT_DOUBLE, 8, "0.1"}, ""},
      {{TG_P_DT_ASCII, 3, "abc"}, ""},
      {{TG_P_DT_ASCII, 0, ""}, ""},
      {{TG_P_DT_DELIMITEDASCII, 1, ","}, "Literals cannot be TG_P_DT_DELIMITEDASCII."},
      {{TG_P_DT_UNSIGNEDINTEGER, 2, "1"},
       "Data of type TG_P_DT_UNSIGNEDINTEGER must have a size of 1."},
      {{TG_P_DT_INTEGER, 3, "1"}, integerSize},
      {{TG_P_DT_INTEGER, 8, "1"}, integerSize},
      {{TG_P_DT_SINGLE, 8, "1"}, "Data of type TG_P_DT_SINGLE must have a size of 4."},
      {{TG_P_DT_DOUBLE, 4, "1"}, "Data of type TG_P_DT_DOUBLE must have a size of 8."},
      {{TG_P_DT_ASCII, 2, "abc"}, asciiSize},
      {{TG_P_DT_ASCII, -3, "abc"}, asciiSize},
      {{TG_P_DT_DEFAULTASCII, 3, "abc"}, "0is not a valid data type."},
      {{TG_P_DATATYPES(9), 3, "abc"}, "9is not a valid data type."}};
  for (const auto& [literal, message] : cases) {
    SCOPED_TRACE(literal.value + " of type " + std::to_string(literal.dataType));
    auto p = smallProgram();
    if (message.empty()) {
      EXPECT_EQ(p.addLiteral(literal), "l_c");
      p.setLiterals(1, literal);
      EXPECT_EQ(p.literals(1), literal);
      continue;
    }
    // Nothing stored, and the name generator did not move either.
    EXPECT_TRUE(refused([&] { p.addLiteral(literal); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setLiterals(1, literal); }, p, 10010, message));
    EXPECT_TRUE(refused([&] { p.setLiteralByName("L_B", literal); }, p, 10010, message));
  }
}

TEST(ProgramLiterals, RemovalMovesLaterLiteralsWithTheirNamesDown) {
  TessaglyphProgram p;
  for (const char* value : {"a", "b", "c"})
    p.addLiteral({TG_P_DT_ASCII, 1, value});
  EXPECT_EQ(p.getLiteralAddress("l_c"), 18);
  p.removeLiteral(1);
  EXPECT_EQ(p.numLiterals(), 2);
  EXPECT_EQ(p.getLiteralName(1), "l_b");
  EXPECT_EQ(p.literals(1).value, "b");
  EXPECT_EQ(p.getLiteralIndex("l_a"), 0);
  EXPECT_EQ(p.getLiteralIndex("L_C"), 2);
  EXPECT_EQ(p.getLiteralAddress("l_b"), 16);
  EXPECT_EQ(p.getLiteralAddress("l_c"), 17);
  // The generator never hands a name out twice.
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "d"}), "l_d");
  p.removeLiteralByName("L_C");
  EXPECT_EQ(p.getLiteralName(2), "l_d");
  p.setLiteralByName("l_d", {TG_P_DT_DOUBLE, 8, "2.5"});
  EXPECT_EQ(p.getLiteralByName("l_d"), (TG_P_LITERAL{TG_P_DT_DOUBLE, 8, "2.5"}));
}

TEST(ProgramIndexes, EveryListRefusesZeroAndOnePastTheEnd) {
  // The lists of the small program hold 2 properties, 1 routine, 1 attribute, 2 literals,
  // 6 instructions and 3 variables.
  using Call = std::function<void(TessaglyphProgram&, Integer)>;
  const std::tuple<const char*, Integer, Call> members[] = {
      {"scriptProperties", 2, [](auto& p, Integer i) { p.scriptProperties(i); }},
      {"setScriptProperties", 2,
       [](auto& p, Integer i) { p.setScriptProperties(i, TG_P_PROPERTY("datum", "nad83")); }},
      {"removeScriptProperty", 2, [](auto& p, Integer i) { p.removeScriptProperty(i); }},
      {"routines", 1, [](auto& p, Integer i) { p.routines(i); }},
      {"setRoutines", 1, [](auto& p, Integer i) { p.setRoutines(i, TG_P_ROUTINE("next", "c_a")); }},
      {"removeRoutine", 1, [](auto& p, Integer i) { p.removeRoutine(i); }},
      {"Attributes", 1, [](auto& p, Integer i) { p.Attributes(i); }},
      {"setAttributes", 1, [](auto& p, Integer i) { p.setAttributes(i, attribute("x", "c_a")); }},
      {"literals", 2, [](auto& p, Integer i) { p.literals(i); }},
      {"setLiterals", 2,
       [](auto& p, Integer i) { p.setLiterals(i, TG_P_LITERAL(TG_P_DT_ASCII, 1, "x")); }},
      {"removeLiteral", 2, [](auto& p, Integer i) { p.removeLiteral(i); }},
      {"getLiteralName", 2, [](auto& p, Integer i) { p.getLiteralName(i); }},
      {"instructions", 6, [](auto& p, Integer i) { p.instructions(i); }},
      {"setInstructions", 6,
       [](auto& p, Integer i) { p.setInstructions(i, op(TG_M_I_LOAD, "999", TG_P_DS_EXPLICIT)); }},
      {"removeInstruction", 6, [](auto& p, Integer i) { p.removeInstruction(i); }},
      {"instructionTag", 6, [](auto& p, Integer i) { p.instructionTag(i); }},
      {"codeDebugInfo", 6, [](auto& p, Integer i) { p.codeDebugInfo(i); }},
      {"tag", 6, [](auto& p, Integer i) { p.tag(i); }},
      {"setCodeDebugInfo", 6, [](auto& p, Integer i) { p.setCodeDebugInfo(i, 5); }},
      {"removeCodeDebugInfo", 6, [](auto& p, Integer i) { p.removeCodeDebugInfo(i); }},
      {"addressSymbolicName", 3, [](auto& p, Integer i) { p.addressSymbolicName(i); }}};
  for (const auto& [name, count, call] : members) {
    SCOPED_TRACE(name);
    auto p = smallProgram();
    // No explicit address grows the memory before the index is refused.
    for (const Integer index : {Integer(0), Integer(-1), Integer(count + 1)}) {
      EXPECT_TRUE(refused([&] { call(p, index); }, p, 9, "Subscript out of range")) << index;
    }
  }
}

TEST(ProgramIndexes, ListsStopAtTheLargestInteger) {
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
  EXPECT_EQ(p.numInstructions(), 32767);
  EXPECT_EQ(p.numLiterals(), 32767);
  // Addresses past the largest Integer overflow as well.
  EXPECT_TRUE(raises([&] { p.getLiteralAddress(p.getLiteralName(32767)); }, 6, "Overflow"));
}

}  // namespace
}  // namespace tg::test
