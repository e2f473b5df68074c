#include "tessaglyph/vocabulary.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Runs `call` and checks that it raises exactly this error triple.
void expectError(const std::function<void()>& call, std::int32_t number,
                 const std::string& description) {
  try {
    call();
    ADD_FAILURE() << "no error raised; expected " << number << " " << description;
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), number);
    EXPECT_EQ(error.source(), "");
    EXPECT_EQ(error.description(), description);
  }
}

// A name in capitals between blanks, as a careless script writer might type it. Appended piece
// by piece: g++ 12 at -O3 reports a false -Wrestrict for `" " + std::string(...)`.
std::string shouted(std::string_view name) {
  std::string text = "  ";
  text += toUpper(name);
  text += ' ';
  return text;
}

// Names written out independently of the library's table, by opcode.
const std::vector<std::string> kInstructionNames = {
    "goto",
    "branch_negative",
    "branch_positive",
    "branch_zero",
    "branch_true",
    "branch_false",
    "gosub",
    "load",
    "load_ptr",
    "store",
    "store_ptr",
    "add",
    "subtract",
    "multiply",
    "divide",
    "modulus",
    "lessthan",
    "lessthanequal",
    "greaterthan",
    "greaterthanequal",
    "equal",
    "notequal",
    "and",
    "or",
    "not",
    "cast_uint",
    "cast_int2",
    "cast_int4",
    "cast_single",
    "cast_double",
    "cast_ascii",
    "open",
    "close",
    "len",
    "getoffset",
    "setoffset",
    "char",
    "s_eof",
    "string2latlon",
    "lat2string",
    "lon2string",
    "setdelims",
    "read",
    "skip",
    "write",
    "write_pd",
    "buffer",
    "eof",
    "userinput",
    "notify",
    "raiseevent",
    "stop",
    "flipbytes",
    "setfixedlength",
    "timer",
    "fpart",
    "ipart",
    "NOP",
    "chars",
    "search",
    "like",
    "fileexists",
    "loadnopoint",
    "push",
    "pop",
    "peek",
    "pushm",
    "popm",
    "settoupper",
    "settolower",
    "int",
    "mex_setfile",
    "setref",
    "trim",
    "ltrim",
    "rtrim",
};

TEST(VocabularyInstructionTest, EveryOpcodeRoundTripsThroughItsName) {
  ASSERT_EQ(kInstructionNames.size(), TG_M_I_COUNT);
  const Tessaglyph tessaglyph;
  for (std::int32_t opcode = 0; opcode < 76; ++opcode) {
    SCOPED_TRACE(opcode);
    const auto instruction = static_cast<TG_M_INSTRUCTIONS>(opcode);
    const std::string& name = kInstructionNames[static_cast<std::size_t>(opcode)];
    EXPECT_EQ(getInstructionName(instruction), name);
    EXPECT_EQ(tessaglyph.getInstructionName(instruction), name);
    EXPECT_EQ(getInstructionValue(name), instruction);
    EXPECT_EQ(getInstructionValue(shouted(name)), instruction);
    EXPECT_EQ(tessaglyph.getInstructionValue(toLower(name)), instruction);
    EXPECT_EQ(instructionTable[static_cast<std::size_t>(opcode)].name, name);
  }
}

TEST(VocabularyInstructionTest, NamesInMixedCaseWithBlanks) {
  EXPECT_EQ(getInstructionValue("  Write_PD  "), TG_M_I_WRITEPD);
  EXPECT_EQ(getInstructionValue("nop"), TG_M_I_NOP);
  EXPECT_EQ(getInstructionValue(" NOP "), TG_M_I_NOP);
  EXPECT_EQ(getInstructionValue("Mex_SetFile"), TG_M_I_MEXSETFILE);
  EXPECT_EQ(getInstructionName(TG_M_I_NOP), "NOP");
}

