#include "tessaglyph/vocabulary.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/text.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

using ::testing::ElementsAre;

// A name in capitals between blanks, as a careless script writer might type it. Appended piece
// by piece: g++ 12 at -O3 reports a false -Wrestrict for `" " + std::string(...)`.
std::string shouted(std::string_view name) {
  std::string text = "  ";
  text += toUpper(name);
  text += ' ';
  return text;
}

// The words of a text, split at blanks: names written out independently of the library's tables.
std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

const Tessaglyph tessaglyph;

TEST(VocabularyInstructionTest, EveryOpcodeRoundTripsThroughItsName) {
  const auto names = words(
      "goto branch_negative branch_positive branch_zero branch_true branch_false gosub load "
      "load_ptr store store_ptr add subtract multiply divide modulus lessthan lessthanequal "
      "greaterthan greaterthanequal equal notequal and or not cast_uint cast_int2 cast_int4 "
      "cast_single cast_double cast_ascii open close len getoffset setoffset char s_eof "
      "string2latlon lat2string lon2string setdelims read skip write write_pd buffer eof "
      "userinput notify raiseevent stop flipbytes setfixedlength timer fpart ipart NOP chars "
      "search like fileexists loadnopoint push pop peek pushm popm settoupper settolower int "
      "mex_setfile setref trim ltrim rtrim");
  ASSERT_EQ(names.size(), TG_M_I_COUNT);
  for (std::size_t opcode = 0; opcode < names.size(); ++opcode) {
    const auto instruction = static_cast<TG_M_INSTRUCTIONS>(opcode);
    EXPECT_EQ(getInstructionName(instruction), names[opcode]);
    EXPECT_EQ(tessaglyph.getInstructionName(instruction), names[opcode]);
    EXPECT_EQ(getInstructionValue(shouted(names[opcode])), instruction);
    EXPECT_EQ(tessaglyph.getInstructionValue(toLower(names[opcode])), instruction);
  }
  EXPECT_EQ(getInstructionValue("  Write_PD  "), TG_M_I_WRITEPD);
  for (std::int32_t opcode : {-1, 76, 32767}) {
    EXPECT_EQ(getInstructionName(static_cast<TG_M_INSTRUCTIONS>(opcode)), "") << opcode;
  }
  for (const std::string name : {"", "   ", " Bogus ", "write pd", "\tload", "p_x", "branchneg"}) {
    EXPECT_TRUE(raises([&] { getInstructionValue(name); }, 12001,
                       "\"" + name + "\" is not a recognized instruction name."));
  }
}

// Every opcode whose operand is not a plain memory address, by operand kind.
TEST(VocabularyInstructionTest, OperandKindsFollowTheInstructionFamilies) {
  std::map<OperandKind, std::vector<std::int32_t>> byKind;
  for (const InstructionInfo& info : instructionTable)
    byKind[info.operand].push_back(info.opcode);
  EXPECT_THAT(byKind[OperandKind::CodeAddress], ElementsAre(0, 1, 2, 3, 4, 5, 6));
  EXPECT_THAT(byKind[OperandKind::None], ElementsAre(TG_M_I_STOP, TG_M_I_NOP));
  EXPECT_THAT(byKind[OperandKind::Number], ElementsAre(TG_M_I_LOADNOPOINT));
  EXPECT_THAT(byKind[OperandKind::IndirectAddress], ElementsAre(TG_M_I_LOADPTR, TG_M_I_STOREPTR));
  EXPECT_THAT(byKind[OperandKind::MemoryBlock],
              ElementsAre(TG_M_I_SETDELIMS, TG_M_I_BUFFER, TG_M_I_PUSHM, TG_M_I_POPM));
  EXPECT_THAT(byKind[OperandKind::Unused],
              ElementsAre(TG_M_I_STRING2LATLON, TG_M_I_LAT2STRING, TG_M_I_LON2STRING, TG_M_I_SKIP,
                          TG_M_I_WRITEPD, TG_M_I_TIMER));
  EXPECT_EQ(byKind[OperandKind::MemoryAddress].size(), TG_M_I_COUNT - 22);  // all the others
}

