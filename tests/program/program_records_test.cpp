// Script properties, routines, attributes and literals of a program.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "program_test_support.hpp"
#include "tessaglyph/program.hpp"

namespace tg {
namespace {

using test::attribute;
using test::op;
using test::raises;
using test::smallProgram;
using test::snapshot;

TEST(ProgramState, NewProgramIsEmptyWithGeneratorsAtTheFirstNames) {
  TessaglyphProgram p;
  EXPECT_EQ(p.lastUsedFilename(), "");
  EXPECT_EQ(p.numScriptProperties(), 0);
  EXPECT_EQ(p.numRoutines(), 0);
  EXPECT_EQ(p.numAttributes(), 0);
  EXPECT_EQ(p.numLiterals(), 0);
  EXPECT_EQ(p.numInstructions(), 0);
  EXPECT_EQ(p.neededMemory(), 0);
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "a"}), "l_a");
  EXPECT_EQ(p.addVariable(), "v_a");
  p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  EXPECT_EQ(p.tag(1), "c_a");
}

// ---- Script properties

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
}

TEST(ProgramScriptProperties, ErrorsNameTheProperty) {
  TessaglyphProgram p;
  p.addScriptProperty({"datum", "nad27"});
  EXPECT_TRUE(raises(
      [&] {
        p.addScriptProperty({"DATUM", "x"});
      },
      10012, "DATUM already exists in this program."));
  EXPECT_TRUE(raises([&] { p.getScriptPropertyByName("grid"); }, 10003,
                     "grid is not an existing property name."));
  EXPECT_TRUE(raises(
      [&] {
        p.setScriptPropertyByName({"grid", "x"});
      },
      10003, "grid is not an existing property name."));
  EXPECT_TRUE(raises([&] { p.removeScriptPropertyByName("grid"); }, 10003,
                     "grid is not an existing property name."));
  EXPECT_EQ(p.numScriptProperties(), 1);
}

TEST(ProgramScriptProperties, LetStoresWithoutChecksButAnEmptyNameIsNeverFound) {
  TessaglyphProgram p;
  p.addScriptProperty({"datum", "nad27"});
  p.setScriptProperties(1, {"", "anything"});
  EXPECT_EQ(p.scriptProperties(1), (TG_P_PROPERTY{"", "anything"}));
  EXPECT_EQ(p.getScriptPropertyIndex(""), 0);
  EXPECT_EQ(p.getScriptPropertyIndex("  "), 0);
}

// ---- Routines

TEST(ProgramRoutines, LetPadsNamesToTwentyCharacters) {
  auto p = smallProgram();
  p.setRoutines(1, {"init", "c_b"});
  EXPECT_EQ(p.routines(1).name, "init" + std::string(16, ' '));
  EXPECT_EQ(p.routines(1).location, "c_b");
  EXPECT_EQ(p.getRoutineIndex("INIT"), 1);

  p.addRoutine({"terminate", "c_a"});
  p.setRoutineByName({"Terminate", "c_b"});
  EXPECT_EQ(p.routines(2), (TG_P_ROUTINE{"Terminate" + std::string(11, ' '), "c_b"}));
  EXPECT_EQ(p.getRoutineByName("terminate").location, "c_b");

  // A name of exactly 20 characters is stored as it is.
  p.setRoutines(2, {"datapoint_write     ", "c_a"});
  EXPECT_EQ(p.routines(2).name, "datapoint_write     ");
}

TEST(ProgramRoutines, AddAndRemove) {
  auto p = smallProgram();
  EXPECT_EQ(p.addRoutine({"valid", "c_b"}), 2);
  EXPECT_EQ(p.addRoutine({"terminate", "c_a"}), 3);
  p.removeRoutineByName("VALID");
  EXPECT_EQ(p.numRoutines(), 2);
  EXPECT_EQ(p.getRoutineIndex("terminate"), 2);
  p.removeRoutine(1);
  EXPECT_EQ(p.routines(1).name, "terminate");
}

TEST(ProgramRoutines, LookupErrorsKeepTheirOwnSpacing) {
  auto p = smallProgram();
  EXPECT_TRUE(raises(
      [&] {
        p.addRoutine({"INIT", "c_a"});
      },
      10013, "INITis the name of an existing routine, and will not be added."));
  EXPECT_TRUE(
      raises([&] { p.getRoutineByName("next"); }, 10005, "next is not an existing routine name."));
  EXPECT_TRUE(raises(
      [&] {
        p.setRoutineByName({"next", "c_a"});
      },
      10005, "nextis not the name of an existing routine."));
  EXPECT_TRUE(raises([&] { p.removeRoutineByName("next"); }, 10005,
                     "next is not an existing routine name."));
}