TEST(VocabularyInstructionTest, OpcodesOutsideTheSetHaveNoName) {
  for (std::int32_t opcode : {-1, 76, 80, 32767}) {
    EXPECT_EQ(getInstructionName(static_cast<TG_M_INSTRUCTIONS>(opcode)), "") << opcode;
  }
}

TEST(VocabularyInstructionTest, UnknownNamesAreQuotedExactlyAsPassed) {
  for (const std::string name :
       {"", "   ", "bogus", " Bogus ", "write pd", "\tload", "p_x", "57", "branchneg"}) {
    SCOPED_TRACE(name);
    expectError([&] { getInstructionValue(name); }, 12001,
                "\"" + name + "\" is not a recognized instruction name.");
  }
}

TEST(VocabularyInstructionTest, OperandKindsFollowTheInstructionFamilies) {
  auto kindOf = [](TG_M_INSTRUCTIONS opcode) {
    return instructionTable[static_cast<std::size_t>(opcode)].operand;
  };
  for (auto opcode : {TG_M_I_GOTO, TG_M_I_BRANCHNEG, TG_M_I_BRANCHPOS, TG_M_I_BRANCHZERO,
                      TG_M_I_BRANCHTRUE, TG_M_I_BRANCHFALSE, TG_M_I_GOSUB}) {
    EXPECT_EQ(kindOf(opcode), OperandKind::CodeAddress) << opcode;
  }
  EXPECT_EQ(kindOf(TG_M_I_LOADPTR), OperandKind::IndirectAddress);
  EXPECT_EQ(kindOf(TG_M_I_STOREPTR), OperandKind::IndirectAddress);
  EXPECT_EQ(kindOf(TG_M_I_LOADNOPOINT), OperandKind::Number);
  EXPECT_EQ(kindOf(TG_M_I_PUSHM), OperandKind::MemoryBlock);
  EXPECT_EQ(kindOf(TG_M_I_SETDELIMS), OperandKind::MemoryBlock);
  EXPECT_EQ(kindOf(TG_M_I_LOAD), OperandKind::MemoryAddress);
  EXPECT_EQ(kindOf(TG_M_I_SETREF), OperandKind::MemoryAddress);
  // Only STOP and NOP go without an operand.
  std::vector<std::int32_t> withoutOperand;
  for (const InstructionInfo& info : instructionTable) {
    if (info.operand == OperandKind::None) withoutOperand.push_back(info.opcode);
  }
  EXPECT_THAT(withoutOperand, ElementsAre(TG_M_I_STOP, TG_M_I_NOP));
}

struct PdvRow {
  const char* name;
  bool readOnly;
  bool permanentlyLocked;
};

const PdvRow kPredefinedVariables[16] = {
    {"register", false, false},  {"offset", false, true},   {"return", false, false},
    {"x", false, false},         {"y", false, false},       {"index", true, true},
    {"row", true, true},         {"col", true, true},       {"value", true, false},
    {"filesize", true, true},    {"path", true, true},      {"filename", true, true},
    {"extension", true, true},   {"progress", false, true}, {"tip", false, true},
    {"filetitle", false, false},
};

TEST(VocabularyPredefinedVariableTest, ColumnsForEveryAddress) {
  const Tessaglyph tessaglyph;
  for (std::int32_t address = 0; address < 16; ++address) {
    SCOPED_TRACE(address);
    const PdvRow& row = kPredefinedVariables[address];
    const auto pdv = static_cast<TG_M_PREDEFINEDVARIABLEINDICIES>(address);
    EXPECT_EQ(getPDVName(pdv), row.name);
    EXPECT_EQ(tessaglyph.getPDVName(pdv), row.name);
    EXPECT_EQ(isReadOnly(pdv), row.readOnly);
    EXPECT_EQ(tessaglyph.isReadOnly(pdv), row.readOnly);
    EXPECT_EQ(isPermanentlyLocked(pdv), row.permanentlyLocked);
    EXPECT_EQ(tessaglyph.isPermanentlyLocked(pdv), row.permanentlyLocked);
    EXPECT_EQ(getPDVValue(row.name), pdv);
    EXPECT_EQ(tessaglyph.getPDVValue(shouted(row.name)), pdv);
    EXPECT_TRUE(isValidPDVName(toUpper(row.name)));
  }
}