TEST(VocabularyPredefinedVariableTest, NamesAndLocksForEveryAddress) {
  const auto names = words(
      "register offset return x y index row col value filesize path filename extension progress "
      "tip filetitle");
  const std::set<std::int32_t> readOnly = {5, 6, 7, 8, 9, 10, 11, 12};
  const std::set<std::int32_t> locked = {1, 5, 6, 7, 9, 10, 11, 12, 13, 14};
  ASSERT_EQ(names.size(), 16u);
  for (std::int32_t address = -1; address <= 16; ++address) {
    SCOPED_TRACE(address);
    const auto pdv = static_cast<TG_M_PREDEFINEDVARIABLEINDICIES>(address);
    const bool inside = address >= 0 && address < 16;
    const std::string name = inside ? names[std::size_t(address)] : "";
    EXPECT_EQ(getPDVName(pdv), name);
    EXPECT_EQ(tessaglyph.getPDVName(pdv), name);
    EXPECT_EQ(isReadOnly(pdv), readOnly.contains(address));
    EXPECT_EQ(tessaglyph.isReadOnly(pdv), readOnly.contains(address));
    EXPECT_EQ(isPermanentlyLocked(pdv), locked.contains(address));
    EXPECT_EQ(tessaglyph.isPermanentlyLocked(pdv), locked.contains(address));
    if (!inside) continue;
    EXPECT_EQ(getPDVValue(name), pdv);
    EXPECT_EQ(tessaglyph.getPDVValue(shouted(name)), pdv);
    EXPECT_TRUE(isValidPDVName(toUpper(name)));
  }
}

TEST(VocabularyPredefinedVariableTest, OperandPrefixIsNotPartOfTheName) {
  EXPECT_FALSE(isValidPDVName("p_x"));
  EXPECT_FALSE(isValidPDVName("P_OFFSET"));
  EXPECT_FALSE(isValidPDVName(""));
  EXPECT_TRUE(isValidPDVName(" X "));
  for (const std::string name : {"p_x", " P_Offset ", "", "tips"}) {
    EXPECT_TRUE(raises([&] { getPDVValue(name); }, 12002,
                       "\"" + name + "\" is not a recognized pre-defined variable name."));
  }
}

TEST(VocabularyRoutineTest, EverySlotRoundTripsThroughItsNameAndSlot14IsMissing) {
  const auto names = words(
      "datapoint_read datapoint_write init add next firstpoint setpos row2y col2x y2row x2col i2x "
      "i2y xy2i - valid create datum_xcon datum_ycon terminate ifourpoint itwelvepoint");
  ASSERT_EQ(names.size(), 22u);
  for (std::int32_t slot = -1; slot <= 22; ++slot) {
    SCOPED_TRACE(slot);
    const auto routine = static_cast<TG_M_ROUTINEARRAYINDICIES>(slot);
    const bool exists = slot >= 0 && slot < 22 && slot != 14;
    const std::string name = exists ? names[std::size_t(slot)] : "";
    EXPECT_EQ(getRoutineName(routine), name);
    EXPECT_EQ(tessaglyph.getRoutineName(routine), name);
    if (!exists) continue;
    EXPECT_EQ(getRoutineValue(name), routine);
    EXPECT_EQ(tessaglyph.getRoutineValue(shouted(name)), routine);
  }
}