struct RoutineCheckCase {
  const char* label;
  TG_P_ROUTINE routine;
  const char* message;  // empty: valid
};

constexpr const char* kRoutineLocationMessage =
    "The location member of the TG_P_ROUTINE UDT must point to an existing instruction tag.";
constexpr const char* kRoutineLengthMessage =
    "The name member of the TG_P_ROUTINE UDT cannot be more than 20 characters long.";

// The checks all run and the last one that fails speaks.
TEST(ProgramRoutines, ValidationReportsTheLastFailingCheck) {
  const std::vector<RoutineCheckCase> cases = {
      {"valid", {"next", "c_b"}, ""},
      {"name in capitals with blanks", {" NEXT ", "C_B"}, ""},
      {"location not a tag", {"next", "c_q"}, kRoutineLocationMessage},
      {"empty location", {"next", ""}, kRoutineLocationMessage},
      {"numeric location outside reading", {"next", "0"}, kRoutineLocationMessage},
      {"too long but valid once trimmed",
       {"next" + std::string(17, ' '), "c_a"},
       kRoutineLengthMessage},
      {"too long beats the location",
       {"next" + std::string(17, ' '), "c_q"},
       kRoutineLengthMessage},
      {"unknown name", {"start", "c_a"}, "\"start\" is not a valid routine name."},
      {"unknown name beats the others",
       {"averyveryverylongroutinename", "c_q"},
       "\"averyveryverylongroutinename\" is not a valid routine name."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto p = smallProgram();
    const auto before = snapshot(p);
    if (*c.message == '\0') {
      EXPECT_EQ(p.addRoutine(c.routine), 2);
      p.setRoutines(2, c.routine);
      continue;
    }
    EXPECT_TRUE(raises([&] { p.addRoutine(c.routine); }, 10010, c.message));
    EXPECT_TRUE(raises([&] { p.setRoutines(1, c.routine); }, 10010, c.message));
    EXPECT_EQ(snapshot(p), before);
  }
}

// ---- Attributes

struct AttributeCheckCase {
  const char* label;
  std::function<void(TG_P_ATTRIBUTE&)> change;
  const char* message;  // empty: valid
};

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

// The first failing check speaks.
TEST(ProgramAttributes, ValidationReportsTheFirstFailingCheck) {
  const std::vector<AttributeCheckCase> cases = {
      {"valid integer", [](auto&) {}, ""},
      {"write location tagged", [](auto& a) { a.writeLocation = "C_A"; }, ""},
      {"read location not a tag", [](auto& a) { a.readLocation = "c_q"; }, kReadLocationMessage},
      {"read location first",
       [](auto& a) {
         a.readLocation = "";
         a.attributeType = TG_P_ATTRIBUTETYPES(0);
       },
       kReadLocationMessage},
      {"attribute type 0", [](auto& a) { a.attributeType = TG_P_ATTRIBUTETYPES(0); },
       "0 is not a valid attribute type."},
      {"attribute type 4 before write location",
       [](auto& a) {
         a.attributeType = TG_P_ATTRIBUTETYPES(4);
         a.writeLocation = "c_q";
       },
       "4 is not a valid attribute type."},
      {"write location not a tag", [](auto& a) { a.writeLocation = "c_q"; }, kWriteLocationMessage},
      {"write location empty", [](auto& a) { a.writeLocation = ""; }, kWriteLocationMessage},
      {"data type 0", [](auto& a) { a.dataType = TG_P_DT_DEFAULTASCII; },
       "0 is not a valid data type."},
      {"data type 7", [](auto& a) { a.dataType = TG_P_DATATYPES(7); },
       "7 is not a valid data type."},
      {"delimited with the single element 0",
       [](auto& a) {
         a.dataType = TG_P_DT_DELIMITEDASCII;
         a.size = 0;
       },
       kDelimitedBoundsMessage},
      {"delimited with lower bound 1 but no element",
       [](auto& a) {
         a.dataType = TG_P_DT_DELIMITEDASCII;
         a.size = 0;
         a.delimiterList = Array<std::string>(1, std::vector<std::string>{});
       },
       kDelimitedBoundsMessage},
      {"delimited with two delimiters",
       [](auto& a) {
         a.dataType = TG_P_DT_DELIMITEDASCII;
         a.size = 0;
         a.delimiterList = Array<std::string>(1, {",", ";"});
       },
       ""},
      {"delimited list on an integer",
       [](auto& a) { a.delimiterList = Array<std::string>(1, {","}); }, kZeroBoundsMessage},
      {"two elements from 0 on an integer",
       [](auto& a) {
         a.delimiterList = Array<std::string>(0, {"", ""});
       },
       kZeroBoundsMessage},
      {"no element on an integer", [](auto& a) { a.delimiterList = Array<std::string>(); },
       kZeroBoundsMessage},
      {"delimiter list before size",
       [](auto& a) {
         a.delimiterList = Array<std::string>(1, {","});
         a.size = 3;
       },
       kZeroBoundsMessage},
      {"integer of size 4", [](auto& a) { a.size = 4; }, ""},
      {"integer of size 3", [](auto& a) { a.size = 3; },
       "The size specified for data of type TG_P_DT_INTEGER must be either 2 or 4."},
      {"ascii of size 0",
       [](auto& a) {
         a.dataType = TG_P_DT_ASCII;
         a.size = 0;
       },
       "The size specified for data of type TG_P_DT_ASCII must be greater than zero."},
      {"ascii of size 200",
       [](auto& a) {
         a.dataType = TG_P_DT_ASCII;
         a.size = 200;
       },
       ""},
      {"single of size 4",
       [](auto& a) {
         a.dataType = TG_P_DT_SINGLE;
         a.size = 4;
       },
       kSizeZeroMessage},
      {"double of size 0",
       [](auto& a) {
         a.dataType = TG_P_DT_DOUBLE;
         a.size = 0;
       },
       ""},
      {"unsigned of size 1",
       [](auto& a) {
         a.dataType = TG_P_DT_UNSIGNEDINTEGER;
         a.size = 1;
       },
       kSizeZeroMessage},
      {"delimited with a size",
       [](auto& a) {
         a.dataType = TG_P_DT_DELIMITEDASCII;
         a.delimiterList = Array<std::string>(1, {","});
         a.size = 2;
       },
       kSizeZeroMessage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto p = smallProgram();
    auto candidate = attribute("elevation", "c_a");
    c.change(candidate);
    const auto before = snapshot(p);
    if (*c.message == '\0') {
      EXPECT_EQ(p.addAttribute(candidate), 2);
      p.setAttributes(1, candidate);
      EXPECT_EQ(p.Attributes(1), candidate);
      continue;
    }
    EXPECT_TRUE(raises([&] { p.addAttribute(candidate); }, 10010, c.message));
    EXPECT_TRUE(raises([&] { p.setAttributes(1, candidate); }, 10010, c.message));
    candidate.name = "DataPoint";
    EXPECT_TRUE(raises([&] { p.setAttributeByName(candidate); }, 10010, c.message));
    EXPECT_EQ(snapshot(p), before);
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

TEST(ProgramAttributes, ErrorsNameTheAttribute) {
  auto p = smallProgram();
  EXPECT_TRUE(raises([&] { p.addAttribute(attribute("DATAPOINT", "c_a")); }, 10014,
                     "DATAPOINTis the name of an existing attribute, and will not be added."));
  EXPECT_TRUE(raises([&] { p.getAttributeByName("size"); }, 10004,
                     "size is not an existing attribute name."));
  EXPECT_TRUE(raises([&] { p.setAttributeByName(attribute("size", "c_a")); }, 10004,
                     "sizeis not an existing attribute name."));
  EXPECT_TRUE(raises([&] { p.removeAttributeByName("size"); }, 10004,
                     "size is not an existing attribute name."));
  // removeAttribute answers a bad index with a sentence of its own.
  for (const Integer index : {Integer(0), Integer(2), Integer(-1)}) {
    EXPECT_TRUE(raises([&] { p.removeAttribute(index); }, 9, "Subscript out of range."));
  }
  EXPECT_EQ(p.numAttributes(), 1);
}

// ---- Literals

struct LiteralCheckCase {
  TG_P_LITERAL literal;
  const char* message;  // empty: valid
};

TEST(ProgramLiterals, ValidationByDataType) {
  const std::vector<LiteralCheckCase> cases = {
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
      {{TG_P_DT_INTEGER, 3, "1"},
       "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4."},
      {{TG_P_DT_INTEGER, 8, "1"},
       "Data of type TG_P_DT_INTEGER must have a size of either 2 or 4."},
      {{TG_P_DT_SINGLE, 8, "1"}, "Data of type TG_P_DT_SINGLE must have a size of 4."},
      {{TG_P_DT_DOUBLE, 4, "1"}, "Data of type TG_P_DT_DOUBLE must have a size of 8."},
      {{TG_P_DT_ASCII, 2, "abc"},
       "Data of type TG_P_DT_ASCII must have a size equal to the length of the value."},
      {{TG_P_DT_ASCII, -3, "abc"},
       "Data of type TG_P_DT_ASCII must have a size equal to the length of the value."},
      {{TG_P_DT_DEFAULTASCII, 3, "abc"}, "0is not a valid data type."},
      {{TG_P_DATATYPES(9), 3, "abc"}, "9is not a valid data type."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.literal.value + " of type " + std::to_string(c.literal.dataType));
    auto p = smallProgram();
    const auto before = snapshot(p);
    if (*c.message == '\0') {
      EXPECT_EQ(p.addLiteral(c.literal), "l_c");
      p.setLiterals(1, c.literal);
      EXPECT_EQ(p.literals(1), c.literal);
      continue;
    }
    EXPECT_TRUE(raises([&] { p.addLiteral(c.literal); }, 10010, c.message));
    EXPECT_TRUE(raises([&] { p.setLiterals(1, c.literal); }, 10010, c.message));
    EXPECT_TRUE(raises([&] { p.setLiteralByName("L_B", c.literal); }, 10010, c.message));
    EXPECT_EQ(snapshot(p), before);  // the name generator did not move either
  }
}

TEST(ProgramLiterals, RemovalMovesLaterLiteralsWithTheirNamesDown) {
  TessaglyphProgram p;
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "a"}), "l_a");
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "b"}), "l_b");
  EXPECT_EQ(p.addLiteral({TG_P_DT_ASCII, 1, "c"}), "l_c");
  EXPECT_EQ(p.getLiteralAddress("l_c"), 18);

  p.removeLiteral(1);
  EXPECT_EQ(p.numLiterals(), 2);
  EXPECT_EQ(p.getLiteralName(1), "l_b");
  EXPECT_EQ(p.literals(1).value, "b");
  EXPECT_EQ(p.getLiteralName(2), "l_c");
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