TEST(VocabularyPredefinedVariableTest, AddressesOutsideTheTableAreNeitherLockedNorReadOnly) {
  for (std::int32_t address : {-1, 16, 17, 100, -32768}) {
    SCOPED_TRACE(address);
    const auto pdv = static_cast<TG_M_PREDEFINEDVARIABLEINDICIES>(address);
    EXPECT_FALSE(isReadOnly(pdv));
    EXPECT_FALSE(isPermanentlyLocked(pdv));
    EXPECT_EQ(getPDVName(pdv), "");
  }
}

TEST(VocabularyPredefinedVariableTest, OperandPrefixIsNotPartOfTheName) {
  EXPECT_FALSE(isValidPDVName("p_x"));
  EXPECT_FALSE(isValidPDVName("P_OFFSET"));
  EXPECT_FALSE(isValidPDVName(""));
  EXPECT_TRUE(isValidPDVName(" X "));
  EXPECT_TRUE(isValidPDVName("Register"));
  for (const std::string name : {"p_x", " P_Offset ", "", "tips"}) {
    SCOPED_TRACE(name);
    expectError([&] { getPDVValue(name); }, 12002,
                "\"" + name + "\" is not a recognized pre-defined variable name.");
  }
}

struct RoutineRow {
  std::int32_t slot;
  const char* name;
};

const RoutineRow kRoutines[] = {
    {0, "datapoint_read"}, {1, "datapoint_write"}, {2, "init"},       {3, "add"},
    {4, "next"},           {5, "firstpoint"},      {6, "setpos"},     {7, "row2y"},
    {8, "col2x"},          {9, "y2row"},           {10, "x2col"},     {11, "i2x"},
    {12, "i2y"},           {13, "xy2i"},           {15, "valid"},     {16, "create"},
    {17, "datum_xcon"},    {18, "datum_ycon"},     {19, "terminate"}, {20, "ifourpoint"},
    {21, "itwelvepoint"},
};

TEST(VocabularyRoutineTest, EverySlotRoundTripsThroughItsName) {
  const Tessaglyph tessaglyph;
  for (const RoutineRow& row : kRoutines) {
    SCOPED_TRACE(row.name);
    const auto slot = static_cast<TG_M_ROUTINEARRAYINDICIES>(row.slot);
    EXPECT_EQ(getRoutineName(slot), row.name);
    EXPECT_EQ(tessaglyph.getRoutineName(slot), row.name);
    EXPECT_EQ(getRoutineValue(row.name), slot);
    EXPECT_EQ(tessaglyph.getRoutineValue(shouted(row.name)), slot);
    EXPECT_TRUE(isValidRoutineName(toUpper(row.name)));
  }
}

TEST(VocabularyRoutineTest, MissingSlotsHaveNoName) {
  for (std::int32_t slot : {14, 22, -1, 99}) {
    EXPECT_EQ(getRoutineName(static_cast<TG_M_ROUTINEARRAYINDICIES>(slot)), "") << slot;
  }
}

TEST(VocabularyRoutineTest, ValidExactlyWhenTheLookupSucceeds) {
  const Tessaglyph tessaglyph;
  for (const std::string name : {" INIT ", "init", "Datum_XCon", "", " ", "initialize", "datapoint",
                                 "goto", "row 2y", "\tinit"}) {
    SCOPED_TRACE(name);
    bool succeeded = true;
    try {
      getRoutineValue(name);
    } catch (const Error& error) {
      succeeded = false;
      EXPECT_EQ(error.number(), 12003);
      EXPECT_EQ(error.source(), "");
      EXPECT_EQ(error.description(), "\"" + name + "\" is not a valid routine name.");
    }
    EXPECT_EQ(isValidRoutineName(name), succeeded);
    EXPECT_EQ(tessaglyph.isValidRoutineName(name), succeeded);
  }
  EXPECT_TRUE(isValidRoutineName(" INIT "));
}