TEST(VocabularyRoutineTest, ValidExactlyWhenTheLookupSucceeds) {
  for (const std::string name : {" INIT ", "Datum_XCon"}) {
    EXPECT_TRUE(isValidRoutineName(name) && tessaglyph.isValidRoutineName(name)) << name;
    EXPECT_NO_THROW(getRoutineValue(name));
  }
  for (const std::string name : {"", " ", "initialize", "datapoint", "goto", "row 2y", "\tinit"}) {
    EXPECT_FALSE(isValidRoutineName(name) || tessaglyph.isValidRoutineName(name)) << name;
    EXPECT_TRUE(raises([&] { getRoutineValue(name); }, 12003,
                       "\"" + name + "\" is not a valid routine name."));
  }
}

TEST(VocabularyPropertyTest, ListsTheNamesInOrderAndRecognizesThem) {
  const auto names = words(
      "gridtype datum latlonformat datatype filelayout nextorder datalock conditionalzone "
      "filetypefilter boundsmode resspec interp_closestpoint interp_4point interp_12point "
      "selfvalidating mex_columnstep mex_tableoffset mex_valueoffset mex_endian mex_colstart "
      "mex_rowstart mex_capable mex_numcolumns mex_numrows mex_recordsize mex_rowaxis "
      "mex_rowheadersize mex_rowstep mex_incrementor mex_multiplier datavoidvalue mex_rowsize "
      "mex_dataoverride pixeltype");
  EXPECT_EQ(getPropertiesList(), names);
  EXPECT_EQ(tessaglyph.getPropertiesList(), names);
  for (const std::string& name : names) {
    EXPECT_TRUE(isRecognizedProperty(name)) << name;
    EXPECT_TRUE(tessaglyph.isRecognizedProperty(shouted(name))) << name;
  }
  for (const std::string name : {"", "grid", "mex", "xres", "left_utm", "datavoid value"}) {
    EXPECT_FALSE(isRecognizedProperty(name)) << name;
  }
}

using Values = std::vector<std::string>;

TEST(VocabularyPropertyTest, AllowedValuesAndDefaults) {
  const Values grid = {"+x+y", "+y+x", "-x+y", "+y-x", "+x-y", "-y+x", "-x-y", "-y-x"};
  const std::tuple<std::string, std::string, Values> rows[] = {
      {"gridtype", "", {"latlon", "utm"}},
      {"datum", "", {"nad27", "nad83", "by file", "by point"}},
      {"NextOrder", "GRID", grid},
      {" nextorder ", "grid", grid},
      {"NEXTORDER", "List", {"+i", "-i"}},
      {"mex_endian", "", {"", "little", "big", "byfile"}},
      {"pixeltype", "", {"", "FLOAT"}},
      {"mex_dataoverride", "", {"unspecified", "byfile", "1", "2", "4", "5"}}};
  for (const auto& [property, layout, values] : rows) {
    EXPECT_EQ(getPropertyValuesList(property, layout), values) << property;
    EXPECT_EQ(tessaglyph.getPropertyValuesList(property, layout), values) << property;
  }
  const std::pair<const char*, const char*> defaults[] = {
      {"gridtype", "latlon"},       {"latlonformat", ""},        {"datalock", "true"},
      {"filetypefilter", "*.*"},    {"mex_endian", ""},          {"datavoidvalue", "-32100"},
      {"mex_rowsize", "automatic"}, {"conditionalzone", "false"}};
  for (const auto& [name, value] : defaults) {
    EXPECT_EQ(getDefaultPropertySetting(name), value) << name;
  }
  // Every property the table lists: its values, whatever the case, and its default.
  std::size_t withDefault = 0;
  for (const PropertyInfo& info : propertyTable) {
    SCOPED_TRACE(info.name);
    if (info.rule == PropertyValueRule::Listed) {
      EXPECT_EQ(getPropertyValuesList(shouted(info.name)),
                Values(info.values.begin(), info.values.end()));
    }
    if (!info.hasDefault) continue;
    ++withDefault;
    EXPECT_EQ(getDefaultPropertySetting(info.name), info.defaultValue);
    EXPECT_EQ(getDefaultPropertySetting(toUpper(info.name), "grid"), info.defaultValue);
    EXPECT_EQ(tessaglyph.getDefaultPropertySetting(info.name, "list"), info.defaultValue);
  }
  EXPECT_EQ(withDefault, propertyTable.size() - 1);  // all but nextorder
}