TEST(ProgramLiterals, ErrorsNameTheLiteral) {
  auto p = smallProgram();
  EXPECT_TRUE(
      raises([&] { p.getLiteralByName("l_q"); }, 10006, "l_q is not an existing literal name."));
  EXPECT_TRUE(raises(
      [&] {
        p.setLiteralByName("l_q", {TG_P_DT_ASCII, 1, "x"});
      },
      10006, "l_q is not the name of an existing literal."));
  EXPECT_TRUE(
      raises([&] { p.removeLiteralByName("l_q"); }, 10006, "l_q is not an existing literal name."));
  EXPECT_TRUE(raises([&] { p.getLiteralAddress("l_q"); }, 10006,
                     "l_q is not the name of an existing literal."));
  EXPECT_TRUE(
      raises([&] { p.getLiteralAddress(""); }, 10006, " is not the name of an existing literal."));
}

// ---- Index errors of every 1-based list

struct IndexedMember {
  const char* name;
  std::function<Integer(const TessaglyphProgram&)> count;
  std::function<void(TessaglyphProgram&, Integer)> call;
};

TEST(ProgramIndexes, EveryListRefusesZeroAndOnePastTheEnd) {
  const auto properties = [](const TessaglyphProgram& p) { return p.numScriptProperties(); };
  const auto routines = [](const TessaglyphProgram& p) { return p.numRoutines(); };
  const auto attributes = [](const TessaglyphProgram& p) { return p.numAttributes(); };
  const auto literals = [](const TessaglyphProgram& p) { return p.numLiterals(); };
  const auto instructions = [](const TessaglyphProgram& p) { return p.numInstructions(); };
  const auto variables = [](const TessaglyphProgram& p) { return p.neededMemory(); };
  const std::vector<IndexedMember> members = {
      {"scriptProperties", properties, [](auto& p, Integer i) { p.scriptProperties(i); }},
      {"setScriptProperties", properties,
       [](auto& p, Integer i) {
         p.setScriptProperties(i, {"datum", "nad83"});
       }},
      {"removeScriptProperty", properties, [](auto& p, Integer i) { p.removeScriptProperty(i); }},
      {"routines", routines, [](auto& p, Integer i) { p.routines(i); }},
      {"setRoutines", routines,
       [](auto& p, Integer i) {
         p.setRoutines(i, {"next", "c_a"});
       }},
      {"removeRoutine", routines, [](auto& p, Integer i) { p.removeRoutine(i); }},
      {"Attributes", attributes, [](auto& p, Integer i) { p.Attributes(i); }},
      {"setAttributes", attributes,
       [](auto& p, Integer i) { p.setAttributes(i, attribute("x", "c_a")); }},
      {"literals", literals, [](auto& p, Integer i) { p.literals(i); }},
      {"setLiterals", literals,
       [](auto& p, Integer i) {
         p.setLiterals(i, {TG_P_DT_ASCII, 1, "x"});
       }},
      {"removeLiteral", literals, [](auto& p, Integer i) { p.removeLiteral(i); }},
      {"getLiteralName", literals, [](auto& p, Integer i) { p.getLiteralName(i); }},
      {"instructions", instructions, [](auto& p, Integer i) { p.instructions(i); }},
      {"setInstructions", instructions,
       [](auto& p, Integer i) { p.setInstructions(i, op(TG_M_I_LOAD, "999", TG_P_DS_EXPLICIT)); }},
      {"removeInstruction", instructions, [](auto& p, Integer i) { p.removeInstruction(i); }},
      {"instructionTag", instructions, [](auto& p, Integer i) { p.instructionTag(i); }},
      {"codeDebugInfo", instructions, [](auto& p, Integer i) { p.codeDebugInfo(i); }},
      {"tag", instructions, [](auto& p, Integer i) { p.tag(i); }},
      {"setCodeDebugInfo", instructions, [](auto& p, Integer i) { p.setCodeDebugInfo(i, 5); }},
      {"removeCodeDebugInfo", instructions, [](auto& p, Integer i) { p.removeCodeDebugInfo(i); }},
      {"addressSymbolicName", variables, [](auto& p, Integer i) { p.addressSymbolicName(i); }},
  };
  for (const auto& member : members) {
    SCOPED_TRACE(member.name);
    auto p = smallProgram();
    const auto before = snapshot(p);
    const auto count = member.count(p);
    ASSERT_GT(count, 0);
    for (const Integer index : {Integer(0), Integer(-1), Integer(count + 1)}) {
      SCOPED_TRACE(index);
      EXPECT_TRUE(test::raisesSubscriptOutOfRange([&] { member.call(p, index); }));
    }
    // Nothing moved, and no explicit address grew the memory before the index was refused.
    EXPECT_EQ(snapshot(p), before);
  }
}