const std::vector<std::string> kPropertyNames = {
    "gridtype",         "datum",           "latlonformat",      "datatype",
    "filelayout",       "nextorder",       "datalock",          "conditionalzone",
    "filetypefilter",   "boundsmode",      "resspec",           "interp_closestpoint",
    "interp_4point",    "interp_12point",  "selfvalidating",    "mex_columnstep",
    "mex_tableoffset",  "mex_valueoffset", "mex_endian",        "mex_colstart",
    "mex_rowstart",     "mex_capable",     "mex_numcolumns",    "mex_numrows",
    "mex_recordsize",   "mex_rowaxis",     "mex_rowheadersize", "mex_rowstep",
    "mex_incrementor",  "mex_multiplier",  "datavoidvalue",     "mex_rowsize",
    "mex_dataoverride", "pixeltype",
};

TEST(VocabularyPropertyTest, ListsTheNamesInOrderAndRecognizesThem) {
  const Tessaglyph tessaglyph;
  EXPECT_THAT(getPropertiesList(), ElementsAreArray(kPropertyNames));
  EXPECT_THAT(tessaglyph.getPropertiesList(), ElementsAreArray(kPropertyNames));
  for (const std::string& name : kPropertyNames) {
    EXPECT_TRUE(isRecognizedProperty(name)) << name;
    EXPECT_TRUE(tessaglyph.isRecognizedProperty(shouted(name))) << name;
  }
  for (const std::string name : {"", "grid", "mex", "xres", "left_utm", "datavoid value"}) {
    EXPECT_FALSE(isRecognizedProperty(name)) << name;
  }
}

struct ValuesRow {
  std::string property;
  std::string layout;
  std::vector<std::string> values;
};

TEST(VocabularyPropertyTest, AllowedValues) {
  const std::vector<std::string> grid = {"+x+y", "+y+x", "-x+y", "+y-x",
                                         "+x-y", "-y+x", "-x-y", "-y-x"};
  const std::vector<ValuesRow> rows = {
      {"gridtype", "", {"latlon", "utm"}},
      {"datavoidvalue", "", {"-32100", "-32000"}},
      {"datum", "", {"nad27", "nad83", "by file", "by point"}},
      {"datatype", "", {"topo", "lulc"}},
      {"filelayout", "", {"unspecified", "unordered", "grid", "list"}},
      {"NextOrder", "GRID", grid},
      {" nextorder ", "grid", grid},
      {"nextorder", "list", {"+i", "-i"}},
      {"NEXTORDER", "List", {"+i", "-i"}},
      {"datalock", "", {"true", "false"}},
      {"conditionalzone", "", {"false", "true"}},
      {"interp_12point", "grid", {"false", "true"}},
      {"mex_capable", "", {"false", "true"}},
      {"boundsmode", "", {"utmbounding", "latlonbounding", "4point"}},
      {"resspec", "", {"meters", "latlon"}},
      {"mex_multiplier", "", {"1", "byfile"}},
      {"mex_incrementor", "", {"0", "byfile"}},
      {"mex_endian", "", {"", "little", "big", "byfile"}},
      {"pixeltype", "", {"", "FLOAT"}},
      {"mex_rowaxis", "", {"y", "x", "byfile"}},
      {"mex_recordsize", "", {"byfile"}},
      {"mex_rowsize", "", {"automatic", "byfile"}},
      {"mex_dataoverride", "", {"unspecified", "byfile", "1", "2", "4", "5"}},
  };
  const Tessaglyph tessaglyph;
  for (const ValuesRow& row : rows) {
    SCOPED_TRACE(row.property + " / " + row.layout);
    EXPECT_EQ(getPropertyValuesList(row.property, row.layout), row.values);
    EXPECT_EQ(tessaglyph.getPropertyValuesList(row.property, row.layout), row.values);
  }
}