TEST(VocabularyPropertyTest, ValueListAndDefaultErrors) {
  const std::string noValues = "There are no pre-defined property values for the ";
  const std::string nextorder =
      "There are no property values for the nextorder property when the filelayout property is ";
  // The layout is not trimmed; a property name is quoted exactly as passed.
  const std::tuple<std::string, std::string, std::int32_t, std::string> rows[] = {
      {" LatLonFormat ", "grid", 12005, noValues + "latlonformat property."},
      {"nextorder", "", 12005, nextorder + "\".\""},
      {"nextorder", "Unordered", 12005, nextorder + "\"Unordered.\""},
      {"nextorder", " grid", 12005, nextorder + "\" grid.\""},
      {" Bogus ", "grid", 12004, "\" Bogus \" is not a recognized property name."},
      {"", "", 12004, "\"\" is not a recognized property name."}};
  for (const auto& [property, layout, number, description] : rows) {
    EXPECT_TRUE(raises([&] { getPropertyValuesList(property, layout); }, number, description));
    EXPECT_TRUE(
        raises([&] { tessaglyph.getPropertyValuesList(property, layout); }, number, description));
  }
  // Defaults ignore the layout: nextorder has none even for a grid.
  const std::string unspecified = nextorder + "\"unspecified.\"";
  EXPECT_TRUE(raises([&] { getDefaultPropertySetting("nextorder", "grid"); }, 12005, unspecified));
  EXPECT_TRUE(
      raises([&] { tessaglyph.getDefaultPropertySetting("NextOrder"); }, 12005, unspecified));
  EXPECT_TRUE(raises([&] { getDefaultPropertySetting("BoGus"); }, 12004,
                     "\"BoGus\" is not a recognized property name."));
  // Names are trimmed only on the way through the value list, so a blank-padded latlonformat
  // reaches its "no values" error while the other names still find their first value.
  EXPECT_EQ(getDefaultPropertySetting(" GridType "), "latlon");
  EXPECT_TRUE(raises([&] { getDefaultPropertySetting(" latlonformat "); }, 12005,
                     noValues + "latlonformat property."));
}

TEST(VocabularyRCMTest, NamesAndCaseInsensitiveValues) {
  const Values names = {"Best Area",          "Worst area",        "Best x-resolution",
                        "Worst x-resolution", "Best y-resolution", "Worst y-resolution"};
  for (std::int32_t value = -1; value <= 6; ++value) {
    const auto rcm = static_cast<TG_RESCOMPAREMODES>(value);
    const std::string name = value >= 0 && value < 6 ? names[std::size_t(value)] : "";
    EXPECT_EQ(getRCMName(rcm), name) << value;
    EXPECT_EQ(tessaglyph.getRCMName(rcm), name) << value;
    if (name.empty()) continue;
    EXPECT_EQ(getRCMValue(toLower(name)), rcm);
    EXPECT_EQ(tessaglyph.getRCMValue(toUpper(name)), rcm);
  }
  // Blanks count, and the message has no full stop.
  for (const std::string text : {"best", " best area", "Best Area ", "", "smallest area"}) {
    const std::string message = "\"" + text + "\" is not a recognized resolution comparisson mode";
    EXPECT_TRUE(raises([&] { getRCMValue(text); }, 12010, message));
    EXPECT_TRUE(raises([&] { tessaglyph.getRCMValue(text); }, 12010, message));
  }
}

TEST(VocabularyBoundsKeysTest, EachBoundsModeHasItsKeys) {
  // Every boundsmode value has a key set, and no key is itself a listed property.
  const Values modes = getPropertyValuesList("boundsmode");
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
}  // namespace tg::test