TEST(ProgramIndexes, ListsStopAtTheLargestInteger) {
  TessaglyphProgram p;
  p.setNeededMemory(32767);
  EXPECT_TRUE(raises([&] { p.addVariable(); }, 6, "Overflow"));
  EXPECT_EQ(p.neededMemory(), 32767);

  for (int i = 0; i < 32767; ++i)
    p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA));
  for (int i = 0; i < 32767; ++i)
    p.addLiteral({TG_P_DT_ASCII, 0, ""});
  EXPECT_TRUE(raises([&] { p.addInstruction(op(TG_M_I_NOP, "", TG_P_DS_DATA), Integer(1)); }, 6,
                     "Overflow"));
  EXPECT_TRUE(raises([&] { p.addLiteral({TG_P_DT_ASCII, 0, ""}); }, 6, "Overflow"));
  EXPECT_EQ(p.numInstructions(), 32767);
  EXPECT_EQ(p.numLiterals(), 32767);
  // Addresses past the largest Integer overflow as well.
  EXPECT_TRUE(raises([&] { p.getLiteralAddress(p.getLiteralName(32767)); }, 6, "Overflow"));
  EXPECT_TRUE(
      raises([&] { p.setVarDebugInfo("x", "y"); }, 10009, "x is not an existing variable name."));
}

}  // namespace
}  // namespace tg