struct ErrorRow {
  std::string property;
  std::string layout;
  std::int32_t number;
  std::string description;
};

TEST(VocabularyPropertyTest, ValueListErrors) {
  const std::string nextorder =
      "There are no property values for the nextorder property when the filelayout property is ";
  const std::vector<ErrorRow> rows = {
      {"latlonformat", "", 12005,
       "There are no pre-defined property values for the latlonformat property."},
      {" LatLonFormat ", "grid", 12005,
       "There are no pre-defined property values for the latlonformat property."},
      {"filetypefilter", "", 12005,
       "There are no pre-defined property values for the filetypefilter property."},
      {"nextorder", "", 12005, nextorder + "\".\""},
      {"nextorder", "unspecified", 12005, nextorder + "\"unspecified.\""},
      {"nextorder", "Unordered", 12005, nextorder + "\"Unordered.\""},
      // The layout is not trimmed.
      {"nextorder", " grid", 12005, nextorder + "\" grid.\""},
      {"bogus", "", 12004, "\"bogus\" is not a recognized property name."},
      {" Bogus ", "grid", 12004, "\" Bogus \" is not a recognized property name."},
      {"", "", 12004, "\"\" is not a recognized property name."},
  };
  const Tessaglyph tessaglyph;
  for (const ErrorRow& row : rows) {
    SCOPED_TRACE(row.property + " / " + row.layout);
    expectError([&] { getPropertyValuesList(row.property, row.layout); }, row.number,
                row.description);
    expectError([&] { tessaglyph.getPropertyValuesList(row.property, row.layout); }, row.number,
                row.description);
  }
}

TEST(VocabularyPropertyTest, DefaultForEveryProperty) {
  const std::vector<std::pair<std::string, std::string>> defaults = {
      {"gridtype", "latlon"},
      {"datum", "nad27"},
      {"latlonformat", ""},
      {"datatype", "topo"},
      {"filelayout", "unspecified"},
      {"datalock", "true"},
      {"conditionalzone", "false"},
      {"filetypefilter", "*.*"},
      {"boundsmode", "utmbounding"},
      {"resspec", "meters"},
      {"interp_closestpoint", "false"},
      {"interp_4point", "false"},
      {"interp_12point", "false"},
      {"selfvalidating", "false"},
      {"mex_columnstep", "1"},
      {"mex_tableoffset", "0"},
      {"mex_valueoffset", "0"},
      {"mex_endian", ""},
      {"mex_colstart", "byfile"},
      {"mex_rowstart", "byfile"},
      {"mex_capable", "false"},
      {"mex_numcolumns", "byfile"},
      {"mex_numrows", "byfile"},
      {"mex_recordsize", "byfile"},
      {"mex_rowaxis", "y"},
      {"mex_rowheadersize", "0"},
      {"mex_rowstep", "1"},
      {"mex_incrementor", "0"},
      {"mex_multiplier", "1"},
      {"datavoidvalue", "-32100"},
      {"mex_rowsize", "automatic"},
      {"mex_dataoverride", "unspecified"},
      {"pixeltype", ""},
  };
  ASSERT_EQ(defaults.size() + 1, kPropertyNames.size());  // all but nextorder
  const Tessaglyph tessaglyph;
  for (const auto& [name, value] : defaults) {
    SCOPED_TRACE(name);
    EXPECT_EQ(getDefaultPropertySetting(name), value);
    EXPECT_EQ(getDefaultPropertySetting(toUpper(name), "grid"), value);
    EXPECT_EQ(tessaglyph.getDefaultPropertySetting(name, "list"), value);
  }
  // The library's own table states the same defaults.
  for (const PropertyInfo& info : propertyTable) {
    if (info.hasDefault) {
      EXPECT_EQ(getDefaultPropertySetting(info.name), info.defaultValue) << info.name;
    }
  }
}

TEST(VocabularyPropertyTest, DefaultErrorsComeFromTheUnspecifiedLayout) {
  const std::string nextorder =
      "There are no property values for the nextorder property when the filelayout property is "
      "\"unspecified.\"";
  const Tessaglyph tessaglyph;
  // The layout argument is ignored: nextorder has no default even for a grid.
  expectError([&] { getDefaultPropertySetting("nextorder", "grid"); }, 12005, nextorder);
  expectError([&] { tessaglyph.getDefaultPropertySetting("NextOrder"); }, 12005, nextorder);
  expectError([&] { getDefaultPropertySetting("BoGus"); }, 12004,
              "\"BoGus\" is not a recognized property name.");
  // Names are trimmed only on the way through the value list, so a blank-padded latlonformat
  // reaches its "no values" error while the other names still find their first value.
  EXPECT_EQ(getDefaultPropertySetting(" GridType "), "latlon");
  expectError([&] { getDefaultPropertySetting(" latlonformat "); }, 12005,
              "There are no pre-defined property values for the latlonformat property.");
}

TEST(VocabularyRCMTest, NamesAndCaseInsensitiveValues) {
  const std::vector<std::string> names = {"Best Area",         "Worst area",
                                          "Best x-resolution", "Worst x-resolution",
                                          "Best y-resolution", "Worst y-resolution"};
  const Tessaglyph tessaglyph;
  for (std::int32_t value = 0; value < 6; ++value) {
    SCOPED_TRACE(value);
    const auto rcm = static_cast<TG_RESCOMPAREMODES>(value);
    const std::string& name = names[static_cast<std::size_t>(value)];
    EXPECT_EQ(getRCMName(rcm), name);
    EXPECT_EQ(tessaglyph.getRCMName(rcm), name);
    EXPECT_EQ(getRCMValue(toLower(name)), rcm);
    EXPECT_EQ(tessaglyph.getRCMValue(toUpper(name)), rcm);
  }
  EXPECT_EQ(getRCMValue("best area"), TG_RCM_SMALLESTAREA);
  EXPECT_EQ(getRCMName(static_cast<TG_RESCOMPAREMODES>(6)), "");
  EXPECT_EQ(getRCMName(static_cast<TG_RESCOMPAREMODES>(-1)), "");
}

TEST(VocabularyRCMTest, UnknownModeQuotesTheTextWithoutFullStop) {
  const Tessaglyph tessaglyph;
  for (const std::string text : {"best", " best area", "Best Area ", "", "smallest area"}) {
    SCOPED_TRACE(text);
    const std::string description =
        "\"" + text + "\" is not a recognized resolution comparisson mode";
    expectError([&] { getRCMValue(text); }, 12010, description);
    expectError([&] { tessaglyph.getRCMValue(text); }, 12010, description);
  }
}

TEST(VocabularyBoundsKeysTest, EachBoundsModeHasItsKeys) {
  // Every boundsmode value has a key set, and no key is itself a listed property.
  const std::vector<std::string> modes = getPropertyValuesList("boundsmode");
  ASSERT_EQ(boundsKeysTable.size(), modes.size());
  for (std::size_t i = 0; i < modes.size(); ++i) {
    EXPECT_EQ(boundsKeysTable[i].boundsmode, modes[i]);
    for (std::string_view key : boundsKeysTable[i].keys)
      EXPECT_FALSE(isRecognizedProperty(key));
  }
  EXPECT_EQ(boundsKeysTable[0].keys.size(), 5u);
  EXPECT_EQ(boundsKeysTable[2].keys.size(), 8u);
  EXPECT_THAT(std::vector<std::string_view>(resolutionKeys.begin(), resolutionKeys.end()),
              ElementsAre("xres", "yres"));
}

}  // namespace
}  // namespace tg
